// Records what a subscriber of an update event channel receives, one word per event:
// B begin-update, E end-update, U update (with its keys, U{5,name}; nested keys in brackets),
// X any other event (with its id).
#pragma once

#include <string>

#include "ekx_basic.h"

namespace ek::test {

inline std::string describe_keys(const Tek_update_prop_list* list) {
    std::string text;
    for (size_t i = 0; i < ek_update_event_prop_list_get_size(list); ++i) {
        const Tek_any* key = ek_update_event_prop_list_get_key(list, i);
        const char* s = any_get_string(key);
        text.append(i ? "," : "").append(any_get_kind(key) == EK_ANY_INTEGER ? std::to_string(any_get_integer(key)) : s ? s : "?");
        const Tek_update_prop_list* nested = ek_update_event_prop_list_get_nested(list, i);
        if (nested && ek_update_event_prop_list_get_size(nested)) text.append("[").append(describe_keys(nested)) += "]";
    }
    return text;
}

class EventLog {
public:
    explicit EventLog(Tek_event_channel* channel) : channel_(channel) { ek_event_channel_add_client(channel_, &received, this); }
    ~EventLog() { ek_event_channel_del_client(channel_, &received, this); }
    EventLog(const EventLog&) = delete;
    const std::string& text() const { return text_; }  // the events so far, separated by spaces, e.g. "B U{5,k} E"
    void clear() { text_.clear(); }

private:
    static void received(Tek_table* q, void* client) {
        std::string& text = static_cast<EventLog*>(client)->text_;
        for (size_t i = 0; i < ek_event_queue_get_size(q); ++i) {
            Tek_tuple* u = ek_event_queue_get_update_event(q, i);
            const Tek_update_prop_list* details = u ? ek_update_event_get_details(u) : nullptr;
            text += text.empty() ? "" : " ";
            if (ek_event_queue_get_begin_update_event(q, i)) text += "B";
            else if (ek_event_queue_get_end_update_event(q, i)) text += "E";
            else if (!u) text.append("X").append(std::to_string(ek_event_get_id(ek_event_queue_get_event(q, i))));
            else text.append(details ? "U{" + describe_keys(details) + "}" : "U");
        }
    }
    Tek_event_channel* channel_; std::string text_;
};

}  // namespace ek::test
