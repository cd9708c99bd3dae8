#include "base/Tek_extensible_obj.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

Tek_extensible_obj::Tek_extensible_obj() : extras_(table_create()) {
    tuple_init(&pendingEvent_);
}

Tek_extensible_obj::~Tek_extensible_obj() {
    if (channel_) {
        ek_event_channel_del_client(channel_, nullptr, nullptr);
        // The channel belongs to this object; nobody can reach it once the object is gone.
        ek_event_channel_destroy(channel_);
    }
    table_destroy(extras_);
    tuple_clear(&pendingEvent_);
}

void Tek_extensible_obj::assign(Tek_basic_obj* other) {
    if (auto* o = dynamic_cast<Tek_extensible_obj*>(other)) table_assign(extras_, o->extras_);
}

bool Tek_extensible_obj::equal(Tek_basic_obj* other) {
    auto* o = dynamic_cast<Tek_extensible_obj*>(other);
    return o && table_compare(extras_, o->extras_) == 0;
}

Tek_any* Tek_extensible_obj::get_extra(const char* name) {
    if (!name) name = "";
    const size_t count = table_get_size(extras_);
    for (size_t i = 0; i < count; ++i) {
        Tek_tuple* row = table_get_row(extras_, i);
        const char* rowName = any_get_string(tuple_get(row, 0));
        if (rowName && std::strcmp(rowName, name) == 0) return tuple_get(row, 1);
    }
    table_resize(extras_, count + 1);
    Tek_tuple* row = table_get_row(extras_, count);
    if (!row) return nullptr;
    tuple_resize(row, 2);
    any_assign_string(tuple_get(row, 0), name);
    Tek_any empty;
    any_init(&empty);
    any_assign(tuple_get(row, 1), &empty);
    any_clear(&empty);
    return tuple_get(row, 1);
}

Tek_table* Tek_extensible_obj::get_table_extra() { return extras_; }

void Tek_extensible_obj::set_table_extra(Tek_table& table) { table_assign(extras_, &table); }

void Tek_extensible_obj::set_extra(const char* name, Tek_any* value) { any_assign(get_extra(name), value); }

Tek_event_channel* Tek_extensible_obj::get_update_event_channel() {
    if (!channel_) channel_ = ek_event_channel_create();
    return channel_;
}

Tek_tuple* Tek_extensible_obj::init_update_event() {
    if (!pending_) {
        ek_update_event_init(&pendingEvent_);
        pending_ = &pendingEvent_;
    }
    return pending_;
}

void Tek_extensible_obj::send(Tek_tuple* event) { ek_event_channel_broadcast(get_update_event_channel(), event); }

void Tek_extensible_obj::broadcast_begin_update_event() {
    if (depth_ != 0) return;
    Tek_tuple event;
    tuple_init(&event);
    ek_begin_update_event_init(&event);
    send(&event);
    ek_begin_update_event_clear(&event);
}

void Tek_extensible_obj::broadcast_end_update_event() {
    if (depth_ != 0) return;
    Tek_tuple event;
    tuple_init(&event);
    ek_end_update_event_init(&event);
    send(&event);
    ek_end_update_event_clear(&event);
}

void Tek_extensible_obj::broadcast_update_event() {
    if (depth_ != 0) {
        ek_update_event_init_details(init_update_event());
        return;
    }
    Tek_tuple event;
    tuple_init(&event);
    ek_update_event_init(&event);
    ek_update_event_init_details(&event);
    send(&event);
    ek_update_event_clear(&event);
}

void Tek_extensible_obj::broadcast_update_event(int key) {
    if (depth_ != 0) {
        ek_update_event_add_prop_integer(init_update_event(), key);
        return;
    }
    Tek_tuple event;
    tuple_init(&event);
    ek_update_event_init(&event);
    ek_update_event_init_details(&event);
    ek_update_event_prop_list_add_integer(ek_update_event_get_details(&event), key);
    send(&event);
    ek_update_event_clear(&event);
}

void Tek_extensible_obj::broadcast_update_event(const char* key) {
    if (depth_ != 0) {
        ek_update_event_add_prop_string(init_update_event(), key);
        return;
    }
    Tek_tuple event;
    tuple_init(&event);
    ek_update_event_init(&event);
    ek_update_event_init_details(&event);
    ek_update_event_prop_list_add_string(ek_update_event_get_details(&event), key);
    send(&event);
    ek_update_event_clear(&event);
}

