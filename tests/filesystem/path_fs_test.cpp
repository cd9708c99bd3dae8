// File tests, copies, moves, deletions and folders against a real temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "filesystem/fileio.h"
#include "filesystem/paths.h"
#include "support/temp_dir.h"

namespace fs = ek::filesystem;

namespace {

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void set_mtime(const std::string& path, time_t t) {
    struct utimbuf times{t, t};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

// Names in the folder other than the test's own files (a copy must leave no scraps behind).
size_t entry_count(const std::filesystem::path& dir) {
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(dir); it != std::filesystem::directory_iterator(); ++it) ++n;
    return n;
}

}  // namespace

TEST(PathFs, TestsOnFilesFoldersAndMissingPaths) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f.txt"), "12345");
    std::filesystem::create_directory(dir.path() / "sub");

    EXPECT_TRUE(fs::is_file(dir.file("f.txt")));
    EXPECT_TRUE(fs::path_exist(dir.file("f.txt")));
    EXPECT_FALSE(fs::is_directory(dir.file("f.txt")));
    EXPECT_FALSE(fs::is_file(dir.file("sub")));
    EXPECT_TRUE(fs::path_exist(dir.file("sub")));
    EXPECT_TRUE(fs::is_directory(dir.file("sub")));

    for (const std::wstring& missing : {dir.file("none"), dir.file("none/x"), std::wstring(),
                                        dir.file("f.txt/x"), dir.file("f.txt") + std::wstring(1, L'\0') + L"x"}) {
        EXPECT_FALSE(fs::is_file(missing));
        EXPECT_EQ(fs::file_mtime(missing), 0);
        EXPECT_EQ(fs::file_size(missing), 0u);
        EXPECT_FALSE(fs::file_readable(missing));
        EXPECT_FALSE(fs::file_writable(missing));
        EXPECT_FALSE(fs::remove_file(missing));
    }
    EXPECT_FALSE(fs::path_exist(dir.file("none")));
    EXPECT_FALSE(fs::path_exist(L""));
    EXPECT_FALSE(fs::is_directory(L""));
}

TEST(PathFs, BackslashesReachTheSystemAsSlashes) {
    ek::test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    write_text(dir.narrow("sub/f.txt"), "x");
    std::wstring mixed = dir.file("sub") + L"\\f.txt";
    EXPECT_TRUE(fs::is_file(mixed));
    EXPECT_TRUE(fs::file_readable(mixed));
    EXPECT_TRUE(fs::remove_file(mixed));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "sub" / "f.txt"));
}

TEST(PathFs, NonAsciiNamesAreUtf8OnDisk) {
    ek::test::TempDir dir;
    const std::wstring name = fs::combine(dir.path().wstring(), L"Глубина.property");
    {
        ek::fileio f;
        ASSERT_TRUE(f.open(name, L"wb"));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / u8"Глубина.property"));
    EXPECT_TRUE(fs::is_file(name));
    EXPECT_TRUE(fs::remove_file(name));
}

TEST(PathFs, SizeAndModificationTime) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f.txt"), "12345");
    set_mtime(dir.narrow("f.txt"), 1000000000);
    EXPECT_EQ(fs::file_size(dir.file("f.txt")), 5u);
    EXPECT_EQ(fs::file_mtime(dir.file("f.txt")), 1000000000);
    EXPECT_TRUE(fs::file_readable(dir.file("f.txt")));
    EXPECT_TRUE(fs::file_writable(dir.file("f.txt")));
    // Folders are not files to open.
    EXPECT_FALSE(fs::file_readable(dir.file("")));
    EXPECT_EQ(fs::file_size(dir.path().wstring()), 0u);
}

TEST(PathFs, ReadableAndWritableFollowTheShareModes) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f.txt"), "x");
    ek::fileio reader;
    ASSERT_TRUE(reader.open(dir.file("f.txt"), L"rb"));
    EXPECT_TRUE(fs::file_readable(dir.file("f.txt")));
    EXPECT_FALSE(fs::file_writable(dir.file("f.txt")));
    reader.close();
    EXPECT_TRUE(fs::file_writable(dir.file("f.txt")));
}

