// Event channels: synchronous delivery of one event to every client, in the order the clients
// were added. Clients may change the channel, or broadcast on it, from inside their callback.
#include <algorithm>
#include <memory>
#include <vector>

#include "ek_boundary.h"
#include "ek_variant_impl.h"

namespace {

struct Client {
    ek_event_callback callback;
    void* client;
    bool removed = false;  // set on removal, so that a delivery in progress skips it
};

}  // namespace

struct Tek_event_channel {
    std::vector<std::shared_ptr<Client>> clients;
    int delivering = 0;      // nesting depth of broadcasts in progress
    bool destroyed = false;  // destroyed from inside a callback: freed when delivery ends
};

using namespace ek::basic;

namespace {

void remove_where(Tek_event_channel& channel, ek_event_callback callback, void* client, bool all) {
    auto& clients = channel.clients;
    for (auto& c : clients) {
        if (all || (c->callback == callback && c->client == client)) c->removed = true;
    }
    clients.erase(std::remove_if(clients.begin(), clients.end(), [](const auto& c) { return c->removed; }),
                  clients.end());
}

// Keeps the channel alive while callbacks run; frees it afterwards when one of them destroyed it.
class Delivery {
public:
    explicit Delivery(Tek_event_channel* channel) : channel_(channel) { ++channel_->delivering; }
    ~Delivery() {
        if (--channel_->delivering == 0 && channel_->destroyed) delete channel_;
    }
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

private:
    Tek_event_channel* channel_;
};

void deliver(Tek_event_channel* channel, const Tek_tuple& event) {
    // A callback may change or clear the broadcaster's event; every client gets the event as
    // it was when the broadcast began.
    struct Owned {
        Tek_tuple tuple;
        ~Owned() { tuple_release(tuple); }
    } original{tuple_clone(event)};
    Delivery delivery(channel);
    // The list may change while callbacks run: walk a snapshot and skip whoever was removed.
    const std::vector<std::shared_ptr<Client>> snapshot = channel->clients;
    for (const auto& c : snapshot) {
        if (c->removed || channel->destroyed) continue;
        // Each client gets its own queue, so that what one client does to it no other sees.
        Tek_table* queue = new Tek_table;
        try {
            table_set_size(*queue, 1);
            queue->rows[0] = tuple_clone(original.tuple);
            c->callback(queue, c->client);
        } catch (...) {
            // A throwing client must not keep the others from their event.
        }
        table_release_rows(*queue);
        delete queue;
    }
}

}  // namespace

extern "C" {

Tek_event_channel* ek_event_channel_create(void) {
    return guarded<Tek_event_channel*>(nullptr, [] { return new Tek_event_channel; });
}

void ek_event_channel_destroy(Tek_event_channel* channel) {
    if (!channel || channel->destroyed) return;
    remove_where(*channel, nullptr, nullptr, true);
    if (channel->delivering) channel->destroyed = true;
    else delete channel;
}

void ek_event_channel_add_client(Tek_event_channel* channel, ek_event_callback callback, void* client) {
    if (!channel || channel->destroyed || !callback) return;
    guarded([&] {
        for (const auto& c : channel->clients) {
            if (c->callback == callback && c->client == client) return;  // registered once
        }
        channel->clients.push_back(std::make_shared<Client>(Client{callback, client}));
    });
}

void ek_event_channel_del_client(Tek_event_channel* channel, ek_event_callback callback, void* client) {
    if (!channel || channel->destroyed) return;
    remove_where(*channel, callback, client, !callback && !client);
}

size_t ek_event_channel_get_client_count(const Tek_event_channel* channel) {
    return channel && !channel->destroyed ? channel->clients.size() : 0;
}

void ek_event_channel_broadcast(Tek_event_channel* channel, const Tek_tuple* event) {
    if (!channel || channel->destroyed || !event) return;
    guarded([&] { deliver(channel, *event); });
}

}  // extern "C"
