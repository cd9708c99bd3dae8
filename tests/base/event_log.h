// Records what a subscriber of an update event channel receives, one letter per event:
// B begin-update, E end-update, U update (with its keys, U{5,name}; nested keys in brackets),
// X any other event (with its id).
#pragma once

#include <string>
#include <vector>

#include "ekx_basic.h"

namespace ek::test {

inline std::string describe_keys(const Tek_update_prop_list* list) {
    std::string text;
    const size_t n = ek_update_event_prop_list_get_size(list);
    for (size_t i = 0; i < n; ++i) {
        if (i) text += ",";
        const Tek_any* key = ek_update_event_prop_list_get_key(list, i);
        if (any_get_kind(key) == EK_ANY_INTEGER) text += std::to_string(any_get_integer(key));
        else if (const char* s = any_get_string(key)) text += s;
        else text += "?";
        const Tek_update_prop_list* nested = ek_update_event_prop_list_get_nested(list, i);
        if (nested && ek_update_event_prop_list_get_size(nested) > 0) {
            text += '[';
            text += describe_keys(nested);
            text += ']';
        }
    }
    return text;
}

class EventLog {
public:
    explicit EventLog(Tek_event_channel* channel) : channel_(channel) {
        ek_event_channel_add_client(channel_, &received, this);
    }
    ~EventLog() { ek_event_channel_del_client(channel_, &received, this); }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // The events so far, each described, e.g. {"B", "U{5,k}", "E"}.
    const std::vector<std::string>& events() const { return events_; }
    std::string text() const {
        std::string all;
        for (const std::string& e : events_) all += e + " ";
        if (!all.empty()) all.pop_back();
        return all;
    }
    void clear() { events_.clear(); }

private:
    static void received(Tek_table* queue, void* client) {
        auto* self = static_cast<EventLog*>(client);
        for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i) {
            if (ek_event_queue_get_begin_update_event(queue, i)) {
                self->events_.push_back("B");
            } else if (ek_event_queue_get_end_update_event(queue, i)) {
                self->events_.push_back("E");
            } else if (Tek_tuple* u = ek_event_queue_get_update_event(queue, i)) {
                const Tek_update_prop_list* details = ek_update_event_get_details(u);
                std::string text = "U";
                if (details) {
                    text += '{';
                    text += describe_keys(details);
                    text += '}';
                }
                self->events_.push_back(text);
            } else {
                std::string text = "X";
                text += std::to_string(ek_event_get_id(ek_event_queue_get_event(queue, i)));
                self->events_.push_back(text);
            }
        }
    }

    Tek_event_channel* channel_;
    std::vector<std::string> events_;
};

}  // namespace ek::test
