// File tests, copies, moves, deletions, folder listings and folder trees against real folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "filesystem/fileio.h"
#include "filesystem/paths.h"
#include "support/suite_files.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;
namespace sfs = std::filesystem;
using W = std::wstring;
using namespace ek::test;

namespace {

TEST(PathFs, QueriesOnEachKindOfPath) {
    TempDir dir;
    sfs::create_directory(dir.path() / "sub");
    write_text(dir.narrow("f.txt"), "12345", 1000000000);
    write_text(dir.narrow("sub/g.txt"), "x");
    {
        ek::fileio f;  // a name beyond ASCII reaches the disk as UTF-8
        ASSERT_TRUE(f.open(dir.file("sub") + L"\\Глубина", L"wb"));
    }
    EXPECT_TRUE(sfs::exists(dir.path() / "sub" / u8"Глубина"));
    const struct { W path; bool file, exists, folder; unsigned long long size; long long mtime; } rows[] = {
        {dir.file("f.txt"), true, true, false, 5, 1000000000}, {dir.file("sub") + L"\\g.txt", true, true, false, 1, -1},
        {dir.path().wstring() + L"/sub/Глубина", true, true, false, 0, -1},   {dir.file("sub"), false, true, true, 0, -1},
        {dir.file("none"), false, false, false, 0, 0},         {dir.file("none/x"), false, false, false, 0, 0},
        {dir.file("f.txt/x"), false, false, false, 0, 0},      {dir.file("f.txt") + W(1, L'\0'), false, false, false, 0, 0},
        {W(), false, false, false, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.path));
        EXPECT_EQ(fs::is_file(r.path), r.file);
        EXPECT_EQ(fs::path_exist(r.path), r.exists);
        EXPECT_EQ(fs::is_directory(r.path), r.folder);
        EXPECT_EQ(fs::file_size(r.path), r.size);
        if (r.mtime >= 0) { EXPECT_EQ(fs::file_mtime(r.path), r.mtime); }
        EXPECT_EQ(fs::file_readable(r.path), r.file);
        EXPECT_EQ(fs::file_writable(r.path), r.file);
    }
    EXPECT_TRUE(fs::remove_file(dir.file("sub") + L"\\g.txt"));
    EXPECT_EQ(tree_text(dir.path() / "sub"), "Глубина=");
    ek::fileio reader;  // a reader lets others read only
    ASSERT_TRUE(reader.open(dir.file("f.txt"), L"rb"));
    EXPECT_TRUE(fs::file_readable(dir.file("f.txt")) && !fs::file_writable(dir.file("f.txt")));
}

// Each row starts from a = "A" and c = "old" (both with a known time) and an empty folder sub, and
// holds c open with `hold` while it runs: as on Windows, a file that a handle holds open is only read.
TEST(PathFs, CopyMoveAndRemove) {
    const char* same = "a=A c=old sub/";
    const struct { const char *op, *src, *dst; bool overwrite; const wchar_t* hold; bool ok; const char* after; } rows[] = {
        {"copy", "a", "b", false, nullptr, true, "a=A b=A c=old sub/"},  {"copy", "a", "c", false, nullptr, false, same},
        {"copy", "a", "c", true, nullptr, true, "a=A c=A sub/"},          {"copy", "a", "a", true, nullptr, true, same},
        {"copy", "missing", "b", true, nullptr, false, same},             {"copy", "sub", "b", true, nullptr, false, same},
        {"copy", "a", "sub", true, nullptr, false, same},                 {"copy", "a", "none/b", true, nullptr, false, same},
        {"copy", "a", "", true, nullptr, false, same},                    {"copy", "", "b", true, nullptr, false, same},
        {"copy", "a", "c", true, L"rb", false, same},                     {"copy", "c", "b", false, L"rb", true, "a=A b=old c=old sub/"},
        {"move", "a", "c", false, nullptr, false, same},                  {"move", "a", "c", true, nullptr, true, "c=A sub/"},
        {"move", "a", "b", false, nullptr, true, "b=A c=old sub/"},       {"move", "missing", "b", true, nullptr, false, same},
        {"move", "a", "none/b", true, nullptr, false, same},              {"move", "a", "", true, nullptr, false, same},
        {"move", "", "b", true, nullptr, false, same},                    {"move", "a", "c", true, L"rb+", false, same},
        {"move", "c", "b", false, L"rb", false, same},                    {"remove", "a", "", false, nullptr, true, "c=old sub/"},
        {"remove", "sub", "", false, nullptr, false, same},               {"remove", "missing", "", false, nullptr, false, same},
        {"remove", "", "", false, nullptr, false, same},                  {"remove", "c", "", false, L"rb", false, same},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.op) + " " + r.src + " to " + r.dst + (r.overwrite ? " overwriting" : "") + (r.hold ? " held" : ""));
        TempDir dir;
        write_text(dir.narrow("a"), "A", 1200000000);
        write_text(dir.narrow("c"), "old", 1200000000);
        sfs::create_directory(dir.path() / "sub");
        const W src = *r.src ? dir.file(r.src) : W(), dst = *r.dst ? dir.file(r.dst) : W();
        ek::fileio holder;
        ASSERT_TRUE(!r.hold || holder.open(dir.file("c"), r.hold));
        const bool ok = r.op[0] == 'c' ? fs::copy_file(src, dst, r.overwrite)
                        : r.op[0] == 'm' ? fs::move_file(src, dst, r.overwrite) : fs::remove_file(src);
        EXPECT_EQ(ok, r.ok);
        holder.close();
        EXPECT_EQ(tree_text(dir.path()), r.after);  // nothing else, such as a half-written copy, is left behind
        if (ok && *r.dst) { EXPECT_EQ(fs::file_mtime(dst), 1200000000); }  // a copy keeps the time, as on Windows
    }
}

