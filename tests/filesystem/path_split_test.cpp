// Splitting and rebuilding paths: both separators split, '/' is what gets inserted.
#include <gtest/gtest.h>

#include "filesystem/paths.h"

namespace fs = ek::filesystem;

TEST(PathSplit, DirectoryKeepsTrailingSeparator) {
    EXPECT_EQ(fs::directory(L"C:\\a\\b.txt"), L"C:\\a\\");
    EXPECT_EQ(fs::directory(L"a/b"), L"a/");
    EXPECT_EQ(fs::directory(L"file.txt"), L"");
    EXPECT_EQ(fs::directory(L""), L"");
    EXPECT_EQ(fs::directory(L"\\"), L"\\");
    EXPECT_EQ(fs::directory(L"/"), L"/");
    EXPECT_EQ(fs::directory(L"a\\b/c"), L"a\\b/");
    EXPECT_EQ(fs::directory(L"a/b\\c"), L"a/b\\");
    EXPECT_EQ(fs::directory(L"dir.old\\name.txt"), L"dir.old\\");
    EXPECT_EQ(fs::directory(L"a/b/"), L"a/b/");
}

TEST(PathSplit, FilenameIsAfterLastSeparator) {
    EXPECT_EQ(fs::filename(L"C:\\a\\b.txt"), L"b.txt");
    EXPECT_EQ(fs::filename(L"b.txt"), L"b.txt");
    EXPECT_EQ(fs::filename(L"file.txt"), L"file.txt");
    EXPECT_EQ(fs::filename(L""), L"");
    EXPECT_EQ(fs::filename(L"/"), L"");
    EXPECT_EQ(fs::filename(L"\\\\"), L"");
    EXPECT_EQ(fs::filename(L"a/b\\c.d"), L"c.d");
    EXPECT_EQ(fs::filename(L"a\\b/c.d"), L"c.d");
    EXPECT_EQ(fs::filename(L"a/b/"), L"");
}

TEST(PathSplit, BasenameDropsLastExtensionOnly) {
    EXPECT_EQ(fs::basename(L"C:\\a\\b.tar.gz"), L"b.tar");
    EXPECT_EQ(fs::basename(L".cfg"), L".cfg");
    EXPECT_EQ(fs::basename(L"a.b.c"), L"a.b");
    EXPECT_EQ(fs::basename(L"dir.old\\name"), L"name");
    EXPECT_EQ(fs::basename(L"dir.old/name"), L"name");
    EXPECT_EQ(fs::basename(L"a\\.cfg"), L".cfg");
    EXPECT_EQ(fs::basename(L"name."), L"name");
    EXPECT_EQ(fs::basename(L""), L"");
    EXPECT_EQ(fs::basename(L"\\"), L"");
    EXPECT_EQ(fs::basename(L"..."), L"..");
}

TEST(PathSplit, ExtensionIsFromLastDotOfFileName) {
    EXPECT_EQ(fs::extension(L"C:\\a\\b.tar.gz"), L".gz");
    EXPECT_EQ(fs::extension(L".cfg"), L"");
    EXPECT_EQ(fs::extension(L"a.b.c"), L".c");
    EXPECT_EQ(fs::extension(L"dir.old\\name"), L"");
    EXPECT_EQ(fs::extension(L"dir.old/name"), L"");
    EXPECT_EQ(fs::extension(L"a/.cfg"), L"");
    EXPECT_EQ(fs::extension(L"name."), L".");
    EXPECT_EQ(fs::extension(L""), L"");
    EXPECT_EQ(fs::extension(L"/"), L"");
    // The narrow form agrees.
    EXPECT_EQ(fs::extension(std::string("a.b.c")), ".c");
    EXPECT_EQ(fs::extension(std::string(".cfg")), "");
    EXPECT_EQ(fs::extension(std::string("x.y\\z")), "");
    EXPECT_EQ(fs::extension(std::string("x.y/z.W")), ".W");
    EXPECT_EQ(fs::extension(std::string("")), "");
}

TEST(PathSplit, FullExtensionFromFirstDotInLowerCase) {
    EXPECT_EQ(fs::full_extension(L"C:\\a.b\\Field.Depth.PROPERTY"), L".depth.property");
    EXPECT_EQ(fs::full_extension(L"x/Поле.ТХТ"), L".тхт");
    EXPECT_EQ(fs::full_extension(L".cfg"), L"");
    EXPECT_EQ(fs::full_extension(L"dir.old/name"), L"");
    EXPECT_EQ(fs::full_extension(L""), L"");
}

TEST(PathSplit, ChangeExtension) {
    EXPECT_EQ(fs::change_extension(L"a\\b.txt", L"dat"), L"a\\b.dat");
    EXPECT_EQ(fs::change_extension(L"a\\b", L".dat"), L"a\\b.dat");
    EXPECT_EQ(fs::change_extension(L"a.x\\b", L"dat"), L"a.x\\b.dat");
    EXPECT_EQ(fs::change_extension(L"a.x/b", L"dat"), L"a.x/b.dat");
    EXPECT_EQ(fs::change_extension(L"a\\b.txt", L""), L"a\\b");
    EXPECT_EQ(fs::change_extension(L"dir.old\\name", L"txt"), L"dir.old\\name.txt");
    // A dot first in the whole path is kept; anywhere else it is an extension.
    EXPECT_EQ(fs::change_extension(L".cfg", L"dat"), L".cfg.dat");
    EXPECT_EQ(fs::change_extension(L"a\\.cfg", L"dat"), L"a\\.dat");
    EXPECT_EQ(fs::change_extension(L"a/.cfg", L"dat"), L"a/.dat");
    EXPECT_EQ(fs::change_extension(L"field.xml", L".property"), L"field.property");
    EXPECT_EQ(fs::change_extension(L"a.b.c", L"d"), L"a.b.d");
    EXPECT_EQ(fs::change_extension(L"", L"dat"), L".dat");
    EXPECT_EQ(fs::change_extension(L"", L""), L"");
    EXPECT_EQ(fs::change_extension(L"\\", L"x"), L"\\.x");
    EXPECT_EQ(fs::change_extension(std::string("dir.old\\name"), std::string("txt")), "dir.old\\name.txt");
    EXPECT_EQ(fs::change_extension(std::string("a/b.txt"), std::string(".dat")), "a/b.dat");
    EXPECT_EQ(fs::change_extension(std::string(".cfg"), std::string("dat")), ".cfg.dat");
    EXPECT_EQ(fs::change_extension(std::string("a\\b.txt"), std::string()), "a\\b");
}

