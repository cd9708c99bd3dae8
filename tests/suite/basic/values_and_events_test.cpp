// Variants, tuples and tables (each kind through every getter, deep copies, the order, bad input), update
// events and their property lists, event queues, and channels whose clients change them during delivery.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <sstream>
#include <stdexcept>

#include "ek_text.h"
#include "ekx_basic.h"

namespace {

struct Any {  // a variant and a tuple that clean up after themselves
    Tek_any v;
    Any() { any_init(&v); }
    ~Any() { any_clear(&v); }
};
struct Tuple {
    Tek_tuple t;
    explicit Tuple(size_t n = 0) { tuple_init(&t), tuple_resize(&t, n); }
    ~Tuple() { tuple_clear(&t); }
};

int target[2];

// Assigns a value written as "<kind letter>:<value>": i integer, d double, s narrow text, w wide text, p pointer
// to target[n], t tuple of n empty elements; S, W, T a null text or tuple; ? an unknown kind; nothing clears.
void set(Tek_any* a, const std::wstring& written) {
    const std::wstring v = written.size() > 2 ? written.substr(2) : L"";
    switch (written.empty() ? L' ' : written[0]) {
        case L'i': return any_assign_integer(a, std::stoll(v));
        case L'd': return any_assign_double(a, v == L"nan" ? NAN : std::stod(v));
        case L's': return any_assign_string(a, std::string(v.begin(), v.end()).c_str());
        case L'w': return any_assign_wstring(a, v.c_str());
        case L'p': return any_assign_pointer(a, &target[std::stoi(v)]);
        case L't': { Tuple t(std::stoi(v)); return any_assign_tuple(a, &t.t); }
        case L'S': return any_assign_string(a, nullptr);
        case L'W': return any_assign_wstring(a, nullptr);
        case L'T': return any_assign_tuple(a, nullptr);
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
        {L"s:\xC3\xEB", "3 0 0 '\xC3\xEB' - - -"}, {L"S", "3 0 0 '' - - -"}, {L"w:Г", "4 0 0 - \"Г\" - -"}, {L"W", "4 0 0 - \"\" - -"},
        {L"t:3", "5 0 0 - - - 3"}, {L"T", "5 0 0 - - - 0"}, {L"p:1", "6 0 0 - - 1 -"}, {L"?", "0 0 0 - - - -"}};
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
        {L"T", L"t:3", -1},        {L"S", L"s:", 0},           {L"", L"?", 0},            {L"", L"i:0", -1}};
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

// Growing keeps what was there (elements empty, rows at their addresses), impossible sizes are refused,
// copies are deep, and the order compares element by element, then by length; null is the empty one.
TEST(Tuple, ResizeAssignAndCompare) {
    Tuple t, other;
    EXPECT_EQ(tuple_get(&t.t, 0), nullptr);
    tuple_resize(&t.t, 100);
    size_t empty = 0;
    for (size_t i = 0; i < 100; ++i) empty += any_get_kind(tuple_get(&t.t, i)) == EK_ANY_EMPTY, any_assign_integer(tuple_get(&t.t, i), long(i));
    EXPECT_TRUE(empty == 100 && !tuple_get(&t.t, 100) && any_get_integer(tuple_get(&t.t, 57)) == 57);  // survived the growth
    tuple_resize(&t.t, 3), tuple_resize(&t.t, SIZE_MAX), tuple_resize(&t.t, SIZE_MAX / 2);  // impossible sizes: unchanged
    EXPECT_EQ(tuple_get(&t.t, 3), nullptr);
    tuple_resize(&t.t, 5);  // elements come back empty, not with their old values
    EXPECT_TRUE(any_get_kind(tuple_get(&t.t, 4)) == EK_ANY_EMPTY && any_get_integer(tuple_get(&t.t, 2)) == 2);
    EXPECT_GT(tuple_compare(&t.t, &other.t), 0);  // a longer tuple with an equal start sorts after
    EXPECT_EQ((tuple_assign(&other.t, &t.t), tuple_compare(&t.t, &other.t)), 0);
    any_assign_integer(tuple_get(&other.t, 0), -1);
    EXPECT_TRUE(any_get_integer(tuple_get(&t.t, 0)) == 0 && tuple_compare(&other.t, &t.t) < 0);  // own copies
    EXPECT_EQ((tuple_assign(&t.t, &t.t), tuple_get_size(&t.t)), 5u);
    EXPECT_EQ((tuple_assign(&t.t, nullptr), tuple_get_size(&t.t)), 0u);
    tuple_init(nullptr), tuple_clear(nullptr), tuple_resize(nullptr, 3), tuple_assign(nullptr, &t.t);
    EXPECT_TRUE(!tuple_get_size(nullptr) && !tuple_compare(nullptr, nullptr) && !tuple_compare(nullptr, &t.t) && !tuple_get(nullptr, 0));

    Tek_table *a = table_create(), *b = table_create();
    EXPECT_EQ(table_get_row(a, 0), nullptr);
    Tek_tuple* first = (table_resize(a, 1), table_get_row(a, 0));
    tuple_resize(first, 2), any_assign_string(tuple_get(first, 0), "name"), table_resize(a, 1000);
    EXPECT_TRUE(table_get_row(a, 0) == first && !table_get_row(a, 1000) && tuple_get_size(table_get_row(a, 999)) == 0);
    EXPECT_STREQ(any_get_string(tuple_get(first, 0)), "name");
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
        out += i ? "," : "";
        if (any_get_kind(key) == EK_ANY_INTEGER) out += std::to_string(any_get_integer(key));
        else out.append("'").append(any_get_string(key) ? any_get_string(key) : "?").append("'");
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

// Delivery is synchronous and in the order clients were added; a client removed during a broadcast
// is not called after its removal, one added during it not for that broadcast.
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
    h.b.react = [&](Harness& h) {
        b_saw += std::to_string(ek_event_queue_get_size(h.queue)) + "x" +
                 std::to_string(any_get_integer(tuple_get(ek_event_queue_get_event(h.queue, 0), 1))) + " ";
    };
    EXPECT_EQ((ek_event_channel_broadcast(h.ch, &original.t), any_get_integer(tuple_get(&original.t, 1))), 42);
    EXPECT_EQ((ek_event_channel_broadcast(h.ch, &original.t), b_saw), "1x42 1x42 ");
    h.a.react = h.b.react = {};
    ek_event_channel_broadcast(h.ch, nullptr);   // no event: nothing delivered
    ek_event_channel_broadcast(h.ch, &empty.t);  // an empty tuple is an event all the same
    EXPECT_EQ(h.log, "a0 b0 a0 b0 a0 b0");
    ek_event_channel_destroy(nullptr), ek_event_channel_add_client(nullptr, Harness::on_event, &h.a);
    ek_event_channel_del_client(nullptr, nullptr, nullptr), ek_event_channel_broadcast(nullptr, &empty.t);
    EXPECT_EQ(ek_event_channel_get_client_count(nullptr), 0u);
}

}  // namespace
