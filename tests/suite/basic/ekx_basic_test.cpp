// The portable parts of ekx_basic: variants, tables, events and channels, the undo history, string adapters, transliteration.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "ek_text.h"
#include "ekx_basic.h"

namespace {

// A variant and a tuple that clean up after themselves.
struct Any { Tek_any v; Any() { any_init(&v); } ~Any() { any_clear(&v); } };
struct Tuple { Tek_tuple t; explicit Tuple(size_t n = 0) { tuple_init(&t), tuple_resize(&t, n); } ~Tuple() { tuple_clear(&t); } };

int target[2];

// Assigns "<kind>:<value>": i integer, d double, s/w narrow/wide text, p &target[n], t n empty elements; s, w, t alone: null; ? unknown.
void set(Tek_any* a, const std::wstring& written) {
    const std::wstring v = written.size() > 2 ? written.substr(2) : L"";
    const bool null = written.size() == 1;
    switch (written.empty() ? L' ' : written[0]) {
        case L'i': return any_assign_integer(a, std::stoll(v));
        case L'd': return any_assign_double(a, v == L"nan" ? NAN : std::stod(v));
        case L's': return any_assign_string(a, null ? nullptr : std::string(v.begin(), v.end()).c_str());
        case L'w': return any_assign_wstring(a, null ? nullptr : v.c_str());
        case L'p': return any_assign_pointer(a, &target[std::stoi(v)]);
        case L't': { Tuple t(null ? 0 : std::stoi(v)); return any_assign_tuple(a, null ? nullptr : &t.t); }
        case L'?': a->kind = 99, a->value.integer = 12345; return;
        default: return any_clear(a);
    }
}

// What every getter answers: "kind integer double 'text' \"wide\" pointer size", "-" for null.
std::string getters(Tek_any* a) {
    const char* s = any_get_string(a);
    const wchar_t* w = any_get_wstring(a);
    const Tek_tuple* t = any_get_tuple(a);
    const int* p = static_cast<const int*>(any_get_pointer(a));
    std::ostringstream out;
    out << any_get_kind(a) << ' ' << any_get_integer(a) << ' ' << any_get_double(a);
    (s ? out << " '" << s << '\'' : out << " -"), (w ? out << " \"" << ek::text::to_utf8(w) << '"' : out << " -");
    (p ? out << ' ' << p - target : out << " -"), (t ? out << ' ' << tuple_get_size(t) : out << " -");
    return out.str();
}

// Each kind answers through its own getter only (an integer widens to a double); a null text or tuple is stored empty; an unknown
// kind reads as empty. A copy is of the same kind and compares equal; clearing empties. The order: kinds never compare equal,
// texts by code-page byte, NaN equals NaN and sorts after every number, a null variant is an empty one; antisymmetric throughout.
TEST(Variant, EveryKindThroughEveryGetterAndTheOrder) {
    const struct { const wchar_t* written; const char* getters; } rows[] = {
        {L"", "0 0 0 - - - -"}, {L"i:-5000000000", "1 -5000000000 -5e+09 - - - -"}, {L"d:2.5", "2 0 2.5 - - - -"},
        {L"s:\xC3\xEB", "3 0 0 '\xC3\xEB' - - -"}, {L"s", "3 0 0 '' - - -"}, {L"w:Г", "4 0 0 - \"Г\" - -"}, {L"w", "4 0 0 - \"\" - -"},
        {L"t:3", "5 0 0 - - - 3"}, {L"t", "5 0 0 - - - 0"}, {L"p:1", "6 0 0 - - 1 -"}, {L"?", "0 0 0 - - - -"}};
    for (const auto& r : rows) {
        Any a, copy, empty;
        any_assign_integer(&a.v, 7), set(&a.v, r.written);  // over something to replace
        any_assign_double(&copy.v, 1), any_assign(&copy.v, &a.v);
        EXPECT_EQ(getters(&a.v) + " | " + getters(&copy.v), r.getters + std::string(" | ") + r.getters) << testing::PrintToString(std::wstring(r.written));
        EXPECT_TRUE(any_compare(&a.v, &copy.v) == 0 && (any_compare(&a.v, &empty.v) == 0) == (r.getters[0] == '0'));
        EXPECT_EQ((any_clear(&a.v), a.v.kind), EK_ANY_EMPTY);
    }
    const struct { const wchar_t *a, *b; int sign; } order[] = {
        {L"i:1", L"i:2", -1},      {L"i:1", L"d:1", -1},       {L"d:1", L"s:1", -1},      {L"d:-1", L"d:0.5", -1},
        {L"d:nan", L"d:nan", 0},   {L"d:1e300", L"d:nan", -1}, {L"s:abc", L"s:abd", -1}, {L"s:abc", L"s:abc", 0},
        {L"s:abc", L"s:\xE0", -1}, {L"w:x", L"w:y", -1},       {L"w:x", L"w:x", 0},       {L"p:0", L"p:1", -1},
        {L"t", L"t:3", -1},        {L"s", L"s:", 0},           {L"", L"?", 0},            {L"", L"i:0", -1}};
    for (const auto& r : order) {
        Any a, b;
        set(&a.v, r.a), set(&b.v, r.b);
        const int ab = any_compare(&a.v, &b.v), ba = any_compare(&b.v, &a.v);
        EXPECT_TRUE((ab > 0) - (ab < 0) == r.sign && (ba > 0) - (ba < 0) == -r.sign) << testing::PrintToString(std::wstring(r.a) + L" " + r.b);
    }
    Any zero;
    EXPECT_TRUE(!any_compare(nullptr, nullptr) && (set(&zero.v, L"i:0"), any_compare(nullptr, &zero.v) < 0) && getters(nullptr) == "0 0 0 - - - -");
}

// A copy is deep and independent; copying from inside the target itself is safe; null is harmless.
TEST(Variant, CopiesAreDeepAndMayComeFromInsideTheTarget) {
    Tuple inner(2), t(2);
    any_assign_string(tuple_get(&inner.t, 0), "depth");
    Any src, dst;
    any_assign_tuple(&src.v, &inner.t), any_assign(&dst.v, &src.v), any_assign_string(tuple_get(any_get_tuple(&src.v), 0), "other");
    EXPECT_STREQ(any_get_string(tuple_get(any_get_tuple(&dst.v), 0)), "depth");
    EXPECT_EQ((any_assign(&dst.v, nullptr), any_get_kind(&dst.v)), EK_ANY_EMPTY);  // a null source empties
    any_assign_string(&dst.v, "keep"), any_assign(&dst.v, &dst.v), any_assign_string(&dst.v, any_get_string(&dst.v));
    EXPECT_STREQ(any_get_string(&dst.v), "keep");
    any_assign_integer(tuple_get(&t.t, 0), 7), any_assign_tuple(tuple_get(&t.t, 1), &t.t);  // a tuple copied into one of its own elements
    Tek_tuple* nested = any_get_tuple(tuple_get(&t.t, 1));
    ASSERT_EQ(tuple_get_size(nested), 2u);
    EXPECT_TRUE(any_get_integer(tuple_get(nested, 0)) == 7 && any_get_kind(tuple_get(nested, 1)) == EK_ANY_EMPTY);
    any_assign(tuple_get(&t.t, 1), tuple_get(nested, 0));  // replaced by a copy of its own element
    EXPECT_EQ(any_get_integer(tuple_get(&t.t, 1)), 7);
    any_init(nullptr), any_clear(nullptr), any_assign(nullptr, nullptr), any_assign_integer(nullptr, 1), any_assign_double(nullptr, 1);
    any_assign_string(nullptr, "x"), any_assign_wstring(nullptr, L"x"), any_assign_tuple(nullptr, nullptr), any_assign_pointer(nullptr, nullptr);
}

// Growing keeps what was there, impossible sizes are refused, copies are deep; the order is by element, then length; null is empty.
TEST(Tuple, ResizeAssignAndCompare) {
    Tuple t, other;
    EXPECT_EQ(tuple_get(&t.t, 0), nullptr);
    size_t empty = (tuple_resize(&t.t, 100), 0);
    for (size_t i = 0; i < 100; ++i) empty += any_get_kind(tuple_get(&t.t, i)) == EK_ANY_EMPTY, any_assign_integer(tuple_get(&t.t, i), long(i));
    EXPECT_TRUE(empty == 100 && !tuple_get(&t.t, 100) && any_get_integer(tuple_get(&t.t, 57)) == 57);  // survived the growth
    EXPECT_EQ((tuple_resize(&t.t, 3), tuple_resize(&t.t, SIZE_MAX), tuple_resize(&t.t, SIZE_MAX / 2), tuple_get(&t.t, 3)), nullptr);  // refused
    tuple_resize(&t.t, 5);  // elements come back empty, not with their old values
    EXPECT_TRUE(any_get_kind(tuple_get(&t.t, 4)) == EK_ANY_EMPTY && any_get_integer(tuple_get(&t.t, 2)) == 2);
    EXPECT_GT(tuple_compare(&t.t, &other.t), 0);  // a longer tuple with an equal start sorts after
    EXPECT_EQ((tuple_assign(&other.t, &t.t), tuple_compare(&t.t, &other.t)), 0);
    EXPECT_TRUE((any_assign_integer(tuple_get(&other.t, 0), -1), any_get_integer(tuple_get(&t.t, 0))) == 0 && tuple_compare(&other.t, &t.t) < 0);
    EXPECT_EQ((tuple_assign(&t.t, &t.t), tuple_get_size(&t.t)), 5u);
    EXPECT_EQ((tuple_assign(&t.t, nullptr), tuple_get_size(&t.t)), 0u);
    tuple_init(nullptr), tuple_clear(nullptr), tuple_resize(nullptr, 3), tuple_assign(nullptr, &t.t);
    EXPECT_TRUE(!tuple_get_size(nullptr) && !tuple_compare(nullptr, nullptr) && !tuple_compare(nullptr, &t.t) && !tuple_get(nullptr, 0));

    Tek_table *a = table_create(), *b = table_create();
    EXPECT_EQ(table_get_row(a, 0), nullptr);
    Tek_tuple* first = (table_resize(a, 1), table_get_row(a, 0));
    tuple_resize(first, 2), any_assign_string(tuple_get(first, 0), "name"), table_resize(a, 1000);
    EXPECT_TRUE(table_get_row(a, 0) == first && !table_get_row(a, 1000) && tuple_get_size(table_get_row(a, 999)) == 0 &&
                any_get_string(tuple_get(first, 0)) == std::string("name"));
    EXPECT_EQ((table_resize(a, SIZE_MAX), table_get_size(a)), 1000u);  // refused, not attempted
    EXPECT_GT((table_resize(a, 2), table_compare(a, b)), 0);
    EXPECT_EQ((table_assign(b, a), table_compare(a, b)), 0);
    any_assign_double(tuple_get(table_get_row(b, 0), 1), 5.0);  // independent storage
    EXPECT_TRUE(any_get_kind(tuple_get(table_get_row(a, 0), 1)) == EK_ANY_EMPTY && table_compare(a, b) < 0 && table_compare(b, a) > 0);
    table_resize(b, 1), any_clear(tuple_get(table_get_row(b, 0), 1));
    EXPECT_GT(table_compare(a, b), 0);  // fewer rows with an equal start sort first
    EXPECT_EQ((table_assign(a, a), table_get_size(a)), 2u);
    EXPECT_TRUE((table_assign(a, nullptr), table_get_size(a)) == 0 && table_compare(nullptr, a) == 0 && table_compare(nullptr, b) < 0);
    table_destroy(nullptr), table_assign(nullptr, a), table_resize(nullptr, 4);
    EXPECT_TRUE(table_get_size(nullptr) == 0 && !table_get_row(nullptr, 0));
    table_destroy(a), table_destroy(b);
}

// The keys of a list as text: integers as digits, strings quoted, a nested list in brackets.
std::string dump(const Tek_update_prop_list* list) {
    std::string out;
    for (size_t i = 0; i < ek_update_event_prop_list_get_size(list); ++i) {
        const Tek_any* key = ek_update_event_prop_list_get_key(list, i);
        if (any_get_kind(key) == EK_ANY_INTEGER) out.append(i ? "," : "") += std::to_string(any_get_integer(key));
        else out.append(i ? ",'" : "'").append(any_get_string(key) ? any_get_string(key) : "?").append("'");
        if (const Tek_update_prop_list* nested = ek_update_event_prop_list_get_nested(list, i)) out.append("[").append(dump(nested)).append("]");
    }
    return out;
}

// "7" is an integer key, "s" a text key; with details (or aggregate set) the key is aggregated.
void add(Tek_tuple* list, const std::string& key, const Tek_tuple* details = nullptr, bool aggregate = false) {
    const int n = isdigit(key[0]) ? std::stoi(key) : -1;
    if (!aggregate && !details) n < 0 ? ek_update_event_prop_list_add_string(list, key.c_str()) : ek_update_event_prop_list_add_integer(list, n);
    else n < 0 ? ek_update_event_prop_list_aggr_string(list, key.c_str(), details) : ek_update_event_prop_list_aggr_integer(list, n, details);
}

// Only update events carry a property list; keys are added once and are case-sensitive. A queue's getters answer only for events of their kind.
TEST(UpdateEvent, IdsPropertyListsAndQueues) {
    Tek_table* q = table_create();
    Tek_tuple *b = (table_resize(q, 4), table_get_row(q, 0)), *u = table_get_row(q, 1), *e = table_get_row(q, 2), *plain = table_get_row(q, 3);
    Tuple d;
    ek_update_event_init(u), ek_begin_update_event_init(b), ek_end_update_event_init(e);
    EXPECT_TRUE(ek_event_get_id(u) == EK_UPDATE_EVENT_ID && ek_event_get_id(b) == EK_BEGIN_UPDATE_EVENT_ID);
    EXPECT_TRUE(ek_event_get_id(e) == EK_END_UPDATE_EVENT_ID && !ek_event_get_id(plain) && !ek_event_get_id(nullptr) && !ek_update_event_get_details(u));
    for (const char* k : {"5", "Depth", "Depth", "depth", "5"}) *k == '5' ? ek_update_event_add_prop_integer(u, 5) : ek_update_event_add_prop_string(u, k);
    add(&d.t, "4"), ek_update_event_aggr_prop_integer(u, 1, &d.t), ek_update_event_aggr_prop_string(u, "k", nullptr);
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
    for (size_t i = 0; i < 5; ++i) {  // the getters of each kind: 0 begin, 1 update, 2 end; 4 is past the end
        Tek_tuple* row = table_get_row(q, i);
        EXPECT_TRUE(ek_event_queue_get_begin_update_event(q, i) == (i == 0 ? row : nullptr) && ek_event_queue_get_event(q, i) == row &&
                    ek_event_queue_get_update_event(q, i) == (i == 1 ? row : nullptr) &&
                    ek_event_queue_get_end_update_event(q, i) == (i == 2 ? row : nullptr)) << i;
    }
    ek_update_event_clear(u), ek_begin_update_event_clear(b), ek_end_update_event_clear(e);
    EXPECT_EQ(tuple_get_size(u) + tuple_get_size(b) + tuple_get_size(e), 0u);
    table_destroy(q), ek_update_event_init(nullptr), ek_update_event_clear(nullptr), ek_update_event_init_details(nullptr);
    ek_update_event_add_prop_integer(nullptr, 1), ek_update_event_add_prop_string(nullptr, "x"), ek_update_event_aggr_prop_integer(nullptr, 1, nullptr);
    ek_update_event_aggr_prop_string(nullptr, "x", nullptr), ek_begin_update_event_init(nullptr), ek_begin_update_event_clear(nullptr);
    ek_end_update_event_init(nullptr), ek_end_update_event_clear(nullptr);
    EXPECT_TRUE(!ek_update_event_get_details(nullptr) && !ek_event_queue_get_size(nullptr) && !ek_event_queue_get_event(nullptr, 0));
    EXPECT_TRUE(!ek_event_queue_get_update_event(nullptr, 0) && !ek_event_queue_get_begin_update_event(nullptr, 0) &&
                !ek_event_queue_get_end_update_event(nullptr, 0));
}

// A list naming no key (empty, malformed, none) stands for "anything may have changed". Aggregating merges the details'
// keys into the key's nested list, at every depth; a key without one is whole and stays whole; merged with "anything", whole.
TEST(PropList, FindAndAggregate) {
    Tuple list, empty, malformed, target;
    add(&list.t, "5"), add(&list.t, "Name"), tuple_resize(&malformed.t, 2);
    any_assign_integer(tuple_get(&malformed.t, 0), 5), any_assign_tuple(tuple_get(&malformed.t, 1), &empty.t);  // no entry; an entry without a key
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
    EXPECT_EQ((add(&b.t, "3"), dump(ek_update_event_prop_list_get_nested(&merged.t, 1))), "1,2");  // the details were copied, not shared
    EXPECT_FALSE(ek_update_event_prop_list_find_integer(&merged.t, 2));  // find looks at the top level only
    EXPECT_EQ((add(&deep.t, "1", &mid1.t), add(&deep.t, "1", &mid2.t), dump(&deep.t)), "1['p'[100,200],'q']");
    add(&self.t, "1"), add(&self.t, "2", &self.t), add(&self.t, "2", ek_update_event_prop_list_get_nested(&self.t, 1));
    EXPECT_EQ(dump(&self.t), "1,2[1]");  // a list aggregated into itself
}

// A channel with clients a, b and c (added in that order) that log "<name><event id>" for every event they receive, and then react as the test says.
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
    void broadcast(int id) { Tuple e(2); any_assign_integer(tuple_get(&e.t, 0), id), ek_event_channel_broadcast(ch, &e.t); }
};

