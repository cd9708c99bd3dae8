// Event channels: delivery order, fresh queues, and clients that change the channel while
// an event is being delivered.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ekx_basic.h"

namespace {

// A client whose reaction is a test-supplied function; every call is logged by name.
struct Client {
    std::string name;
    std::vector<std::string>* log;
    std::function<void(Tek_table*)> react;
    std::vector<long long> seen_ids;
};

void on_event(Tek_table* queue, void* client) {
    Client* c = static_cast<Client*>(client);
    c->log->push_back(c->name);
    for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i)
        c->seen_ids.push_back(ek_event_get_id(ek_event_queue_get_event(queue, i)));
    if (c->react) c->react(queue);
}

// A plain event: (id, integer data).
struct Event {
    Tek_tuple t;
    explicit Event(int id, long long data = 0) {
        tuple_init(&t);
        tuple_resize(&t, 2);
        any_assign_integer(tuple_get(&t, 0), id);
        any_assign_integer(tuple_get(&t, 1), data);
    }
    ~Event() { tuple_clear(&t); }
};

class Channel : public ::testing::Test {
protected:
    void SetUp() override { ch = ek_event_channel_create(); ASSERT_NE(ch, nullptr); }
    void TearDown() override { if (ch) ek_event_channel_destroy(ch); }
    Client make(const std::string& name) { return Client{name, &log, nullptr, {}}; }
    void broadcast(int id) {
        Event e(id);
        ek_event_channel_broadcast(ch, &e.t);
    }
    Tek_event_channel* ch = nullptr;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(Channel, DeliversSynchronouslyInTheOrderClientsWereAdded) {
    Client a = make("a"), b = make("b"), c = make("c");
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &c);
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 3u);
    broadcast(17);
    EXPECT_EQ(log, (Log{"b", "a", "c"}));
    EXPECT_EQ(a.seen_ids, std::vector<long long>{17});
}

TEST_F(Channel, SamePairIsRegisteredOnceAndRemovedByItsPair) {
    Client a = make("a");
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &a);
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 1u);
    broadcast(1);
    EXPECT_EQ(log, (Log{"a"}));
    // Another client pointer with the same callback is another client.
    Client b = make("b");
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_del_client(ch, on_event, &a);
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 1u);
    log.clear();
    broadcast(1);
    EXPECT_EQ(log, (Log{"b"}));
    // Removing a pair that is not registered changes nothing.
    ek_event_channel_del_client(ch, on_event, &a);
    ek_event_channel_del_client(ch, nullptr, &b);
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 1u);
}

TEST_F(Channel, DeleteWithNullPairRemovesEveryClient) {
    Client a = make("a"), b = make("b");
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_del_client(ch, nullptr, nullptr);
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 0u);
    broadcast(1);
    EXPECT_TRUE(log.empty());
}

TEST_F(Channel, EveryClientGetsAFreshQueueHoldingACopyOfTheOneEvent) {
    std::vector<Tek_table*> queues;
    Client a = make("a"), b = make("b");
    Event original(5, 42);
    auto check = [&](Tek_table* q) {
        queues.push_back(q);
        ASSERT_EQ(ek_event_queue_get_size(q), 1u);
        Tek_tuple* e = ek_event_queue_get_event(q, 0);
        EXPECT_NE(e, &original.t);
        EXPECT_EQ(tuple_compare(e, &original.t), 0);
        // Spoil this queue; the next client must not notice.
        any_assign_integer(tuple_get(e, 1), -1);
        table_resize(q, 3);
    };
    a.react = check;
    b.react = check;
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_broadcast(ch, &original.t);
    EXPECT_EQ(queues.size(), 2u);
    EXPECT_EQ(any_get_integer(tuple_get(&original.t, 1)), 42);  // the broadcaster's event is untouched
}

TEST_F(Channel, ClientsSeeTheEventAsBroadcastEvenIfAClientChangesTheOriginal) {
    Event original(5, 42);
    Client a = make("a"), b = make("b");
    a.react = [&](Tek_table*) { tuple_clear(&original.t); };
    long long b_data = 0;
    b.react = [&](Tek_table* q) { b_data = any_get_integer(tuple_get(ek_event_queue_get_event(q, 0), 1)); };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_broadcast(ch, &original.t);
    EXPECT_EQ(b_data, 42);
}

TEST_F(Channel, ClientRemovingItselfIsNotCalledAgain) {
    Client a = make("a"), b = make("b");
    a.react = [&](Tek_table*) { ek_event_channel_del_client(ch, on_event, &a); };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    broadcast(1);
    broadcast(2);
    EXPECT_EQ(log, (Log{"a", "b", "b"}));
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 1u);
}

