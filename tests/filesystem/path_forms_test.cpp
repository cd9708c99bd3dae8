// Path forms: splitting, rebuilding, validating and normalising paths. Both separators split; '/'
// stands for the separator this platform inserts ('\\' on Windows, where the two compare alike).
#include <gtest/gtest.h>

#include "filesystem/paths.h"
#include "support/host_platform.h"

namespace fs = ek::filesystem;
using ek::test::separators_alike;
using W = std::wstring;

namespace {

W out(const W& s) { return s; }
W out(bool b) { return b ? L"true" : L"false"; }
std::vector<W> list(const W& a, const W& b) { return a.empty() ? std::vector<W>{} : b.empty() ? std::vector<W>{a} : std::vector<W>{a, b}; }

#define ONE(f) #f, [](const W& a, const W&) { return out(fs::f(a)); }
#define TWO(f) #f, [](const W& a, const W& b) { return out(fs::f(a, b)); }

// Every string function over its cases {a, b, expected}; true and false stand for booleans.
TEST(PathForms, SplitRebuildValidateAndNormalise) {
    struct Case { W a, b, want; };
    const W cwd = fs::current_path();
    const struct { const char* fn; W (*call)(const W&, const W&); std::vector<Case> cases; } rows[] = {
        // "directory|file name|base name|extension|full extension (lower case)"
        {"split", [](const W& p, const W&) {
             return fs::directory(p) + L"|" + fs::filename(p) + L"|" + fs::basename(p) + L"|" + fs::extension(p) + L"|" + fs::full_extension(p); },
         {{L"C:\\a\\b.tar.GZ", L"", L"C:\\a\\|b.tar.GZ|b.tar|.GZ|.tar.gz"}, {L"file.txt", L"", L"|file.txt|file|.txt|.txt"}, {L".cfg", L"", L"|.cfg|.cfg||"},
          {L"a\\.cfg", L"", L"a\\|.cfg|.cfg||"}, {L"dir.old/name", L"", L"dir.old/|name|name||"}, {L"a/b\\c.D", L"", L"a/b\\|c.D|c|.D|.d"},
          {L"name.", L"", L"|name.|name|.|."}, {L"...", L"", L"|...|..|.|"}, {L"a/b/", L"", L"a/b/||||"}, {L"", L"", L"||||"},
          {L"x/Поле.Глубина.ТХТ", L"", L"x/|Поле.Глубина.ТХТ|Поле.Глубина|.ТХТ|.глубина.тхт"}}},
        // The dot is searched in the file name; one first in the whole path stays (unlike basename).
        {TWO(change_extension), {{L"a\\b.txt", L"dat", L"a\\b.dat"}, {L"a\\b", L".dat", L"a\\b.dat"}, {L"a.x/b", L"dat", L"a.x/b.dat"},
          {L"a\\b.txt", L"", L"a\\b"}, {L".cfg", L"dat", L".cfg.dat"}, {L"a/.cfg", L"dat", L"a/.dat"}, {L"a.b.c", L"d", L"a.b.d"}, {L"", L"dat", L".dat"}}},
        {TWO(add_suffix), {{L"C:\\d\\a.property", L"_1", L"C:\\d\\a_1.property"}, {L"d.x/a", L"_2", L"d.x/a_2"}, {L".cfg", L"_2", L".cfg_2"}}},
        {TWO(change_basename), {{L"C:\\d\\a.property", L"b", L"C:\\d\\b.property"}, {L"", L"b", L"b"}}},
        {TWO(change_filename), {{L"x/y\\a.txt", L"b.dat", L"x/y\\b.dat"}}}, {TWO(change_directory), {{L"x\\a.txt", L"y", L"y/a.txt"}}},
        {TWO(combine), {{L"C:\\data", L"x.property", L"C:\\data/x.property"}, {L"C:\\data\\", L"x", L"C:\\data\\x"}, {L"C:\\data", L"D:\\y", L"D:\\y"},
          {L"C:\\data", L"D:", L"D:"}, {L"/data", L"\\y", L"\\y"}, {L"", L"x", L"x"}, {L"a", L"", L"a"}, {L"", L"", L""}}},
        {"combine list", [](const W& a, const W& b) { return fs::combine(list(a, b)); }, {{L"a", L"b\\", L"a/b\\"}, {L"a", L"/r", L"/r"}}},
        {TWO(change_full_extension), {{L"d.x/a.tar.gz", L"zip", L"d.x/a.zip"}, {L".cfg", L"zip", L".cfg.zip"}, {L"a.b.c", L"", L"a"}}},
        {"transform", [](const W& a, const W& b) { return fs::transform(a).ext(L"dat").dir(L"/e").base(L"b").suffix(L"_x").ext_add(b).get(); },
         {{L"d\\a.txt", L"gz", L"/e/b_x.dat.gz"}, {L"a.tar", L".gz", L"/e/b_x.dat.gz"}, {L"a", L"", L"/e/b_x.dat"}}},
        {ONE(include_directory_separator), {{L"a", L"", L"a/"}, {L"a\\", L"", L"a\\"}, {L"", L"", L""}}},
        {ONE(is_absolute), {{L"\\a", L"", L"true"}, {L"/a", L"", L"true"}, {L"c:rel", L"", L"true"}, {L"a/b", L"", L"false"}, {L"", L"", L"false"}}},
        {ONE(native_path), {{L"C:\\a/b\\c", L"", L"C:/a/b/c"}}}, {ONE(is_relative), {{L"", L"", L"true"}, {L"/", L"", L"false"}}},
        // Only an ASCII letter makes a drive.
        {ONE(drive), {{L"C:\\x", L"", L"C:"}, {L"a:", L"", L"a:"}, {L"z:", L"", L"z:"}, {L"A:", L"", L"A:"}, {L"Z:", L"", L"Z:"}, {L"1:\\x", L"", L""},
          {L"Ж:\\x", L"", L""}, {L"C", L"", L""}}},
        // Characters: 1 allowed in paths, 2 in file names; in whole paths a drive prefix is not checked.
        {"is_valid and is_valid_file_name of characters", [](const W& a, const W&) {
             W o; for (wchar_t c : a) o += L"0123"[fs::is_valid(c) + 2 * fs::is_valid_file_name(c)]; return o; },
         {{L"<>:\"|?*" + W(1, L'\0'), L"", L"00000000"}, {L"\\/", L"", L"11"}, {L"a.Ж", L"", L"333"}}},
        {ONE(is_valid), {{L"C:\\data\\x.property", L"", L"true"}, {L"C:\\da:ta", L"", L"false"}, {L"1:\\x", L"", L"false"}}},
        {ONE(is_valid_file_name), {{L"field.Depth.property", L"", L"true"}, {L"a\\b", L"", L"false"}, {L"C:x", L"", L"false"}}},
        {ONE(make_valid_filename), {{L"<>:\"|?*\\/Глубина", L"", L"_________Глубина"}}},
        {ONE(make_valid), {{L"C:\\a:b\\c?", L"", L"C:\\a_b\\c_"}, {L"1:\\x", L"", L"1_\\x"}}},
        {ONE(is_virtual), {{L"*mem", L"", L"true"}, {L"a*", L"", L"false"}, {L"", L"", L"false"}}},
        {ONE(from_virtual), {{L"**mem", L"", L"*mem"}, {L"mem", L"", L"mem"}}}, {ONE(make_virtual), {{L"mem", L"", L"*mem"}, {L"*mem", L"", L"*mem"}}},
        // Nothing above a root; relative paths keep their climbs; a network root keeps two separators.
        {ONE(clean_path), {{L"a\\.\\b\\..\\c", L"", L"a/c"}, {L"a//b///c", L"", L"a/b/c"}, {L"/a/../../b/", L"", L"/b/"}, {L"../a/../../b", L"", L"../../b"},
          {L"a/..", L"", L""}, {L"\\\\server\\share\\x", L"", L"//server/share/x"}, {L"C:\\\\x", L"", L"C:/x"}, {L"C:..\\a", L"", L"C:../a"}}},
        {TWO(absolute_path), {{L"x/../y", L"/base/dir", L"/base/dir/y"}, {L"C:\\p", L"/base", L"C:/p"}, {L"", L"/base/", L"/base/"},
          {L"p", L"", cwd + L"p"}, {L"p", L"q", cwd + L"q/p"}}},
        // Letters of either case alike; no common root gives the absolute path.
        {TWO(relative_path), {{L"/a/b/c.txt", L"/a/d/e", L"../../b/c.txt"}, {L"/A/B/c.txt", L"/a/b/", L"c.txt"}, {L"/a", L"/a", L""},
          {L"C:\\x\\y", L"D:\\x", L"C:/x/y"}}},
        {TWO(is_equal), {{L"/a/b/../c", L"\\A\\C\\", L"true"}, {L"C:\\Данные", L"c:/данные", L"true"}, {L"", cwd, L"true"},
          {L"/a/b", L"/a/c", L"false"}, {L"/a/b", L"/a", L"false"}, {L"C:\\a", L"D:\\a", L"false"}}},
        {"common_directory", [](const W& a, const W& b) { return fs::common_directory(list(a, b)); },
         {{L"/a/b/c.txt", L"\\A\\x\\d.txt", L"/a/"}, {L"/x/1", L"/y/2", L"/"}, {L"C:\\a\\1", L"D:\\a\\2", L""}, {L"a.txt", L"b.txt", L""},
          {L"", L"", L""}, {L"d/e/f", L"", L"d/e/"}}},
    };
    for (const auto& r : rows)
        for (const Case& c : r.cases)
            EXPECT_EQ(separators_alike(r.call(c.a, c.b)), separators_alike(c.want)) << r.fn << "(" << testing::PrintToString(c.a) << ", " << testing::PrintToString(c.b) << ")";
}

}  // namespace
