// Variants, tuples and tables: each kind through every getter, deep copies, the order, bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

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

// Each kind answers through its own getter only (an integer widens to a double); a null text or tuple
// is stored empty; an unknown kind reads as empty. A copy compares equal to its source.
TEST(Variant, EachKindThroughEveryGetter) {
    const struct { const wchar_t* written; int kind; long long i; double d; const char* s; const wchar_t* w; int* p; long n; } rows[] = {
        {L"", EK_ANY_EMPTY, 0, 0, nullptr, nullptr, nullptr, -1},
        {L"i:-5000000000", EK_ANY_INTEGER, -5'000'000'000LL, -5e9, nullptr, nullptr, nullptr, -1},
        {L"d:2.5", EK_ANY_DOUBLE, 0, 2.5, nullptr, nullptr, nullptr, -1},
        {L"s:\xC3\xEB", EK_ANY_STRING, 0, 0, "\xC3\xEB", nullptr, nullptr, -1},
        {L"S", EK_ANY_STRING, 0, 0, "", nullptr, nullptr, -1},
        {L"w:Г", EK_ANY_WSTRING, 0, 0, nullptr, L"Г", nullptr, -1},
        {L"W", EK_ANY_WSTRING, 0, 0, nullptr, L"", nullptr, -1},
        {L"p:0", EK_ANY_POINTER, 0, 0, nullptr, nullptr, &target[0], -1},
        {L"t:3", EK_ANY_TUPLE, 0, 0, nullptr, nullptr, nullptr, 3},
        {L"T", EK_ANY_TUPLE, 0, 0, nullptr, nullptr, nullptr, 0},
        {L"?", EK_ANY_EMPTY, 0, 0, nullptr, nullptr, nullptr, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(r.written)));
        Any a, copy, empty;
        any_assign_integer(&a.v, 7);  // something to replace
        set(&a.v, r.written);
        EXPECT_EQ(any_get_kind(&a.v), r.kind);
        EXPECT_EQ(any_get_integer(&a.v), r.i);
        EXPECT_EQ(any_get_double(&a.v), r.d);
        EXPECT_STREQ(any_get_string(&a.v), r.s);
        EXPECT_STREQ(any_get_wstring(&a.v), r.w);
        EXPECT_EQ(any_get_pointer(&a.v), r.p);
        EXPECT_EQ(any_get_tuple(&a.v) ? long(tuple_get_size(any_get_tuple(&a.v))) : -1, r.n);
        any_assign_double(&copy.v, 1), any_assign(&copy.v, &a.v);
        EXPECT_EQ(any_get_kind(&copy.v), r.kind);
        EXPECT_EQ(any_compare(&a.v, &copy.v), 0);
        EXPECT_EQ(any_compare(&a.v, &empty.v) == 0, r.kind == EK_ANY_EMPTY);
        any_clear(&a.v);
        EXPECT_EQ(a.v.kind, EK_ANY_EMPTY);
    }
}

// Equal values compare 0; otherwise the order is antisymmetric. Kinds never compare equal; texts by
// code-page byte; NaN equals NaN and sorts after every number; a null variant is an empty one.
TEST(Variant, CompareOrdersByKindThenValue) {
    const struct { const wchar_t *a, *b; int sign; } rows[] = {
        {L"i:1", L"i:2", -1},       {L"i:1", L"d:1", -1},     {L"d:1", L"s:1", -1},      {L"d:-1", L"d:0.5", -1},
        {L"d:nan", L"d:nan", 0},    {L"d:1e300", L"d:nan", -1}, {L"s:abc", L"s:abd", -1}, {L"s:abc", L"s:abc", 0},
        {L"s:abc", L"s:\xE0", -1},  {L"w:x", L"w:y", -1},     {L"w:x", L"w:x", 0},       {L"p:0", L"p:1", -1},
        {L"T", L"t:3", -1},         {L"S", L"s:", 0},         {L"", L"?", 0},            {L"", L"i:0", -1},
    };
    for (const auto& r : rows) {
        Any a, b;
        set(&a.v, r.a), set(&b.v, r.b);
        const int ab = any_compare(&a.v, &b.v), ba = any_compare(&b.v, &a.v);
        EXPECT_EQ((ab > 0) - (ab < 0), r.sign) << testing::PrintToString(std::wstring(r.a) + L" " + r.b);
        EXPECT_EQ((ba > 0) - (ba < 0), -r.sign) << testing::PrintToString(std::wstring(r.a) + L" " + r.b);
    }
    Any zero;
    any_assign_integer(&zero.v, 0);
    EXPECT_EQ(any_compare(nullptr, nullptr), 0);
    EXPECT_LT(any_compare(nullptr, &zero.v), 0);
}

