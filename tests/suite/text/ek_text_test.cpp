// The one codec of the project: Windows-1251, UTF-8, the host's narrow encoding and case-insensitive comparison.
#include "ek_text.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "support/host_platform.h"

using namespace ek::text;

namespace {

TEST(Codepage, Windows1251BothWays) {
    // ASCII, Cyrillic, a sample of the irregular high half (Ђ € ‰ Ё № ё ї), and 0x98, which is unassigned and maps to the same code point.
    const struct { std::string narrow; std::wstring wide; } rows[] = {
        {"Depth_1", L"Depth_1"}, {"\xC3\xEB\xF3\xE1\xE8\xED\xE0", L"Глубина"}, {"\xC0\xFF", L"Ая"},
        {"\x80\x88\x89\xA8\xB9\xB8\xBF", L"\u0402\u20AC\u2030\u0401\u2116\u0451\u0457"}, {"\x98", L"\u0098"}};
    for (const auto& r : rows) EXPECT_TRUE(cp1251_to_wide(r.narrow) == r.wide && wide_to_cp1251(r.wide) == r.narrow) << r.narrow;
    for (int b = 0; b < 256; ++b) EXPECT_EQ(wide_to_cp1251(cp1251_to_wide(std::string(1, char(b)))), std::string(1, char(b))) << b;
    std::string out;
    char c = 0;
    EXPECT_TRUE(!cp1251_from_wide(L"a\u4E2Db\u00E9\U0001F600", out) && out == "a?b??");  // what the code page lacks becomes '?'
    EXPECT_TRUE(!cp1251_char(0x4E2D, c) && !cp1251_char(0x2123, c) && cp1251_char(0x0416, c) && c == '\xC6');
    // The host's narrow text: in UTF-8 every character has a form and bad bytes become U+FFFD.
    const bool utf8 = ek::test::narrow_code_page() == 65001;
    EXPECT_TRUE(to_narrow_exact(L"\u4E2D", out) == utf8 && out == (utf8 ? "\xE4\xB8\xAD" : "?"));
    EXPECT_TRUE(!to_narrow_exact(std::wstring(1, wchar_t(0xD800)), out) && out == "?" &&
                to_wide("a\xFF") == (ek::test::PerCodePage<std::wstring>{L"a\uFFFD", L"a\u044F", L"a\u00FF"}.here()));
}

// Each byte of a bad sequence (overlong, surrogate, cut short, past U+10FFFF) becomes U+FFFD; the extremes of each length decode.
TEST(Utf8, BothWaysAndInvalidSequences) {
    const std::wstring w = L"x\u0416\u20AC\U0001F600";
    EXPECT_TRUE(to_utf8(w) == "x\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80" && from_utf8(to_utf8(w)) == w);
    const wchar_t no_character = wchar_t(WCHAR_MAX > 0xFFFF ? 0x110000 : 0xDC00);  // past U+10FFFF, or a lone low surrogate
    EXPECT_EQ(to_utf8(std::wstring{no_character, wchar_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    const struct { std::string utf8; std::wstring wide; } rows[] = {
        {"a\xFF" "b", L"a\uFFFDb"}, {"\xC0\x80", L"\uFFFD\uFFFD"}, {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        {"\xED\xBF\xBF", L"\uFFFD\uFFFD\uFFFD"}, {"\xE2\x82", L"\uFFFD\uFFFD"}, {"\xC3\xA4\xC3", L"ä\uFFFD"},
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"}, {"\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", L"\u0080\u0800\U00010000"},
        {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"}};
    for (const auto& r : rows) EXPECT_EQ(from_utf8(r.utf8), r.wide) << ::testing::PrintToString(r.utf8);
}

TEST(NoCase, LatinAndCyrillicAcrossCase) {
    const struct { std::wstring a, b; int sign; } rows[] = {
        {L"gt2DCOORD", L"gt2dCoord", 0}, {L"ГЛУБИНА", L"глубина", 0}, {L"a", L"B", -1}, {L"b", L"A", 1},
        {L"ab", L"ABC", -1}, {L"", L"", 0}, {L"Ёж", L"ёЖ", 0}, {L"\u0430", L"\u0411", -1}};  // а before Б
    for (const auto& r : rows) {
        const int wide = compare_nocase(std::wstring_view(r.a), std::wstring_view(r.b));
        std::string a, b;  // the narrow forms count only where the code page holds both texts
        const bool narrowed = to_narrow_exact(r.a, a) & to_narrow_exact(r.b, b);
        const int narrow = narrowed ? compare_nocase(std::string_view(a), std::string_view(b)) : r.sign;
        EXPECT_TRUE((wide > 0) - (wide < 0) == r.sign && (narrow > 0) - (narrow < 0) == r.sign) << ::testing::PrintToString(r.a + L"|" + r.b);
        EXPECT_TRUE(equal_nocase(std::wstring_view(r.a), std::wstring_view(r.b)) == (r.sign == 0) &&
                    (!narrowed || equal_nocase(std::string_view(a), std::string_view(b)) == (r.sign == 0)));
    }
}

}  // namespace
