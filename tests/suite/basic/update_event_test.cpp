// Update events and their property lists: adding, aggregation, find, and queue readers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ekx_basic.h"

namespace {

struct UpdateEvent {
    Tek_tuple t;
    UpdateEvent() { ek_update_event_init(&t); }
    ~UpdateEvent() { ek_update_event_clear(&t); }
};

struct List {
    Tek_tuple t;
    List() { tuple_init(&t); }
    ~List() { tuple_clear(&t); }
};

// The keys of a list as text: integers as digits, strings quoted; a nested list in brackets,
// so that whole structures can be compared in one expectation.
std::string dump(const Tek_update_prop_list* list) {
    std::string out;
    for (size_t i = 0; i < ek_update_event_prop_list_get_size(list); ++i) {
        const Tek_any* key = ek_update_event_prop_list_get_key(list, i);
        if (!out.empty()) out += ",";
        if (any_get_kind(key) == EK_ANY_INTEGER) out += std::to_string(any_get_integer(key));
        else if (any_get_kind(key) == EK_ANY_STRING) out.append("'").append(any_get_string(key)).append("'");
        else out += "?";
        if (const Tek_update_prop_list* nested = ek_update_event_prop_list_get_nested(list, i))
            out.append("[").append(dump(nested)).append("]");
    }
    return out;
}

TEST(UpdateEvent, InitMakesAnUpdateEventWithoutPropertyList) {
    UpdateEvent e;
    EXPECT_EQ(ek_event_get_id(&e.t), EK_UPDATE_EVENT_ID);
    EXPECT_EQ(ek_update_event_get_details(&e.t), nullptr);
    ek_update_event_init_details(&e.t);
    Tek_update_prop_list* details = ek_update_event_get_details(&e.t);
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(ek_update_event_prop_list_get_size(details), 0u);
}

TEST(UpdateEvent, BeginAndEndEventsCarryTheirIds) {
    Tek_tuple b, e;
    ek_begin_update_event_init(&b);
    ek_end_update_event_init(&e);
    EXPECT_EQ(ek_event_get_id(&b), EK_BEGIN_UPDATE_EVENT_ID);
    EXPECT_EQ(ek_event_get_id(&e), EK_END_UPDATE_EVENT_ID);
    EXPECT_EQ(ek_update_event_get_details(&b), nullptr);
    // Property functions only act on update events.
    ek_update_event_init_details(&b);
    ek_update_event_add_prop_integer(&b, 3);
    ek_update_event_aggr_prop_string(&b, "x", nullptr);
    EXPECT_EQ(ek_update_event_get_details(&b), nullptr);
    EXPECT_EQ(tuple_get_size(&b), 2u);
    ek_begin_update_event_clear(&b);
    ek_end_update_event_clear(&e);
    EXPECT_EQ(tuple_get_size(&b), 0u);
    EXPECT_EQ(tuple_get_size(&e), 0u);
}

TEST(UpdateEvent, AddingKeysCreatesTheListAndKeepsEachKeyOnce) {
    UpdateEvent e;
    ek_update_event_add_prop_integer(&e.t, 5);
    ek_update_event_add_prop_string(&e.t, "Depth");
    ek_update_event_add_prop_integer(&e.t, 5);
    ek_update_event_add_prop_string(&e.t, "Depth");
    ek_update_event_add_prop_string(&e.t, "depth");  // keys are case-sensitive
    EXPECT_EQ(dump(ek_update_event_get_details(&e.t)), "5,'Depth','depth'");
}

TEST(UpdateEvent, InitDetailsResetsTheList) {
    UpdateEvent e;
    ek_update_event_add_prop_integer(&e.t, 1);
    ek_update_event_init_details(&e.t);
    EXPECT_EQ(ek_update_event_prop_list_get_size(ek_update_event_get_details(&e.t)), 0u);
}

TEST(PropList, FindAnswersForNamedKeysOnly) {
    List l;
    ek_update_event_prop_list_add_integer(&l.t, 5);
    ek_update_event_prop_list_add_string(&l.t, "Name");
    EXPECT_TRUE(ek_update_event_prop_list_find_integer(&l.t, 5));
    EXPECT_FALSE(ek_update_event_prop_list_find_integer(&l.t, 6));
    EXPECT_TRUE(ek_update_event_prop_list_find_string(&l.t, "Name"));
    EXPECT_FALSE(ek_update_event_prop_list_find_string(&l.t, "name"));
    EXPECT_FALSE(ek_update_event_prop_list_find_string(&l.t, "5"));  // a text key is not the integer
    Tek_any key;
    any_init(&key);
    any_assign_integer(&key, 5);
    EXPECT_TRUE(ek_update_event_prop_list_find(&l.t, &key));
    any_assign_string(&key, "Name");
    EXPECT_TRUE(ek_update_event_prop_list_find(&l.t, &key));
    any_assign_double(&key, 5.0);
    EXPECT_FALSE(ek_update_event_prop_list_find(&l.t, &key));
    any_clear(&key);
}

TEST(PropList, AListNamingNoKeyOrNoListAtAllMatchesEverything) {
    List empty;
    EXPECT_TRUE(ek_update_event_prop_list_find_integer(&empty.t, 1));
    EXPECT_TRUE(ek_update_event_prop_list_find_string(&empty.t, "x"));
    Tek_any key;
    any_init(&key);
    any_assign_integer(&key, 1);
    EXPECT_TRUE(ek_update_event_prop_list_find(&empty.t, &key));
    // An update event without a list: its (missing) list matches too.
    UpdateEvent e;
    EXPECT_TRUE(ek_update_event_prop_list_find_integer(ek_update_event_get_details(&e.t), 1));
    EXPECT_TRUE(ek_update_event_prop_list_find(nullptr, &key));
    // A missing key is no key.
    EXPECT_FALSE(ek_update_event_prop_list_find(&empty.t, nullptr));
    EXPECT_FALSE(ek_update_event_prop_list_find_string(&empty.t, nullptr));
    any_clear(&key);
}

TEST(PropList, AggregationMergesNestedKeys) {
    List a, b, list;
    ek_update_event_prop_list_add_string(&a.t, "Caption");
    ek_update_event_prop_list_add_integer(&a.t, 1);
    ek_update_event_prop_list_add_integer(&b.t, 1);
    ek_update_event_prop_list_add_integer(&b.t, 2);
    ek_update_event_prop_list_aggr_integer(&list.t, 7, &a.t);
    EXPECT_EQ(dump(&list.t), "7['Caption',1]");
    ek_update_event_prop_list_aggr_integer(&list.t, 7, &b.t);
    EXPECT_EQ(dump(&list.t), "7['Caption',1,2]");
    ek_update_event_prop_list_aggr_string(&list.t, "doc", &b.t);
    EXPECT_EQ(dump(&list.t), "7['Caption',1,2],'doc'[1,2]");
    // The details were copied, not shared.
    ek_update_event_prop_list_add_integer(&b.t, 3);
    EXPECT_EQ(dump(&list.t), "7['Caption',1,2],'doc'[1,2]");
    EXPECT_TRUE(ek_update_event_prop_list_find_integer(&list.t, 7));
    EXPECT_FALSE(ek_update_event_prop_list_find_integer(&list.t, 1));  // find looks at the top level
}

TEST(PropList, AggregationMergesAtEveryDepth) {
    List inner, mid, list;
    ek_update_event_prop_list_add_integer(&inner.t, 100);
    ek_update_event_prop_list_aggr_string(&mid.t, "p", &inner.t);
    ek_update_event_prop_list_aggr_integer(&list.t, 1, &mid.t);
    List inner2, mid2;
    ek_update_event_prop_list_add_integer(&inner2.t, 200);
    ek_update_event_prop_list_aggr_string(&mid2.t, "p", &inner2.t);
    ek_update_event_prop_list_add_string(&mid2.t, "q");
    ek_update_event_prop_list_aggr_integer(&list.t, 1, &mid2.t);
    EXPECT_EQ(dump(&list.t), "1['p'[100,200],'q']");
}

TEST(PropList, AKeyChangedAsAWholeStaysWhole) {
    List list, details, nothing;
    ek_update_event_prop_list_add_integer(&details.t, 1);
    // Aggregated with "anything" (no list, or a list naming no key): the whole key.
    ek_update_event_prop_list_aggr_integer(&list.t, 7, nullptr);
    ek_update_event_prop_list_aggr_integer(&list.t, 8, &nothing.t);
    EXPECT_EQ(dump(&list.t), "7,8");
    // Narrower details do not narrow a whole key again.
    ek_update_event_prop_list_aggr_integer(&list.t, 7, &details.t);
    EXPECT_EQ(dump(&list.t), "7,8");
    // A key first added plainly is whole too.
    ek_update_event_prop_list_add_string(&list.t, "s");
    ek_update_event_prop_list_aggr_string(&list.t, "s", &details.t);
    EXPECT_EQ(dump(&list.t), "7,8,'s'");
    // And a narrow key widened by "anything" becomes whole.
    ek_update_event_prop_list_aggr_integer(&list.t, 9, &details.t);
    EXPECT_EQ(dump(&list.t), "7,8,'s',9[1]");
    ek_update_event_prop_list_aggr_integer(&list.t, 9, nullptr);
    EXPECT_EQ(dump(&list.t), "7,8,'s',9");
    // Adding a present key changes nothing, even when it has a nested list.
    ek_update_event_prop_list_aggr_integer(&list.t, 10, &details.t);
    ek_update_event_prop_list_add_integer(&list.t, 10);
    EXPECT_EQ(dump(&list.t), "7,8,'s',9,10[1]");
}

TEST(PropList, AggregatingAListIntoItselfIsSafe) {
    List list;
    ek_update_event_prop_list_add_integer(&list.t, 1);
    ek_update_event_prop_list_aggr_integer(&list.t, 2, &list.t);
    EXPECT_EQ(dump(&list.t), "1,2[1]");
    ek_update_event_prop_list_aggr_integer(&list.t, 2, ek_update_event_prop_list_get_nested(&list.t, 1));
    EXPECT_EQ(dump(&list.t), "1,2[1]");
}

TEST(PropList, EventLevelAggregationGoesIntoTheEventsList) {
    UpdateEvent e;
    List d;
    ek_update_event_prop_list_add_integer(&d.t, 4);
    ek_update_event_aggr_prop_integer(&e.t, 1, &d.t);
    ek_update_event_aggr_prop_string(&e.t, "k", nullptr);
    EXPECT_EQ(dump(ek_update_event_get_details(&e.t)), "1[4],'k'");
}

TEST(PropList, MalformedEntriesAreSkipped) {
    // A hand-made list whose entries are not (key, nested) pairs.
    List list;
    tuple_resize(&list.t, 2);
    any_assign_integer(tuple_get(&list.t, 0), 5);  // not a tuple entry
    Tek_tuple empty_entry;
    tuple_init(&empty_entry);
    any_assign_tuple(tuple_get(&list.t, 1), &empty_entry);  // an entry without a key
    EXPECT_EQ(ek_update_event_prop_list_get_key(&list.t, 0), nullptr);
    EXPECT_EQ(ek_update_event_prop_list_get_key(&list.t, 1), nullptr);
    EXPECT_EQ(ek_update_event_prop_list_get_nested(&list.t, 0), nullptr);
    // It names no key, so it stands for anything.
    EXPECT_TRUE(ek_update_event_prop_list_find_integer(&list.t, 5));
    ek_update_event_prop_list_add_integer(&list.t, 5);
    EXPECT_FALSE(ek_update_event_prop_list_find_integer(&list.t, 6));
    EXPECT_EQ(any_get_integer(ek_update_event_prop_list_get_key(&list.t, 2)), 5);
    List target;
    ek_update_event_prop_list_aggr_integer(&target.t, 1, &list.t);
    EXPECT_EQ(dump(&target.t), "1[5]");
}

TEST(PropList, BadInputDoesNothing) {
    List l;
    ek_update_event_prop_list_add_integer(nullptr, 1);
    ek_update_event_prop_list_add_string(nullptr, "x");
    ek_update_event_prop_list_add_string(&l.t, nullptr);
    ek_update_event_prop_list_aggr_integer(nullptr, 1, &l.t);
    ek_update_event_prop_list_aggr_string(nullptr, "x", &l.t);
    ek_update_event_prop_list_aggr_string(&l.t, nullptr, nullptr);
    EXPECT_EQ(ek_update_event_prop_list_get_size(&l.t), 0u);
    EXPECT_EQ(ek_update_event_prop_list_get_size(nullptr), 0u);
    EXPECT_EQ(ek_update_event_prop_list_get_key(nullptr, 0), nullptr);
    EXPECT_EQ(ek_update_event_prop_list_get_nested(nullptr, 0), nullptr);
    ek_update_event_prop_list_add_integer(&l.t, 1);
    EXPECT_EQ(ek_update_event_prop_list_get_key(&l.t, 1), nullptr);
    EXPECT_EQ(ek_update_event_prop_list_get_nested(&l.t, 0), nullptr);

    ek_update_event_init(nullptr);
    ek_update_event_clear(nullptr);
    ek_update_event_init_details(nullptr);
    EXPECT_EQ(ek_update_event_get_details(nullptr), nullptr);
    ek_update_event_add_prop_integer(nullptr, 1);
    ek_update_event_add_prop_string(nullptr, "x");
    ek_update_event_aggr_prop_integer(nullptr, 1, nullptr);
    ek_update_event_aggr_prop_string(nullptr, "x", nullptr);
    UpdateEvent e;
    ek_update_event_add_prop_string(&e.t, nullptr);
    ek_update_event_aggr_prop_string(&e.t, nullptr, &l.t);
    EXPECT_EQ(ek_update_event_get_details(&e.t), nullptr);
    ek_begin_update_event_init(nullptr);
    ek_begin_update_event_clear(nullptr);
    ek_end_update_event_init(nullptr);
    ek_end_update_event_clear(nullptr);
    EXPECT_EQ(ek_event_get_id(nullptr), 0);
    // A plain tuple is no update event.
    List plain;
    ek_update_event_add_prop_integer(&plain.t, 1);
    EXPECT_EQ(tuple_get_size(&plain.t), 0u);
    EXPECT_EQ(ek_update_event_get_details(&plain.t), nullptr);
    EXPECT_EQ(ek_event_get_id(&plain.t), 0);
}

TEST(EventQueue, GettersAnswerOnlyForTheirKind) {
    Tek_table* q = table_create();
    table_resize(q, 4);
    ek_begin_update_event_init(table_get_row(q, 0));
    ek_update_event_init(table_get_row(q, 1));
    ek_end_update_event_init(table_get_row(q, 2));
    Tek_tuple* other = table_get_row(q, 3);
    tuple_resize(other, 2);
    any_assign_integer(tuple_get(other, 0), 99);

    EXPECT_EQ(ek_event_queue_get_size(q), 4u);
    EXPECT_EQ(ek_event_queue_get_begin_update_event(q, 0), table_get_row(q, 0));
    EXPECT_EQ(ek_event_queue_get_update_event(q, 0), nullptr);
    EXPECT_EQ(ek_event_queue_get_end_update_event(q, 0), nullptr);
    EXPECT_EQ(ek_event_queue_get_update_event(q, 1), table_get_row(q, 1));
    EXPECT_EQ(ek_event_queue_get_begin_update_event(q, 1), nullptr);
    EXPECT_EQ(ek_event_queue_get_end_update_event(q, 2), table_get_row(q, 2));
    EXPECT_EQ(ek_event_queue_get_update_event(q, 3), nullptr);
    EXPECT_EQ(ek_event_queue_get_event(q, 3), other);
    EXPECT_EQ(ek_event_get_id(other), 99);
    EXPECT_EQ(ek_event_queue_get_event(q, 4), nullptr);
    EXPECT_EQ(ek_event_queue_get_update_event(q, 4), nullptr);

    EXPECT_EQ(ek_event_queue_get_size(nullptr), 0u);
    EXPECT_EQ(ek_event_queue_get_event(nullptr, 0), nullptr);
    EXPECT_EQ(ek_event_queue_get_update_event(nullptr, 0), nullptr);
    EXPECT_EQ(ek_event_queue_get_begin_update_event(nullptr, 0), nullptr);
    EXPECT_EQ(ek_event_queue_get_end_update_event(nullptr, 0), nullptr);
    table_destroy(q);
}

// What an observer does: receive an update event through a channel and search its list.
struct Observed {
    int updates = 0;
    bool depth = false, caption = false, other = false;
};

void observe(Tek_table* queue, void* context) {
    Observed* o = static_cast<Observed*>(context);
    for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i) {
        Tek_tuple* u = ek_event_queue_get_update_event(queue, i);
        if (!u) continue;
        ++o->updates;
        const Tek_update_prop_list* d = ek_update_event_get_details(u);
        o->depth = ek_update_event_prop_list_find_integer(d, 5);
        o->caption = ek_update_event_prop_list_find_string(d, "Caption");
        o->other = ek_update_event_prop_list_find_integer(d, 6);
    }
}

TEST(EventQueue, AnUpdateEventSurvivesTheTripThroughAChannel) {
    Tek_event_channel* ch = ek_event_channel_create();
    Observed seen;
    ek_event_channel_add_client(ch, observe, &seen);
    UpdateEvent e;
    ek_update_event_init_details(&e.t);
    ek_update_event_prop_list_add_integer(ek_update_event_get_details(&e.t), 5);
    ek_update_event_add_prop_string(&e.t, "Caption");
    ek_event_channel_broadcast(ch, &e.t);
    EXPECT_EQ(seen.updates, 1);
    EXPECT_TRUE(seen.depth);
    EXPECT_TRUE(seen.caption);
    EXPECT_FALSE(seen.other);
    // An update without a list tells observers that anything may have changed.
    UpdateEvent anything;
    ek_event_channel_broadcast(ch, &anything.t);
    EXPECT_EQ(seen.updates, 2);
    EXPECT_TRUE(seen.other);
    ek_event_channel_destroy(ch);
}

}  // namespace
