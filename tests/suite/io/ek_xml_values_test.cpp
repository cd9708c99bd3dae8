// Values by key: every type reads back as written, in memory and through a file in each
// encoding, and the reads accept what the other writers wrote.
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "ek_text.h"
#include "xml_test_support.h"

namespace ek::test {
namespace {

// Each test writes its values under a root, then reads them from the same tree and again from
// the file saved in the encoding of the parameter.
class ValueRoundTrip : public ::testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override {
        doc_ = new_doc();
        root_ = Node(ek_xml_set_root_w(doc_.get(), L"TGrDoc"));
        ASSERT_TRUE(root_);
    }
    // Runs check on the tree in memory, then on the tree read back from its file.
    template <class Check>
    void both(Check check) {
        check(root_.get());
        ek_xml_set_encoding_w(doc_.get(), GetParam());
        ek_xml_set_whitespaces(doc_.get(), true);
        ASSERT_TRUE(ek_xml_save_to_file_w(doc_.get(), dir_.file("v.xml").c_str()));
        Doc again = new_doc();
        ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), dir_.file("v.xml").c_str()));
        Node root = root_of(again.get());
        ASSERT_TRUE(root);
        check(root.get());
    }
    TempDir dir_;
    Doc doc_;
    Node root_;
};

TEST_P(ValueRoundTrip, Integers32And64) {
    const int ints[] = {0, 1, -1, 42, INT_MIN, INT_MAX};
    const long long longs[] = {0, -1, 1LL << 40, LLONG_MIN, LLONG_MAX};
    for (int v : ints) ASSERT_TRUE(ek_xnode_add_node_int(root_.get(), (L"I" + std::to_wstring(v + 0LL)).c_str(), v));
    for (long long v : longs) ASSERT_TRUE(ek_xnode_add_node_int64(root_.get(), (L"L" + std::to_wstring(v)).c_str(), v));
    both([&](Tek_xml_node* n) {
        for (int v : ints) EXPECT_EQ(ek_xnode_get_node_int(n, (L"I" + std::to_wstring(v + 0LL)).c_str(), 7), v);
        for (long long v : longs) EXPECT_EQ(ek_xnode_get_node_int64(n, (L"L" + std::to_wstring(v)).c_str(), 7), v);
    });
}

TEST_P(ValueRoundTrip, DoublesKeepEveryBit) {
    const uint64_t bits[] = {
        std::bit_cast<uint64_t>(0.1),  std::bit_cast<uint64_t>(1.0 / 3.0), std::bit_cast<uint64_t>(-0.0),
        std::bit_cast<uint64_t>(0.0),  std::bit_cast<uint64_t>(std::numbers::pi),      std::bit_cast<uint64_t>(1e300),
        std::bit_cast<uint64_t>(std::numeric_limits<double>::max()),
        std::bit_cast<uint64_t>(std::numeric_limits<double>::lowest()),
        std::bit_cast<uint64_t>(std::numeric_limits<double>::min()),
        std::bit_cast<uint64_t>(std::numeric_limits<double>::denorm_min()),
        std::bit_cast<uint64_t>(-std::numeric_limits<double>::denorm_min()),
        std::bit_cast<uint64_t>(std::numeric_limits<double>::epsilon()),
        std::bit_cast<uint64_t>(9007199254740993.0),
        0x7FF0000000000000ull,  // +inf
        0xFFF0000000000000ull,  // -inf
        0x7FF8000000000000ull,  // quiet NaN
        0xFFF8000000000000ull,  // the NaN that 0/0 gives on x86
        0x7FF0000000000001ull,  // signalling NaN with the smallest payload
        0xFFFDEADBEEF12345ull,  // negative NaN with a payload
    };
    int k = 0;
    for (uint64_t b : bits)
        ASSERT_TRUE(ek_xnode_add_node_dbl(root_.get(), (L"D" + std::to_wstring(k++)).c_str(), std::bit_cast<double>(b)));
    both([&](Tek_xml_node* n) {
        int i = 0;
        for (uint64_t b : bits) {
            const double got = ek_xnode_get_node_dbl(n, (L"D" + std::to_wstring(i++)).c_str(), 12345.0);
            EXPECT_EQ(std::bit_cast<uint64_t>(got), b) << "value " << i - 1;
        }
    });
}

