// Variants, tuples and tables: ownership, deep copies, ordering and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "ekx_basic.h"

namespace {

// A variant that cleans up after itself; &a gives the Tek_any*, as in C code.
struct Any {
    Tek_any v;
    Any() { any_init(&v); }
    ~Any() { any_clear(&v); }
    Tek_any* operator&() { return &v; }
};

struct Tuple {
    Tek_tuple t;
    Tuple() { tuple_init(&t); }
    ~Tuple() { tuple_clear(&t); }
    Tek_tuple* operator&() { return &t; }
};

int sign(int v) { return (v > 0) - (v < 0); }

TEST(Variant, EachKindReadsBackOnlyThroughItsOwnGetter) {
    Any a;
    EXPECT_EQ(any_get_kind(&a), EK_ANY_EMPTY);
    any_assign_integer(&a, -5'000'000'000LL);
    EXPECT_EQ(any_get_kind(&a), EK_ANY_INTEGER);
    EXPECT_EQ(any_get_integer(&a), -5'000'000'000LL);
    EXPECT_DOUBLE_EQ(any_get_double(&a), -5e9);  // widened
    EXPECT_EQ(any_get_string(&a), nullptr);

    any_assign_double(&a, 2.5);
    EXPECT_EQ(any_get_kind(&a), EK_ANY_DOUBLE);
    EXPECT_EQ(any_get_integer(&a), 0);
    EXPECT_EQ(any_get_double(&a), 2.5);

    any_assign_string(&a, "\xC3\xEB");
    EXPECT_STREQ(any_get_string(&a), "\xC3\xEB");
    EXPECT_EQ(any_get_wstring(&a), nullptr);
    EXPECT_EQ(any_get_double(&a), 0.0);

    any_assign_wstring(&a, L"\u0413");
    EXPECT_STREQ(any_get_wstring(&a), L"\u0413");
    EXPECT_EQ(any_get_string(&a), nullptr);

    int target = 0;
    any_assign_pointer(&a, &target);
    EXPECT_EQ(any_get_pointer(&a), &target);
    EXPECT_EQ(any_get_tuple(&a), nullptr);

    Tuple t;
    tuple_resize(&t, 3);
    any_assign_tuple(&a, &t);
    ASSERT_NE(any_get_tuple(&a), nullptr);
    EXPECT_EQ(tuple_get_size(any_get_tuple(&a)), 3u);
    EXPECT_EQ(any_get_pointer(&a), nullptr);

    any_clear(&a);
    EXPECT_EQ(any_get_kind(&a), EK_ANY_EMPTY);
}

TEST(Variant, NullTextsBecomeEmptyTexts) {
    Any a;
    any_assign_string(&a, nullptr);
    ASSERT_NE(any_get_string(&a), nullptr);
    EXPECT_STREQ(any_get_string(&a), "");
    any_assign_wstring(&a, nullptr);
    ASSERT_NE(any_get_wstring(&a), nullptr);
    EXPECT_STREQ(any_get_wstring(&a), L"");
    any_assign_tuple(&a, nullptr);
    ASSERT_NE(any_get_tuple(&a), nullptr);
    EXPECT_EQ(tuple_get_size(any_get_tuple(&a)), 0u);
}

TEST(Variant, AssignMakesAnIndependentDeepCopy) {
    Tuple inner;
    tuple_resize(&inner, 2);
    any_assign_string(tuple_get(&inner, 0), "depth");
    any_assign_double(tuple_get(&inner, 1), 1.5);
    Any src;
    any_assign_tuple(&src, &inner);
    Any dst;
    any_assign(&dst, &src);
    EXPECT_EQ(any_compare(&src, &dst), 0);

    // Changing the source afterwards leaves the copy as it was.
    any_assign_string(tuple_get(any_get_tuple(&src), 0), "other");
    EXPECT_STREQ(any_get_string(tuple_get(any_get_tuple(&dst), 0)), "depth");
    EXPECT_NE(any_get_tuple(&src), any_get_tuple(&dst));
    EXPECT_NE(any_compare(&src, &dst), 0);

    // A null source empties.
    any_assign(&dst, nullptr);
    EXPECT_EQ(any_get_kind(&dst), EK_ANY_EMPTY);
}

TEST(Variant, AssigningFromInsideItselfIsSafe) {
    Any a;
    any_assign(&a, &a);  // self
    any_assign_string(&a, "keep");
    any_assign(&a, &a);
    EXPECT_STREQ(any_get_string(&a), "keep");
    // The text handed in is the variant's own.
    any_assign_string(&a, any_get_string(&a));
    EXPECT_STREQ(any_get_string(&a), "keep");

    // A tuple copied into one of its own elements.
    Tuple t;
    tuple_resize(&t, 2);
    any_assign_integer(tuple_get(&t, 0), 7);
    any_assign_tuple(tuple_get(&t, 1), &t);
    Tek_tuple* nested = any_get_tuple(tuple_get(&t, 1));
    ASSERT_NE(nested, nullptr);
    ASSERT_EQ(tuple_get_size(nested), 2u);
    EXPECT_EQ(any_get_integer(tuple_get(nested, 0)), 7);
    EXPECT_EQ(any_get_kind(tuple_get(nested, 1)), EK_ANY_EMPTY);
    // And a variant replaced by a copy of its own nested element.
    any_assign(tuple_get(&t, 1), tuple_get(nested, 0));
    EXPECT_EQ(any_get_integer(tuple_get(&t, 1)), 7);
}

TEST(Variant, CompareIsZeroForEqualValuesAndAConsistentOrderOtherwise) {
    Any a, b, c;
    EXPECT_EQ(any_compare(&a, &b), 0);  // both empty
    any_assign_integer(&a, 1);
    any_assign_integer(&b, 2);
    EXPECT_LT(any_compare(&a, &b), 0);
    EXPECT_GT(any_compare(&b, &a), 0);

    // Different kinds never compare equal, and the order is antisymmetric and transitive.
    any_assign_double(&b, 1.0);
    any_assign_string(&c, "1");
    const int ab = sign(any_compare(&a, &b)), bc = sign(any_compare(&b, &c)), ac = sign(any_compare(&a, &c));
    EXPECT_NE(ab, 0);
    EXPECT_EQ(ab, -sign(any_compare(&b, &a)));
    EXPECT_EQ(bc, -sign(any_compare(&c, &b)));
    if (ab == bc) {
        EXPECT_EQ(ac, ab);
    }

    any_assign_string(&a, "abc");
    any_assign_string(&b, "abd");
    EXPECT_LT(any_compare(&a, &b), 0);
    any_assign_string(&b, "abc");
    EXPECT_EQ(any_compare(&a, &b), 0);
    // Texts compare by code-page byte value, high bytes after ASCII.
    any_assign_string(&b, "\xE0");
    EXPECT_LT(any_compare(&a, &b), 0);

    any_assign_wstring(&a, L"x");
    any_assign_wstring(&b, L"x");
    EXPECT_EQ(any_compare(&a, &b), 0);

    int p[2];
    any_assign_pointer(&a, &p[0]);
    any_assign_pointer(&b, &p[1]);
    EXPECT_LT(any_compare(&a, &b), 0);
}

TEST(Variant, NanComparesEqualToItsCopy) {
    Any a, b;
    any_assign_double(&a, std::numeric_limits<double>::quiet_NaN());
    any_assign(&b, &a);
    EXPECT_EQ(any_compare(&a, &b), 0);
    any_assign_double(&b, 1e300);
    EXPECT_GT(any_compare(&a, &b), 0);
    EXPECT_LT(any_compare(&b, &a), 0);
}

TEST(Variant, NullVariantsAreHarmless) {
    any_init(nullptr);
    any_clear(nullptr);
    any_assign(nullptr, nullptr);
    any_assign_integer(nullptr, 1);
    any_assign_double(nullptr, 1);
    any_assign_string(nullptr, "x");
    any_assign_wstring(nullptr, L"x");
    any_assign_tuple(nullptr, nullptr);
    any_assign_pointer(nullptr, nullptr);
    EXPECT_EQ(any_get_kind(nullptr), EK_ANY_EMPTY);
    EXPECT_EQ(any_get_integer(nullptr), 0);
    EXPECT_EQ(any_get_double(nullptr), 0.0);
    EXPECT_EQ(any_get_string(nullptr), nullptr);
    EXPECT_EQ(any_get_wstring(nullptr), nullptr);
    EXPECT_EQ(any_get_tuple(nullptr), nullptr);
    EXPECT_EQ(any_get_pointer(nullptr), nullptr);
    Any a;
    EXPECT_EQ(any_compare(nullptr, nullptr), 0);
    EXPECT_EQ(any_compare(nullptr, &a), 0);  // a missing variant is an empty one
    any_assign_integer(&a, 0);
    EXPECT_NE(any_compare(nullptr, &a), 0);
}

TEST(Variant, UnknownKindIsTreatedAsEmpty) {
    Tek_any odd;
    odd.kind = 99;
    odd.value.integer = 12345;
    EXPECT_EQ(any_get_kind(&odd), EK_ANY_EMPTY);
    Any copy;
    any_assign_integer(&copy, 3);
    any_assign(&copy, &odd);
    EXPECT_EQ(any_get_kind(&copy), EK_ANY_EMPTY);
    Any empty;
    EXPECT_EQ(any_compare(&odd, &empty), 0);
    any_clear(&odd);
    EXPECT_EQ(odd.kind, EK_ANY_EMPTY);
}

TEST(Tuple, ResizeAddsEmptyElementsAndFreesRemovedOnes) {
    Tuple t;
    EXPECT_EQ(tuple_get_size(&t), 0u);
    EXPECT_EQ(tuple_get(&t, 0), nullptr);
    tuple_resize(&t, 100);
    ASSERT_EQ(tuple_get_size(&t), 100u);
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_NE(tuple_get(&t, i), nullptr);
        EXPECT_EQ(any_get_kind(tuple_get(&t, i)), EK_ANY_EMPTY);
        any_assign_string(tuple_get(&t, i), std::to_string(i).c_str());
    }
    EXPECT_EQ(tuple_get(&t, 100), nullptr);
    EXPECT_STREQ(any_get_string(tuple_get(&t, 57)), "57");  // survived the growth
    tuple_resize(&t, 3);
    EXPECT_EQ(tuple_get_size(&t), 3u);
    EXPECT_EQ(tuple_get(&t, 3), nullptr);
    tuple_resize(&t, 5);  // elements 3 and 4 come back empty, not with their old texts
    EXPECT_EQ(any_get_kind(tuple_get(&t, 4)), EK_ANY_EMPTY);
    EXPECT_STREQ(any_get_string(tuple_get(&t, 2)), "2");
    tuple_clear(&t);
    EXPECT_EQ(tuple_get_size(&t), 0u);
    EXPECT_EQ(tuple_get(&t, 0), nullptr);
}

TEST(Tuple, AnImpossibleSizeLeavesTheTupleUnchanged) {
    Tuple t;
    tuple_resize(&t, 2);
    any_assign_integer(tuple_get(&t, 1), 9);
    tuple_resize(&t, SIZE_MAX);
    tuple_resize(&t, SIZE_MAX / 2);
    ASSERT_EQ(tuple_get_size(&t), 2u);
    EXPECT_EQ(any_get_integer(tuple_get(&t, 1)), 9);
}

TEST(Tuple, AssignAndCompare) {
    Tuple a, b;
    EXPECT_EQ(tuple_compare(&a, &b), 0);
    tuple_resize(&a, 2);
    any_assign_integer(tuple_get(&a, 0), 1);
    any_assign_wstring(tuple_get(&a, 1), L"w");
    EXPECT_GT(tuple_compare(&a, &b), 0);  // a longer tuple with an equal start sorts after
    tuple_assign(&b, &a);
    EXPECT_EQ(tuple_compare(&a, &b), 0);
    EXPECT_NE(any_get_wstring(tuple_get(&a, 1)), any_get_wstring(tuple_get(&b, 1)));  // own copies
    any_assign_integer(tuple_get(&b, 0), 0);
    EXPECT_GT(tuple_compare(&a, &b), 0);
    EXPECT_LT(tuple_compare(&b, &a), 0);
    tuple_assign(&a, &a);
    EXPECT_EQ(tuple_get_size(&a), 2u);
    tuple_assign(&a, nullptr);
    EXPECT_EQ(tuple_get_size(&a), 0u);
}

TEST(Tuple, NullTuplesAreHarmless) {
    tuple_init(nullptr);
    tuple_clear(nullptr);
    tuple_resize(nullptr, 3);
    EXPECT_EQ(tuple_get_size(nullptr), 0u);
    EXPECT_EQ(tuple_get(nullptr, 0), nullptr);
    tuple_assign(nullptr, nullptr);
    Tuple t;
    tuple_assign(nullptr, &t);
    EXPECT_EQ(tuple_compare(nullptr, nullptr), 0);
    EXPECT_EQ(tuple_compare(nullptr, &t), 0);
}

TEST(Table, RowsResizeAndKeepTheirAddressesWhileTheTableGrows) {
    Tek_table* table = table_create();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table_get_size(table), 0u);
    EXPECT_EQ(table_get_row(table, 0), nullptr);
    table_resize(table, 1);
    Tek_tuple* first = table_get_row(table, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(tuple_get_size(first), 0u);
    tuple_resize(first, 2);
    any_assign_string(tuple_get(first, 0), "name");
    table_resize(table, 1000);
    EXPECT_EQ(table_get_size(table), 1000u);
    EXPECT_EQ(table_get_row(table, 0), first);
    EXPECT_STREQ(any_get_string(tuple_get(first, 0)), "name");
    EXPECT_EQ(tuple_get_size(table_get_row(table, 999)), 0u);
    EXPECT_EQ(table_get_row(table, 1000), nullptr);
    table_resize(table, 0);
    EXPECT_EQ(table_get_size(table), 0u);
    table_resize(table, SIZE_MAX);  // refused, not attempted
    EXPECT_EQ(table_get_size(table), 0u);
    table_destroy(table);
}

TEST(Table, AssignIsDeepAndCompareSeesEveryValue) {
    Tek_table* a = table_create();
    Tek_table* b = table_create();
    EXPECT_EQ(table_compare(a, b), 0);
    table_resize(a, 2);
    for (size_t r = 0; r < 2; ++r) {
        Tek_tuple* row = table_get_row(a, r);
        tuple_resize(row, 2);
        any_assign_string(tuple_get(row, 0), r ? "second" : "first");
        any_assign_double(tuple_get(row, 1), static_cast<double>(r));
    }
    table_assign(b, a);
    EXPECT_EQ(table_get_size(b), 2u);
    EXPECT_EQ(table_compare(a, b), 0);
    // Independent storage.
    any_assign_double(tuple_get(table_get_row(b, 1), 1), 5.0);
    EXPECT_EQ(any_get_double(tuple_get(table_get_row(a, 1), 1)), 1.0);
    const int ab = table_compare(a, b);
    EXPECT_LT(ab, 0);
    EXPECT_GT(table_compare(b, a), 0);
    // Fewer rows with an equal start sort first.
    table_resize(b, 1);
    EXPECT_GT(table_compare(a, b), 0);
    table_assign(a, a);
    EXPECT_EQ(table_get_size(a), 2u);
    table_assign(a, nullptr);
    EXPECT_EQ(table_get_size(a), 0u);
    table_destroy(a);
    table_destroy(b);
}

TEST(Table, NullTablesAreHarmless) {
    table_destroy(nullptr);
    table_assign(nullptr, nullptr);
    table_resize(nullptr, 4);
    EXPECT_EQ(table_get_size(nullptr), 0u);
    EXPECT_EQ(table_get_row(nullptr, 0), nullptr);
    EXPECT_EQ(table_compare(nullptr, nullptr), 0);
    Tek_table* t = table_create();
    EXPECT_EQ(table_compare(nullptr, t), 0);
    table_resize(t, 1);
    EXPECT_LT(table_compare(nullptr, t), 0);
    table_assign(nullptr, t);
    table_destroy(t);
}

}  // namespace
