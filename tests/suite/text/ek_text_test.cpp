#include "ek_text.h"

#include <gtest/gtest.h>

using namespace ek::text;

TEST(Codepage, AsciiIsUnchanged) {
    EXPECT_EQ(to_wide("Depth_1"), L"Depth_1");
    EXPECT_EQ(to_narrow(L"Depth_1"), "Depth_1");
}

TEST(Codepage, CyrillicRoundTrip) {
    const std::string narrow = "\xC3\xEB\xF3\xE1\xE8\xED\xE0";  // Глубина in Windows-1251
    EXPECT_EQ(to_wide(narrow), L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430");
    EXPECT_EQ(to_narrow(to_wide(narrow)), narrow);
}

TEST(Codepage, HighHalfTableAgreesWithWindows1251) {
    // A sample of the irregular rows: Ђ, €, ‰, Ё, №, ё, ї.
    EXPECT_EQ(to_wide('\x80'), L'\u0402');
    EXPECT_EQ(to_wide('\x88'), L'\u20AC');
    EXPECT_EQ(to_wide('\x89'), L'\u2030');
    EXPECT_EQ(to_wide('\xA8'), L'\u0401');
    EXPECT_EQ(to_wide('\xB9'), L'\u2116');
    EXPECT_EQ(to_wide('\xB8'), L'\u0451');
    EXPECT_EQ(to_wide('\xBF'), L'\u0457');
}

TEST(Codepage, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string s(1, static_cast<char>(b));
        EXPECT_EQ(to_narrow(to_wide(s)), s) << "byte " << b;
    }
}

TEST(Codepage, UnassignedByteMapsToSameCodePoint) { EXPECT_EQ(to_wide('\x98'), L'\u0098'); }

TEST(Codepage, MissingCharacterBecomesQuestionMark) {
    EXPECT_EQ(to_narrow(L"a\u4E2Db\u00E9"), "a?b?");
    char c = 0;
    EXPECT_FALSE(narrow_char(0x4E2D, c));
    EXPECT_TRUE(narrow_char(0x0416, c));
    EXPECT_EQ(static_cast<unsigned char>(c), 0xC6);
}

TEST(Utf8, RoundTripIncludingAstralPlane) {
    const std::wstring w = L"x\u0416\u20AC\U0001F600";
    const std::string u = to_utf8(w);
    EXPECT_EQ(u, "x\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(from_utf8(u), w);
}

TEST(Utf8, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(from_utf8("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(from_utf8("\xC0\x80"), L"\uFFFD\uFFFD");  // overlong NUL
    EXPECT_EQ(from_utf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(from_utf8("\xE2\x82"), L"\uFFFD\uFFFD");  // truncated
}

TEST(NoCase, LatinAndCyrillicCompareEqualAcrossCase) {
    EXPECT_EQ(compare_nocase(std::wstring_view(L"gt2DCOORD"), std::wstring_view(L"gt2dCoord")), 0);
    EXPECT_EQ(compare_nocase(std::wstring_view(L"\u0413\u041B\u0423\u0411\u0418\u041D\u0410"),
                             std::wstring_view(L"\u0433\u043B\u0443\u0431\u0438\u043D\u0430")),
              0);
    EXPECT_TRUE(equal_nocase(std::string_view("\xC3\xEB"), std::string_view("\xE3\xCB")));  // Гл / гЛ
}

TEST(NoCase, OrderingAndPrefixes) {
    EXPECT_LT(compare_nocase(std::wstring_view(L"a"), std::wstring_view(L"B")), 0);
    EXPECT_GT(compare_nocase(std::wstring_view(L"b"), std::wstring_view(L"A")), 0);
    EXPECT_LT(compare_nocase(std::wstring_view(L"ab"), std::wstring_view(L"ABC")), 0);
    EXPECT_FALSE(equal_nocase(std::wstring_view(L"ab"), std::wstring_view(L"abc")));
    EXPECT_EQ(compare_nocase(std::wstring_view(L""), std::wstring_view(L"")), 0);
}
