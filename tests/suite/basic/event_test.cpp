// Update events and their property lists, event queues, and channels whose clients change the
// channel while an event is being delivered.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "ekx_basic.h"

namespace {

struct Tuple {
    Tek_tuple t;
    Tuple() { tuple_init(&t); }
    ~Tuple() { tuple_clear(&t); }
};

// The keys of a list as text: integers as digits, strings quoted, a nested list in brackets.
std::string dump(const Tek_update_prop_list* list) {
    std::string out;
    for (size_t i = 0; i < ek_update_event_prop_list_get_size(list); ++i) {
        const Tek_any* key = ek_update_event_prop_list_get_key(list, i);
        out += i ? "," : "";
        if (any_get_kind(key) == EK_ANY_INTEGER) out += std::to_string(any_get_integer(key));
        else out.append("'").append(any_get_string(key) ? any_get_string(key) : "?").append("'");
        if (const Tek_update_prop_list* nested = ek_update_event_prop_list_get_nested(list, i)) out.append("[").append(dump(nested)).append("]");
    }
    return out;
}

// "7" is an integer key, "s" a text key; with details (or aggregate set) the key is aggregated.
void add(Tek_tuple* list, const std::string& key, const Tek_tuple* details = nullptr, bool aggregate = false) {
    const bool integer = isdigit(key[0]);
    if (!aggregate && !details)
        integer ? ek_update_event_prop_list_add_integer(list, std::stoi(key)) : ek_update_event_prop_list_add_string(list, key.c_str());
    else
        integer ? ek_update_event_prop_list_aggr_integer(list, std::stoi(key), details)
                : ek_update_event_prop_list_aggr_string(list, key.c_str(), details);
}

// Only update events carry a property list; keys are added once and are case-sensitive. A queue's
// getters answer only for events of their kind.
TEST(UpdateEvent, IdsPropertyListsAndQueues) {
    Tek_table* q = table_create();
    table_resize(q, 4);
    Tek_tuple *b = table_get_row(q, 0), *u = table_get_row(q, 1), *e = table_get_row(q, 2), *plain = table_get_row(q, 3);
    Tuple d;
    ek_update_event_init(u), ek_begin_update_event_init(b), ek_end_update_event_init(e);
    EXPECT_TRUE(ek_event_get_id(u) == EK_UPDATE_EVENT_ID && ek_event_get_id(b) == EK_BEGIN_UPDATE_EVENT_ID);
    EXPECT_TRUE(ek_event_get_id(e) == EK_END_UPDATE_EVENT_ID && !ek_event_get_id(plain) && !ek_event_get_id(nullptr));
    EXPECT_EQ(ek_update_event_get_details(u), nullptr);
    ek_update_event_add_prop_integer(u, 5);
    for (const char* key : {"Depth", "Depth", "depth"}) ek_update_event_add_prop_string(u, key);
    ek_update_event_add_prop_integer(u, 5), add(&d.t, "4");
    ek_update_event_aggr_prop_integer(u, 1, &d.t), ek_update_event_aggr_prop_string(u, "k", nullptr);
    EXPECT_EQ(dump(ek_update_event_get_details(u)), "5,'Depth','depth',1[4],'k'");
    ek_update_event_init_details(u), ek_update_event_add_prop_string(u, nullptr), ek_update_event_aggr_prop_string(u, nullptr, &d.t);
    EXPECT_EQ(ek_update_event_prop_list_get_size(ek_update_event_get_details(u)), 0u);
    for (Tek_tuple* other : {b, plain}) {
        ek_update_event_init_details(other), ek_update_event_add_prop_integer(other, 3);
        ek_update_event_add_prop_string(other, "x"), ek_update_event_aggr_prop_string(other, "x", nullptr);
        EXPECT_TRUE(!ek_update_event_get_details(other) && tuple_get_size(other) == (other == b ? 2u : 0u));
    }
    tuple_resize(plain, 2), any_assign_integer(tuple_get(plain, 0), 99);
    EXPECT_TRUE(ek_event_queue_get_size(q) == 4 && ek_event_get_id(plain) == 99);
    for (size_t i = 0; i < 5; ++i) {
        Tek_tuple* row = table_get_row(q, i);
        EXPECT_TRUE(ek_event_queue_get_begin_update_event(q, i) == (i == 0 ? row : nullptr) && ek_event_queue_get_event(q, i) == row) << i;
        EXPECT_EQ(ek_event_queue_get_update_event(q, i), i == 1 ? row : nullptr) << i;
        EXPECT_EQ(ek_event_queue_get_end_update_event(q, i), i == 2 ? row : nullptr) << i;
    }
    ek_update_event_clear(u), ek_begin_update_event_clear(b), ek_end_update_event_clear(e);
    EXPECT_EQ(tuple_get_size(u) + tuple_get_size(b) + tuple_get_size(e), 0u);
    table_destroy(q);
    ek_update_event_init(nullptr), ek_update_event_clear(nullptr), ek_update_event_init_details(nullptr);
    ek_update_event_add_prop_integer(nullptr, 1), ek_update_event_add_prop_string(nullptr, "x");
    ek_update_event_aggr_prop_integer(nullptr, 1, nullptr), ek_update_event_aggr_prop_string(nullptr, "x", nullptr);
    ek_begin_update_event_init(nullptr), ek_begin_update_event_clear(nullptr), ek_end_update_event_init(nullptr), ek_end_update_event_clear(nullptr);
    EXPECT_TRUE(!ek_update_event_get_details(nullptr) && !ek_event_queue_get_size(nullptr) && !ek_event_queue_get_event(nullptr, 0));
    EXPECT_TRUE(!ek_event_queue_get_update_event(nullptr, 0) && !ek_event_queue_get_begin_update_event(nullptr, 0) &&
                !ek_event_queue_get_end_update_event(nullptr, 0));
}

// A list that names no key (empty, malformed, or none at all) stands for "anything may have changed".
// Aggregating merges the keys of the details into the key's nested list, at every depth. A key without
// a nested list is the whole key: it stays whole, and merged with "anything" a key becomes whole.
TEST(PropList, FindAndAggregate) {
    Tuple list, empty, malformed, target;
    add(&list.t, "5"), add(&list.t, "Name"), tuple_resize(&malformed.t, 2);
    any_assign_integer(tuple_get(&malformed.t, 0), 5);       // not an entry
    any_assign_tuple(tuple_get(&malformed.t, 1), &empty.t);  // an entry without a key
    EXPECT_TRUE(!ek_update_event_prop_list_get_key(&malformed.t, 0) && !ek_update_event_prop_list_get_key(&malformed.t, 1));
    Tek_any i5, name, d5;
    any_init(&i5), any_init(&name), any_init(&d5), any_assign_integer(&i5, 5), any_assign_string(&name, "Name"), any_assign_double(&d5, 5.0);
    EXPECT_TRUE(ek_update_event_prop_list_find_integer(&list.t, 5) && ek_update_event_prop_list_find_string(&list.t, "Name") &&
                ek_update_event_prop_list_find(&list.t, &i5) && ek_update_event_prop_list_find(&list.t, &name));
    EXPECT_FALSE(ek_update_event_prop_list_find_integer(&list.t, 6) || ek_update_event_prop_list_find_string(&list.t, "name") ||
                 ek_update_event_prop_list_find_string(&list.t, "5") /* a text key is not the integer */ ||
                 ek_update_event_prop_list_find(&list.t, &d5) || ek_update_event_prop_list_find(&list.t, nullptr));
    for (const Tek_tuple* l : {&empty.t, &malformed.t, static_cast<Tek_tuple*>(nullptr)})
        EXPECT_TRUE(ek_update_event_prop_list_find_integer(l, 6) && ek_update_event_prop_list_find(l, &d5) &&
                    !ek_update_event_prop_list_find(l, nullptr) && !ek_update_event_prop_list_find_string(l, nullptr));
    any_clear(&name), add(&malformed.t, "5");  // a key added to it is found, and it stops standing for anything
    EXPECT_TRUE(any_get_integer(ek_update_event_prop_list_get_key(&malformed.t, 2)) == 5 &&
                !ek_update_event_prop_list_find_integer(&malformed.t, 6));
    add(&target.t, "1", &malformed.t);  // its bad entries are skipped
    ek_update_event_prop_list_add_integer(nullptr, 1), ek_update_event_prop_list_add_string(nullptr, "x");
    ek_update_event_prop_list_add_string(&target.t, nullptr), ek_update_event_prop_list_aggr_integer(nullptr, 1, &list.t);
    ek_update_event_prop_list_aggr_string(nullptr, "x", &list.t), ek_update_event_prop_list_aggr_string(&target.t, nullptr, nullptr);
    EXPECT_TRUE(dump(&target.t) == "1[5]" && !ek_update_event_prop_list_get_size(nullptr));
    EXPECT_TRUE(!ek_update_event_prop_list_get_key(nullptr, 0) && !ek_update_event_prop_list_get_nested(nullptr, 0) &&
                !ek_update_event_prop_list_get_key(&target.t, 1) && !ek_update_event_prop_list_get_nested(&list.t, 0));

    Tuple a, b, one, nothing, inner1, inner2, mid1, mid2, merged, deep, self;
    add(&a.t, "Caption"), add(&a.t, "1"), add(&b.t, "1"), add(&b.t, "2"), add(&one.t, "1");
    add(&inner1.t, "100"), add(&inner2.t, "200"), add(&mid1.t, "p", &inner1.t), add(&mid2.t, "p", &inner2.t), add(&mid2.t, "q");
    add(&merged.t, "7", &a.t), add(&merged.t, "7", &b.t), add(&merged.t, "doc", &b.t);
    add(&merged.t, "8", nullptr, true), add(&merged.t, "8", &one.t);  // whole, stays whole
    add(&merged.t, "s"), add(&merged.t, "s", &one.t);                 // added plainly: whole
    add(&merged.t, "9", &one.t), add(&merged.t, "9", &nothing.t);     // becomes whole
    add(&merged.t, "10", &one.t), add(&merged.t, "10");               // a plain add keeps the list
    EXPECT_EQ(dump(&merged.t), "7['Caption',1,2],'doc'[1,2],8,'s',9,10[1]");
    add(&b.t, "3");  // the details were copied, not shared
    EXPECT_EQ(dump(ek_update_event_prop_list_get_nested(&merged.t, 1)), "1,2");
    EXPECT_FALSE(ek_update_event_prop_list_find_integer(&merged.t, 2));  // find looks at the top level only
    add(&deep.t, "1", &mid1.t), add(&deep.t, "1", &mid2.t);
    EXPECT_EQ(dump(&deep.t), "1['p'[100,200],'q']");
    add(&self.t, "1"), add(&self.t, "2", &self.t), add(&self.t, "2", ek_update_event_prop_list_get_nested(&self.t, 1));
    EXPECT_EQ(dump(&self.t), "1,2[1]");  // a list aggregated into itself
}

// A channel with clients a, b and c (added in that order) that log "<name><event id>" for every event
// they receive, and then react as the test says.
struct Harness {
    struct Client { Harness* h; char name; std::function<void(Harness&)> react; };
    Tek_event_channel* ch = ek_event_channel_create();
    std::string log;
    Tek_table* queue = nullptr;  // the queue of the client being called
    Client a{this, 'a', {}}, b{this, 'b', {}}, c{this, 'c', {}}, late{this, 'l', {}};
    ~Harness() { ek_event_channel_destroy(ch); }
    static void on_event(Tek_table* queue, void* p) {
        Client* c = static_cast<Client*>(p);
        for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i)
            (c->h->log += c->h->log.empty() ? "" : " ") += c->name + std::to_string(ek_event_get_id(ek_event_queue_get_event(queue, i)));
        c->h->queue = queue;
        if (c->react) c->react(*c->h);
    }
    void add(Client& c) { ek_event_channel_add_client(ch, on_event, &c); }
    void del(Client& c) { ek_event_channel_del_client(ch, on_event, &c); }
    void broadcast(int id) {
        Tuple e;
        tuple_resize(&e.t, 2), any_assign_integer(tuple_get(&e.t, 0), id), ek_event_channel_broadcast(ch, &e.t);
    }
};