// Delivery is synchronous, in the order of adding; a client removed during a broadcast is not called after, one added not for it.
TEST(Channel, ClientsChangingTheChannelDuringDelivery) {
    using React = std::function<void(Harness&)>;
    const struct { const char* name; React a, b; const char* log; } rows[] = {
        {"nobody reacts", {}, {}, "a1 b1 c1 a2 b2 c2"}, {"a removes itself", [](Harness& h) { h.del(h.a); }, {}, "a1 b1 c1 b2 c2"},
        {"a removes b", [](Harness& h) { h.del(h.b); }, {}, "a1 c1 a2 c2"}, {"b removes a", {}, [](Harness& h) { h.del(h.a); }, "a1 b1 c1 b2 c2"},
        {"a adds a client", [](Harness& h) { h.add(h.late); }, {}, "a1 b1 c1 a2 b2 c2 l2"},
        {"a removes and adds b again", [](Harness& h) { h.del(h.b), h.add(h.b); }, {}, "a1 c1 a2 c2"},
        {"a broadcasts once", [](Harness& h) { if (h.log == "a1") h.broadcast(3); }, {}, "a1 a3 b3 c3 b1 c1 a2 b2 c2"},
        {"a removes everyone", [](Harness& h) { ek_event_channel_del_client(h.ch, nullptr, nullptr); }, {}, "a1"},
        {"a destroys the channel", [](Harness& h) { ek_event_channel_destroy(h.ch), h.ch = nullptr; }, {}, "a1"},
        {"a throws", [](Harness&) { throw std::runtime_error("host failure"); }, {}, "a1 b1 c1 a2 b2 c2"}};
    for (const auto& r : rows) {
        Harness h;
        h.a.react = r.a, h.b.react = r.b, h.add(h.a), h.add(h.b), h.add(h.c), h.broadcast(1), h.broadcast(2);
        EXPECT_EQ(h.log, r.log) << r.name;
    }
}

