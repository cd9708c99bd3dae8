// The observable base object: update events grouped between an outermost begin_update() and its
// end_update(), another object's queue passed on under a key, searching a queue, and extras.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "base/Tek_extensible_obj.h"
#include "base/event_log.h"

namespace {

using ek::test::EventLog;
using O = Tek_extensible_obj;

// Plays a script on an object: b begin (returns the new depth), e end, u change without key,
// k<int> or k<name> change under a key, x<id> plain event, X<id> plain event with data.
void play(O& o, const std::string& script) {
    std::istringstream in(script);
    for (std::string t; in >> t;) {
        const std::string arg = t.substr(1);
        Tek_tuple data;
        const unsigned int next = o.update_depth() + 1;
        if (t == "b") EXPECT_EQ(o.begin_update(), next) << "the new depth";
        else if (t == "e") o.end_update();
        else if (t == "u") o.broadcast_update_event();
        else if (t[0] == 'k' && std::isdigit(arg[0])) o.broadcast_update_event(std::stoi(arg));
        else if (t[0] == 'k') o.broadcast_update_event(arg.c_str());
        else if (t[0] == 'x') o.broadcast_event(std::stoi(arg));
        else tuple_init(&data), tuple_resize(&data, 1), o.broadcast_event(std::stoi(arg), data), tuple_clear(&data);
    }
}

TEST(ExtensibleObj, UpdatesAreGroupedByTheOutermostBracket) {
    struct Row { const char* script; const char* events; unsigned int depth; };
    const Row rows[] = {{"b k5 kdepth k5", "B", 1},  // only the begin-update goes out while open
                        {"b k5 kdepth k5 e", "B U{5,depth} E", 0},  // a key collected twice is named once
                        {"b b k1 e", "B", 1},
                        {"b b k1 e e", "B U{1} E", 0},
                        {"b e", "B E", 0},
                        {"e e", "", 0},
                        {"e e b e", "B E", 0},  // an unbalanced end leaves the next bracket intact
                        {"k3 kname u", "U{3} U{name} U{}", 0},  // outside a bracket: at once, each on its own
                        {"b k3 u e", "B U{} E", 0},  // a change without key stands for any change
                        {"b x77 X78", "B X77 X78", 1},  // plain events go out at once
                        {"b x77 X78 e", "B X77 X78 E", 0}};
    for (const Row& r : rows) {
        O object;
        EventLog log(object.get_update_event_channel());
        play(object, r.script);
        EXPECT_EQ(log.text(), r.events) << r.script;
        EXPECT_EQ(object.update_depth(), r.depth) << r.script;
    }
}

TEST(ExtensibleObj, ASubscriberMayStartANewGroupWhileTheCollectedEventIsDelivered) {
    O object;
    EventLog log(object.get_update_event_channel());
    auto nested = [](Tek_table* queue, void* o) {
        if (ek_event_queue_get_update_event(queue, 0) && !static_cast<O*>(o)->update_depth()) play(*(O*)o, "b e");
    };
    ek_event_channel_add_client(object.get_update_event_channel(), nested, &object);
    play(object, "b k1 e");
    ek_event_channel_del_client(object.get_update_event_channel(), nested, &object);
    EXPECT_EQ(log.text(), "B U{1} B E E");
}

// Forwards every queue of a source to a target under the integer key 7 or the string key "src".
struct Relay {
    O* target;
    bool byName;
    static void cb(Tek_table* queue, void* client) {
        auto* r = static_cast<Relay*>(client);
        r->byName ? r->target->broadcast_update_event("src", *queue) : r->target->broadcast_update_event(7, *queue);
    }
};

TEST(ExtensibleObj, AnotherObjectsQueueIsPassedOnUnderAKey) {
    struct Row { bool byName; const char *target, *source, *targetAfter, *events; };
    const Row rows[] = {{false, "", "b k1 ka e", "", "B U{7[1,a]} E"},  // an idle target sends at once
                        {true, "b k2", "k1 k3 b e", "e", "B U{2,src[1,3]} E"},  // a target inside merges
                        {false, "", "x5", "", ""},  // a queue without update events: no update
                        {true, "", "b e", "", "B E"}};
    for (const Row& r : rows) {
        O source, target;
        EventLog log(target.get_update_event_channel());
        Relay relay{&target, r.byName};
        ek_event_channel_add_client(source.get_update_event_channel(), &Relay::cb, &relay);
        play(target, r.target), play(source, r.source), play(target, r.targetAfter);
        EXPECT_EQ(log.text(), r.events) << r.source;
        ek_event_channel_del_client(source.get_update_event_channel(), &Relay::cb, &relay);
    }
}

TEST(ExtensibleObj, FindUpdateNeedsEveryKeyOfTheList) {
    // The queues a subscriber receives for an update keyed 5 and "depth", for one without
    // details, and for a begin-update.
    Tek_table* queues[3] = {table_create(), table_create(), table_create()};
    for (int k = 0; k < 3; ++k) {
        O o;
        auto keep = [](Tek_table* queue, void* copy) { table_assign(static_cast<Tek_table*>(copy), queue); };
        ek_event_channel_add_client(o.get_update_event_channel(), keep, queues[k]);
        Tek_tuple event;
        k == 2 ? ek_begin_update_event_init(&event) : ek_update_event_init(&event);
        if (k == 0) ek_update_event_add_prop_integer(&event, 5), ek_update_event_add_prop_string(&event, "depth");
        ek_event_channel_broadcast(o.get_update_event_channel(), &event);
        tuple_clear(&event);
    }
    Tek_any five, eight;
    any_init(&five), any_init(&eight), any_assign_integer(&five, 5), any_assign_integer(&eight, 8);
    const int S = O::k_key_string, I = O::k_key_integer, END = O::k_key_end;
    Tek_table *keyed = queues[0], *bare = queues[1];
    const std::tuple<const char*, bool, bool> rows[] = {
        {"integer", O::find_update(keyed, I, 5, END, nullptr), true},
        {"string", O::find_update(keyed, S, "depth", END, nullptr), true},
        {"both", O::find_update(keyed, I, 5, S, "depth", END, nullptr), true},
        {"other integer", O::find_update(keyed, I, 6, END, nullptr), false},
        {"second of two missing", O::find_update(keyed, I, 5, S, "Depth", END, nullptr), false},
        {"first of two missing", O::find_update(keyed, S, "x", I, 5, END, nullptr), false},
        {"empty list", O::find_update(keyed, END, nullptr), false},
        {"generic key", O::find_update(keyed, END, &five, END, nullptr), true},
        {"other generic key", O::find_update(keyed, END, &eight, END, nullptr), false},
        {"no details, a key", O::find_update(bare, I, 123, END, nullptr), true},
        {"no details, empty list", O::find_update(bare, END, nullptr), true},
        {"no update event", O::find_update(queues[2], END, nullptr), false},
        {"null queue", O::find_update(nullptr, I, 1, END, nullptr), false}};
    for (const auto& [name, found, expected] : rows) EXPECT_EQ(found, expected) << name;
    any_clear(&five), any_clear(&eight);
    for (Tek_table* q : queues) table_destroy(q);
}

TEST(ExtensibleObj, ExtrasByName) {
    O a, b, c;
    EXPECT_EQ(any_get_kind(a.get_extra("colour")), EK_ANY_EMPTY) << "a missing extra is added empty";
    any_assign_integer(a.get_extra("colour"), 42);
    EXPECT_EQ(any_get_integer(a.get_extra("colour")), 42) << "and found again";
    EXPECT_EQ(any_get_kind(a.get_extra("Colour")), EK_ANY_EMPTY) << "names compare case-sensitively";
    any_assign_integer(a.get_extra(nullptr), 4);
    EXPECT_EQ(any_get_integer(a.get_extra("")), 4) << "a null name is the empty name";
    EXPECT_EQ(table_get_size(a.get_table_extra()), 3u);
    Tek_any value;
    any_init(&value), any_assign_string(&value, "red"), b.set_extra("colour", &value);
    any_assign_string(&value, "blue");
    EXPECT_STREQ(any_get_string(b.get_extra("colour")), "red") << "the object keeps its own copy";
    b.set_extra("colour", &value), any_clear(&value);
    EXPECT_STREQ(any_get_string(b.get_extra("colour")), "blue");
    EXPECT_EQ(table_get_size(b.get_table_extra()), 1u);
    EXPECT_FALSE(a.equal(&b));
    b.assign(&a);
    EXPECT_TRUE(a.equal(&b) && any_get_integer(b.get_extra("colour")) == 42);
    any_assign_double(c.get_extra("y"), 2.5);
    a.set_table_extra(*c.get_table_extra());
    EXPECT_TRUE(a.equal(&c)) << "set_table_extra replaces every extra";
    Tek_basic_obj plain;
    EXPECT_FALSE(a.equal(&plain) || a.equal(nullptr));
    a.assign(&plain), a.assign(nullptr);  // nothing to take
    EXPECT_EQ(any_get_double(a.get_extra("y")), 2.5);
}

}  // namespace
