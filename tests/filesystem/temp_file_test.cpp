// Temporary folder, unique temporary names and self-deleting temporary files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <set>

#include "filesystem/paths.h"
#include "filesystem/temp_file.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;

namespace {

// Sets or clears TMPDIR for one scope.
class ScopedTmpdir {
public:
    explicit ScopedTmpdir(const char* value) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        if (value) ::setenv("TMPDIR", value, 1);
        else ::unsetenv("TMPDIR");
    }
    ~ScopedTmpdir() {
        if (old_) ::setenv("TMPDIR", old_->c_str(), 1);
        else ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> old_;
};

// "<up to three prefix characters><hex digits>.tmp"
bool well_formed(const std::wstring& name, const std::wstring& head) {
    if (name.size() <= head.size() + 4 || name.compare(0, head.size(), head) != 0) return false;
    if (name.compare(name.size() - 4, 4, L".tmp") != 0) return false;
    for (size_t i = head.size(); i < name.size() - 4; ++i)
        if (!std::iswxdigit(name[i])) return false;
    return true;
}

}  // namespace

TEST(TempFile, TemporaryFolderComesFromTheEnvironment) {
    {
        ScopedTmpdir env(nullptr);
        EXPECT_EQ(fs::temp_directory(), L"/tmp/");
    }
    {
        ScopedTmpdir env("/var/tmp");
        EXPECT_EQ(fs::temp_directory(), L"/var/tmp/");
    }
    {
        ScopedTmpdir env("/x/");
        EXPECT_EQ(fs::temp_directory(), L"/x/");
    }
    {
        ScopedTmpdir env("");
        EXPECT_EQ(fs::temp_directory(), L"/tmp/");
    }
}

TEST(TempFile, NamesAreNewEmptyFilesInTheFolder) {
    ek::test::TempDir dir;
    const std::wstring folder = dir.path().wstring();
    const std::wstring a = fs::temp_filename(folder, L"undo");
    const std::wstring b = fs::temp_filename(folder, L"undo");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(fs::directory(a), folder + L"/");
    EXPECT_TRUE(well_formed(fs::filename(a), L"und")) << fs::filename(a);
    EXPECT_TRUE(fs::is_file(a));
    EXPECT_EQ(fs::file_size(a), 0u);

    const std::wstring c = fs::temp_filename(folder + L"/", L"");
    EXPECT_TRUE(well_formed(fs::filename(c), L"")) << fs::filename(c);
    EXPECT_EQ(fs::directory(c), folder + L"/");
    // Characters that cannot stand in a name are replaced, so the file stays in the folder.
    const std::wstring d = fs::temp_filename(folder, L"a/b");
    EXPECT_TRUE(well_formed(fs::filename(d), L"a_b")) << fs::filename(d);
    EXPECT_EQ(fs::directory(d), folder + L"/");
}

TEST(TempFile, ManyNamesStayUnique) {
    ek::test::TempDir dir;
    std::set<std::wstring> names;
    for (int i = 0; i < 200; ++i) names.insert(fs::temp_filename(dir.path().wstring(), L"x"));
    EXPECT_EQ(names.size(), 200u);
    EXPECT_EQ(names.count(L""), 0u);
}

TEST(TempFile, EmptyFolderMeansTheTemporaryFolder) {
    ek::test::TempDir dir;
    ScopedTmpdir env(dir.narrow("").c_str());
    const std::wstring a = fs::temp_filename(L"", L"pre");
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(std::filesystem::path(a).parent_path(), dir.path());
    EXPECT_TRUE(fs::remove_file(a));
}

TEST(TempFile, FailuresGiveEmptyPaths) {
    ek::test::TempDir dir;
    EXPECT_EQ(fs::temp_filename(dir.file("missing"), L"x"), L"");
    std::wstring nul = dir.path().wstring();
    nul += L'\0';
    EXPECT_EQ(fs::temp_filename(nul, L"x"), L"");
    fs::temp_file t(dir.file("missing"), L"x");
    EXPECT_TRUE(t.path().empty());
}

TEST(TempFile, ObjectsOwnTheirFiles) {
    ek::test::TempDir dir;
    std::wstring first, second;
    {
        fs::temp_file a(dir.path().wstring(), L"");
        fs::temp_file b(dir.path().wstring(), L"");
        first = a.path();
        second = b.path();
        ASSERT_FALSE(first.empty());
        EXPECT_NE(first, second);
        EXPECT_TRUE(fs::is_file(first));
        EXPECT_TRUE(fs::is_file(second));
    }
    EXPECT_FALSE(fs::path_exist(first));
    EXPECT_FALSE(fs::path_exist(second));
    static_assert(!std::is_copy_constructible_v<fs::temp_file>);
    static_assert(!std::is_copy_assignable_v<fs::temp_file>);
}