// Every client gets its own queue holding a copy of the event as broadcast, whatever the clients do to their queues or to the broadcaster's event.
TEST(Channel, RegistrationFreshQueuesAndBadInput) {
    Harness h;
    h.add(h.a), h.add(h.b), h.add(h.a);                // a pair is registered once
    ek_event_channel_add_client(h.ch, nullptr, &h.c);  // no callback: no client
    ek_event_channel_del_client(h.ch, nullptr, &h.b);  // removal is by the pair
    EXPECT_EQ(ek_event_channel_get_client_count(h.ch), 2u);
    Tuple original(2), empty;
    any_assign_integer(tuple_get(&original.t, 1), 42);
    int round = 0;
    std::string b_saw;
    h.a.react = [&](Harness& h) {  // spoils its own queue, and in the second round the broadcaster's event
        EXPECT_NE(ek_event_queue_get_event(h.queue, 0), &original.t);
        any_assign_integer(tuple_get(ek_event_queue_get_event(h.queue, 0), 1), -1), table_resize(h.queue, 3);
        if (++round == 2) tuple_clear(&original.t);
    };
    h.b.react = [&](Harness& h) { b_saw += std::to_string(ek_event_queue_get_size(h.queue)) + "x" +
                                           std::to_string(any_get_integer(tuple_get(ek_event_queue_get_event(h.queue, 0), 1))) + " "; };
    EXPECT_EQ((ek_event_channel_broadcast(h.ch, &original.t), any_get_integer(tuple_get(&original.t, 1))), 42);
    EXPECT_EQ((ek_event_channel_broadcast(h.ch, &original.t), b_saw), "1x42 1x42 ");
    h.a.react = h.b.react = {};
    ek_event_channel_broadcast(h.ch, nullptr), ek_event_channel_broadcast(h.ch, &empty.t);  // no event: nothing; an empty tuple is one
    EXPECT_EQ(h.log, "a0 b0 a0 b0 a0 b0");
    ek_event_channel_destroy(nullptr), ek_event_channel_add_client(nullptr, Harness::on_event, &h.a);
    ek_event_channel_del_client(nullptr, nullptr, nullptr), ek_event_channel_broadcast(nullptr, &empty.t);
    EXPECT_EQ(ek_event_channel_get_client_count(nullptr), 0u);
}

