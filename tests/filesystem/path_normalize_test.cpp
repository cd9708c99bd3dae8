// Normalising and comparing paths, and whole folder trees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "filesystem/paths.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(PathNormalize, CleanPath) {
    EXPECT_EQ(fs::clean_path(L"a\\.\\b\\..\\c"), L"a/c");
    EXPECT_EQ(fs::clean_path(L"a//b///c"), L"a/b/c");
    EXPECT_EQ(fs::clean_path(L"C:\\a\\..\\..\\b"), L"C:/b");      // nothing above the root
    EXPECT_EQ(fs::clean_path(L"/a/../../b/"), L"/b/");
    EXPECT_EQ(fs::clean_path(L"../a/../../b"), L"../../b");       // relative paths keep their climbs
    EXPECT_EQ(fs::clean_path(L"a/.."), L"");
    EXPECT_EQ(fs::clean_path(L"."), L"");
    EXPECT_EQ(fs::clean_path(L""), L"");
    EXPECT_EQ(fs::clean_path(L"\\"), L"/");
    EXPECT_EQ(fs::clean_path(L"\\\\server\\share\\x"), L"//server/share/x");
    EXPECT_EQ(fs::clean_path(L"C:"), L"C:");
    EXPECT_EQ(fs::clean_path(L"C:\\\\x"), L"C:/x");
    EXPECT_EQ(fs::clean_path(L"dir.old\\name.txt"), L"dir.old/name.txt");
}

TEST(PathNormalize, AbsoluteAndRelative) {
    EXPECT_EQ(fs::absolute_path(L"x/../y", L"/base/dir"), L"/base/dir/y");
    EXPECT_EQ(fs::absolute_path(L"/abs/./p", L"/base"), L"/abs/p");
    EXPECT_EQ(fs::absolute_path(L"C:\\p", L"/base"), L"C:/p");
    EXPECT_EQ(fs::absolute_path(L"p", L""), fs::clean_path(fs::current_path() + L"p"));
    EXPECT_EQ(fs::absolute_path(L"", L"/base/"), L"/base/");

    EXPECT_EQ(fs::relative_path(L"/a/b/c.txt", L"/a"), L"b/c.txt");
    EXPECT_EQ(fs::relative_path(L"/a/b/c.txt", L"/a/d/e"), L"../../b/c.txt");
    EXPECT_EQ(fs::relative_path(L"/A/B/c.txt", L"/a/b/"), L"c.txt");   // letters of either case alike
    EXPECT_EQ(fs::relative_path(L"/a", L"/a"), L"");
    EXPECT_EQ(fs::relative_path(L"C:\\x\\y", L"D:\\x"), L"C:/x/y");     // no common root
}

TEST(PathNormalize, Equality) {
    EXPECT_TRUE(fs::is_equal(L"/a/b/../c", L"\\A\\C\\"));
    EXPECT_TRUE(fs::is_equal(L"C:\\Данные", L"c:/данные"));
    EXPECT_FALSE(fs::is_equal(L"/a/b", L"/a/c"));
    EXPECT_FALSE(fs::is_equal(L"/a/b", L"/a"));
    EXPECT_FALSE(fs::is_equal(L"C:\\a", L"D:\\a"));
    EXPECT_TRUE(fs::is_equal(L"", fs::current_path()));
}

TEST(PathNormalize, CommonDirectory) {
    EXPECT_EQ(fs::common_directory({L"/a/b/c.txt", L"/a/b/d.txt"}), L"/a/b/");
    EXPECT_EQ(fs::common_directory({L"/a/b/c.txt", L"\\A\\x\\d.txt"}), L"/a/");
    EXPECT_EQ(fs::common_directory({L"/x/1", L"/y/2"}), L"/");
    EXPECT_EQ(fs::common_directory({L"C:\\a\\1", L"D:\\a\\2"}), L"");
    EXPECT_EQ(fs::common_directory({L"a.txt", L"b.txt"}), L"");
    EXPECT_EQ(fs::common_directory({}), L"");
    EXPECT_EQ(fs::common_directory({L"d/e/f"}), L"d/e/");
}

