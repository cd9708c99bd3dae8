// Path forms: splitting, rebuilding, validating and normalising paths. Both separators split; '/'
// is the separator this platform inserts.
#include <gtest/gtest.h>

#include "filesystem/paths.h"

namespace fs = ek::filesystem;
using W = std::wstring;

namespace {

W out(const W& s) { return s; }
W out(bool b) { return b ? L"true" : L"false"; }
W out(const std::string& s) { return W(s.begin(), s.end()); }
std::string narrow(const W& s) { return std::string(s.begin(), s.end()); }  // ASCII only
std::vector<W> list(const W& s) {  // "a|b|c"
    std::vector<W> parts;
    for (size_t at = 0, bar; !s.empty() && at <= s.size(); at = bar + 1)
        parts.push_back(s.substr(at, (bar = std::min(s.find(L'|', at), s.size())) - at));
    return parts;
}

TEST(PathForms, SplitIntoFolderNameBaseAndExtensions) {
    const struct { const wchar_t *path, *dir, *name, *base, *ext, *full; } rows[] = {
        {L"C:\\a\\b.tar.GZ", L"C:\\a\\", L"b.tar.GZ", L"b.tar", L".GZ", L".tar.gz"},
        {L"file.txt", L"", L"file.txt", L"file", L".txt", L".txt"},
        {L".cfg", L"", L".cfg", L".cfg", L"", L""},
        {L"a\\.cfg", L"a\\", L".cfg", L".cfg", L"", L""},
        {L"dir.old/name", L"dir.old/", L"name", L"name", L"", L""},
        {L"a\\b/c.d", L"a\\b/", L"c.d", L"c", L".d", L".d"},
        {L"a/b\\c.D", L"a/b\\", L"c.D", L"c", L".D", L".d"},
        {L"name.", L"", L"name.", L"name", L".", L"."},
        {L"...", L"", L"...", L"..", L".", L""},
        {L"a/b/", L"a/b/", L"", L"", L"", L""},
        {L"\\\\", L"\\\\", L"", L"", L"", L""},
        {L"", L"", L"", L"", L"", L""},
        {L"x/Поле.Глубина.ТХТ", L"x/", L"Поле.Глубина.ТХТ", L"Поле.Глубина", L".ТХТ", L".глубина.тхт"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(W(r.path)));
        EXPECT_EQ(fs::directory(r.path), r.dir);
        EXPECT_EQ(fs::filename(r.path), r.name);
        EXPECT_EQ(fs::basename(r.path), r.base);
        EXPECT_EQ(fs::extension(W(r.path)), r.ext);
        EXPECT_EQ(fs::full_extension(r.path), r.full);
    }
}

#define ONE(f) #f, [](const W& a, const W&) { return out(fs::f(a)); }
#define TWO(f) #f, [](const W& a, const W& b) { return out(fs::f(a, b)); }

// Every other string function over its cases {a, b, expected}; true and false stand for booleans.
TEST(PathForms, RebuildValidateAndNormalise) {
    struct Case { W a, b, want; };
    const W cwd = fs::current_path();
    const struct { const char* fn; W (*call)(const W&, const W&); std::vector<Case> cases; } rows[] = {
        // The dot is searched in the file name; one first in the whole path stays (unlike basename).
        {TWO(change_extension), {{L"a\\b.txt", L"dat", L"a\\b.dat"}, {L"a\\b", L".dat", L"a\\b.dat"}, {L"a.x/b", L"dat", L"a.x/b.dat"},
          {L"a\\b.txt", L"", L"a\\b"}, {L".cfg", L"dat", L".cfg.dat"}, {L"a/.cfg", L"dat", L"a/.dat"}, {L"a.b.c", L"d", L"a.b.d"},
          {L"", L"dat", L".dat"}, {L"\\", L"x", L"\\.x"}}},
        {"narrow change_extension", [](const W& a, const W& b) { return out(fs::change_extension(narrow(a), narrow(b))); },
         {{L"x.y\\z", L"txt", L"x.y\\z.txt"}, {L".cfg", L"dat", L".cfg.dat"}, {L"a/b.txt", L"", L"a/b"}}},
        {"narrow extension", [](const W& a, const W&) { return out(fs::extension(narrow(a))); },
         {{L"x.y/z.W", L"", L".W"}, {L"x.y\\z", L"", L""}, {L".cfg", L"", L""}}},
        {TWO(add_suffix), {{L"C:\\d\\a.property", L"_1", L"C:\\d\\a_1.property"}, {L"a", L"_2", L"a_2"}, {L"d.x/a", L"_2", L"d.x/a_2"},
          {L".cfg", L"_2", L".cfg_2"}, {L"field.property", L".*", L"field.*.property"}}},
        {TWO(change_basename), {{L"C:\\d\\a.property", L"b", L"C:\\d\\b.property"}, {L"", L"b", L"b"}}},
        {TWO(change_filename), {{L"x/y\\a.txt", L"b.dat", L"x/y\\b.dat"}, {L"a.txt", L"b.dat", L"b.dat"}}},
        {TWO(change_directory), {{L"x\\a.txt", L"y", L"y/a.txt"}, {L"x\\a.txt", L"", L"a.txt"}}},
        {TWO(combine), {{L"C:\\data", L"x.property", L"C:\\data/x.property"}, {L"C:\\data\\", L"x", L"C:\\data\\x"},
          {L"/data/", L"x", L"/data/x"}, {L"C:\\data", L"D:\\y", L"D:\\y"}, {L"C:\\data", L"D:", L"D:"}, {L"/data", L"\\y", L"\\y"},
          {L"", L"x", L"x"}, {L"a", L"", L"a"}, {L"", L"", L""}}},
        {"combine list", [](const W& a, const W&) { return fs::combine(list(a)); },
         {{L"a|b\\|c.txt", L"", L"a/b\\c.txt"}, {L"a|/r|c", L"", L"/r/c"}, {L"", L"", L""}}},
        {TWO(change_full_extension), {{L"d.x/a.tar.gz", L"zip", L"d.x/a.zip"}, {L"d.x/a", L".zip", L"d.x/a.zip"},
          {L".cfg", L"zip", L".cfg.zip"}, {L"a.b.c", L"", L"a"}}},
        {"transform ext", [](const W& a, const W& b) { return fs::transform(a).ext(b).get(); }, {{L"d\\a.txt", L"dat", L"d\\a.dat"}}},
        {"transform dir", [](const W& a, const W& b) { return fs::transform(a).dir(b).get(); }, {{L"d\\a.txt", L"/e", L"/e/a.txt"}}},
        {"transform base suffix", [](const W& a, const W& b) { return fs::transform(a).base(b).suffix(L"_x").get(); },
         {{L"d\\a.txt", L"b", L"d\\b_x.txt"}}},
        {"transform ext_add", [](const W& a, const W& b) { return fs::transform(a).ext_add(b).get(); },
         {{L"a.tar", L"gz", L"a.tar.gz"}, {L"a.tar", L".gz", L"a.tar.gz"}, {L"a", L"", L"a"}}},
        {ONE(include_directory_separator), {{L"a", L"", L"a/"}, {L"a\\", L"", L"a\\"}, {L"", L"", L""}}},
        {ONE(native_path), {{L"C:\\a/b\\c", L"", L"C:/a/b/c"}}},
        {ONE(is_absolute), {{L"\\a", L"", L"true"}, {L"/a", L"", L"true"}, {L"c:rel", L"", L"true"}, {L"a/b", L"", L"false"},
          {L"", L"", L"false"}}},
        {ONE(is_relative), {{L"", L"", L"true"}, {L"/", L"", L"false"}}},
        {ONE(drive), {{L"C:\\x", L"", L"C:"}, {L"a:", L"", L"a:"}, {L"z:", L"", L"z:"}, {L"A:", L"", L"A:"}, {L"Z:", L"", L"Z:"},
          {L"1:\\x", L"", L""}, {L"Ж:\\x", L"", L""}, {L"C", L"", L""}}},
        // Only a letter makes a drive.
        {ONE(is_valid), {{L"C:\\data\\x.property", L"", L"true"}, {L"", L"", L"true"}, {L"C:\\da:ta", L"", L"false"},
          {L"1:\\x", L"", L"false"}, {L"a*b", L"", L"false"}}},
        {ONE(is_valid_file_name), {{L"field.Depth.property", L"", L"true"}, {L"a/b", L"", L"false"}, {L"a\\b", L"", L"false"},
          {L"C:x", L"", L"false"}}},
        {ONE(make_valid_filename), {{L"a:b/c", L"", L"a_b_c"}, {L"<>:\"|?*\\/Глубина", L"", L"_________Глубина"}}},
        {ONE(make_valid), {{L"C:\\a:b\\c?", L"", L"C:\\a_b\\c_"}, {L"1:\\x", L"", L"1_\\x"}}},
        {ONE(mangle_filename), {{L"a:b", L"", L"a:b"}}},
        {ONE(is_virtual), {{L"*mem", L"", L"true"}, {L"a*", L"", L"false"}, {L"", L"", L"false"}}},
        {ONE(from_virtual), {{L"**mem", L"", L"*mem"}, {L"mem", L"", L"mem"}}},
        {ONE(make_virtual), {{L"mem", L"", L"*mem"}, {L"*mem", L"", L"*mem"}}},
        // Nothing above a root; relative paths keep their climbs; a network root keeps two separators.
        {ONE(clean_path), {{L"a\\.\\b\\..\\c", L"", L"a/c"}, {L"a//b///c", L"", L"a/b/c"}, {L"C:\\a\\..\\..\\b", L"", L"C:/b"},
          {L"/a/../../b/", L"", L"/b/"}, {L"../a/../../b", L"", L"../../b"}, {L"a/..", L"", L""}, {L".", L"", L""},
          {L"\\", L"", L"/"}, {L"\\\\server\\share\\x", L"", L"//server/share/x"}, {L"C:", L"", L"C:"}, {L"C:\\\\x", L"", L"C:/x"},
          {L"C:..\\a", L"", L"C:../a"}}},
        {TWO(absolute_path), {{L"x/../y", L"/base/dir", L"/base/dir/y"}, {L"/abs/./p", L"/base", L"/abs/p"},
          {L"C:\\p", L"/base", L"C:/p"}, {L"", L"/base/", L"/base/"}, {L"p", L"", cwd + L"p"}, {L"p", L"q", cwd + L"q/p"}}},
        // Letters of either case alike; no common root gives the absolute path.
        {TWO(relative_path), {{L"/a/b/c.txt", L"/a", L"b/c.txt"}, {L"/a/b/c.txt", L"/a/d/e", L"../../b/c.txt"},
          {L"/A/B/c.txt", L"/a/b/", L"c.txt"}, {L"/a", L"/a", L""}, {L"C:\\x\\y", L"D:\\x", L"C:/x/y"},
          {L"/a", L"/a/b/c", L"../.."}}},
        {TWO(is_equal), {{L"/a/b/../c", L"\\A\\C\\", L"true"}, {L"C:\\Данные", L"c:/данные", L"true"}, {L"", cwd, L"true"},
          {L"/a/b", L"/a/c", L"false"}, {L"/a/b", L"/a", L"false"}, {L"C:\\a", L"D:\\a", L"false"}}},
        {"common_directory", [](const W& a, const W&) { return fs::common_directory(list(a)); },
         {{L"/a/b/c.txt|/a/b/d.txt", L"", L"/a/b/"}, {L"/a/b/c.txt|\\A\\x\\d.txt", L"", L"/a/"}, {L"/x/1|/y/2", L"", L"/"},
          {L"C:\\a\\1|D:\\a\\2", L"", L""}, {L"a.txt|b.txt", L"", L""}, {L"", L"", L""}, {L"d/e/f", L"", L"d/e/"}}},
    };
    for (const auto& r : rows)
        for (const Case& c : r.cases)
            EXPECT_EQ(r.call(c.a, c.b), c.want) << r.fn << "(" << testing::PrintToString(c.a) << ", " << testing::PrintToString(c.b) << ")";
}

TEST(PathForms, SingleCharacters) {
    // Forbidden in both; the separators only in names; everything else allowed.
    for (wchar_t c : W(L"<>:\"|?*") + W(1, L'\0')) EXPECT_FALSE(fs::is_valid(c) || fs::is_valid_file_name(c)) << int(c);
    for (wchar_t c : W(L"\\/")) EXPECT_TRUE(fs::is_valid(c) && !fs::is_valid_file_name(c)) << int(c);
    for (wchar_t c : W(L"a.Ж")) EXPECT_TRUE(fs::is_valid(c) && fs::is_valid_file_name(c)) << int(c);
}

}  // namespace