using Hook = std::function<void()>;

// A history logging its callbacks ("redo 2", "erase 2", "begin"...); items are freed by erase, so sanitizers see a double or no erase.
class History : public ::testing::Test {
protected:
    struct Item { History* owner; std::string name; Hook on_redo, on_undo, on_erase; };
    static void call(void* p, const char* what, Hook Item::*hook) {
        Item* i = static_cast<Item*>(p);
        i->owner->note(std::string(what) + " " + i->name);
        if (i->*hook) (i->*hook)();
    }
    static void redo(void* p) { call(p, "redo", &Item::on_redo); }
    static void undo(void* p) { call(p, "undo", &Item::on_undo); }
    static void erase(void* p) { call(p, "erase", &Item::on_erase), delete static_cast<Item*>(p); }
    static void begin(void* p) { static_cast<History*>(p)->note("begin"), static_cast<History*>(p)->on_begin(); }
    static void end(void* p) { static_cast<History*>(p)->note("end"); }

    void SetUp() override { ASSERT_TRUE(h = ek_history_manager_create_history(mgr, begin, end, this)); }
    void TearDown() override { EXPECT_EQ((ek_history_destroy(h), ek_history_manager_get_history_count(mgr)), base); }
    void note(const std::string& s) { log += (log.empty() ? "" : ", ") + s; }
    void add(const std::string& name, Hook on_redo = {}, Hook on_undo = {}, Hook on_erase = {}) {
        ek_history_add_item(h, redo, undo, erase, new Item{this, name, on_redo, on_undo, on_erase});
    }
    // The log since the last call, and the undo and redo counts after it.
    std::string take() {
        const std::string out = log + " | " + std::to_string(ek_history_get_undo_count(h)) + " " + std::to_string(ek_history_get_redo_count(h));
        return log.clear(), out;
    }

