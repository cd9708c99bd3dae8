// Variants, tuples and tables: each kind through every getter, deep copies, the order, bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>

#include "ek_text.h"
#include "ekx_basic.h"

namespace {

struct Any {  // a variant that cleans up after itself
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

// Assigns a value written as "<kind letter>:<value>": i integer, d double, s narrow text, w wide text,
// p pointer to target[n], t tuple of n empty elements; S, W, T a null text or tuple; ? an unknown kind;
// nothing clears.
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

// Each kind answers through its own getter only (an integer widens to a double); a null text or tuple
// is stored empty; an unknown kind reads as empty. A copy is of the same kind and compares equal;
// clearing empties. The order: kinds never compare equal, texts by code-page byte, NaN equals NaN
// and sorts after every number, a null variant is an empty one; antisymmetric throughout.
TEST(Variant, EveryKindThroughEveryGetterAndTheOrder) {
    const struct { const wchar_t* written; const char* getters; } rows[] = {
        {L"", "0 0 0 - - - -"}, {L"i:-5000000000", "1 -5000000000 -5e+09 - - - -"}, {L"d:2.5", "2 0 2.5 - - - -"},
        {L"s:\xC3\xEB", "3 0 0 '\xC3\xEB' - - -"}, {L"S", "3 0 0 '' - - -"}, {L"w:Г", "4 0 0 - \"Г\" - -"}, {L"W", "4 0 0 - \"\" - -"},
        {L"t:3", "5 0 0 - - - 3"}, {L"T", "5 0 0 - - - 0"}, {L"p:1", "6 0 0 - - 1 -"}, {L"?", "0 0 0 - - - -"},
    };
    for (const auto& r : rows) {
        Any a, copy, empty;
        any_assign_integer(&a.v, 7), set(&a.v, r.written);  // over something to replace
        any_assign_double(&copy.v, 1), any_assign(&copy.v, &a.v);
        EXPECT_EQ(getters(&a.v), r.getters) << testing::PrintToString(std::wstring(r.written));
        EXPECT_EQ(getters(&copy.v), r.getters) << testing::PrintToString(std::wstring(r.written));
        EXPECT_TRUE(any_compare(&a.v, &copy.v) == 0 && (any_compare(&a.v, &empty.v) == 0) == (r.getters[0] == '0'));
        any_clear(&a.v);
        EXPECT_EQ(a.v.kind, EK_ANY_EMPTY);
    }
    const struct { const wchar_t *a, *b; int sign; } order[] = {
        {L"i:1", L"i:2", -1},      {L"i:1", L"d:1", -1},       {L"d:1", L"s:1", -1},      {L"d:-1", L"d:0.5", -1},
        {L"d:nan", L"d:nan", 0},   {L"d:1e300", L"d:nan", -1}, {L"s:abc", L"s:abd", -1}, {L"s:abc", L"s:abc", 0},
        {L"s:abc", L"s:\xE0", -1}, {L"w:x", L"w:y", -1},       {L"w:x", L"w:x", 0},       {L"p:0", L"p:1", -1},
        {L"T", L"t:3", -1},        {L"S", L"s:", 0},           {L"", L"?", 0},            {L"", L"i:0", -1},
    };
    for (const auto& r : order) {
        Any a, b;
        set(&a.v, r.a), set(&b.v, r.b);
        const int ab = any_compare(&a.v, &b.v), ba = any_compare(&b.v, &a.v);
        EXPECT_TRUE((ab > 0) - (ab < 0) == r.sign && (ba > 0) - (ba < 0) == -r.sign) << testing::PrintToString(std::wstring(r.a) + L" " + r.b);
    }
    Any zero;
    any_assign_integer(&zero.v, 0);
    EXPECT_TRUE(any_compare(nullptr, nullptr) == 0 && any_compare(nullptr, &zero.v) < 0 && getters(nullptr) == "0 0 0 - - - -");
}

// A copy is deep and independent; copying from inside the target itself is safe; null is harmless.
TEST(Variant, CopiesAreDeepAndMayComeFromInsideTheTarget) {
    Tuple inner(2), t(2);
    any_assign_string(tuple_get(&inner.t, 0), "depth");
    Any src, dst;
    any_assign_tuple(&src.v, &inner.t), any_assign(&dst.v, &src.v), any_assign_string(tuple_get(any_get_tuple(&src.v), 0), "other");
    EXPECT_STREQ(any_get_string(tuple_get(any_get_tuple(&dst.v), 0)), "depth");
    any_assign(&dst.v, nullptr);  // a null source empties
    EXPECT_EQ(any_get_kind(&dst.v), EK_ANY_EMPTY);
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
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(any_get_kind(tuple_get(&t.t, i)), EK_ANY_EMPTY);
        any_assign_integer(tuple_get(&t.t, i), long(i));
    }
    EXPECT_TRUE(!tuple_get(&t.t, 100) && any_get_integer(tuple_get(&t.t, 57)) == 57);  // survived the growth
    tuple_resize(&t.t, 3), tuple_resize(&t.t, SIZE_MAX), tuple_resize(&t.t, SIZE_MAX / 2);  // impossible sizes: unchanged
    EXPECT_EQ(tuple_get(&t.t, 3), nullptr);
    tuple_resize(&t.t, 5);  // elements come back empty, not with their old values
    EXPECT_TRUE(any_get_kind(tuple_get(&t.t, 4)) == EK_ANY_EMPTY && any_get_integer(tuple_get(&t.t, 2)) == 2);
    EXPECT_GT(tuple_compare(&t.t, &other.t), 0);  // a longer tuple with an equal start sorts after
    tuple_assign(&other.t, &t.t);
    EXPECT_EQ(tuple_compare(&t.t, &other.t), 0);
    any_assign_integer(tuple_get(&other.t, 0), -1);
    EXPECT_TRUE(any_get_integer(tuple_get(&t.t, 0)) == 0 && tuple_compare(&other.t, &t.t) < 0);  // own copies
    tuple_assign(&t.t, &t.t);
    EXPECT_EQ(tuple_get_size(&t.t), 5u);
    tuple_assign(&t.t, nullptr);
    EXPECT_EQ(tuple_get_size(&t.t), 0u);
    tuple_init(nullptr), tuple_clear(nullptr), tuple_resize(nullptr, 3), tuple_assign(nullptr, &t.t);
    EXPECT_TRUE(!tuple_get_size(nullptr) && !tuple_compare(nullptr, nullptr) && !tuple_compare(nullptr, &t.t) && !tuple_get(nullptr, 0));

