// Opening modes, share modes between handles, positions and small real transfers.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "filesystem/fileio.h"
#include "support/temp_dir.h"

namespace {

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

double elapsed_ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

constexpr uint64_t kFailed = ek::detail::fileio_win::failed;

}  // namespace

TEST(FileIo, FreshObjectIsClosed) {
    ek::fileio f;
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(f.encoding, ek::strconv::encodings::ansi);
    EXPECT_EQ(f.line_terminator, L"\r\n");
    EXPECT_FALSE(f.end_flag);
    char c;
    EXPECT_EQ(f._read_bytes(&c, 1), kFailed);
    EXPECT_EQ(f._write_bytes(&c, 1), kFailed);
    EXPECT_EQ(f.filesize(), 0u);
    EXPECT_FALSE(f.seek(0));
    EXPECT_FALSE(f.truncate(0));
    f.close();  // harmless
    EXPECT_EQ(ek::fileio(ek::strconv::encodings::utf8).encoding, ek::strconv::encodings::utf8);
}

TEST(FileIo, MissingFileOpensOnlyForCreation) {
    ek::test::TempDir dir;
    ek::fileio f;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(f.open(dir.file("missing"), L"rb"));
    EXPECT_FALSE(f.open(dir.file("missing"), L"rb+"));
    EXPECT_FALSE(f.open(dir.file("missing"), L"ab"));
    // Without retries: twenty attempts would have slept at least 19 ms each time.
    EXPECT_LT(elapsed_ms(start), 19.0);
    EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));

    EXPECT_TRUE(f.open(dir.file("missing"), L"wb"));
    EXPECT_TRUE(f.is_open());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "missing"));
    EXPECT_EQ(f.filesize(), 0u);
}

TEST(FileIo, BadArgumentsFail) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "x");
    ek::fileio f;
    EXPECT_FALSE(f.open(dir.file("f"), nullptr));
    EXPECT_FALSE(f.open(L"", L"rb"));
    EXPECT_FALSE(f.open(L"", L"wb"));
    EXPECT_FALSE(f.open(dir.path().wstring(), L"rb"));   // a folder
    EXPECT_FALSE(f.open(dir.path().wstring(), L"wb"));
    EXPECT_FALSE(f.open(dir.file("f") + std::wstring(1, L'\0') + L"x", L"wb"));
    EXPECT_FALSE(f.open(dir.file("none/f"), L"wb"));     // folder missing
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(read_text(dir.narrow("f")), "x");
}

TEST(FileIo, WriteTruncatesAndReadsBack) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "old contents that are long");
    ek::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), L"wb"));
    EXPECT_EQ(f.filesize(), 0u);
    EXPECT_EQ(f._write_bytes("hello world", 11), 11u);
    EXPECT_EQ(f.tell(), 11u);
    ASSERT_TRUE(f.seek(6));
    char buf[16] = {};
    EXPECT_EQ(f._read_bytes(buf, 5), 5u);  // "wb" reads as well as writes
    EXPECT_EQ(std::string(buf, 5), "world");
    f.close();
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(read_text(dir.narrow("f")), "hello world");
}

TEST(FileIo, ReadOnlyRefusesWrites) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "abc");
    ek::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), L"rb"));
    EXPECT_EQ(f._write_bytes("x", 1), kFailed);
    EXPECT_TRUE(f.error_flag);
    EXPECT_EQ(f.tell(), 0u);
    EXPECT_FALSE(f.truncate(0));
    EXPECT_EQ(read_text(dir.narrow("f")), "abc");
    // The letters 'r' and 'b' are not needed; '+' alone makes it writable.
    ASSERT_TRUE(f.open(dir.file("f"), L"+"));
    EXPECT_EQ(f._write_bytes("X", 1), 1u);
    f.close();
    EXPECT_EQ(read_text(dir.narrow("f")), "Xbc");
}

TEST(FileIo, ShortReadsAtTheEnd) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "0123456789");
    ek::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), L"rb"));
    char buf[32];
    ASSERT_TRUE(f.seek(7));
    EXPECT_EQ(f._read_bytes(buf, 32), 3u);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(f.tell(), 10u);
    EXPECT_TRUE(f.error_flag);
    EXPECT_EQ(f._read_bytes(buf, 4), 0u);
    ASSERT_TRUE(f.seek(1000));  // beyond the end is a place to stand, not to read
    EXPECT_EQ(f._read_bytes(buf, 4), 0u);
    EXPECT_EQ(f._read_bytes(buf, 0), 0u);
    EXPECT_FALSE(f.seek(uint64_t(1) << 63));
}