    Tek_history_manager* mgr = ek_history_manager_get_instance();
    size_t base = ek_history_manager_get_history_count(mgr);
    Tek_history* h = nullptr;
    std::string log;
    Hook on_begin = [] {};
};

// Added items are performed once; steps run in order inside one bracket; stepping past either end fails and does nothing, zero steps call
// nothing; a new item erases the redo tail and clear erases everything, newest first, the history staying usable; destroying erases what is left.
TEST_F(History, StepsRunInOrderInsideOneBracket) {
    EXPECT_EQ((add("1"), take()), "redo 1 | 1 0");
    add("2"), add("3"), add("4"), log.clear();
    EXPECT_TRUE(ek_history_undo(h, 3) && take() == "begin, undo 4, undo 3, undo 2, end | 1 3");
    EXPECT_TRUE(ek_history_redo(h, 2) && take() == "begin, redo 2, redo 3, end | 3 1");
    EXPECT_FALSE(ek_history_undo(h, 4) || ek_history_redo(h, 2) || ek_history_undo(h, size_t(-1)));
    EXPECT_TRUE(ek_history_undo(h, 0) && ek_history_redo(h, 0) && take() == " | 3 1");
    EXPECT_TRUE(ek_history_undo(h, 2) && (take(), add("new"), take()) == "erase 4, erase 3, erase 2, redo new | 2 0");
    EXPECT_TRUE(ek_history_undo(h, 1) && (ek_history_clear(h), take()) == "begin, undo new, end, erase new, erase 1 | 0 0");
    EXPECT_FALSE(ek_history_undo(h, 1) || ek_history_redo(h, 1));
    add("1"), add("2"), add("3"), ek_history_undo(h, 2), log.clear(), ek_history_destroy(h), h = nullptr;
    EXPECT_EQ(log, "erase 3, erase 2, erase 1");
}