template <class AggregateList, class AggregateEvent, class Key>
void Tek_extensible_obj::rebroadcast(Key key, Tek_table& queue, AggregateList aggregateList,
                                     AggregateEvent aggregateEvent) {
    // The queue may change under the callbacks these calls reach, so its size is read anew.
    for (size_t i = 0; i < ek_event_queue_get_size(&queue); ++i)
        if (ek_event_queue_get_begin_update_event(&queue, i)) broadcast_begin_update_event();
    if (depth_ == 0) {
        Tek_tuple event;
        tuple_init(&event);
        ek_update_event_init(&event);
        ek_update_event_init_details(&event);
        Tek_update_prop_list* details = ek_update_event_get_details(&event);
        bool found = false;
        for (size_t i = 0; i < ek_event_queue_get_size(&queue); ++i) {
            if (Tek_tuple* u = ek_event_queue_get_update_event(&queue, i)) {
                aggregateList(details, key, ek_update_event_get_details(u));
                found = true;
            }
        }
        if (found) send(&event);
        ek_update_event_clear(&event);
    } else {
        for (size_t i = 0; i < ek_event_queue_get_size(&queue); ++i)
            if (Tek_tuple* u = ek_event_queue_get_update_event(&queue, i))
                aggregateEvent(init_update_event(), key, ek_update_event_get_details(u));
    }
    for (size_t i = 0; i < ek_event_queue_get_size(&queue); ++i)
        if (ek_event_queue_get_end_update_event(&queue, i)) broadcast_end_update_event();
}

void Tek_extensible_obj::broadcast_update_event(int key, Tek_table& queue) {
    rebroadcast(key, queue, &ek_update_event_prop_list_aggr_integer, &ek_update_event_aggr_prop_integer);
}

void Tek_extensible_obj::broadcast_update_event(const char* key, Tek_table& queue) {
    rebroadcast(key, queue, &ek_update_event_prop_list_aggr_string, &ek_update_event_aggr_prop_string);
}

void Tek_extensible_obj::broadcast_event(int id) {
    Tek_tuple event;
    tuple_init(&event);
    tuple_resize(&event, 2);
    any_assign_integer(tuple_get(&event, 0), id);
    send(&event);
    tuple_clear(&event);
}

void Tek_extensible_obj::broadcast_event(int id, Tek_tuple& data) {
    Tek_tuple event;
    tuple_init(&event);
    tuple_resize(&event, 2);
    any_assign_integer(tuple_get(&event, 0), id);
    any_assign_tuple(tuple_get(&event, 1), &data);
    send(&event);
    tuple_clear(&event);
}

unsigned int Tek_extensible_obj::begin_update() {
    if (depth_ == 0) broadcast_begin_update_event();
    return ++depth_;
}

void Tek_extensible_obj::end_update() {
    if (depth_ == 0) return;
    if (--depth_ != 0) return;
    if (pending_) {
        // Moved out first: a subscriber may start a new group while this one is delivered.
        Tek_tuple event = pendingEvent_;
        tuple_init(&pendingEvent_);
        pending_ = nullptr;
        send(&event);
        ek_update_event_clear(&event);
        tuple_clear(&event);
    }
    broadcast_end_update_event();
}

bool Tek_extensible_obj::find_update(Tek_table* queue, ...) {
    using Key = std::variant<std::string, int, const Tek_any*>;
    std::vector<Key> keys;
    va_list args;
    va_start(args, queue);
    for (;;) {
        const int tag = va_arg(args, int);
        if (tag == k_key_string) {
            const char* s = va_arg(args, const char*);
            keys.emplace_back(std::string(s ? s : ""));
        } else if (tag == k_key_integer) {
            keys.emplace_back(va_arg(args, int));
        } else if (tag == k_key_end) {
            const void* p = va_arg(args, const void*);
            if (!p) break;
            keys.emplace_back(static_cast<const Tek_any*>(p));
        } else {
            break;  // an unknown tag ends the list: nothing after it can be read safely
        }
    }
    va_end(args);
    if (!queue) return false;

    for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i) {
        Tek_tuple* u = ek_event_queue_get_update_event(queue, i);
        if (!u) continue;
        const Tek_update_prop_list* details = ek_update_event_get_details(u);
        if (!details) return true;
        if (keys.empty()) continue;
        bool all = true;
        for (const Key& key : keys) {
            bool found = false;
            if (auto* s = std::get_if<std::string>(&key)) found = ek_update_event_prop_list_find_string(details, s->c_str());
            else if (auto* n = std::get_if<int>(&key)) found = ek_update_event_prop_list_find_integer(details, *n);
            else found = ek_update_event_prop_list_find(details, std::get<const Tek_any*>(key));
            if (!found) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}
