// The observable base object: update events grouped between an outermost begin_update() and its
// end_update(), another object's queue passed on under a key, searching a queue, and extras.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
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

// Forwards every queue of a source to a target under the integer key 7 or the string key "src".
struct Relay {
    O* target;
    bool byName;
    static void cb(Tek_table* queue, void* r) {
        auto* self = static_cast<Relay*>(r);
        self->byName ? self->target->broadcast_update_event("src", *queue) : self->target->broadcast_update_event(7, *queue);
    }
};

// Only the begin-update goes out while a bracket is open; a key collected twice is named once; an
// unbalanced end leaves the next bracket intact; outside a bracket changes go out at once, each on its
// own; a change without key stands for any change; plain events go out at once. Another object's queue
// is passed on under a key: at once by an idle target, merged by a target inside a bracket, not at all
// without update events. A subscriber may start a new group while the collected event is delivered.
TEST(ExtensibleObj, UpdatesAreGroupedByTheOutermostBracketAndPassedOn) {
    const struct { const char *target, *source, *after, *events; bool byName = false; } rows[] = {
        {"b k5 kdepth k5", "", "", "B"}, {"b k5 kdepth k5 e", "", "", "B U{5,depth} E"}, {"b b k1 e", "", "", "B"},
        {"b b k1 e e", "", "", "B U{1} E"}, {"b e", "", "", "B E"}, {"e e", "", "", ""}, {"e e b e", "", "", "B E"},
        {"k3 kname u", "", "", "U{3} U{name} U{}"}, {"b k3 u e", "", "", "B U{} E"}, {"b x77 X78", "", "", "B X77 X78"},
        {"b x77 X78 e", "", "", "B X77 X78 E"}, {"", "b k1 ka e", "", "B U{7[1,a]} E"}, {"b k2", "k1 k3 b e", "e", "B U{2,src[1,3]} E", true},
        {"", "x5", "", ""}, {"", "b e", "", "B E", true}};
    for (const auto& r : rows) {
        O source, target;
        EventLog log(target.get_update_event_channel());
        Relay relay{&target, r.byName};
        ek_event_channel_add_client(source.get_update_event_channel(), &Relay::cb, &relay);
        play(target, r.target), play(source, r.source), play(target, r.after);
        EXPECT_EQ(log.text(), r.events) << r.target << " | " << r.source;
        ek_event_channel_del_client(source.get_update_event_channel(), &Relay::cb, &relay);
    }
    O object;
    EventLog log(object.get_update_event_channel());
    auto nested = [](Tek_table* queue, void* o) {
        if (ek_event_queue_get_update_event(queue, 0) && !static_cast<O*>(o)->update_depth()) play(*(O*)o, "b e");
    };
    ek_event_channel_add_client(object.get_update_event_channel(), nested, &object);
    play(object, "b k1 e");
    EXPECT_EQ(log.text(), "B U{1} B E E");
}

// An update event matches when it holds every key of the list (integer, string or generic keys); one
// without details matches every search; a queue without update events matches none.
TEST(ExtensibleObj, FindUpdateNeedsEveryKeyOfTheList) {
    Tek_table *keyed = table_create(), *bare = table_create(), *begin = table_create();
    for (Tek_table* q : {keyed, bare, begin}) table_resize(q, 1);
    ek_update_event_init(table_get_row(keyed, 0)), ek_update_event_init(table_get_row(bare, 0)), ek_begin_update_event_init(table_get_row(begin, 0));
    ek_update_event_add_prop_integer(table_get_row(keyed, 0), 5), ek_update_event_add_prop_string(table_get_row(keyed, 0), "depth");
    Tek_any five, eight;
    any_init(&five), any_init(&eight), any_assign_integer(&five, 5), any_assign_integer(&eight, 8);
    const int S = O::k_key_string, I = O::k_key_integer, END = O::k_key_end;
    const std::tuple<const char*, bool, bool> rows[] = {
        {"integer", O::find_update(keyed, I, 5, END, nullptr), true}, {"string", O::find_update(keyed, S, "depth", END, nullptr), true},
        {"both", O::find_update(keyed, I, 5, S, "depth", END, nullptr), true}, {"other integer", O::find_update(keyed, I, 6, END, nullptr), false},
        {"second of two missing", O::find_update(keyed, I, 5, S, "Depth", END, nullptr), false},
        {"first of two missing", O::find_update(keyed, S, "x", I, 5, END, nullptr), false},
        {"empty list", O::find_update(keyed, END, nullptr), false}, {"generic key", O::find_update(keyed, END, &five, END, nullptr), true},
        {"other generic key", O::find_update(keyed, END, &eight, END, nullptr), false},
        {"no details, a key", O::find_update(bare, I, 123, END, nullptr), true}, {"no details, no key", O::find_update(bare, END, nullptr), true},
        {"no update event", O::find_update(begin, END, nullptr), false}, {"null queue", O::find_update(nullptr, I, 1, END, nullptr), false}};
    for (const auto& [name, found, expected] : rows) EXPECT_EQ(found, expected) << name;
    any_clear(&five), any_clear(&eight);
    for (Tek_table* q : {keyed, bare, begin}) table_destroy(q);
}

// A missing extra is added empty and found again; names compare case-sensitively, null is the empty
// name; the object keeps its own copy; assign and set_table_extra replace every extra.
TEST(ExtensibleObj, ExtrasByName) {
    O a, b, c;
    EXPECT_EQ(any_get_kind(a.get_extra("colour")), EK_ANY_EMPTY);
    any_assign_integer(a.get_extra("colour"), 42), any_assign_integer(a.get_extra(nullptr), 4);
    EXPECT_TRUE(any_get_integer(a.get_extra("colour")) == 42 && any_get_kind(a.get_extra("Colour")) == EK_ANY_EMPTY);
    EXPECT_TRUE(any_get_integer(a.get_extra("")) == 4 && table_get_size(a.get_table_extra()) == 3);
    Tek_any value;
    any_init(&value), any_assign_string(&value, "red"), b.set_extra("colour", &value), any_assign_string(&value, "blue");
    EXPECT_STREQ(any_get_string(b.get_extra("colour")), "red");
    b.set_extra("colour", &value), any_clear(&value);
    EXPECT_TRUE(!strcmp(any_get_string(b.get_extra("colour")), "blue") && table_get_size(b.get_table_extra()) == 1);
    EXPECT_FALSE(a.equal(&b));
    b.assign(&a);
    EXPECT_TRUE(a.equal(&b) && any_get_integer(b.get_extra("colour")) == 42);
    any_assign_double(c.get_extra("y"), 2.5), a.set_table_extra(*c.get_table_extra());
    EXPECT_TRUE(a.equal(&c));
    Tek_basic_obj plain;
    EXPECT_FALSE(a.equal(&plain) || a.equal(nullptr));
    a.assign(&plain), a.assign(nullptr);  // nothing to take
    EXPECT_EQ(any_get_double(a.get_extra("y")), 2.5);
}

}  // namespace
