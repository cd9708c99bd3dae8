// Paths, names and captions beyond any one code page reach the disk and come back; narrow text is the
// host's encoding (UTF-8, Windows-1251 or Windows-1252: this runs under each the platform offers).
#include <set>

#include "api/api_test_support.h"
#include "ek_text.h"
#include "support/host_platform.h"

namespace fs = std::filesystem;
using Narrow = ek::test::PerCodePage<std::string>;

namespace {

struct Text {
    const wchar_t* wide;
    Narrow narrow;  // '?' where the code page lacks a character
};
const Text k_texts[] = {
    {L"\u6570\u636e", {"\xE6\x95\xB0\xE6\x8D\xAE", "??", "??"}},  // 数据
    {L"caf\u00e9", {"caf\xC3\xA9", "caf?", "caf\xE9"}},           // café
    {L"\u0413\u043b\u0443\u0431\u0438\u043d\u0430",
     {"\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0", "\xC3\xEB\xF3\xE1\xE8\xED\xE0", "???????"}},  // Глубина
    {L"x\U0001F600", {"x\xF0\x9F\x98\x80", "x?", "x?"}},  // beyond 16 bits
};

class Unicode : public ::testing::TestWithParam<Text> {
protected:
    fs::path on_disk(const std::wstring& name) const { return dir.path() / ek::test::wide_path(name); }
    ek::test::TempDir dir;
    const std::wstring stem = GetParam().wide;
    const std::string narrow = GetParam().narrow.here();  // this run's encoding
    const bool narrowOk = narrow.find('?') == std::string::npos;
};

// The second name and the reopening go through narrow text when this run's encoding holds the text.
TEST_P(Unicode, TextsReachTheDiskAndComeBack) {
    const std::wstring path = ek::test::wide_text(on_disk(stem + L".xml"));
    TekVor4* h = ek_vor4_file_create_w(path.c_str());
    const unsigned dims[3] = {3, 1, 1};
    ek_vor4_set_grid_type(h, 1), ek_vor4_set_dimensions(h, dims);
    // Two names that the same code page would both turn into "??" stay two properties.
    ASSERT_NE(ek_vor4_prop_add_w(h, (stem + L"1").c_str(), 0, 0, false), nullptr);
    ASSERT_NE(narrowOk ? ek_vor4_prop_add(h, (narrow + "2").c_str(), 0, 1, false)
                       : ek_vor4_prop_add_w(h, (stem + L"2").c_str(), 0, 1, false), nullptr);
    ek_vor4_set_prop_caption_w(h, 0, (L"caption " + stem).c_str());
    const float values[3] = {1.5f, 2.5f, 3.5f};
    EXPECT_EQ(ek_vor4_prop_write_64(ek_vor4_prop_open(h, 0), 0, values, 3, 0, 1), 0);
    ek_vor4_file_close(h);
    EXPECT_EQ(std::set<fs::path>(fs::directory_iterator(dir.path()), {}),
              (std::set<fs::path>{on_disk(stem + L".xml"), on_disk(stem + L"." + stem + L"1.property"),
                                  on_disk(stem + L"." + stem + L"2.property")}))
        << "the files carry the characters, not the bytes of a code page";

    h = narrowOk ? ek_vor4_file_open((dir.path().string() + "/" + narrow + ".xml").c_str(), true)
                 : ek_vor4_file_open_w(path.c_str(), true);
    ASSERT_EQ(ek_vor4_get_prop_count(h), 2u);
    ek::test::Captured name, caption;
    ek_vor4_get_prop_name_w(h, 1, name.adapter), ek_vor4_get_prop_caption_w(h, 0, caption.adapter);
    EXPECT_EQ(name.wide + L"|" + caption.wide, stem + L"2|caption " + stem);
    EXPECT_EQ(ek_vor4_get_prop_name(h, 0), narrow + "1");
    EXPECT_EQ(ek_vor4_get_index_by_name(h, (narrow + "2").c_str()), narrowOk ? 1 : -1);
    float back[3] = {};
    EXPECT_EQ(ek_vor4_prop_read_64(ek_vor4_prop_open(h, 0), 0, 3, back, 3, 0, 1), 0);
    EXPECT_EQ(back[2], 3.5f);
    ek_vor4_file_close(h);
    EXPECT_TRUE(ek_vor4_delete_files(path.c_str()));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "only its own files were there to delete";
}

INSTANTIATE_TEST_SUITE_P(Texts, Unicode, ::testing::ValuesIn(k_texts),
                         [](const ::testing::TestParamInfo<Text>& i) { return "text" + std::to_string(i.index); });
void PrintTo(const Text& t, std::ostream* os) { *os << ek::text::to_utf8(t.wide); }

}  // namespace