// Delivery is synchronous and in the order clients were added; a client removed during a broadcast
// is not called after its removal, one added during it not for that broadcast.
TEST(Channel, ClientsChangingTheChannelDuringDelivery) {
    using React = std::function<void(Harness&)>;
    const struct { const char* name; React a, b; const char* log; } rows[] = {
        {"nobody reacts", {}, {}, "a1 b1 c1 a2 b2 c2"},
        {"a removes itself", [](Harness& h) { h.del(h.a); }, {}, "a1 b1 c1 b2 c2"},
        {"a removes b", [](Harness& h) { h.del(h.b); }, {}, "a1 c1 a2 c2"},
        {"b removes a", {}, [](Harness& h) { h.del(h.a); }, "a1 b1 c1 b2 c2"},
        {"a adds a client", [](Harness& h) { h.add(h.late); }, {}, "a1 b1 c1 a2 b2 c2 l2"},
        {"a removes and adds b again", [](Harness& h) { h.del(h.b), h.add(h.b); }, {}, "a1 c1 a2 c2"},
        {"a broadcasts once", [](Harness& h) { if (h.log == "a1") h.broadcast(3); }, {}, "a1 a3 b3 c3 b1 c1 a2 b2 c2"},
        {"a removes everyone", [](Harness& h) { ek_event_channel_del_client(h.ch, nullptr, nullptr); }, {}, "a1"},
        {"a destroys the channel", [](Harness& h) { ek_event_channel_destroy(h.ch), h.ch = nullptr; }, {}, "a1"},
        {"a throws", [](Harness&) { throw std::runtime_error("host failure"); }, {}, "a1 b1 c1 a2 b2 c2"},
    };
    for (const auto& r : rows) {
        Harness h;
        h.a.react = r.a, h.b.react = r.b;
        h.add(h.a), h.add(h.b), h.add(h.c), h.broadcast(1), h.broadcast(2);
        EXPECT_EQ(h.log, r.log) << r.name;
    }
}