TEST(FileIo, WritesBeyondTheEndExtendTheFile) {
    ek::test::TempDir dir;
    ek::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), L"wb"));
    ASSERT_TRUE(f.seek(4));
    EXPECT_EQ(f._write_bytes("ab", 2), 2u);
    EXPECT_EQ(f.filesize(), 6u);
    EXPECT_TRUE(f.truncate(3));
    EXPECT_EQ(f.filesize(), 3u);
    f.close();
    EXPECT_EQ(read_text(dir.narrow("f")), std::string(3, '\0'));
}

TEST(FileIo, FilesizeKeepsThePosition) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), std::string(100, 'z') + "tail");
    ek::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), L"rb"));
    ASSERT_TRUE(f.seek(10));
    f.end_flag = true;
    EXPECT_EQ(f.filesize(), 104u);
    EXPECT_FALSE(f.end_flag);
    EXPECT_EQ(f.tell(), 10u);
    ASSERT_TRUE(f.seek(100));
    EXPECT_EQ(f.filesize(), 104u);
    char buf[4];
    EXPECT_EQ(f._read_bytes(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "tail");
}

TEST(FileIo, AppendStartsAtTheEnd) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "abc");
    ek::fileio f;
    f.end_flag = true;
    ASSERT_TRUE(f.open(dir.file("f"), L"ab"));
    EXPECT_FALSE(f.end_flag);
    EXPECT_EQ(f.tell(), 3u);
    EXPECT_EQ(f._write_bytes("de", 2), 2u);
    f.close();
    EXPECT_EQ(read_text(dir.narrow("f")), "abcde");
}

TEST(FileIoShare, ReadersShareAWriterExcludesEveryone) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "abc");
    ek::fileio r1, r2, w;
    ASSERT_TRUE(r1.open(dir.file("f"), L"rb"));
    EXPECT_TRUE(r2.open(dir.file("f"), L"rb"));
    EXPECT_FALSE(w.open(dir.file("f"), L"rb+"));
    EXPECT_FALSE(w.open(dir.file("f"), L"ab"));
    r1.close();
    EXPECT_FALSE(w.open(dir.file("f"), L"rb+"));  // r2 still reads
    r2.close();
    ASSERT_TRUE(w.open(dir.file("f"), L"rb+"));
    EXPECT_FALSE(r1.open(dir.file("f"), L"rb"));
    EXPECT_FALSE(r2.open(dir.file("f"), L"rb+"));
    w.close();
    EXPECT_TRUE(r1.open(dir.file("f"), L"rb"));
}

TEST(FileIoShare, ReopeningReleasesTheEarlierFile) {
    ek::test::TempDir dir;
    write_text(dir.narrow("a"), "a");
    write_text(dir.narrow("b"), "b");
    ek::fileio f, other;
    ASSERT_TRUE(f.open(dir.file("a"), L"rb+"));
    ASSERT_TRUE(f.open(dir.file("b"), L"rb+"));
    EXPECT_TRUE(other.open(dir.file("a"), L"rb+"));
    other.close();
    // A failed open leaves the object closed and releases what it held before.
    EXPECT_FALSE(f.open(dir.file("missing"), L"rb"));
    EXPECT_FALSE(f.is_open());
    EXPECT_TRUE(other.open(dir.file("b"), L"rb+"));
}

TEST(FileIoShare, DestructionReleases) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "abc");
    {
        ek::fileio w;
        ASSERT_TRUE(w.open(dir.file("f"), L"rb+"));
    }
    ek::fileio again;
    EXPECT_TRUE(again.open(dir.file("f"), L"rb+"));
}

TEST(FileIoShare, RetryLoopGivesUpAfterTwentyAttempts) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "abc");
    ek::fileio holder, f;
    ASSERT_TRUE(holder.open(dir.file("f"), L"rb+"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(f.open(dir.file("f"), L"rb+"));
    // Nineteen pauses of at least 1 ms lie between twenty attempts.
    EXPECT_GE(elapsed_ms(start), 19.0);
    EXPECT_FALSE(f.is_open());
}

TEST(FileIoShare, CreateNeverTruncatesAHeldFile) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "precious");
    ek::fileio reader, f;
    ASSERT_TRUE(reader.open(dir.file("f"), L"rb"));
    EXPECT_FALSE(f.open(dir.file("f"), L"wb"));
    EXPECT_EQ(read_text(dir.narrow("f")), "precious");
    char buf[8];
    EXPECT_EQ(reader._read_bytes(buf, 8), 8u);
    EXPECT_EQ(std::string(buf, 8), "precious");
}

TEST(FileIoShare, AShortLivedHolderIsWaitedFor) {
    ek::test::TempDir dir;
    write_text(dir.narrow("f"), "abc");
    auto holder = std::make_unique<ek::fileio>();
    ASSERT_TRUE(holder->open(dir.file("f"), L"rb+"));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        holder.reset();
    });
    ek::fileio f;
    const bool opened = f.open(dir.file("f"), L"rb+");
    release.join();
    EXPECT_TRUE(opened);
}