    Tek_table *a = table_create(), *b = table_create();
    EXPECT_EQ(table_get_row(a, 0), nullptr);
    table_resize(a, 1);
    Tek_tuple* first = table_get_row(a, 0);
    tuple_resize(first, 2), any_assign_string(tuple_get(first, 0), "name"), table_resize(a, 1000);
    EXPECT_TRUE(table_get_row(a, 0) == first && !table_get_row(a, 1000) && tuple_get_size(table_get_row(a, 999)) == 0);
    EXPECT_STREQ(any_get_string(tuple_get(first, 0)), "name");
    table_resize(a, SIZE_MAX);  // refused, not attempted
    EXPECT_EQ(table_get_size(a), 1000u);
    table_resize(a, 2);
    EXPECT_GT(table_compare(a, b), 0);
    table_assign(b, a);
    EXPECT_EQ(table_compare(a, b), 0);
    any_assign_double(tuple_get(table_get_row(b, 0), 1), 5.0);  // independent storage
    EXPECT_EQ(any_get_kind(tuple_get(table_get_row(a, 0), 1)), EK_ANY_EMPTY);
    EXPECT_TRUE(table_compare(a, b) < 0 && table_compare(b, a) > 0);
    table_resize(b, 1), any_clear(tuple_get(table_get_row(b, 0), 1));
    EXPECT_GT(table_compare(a, b), 0);  // fewer rows with an equal start sort first
    table_assign(a, a);
    EXPECT_EQ(table_get_size(a), 2u);
    table_assign(a, nullptr);
    EXPECT_TRUE(table_get_size(a) == 0 && table_compare(nullptr, a) == 0 && table_compare(nullptr, b) < 0);
    table_destroy(nullptr), table_assign(nullptr, a), table_resize(nullptr, 4);
    EXPECT_TRUE(table_get_size(nullptr) == 0 && !table_get_row(nullptr, 0));
    table_destroy(a), table_destroy(b);
}

}  // namespace
