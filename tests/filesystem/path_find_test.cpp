// Folder listings by mask and flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "filesystem/paths.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;

namespace {

// d/a.txt d/b.dat d/noext d/.hidden.txt d/sub/c.txt d/sub/deep/e.txt d/sub2/
class PathFind : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().wstring();
        std::filesystem::create_directories(dir.path() / "sub" / "deep");
        std::filesystem::create_directories(dir.path() / "sub2");
        for (const char* f : {"a.txt", "b.dat", "noext", ".hidden.txt", "sub/c.txt", "sub/deep/e.txt"})
            std::ofstream(dir.narrow(f)) << "x";
    }

    std::wstring at(const std::wstring& rel) const { return root + L"/" + rel; }

    static std::set<std::wstring> as_set(const std::vector<std::wstring>& v) { return {v.begin(), v.end()}; }

    ek::test::TempDir dir;
    std::wstring root;
};

}  // namespace

TEST_F(PathFind, FilesOnlyNeverDescends) {
    const auto found = fs::find(root, L"*", 2);
    EXPECT_EQ(as_set(found), (std::set<std::wstring>{at(L"a.txt"), at(L"b.dat"), at(L"noext"), at(L".hidden.txt")}));
    EXPECT_EQ(found.size(), 4u);
}

TEST_F(PathFind, FoldersOnly) {
    EXPECT_EQ(as_set(fs::find(root, L"*", 1)), (std::set<std::wstring>{at(L"sub"), at(L"sub2")}));
    EXPECT_EQ(as_set(fs::find(root, L"*", 3)).size(), 6u);
    EXPECT_TRUE(fs::find(root, L"*", 0).empty());
    EXPECT_TRUE(fs::find(root, L"*", 4).empty());
}

TEST_F(PathFind, RecursiveListsFilesOfEverySubfolder) {
    const auto found = fs::find(root, L"*.txt", 6);
    EXPECT_EQ(as_set(found), (std::set<std::wstring>{at(L"a.txt"), at(L".hidden.txt"), at(L"sub/c.txt"),
                                                     at(L"sub/deep/e.txt")}));
    ASSERT_EQ(found.size(), 4u);
    // The folder itself first; then a folder's subfolders before the folder.
    EXPECT_EQ(as_set({found[0], found[1]}), (std::set<std::wstring>{at(L"a.txt"), at(L".hidden.txt")}));
    EXPECT_EQ(found[2], at(L"sub/deep/e.txt"));
    EXPECT_EQ(found[3], at(L"sub/c.txt"));
}

TEST_F(PathFind, RecursiveFoldersAndFiles) {
    const auto found = fs::find(root, L"*", 7);
    EXPECT_EQ(found.size(), 9u);  // 4 + 2 at the top, 2 in sub, 1 in deep, none in sub2
    EXPECT_EQ(as_set(fs::find(root, L"*", 5)), (std::set<std::wstring>{at(L"sub"), at(L"sub2"), at(L"sub/deep")}));
}

TEST_F(PathFind, Masks) {
    EXPECT_EQ(as_set(fs::find(root, L"?.dat", 2)), (std::set<std::wstring>{at(L"b.dat")}));
    EXPECT_EQ(as_set(fs::find(root, L"a.txt", 2)), (std::set<std::wstring>{at(L"a.txt")}));
    EXPECT_EQ(fs::find(root, L"*.*", 2).size(), 4u);  // also the name without a dot
    EXPECT_TRUE(fs::find(root, L"*.xyz", 2).empty());
    EXPECT_TRUE(fs::find(root, L"", 3).empty());
    EXPECT_TRUE(fs::find(root, L"sub/*", 3).empty());  // masks match names, not paths
}

TEST_F(PathFind, DataFilePatternOfADocument) {
    for (const char* f : {"field.Depth.property", "field.Poro.property", "field.xml", "other.Depth.property",
                          "field.property"})
        std::ofstream(dir.narrow(f)) << "x";
    const std::wstring doc = at(L"field.xml");
    const std::wstring pattern = fs::add_suffix(fs::change_extension(fs::filename(doc), L".property"), L".*");
    EXPECT_EQ(as_set(fs::find(fs::directory(doc), pattern, 2)),
              (std::set<std::wstring>{at(L"field.Depth.property"), at(L"field.Poro.property")}));
}

TEST_F(PathFind, FolderSpellings) {
    // A trailing separator is not doubled; backslashes become the native separator.
    EXPECT_EQ(as_set(fs::find(root + L"/", L"b.*", 2)), (std::set<std::wstring>{at(L"b.dat")}));
    std::wstring back = root + L"\\sub";
    EXPECT_EQ(fs::find(back, L"*.txt", 2), (std::vector<std::wstring>{at(L"sub/c.txt")}));
    EXPECT_EQ(fs::find(back, L"*.txt", 6), (std::vector<std::wstring>{at(L"sub/c.txt"), at(L"sub/deep/e.txt")}));
}

TEST_F(PathFind, MissingFoldersGiveNothing) {
    EXPECT_TRUE(fs::find(at(L"none"), L"*", 7).empty());
    EXPECT_TRUE(fs::find(at(L"a.txt"), L"*", 7).empty());
    EXPECT_TRUE(fs::find(root + std::wstring(1, L'\0'), L"*", 7).empty());
}

TEST_F(PathFind, LinksAreListedButCyclesNotFollowed) {
    std::filesystem::create_directory_symlink(dir.path(), dir.path() / "sub" / "loop");
    std::filesystem::create_symlink(dir.path() / "gone", dir.path() / "dangling");
    // The link to a folder is a folder; a dangling link counts as a file.
    EXPECT_EQ(as_set(fs::find(at(L"sub"), L"*", 1)), (std::set<std::wstring>{at(L"sub/deep"), at(L"sub/loop")}));
    EXPECT_EQ(as_set(fs::find(root, L"dang*", 3)), (std::set<std::wstring>{at(L"dangling")}));
    EXPECT_EQ(fs::find(root, L"e.txt", 6), (std::vector<std::wstring>{at(L"sub/deep/e.txt")}));
}
