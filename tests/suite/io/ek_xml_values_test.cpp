// Values by key: every type reads back as written, in memory and through a file in each encoding;
// the reads accept what the other writers wrote, and refuse texts that are not of their type.
#include <bit>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

#include "ek_text.h"
#include "xml_test_support.h"

namespace ek::test {
namespace {

using dbl = std::numeric_limits<double>;

// Writes every value under a root, then reads them from the tree and again from the file saved in
// the encoding of the parameter.
class ValueRoundTrip : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(ValueRoundTrip, EveryTypeReadsBackAsWritten) {
    const int ints[] = {0, 1, -1, 42, INT_MIN, INT_MAX};
    const long long longs[] = {0, -1, 1LL << 40, LLONG_MIN, LLONG_MAX};
    const uint64_t doubles[] = {
        std::bit_cast<uint64_t>(0.1), std::bit_cast<uint64_t>(1.0 / 3), std::bit_cast<uint64_t>(-0.0), 0,
        std::bit_cast<uint64_t>(std::numbers::pi), std::bit_cast<uint64_t>(1e300), std::bit_cast<uint64_t>(dbl::max()),
        std::bit_cast<uint64_t>(dbl::lowest()), std::bit_cast<uint64_t>(dbl::min()), std::bit_cast<uint64_t>(dbl::denorm_min()),
        std::bit_cast<uint64_t>(-dbl::denorm_min()), std::bit_cast<uint64_t>(9007199254740993.0),
        0x7FF0000000000000ull, 0xFFF0000000000000ull,  // infinities
        0x7FF8000000000000ull, 0xFFF8000000000000ull,  // quiet NaNs, the second the one 0/0 gives on x86
        0x7FF0000000000001ull, 0xFFFDEADBEEF12345ull,  // NaNs with payloads
    };
    const std::wstring texts[] = {L"  <a & b> \"q\" 'x' ]]> \t tab\r\nCRLF\x01 end  ", L"Глубина ä 中 \U0001F600 €", L"   ",
                                  L""};
    TempDir dir;
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    auto key = [](const char* kind, size_t i) { return std::wstring(kind, kind + 1) + std::to_wstring(i); };
    for (size_t i = 0; i < std::size(ints); ++i) ASSERT_TRUE(ek_xnode_add_node_int(root.get(), key("I", i).c_str(), ints[i]));
    for (size_t i = 0; i < std::size(longs); ++i) ASSERT_TRUE(ek_xnode_add_node_int64(root.get(), key("L", i).c_str(), longs[i]));
    for (size_t i = 0; i < std::size(doubles); ++i)
        ASSERT_TRUE(ek_xnode_add_node_dbl(root.get(), key("D", i).c_str(), std::bit_cast<double>(doubles[i])));
    for (size_t i = 0; i < std::size(texts); ++i) ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), key("T", i).c_str(), texts[i].c_str()));
    ASSERT_TRUE(ek_xnode_add_node_bool(root.get(), L"Yes", true) && ek_xnode_add_node_bool(root.get(), L"No", false));
    ASSERT_TRUE(ek_xnode_add_node_str(root.get(), "Empty", ""));
    auto check = [&](Tek_xml_node* n) {
        for (size_t i = 0; i < std::size(ints); ++i) EXPECT_EQ(ek_xnode_get_node_int(n, key("I", i).c_str(), 7), ints[i]);
        for (size_t i = 0; i < std::size(longs); ++i) EXPECT_EQ(ek_xnode_get_node_int64(n, key("L", i).c_str(), 7), longs[i]);
        for (size_t i = 0; i < std::size(doubles); ++i)
            EXPECT_EQ(std::bit_cast<uint64_t>(ek_xnode_get_node_dbl(n, key("D", i).c_str(), 12345.0)), doubles[i]) << i;
        for (size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(wstr_value(n, key("T", i).c_str()), texts[i]) << i;
        EXPECT_TRUE(ek_xnode_get_node_bool(n, L"Yes", false));
        EXPECT_FALSE(ek_xnode_get_node_bool(n, L"No", true));
        EXPECT_EQ(wstr_value(n, L"Empty"), L"");  // present, so not the default
        EXPECT_EQ(ek_xnode_get_node_int(n, L"Empty", 9), 9);
    };
    check(root.get());
    ek_xml_set_encoding_w(doc.get(), GetParam());
    ek_xml_set_whitespaces(doc.get(), true);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("v.xml").c_str()));
    Doc again = new_doc();
    ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), dir.file("v.xml").c_str()));
    check(root_of(again.get()).get());
}

