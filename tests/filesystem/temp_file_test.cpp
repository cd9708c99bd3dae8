// The temporary folder, unique temporary names and self-deleting temporary files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwctype>
#include <set>

#include "filesystem/paths.h"
#include "filesystem/temp_file.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;

namespace {

void set_tmpdir(const char* value) { value ? ::setenv("TMPDIR", value, 1) : ::unsetenv("TMPDIR"); }

TEST(TempFile, NamesAreNewEmptyFilesInTheTemporaryFolder) {
    ek::test::TempDir dir;
    const char* env = std::getenv("TMPDIR");
    const std::string saved = env ? env : "";
    for (auto [value, want] : {std::pair{"", L"/tmp/"}, {"/var/tmp", L"/var/tmp/"}, {"/x/", L"/x/"}}) {
        set_tmpdir(value);
        EXPECT_EQ(fs::temp_directory(), want) << value;
    }
    set_tmpdir(nullptr);
    EXPECT_EQ(fs::temp_directory(), L"/tmp/");
    const std::wstring folder = dir.path().wstring();
    set_tmpdir(dir.narrow("").c_str());
    // "<up to three characters of the prefix><hex digits>.tmp"; the prefix names a file, never a place.
    const struct { std::wstring dir, prefix, head; } rows[] = {
        {folder, L"undo", L"und"}, {folder + L"/", L"", L""}, {folder, L"a/b", L"a_b"}, {L"", L"pre", L"pre"}};
    std::set<std::wstring> names;
    for (const auto& r : rows) {
        for (int k = 0; k < 50; ++k) {
            const std::wstring path = fs::temp_filename(r.dir, r.prefix), name = fs::filename(path);
            EXPECT_EQ(fs::directory(path), folder + L"/");
            ASSERT_GT(name.size(), r.head.size() + 4) << testing::PrintToString(path);
            EXPECT_EQ(name.substr(0, r.head.size()) + name.substr(name.size() - 4), r.head + L".tmp");
            for (size_t i = r.head.size(); i < name.size() - 4; ++i) EXPECT_TRUE(std::iswxdigit(name[i])) << testing::PrintToString(path);
            EXPECT_TRUE(fs::is_file(path) && fs::file_size(path) == 0) << testing::PrintToString(path);
            names.insert(path);
        }
    }
    env ? set_tmpdir(saved.c_str()) : set_tmpdir(nullptr);
    EXPECT_EQ(names.size(), 200u);  // all different
    EXPECT_EQ(fs::temp_filename(dir.file("missing"), L"x") + fs::temp_filename(folder + std::wstring(1, L'\0'), L"x"), L"");
}

TEST(TempFile, ObjectsOwnTheirFiles) {
    static_assert(!std::is_copy_constructible_v<fs::temp_file> && !std::is_copy_assignable_v<fs::temp_file>);
    ek::test::TempDir dir;
    std::wstring first, second;
    {
        fs::temp_file a(dir.path().wstring(), L""), b(dir.path().wstring(), L""), failed(dir.file("missing"), L"x");
        first = a.path(), second = b.path();
        EXPECT_TRUE(first != second && fs::is_file(first) && fs::is_file(second));
        EXPECT_EQ(failed.path(), L"");
    }
    EXPECT_FALSE(fs::path_exist(first) || fs::path_exist(second));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