TEST(PathFs, CopyWithAndWithoutOverwrite) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "source bytes");
    set_mtime(dir.narrow("a"), 1200000000);

    EXPECT_TRUE(fs::copy_file(dir.file("a"), dir.file("b"), false));
    EXPECT_EQ(read_text(dir.narrow("b")), "source bytes");
    EXPECT_EQ(read_text(dir.narrow("a")), "source bytes");
    EXPECT_EQ(fs::file_mtime(dir.file("b")), 1200000000);  // a copy keeps the time, as on Windows

    write_text(dir.narrow("c"), "old");
    EXPECT_FALSE(fs::copy_file(dir.file("a"), dir.file("c"), false));
    EXPECT_EQ(read_text(dir.narrow("c")), "old");
    EXPECT_TRUE(fs::copy_file(dir.file("a"), dir.file("c"), true));
    EXPECT_EQ(read_text(dir.narrow("c")), "source bytes");

    // Copying a file onto itself loses nothing.
    EXPECT_TRUE(fs::copy_file(dir.file("a"), dir.file("a"), true));
    EXPECT_EQ(read_text(dir.narrow("a")), "source bytes");
    EXPECT_EQ(entry_count(dir.path()), 3u);
}

TEST(PathFs, CopyFailuresCreateNothing) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "data");
    std::filesystem::create_directory(dir.path() / "sub");

    EXPECT_FALSE(fs::copy_file(dir.file("missing"), dir.file("b"), true));
    EXPECT_FALSE(fs::copy_file(dir.file("sub"), dir.file("b"), true));        // a folder is no file
    EXPECT_FALSE(fs::copy_file(dir.file("a"), dir.file("sub"), true));        // nor is it a target
    EXPECT_FALSE(fs::copy_file(dir.file("a"), dir.file("none/b"), true));     // target folder missing
    EXPECT_FALSE(fs::copy_file(dir.file("a"), L"", true));
    EXPECT_FALSE(fs::copy_file(L"", dir.file("b"), true));
    EXPECT_FALSE(fs::path_exist(dir.file("b")));
    EXPECT_EQ(entry_count(dir.path()), 2u);
    EXPECT_EQ(entry_count(dir.path() / "sub"), 0u);
}

TEST(PathFs, CopyOntoAFileSomeoneHoldsFails) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "new");
    write_text(dir.narrow("b"), "held");
    ek::fileio holder;
    ASSERT_TRUE(holder.open(dir.file("b"), L"rb"));
    EXPECT_FALSE(fs::copy_file(dir.file("a"), dir.file("b"), true));
    EXPECT_EQ(read_text(dir.narrow("b")), "held");
    // Reading a held file is fine: the holder lets others read.
    EXPECT_TRUE(fs::copy_file(dir.file("b"), dir.file("c"), false));
    EXPECT_EQ(read_text(dir.narrow("c")), "held");
}

TEST(PathFs, MoveWithAndWithoutOverwrite) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "A");
    write_text(dir.narrow("b"), "B");

    EXPECT_FALSE(fs::move_file(dir.file("a"), dir.file("b"), false));
    EXPECT_EQ(read_text(dir.narrow("a")), "A");
    EXPECT_EQ(read_text(dir.narrow("b")), "B");

    EXPECT_TRUE(fs::move_file(dir.file("a"), dir.file("b"), true));
    EXPECT_FALSE(fs::path_exist(dir.file("a")));
    EXPECT_EQ(read_text(dir.narrow("b")), "A");

    EXPECT_TRUE(fs::move_file(dir.file("b"), dir.file("c"), false));
    EXPECT_FALSE(fs::path_exist(dir.file("b")));
    EXPECT_EQ(read_text(dir.narrow("c")), "A");

    EXPECT_FALSE(fs::move_file(dir.file("missing"), dir.file("d"), true));
    EXPECT_FALSE(fs::path_exist(dir.file("d")));
    EXPECT_FALSE(fs::move_file(dir.file("c"), dir.file("none/d"), true));
    EXPECT_EQ(read_text(dir.narrow("c")), "A");
    EXPECT_FALSE(fs::move_file(L"", dir.file("d"), true));
    EXPECT_FALSE(fs::move_file(dir.file("c"), L"", true));
}

TEST(PathFs, MoveOfAHeldFileFails) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "A");
    write_text(dir.narrow("b"), "B");
    ek::fileio holder;
    ASSERT_TRUE(holder.open(dir.file("a"), L"rb"));
    EXPECT_FALSE(fs::move_file(dir.file("a"), dir.file("c"), false));
    EXPECT_TRUE(fs::is_file(dir.file("a")));
    holder.close();
    ASSERT_TRUE(holder.open(dir.file("b"), L"rb+"));
    EXPECT_FALSE(fs::move_file(dir.file("a"), dir.file("b"), true));
    EXPECT_EQ(read_text(dir.narrow("b")), "B");
    EXPECT_EQ(read_text(dir.narrow("a")), "A");
}