INSTANTIATE_TEST_SUITE_P(Encodings, ValueRoundTrip, ::testing::Values(L"UTF-8", L"Windows-1251"));

// Each text stored as a value, read as boolean, 32-bit integer and double; a refused text gives the default.
TEST(ValueReads, TextFormsOfNumbersAndBooleans) {
    const struct { const wchar_t* text; int as_bool; bool ok_int; int int_value; bool ok_dbl; double dbl_value; } rows[] = {
        {L"true", 1, false, 0, false, 0},   {L"FALSE", 0, false, 0, false, 0},  {L"True", 1, false, 0, false, 0},
        {L"1", 1, true, 1, true, 1},         {L"0", 0, true, 0, true, 0},         {L"2", -1, true, 2, true, 2},
        {L" 42\n", -1, true, 42, true, 42},  {L"+7", -1, true, 7, true, 7},       {L"-2147483648", -1, true, INT_MIN, true, -2147483648.0},
        {L"2147483648", -1, false, 0, true, 2147483648.0},                        {L"1.5", -1, false, 0, true, 1.5},
        {L"-2.5e-3", -1, false, 0, true, -2.5e-3},                                 {L"12abc", -1, false, 0, false, 0},
        {L"", -1, false, 0, false, 0},       {L"yes", -1, false, 0, false, 0},    {L"1e400", -1, false, 0, false, 0},
        {L"--1", -1, false, 0, false, 0},    {L"+-1", -1, false, 0, false, 0},    {L"0x10", -1, false, 0, false, 0},
        {L"Infinity", -1, false, 0, true, INFINITY},                              {L"-1.#INF", -1, false, 0, true, -INFINITY},
        {L"NAN(0x0)", -1, false, 0, false, 0},                                     {L"nan(0x12345678901234)", -1, false, 0, false, 0},
    };
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(r.text)));
        ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), L"K", r.text));
        EXPECT_EQ(ek_xnode_get_node_bool(root.get(), L"K", false), r.as_bool == 1);
        EXPECT_EQ(ek_xnode_get_node_bool(root.get(), L"K", true), r.as_bool != 0);
        EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K", -99), r.ok_int ? r.int_value : -99);
        EXPECT_EQ(ek_xnode_get_node_dbl(root.get(), L"K", -99.5), r.ok_dbl ? r.dbl_value : -99.5);
        root.reset(ek_xml_set_root_w(doc.get(), L"R"));  // a new tree for the next text
    }
    ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), L"N", L"nan") && ek_xnode_add_node_wstr(root.get(), L"P", L"-nan(0xdeadbeef)"));
    EXPECT_TRUE(std::isnan(ek_xnode_get_node_dbl(root.get(), L"N", 0)));
    EXPECT_EQ(std::bit_cast<uint64_t>(ek_xnode_get_node_dbl(root.get(), L"P", 0)), 0xFFF00000DEADBEEFull);
}

