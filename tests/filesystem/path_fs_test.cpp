// File tests, copies, moves, deletions, folder listings and folder trees against real folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "filesystem/fileio.h"
#include "filesystem/paths.h"
#include "support/host_platform.h"
#include "support/suite_files.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;
namespace sfs = std::filesystem;
using W = std::wstring;
using namespace ek::test;

namespace {

TEST(PathFs, QueriesOnEachKindOfPath) {
    TempDir dir;
    sfs::create_directory(dir.path() / "sub"), write_text(dir.narrow("f.txt"), "12345", 1000000000), write_text(dir.narrow("sub/g.txt"), "x");
    ASSERT_TRUE(ek::fileio().open(dir.file("sub") + L"\\Глубина", L"wb"));  // a name beyond ASCII reaches the disk as UTF-8
    const struct { W path; bool file, exists, folder; unsigned long long size; long long mtime; } rows[] = {  // mtime -1: not checked
        {dir.file("f.txt"), 1, 1, 0, 5, 1000000000}, {dir.file("sub") + L"\\g.txt", 1, 1, 0, 1, -1}, {dir.file("sub"), 0, 1, 1, 0, -1},
        {dir.path().wstring() + L"/sub/Глубина", 1, 1, 0, 0, -1}, {dir.file("none"), 0, 0, 0, 0, 0}, {dir.file("f.txt/x"), 0, 0, 0, 0, 0},
        {dir.file("f.txt") + W(1, L'\0'), 0, 0, 0, 0, 0}, {W(), 0, 0, 0, 0, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.path));
        EXPECT_EQ(std::tuple(fs::is_file(r.path), fs::path_exist(r.path), fs::is_directory(r.path), fs::file_size(r.path)),
                  std::tuple(r.file, r.exists, r.folder, r.size));
        EXPECT_TRUE(r.mtime < 0 || fs::file_mtime(r.path) == r.mtime);
        EXPECT_TRUE(fs::file_readable(r.path) == r.file && fs::file_writable(r.path) == r.file);
    }
    EXPECT_TRUE(fs::remove_file(dir.file("sub") + L"\\g.txt") && tree_text(dir.path() / "sub") == "Глубина=");
    // The first free variant of a name (a folder takes one as well); the names of the system.
    sfs::create_directory(dir.path() / "f_1.txt");
    EXPECT_EQ(fs::transform(dir.file("f.txt")).get_unique() + fs::transform(dir.file("g.txt")).get_unique(), dir.file("f_2.txt") + dir.file("g.txt"));
    EXPECT_FALSE(fs::username().empty() || fs::hostname().empty());
    EXPECT_EQ(fs::current_path(), (sfs::current_path() / "").wstring());
}

