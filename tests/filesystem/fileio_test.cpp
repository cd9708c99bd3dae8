// The binary file layer: opening modes, transfers and positions, share modes between handles and
// processes, and the 1 GiB pieces of large transfers.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "filesystem/fileio.h"
#include "filesystem/fileio_os.h"
#include "support/suite_files.h"
#include "support/temp_dir.h"

using namespace ek::test;
using W = std::wstring;

namespace {

constexpr uint64_t kFailed = ek::detail::fileio_win::failed, kGiB = uint64_t(1) << 30;

double ms_since(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Each row opens "f" (holding "abc", or missing when `before` is null) and writes "XY".
TEST(FileIo, OpenModes) {
    const struct { const wchar_t* mode; const char* before; bool opens; uint64_t written; const char* after; } rows[] = {
        {L"rb", nullptr, false, 0, "-"},    {L"rb+", nullptr, false, 0, "-"}, {L"ab", nullptr, false, 0, "-"},
        {L"wb", nullptr, true, 2, "XY"},     {L"wb", "abc", true, 2, "XY"},    {L"rb", "abc", true, kFailed, "abc"},
        {L"rb+", "abc", true, 2, "XYc"},     {L"+", "abc", true, 2, "XYc"},    {L"ab", "abc", true, 2, "abcXY"},
        {nullptr, "abc", false, 0, "abc"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(W(r.mode ? r.mode : L"null")) + (r.before ? " on a file" : " on nothing"));
        TempDir dir;
        if (r.before) write_text(dir.narrow("f"), r.before);
        ek::fileio f;
        f.end_flag = true;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(f.open(dir.file("f"), r.mode), r.opens);
        if (!r.opens) { EXPECT_LT(ms_since(start), 19.0); }  // no sharing conflict, so no retries
        EXPECT_EQ(f.is_open(), r.opens);
        if (r.opens) {
            EXPECT_EQ(f.end_flag, r.mode[0] != L'a');  // cleared by an append-mode open
            EXPECT_EQ(f.tell(), r.mode[0] == L'a' ? 3u : 0u);  // which starts at the end
            EXPECT_EQ(f.filesize(), r.mode[0] == L'w' ? 0u : 3u);
            EXPECT_EQ(f._write_bytes("XY", 2), r.written);
            EXPECT_EQ(f.error_flag, r.written == kFailed);
        }
        f.close();
        EXPECT_FALSE(f.is_open());
        EXPECT_EQ(read_text(dir.narrow("f")), r.after);
    }
    TempDir dir;
    write_text(dir.narrow("f"), "x");
    ek::fileio f;
    for (const W& bad : {dir.path().wstring(), W(), dir.file("f") + W(1, L'\0'), dir.file("none/f")})
        EXPECT_FALSE(f.open(bad, L"rb") || f.open(bad, L"wb")) << testing::PrintToString(bad);
    EXPECT_EQ(tree_text(dir.path()), "f=x");
}

TEST(FileIo, TransfersPositionsAndSize) {
    ek::fileio f;  // closed: everything fails
    char buf[32] = {};
    EXPECT_TRUE(f._read_bytes(buf, 1) == kFailed && f._write_bytes(buf, 1) == kFailed && f.filesize() == 0);
    EXPECT_FALSE(f.seek(0) || f.truncate(0));
    TempDir dir;
    ASSERT_TRUE(f.open(dir.file("f"), L"wb"));
    EXPECT_EQ(f._write_bytes("hello world", 11), 11u);
    EXPECT_EQ(f.tell(), 11u);
    ASSERT_TRUE(f.seek(6));
    EXPECT_EQ(f._read_bytes(buf, 5), 5u);  // "wb" reads as well as writes
    EXPECT_EQ(std::string(buf, 5), "world");
    ASSERT_TRUE(f.seek(7));
    EXPECT_FALSE(f.error_flag);
    EXPECT_EQ(f._read_bytes(buf, 32), 4u);  // short at the end
    EXPECT_EQ(std::string(buf, 4), "orld");
    EXPECT_TRUE(f.tell() == 11 && f.error_flag);
    EXPECT_TRUE(f._read_bytes(buf, 4) == 0 && f._read_bytes(buf, 0) == 0);
    ASSERT_TRUE(f.seek(13));  // beyond the end is a place to write at
    EXPECT_EQ(f._write_bytes("!", 1), 1u);
    f.end_flag = true;
    EXPECT_EQ(f.filesize(), 14u);
    EXPECT_FALSE(f.end_flag);
    EXPECT_EQ(f.tell(), 14u);  // asking the size keeps the position
    EXPECT_FALSE(f.seek(uint64_t(1) << 63));
    EXPECT_TRUE(f.truncate(12) && f.filesize() == 12);
    f.close();
    EXPECT_EQ(read_text(dir.narrow("f")), std::string("hello world\0", 12));
}

// A process that opens `path` with `mode`, reports the outcome, and holds the file until destroyed.
class Child {
public:
    Child(const W& path, const wchar_t* mode) {
        if (::pipe(up_) != 0 || ::pipe(down_) != 0 || (pid_ = ::fork()) < 0) return;
        if (pid_ == 0) {
            ek::fileio f;
            char ok = f.open(path, mode) ? '1' : '0';
            ::_exit(::write(up_[1], &ok, 1) == 1 && ::read(down_[0], &ok, 1) >= 0 ? 0 : 1);
        }
        char ok = 0;
        opened = ::read(up_[0], &ok, 1) == 1 && ok == '1';
    }
    ~Child() {
        if (pid_ > 0 && ::write(down_[1], "x", 1) == 1) ::waitpid(pid_, nullptr, 0);
        for (int fd : {up_[0], up_[1], down_[0], down_[1]}) ::close(fd);
    }
    bool opened = false;

private:
    int up_[2] = {-1, -1}, down_[2] = {-1, -1};
    pid_t pid_ = -1;
};

// Readers share a file; a writer excludes everyone; a refused "wb" truncates nothing. So between two
// handles of this process, with the holder in a child process, and with the opener in one.
TEST(FileIoShare, ReadersShareAWriterExcludesEveryone) {
    const struct { const wchar_t *held, *mode; bool opens; } rows[] = {
        {L"rb", L"rb", true},    {L"rb", L"rb+", false},  {L"rb", L"ab", false}, {L"rb", L"wb", false},
        {L"rb+", L"rb", false},  {L"rb+", L"rb+", false}, {L"wb", L"rb", false},
    };
    for (const char* where : {"here", "holder in a child", "opener in a child"}) {
        for (const auto& r : rows) {
            SCOPED_TRACE(testing::PrintToString(W(r.held) + L" then " + r.mode) + " " + where);
            TempDir dir;
            write_text(dir.narrow("f"), "precious");
            ek::fileio holder, f;
            if (where[0] == 'h' && r.held[0] == L'w') continue;  // a child "wb" would empty the file itself
            if (where[0] == 'h') {
                Child child(dir.file("f"), r.held);
                ASSERT_TRUE(child.opened);
                EXPECT_EQ(f.open(dir.file("f"), r.mode), r.opens);
            } else {
                ASSERT_TRUE(holder.open(dir.file("f"), r.held));
                if (r.held[0] == L'w') { EXPECT_EQ(holder._write_bytes("precious", 8), 8u); }
                EXPECT_EQ(where[0] == 'o' ? Child(dir.file("f"), r.mode).opened : f.open(dir.file("f"), r.mode), r.opens);
            }
            EXPECT_EQ(read_text(dir.narrow("f")), "precious");
        }
    }
}

TEST(FileIoShare, RetriesAndRelease) {
    TempDir dir;
    write_text(dir.narrow("f"), "abc");
    auto holder = std::make_unique<ek::fileio>();
    ASSERT_TRUE(holder->open(dir.file("f"), L"rb+"));
    ek::fileio f;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(f.open(dir.file("f"), L"rb+"));
    EXPECT_GE(ms_since(start), 19.0);  // nineteen pauses of at least 1 ms between twenty attempts
    std::thread release([&] { std::this_thread::sleep_for(std::chrono::milliseconds(2)), holder.reset(); });
    const bool opened = f.open(dir.file("f"), L"rb+");  // a short-lived holder is waited for
    release.join();
    EXPECT_TRUE(opened);
    // Closing, a new open, a failed open and destruction release a file.
    write_text(dir.narrow("a"), "a"), write_text(dir.narrow("b"), "b");
    const W a = dir.file("a"), b = dir.file("b");
    ek::fileio r1, r2, w;
    ASSERT_TRUE(r1.open(a, L"rb") && r2.open(a, L"rb"));
    r1.close();
    EXPECT_FALSE(w.open(a, L"rb+"));  // the second reader still holds it
    r2.close();
    EXPECT_TRUE(w.open(a, L"rb+") && w.open(b, L"rb+") && r1.open(a, L"rb+"));  // a new open releases the old file
    r1.close();
    EXPECT_FALSE(w.open(dir.file("missing"), L"rb"));  // so does a failed one
    EXPECT_TRUE(r1.open(b, L"rb+"));
    { ek::fileio scoped; ASSERT_TRUE(scoped.open(a, L"rb+")); }
    EXPECT_TRUE(w.open(a, L"rb+"));  // and destruction
}

// The system's transfer calls replaced, so that no gigabytes move: each call is recorded and answered
// with the row's next answer (a count, or -1 for a failure with the row's errno), else in full.
struct FakeOs {
    struct Call { const char* data; size_t n; off_t offset; };
    static inline std::vector<Call> calls;
    static inline std::vector<ssize_t> answers;
    static inline int err = EIO;
    static ssize_t answer(const void* data, size_t n, off_t offset) {
        calls.push_back({static_cast<const char*>(data), n, offset});
        const ssize_t a = calls.size() <= answers.size() ? answers[calls.size() - 1] : ssize_t(n);
        if (a < 0) errno = err;
        return a;
    }
    static int64_t read(ek::detail::os_handle, void* d, size_t n, uint64_t o) { return answer(d, n, off_t(o)); }
    static int64_t write(ek::detail::os_handle, const void* d, size_t n, uint64_t o) { return answer(d, n, off_t(o)); }
};

TEST(FileIoTransfer, PiecesOfAtMostOneGiB) {
    const ssize_t G = ssize_t(kGiB);
    const uint64_t far = uint64_t(INT64_MAX) - 4;
    const struct {
        const char* name;
        bool write;
        uint64_t start, n;
        std::vector<ssize_t> answers;
        uint64_t result;
        std::vector<size_t> pieces;
        uint64_t tell;
    } rows[] = {
        {"1 GiB is one call", true, 0, kGiB, {}, kGiB, {kGiB}, kGiB},
        {"a small read", false, 5, 123, {}, 123, {123}, 128},
        {"3 GiB are three pieces", true, 7, 3 * kGiB, {}, 3 * kGiB, {kGiB, kGiB, kGiB}, 7 + 3 * kGiB},
        {"a rest follows the whole pieces", false, 0, 2 * kGiB + 10, {}, 2 * kGiB + 10, {kGiB, kGiB, 10}, 2 * kGiB + 10},
        {"a short piece ends the request", true, 0, 3 * kGiB, {G, 1000}, kGiB + 1000, {kGiB, kGiB}, kGiB + 1000},
        {"a failed piece fails the request", false, 0, 3 * kGiB, {G, -1}, kFailed, {kGiB, kGiB}, kGiB},
        {"a failed small write", true, 0, 10, {-1}, kFailed, {10}, 0},
        {"past the offset range", true, far, 10, {}, kFailed, {}, far},
        {"interrupted calls are repeated", false, 0, 64, {-1, -1, 64}, 64, {64, 64, 64}, 64},
        {"interrupted, then the end: no more calls", false, 0, 64, {-1, 0}, 0, {64, 64}, 0},
    };
    TempDir dir;
    ek::fileio file;
    ASSERT_TRUE(file.open(dir.file("f"), L"wb"));
    const size_t span = 4 * kGiB;  // reserved, never touched address space for any request
    auto* buffer = static_cast<char*>(::mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
    ASSERT_NE(buffer, MAP_FAILED);
    ek::detail::fileio_os_read = &FakeOs::read, ek::detail::fileio_os_write = &FakeOs::write;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FakeOs::calls.clear(), FakeOs::answers = r.answers, FakeOs::err = r.name[0] == 'i' ? EINTR : EIO;
        file.error_flag = false;
        ASSERT_TRUE(file.seek(r.start));
        EXPECT_EQ(r.write ? file._write_bytes(buffer, r.n) : file._read_bytes(buffer, r.n), r.result);
        ASSERT_EQ(FakeOs::calls.size(), r.pieces.size());
        const bool repeated = r.name[0] == 'i';  // a repeated call starts where the interrupted one did
        for (size_t k = 0, done = 0; k < r.pieces.size(); done += repeated ? 0 : r.pieces[k], ++k) {
            EXPECT_TRUE(FakeOs::calls[k].data == buffer + done && FakeOs::calls[k].n == r.pieces[k]) << k;
            EXPECT_EQ(uint64_t(FakeOs::calls[k].offset), r.start + done) << k;
        }
        EXPECT_EQ(file.tell(), r.tell);
        EXPECT_EQ(file.error_flag, r.result != r.n);
    }
    ek::detail::fileio_os_read = &ek::detail::system_read, ek::detail::fileio_os_write = &ek::detail::system_write;
    ::munmap(buffer, span);
}

}  // namespace