TEST_P(ValueRoundTrip, BooleansAndTexts) {
    ASSERT_TRUE(ek_xnode_add_node_bool(root_.get(), L"Yes", true));
    ASSERT_TRUE(ek_xnode_add_node_bool(root_.get(), L"No", false));
    const std::wstring tricky = L"  <a & b> \"q\" 'x' ]]> \t tab\r\nCRLF\x01 end  ";
    const std::wstring foreign = L"Глубина ä 中 \U0001F600 €";
    ASSERT_TRUE(ek_xnode_add_node_wstr(root_.get(), L"Tricky", tricky.c_str()));
    ASSERT_TRUE(ek_xnode_add_node_wstr(root_.get(), L"Foreign", foreign.c_str()));
    ASSERT_TRUE(ek_xnode_add_node_wstr(root_.get(), L"Spaces", L"   "));
    ASSERT_TRUE(ek_xnode_add_node_str(root_.get(), "Empty", ""));
    both([&](Tek_xml_node* n) {
        EXPECT_TRUE(ek_xnode_get_node_bool(n, L"Yes", false));
        EXPECT_FALSE(ek_xnode_get_node_bool(n, L"No", true));
        EXPECT_EQ(wstr_value(n, L"Tricky"), tricky);
        EXPECT_EQ(wstr_value(n, L"Foreign"), foreign);
        EXPECT_EQ(wstr_value(n, L"Spaces"), L"   ");
        // An empty value is present: its text is "" and not the default.
        EXPECT_EQ(wstr_value(n, L"Empty"), L"");
        EXPECT_EQ(ek_xnode_get_node_int(n, L"Empty", 9), 9);
    });
}

INSTANTIATE_TEST_SUITE_P(Encodings, ValueRoundTrip, ::testing::Values(L"UTF-8", L"Windows-1251"));

class ValueReads : public ::testing::Test {
protected:
    void SetUp() override {
        doc_ = new_doc();
        root_ = Node(ek_xml_set_root_w(doc_.get(), L"R"));
        ASSERT_TRUE(root_);
    }
    void text(const wchar_t* key, const wchar_t* value) { ASSERT_TRUE(ek_xnode_add_node_wstr(root_.get(), key, value)); }
    Doc doc_;
    Node root_;
};

TEST_F(ValueReads, ReadsAcceptWhatTheOtherWritersWrote) {
    ASSERT_TRUE(ek_xnode_add_node_int64(root_.get(), L"Small", -123456));
    ASSERT_TRUE(ek_xnode_add_node_int64(root_.get(), L"Big", 1LL << 40));
    ASSERT_TRUE(ek_xnode_add_node_int64(root_.get(), L"Exact", 123456789012345LL));
    ASSERT_TRUE(ek_xnode_add_node_int(root_.get(), L"Int", 77));
    text(L"EarthPlane", L"True");
    Tek_xml_node* r = root_.get();
    EXPECT_EQ(ek_xnode_get_node_int(r, L"Small", 0), -123456);
    EXPECT_EQ(ek_xnode_get_node_int(r, L"Big", -5), -5);  // out of 32-bit range: the default
    EXPECT_EQ(ek_xnode_get_node_dbl(r, L"Exact", 0), 123456789012345.0);
    EXPECT_EQ(ek_xnode_get_node_dbl(r, L"Int", 0), 77.0);
    EXPECT_EQ(ek_xnode_get_node_int64(r, L"Int", 0), 77);
    EXPECT_TRUE(ek_xnode_get_node_bool(r, L"EarthPlane", false));
    EXPECT_EQ(wstr_value(r, L"Int"), L"77");
}

TEST_F(ValueReads, TextFormsOfNumbersAndBooleans) {
    const struct {
        const wchar_t* text;
        bool ok_bool, bool_value;
        bool ok_int;
        int int_value;
        bool ok_dbl;
        double dbl_value;
    } cases[] = {
        {L"true", true, true, false, 0, false, 0},      {L"FALSE", true, false, false, 0, false, 0},
        {L"1", true, true, true, 1, true, 1},           {L"0", true, false, true, 0, true, 0},
        {L" 42\n", false, false, true, 42, true, 42},   {L"+7", false, false, true, 7, true, 7},
        {L"-2147483648", false, false, true, INT_MIN, true, -2147483648.0},
        {L"2147483648", false, false, false, 0, true, 2147483648.0},
        {L"1.5", false, false, false, 0, true, 1.5},    {L"-2.5e-3", false, false, false, 0, true, -2.5e-3},
        {L"12abc", false, false, false, 0, false, 0},   {L"", false, false, false, 0, false, 0},
        {L"yes", false, false, false, 0, false, 0},     {L"2", false, false, true, 2, true, 2},
        {L"1e400", false, false, false, 0, false, 0},   {L"--1", false, false, false, 0, false, 0},
        {L"+-1", false, false, false, 0, false, 0},     {L"0x10", false, false, false, 0, false, 0},
        {L"Infinity", false, false, false, 0, true, INFINITY},
        {L"-1.#INF", false, false, false, 0, true, -INFINITY},
    };
    int k = 0;
    for (const auto& c : cases) text((L"K" + std::to_wstring(k++)).c_str(), c.text);
    k = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.text)));
        const std::wstring key = L"K" + std::to_wstring(k++);
        EXPECT_EQ(ek_xnode_get_node_bool(root_.get(), key.c_str(), !c.bool_value), c.ok_bool ? c.bool_value : !c.bool_value);
        EXPECT_EQ(ek_xnode_get_node_int(root_.get(), key.c_str(), -99), c.ok_int ? c.int_value : -99);
        EXPECT_EQ(ek_xnode_get_node_dbl(root_.get(), key.c_str(), -99.5), c.ok_dbl ? c.dbl_value : -99.5);
    }
    text(L"Nan", L"nan");
    EXPECT_TRUE(std::isnan(ek_xnode_get_node_dbl(root_.get(), L"Nan", 0)));
    text(L"BadPayload", L"NAN(0x0)");
    EXPECT_EQ(ek_xnode_get_node_dbl(root_.get(), L"BadPayload", 3.0), 3.0);
}