// Histories listed in creation order and independent; null item callbacks do nothing; bad handles unused; throwing callbacks contained.
TEST_F(History, TheManagerAndItsHistories) {
    Tek_history *second = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr),
                *third = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr);
    ASSERT_EQ(ek_history_manager_get_history_count(mgr), base + 3);
    EXPECT_TRUE(ek_history_manager_get_history(mgr, base) == h && ek_history_manager_get_history(mgr, base + 1) == second);
    EXPECT_TRUE(ek_history_manager_get_history(mgr, base + 2) == third && !ek_history_manager_get_history(mgr, base + 3));
    EXPECT_EQ((ek_history_destroy(second), ek_history_manager_get_history(mgr, base + 1)), third);
    ek_history_add_item(third, nullptr, nullptr, nullptr, &base), ek_history_add_item(third, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(ek_history_undo(third, 2) && ek_history_redo(third, 1) && ek_history_get_redo_count(third) == 1);
    ek_history_destroy(third);
    ek_history_add_item(h, redo, nullptr, erase, new Item{this, "u", {}, {}, {}});  // only undo missing
    EXPECT_TRUE(ek_history_undo(h, 1) && take() == "redo u, begin, end | 0 1");
    EXPECT_EQ((ek_history_manager_set_enabled(false), ek_history_manager_get_instance()), nullptr);
    EXPECT_EQ((ek_history_manager_set_enabled(true), ek_history_manager_get_instance()), mgr);
    alignas(64) unsigned char fake[256] = {};
    for (void* bad : {static_cast<void*>(nullptr), static_cast<void*>(fake)}) {
        Tek_history* hb = static_cast<Tek_history*>(bad);
        Tek_history_manager* mb = static_cast<Tek_history_manager*>(bad);
        ek_history_add_item(hb, redo, undo, erase, nullptr), ek_history_clear(hb), ek_history_destroy(hb);
        EXPECT_TRUE(!ek_history_undo(hb, 0) && !ek_history_redo(hb, 1) && !ek_history_get_undo_count(hb) && !ek_history_get_redo_count(hb));
        EXPECT_TRUE(!ek_history_manager_create_history(mb, begin, end, this) && !ek_history_manager_get_history_count(mb) &&
                    !ek_history_manager_get_history(mb, 0));
    }
    EXPECT_NO_THROW((ek_history_clear(h), log.clear(), add("t", [] { throw std::runtime_error("redo"); }, [] { throw 1; })));
    EXPECT_NO_THROW(EXPECT_TRUE(ek_history_undo(h, 1) && take() == "redo t, begin, undo t, end | 0 1"));
}

