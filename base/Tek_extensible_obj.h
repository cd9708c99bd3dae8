// An observable object: named extras attached at run time, and an update event channel on
// which changes are announced. Changes between an outermost begin_update() and its end_update()
// go out once, framed by a begin-update and an end-update event.
#pragma once

#include "base/Iek_updatable.h"
#include "base/Tek_basic_obj.h"
#include "ekx_basic.h"

class Tek_extensible_obj : public Tek_basic_obj, public virtual Iek_updatable {
public:
    // Key tags of find_update's list.
    static constexpr int k_key_string = 2;
    static constexpr int k_key_integer = 3;
    static constexpr int k_key_end = -1;  // followed by a null pointer; with a non-null pointer: a generic Tek_any* key

    Tek_extensible_obj();
    ~Tek_extensible_obj() override;
    Tek_extensible_obj(const Tek_extensible_obj&) = delete;
    Tek_extensible_obj& operator=(const Tek_extensible_obj&) = delete;

    virtual void assign(Tek_basic_obj* other);
    virtual bool equal(Tek_basic_obj* other);
    virtual Tek_any* get_extra(const char* name);
    virtual Tek_table* get_table_extra();
    virtual void set_table_extra(Tek_table& table);
    virtual void set_extra(const char* name, Tek_any* value);
    Tek_event_channel* get_update_event_channel() override;
    virtual Tek_tuple* init_update_event();
    virtual void broadcast_update_event();
    virtual void broadcast_begin_update_event();
    virtual void broadcast_end_update_event();
    virtual void broadcast_update_event(int key);
    virtual void broadcast_update_event(const char* key);
    virtual void broadcast_update_event(int key, Tek_table& queue);
    virtual void broadcast_update_event(const char* key, Tek_table& queue);
    virtual void broadcast_event(int id);
    virtual void broadcast_event(int id, Tek_tuple& data);
    unsigned int begin_update() override;
    void end_update() override;

    // True when an update event of the queue matches every key of the list (tag, value pairs
    // ended by k_key_end and a null pointer). An event without details matches every search.
    static bool find_update(Tek_table* queue, ...);

    unsigned int update_depth() const { return depth_; }

private:
    template <class AggregateList, class AggregateEvent, class Key>
    void rebroadcast(Key key, Tek_table& queue, AggregateList aggregateList, AggregateEvent aggregateEvent);
    void send(Tek_tuple* event);

    Tek_table* extras_;
    Tek_event_channel* channel_ = nullptr;
    unsigned int depth_ = 0;
    Tek_tuple pendingEvent_;
    Tek_tuple* pending_ = nullptr;
};