TEST(ValueReads, ReadsAcceptWhatTheOtherWritersWrote) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    Tek_xml_node* r = root.get();
    ASSERT_TRUE(ek_xnode_add_node_int64(r, L"Small", -123456) && ek_xnode_add_node_int64(r, L"Big", 1LL << 40) &&
                ek_xnode_add_node_int64(r, L"Exact", 123456789012345LL) && ek_xnode_add_node_int(r, L"Int", 77) &&
                ek_xnode_add_node_wstr(r, L"EarthPlane", L"True"));
    EXPECT_EQ(ek_xnode_get_node_int(r, L"Small", 0), -123456);
    EXPECT_EQ(ek_xnode_get_node_int(r, L"Big", -5), -5);  // out of 32-bit range: the default
    EXPECT_EQ(ek_xnode_get_node_dbl(r, L"Exact", 0), 123456789012345.0);
    EXPECT_EQ(ek_xnode_get_node_dbl(r, L"Int", 0), 77.0);
    EXPECT_EQ(ek_xnode_get_node_int64(r, L"Int", 0), 77);
    EXPECT_TRUE(ek_xnode_get_node_bool(r, L"EarthPlane", false));
    EXPECT_EQ(wstr_value(r, L"Int"), L"77");
    // Missing keys give the default, a null one the empty text, fed once.
    EXPECT_TRUE(ek_xnode_get_node_bool(r, L"None", true));
    EXPECT_EQ(ek_xnode_get_node_int(r, L"None", -1), -1);
    EXPECT_EQ(ek_xnode_get_node_int64(r, L"None", 1LL << 40), 1LL << 40);
    EXPECT_EQ(ek_xnode_get_node_dbl(r, L"None", 2.5), 2.5);
    EXPECT_EQ(str_value(r, "None", "dflt"), "dflt");
    EXPECT_EQ(wstr_value(r, L"None", L"Глубина"), L"Глубина");
    Captured c;
    ek_xnode_get_node_str(r, "None", nullptr, c.adapter);
    EXPECT_EQ(c.feeds, 1);
    EXPECT_EQ(c.wide, L"");
}

// A narrow key or text (the host's encoding, UTF-8 here) and a wide one with the same characters
// are the same; either kind of reader gets the text without loss.
TEST(ValueReads, NarrowAndWideNameTheSameValue) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    const char* name = "\xD0\x98\xD0\xBC\xD1\x8F";  // Имя
    const char* depth = "\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0";  // Глубина
    ASSERT_TRUE(ek_xnode_add_node_str(root.get(), name, depth));
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"Число", 5));
    EXPECT_EQ(wstr_value(root.get(), L"Имя"), L"Глубина");
    EXPECT_EQ(str_value(root.get(), name), depth);
    EXPECT_EQ(str_value(root.get(), "\xD0\xA7\xD0\xB8\xD1\x81\xD0\xBB\xD0\xBE"), "5");
    const std::wstring texts[] = {L"plain ascii", L"Глубина ёЁ №", L"Глубина 中 ä", L"", L"\x98"};
    for (size_t k = 0; k < std::size(texts); ++k) {
        const std::string key = "T" + std::to_string(k);
        ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), std::wstring(key.begin(), key.end()).c_str(), texts[k].c_str()));
        Captured wide, narrow(true);
        ek_xnode_get_node_str(root.get(), key.c_str(), "d", wide.adapter);
        ek_xnode_get_node_str(root.get(), key.c_str(), "d", narrow.adapter);
        EXPECT_EQ(wide.wide, texts[k]) << key;
        EXPECT_EQ(narrow.narrow, ek::text::to_narrow(texts[k])) << key;
    }
}

TEST(ValueReads, KeysThatAreNoElementNameAreRefused) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    for (const wchar_t* bad : {L"", L"1abc", L"a b", L"<x>", L"a&b", L"-x", L"a\u00D7b", L"\u00A9", L"\u2190"}) {
        EXPECT_FALSE(ek_xnode_add_node_int(root.get(), bad, 1) || ek_xnode_add_node_wstr(root.get(), bad, L"v"))
            << ::testing::PrintToString(std::wstring(bad));
        EXPECT_EQ(ek_xnode_set_node_w(root.get(), bad), nullptr);
    }
    EXPECT_EQ(ek_xnode_get_node_by_no(root.get(), 0), nullptr);  // nothing was added
    for (const wchar_t* good : {L"_a", L"a-1.b", L"Глубина", L"\u00C0\u00B7", L"\u4E2D"})
        EXPECT_TRUE(ek_xnode_add_node_int(root.get(), good, 1)) << ::testing::PrintToString(std::wstring(good));
}

}  // namespace
}  // namespace ek::test