// Callbacks calling their own history: add runs and erases the item unrecorded; undo, redo, clear refused; destroy ends the walk.
TEST_F(History, CallbacksThatCallBack) {
    add("outer", {}, [this] { add("inner"); }), log.clear();
    EXPECT_EQ((ek_history_undo(h, 1), take()), "begin, undo outer, redo inner, erase inner, end | 0 1");
    EXPECT_EQ((ek_history_clear(h), add("first", [this] { add("nested"); }), take()),  // also inside the redo that add itself runs
              "erase outer, redo first, redo nested, erase nested | 1 0");

    ek_history_clear(h);
    bool nested = true;
    std::string counts;
    const Hook count = [&] { counts += std::to_string(ek_history_get_undo_count(h)); };
    on_begin = [&] { nested = ek_history_undo(h, 1) || ek_history_redo(h, 1), ek_history_clear(h), count(); };
    add("1", count, count), add("2", count, count), add("3", count, count), log.clear(), counts.clear();
    ASSERT_TRUE(ek_history_undo(h, 3) && ek_history_redo(h, 2));
    EXPECT_TRUE(!nested && counts == "3210012");  // undoing item k leaves k-1 undoable, redoing it makes k
    EXPECT_EQ(take(), "begin, undo 3, undo 2, undo 1, end, begin, redo 1, redo 2, end | 2 1");
    on_begin = [] {}, ek_history_clear(h);

    add("x", {}, {}, [this] { ek_history_clear(h), add("late"); });  // refused, and performed unrecorded
    EXPECT_EQ((add("y"), log.clear(), ek_history_clear(h), take()), "erase y, erase x, redo late, erase late | 0 0");

    add("1"), add("2"), add("3"), add("4", {}, [this] {
        ek_history_destroy(h);
        EXPECT_FALSE(ek_history_undo(h, 1) || ek_history_get_undo_count(h));  // gone for callers at once
    }), add("5"), log.clear();
    EXPECT_TRUE(ek_history_undo(h, 5) && log == "begin, undo 5, undo 4, end, erase 5, erase 4, erase 3, erase 2, erase 1");
    EXPECT_EQ(ek_history_manager_get_history_count(mgr), base);

    h = ek_history_manager_create_history(mgr, begin, end, this), add("old"), log.clear(), add("new", [this] { ek_history_destroy(h); });
    EXPECT_EQ((h = nullptr, log), "redo new, erase new, erase old");
}

