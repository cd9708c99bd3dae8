// The temporary folder, unique temporary names and self-deleting temporary files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>

#include "filesystem/paths.h"
#include "filesystem/temp_file.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;
using W = std::wstring;

namespace {

void set_tmpdir(const char* value) { value ? ::setenv("TMPDIR", value, 1) : ::unsetenv("TMPDIR"); }

TEST(TempFile, NamesAndObjects) {
    ek::test::TempDir dir;
    const std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    for (auto [value, want] : {std::pair{"", L"/tmp/"}, {"/var/tmp", L"/var/tmp/"}, {"/x/", L"/x/"}, {nullptr, L"/tmp/"}}) {
        set_tmpdir(value);
        EXPECT_EQ(fs::temp_directory(), want) << (value ? value : "unset");
    }
    const W folder = dir.path().wstring();
    set_tmpdir(dir.narrow("").c_str());
    // "<up to three characters of the prefix><hex digits>.tmp"; the prefix names a file, never a place.
    const struct { W dir, prefix, head; } rows[] = {
        {folder, L"undo", L"und"}, {folder + L"/", L"", L""}, {folder, L"a/b", L"a_b"}, {L"", L"pre", L"pre"}};
    std::set<W> names;
    for (const auto& r : rows)
        for (int k = 0; k < 50; ++k) {
            const W path = *names.insert(fs::temp_filename(r.dir, r.prefix)).first;
            EXPECT_TRUE(std::regex_match(path, std::wregex(folder + L"/" + r.head + L"[0-9A-Fa-f]+\\.tmp")) && fs::is_file(path) &&
                        fs::file_size(path) == 0) << testing::PrintToString(path);
        }
    set_tmpdir(saved.empty() ? nullptr : saved.c_str());
    EXPECT_EQ(names.size(), 200u);  // all different
    EXPECT_EQ(fs::temp_filename(dir.file("missing"), L"x") + fs::temp_filename(folder + W(1, L'\0'), L"x"), L"");
    for (const W& name : names) std::filesystem::remove(std::filesystem::path(name));
    static_assert(!std::is_copy_constructible_v<fs::temp_file> && !std::is_copy_assignable_v<fs::temp_file>);
    {
        fs::temp_file a(folder, L""), b(folder, L""), failed(dir.file("missing"), L"x");
        EXPECT_TRUE(a.path() != b.path() && fs::is_file(a.path()) && fs::is_file(b.path()) && failed.path().empty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
