// The observable base object (update groups, queues passed on, searches, extras) and the per-path
// change notifier built on it (one per path, counted references, the document's time).
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Tek_vor_notifier.h"
#include "base/event_log.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using O = Tek_extensible_obj;
using N = Tek_vor_notifier;

// Plays a script on an object: b begin (checks the new depth), e end, u change without key,
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
        else if (t[0] == 'k') std::isdigit(arg[0]) ? o.broadcast_update_event(std::stoi(arg)) : o.broadcast_update_event(arg.c_str());
        else if (t[0] == 'x') o.broadcast_event(std::stoi(arg));
        else tuple_init(&data), tuple_resize(&data, 1), o.broadcast_event(std::stoi(arg), data), tuple_clear(&data);
    }
}

// Forwards every queue of a source to a target under the integer key 7, or the string key "src" when byName.
void relay(Tek_table* q, void* p) {
    auto [target, byName] = *static_cast<std::pair<O*, bool>*>(p);
    byName ? target->broadcast_update_event("src", *q) : target->broadcast_update_event(7, *q);
}

// Inside the outermost bracket only the begin-update goes out, keys collected once; an unbalanced end
// is harmless; outside, changes go out one by one; no key stands for any change; plain events go out at
// once. Another object's queue is passed on under a key: at once when idle, merged inside a bracket, not
// without update events. A subscriber may start a new group while the collected event is delivered.
TEST(ExtensibleObj, UpdatesAreGroupedByTheOutermostBracketAndPassedOn) {
    const struct { const char *target, *source, *after, *events; bool byName = false; } rows[] = {
        {"b k5 kdepth k5", "", "", "B"}, {"b k5 kdepth k5 e", "", "", "B U{5,depth} E"}, {"b b k1 e", "", "", "B"}, {"b b k1 e e", "", "", "B U{1} E"},
        {"b e", "", "", "B E"}, {"e e", "", "", ""}, {"e e b e", "", "", "B E"}, {"k3 kname u", "", "", "U{3} U{name} U{}"},
        {"b k3 u e", "", "", "B U{} E"}, {"b x77 X78", "", "", "B X77 X78"}, {"b x77 X78 e", "", "", "B X77 X78 E"}, {"", "x5", "", ""},
        {"", "b k1 ka e", "", "B U{7[1,a]} E"}, {"b k2", "k1 k3 b e", "e", "B U{2,src[1,3]} E", true}, {"", "b e", "", "B E", true}};
    for (const auto& r : rows) {
        O source, target;
        ek::test::EventLog log(target.get_update_event_channel());
        std::pair<O*, bool> to{&target, r.byName};
        ek_event_channel_add_client(source.get_update_event_channel(), &relay, &to);
        play(target, r.target), play(source, r.source), play(target, r.after);
        EXPECT_EQ(log.text(), r.events) << r.target << " | " << r.source;
        ek_event_channel_del_client(source.get_update_event_channel(), &relay, &to);
    }
    O object;
    ek::test::EventLog log(object.get_update_event_channel());
    auto nested = [](Tek_table* q, void* o) { if (ek_event_queue_get_update_event(q, 0) && !static_cast<O*>(o)->update_depth()) play(*(O*)o, "b e"); };
    ek_event_channel_add_client(object.get_update_event_channel(), nested, &object);
    play(object, "b k1 e");
    EXPECT_EQ(log.text(), "B U{1} B E E");
}

// An update event matches when it holds every key of the list; one without details matches any search.
TEST(ExtensibleObj, FindUpdateNeedsEveryKeyOfTheList) {
    Tek_table *keyed = table_create(), *bare = table_create(), *begin = table_create();
    for (Tek_table* q : {keyed, bare, begin}) table_resize(q, 1);
    ek_update_event_init(table_get_row(keyed, 0)), ek_update_event_init(table_get_row(bare, 0)), ek_begin_update_event_init(table_get_row(begin, 0));
    ek_update_event_add_prop_integer(table_get_row(keyed, 0), 5), ek_update_event_add_prop_string(table_get_row(keyed, 0), "depth");
    Tek_any five, eight;
    any_init(&five), any_init(&eight), any_assign_integer(&five, 5), any_assign_integer(&eight, 8);
    const int S = O::k_key_string, I = O::k_key_integer, END = O::k_key_end;
    auto find = [](Tek_table* q, auto... keys) { return O::find_update(q, keys..., O::k_key_end, nullptr); };
    const std::tuple<const char*, bool, bool> rows[] = {
        {"integer", find(keyed, I, 5), true}, {"string", find(keyed, S, "depth"), true}, {"both", find(keyed, I, 5, S, "depth"), true},
        {"other integer", find(keyed, I, 6), false}, {"second of two missing", find(keyed, I, 5, S, "Depth"), false},
        {"empty list", find(keyed), false}, {"generic key", find(keyed, END, &five), true}, {"other generic key", find(keyed, END, &eight), false},
        {"no details, a key", find(bare, I, 123), true}, {"no details, no key", find(bare), true}, {"no update event", find(begin), false},
        {"null queue", find(nullptr, I, 1), false}};
    for (const auto& [name, found, expected] : rows) EXPECT_EQ(found, expected) << name;
    any_clear(&five), any_clear(&eight);
    for (Tek_table* q : {keyed, bare, begin}) table_destroy(q);
}