// What an adapter's callbacks received: "c:<bytes>;" for narrow text (each byte as the character of its value) and "w:<text>;" for wide text.
struct Received {
    std::wstring log;
    static void narrow(const char* text, void* self) {
        std::wstring& log = static_cast<Received*>(self)->log += L"c:";
        for (const char* p = text; *p; ++p) log += wchar_t(static_cast<unsigned char>(*p));
        log += L";";
    }
    static void wide(const wchar_t* text, void* self) { static_cast<Received*>(self)->log.append(L"w:").append(text).append(L";"); }
};

// A feed reaches the callback of its own form; without one it is converted through the narrow encoding (UTF-8 here; a bad byte becomes U+FFFD);
// a null text is fed as the empty text, once. A callback may destroy its own adapter, also on the conversion path; throwing ones are contained.
TEST(StringAdapter, FeedsReachOneCallbackConvertedWhenNeeded) {
    const struct { bool has_narrow, has_wide; const char* narrow; const wchar_t* wide; bool feed_null; const wchar_t* want; } rows[] = {
        {true, true, "abc", L"Гл", false, L"c:abc;w:Гл;"},        {true, false, nullptr, L"Гл 1", false, L"c:\u00D0\u0093\u00D0\u00BB 1;"},
        {true, false, nullptr, L"a\u4E2Db", false, L"c:a\u00E4\u00B8\u00ADb;"}, {false, true, "\xD0\x93\xD0\xBB\xFF", nullptr, false, L"w:Гл\uFFFD;"},
        {true, false, nullptr, nullptr, true, L"c:;c:;"},         {false, true, nullptr, nullptr, true, L"w:;w:;"},
        {false, false, "x", L"x", false, L""}};
    for (const auto& r : rows) {
        Received got;
        Tek_string_adapter* adp = ek_string_adp_create(r.has_narrow ? Received::narrow : nullptr, r.has_wide ? Received::wide : nullptr, &got);
        if (r.narrow || r.feed_null) ek_string_adp_feed_c(adp, r.narrow);
        if (r.wide || r.feed_null) ek_string_adp_feed(adp, r.wide);
        EXPECT_EQ((ek_string_adp_destroy(adp), got.log), r.want);
    }
    struct Self { Tek_string_adapter* adp; std::string got; } self{nullptr, {}};
    auto destroying = [](const char* text, void* c) { static_cast<Self*>(c)->got += text, ek_string_adp_destroy(static_cast<Self*>(c)->adp); };
    self.adp = ek_string_adp_create(destroying, nullptr, &self), ek_string_adp_feed(self.adp, L"Г");
    self.adp = ek_string_adp_create(destroying, nullptr, &self), ek_string_adp_feed_c(self.adp, "direct");
    EXPECT_EQ(self.got, "\xD0\x93" "direct");
    auto* thrower = ek_string_adp_create([](const char*, void*) { throw std::runtime_error("host"); }, [](const wchar_t*, void*) { throw 7; }, nullptr);
    EXPECT_NO_THROW((ek_string_adp_feed_c(thrower, "x"), ek_string_adp_feed(thrower, L"x")));
    ek_string_adp_destroy(thrower), ek_string_adp_feed_c(nullptr, "x"), ek_string_adp_feed(nullptr, L"x"), ek_string_adp_destroy(nullptr);
}

// Cyrillic becomes Latin, its signs dropped; any other non-name character (also beyond 16 bits) one '_'; null is the empty text.
TEST(Translit, NamesOfLettersDigitsAndUnderscores) {
    const struct { const wchar_t *text, *want; } rows[] = {
        {L"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", L"ABVGDEEZhZIYKLMNOPRSTUFKhTsChShShchYEYuYa"},
        {L"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", L"abvgdeezhziyklmnoprstufkhtschshshchyeyuya"},
        {L"ЄєІіЇїҐґЎў Київ", L"YeyeIiYiyiGgUu_Kiyiv"}, {L"ЀЏѐџ", L"EDzhedzh"}, {L"Объём Соль", L"Obem_Sol"},
        {L"azAZ09_`{@[/:", L"azAZ09_______"}, {L"été", L"_t_"} /* accented Latin is not ASCII */,
        {L"中\U0001F600Г", L"__G"}, {L"", L""}, {nullptr, L""}};
    for (const auto& r : rows) {
        Received got;
        Tek_string_adapter* adp = ek_string_adp_create(nullptr, Received::wide, &got);
        EXPECT_EQ((ek_translit(r.text, adp), ek_string_adp_destroy(adp), got.log), L"w:" + std::wstring(r.want) + L";");
    }
    ek_translit(L"x", nullptr);  // no adapter: nothing
}

}  // namespace