// Each row starts from a = "A" and c = "old" (both with a known time) and an empty folder sub, and
// holds c open with `hold` while it runs: as on Windows, a file that a handle holds open is only read.
TEST(PathFs, CopyMoveAndRemove) {
    const char* same = "a=A c=old sub/";
    const struct { const char *op, *src, *dst; bool overwrite; const wchar_t* hold; bool ok; const char* after; } rows[] = {
        {"copy", "a", "b", 0, L"", 1, "a=A b=A c=old sub/"}, {"copy", "a", "c", 0, L"", 0, same}, {"copy", "a", "c", 1, L"", 1, "a=A c=A sub/"},
        {"copy", "a", "a", 1, L"", 1, same}, {"copy", "missing", "b", 1, L"", 0, same}, {"copy", "sub", "b", 1, L"", 0, same},
        {"copy", "a", "none/b", 1, L"", 0, same}, {"copy", "", "b", 1, L"", 0, same}, {"copy", "a", "c", 1, L"rb", 0, same},
        {"copy", "c", "b", 0, L"rb", 1, "a=A b=old c=old sub/"}, {"move", "a", "c", 0, L"", 0, same}, {"move", "a", "c", 1, L"", 1, "c=A sub/"},
        {"move", "a", "b", 0, L"", 1, "b=A c=old sub/"}, {"move", "missing", "b", 1, L"", 0, same}, {"move", "", "b", 1, L"", 0, same},
        {"move", "a", "c", 1, L"rb+", 0, same}, {"move", "c", "b", 0, L"rb", 0, same}, {"remove", "a", "", 0, L"", 1, "c=old sub/"},
        {"remove", "sub", "", 0, L"", 0, same}, {"remove", "missing", "", 0, L"", 0, same}, {"remove", "", "", 0, L"", 0, same},
        {"remove", "c", "", 0, L"rb", 0, same},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.op) + " " + r.src + " to " + r.dst + (r.overwrite ? " overwriting" : "") + (*r.hold ? " held" : ""));
        TempDir dir;
        write_text(dir.narrow("a"), "A", 1200000000), write_text(dir.narrow("c"), "old", 1200000000), sfs::create_directory(dir.path() / "sub");
        const W src = *r.src ? dir.file(r.src) : W(), dst = *r.dst ? dir.file(r.dst) : W();
        ek::fileio holder;
        ASSERT_TRUE(!*r.hold || holder.open(dir.file("c"), r.hold));
        const bool ok = r.op[0] == 'c' ? fs::copy_file(src, dst, r.overwrite) : r.op[0] == 'm' ? fs::move_file(src, dst, r.overwrite) : fs::remove_file(src);
        EXPECT_EQ(ok, r.ok);
        holder.close();
        EXPECT_EQ(tree_text(dir.path()), r.after);  // nothing else, such as a half-written copy, is left behind
        EXPECT_TRUE(!ok || !*r.dst || fs::file_mtime(dst) == 1200000000);  // a copy keeps the time, as on Windows
    }
}

TEST(PathFs, MoveAcrossFileSystemsCopiesAndDeletes) {
    TempDir dir;
    struct stat a, b;
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().string().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    const W target = L"/dev/shm/ekx_fs_move_" + std::to_wstring(::getpid());  // moved there twice: once new, once overwriting
    write_text(dir.narrow("a"), "across", 1100000000), write_text(dir.narrow("b"), "second");
    ASSERT_TRUE(fs::move_file(dir.file("a"), target, false));
    EXPECT_TRUE(fs::file_mtime(target) == 1100000000 && !fs::move_file(dir.file("b"), target, false) && read_text(target) == "across");
    EXPECT_TRUE(fs::move_file(dir.file("b"), target, true) && read_text(target) == "second" && sfs::is_empty(dir.path()));
    EXPECT_TRUE(fs::remove_file(target));
}

TEST(PathFind, MasksFlagsAndOrder) {
    TempDir dir;
    const W root = dir.path().wstring();
    sfs::create_directories(dir.path() / "sub" / "deep"), sfs::create_directories(dir.path() / "sub2");
    for (const char* f : {"a.txt", "b.dat", "noext", ".hidden.txt", "sub/c.txt", "sub/deep/e.txt", "sub2/field.Depth.property",
                          "sub2/field.Poro.property", "sub2/field.xml", "sub2/other.Depth.property", "sub2/field.property"})
        write_text(dir.narrow(f), "x");
    const bool links = make_link(dir.path(), dir.path() / "sub" / "loop", true) &
                       make_link(dir.path() / "gone", dir.path() / "dangling", false);
    const std::vector<W> top = {L"a.txt", L"b.dat", L"noext", L".hidden.txt", L"dangling"};
    // Flags 1 folders, 2 files, 4 recursive: the folder itself, then each folder below, subfolders
    // first; linked folders are listed, not entered; a broken link is a file, a link to a folder a folder.
    const struct { W dir, mask; int flags; bool ordered; std::vector<W> want; } rows[] = {
        {L"", L"*", 2, false, top}, {L"", L"*.*", 2, false, top}, {L"", L"*", 1, false, {L"sub", L"sub2"}}, {L"", L"*", 4, false, {}},
        {L"/sub", L"*", 1, false, {L"sub/deep", L"sub/loop"}}, {L"/", L"?.dat", 2, false, {L"b.dat"}}, {L"", L"", 3, false, {}},
        {L"", L"?.txt", 6, true, {L"a.txt", L"sub/deep/e.txt", L"sub/c.txt"}},
        {L"\\sub", L"*.txt", 6, true, {L"sub/c.txt", L"sub/deep/e.txt"}}, {L"", L"*", 5, false, {L"sub", L"sub2", L"sub/deep", L"sub/loop"}},
        {L"/sub2", L"field.*.property", 2, false, {L"sub2/field.Depth.property", L"sub2/field.Poro.property"}},
        {L"/none", L"*", 7, false, {}}, {L"/a.txt", L"*", 7, false, {}}, {W(1, L'\0'), L"*", 7, false, {}},
    };
    for (const auto& r : rows) {
        std::vector<W> want, got;
        for (const W& w : fs::find(root + r.dir, r.mask, r.flags)) got.push_back(separators_alike(w));
        for (const W& w : r.want)
            if (links || (w != L"dangling" && w != L"sub/loop")) want.push_back(separators_alike(root + L"/" + w));
        if (!r.ordered) std::sort(got.begin(), got.end()), std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << testing::PrintToString(r.dir + L" " + r.mask) << " flags " << r.flags;
    }
    EXPECT_EQ(fs::find(dir.file("*.dat"), 2), std::vector<W>{dir.file("b.dat")});  // folder and mask in one
}