// Extras by name (case-sensitive, null is ""), added empty when missing, copied; assign and set_table_extra replace all.
TEST(ExtensibleObj, ExtrasByName) {
    O a, b, c;
    EXPECT_EQ(any_get_kind(a.get_extra("colour")), EK_ANY_EMPTY);
    any_assign_integer(a.get_extra("colour"), 42), any_assign_integer(a.get_extra(nullptr), 4);
    EXPECT_TRUE(any_get_integer(a.get_extra("colour")) == 42 && any_get_kind(a.get_extra("Colour")) == EK_ANY_EMPTY);
    EXPECT_TRUE(any_get_integer(a.get_extra("")) == 4 && table_get_size(a.get_table_extra()) == 3);
    Tek_any value;
    any_init(&value), any_assign_string(&value, "red"), b.set_extra("colour", &value), any_assign_string(&value, "blue");
    EXPECT_EQ(std::string(any_get_string(b.get_extra("colour"))), "red");
    b.set_extra("colour", &value), any_clear(&value);
    EXPECT_TRUE(any_get_string(b.get_extra("colour")) == std::string("blue") && table_get_size(b.get_table_extra()) == 1 && !a.equal(&b));
    b.assign(&a), any_assign_double(c.get_extra("y"), 2.5);
    EXPECT_TRUE(a.equal(&b) && any_get_integer(b.get_extra("colour")) == 42);
    a.set_table_extra(*c.get_table_extra());
    Tek_basic_obj plain;
    EXPECT_TRUE(a.equal(&c) && !a.equal(&plain) && !a.equal(nullptr));
    a.assign(&plain), a.assign(nullptr);  // nothing to take
    EXPECT_EQ(any_get_double(a.get_extra("y")), 2.5);
}

// One notifier per path as first given, letter case ignored and nothing else normalised. The registry's own
// reference keeps a released notifier alive, with its subscribers.
TEST(VorNotifier, OnePerPathAndTheRegistrysOwnReference) {
    ek::test::TempDir dir;
    const std::tuple<std::wstring, std::wstring, bool> rows[] = {{dir.file("Field.xml"), dir.file("FIELD.XML"), true},
        {dir.file("") + L"Поле.xml", dir.file("") + L"пОЛЕ.XML", true}, {L"C:\\ekx_s\\doc.xml", L"C:/ekx_s/doc.xml", false},
        {L"C:\\ekx_s\\doc.xml", L"C:\\ekx_s\\.\\doc.xml", false}, {L"C:\\ekx_s\\doc.xml", L"C:\\ekx_s\\doc.xml\\", false}};
    for (const auto& [a, b, same] : rows) {
        N *first = N::get_instance(a.c_str()), *second = N::get_instance(b.c_str());
        EXPECT_TRUE((first == second) == same && first->path() == a) << std::string(b.begin(), b.end());
        first->release(), second->release();
    }
    N* first = N::get_instance(dir.file("kept.xml").c_str());
    EXPECT_EQ(first->count(), 2u) << "one for the registry, one for the caller";
    {
        ek::test::EventLog log(first->get_update_event_channel());
        first->release();
        N* again = N::get_instance(dir.file("kept.xml").c_str());
        EXPECT_TRUE(again == first && again->count() == 2);
        play(*again, "b u e"), again->release();
        EXPECT_EQ(log.text(), "B U{} E") << "a subscriber from before the release still hears the changes";
    }
    first->release();  // one more than obtained: the registry's own
    EXPECT_EQ(N::registry().count(dir.file("kept.xml")), 0u);
}

// The document's time: the latest of field.xml and field.*.property, 0 without files. The external-change check
// announces a time other than the last seen and stores it unless 0. Steps touch a file at T + time, or remove it.
TEST(VorNotifier, ModificationTimeAndTheExternalChangeCheck) {
    ek::test::TempDir dir;
    const long long T = 1'600'000'000;  // in seconds; the steps give times after it
    auto touch = [&](const std::string& file, long long t) {
        std::ofstream(dir.path() / file, std::ios::app) << "x";
        fs::last_write_time(dir.path() / file, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds(T + t)}));
    };
    touch("field.xml", 0);
    N* n = N::get_instance(dir.file("field.xml").c_str());
    EXPECT_EQ(n->last_time(), T) << "the time seen at construction";
    ek::test::EventLog log(n->get_update_event_channel());
    const struct { const char* file; long long time, mtime; const char* events; } steps[] = {
        {"", 0, 0, ""} /* nothing changed */, {"field.Depth.property", 500, 500, "B U{} E"}, {"field.Age.property", 200, 500, ""},
        {"fields.Depth.property", 900, 500, ""} /* another document */, {"field.Depth.bak", 900, 500, ""}, {"other.xml", 900, 500, ""},
        {"-field.Depth.property", 0, 200, "B U{} E"} /* an earlier time is news */, {"-field.xml", 0, 200, ""} /* a data file alone counts */,
        {"-field.Age.property", 0, -T, ""}};  // no files: 0, not stored
    for (const auto& s : steps) {
        if (s.file[0] == '-') fs::remove(dir.path() / (s.file + 1));
        else if (*s.file) touch(s.file, s.time);
        log.clear();
        EXPECT_EQ(n->vor_mtime(), T + s.mtime) << s.file;
        N::event_channel_callback_proc(nullptr, n);
        EXPECT_EQ(log.text(), s.events) << s.file;
    }
    EXPECT_EQ(n->last_time(), T + 200) << "time 0 is not stored";
    N::event_channel_callback_proc(nullptr, nullptr), n->release();  // no notifier: nothing
}

}  // namespace