TEST(PathNormalize, JoinsAndFullExtensions) {
    EXPECT_EQ(fs::combine(std::vector<std::wstring>{L"a", L"b\\", L"c.txt"}), L"a/b\\c.txt");
    EXPECT_EQ(fs::combine(std::vector<std::wstring>{L"a", L"/r", L"c"}), L"/r/c");
    EXPECT_EQ(fs::combine(std::vector<std::wstring>{}), L"");
    EXPECT_EQ(fs::change_full_extension(L"d.x/a.tar.gz", L"zip"), L"d.x/a.zip");
    EXPECT_EQ(fs::change_full_extension(L"d.x/a", L".zip"), L"d.x/a.zip");
    EXPECT_EQ(fs::change_full_extension(L".cfg", L"zip"), L".cfg.zip");
    EXPECT_EQ(fs::change_full_extension(L"a.b.c", L""), L"a");
}

TEST(PathTree, MakePathCreatesTheChain) {
    ek::test::TempDir dir;
    EXPECT_TRUE(fs::make_path(dir.file("a/b\\c/")));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/c")));
    EXPECT_TRUE(fs::make_path(dir.file("a/b/c")));
    std::ofstream(dir.narrow("f")) << "x";
    EXPECT_FALSE(fs::make_path(dir.file("f/g")));
    EXPECT_FALSE(fs::make_path(L""));
}

TEST(PathTree, PatternFind) {
    ek::test::TempDir dir;
    std::ofstream(dir.narrow("a.txt")) << "x";
    std::ofstream(dir.narrow("b.dat")) << "x";
    EXPECT_EQ(fs::find(dir.file("*.txt"), 2), (std::vector<std::wstring>{dir.file("a.txt")}));
    EXPECT_TRUE(fs::find(dir.file("none/*"), 3).empty());
}

TEST(PathTree, CopyMoveAndRemoveTrees) {
    ek::test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "src" / "sub");
    std::ofstream(dir.narrow("src/a")) << "A";
    std::ofstream(dir.narrow("src/sub/b")) << "B";

    EXPECT_TRUE(fs::copy_directory(dir.file("src"), dir.file("flat"), false, false));
    EXPECT_EQ(read_text(dir.narrow("flat/a")), "A");
    EXPECT_FALSE(fs::path_exist(dir.file("flat/sub")));

    EXPECT_TRUE(fs::copy_directory(dir.file("src"), dir.file("deep"), false, true));
    EXPECT_EQ(read_text(dir.narrow("deep/sub/b")), "B");
    std::ofstream(dir.narrow("deep/a")) << "changed";
    EXPECT_FALSE(fs::copy_directory(dir.file("src"), dir.file("deep"), false, true));
    EXPECT_EQ(read_text(dir.narrow("deep/a")), "changed");
    EXPECT_TRUE(fs::copy_directory(dir.file("src"), dir.file("deep"), true, true));
    EXPECT_EQ(read_text(dir.narrow("deep/a")), "A");

    // Never into itself.
    EXPECT_FALSE(fs::copy_directory(dir.file("src"), dir.file("src/sub/x"), true, true));
    EXPECT_FALSE(fs::path_exist(dir.file("src/sub/x")));
    EXPECT_FALSE(fs::copy_directory(dir.file("src"), dir.file("src/"), true, false));
    EXPECT_FALSE(fs::copy_directory(dir.file("none"), dir.file("x"), true, true));

    EXPECT_TRUE(fs::move_directory(dir.file("deep"), dir.file("moved"), false, true));
    EXPECT_FALSE(fs::path_exist(dir.file("deep")));
    EXPECT_EQ(read_text(dir.narrow("moved/sub/b")), "B");

    // Moving into an existing folder merges; a flat move leaves the subfolder behind.
    EXPECT_TRUE(fs::move_directory(dir.file("moved"), dir.file("flat"), true, false));
    EXPECT_EQ(read_text(dir.narrow("flat/a")), "A");
    EXPECT_FALSE(fs::path_exist(dir.file("moved/a")));
    EXPECT_TRUE(fs::path_exist(dir.file("moved/sub/b")));

    std::filesystem::create_directory_symlink(dir.path() / "src", dir.path() / "flat" / "link");
    EXPECT_TRUE(fs::remove_path(dir.file("flat")));
    EXPECT_FALSE(fs::path_exist(dir.file("flat")));
    EXPECT_EQ(read_text(dir.narrow("src/a")), "A");  // the link went, not what it pointed to
    EXPECT_TRUE(fs::remove_path(dir.file("src/a")));
    EXPECT_FALSE(fs::remove_path(dir.file("src/a")));
    EXPECT_FALSE(fs::remove_path(L""));
}
