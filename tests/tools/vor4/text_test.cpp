// The tool's text edges: UTF-8 from the command line to wchar_t and back, number texts, and
// comma-separated option values.
#include <gtest/gtest.h>

#include <cmath>

#include "failure.h"
#include "text.h"

namespace {

TEST(Vor4Text, Utf8ToWideAndBack) {
    const struct { const char* name; std::string utf8; std::wstring wide; bool round_trip; } rows[] = {
        {"ascii", "A~\x7F", L"A~\x7F", true}, {"two-byte bounds", "\xC2\x80\xDF\xBF", L"\x80\x7FF", true}, {"cyrillic", "Глубина", L"Глубина", true},
        {"three-byte bounds", "\xE0\xA0\x80\xEF\xBF\xBF", L"\x800\xFFFF", true}, {"four-byte bounds", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", L"\x10000\x10FFFF", true},
        {"past U+10FFFF: every byte replaced", "\xF4\x90\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD", false},
        {"overlong", "\xC0\xAFx", L"\xFFFD\xFFFDx", false}, {"surrogate", "\xED\xA0\x80", L"\xFFFD\xFFFD\xFFFD", false},
        {"truncated at the end", "a\xE2\x82", L"a\xFFFD\xFFFD", false}, {"lone continuation and 0xFF", "\x80\xFF", L"\xFFFD\xFFFD", false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vor4::widen(r.utf8), r.wide) << r.name;
        EXPECT_TRUE(!r.round_trip || vor4::narrow(r.wide) == r.utf8) << r.name;
    }
    // Wide characters that are no Unicode scalar value each become U+FFFD; UTF-32 has no pairs: two surrogates are two errors.
    const auto wide = [](std::initializer_list<unsigned> codes) { return std::wstring(codes.begin(), codes.end()); };
    EXPECT_EQ(vor4::narrow(wide({0xD800})) + vor4::narrow(wide({0x110000})), "\xEF\xBF\xBD\xEF\xBF\xBD");
    if constexpr (sizeof(wchar_t) == 4) { EXPECT_EQ(vor4::narrow(wide({0xD800, 0xDC00})), "\xEF\xBF\xBD\xEF\xBF\xBD"); }
}

TEST(Vor4Text, NumbersReadBackAndStayPlainAtEverydayMagnitudes) {
    const struct { double value; const char* text; } rows[] = {
        {1e6, "1000000"}, {0.5, "0.5"}, {-2.75, "-2.75"}, {0, "0"}, {1e-4, "0.0001"}, {1e-5, "1e-05"},
        {1e15, "1e+15"}, {0.1 + 0.2, "0.30000000000000004"}, {NAN, "nan"}, {-INFINITY, "-inf"}};
    for (const auto& r : rows) EXPECT_EQ(vor4::format_number(r.value), r.text) << r.text;
    EXPECT_EQ(vor4::format_number(0.1f), "0.1");
    EXPECT_EQ(vor4::format_number(16777216.0f), "16777216");
}

TEST(Vor4Text, OptionListsTakeOnlyTheAllowedCounts) {
    EXPECT_EQ(vor4::parse_numbers("1,-2.5", "--origin", {2, 3}), (std::vector<double>{1, -2.5}));
    EXPECT_EQ(vor4::parse_counts("4,3,2", "--grid", {2, 3}), (std::vector<long long>{4, 3, 2}));
    for (const char* bad : {"1,,2", "1,x", "", "1,2,", "1.5,2"}) EXPECT_THROW(vor4::parse_counts(bad, "--grid", {2, 3}), vor4::UsageError) << bad;
    EXPECT_THROW(vor4::parse_numbers("1,2,3,4", "--cell", {2, 3}), vor4::UsageError);
}

}  // namespace