// A copy is deep and independent; copying from inside the target itself is safe.
TEST(Variant, CopiesAreDeepAndMayComeFromInsideTheTarget) {
    Tuple inner(2), t(2);
    any_assign_string(tuple_get(&inner.t, 0), "depth");
    Any src, dst;
    any_assign_tuple(&src.v, &inner.t), any_assign(&dst.v, &src.v);
    any_assign_string(tuple_get(any_get_tuple(&src.v), 0), "other");
    EXPECT_STREQ(any_get_string(tuple_get(any_get_tuple(&dst.v), 0)), "depth");
    any_assign(&dst.v, nullptr);  // a null source empties
    EXPECT_EQ(any_get_kind(&dst.v), EK_ANY_EMPTY);
    any_assign_string(&dst.v, "keep"), any_assign(&dst.v, &dst.v), any_assign_string(&dst.v, any_get_string(&dst.v));
    EXPECT_STREQ(any_get_string(&dst.v), "keep");
    any_assign_integer(tuple_get(&t.t, 0), 7);
    any_assign_tuple(tuple_get(&t.t, 1), &t.t);  // a tuple copied into one of its own elements
    Tek_tuple* nested = any_get_tuple(tuple_get(&t.t, 1));
    ASSERT_EQ(tuple_get_size(nested), 2u);
    EXPECT_EQ(any_get_integer(tuple_get(nested, 0)), 7);
    EXPECT_EQ(any_get_kind(tuple_get(nested, 1)), EK_ANY_EMPTY);
    any_assign(tuple_get(&t.t, 1), tuple_get(nested, 0));  // replaced by a copy of its own element
    EXPECT_EQ(any_get_integer(tuple_get(&t.t, 1)), 7);
    any_init(nullptr), any_clear(nullptr), any_assign(nullptr, nullptr), any_assign_integer(nullptr, 1);
    any_assign_double(nullptr, 1), any_assign_string(nullptr, "x"), any_assign_wstring(nullptr, L"x");
    any_assign_tuple(nullptr, nullptr), any_assign_pointer(nullptr, nullptr);
    EXPECT_EQ(any_get_kind(nullptr) + any_get_integer(nullptr) + any_get_double(nullptr), 0);
    EXPECT_TRUE(!any_get_string(nullptr) && !any_get_wstring(nullptr) && !any_get_tuple(nullptr) && !any_get_pointer(nullptr));
}

TEST(Tuple, ResizeAssignAndCompare) {
    Tuple t, other;
    EXPECT_EQ(tuple_get(&t.t, 0), nullptr);
    tuple_resize(&t.t, 100);
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(any_get_kind(tuple_get(&t.t, i)), EK_ANY_EMPTY);
        any_assign_integer(tuple_get(&t.t, i), long(i));
    }
    EXPECT_EQ(tuple_get(&t.t, 100), nullptr);
    EXPECT_EQ(any_get_integer(tuple_get(&t.t, 57)), 57);  // survived the growth
    tuple_resize(&t.t, 3), tuple_resize(&t.t, SIZE_MAX), tuple_resize(&t.t, SIZE_MAX / 2);  // impossible sizes: unchanged
    EXPECT_EQ(tuple_get(&t.t, 3), nullptr);
    tuple_resize(&t.t, 5);  // elements come back empty, not with their old values
    EXPECT_EQ(any_get_kind(tuple_get(&t.t, 4)), EK_ANY_EMPTY);
    EXPECT_EQ(any_get_integer(tuple_get(&t.t, 2)), 2);
    EXPECT_GT(tuple_compare(&t.t, &other.t), 0);  // a longer tuple with an equal start sorts after
    tuple_assign(&other.t, &t.t);
    EXPECT_EQ(tuple_compare(&t.t, &other.t), 0);
    any_assign_integer(tuple_get(&other.t, 0), -1);
    EXPECT_EQ(any_get_integer(tuple_get(&t.t, 0)), 0);  // own copies
    EXPECT_LT(tuple_compare(&other.t, &t.t), 0);
    tuple_assign(&t.t, &t.t);
    EXPECT_EQ(tuple_get_size(&t.t), 5u);
    tuple_assign(&t.t, nullptr);
    EXPECT_EQ(tuple_get_size(&t.t), 0u);
    tuple_init(nullptr), tuple_clear(nullptr), tuple_resize(nullptr, 3), tuple_assign(nullptr, &t.t);
    EXPECT_EQ(tuple_get_size(nullptr) + tuple_compare(nullptr, nullptr) + tuple_compare(nullptr, &t.t), 0u);
    EXPECT_EQ(tuple_get(nullptr, 0), nullptr);
}

TEST(Table, RowsKeepTheirAddressesAndCopiesAreDeep) {
    Tek_table *a = table_create(), *b = table_create();
    EXPECT_EQ(table_get_row(a, 0), nullptr);
    table_resize(a, 1);
    Tek_tuple* first = table_get_row(a, 0);
    tuple_resize(first, 2), any_assign_string(tuple_get(first, 0), "name"), table_resize(a, 1000);
    EXPECT_EQ(table_get_row(a, 0), first);
    EXPECT_STREQ(any_get_string(tuple_get(first, 0)), "name");
    EXPECT_EQ(tuple_get_size(table_get_row(a, 999)), 0u);
    EXPECT_EQ(table_get_row(a, 1000), nullptr);
    table_resize(a, SIZE_MAX);  // refused, not attempted
    EXPECT_EQ(table_get_size(a), 1000u);
    table_resize(a, 2);
    EXPECT_GT(table_compare(a, b), 0);
    table_assign(b, a);
    EXPECT_EQ(table_compare(a, b), 0);
    any_assign_double(tuple_get(table_get_row(b, 0), 1), 5.0);  // independent storage
    EXPECT_EQ(any_get_kind(tuple_get(table_get_row(a, 0), 1)), EK_ANY_EMPTY);
    EXPECT_LT(table_compare(a, b), 0);
    EXPECT_GT(table_compare(b, a), 0);
    table_resize(b, 1), any_clear(tuple_get(table_get_row(b, 0), 1));
    EXPECT_GT(table_compare(a, b), 0);  // fewer rows with an equal start sort first
    table_assign(a, a);
    EXPECT_EQ(table_get_size(a), 2u);
    table_assign(a, nullptr);
    EXPECT_EQ(table_get_size(a), 0u);
    EXPECT_EQ(table_compare(nullptr, a), 0);
    EXPECT_LT(table_compare(nullptr, b), 0);
    table_destroy(nullptr), table_assign(nullptr, a), table_resize(nullptr, 4);
    EXPECT_EQ(table_get_size(nullptr), 0u);
    EXPECT_EQ(table_get_row(nullptr, 0), nullptr);
    table_destroy(a), table_destroy(b);
}

}  // namespace
