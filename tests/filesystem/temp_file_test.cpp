// The temporary folder, unique temporary names and self-deleting temporary files.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "filesystem/paths.h"
#include "filesystem/temp_file.h"
#include "support/host_platform.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;
using W = std::wstring;

namespace {

TEST(TempFile, NamesAndObjects) {
    ek::test::TempDir dir;
    const W folder = dir.path().wstring(), sep(1, std::filesystem::path::preferred_separator);
    ek::test::ScopedEnv tmp(ek::test::k_temp_variable, nullptr);
    const W x = ek::test::system_path(L"/x/");
    const struct { const wchar_t* value; W want; } places[] = {
        {L"", ek::test::default_temp_folder()}, {folder.c_str(), folder + sep}, {x.c_str(), x}, {nullptr, ek::test::default_temp_folder()}};
    for (const auto& p : places) {
        tmp.set(p.value);
        EXPECT_EQ(fs::temp_directory(), p.want) << testing::PrintToString(W(p.value ? p.value : L"unset"));
    }
    tmp.set(folder + sep);
    // "<up to three characters of the prefix><hex digits>.tmp"; the prefix names a file, never a place.
    const struct { W dir, prefix, head; } rows[] = {
        {folder, L"undo", L"und"}, {folder + L"/", L"", L""}, {folder, L"a/b", L"a_b"}, {L"", L"pre", L"pre"}};
    std::set<W> names;
    for (const auto& r : rows)
        for (int k = 0; k < 50; ++k) {
            const W path = *names.insert(fs::temp_filename(r.dir, r.prefix)).first;
            EXPECT_TRUE(path.rfind(folder + sep, 0) == 0 && fs::is_file(path) &&
                        std::regex_match(path.substr(folder.size() + 1), std::wregex(r.head + L"[0-9A-Fa-f]+\\.tmp")) &&
                        fs::file_size(path) == 0) << testing::PrintToString(path);
        }
    EXPECT_EQ(names.size(), 200u);  // all different
    EXPECT_EQ(fs::temp_filename(dir.file("missing"), L"x") + fs::temp_filename(folder + W(1, L'\0'), L"x"), L"");
    for (const W& name : names) std::filesystem::remove(std::filesystem::path(name));
    {
        fs::temp_file a(folder, L""), b(folder, L""), failed(dir.file("missing"), L"x");
        EXPECT_TRUE(a.path() != b.path() && fs::is_file(a.path()) && fs::is_file(b.path()) && failed.path().empty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