TEST(PathFs, MoveAcrossFileSystemsCopiesAndDeletes) {
    TempDir dir;
    struct stat a, b;
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().string().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    const std::string other = "/dev/shm/ekx_fs_move_" + std::to_string(::getpid());
    const W target = sfs::path(other).wstring();
    write_text(dir.narrow("a"), "across", 1100000000);
    write_text(dir.narrow("b"), "second");
    ASSERT_TRUE(fs::move_file(dir.file("a"), target, false));
    EXPECT_EQ(fs::file_mtime(target), 1100000000);
    EXPECT_FALSE(fs::move_file(dir.file("b"), target, false));
    EXPECT_EQ(read_text(other), "across");
    EXPECT_TRUE(fs::move_file(dir.file("b"), target, true));
    EXPECT_EQ(read_text(other), "second");
    EXPECT_TRUE(sfs::is_empty(dir.path()));
    EXPECT_TRUE(fs::remove_file(target));
}

// d/{a.txt, b.dat, noext, .hidden.txt, dangling (a broken link)}, d/sub/{c.txt, loop (a link to d)},
// d/sub/deep/e.txt, d/sub2/{field.Depth.property, field.Poro.property, field.xml, other.Depth.property, field.property}
TEST(PathFind, MasksFlagsAndOrder) {
    TempDir dir;
    const W root = dir.path().wstring();
    sfs::create_directories(dir.path() / "sub" / "deep");
    sfs::create_directories(dir.path() / "sub2");
    for (const char* f : {"a.txt", "b.dat", "noext", ".hidden.txt", "sub/c.txt", "sub/deep/e.txt", "sub2/field.Depth.property",
                          "sub2/field.Poro.property", "sub2/field.xml", "sub2/other.Depth.property", "sub2/field.property"})
        write_text(dir.narrow(f), "x");
    sfs::create_directory_symlink(dir.path(), dir.path() / "sub" / "loop");
    sfs::create_symlink(dir.path() / "gone", dir.path() / "dangling");
    const std::vector<W> top = {L"a.txt", L"b.dat", L"noext", L".hidden.txt", L"dangling"};
    // Recursive: the folder itself, then every folder below, a folder's subfolders before it; linked
    // folders are listed but not entered. A broken link counts as a file, a link to a folder as one.
    const struct { W dir, mask; int flags; bool ordered; std::vector<W> want; } rows[] = {
        {L"", L"*", 2, false, top}, {L"", L"*.*", 2, false, top}, {L"", L"*", 1, false, {L"sub", L"sub2"}},
        {L"/sub", L"*", 1, false, {L"sub/deep", L"sub/loop"}}, {L"", L"*", 0, false, {}}, {L"", L"*", 4, false, {}},
        {L"", L"?.dat", 2, false, {L"b.dat"}}, {L"", L"a.txt", 3, false, {L"a.txt"}}, {L"", L"*.xyz", 2, false, {}},
        {L"", L"", 3, false, {}}, {L"", L"sub/*", 3, false, {}}, {L"/", L"b.*", 2, false, {L"b.dat"}},
        {L"\\sub", L"*.txt", 2, true, {L"sub/c.txt"}}, {L"", L"?.txt", 6, true, {L"a.txt", L"sub/deep/e.txt", L"sub/c.txt"}},
        {L"\\sub", L"*.txt", 6, true, {L"sub/c.txt", L"sub/deep/e.txt"}},
        {L"", L"*", 5, false, {L"sub", L"sub2", L"sub/deep", L"sub/loop"}},
        {L"/sub2", L"field.*.property", 2, false, {L"sub2/field.Depth.property", L"sub2/field.Poro.property"}},
        {L"/none", L"*", 7, false, {}}, {L"/a.txt", L"*", 7, false, {}}, {W(1, L'\0'), L"*", 7, false, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.dir + L" " + r.mask) + " flags " + std::to_string(r.flags));
        std::vector<W> want, got = fs::find(root + r.dir, r.mask, r.flags);
        for (const W& w : r.want) want.push_back(root + L"/" + w);
        if (!r.ordered) std::sort(got.begin(), got.end()), std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
    EXPECT_EQ(fs::find(root, L"*", 7).size(), 16u);  // 5 + 2 on top, 3 in sub, 1 in deep, 5 in sub2
    EXPECT_EQ(fs::find(dir.file("*.dat"), 2), std::vector<W>{dir.file("b.dat")});  // folder and mask in one
}