TEST(PathTree, FoldersAndTrees) {
    TempDir dir;
    const auto at = [&](const char* rel) { return dir.file(rel); };
    // A folder is made one level at a time (also where it exists) and removed only when empty.
    EXPECT_TRUE(fs::make_directory(at("d")) && fs::make_directory(at("d")));
    write_text(dir.narrow("d/f"), "f");
    EXPECT_FALSE(fs::make_directory(at("x/y")) || fs::make_directory(L"") || fs::remove_directory(at("d")) ||
                 fs::remove_directory(at("d/f")) || fs::remove_directory(L""));
    EXPECT_TRUE(fs::remove_file(at("d/f")) && fs::remove_directory(at("d")) && !fs::remove_directory(at("d")));
    EXPECT_TRUE(fs::make_path(at("src/sub\\c/")) && fs::make_path(at("src/sub/c")));
    write_text(dir.narrow("src/a"), "A"), write_text(dir.narrow("src/sub/b"), "B");
    EXPECT_FALSE(fs::make_path(at("src/a/g")) || fs::make_path(L""));
    EXPECT_TRUE(fs::copy_directory(at("src"), at("flat"), false, false) && fs::copy_directory(at("src"), at("deep"), false, true));
    write_text(dir.narrow("deep/a"), "changed");
    // An existing file is kept unless overwritten; a tree never goes into itself.
    EXPECT_FALSE(fs::copy_directory(at("src"), at("deep"), false, true) || fs::copy_directory(at("src"), at("src/sub/x"), true, true) ||
                 fs::copy_directory(at("src"), at("src/"), true, false) || fs::copy_directory(at("none"), at("x"), true, true));
    const std::string src = "src/ src/a=A src/sub/ src/sub/b=B src/sub/c/";
    EXPECT_EQ(tree_text(dir.path()), "deep/ deep/a=changed deep/sub/ deep/sub/b=B deep/sub/c/ flat/ flat/a=A " + src);
    EXPECT_TRUE(fs::copy_directory(at("src"), at("deep"), true, true) && read_text(dir.narrow("deep/a")) == "A");
    // A move to a free place renames; into an existing folder it merges, and a flat one leaves subfolders.
    EXPECT_TRUE(fs::move_directory(at("deep"), at("moved"), false, true) && fs::move_directory(at("moved"), at("flat"), true, false));
    EXPECT_EQ(tree_text(dir.path()), "flat/ flat/a=A moved/ moved/sub/ moved/sub/b=B moved/sub/c/ " + src);
    ek::test::make_link(dir.path() / "src", dir.path() / "flat" / "link", true);  // a link goes, not what it points to
    EXPECT_TRUE(fs::remove_path(at("flat")) && fs::remove_path(at("src/a")) && !fs::remove_path(at("src/a")) && !fs::remove_path(L""));
    EXPECT_EQ(tree_text(dir.path()), "moved/ moved/sub/ moved/sub/b=B moved/sub/c/ src/ src/sub/ src/sub/b=B src/sub/c/");
}

}  // namespace