TEST_F(ValueReads, MissingKeysGiveTheDefault) {
    Tek_xml_node* r = root_.get();
    EXPECT_TRUE(ek_xnode_get_node_bool(r, L"None", true));
    EXPECT_EQ(ek_xnode_get_node_int(r, L"None", -1), -1);
    EXPECT_EQ(ek_xnode_get_node_int64(r, L"None", 1), 1);
    EXPECT_EQ(ek_xnode_get_node_dbl(r, L"None", 2.5), 2.5);
    EXPECT_EQ(str_value(r, "None", "dflt"), "dflt");
    EXPECT_EQ(wstr_value(r, L"None", L"Глубина"), L"Глубина");
    Captured c;
    ek_xnode_get_node_str(r, "None", nullptr, c.adapter());
    EXPECT_EQ(c.feeds, 1);
    EXPECT_EQ(c.wide, L"");
}

TEST_F(ValueReads, NarrowAndWideKeysNameTheSameValue) {
    // "Имя" and "Глубина" in Windows-1251.
    const char* name_1251 = "\xC8\xEC\xFF";
    const char* depth_1251 = "\xC3\xEB\xF3\xE1\xE8\xED\xE0";
    ASSERT_TRUE(ek_xnode_add_node_str(root_.get(), name_1251, depth_1251));
    ASSERT_TRUE(ek_xnode_add_node_wstr(root_.get(), L"Caption", L"Глубина"));
    ASSERT_TRUE(ek_xnode_add_node_int(root_.get(), L"Число", 5));
    EXPECT_EQ(wstr_value(root_.get(), L"Имя"), L"Глубина");
    EXPECT_EQ(str_value(root_.get(), name_1251), depth_1251);
    EXPECT_EQ(str_value(root_.get(), "Caption"), depth_1251);
    EXPECT_EQ(wstr_value(root_.get(), L"Caption"), L"Глубина");
    EXPECT_EQ(str_value(root_.get(), "\xD7\xE8\xF1\xEB\xEE"), "5");
}

TEST_F(ValueReads, TextReachesEitherKindOfReaderWithoutLoss) {
    const std::wstring texts[] = {L"plain ascii", L"Глубина ёЁ №", L"Глубина 中 ä", L"", L"\x98"};
    int k = 0;
    for (const std::wstring& t : texts) text((L"T" + std::to_wstring(k++)).c_str(), t.c_str());
    k = 0;
    for (const std::wstring& t : texts) {
        const std::string key = "T" + std::to_string(k++);
        Captured wide, narrow(true);
        ek_xnode_get_node_str(root_.get(), key.c_str(), "d", wide.adapter());
        ek_xnode_get_node_str(root_.get(), key.c_str(), "d", narrow.adapter());
        EXPECT_EQ(wide.wide, t) << key;
        EXPECT_EQ(narrow.narrow, ek::text::to_narrow(t)) << key;  // what the code page can hold
        EXPECT_EQ(wstr_value(root_.get(), std::wstring(key.begin(), key.end()).c_str()), t) << key;
    }
}

TEST_F(ValueReads, KeysThatAreNoElementNameAreRefused) {
    for (const wchar_t* bad : {L"", L"1abc", L"a b", L"<x>", L"a&b", L"-x"}) {
        EXPECT_FALSE(ek_xnode_add_node_int(root_.get(), bad, 1)) << ::testing::PrintToString(std::wstring(bad));
        EXPECT_FALSE(ek_xnode_add_node_wstr(root_.get(), bad, L"v"));
        EXPECT_EQ(ek_xnode_set_node_w(root_.get(), bad), nullptr);
    }
    EXPECT_EQ(ek_xnode_get_node_by_no(root_.get(), 0), nullptr);  // nothing was added
}

}  // namespace
}  // namespace ek::test