TEST(PathTree, FoldersAndTrees) {
    TempDir dir;
    const auto at = [&](const char* rel) { return dir.file(rel); };
    EXPECT_TRUE(fs::make_directory(at("d")) && fs::make_directory(at("d")));  // also when it exists
    EXPECT_FALSE(fs::make_directory(at("x/y")) || fs::make_directory(L""));   // one level only
    write_text(dir.narrow("d/f"), "f");
    EXPECT_FALSE(fs::remove_directory(at("d")) || fs::remove_directory(at("d/f")));  // not empty; no folder
    EXPECT_TRUE(fs::remove_file(at("d/f")) && fs::remove_directory(at("d")));
    EXPECT_FALSE(fs::remove_directory(at("d")) || fs::remove_directory(L""));
    EXPECT_TRUE(fs::make_path(at("a/b\\c/")) && fs::make_path(at("a/b/c")));
    write_text(dir.narrow("a/f"), "x");
    EXPECT_FALSE(fs::make_path(at("a/f/g")) || fs::make_path(L""));
    EXPECT_EQ(tree_text(dir.path()), "a/ a/b/ a/b/c/ a/f=x");
    sfs::remove_all(dir.path() / "a");

    sfs::create_directories(dir.path() / "src" / "sub");
    write_text(dir.narrow("src/a"), "A"), write_text(dir.narrow("src/sub/b"), "B");
    EXPECT_TRUE(fs::copy_directory(at("src"), at("flat"), false, false) && fs::copy_directory(at("src"), at("deep"), false, true));
    write_text(dir.narrow("deep/a"), "changed");
    // An existing file is kept unless overwritten; a tree never goes into itself.
    EXPECT_FALSE(fs::copy_directory(at("src"), at("deep"), false, true) || fs::copy_directory(at("src"), at("src/sub/x"), true, true) ||
                 fs::copy_directory(at("src"), at("src/"), true, false) || fs::copy_directory(at("none"), at("x"), true, true));
    const std::string src = "src/ src/a=A src/sub/ src/sub/b=B";
    EXPECT_EQ(tree_text(dir.path()), "deep/ deep/a=changed deep/sub/ deep/sub/b=B flat/ flat/a=A " + src);
    EXPECT_TRUE(fs::copy_directory(at("src"), at("deep"), true, true));
    EXPECT_EQ(read_text(dir.narrow("deep/a")), "A");
    // A move to a free place renames; into an existing folder it merges, and a flat one leaves subfolders.
    EXPECT_TRUE(fs::move_directory(at("deep"), at("moved"), false, true) && fs::move_directory(at("moved"), at("flat"), true, false));
    EXPECT_EQ(tree_text(dir.path()), "flat/ flat/a=A moved/ moved/sub/ moved/sub/b=B " + src);
    sfs::create_directory_symlink(dir.path() / "src", dir.path() / "flat" / "link");
    EXPECT_TRUE(fs::remove_path(at("flat")) && fs::remove_path(at("src/a")));  // a link goes, not what it points to
    EXPECT_FALSE(fs::remove_path(at("src/a")) || fs::remove_path(L""));
    EXPECT_EQ(tree_text(dir.path()), "moved/ moved/sub/ moved/sub/b=B src/ src/sub/ src/sub/b=B");
}

TEST(PathFs, UniqueVariantsAndSystemNames) {
    TempDir dir;
    EXPECT_EQ(fs::transform(dir.file("a.txt")).get_unique(), dir.file("a.txt"));
    write_text(dir.narrow("a.txt"), "");
    write_text(dir.narrow("a_1.txt"), "");
    EXPECT_EQ(fs::transform(dir.file("a.txt")).get_unique(), dir.file("a_2.txt"));
    sfs::create_directory(dir.path() / "a_2.txt");
    EXPECT_EQ(fs::transform(dir.file("a.txt")).get_unique(), dir.file("a_3.txt"));
    EXPECT_FALSE(fs::username().empty() || fs::hostname().empty());
    EXPECT_EQ(fs::current_path(), (sfs::current_path() / "").wstring());
}

}  // namespace
