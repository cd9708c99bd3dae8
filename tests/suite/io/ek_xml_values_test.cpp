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
    auto b = [](double x) { return std::bit_cast<uint64_t>(x); };
    const uint64_t doubles[] = {b(0.1), b(1.0 / 3), b(-0.0), 0, b(std::numbers::pi), b(1e300), b(dbl::max()), b(dbl::lowest()),
                                b(dbl::min()), b(dbl::denorm_min()), b(-dbl::denorm_min()), b(9007199254740993.0),
                                0x7FF0000000000000ull, 0xFFF0000000000000ull,  // infinities
                                0x7FF8000000000000ull, 0xFFF8000000000000ull,  // quiet NaNs, the second the one 0/0 gives on x86
                                0x7FF0000000000001ull, 0xFFFDEADBEEF12345ull};  // NaNs with payloads
    const std::wstring texts[] = {L"  <a & b> \"q\" 'x' ]]> \t tab\r\nCRLF\x01 end  ", L"Глубина ä 中 \U0001F600 €", L"   ", L""};
    TempDir dir;
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    auto key = [](wchar_t kind, size_t i) { return kind + std::to_wstring(i); };
    for (size_t i = 0; i < std::size(ints); ++i) ASSERT_TRUE(ek_xnode_add_node_int(root.get(), key('I', i).c_str(), ints[i]));
    for (size_t i = 0; i < std::size(longs); ++i) ASSERT_TRUE(ek_xnode_add_node_int64(root.get(), key('L', i).c_str(), longs[i]));
    for (size_t i = 0; i < std::size(doubles); ++i) ASSERT_TRUE(ek_xnode_add_node_dbl(root.get(), key('D', i).c_str(), std::bit_cast<double>(doubles[i])));
    for (size_t i = 0; i < std::size(texts); ++i) ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), key('T', i).c_str(), texts[i].c_str()));
    ASSERT_TRUE(ek_xnode_add_node_bool(root.get(), L"Yes", true) && ek_xnode_add_node_bool(root.get(), L"No", false));
    ASSERT_TRUE(ek_xnode_add_node_str(root.get(), "Empty", ""));
    auto check = [&](Tek_xml_node* n) {
        for (size_t i = 0; i < std::size(ints); ++i) EXPECT_EQ(ek_xnode_get_node_int(n, key('I', i).c_str(), 7), ints[i]);
        for (size_t i = 0; i < std::size(longs); ++i) EXPECT_EQ(ek_xnode_get_node_int64(n, key('L', i).c_str(), 7), longs[i]);
        for (size_t i = 0; i < std::size(doubles); ++i) EXPECT_EQ(b(ek_xnode_get_node_dbl(n, key('D', i).c_str(), 12345.0)), doubles[i]) << i;
        for (size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(wstr_value(n, key('T', i).c_str()), texts[i]) << i;
        EXPECT_TRUE(ek_xnode_get_node_bool(n, L"Yes", false) && !ek_xnode_get_node_bool(n, L"No", true));
        EXPECT_TRUE(wstr_value(n, L"Empty").empty() && ek_xnode_get_node_int(n, L"Empty", 9) == 9);  // present, so not the default
    };
    check(root.get());
    ek_xml_set_encoding_w(doc.get(), GetParam()), ek_xml_set_whitespaces(doc.get(), true);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("v.xml").c_str()));
    Doc again = load_file(dir.file("v.xml").c_str());
    ASSERT_TRUE(again);
    check(root_of(again.get()).get());
}

INSTANTIATE_TEST_SUITE_P(Encodings, ValueRoundTrip, ::testing::Values(L"UTF-8", L"Windows-1251"));

