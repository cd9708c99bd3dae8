// The observable base object: extras by name, and update events grouped between an outermost
// begin_update() and its end_update().
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "base/Tek_extensible_obj.h"
#include "base/event_log.h"

namespace {

using ek::test::EventLog;

struct Observed : ::testing::Test {
    Tek_extensible_obj object;
    EventLog log{object.get_update_event_channel()};
};

TEST_F(Observed, KeysCollectedInOneUpdateAreSentAsOneEvent) {
    EXPECT_EQ(object.begin_update(), 1u);
    object.broadcast_update_event(5);
    object.broadcast_update_event("depth");
    object.broadcast_update_event(5);  // a key already collected is not repeated
    EXPECT_EQ(log.text(), "B") << "only the begin-update event goes out while the update is open";
    object.end_update();
    EXPECT_EQ(log.text(), "B U{5,depth} E");
    EXPECT_EQ(object.update_depth(), 0u);
}

TEST_F(Observed, NestedBracketsSendOnlyAtTheOutermostEnd) {
    object.begin_update();
    EXPECT_EQ(object.begin_update(), 2u);
    object.broadcast_update_event(1);
    object.end_update();
    EXPECT_EQ(log.text(), "B");
    object.end_update();
    EXPECT_EQ(log.text(), "B U{1} E");
}

TEST_F(Observed, AnEmptyBracketSendsBeginAndEndOnly) {
    object.begin_update();
    object.end_update();
    EXPECT_EQ(log.text(), "B E");
}

TEST_F(Observed, EndUpdateOutsideAnUpdateDoesNothing) {
    object.end_update();
    object.end_update();
    EXPECT_TRUE(log.events().empty());
    EXPECT_EQ(object.update_depth(), 0u);
    object.begin_update();
    object.end_update();
    EXPECT_EQ(log.text(), "B E") << "an unbalanced end leaves the next bracket intact";
}

TEST_F(Observed, ChangesOutsideAnUpdateGoOutAtOnceEachOnItsOwn) {
    object.broadcast_update_event(3);
    object.broadcast_update_event("name");
    object.broadcast_update_event();
    EXPECT_EQ(log.text(), "U{3} U{name} U{}");
}

TEST_F(Observed, AChangeWithoutKeyInsideAnUpdateResetsTheCollectedKeys) {
    object.begin_update();
    object.broadcast_update_event(3);
    object.broadcast_update_event();
    object.end_update();
    EXPECT_EQ(log.text(), "B U{} E") << "an update naming no key stands for any change";
}

TEST_F(Observed, BroadcastEventIsSentAtOnceEvenInsideAnUpdate) {
    object.begin_update();
    object.broadcast_event(77);
    Tek_tuple data;
    tuple_init(&data);
    tuple_resize(&data, 1);
    any_assign_integer(tuple_get(&data, 0), 9);
    object.broadcast_event(78, data);
    tuple_clear(&data);
    EXPECT_EQ(log.text(), "B X77 X78");
    object.end_update();
    EXPECT_EQ(log.text(), "B X77 X78 E") << "nothing was collected, so no update event";
}

TEST_F(Observed, ASubscriberMayStartANewGroupWhileTheCollectedEventIsDelivered) {
    struct Nested {
        static void cb(Tek_table* queue, void* client) {
            auto* o = static_cast<Tek_extensible_obj*>(client);
            if (ek_event_queue_get_update_event(queue, 0) && o->update_depth() == 0) {
                o->begin_update();
                o->end_update();
            }
        }
    };
    ek_event_channel_add_client(object.get_update_event_channel(), &Nested::cb, &object);
    object.begin_update();
    object.broadcast_update_event(1);
    object.end_update();
    ek_event_channel_del_client(object.get_update_event_channel(), &Nested::cb, &object);
    EXPECT_EQ(log.text(), "B U{1} B E E");
    EXPECT_EQ(object.update_depth(), 0u);
}

// --- extras ---------------------------------------------------------------------------------------

TEST(Extras, AMissingExtraIsAddedEmptyAndFoundAgain) {
    Tek_extensible_obj o;
    EXPECT_EQ(table_get_size(o.get_table_extra()), 0u);
    Tek_any* first = o.get_extra("colour");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(any_get_kind(first), EK_ANY_EMPTY);
    EXPECT_EQ(table_get_size(o.get_table_extra()), 1u);
    any_assign_integer(first, 42);
    Tek_any* again = o.get_extra("colour");
    EXPECT_EQ(any_get_integer(again), 42);
    EXPECT_EQ(table_get_size(o.get_table_extra()), 1u) << "the second request finds the same row";
    EXPECT_EQ(any_get_kind(o.get_extra("Colour")), EK_ANY_EMPTY) << "names compare case-sensitively";
    EXPECT_EQ(table_get_size(o.get_table_extra()), 2u);
}

TEST(Extras, SetExtraCopiesTheValueUnderItsName) {
    Tek_extensible_obj o;
    Tek_any value;
    any_init(&value);
    any_assign_string(&value, "red");
    o.set_extra("colour", &value);
    any_assign_string(&value, "blue");  // the object holds its own copy
    EXPECT_STREQ(any_get_string(o.get_extra("colour")), "red");
    o.set_extra("colour", &value);
    EXPECT_STREQ(any_get_string(o.get_extra("colour")), "blue");
    EXPECT_EQ(table_get_size(o.get_table_extra()), 1u);
    any_clear(&value);
}

TEST(Extras, AssignAndEqualCompareTheExtrasTables) {
    Tek_extensible_obj a, b;
    EXPECT_TRUE(a.equal(&b));
    any_assign_double(a.get_extra("x"), 1.5);
    EXPECT_FALSE(a.equal(&b));
    b.assign(&a);
    EXPECT_TRUE(a.equal(&b));
    EXPECT_DOUBLE_EQ(any_get_double(b.get_extra("x")), 1.5);

    Tek_extensible_obj c;
    any_assign_integer(c.get_extra("y"), 2);
    a.set_table_extra(*c.get_table_extra());
    EXPECT_TRUE(a.equal(&c)) << "set_table_extra replaces every extra";
    EXPECT_EQ(any_get_kind(a.get_extra("x")), EK_ANY_EMPTY);

    Tek_basic_obj plain;
    EXPECT_FALSE(a.equal(&plain));
    EXPECT_FALSE(a.equal(nullptr));
    a.assign(&plain);  // not an extensible object: nothing to take
    a.assign(nullptr);
    EXPECT_EQ(any_get_integer(a.get_extra("y")), 2);
}

TEST(Extras, ANullNameIsTheEmptyName) {
    Tek_extensible_obj o;
    any_assign_integer(o.get_extra(nullptr), 4);
    EXPECT_EQ(any_get_integer(o.get_extra("")), 4);
}

// --- re-broadcasting another object's queue ---------------------------------------------------

// Forwards every queue of a source object to a target under the integer key 7 or the string
// key "src".
struct Relay {
    Tek_extensible_obj* target;
    bool byName;
    static void cb(Tek_table* queue, void* client) {
        auto* r = static_cast<Relay*>(client);
        if (r->byName) r->target->broadcast_update_event("src", *queue);
        else r->target->broadcast_update_event(7, *queue);
    }
};

TEST(Rebroadcast, AnIdleTargetPassesEachEventOnUnderTheKey) {
    Tek_extensible_obj source, target;
    EventLog log(target.get_update_event_channel());
    Relay relay{&target, false};
    ek_event_channel_add_client(source.get_update_event_channel(), &Relay::cb, &relay);
    source.begin_update();
    source.broadcast_update_event(1);
    source.broadcast_update_event("a");
    source.end_update();
    EXPECT_EQ(log.text(), "B U{7[1,a]} E");
    ek_event_channel_del_client(source.get_update_event_channel(), &Relay::cb, &relay);
}

TEST(Rebroadcast, ATargetInsideAnUpdateMergesTheQueuesIntoItsPendingEvent) {
    Tek_extensible_obj source, target;
    EventLog log(target.get_update_event_channel());
    Relay relay{&target, true};
    ek_event_channel_add_client(source.get_update_event_channel(), &Relay::cb, &relay);
    target.begin_update();
    target.broadcast_update_event(2);
    source.broadcast_update_event(1);
    source.broadcast_update_event(3);
    source.begin_update();
    source.end_update();  // begin and end only: nothing to merge
    EXPECT_EQ(log.text(), "B");
    target.end_update();
    EXPECT_EQ(log.text(), "B U{2,src[1,3]} E");
    ek_event_channel_del_client(source.get_update_event_channel(), &Relay::cb, &relay);
}

TEST(Rebroadcast, AQueueWithoutUpdateEventsSendsNoUpdate) {
    Tek_extensible_obj source, target;
    EventLog log(target.get_update_event_channel());
    Relay relay{&target, false};
    ek_event_channel_add_client(source.get_update_event_channel(), &Relay::cb, &relay);
    source.broadcast_event(5);
    EXPECT_TRUE(log.events().empty());
    ek_event_channel_del_client(source.get_update_event_channel(), &Relay::cb, &relay);
}

// --- searching a queue ------------------------------------------------------------------------

// Keeps a copy of the last queue delivered on a channel.
struct QueueCopy {
    Tek_table* queue = table_create();
    ~QueueCopy() { table_destroy(queue); }
    static void cb(Tek_table* q, void* client) { table_assign(static_cast<QueueCopy*>(client)->queue, q); }
};

// The queue a subscriber receives for one event.
std::unique_ptr<QueueCopy> queue_of(const Tek_tuple& event) {
    auto copy = std::make_unique<QueueCopy>();
    Tek_event_channel* channel = ek_event_channel_create();
    ek_event_channel_add_client(channel, &QueueCopy::cb, copy.get());
    ek_event_channel_broadcast(channel, &event);
    ek_event_channel_destroy(channel);
    return copy;
}

TEST(FindUpdate, EveryKeyOfTheListMustBeNamed) {
    Tek_tuple event;
    tuple_init(&event);
    ek_update_event_init(&event);
    ek_update_event_add_prop_integer(&event, 5);
    ek_update_event_add_prop_string(&event, "depth");
    auto q = queue_of(event);
    ek_update_event_clear(&event);
    tuple_clear(&event);

    using O = Tek_extensible_obj;
    EXPECT_TRUE(O::find_update(q->queue, O::k_key_integer, 5, O::k_key_end, nullptr));
    EXPECT_TRUE(O::find_update(q->queue, O::k_key_string, "depth", O::k_key_end, nullptr));
    EXPECT_TRUE(O::find_update(q->queue, O::k_key_integer, 5, O::k_key_string, "depth", O::k_key_end, nullptr));
    EXPECT_FALSE(O::find_update(q->queue, O::k_key_integer, 6, O::k_key_end, nullptr));
    EXPECT_FALSE(O::find_update(q->queue, O::k_key_integer, 5, O::k_key_string, "Depth", O::k_key_end, nullptr));
    EXPECT_FALSE(O::find_update(q->queue, O::k_key_end, nullptr)) << "an empty list matches only events without details";

    Tek_any generic;
    any_init(&generic);
    any_assign_integer(&generic, 5);
    EXPECT_TRUE(O::find_update(q->queue, O::k_key_end, &generic, O::k_key_end, nullptr));
    any_assign_integer(&generic, 8);
    EXPECT_FALSE(O::find_update(q->queue, O::k_key_end, &generic, O::k_key_end, nullptr));
    any_clear(&generic);
}

TEST(FindUpdate, AnEventWithoutDetailsMatchesEverySearch) {
    Tek_tuple event;
    tuple_init(&event);
    ek_update_event_init(&event);
    auto q = queue_of(event);
    ek_update_event_clear(&event);
    tuple_clear(&event);
    using O = Tek_extensible_obj;
    EXPECT_TRUE(O::find_update(q->queue, O::k_key_integer, 123, O::k_key_end, nullptr));
    EXPECT_TRUE(O::find_update(q->queue, O::k_key_end, nullptr));
}

TEST(FindUpdate, QueuesWithoutUpdateEventsAndNullQueuesMatchNothing) {
    Tek_tuple event;
    tuple_init(&event);
    ek_begin_update_event_init(&event);
    auto q = queue_of(event);
    ek_begin_update_event_clear(&event);
    tuple_clear(&event);
    using O = Tek_extensible_obj;
    EXPECT_FALSE(O::find_update(q->queue, O::k_key_end, nullptr));
    EXPECT_FALSE(O::find_update(nullptr, O::k_key_integer, 1, O::k_key_end, nullptr));
}

}  // namespace