TEST_F(Channel, ClientRemovedByAnEarlierOneIsSkippedInTheSameBroadcast) {
    Client a = make("a"), b = make("b"), c = make("c");
    a.react = [&](Tek_table*) { ek_event_channel_del_client(ch, on_event, &b); };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_add_client(ch, on_event, &c);
    broadcast(1);
    EXPECT_EQ(log, (Log{"a", "c"}));
}

TEST_F(Channel, RemovingAnEarlierClientDoesNotDisturbTheRest) {
    Client a = make("a"), b = make("b"), c = make("c");
    b.react = [&](Tek_table*) { ek_event_channel_del_client(ch, on_event, &a); };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    ek_event_channel_add_client(ch, on_event, &c);
    broadcast(1);
    broadcast(2);
    EXPECT_EQ(log, (Log{"a", "b", "c", "b", "c"}));
}

TEST_F(Channel, ClientAddedDuringDeliveryWaitsForTheNextBroadcast) {
    Client a = make("a"), late = make("late");
    a.react = [&](Tek_table*) { ek_event_channel_add_client(ch, on_event, &late); };
    ek_event_channel_add_client(ch, on_event, &a);
    broadcast(1);
    EXPECT_EQ(log, (Log{"a"}));
    broadcast(2);
    EXPECT_EQ(log, (Log{"a", "a", "late"}));
}

TEST_F(Channel, RemovedAndReaddedDuringDeliveryIsNotCalledForThatBroadcast) {
    Client a = make("a"), b = make("b");
    a.react = [&](Tek_table*) {
        ek_event_channel_del_client(ch, on_event, &b);
        ek_event_channel_add_client(ch, on_event, &b);
    };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    broadcast(1);
    EXPECT_EQ(log, (Log{"a"}));
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 2u);
}

TEST_F(Channel, BroadcastFromInsideACallbackIsDeliveredAtOnceToEveryone) {
    Client a = make("a"), b = make("b");
    bool nested = false;
    a.react = [&](Tek_table*) {
        if (nested) return;
        nested = true;
        broadcast(2);
    };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    broadcast(1);
    EXPECT_EQ(log, (Log{"a", "a", "b", "b"}));
    EXPECT_EQ(a.seen_ids, (std::vector<long long>{1, 2}));
    EXPECT_EQ(b.seen_ids, (std::vector<long long>{2, 1}));  // the inner event arrives first
}

TEST_F(Channel, RemovingEveryClientDuringDeliveryStopsIt) {
    Client a = make("a"), b = make("b");
    a.react = [&](Tek_table*) { ek_event_channel_del_client(ch, nullptr, nullptr); };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    broadcast(1);
    EXPECT_EQ(log, (Log{"a"}));
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 0u);
}

TEST_F(Channel, DestroyingTheChannelDuringDeliveryIsSafe) {
    Client a = make("a"), b = make("b");
    a.react = [&](Tek_table*) {
        ek_event_channel_destroy(ch);
        ch = nullptr;
    };
    Tek_event_channel* channel = ch;
    ek_event_channel_add_client(channel, on_event, &a);
    ek_event_channel_add_client(channel, on_event, &b);
    Event e(1);
    ek_event_channel_broadcast(channel, &e.t);  // freed when this returns
    EXPECT_EQ(log, (Log{"a"}));
}

TEST_F(Channel, ThrowingClientDoesNotStopDeliveryToOthers) {
    Client a = make("a"), b = make("b");
    a.react = [](Tek_table*) { throw std::runtime_error("host failure"); };
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_add_client(ch, on_event, &b);
    EXPECT_NO_THROW(broadcast(1));
    EXPECT_EQ(log, (Log{"a", "b"}));
}

TEST_F(Channel, BadInputDoesNothing) {
    Client a = make("a");
    Event e(1);
    ek_event_channel_destroy(nullptr);
    ek_event_channel_add_client(nullptr, on_event, &a);
    ek_event_channel_del_client(nullptr, on_event, &a);
    ek_event_channel_del_client(nullptr, nullptr, nullptr);
    EXPECT_EQ(ek_event_channel_get_client_count(nullptr), 0u);
    ek_event_channel_broadcast(nullptr, &e.t);
    ek_event_channel_add_client(ch, nullptr, &a);  // no callback: not a client
    EXPECT_EQ(ek_event_channel_get_client_count(ch), 0u);
    ek_event_channel_add_client(ch, on_event, &a);
    ek_event_channel_broadcast(ch, nullptr);  // no event: nothing delivered
    EXPECT_TRUE(log.empty());
    // An empty tuple is still an event; it arrives as it is.
    Tek_tuple empty;
    tuple_init(&empty);
    ek_event_channel_broadcast(ch, &empty);
    EXPECT_EQ(log, (Log{"a"}));
    EXPECT_EQ(a.seen_ids, std::vector<long long>{0});
}

}  // namespace