// Every client gets its own queue holding a copy of the event as broadcast, whatever the clients do to
// their queues or to the broadcaster's event.
TEST(Channel, RegistrationFreshQueuesAndBadInput) {
    Harness h;
    h.add(h.a), h.add(h.b), h.add(h.a);                // a pair is registered once
    ek_event_channel_add_client(h.ch, nullptr, &h.c);  // no callback: no client
    ek_event_channel_del_client(h.ch, nullptr, &h.b);  // removal is by the pair
    EXPECT_EQ(ek_event_channel_get_client_count(h.ch), 2u);
    Tuple original, empty;
    tuple_resize(&original.t, 2), any_assign_integer(tuple_get(&original.t, 1), 42);
    int round = 0;
    std::string b_saw;
    h.a.react = [&](Harness& h) {  // spoils its own queue, and in the second round the broadcaster's event
        EXPECT_NE(ek_event_queue_get_event(h.queue, 0), &original.t);
        any_assign_integer(tuple_get(ek_event_queue_get_event(h.queue, 0), 1), -1), table_resize(h.queue, 3);
        if (++round == 2) tuple_clear(&original.t);
    };
    h.b.react = [&](Harness& h) {
        b_saw += std::to_string(ek_event_queue_get_size(h.queue)) + "x" +
                 std::to_string(any_get_integer(tuple_get(ek_event_queue_get_event(h.queue, 0), 1))) + " ";
    };
    ek_event_channel_broadcast(h.ch, &original.t);
    EXPECT_EQ(any_get_integer(tuple_get(&original.t, 1)), 42);
    ek_event_channel_broadcast(h.ch, &original.t);
    EXPECT_EQ(b_saw, "1x42 1x42 ");
    h.a.react = h.b.react = {};
    ek_event_channel_broadcast(h.ch, nullptr);   // no event: nothing delivered
    ek_event_channel_broadcast(h.ch, &empty.t);  // an empty tuple is an event all the same
    EXPECT_EQ(h.log, "a0 b0 a0 b0 a0 b0");
    ek_event_channel_destroy(nullptr), ek_event_channel_add_client(nullptr, Harness::on_event, &h.a);
    ek_event_channel_del_client(nullptr, nullptr, nullptr), ek_event_channel_broadcast(nullptr, &empty.t);
    EXPECT_EQ(ek_event_channel_get_client_count(nullptr), 0u);
}

}  // namespace