// Each text stored as a value, read as boolean, 32-bit integer and double; a refused text gives the
// default (-1 as boolean: neither; -99 and -99.5 as numbers).
TEST(ValueReads, TextFormsOfNumbersAndBooleans) {
    const struct { const wchar_t* text; int as_bool; int as_int; double as_dbl; } rows[] = {
        {L"true", 1, -99, -99.5},       {L"FALSE", 0, -99, -99.5},    {L"True", 1, -99, -99.5},     {L"1", 1, 1, 1},
        {L"0", 0, 0, 0},                {L"2", -1, 2, 2},             {L" 42\n", -1, 42, 42},       {L"+7", -1, 7, 7},
        {L"-2147483648", -1, INT_MIN, -2147483648.0},                 {L"2147483648", -1, -99, 2147483648.0},
        {L"1.5", -1, -99, 1.5},         {L"-2.5e-3", -1, -99, -2.5e-3}, {L"12abc", -1, -99, -99.5}, {L"", -1, -99, -99.5},
        {L"yes", -1, -99, -99.5},       {L"1e400", -1, -99, -99.5},   {L"--1", -1, -99, -99.5},     {L"+-1", -1, -99, -99.5},
        {L"0x10", -1, -99, -99.5},      {L"Infinity", -1, -99, INFINITY}, {L"-1.#INF", -1, -99, -INFINITY},
        {L"NAN(0x0)", -1, -99, -99.5},  {L"nan(0x12345678901234)", -1, -99, -99.5},
    };
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(r.text)));
        ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), L"K", r.text));
        EXPECT_EQ(ek_xnode_get_node_bool(root.get(), L"K", false), r.as_bool == 1);
        EXPECT_EQ(ek_xnode_get_node_bool(root.get(), L"K", true), r.as_bool != 0);
        EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K", -99), r.as_int);
        EXPECT_EQ(ek_xnode_get_node_dbl(root.get(), L"K", -99.5), r.as_dbl);
        root.reset(ek_xml_set_root_w(doc.get(), L"R"));  // a new tree for the next text
    }
    ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), L"N", L"nan") && ek_xnode_add_node_wstr(root.get(), L"P", L"-nan(0xdeadbeef)"));
    EXPECT_TRUE(std::isnan(ek_xnode_get_node_dbl(root.get(), L"N", 0)));
    EXPECT_EQ(std::bit_cast<uint64_t>(ek_xnode_get_node_dbl(root.get(), L"P", 0)), 0xFFF00000DEADBEEFull);
}

// Reads accept what the other writers wrote; missing keys give the default, a null one the empty
// text, fed once. A narrow key or text (the host's encoding, UTF-8 here) and a wide one with the same
// characters are the same; either kind of reader gets the text without loss.
TEST(ValueReads, ReadsAcceptWhatTheOtherWritersWroteNarrowOrWide) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    Tek_xml_node* r = root.get();
    ASSERT_TRUE(ek_xnode_add_node_int64(r, L"Small", -123456) && ek_xnode_add_node_int64(r, L"Big", 1LL << 40) &&
                ek_xnode_add_node_int64(r, L"Exact", 123456789012345LL) && ek_xnode_add_node_int(r, L"Int", 77) &&
                ek_xnode_add_node_wstr(r, L"EarthPlane", L"True"));
    EXPECT_TRUE(ek_xnode_get_node_int(r, L"Small", 0) == -123456 && ek_xnode_get_node_int(r, L"Big", -5) == -5);  // 32 bits or the default
    EXPECT_TRUE(ek_xnode_get_node_dbl(r, L"Exact", 0) == 123456789012345.0 && ek_xnode_get_node_dbl(r, L"Int", 0) == 77.0);
    EXPECT_TRUE(ek_xnode_get_node_int64(r, L"Int", 0) == 77 && ek_xnode_get_node_bool(r, L"EarthPlane", false));
    EXPECT_EQ(wstr_value(r, L"Int"), L"77");
    EXPECT_TRUE(ek_xnode_get_node_bool(r, L"None", true) && ek_xnode_get_node_int(r, L"None", -1) == -1);
    EXPECT_TRUE(ek_xnode_get_node_int64(r, L"None", 1LL << 40) == 1LL << 40 && ek_xnode_get_node_dbl(r, L"None", 2.5) == 2.5);
    EXPECT_TRUE(str_value(r, "None", "dflt") == "dflt" && wstr_value(r, L"None", L"Глубина") == L"Глубина");
    Captured c;
    ek_xnode_get_node_str(r, "None", nullptr, c.adapter);
    EXPECT_TRUE(c.feeds == 1 && c.wide.empty());

    const char* name = "\xD0\x98\xD0\xBC\xD1\x8F";  // Имя
    const char* depth = "\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0";  // Глубина
    ASSERT_TRUE(ek_xnode_add_node_str(r, name, depth) && ek_xnode_add_node_int(r, L"Число", 5));
    EXPECT_TRUE(wstr_value(r, L"Имя") == L"Глубина" && str_value(r, name) == depth);
    EXPECT_EQ(str_value(r, "\xD0\xA7\xD0\xB8\xD1\x81\xD0\xBB\xD0\xBE"), "5");
    const std::wstring texts[] = {L"plain ascii", L"Глубина ёЁ №", L"Глубина 中 ä", L"", L"\x98"};
    for (size_t k = 0; k < std::size(texts); ++k) {
        const std::string key = "T" + std::to_string(k);
        ASSERT_TRUE(ek_xnode_add_node_wstr(r, std::wstring(key.begin(), key.end()).c_str(), texts[k].c_str()));
        Captured wide, narrow(true);
        ek_xnode_get_node_str(r, key.c_str(), "d", wide.adapter), ek_xnode_get_node_str(r, key.c_str(), "d", narrow.adapter);
        EXPECT_TRUE(wide.wide == texts[k] && narrow.narrow == ek::text::to_narrow(texts[k])) << key;
    }
}

}  // namespace
}  // namespace ek::test