TEST(PathSplit, ChangeBasenameAndSuffix) {
    EXPECT_EQ(fs::add_suffix(L"C:\\d\\a.property", L"_1"), L"C:\\d\\a_1.property");
    EXPECT_EQ(fs::add_suffix(L"a", L"_2"), L"a_2");
    EXPECT_EQ(fs::add_suffix(L"d.x/a", L"_2"), L"d.x/a_2");
    EXPECT_EQ(fs::add_suffix(L".cfg", L"_2"), L".cfg_2");
    // The notifier's data-file pattern.
    EXPECT_EQ(fs::add_suffix(fs::change_extension(L"field.xml", L".property"), L".*"), L"field.*.property");
    EXPECT_EQ(fs::change_basename(L"C:\\d\\a.property", L"b"), L"C:\\d\\b.property");
    EXPECT_EQ(fs::change_basename(L"a.txt", L"b"), L"b.txt");
    EXPECT_EQ(fs::change_basename(L"", L"b"), L"b");
    EXPECT_EQ(fs::change_filename(L"x/y\\a.txt", L"b.dat"), L"x/y\\b.dat");
    EXPECT_EQ(fs::change_filename(L"a.txt", L"b.dat"), L"b.dat");
    EXPECT_EQ(fs::change_directory(L"x\\a.txt", L"y"), L"y/a.txt");
    EXPECT_EQ(fs::change_directory(L"x\\a.txt", L""), L"a.txt");
}

TEST(PathSplit, CombineInsertsNativeSeparator) {
    EXPECT_EQ(fs::combine(L"C:\\data", L"x.property"), L"C:\\data/x.property");
    EXPECT_EQ(fs::combine(L"C:\\data\\", L"x"), L"C:\\data\\x");
    EXPECT_EQ(fs::combine(L"/data/", L"x"), L"/data/x");
    EXPECT_EQ(fs::combine(L"C:\\data", L"D:\\y"), L"D:\\y");
    EXPECT_EQ(fs::combine(L"/data", L"/y"), L"/y");
    EXPECT_EQ(fs::combine(L"/data", L"\\y"), L"\\y");
    EXPECT_EQ(fs::combine(L"", L"x"), L"x");
    EXPECT_EQ(fs::combine(L"a", L""), L"a");
    EXPECT_EQ(fs::combine(L"", L""), L"");
    EXPECT_EQ(fs::combine(L"a", L"b"), L"a/b");
}

TEST(PathSplit, SeparatorsAndDrives) {
    EXPECT_EQ(fs::include_directory_separator(L"a"), L"a/");
    EXPECT_EQ(fs::include_directory_separator(L"a\\"), L"a\\");
    EXPECT_EQ(fs::include_directory_separator(L"a/"), L"a/");
    EXPECT_EQ(fs::include_directory_separator(L""), L"");
    EXPECT_EQ(fs::native_path(L"C:\\a/b\\c"), L"C:/a/b/c");
    EXPECT_EQ(fs::native_path(L""), L"");

    EXPECT_TRUE(fs::is_absolute(L"\\a"));
    EXPECT_TRUE(fs::is_absolute(L"/a"));
    EXPECT_TRUE(fs::is_absolute(L"C:"));
    EXPECT_TRUE(fs::is_absolute(L"c:rel"));
    EXPECT_FALSE(fs::is_absolute(L""));
    EXPECT_FALSE(fs::is_absolute(L"a/b"));
    EXPECT_TRUE(fs::is_relative(L""));
    EXPECT_TRUE(fs::is_relative(L"a\\b"));
    EXPECT_FALSE(fs::is_relative(L"/"));

    EXPECT_EQ(fs::drive(L"C:\\x"), L"C:");
    EXPECT_EQ(fs::drive(L"z:"), L"z:");
    EXPECT_EQ(fs::drive(L"1:\\x"), L"");
    EXPECT_EQ(fs::drive(L"Ж:\\x"), L"");
    EXPECT_EQ(fs::drive(L"C"), L"");
    EXPECT_EQ(fs::drive(L""), L"");
    EXPECT_EQ(fs::drive(L"/x"), L"");
}

TEST(PathTransform, ChainedPartsAndUniqueNames) {
    EXPECT_EQ(fs::transform(L"d\\a.txt").ext(L"dat").get(), L"d\\a.dat");
    EXPECT_EQ(fs::transform(L"d\\a.txt").base(L"b").suffix(L"_x").get(), L"d\\b_x.txt");
    EXPECT_EQ(fs::transform(L"d\\a.txt").dir(L"/e").get(), L"/e/a.txt");
    EXPECT_EQ(fs::transform(L"a.tar").ext_add(L"gz").get(), L"a.tar.gz");
    EXPECT_EQ(fs::transform(L"a.tar").ext_add(L".gz").get(), L"a.tar.gz");
    EXPECT_EQ(fs::transform(L"a").ext_add(L"").get(), L"a");
}