TEST(PathFs, MoveAcrossFileSystemsCopiesAndDeletes) {
    ek::test::TempDir dir;
    const std::filesystem::path shm = "/dev/shm";
    struct stat a, b;
    if (::stat(shm.c_str(), &b) != 0 || ::stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    const std::string other = (shm / ("ekx_fs_move_" + std::to_string(::getpid()))).string();
    write_text(dir.narrow("a"), "across");
    set_mtime(dir.narrow("a"), 1100000000);
    const std::wstring target = std::filesystem::path(other).wstring();

    ASSERT_TRUE(fs::move_file(dir.file("a"), target, false));
    EXPECT_FALSE(fs::path_exist(dir.file("a")));
    EXPECT_EQ(read_text(other), "across");
    EXPECT_EQ(fs::file_mtime(target), 1100000000);

    write_text(dir.narrow("b"), "second");
    EXPECT_FALSE(fs::move_file(dir.file("b"), target, false));
    EXPECT_EQ(read_text(other), "across");
    EXPECT_TRUE(fs::move_file(dir.file("b"), target, true));
    EXPECT_EQ(read_text(other), "second");
    EXPECT_FALSE(fs::path_exist(dir.file("b")));
    EXPECT_TRUE(fs::remove_file(target));
}

TEST(PathFs, RemoveFile) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "A");
    std::filesystem::create_directory(dir.path() / "sub");
    EXPECT_FALSE(fs::remove_file(dir.file("sub")));  // folders are not removed as files
    EXPECT_TRUE(fs::is_directory(dir.file("sub")));
    {
        ek::fileio holder;
        ASSERT_TRUE(holder.open(dir.file("a"), L"rb"));
        EXPECT_FALSE(fs::remove_file(dir.file("a")));  // held open elsewhere, as Windows refuses
        EXPECT_TRUE(fs::is_file(dir.file("a")));
    }
    EXPECT_TRUE(fs::remove_file(dir.file("a")));
    EXPECT_FALSE(fs::path_exist(dir.file("a")));
    EXPECT_FALSE(fs::remove_file(dir.file("a")));
}

TEST(PathFs, Folders) {
    ek::test::TempDir dir;
    EXPECT_TRUE(fs::make_directory(dir.file("d")));
    EXPECT_TRUE(fs::is_directory(dir.file("d")));
    EXPECT_TRUE(fs::make_directory(dir.file("d")));        // exists already
    EXPECT_FALSE(fs::make_directory(dir.file("x/y")));     // one level only
    EXPECT_FALSE(fs::path_exist(dir.file("x")));
    EXPECT_FALSE(fs::make_directory(L""));
    write_text(dir.narrow("d/f"), "f");
    EXPECT_FALSE(fs::remove_directory(dir.file("d")));     // not empty
    EXPECT_FALSE(fs::remove_directory(dir.file("d/f")));   // not a folder
    EXPECT_TRUE(fs::remove_file(dir.file("d/f")));
    EXPECT_TRUE(fs::remove_directory(dir.file("d")));
    EXPECT_FALSE(fs::path_exist(dir.file("d")));
    EXPECT_FALSE(fs::remove_directory(dir.file("d")));
    EXPECT_FALSE(fs::remove_directory(L""));
}

TEST(PathFs, UniqueVariantsSkipExistingPaths) {
    ek::test::TempDir dir;
    EXPECT_EQ(fs::transform(dir.file("a.txt")).get_unique(), dir.file("a.txt"));
    write_text(dir.narrow("a.txt"), "");
    write_text(dir.narrow("a_1.txt"), "");
    EXPECT_EQ(fs::transform(dir.file("a.txt")).get_unique(), dir.file("a_2.txt"));
    std::filesystem::create_directory(dir.path() / "a_2.txt");
    EXPECT_EQ(fs::transform(dir.file("a.txt")).get_unique(), dir.file("a_3.txt"));
}

TEST(PathFs, SystemNames) {
    EXPECT_FALSE(fs::username().empty());
    EXPECT_FALSE(fs::hostname().empty());
    const std::wstring cwd = fs::current_path();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(cwd.back(), L'/');
    EXPECT_TRUE(fs::is_directory(cwd));
    EXPECT_EQ(std::filesystem::path(cwd), std::filesystem::current_path() / "");
}
