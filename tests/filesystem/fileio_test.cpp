// The binary file layer: modes, transfers, positions, sharing across processes, 1 GiB pieces.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "filesystem/fileio.h"
#include "filesystem/fileio_os.h"
#include "support/child_process.h"
#include "support/host_platform.h"
#include "support/suite_files.h"
#include "support/temp_dir.h"

using namespace ek::test;
using W = std::wstring;

namespace {

constexpr uint64_t kFailed = ek::detail::fileio_win::failed, kGiB = uint64_t(1) << 30;

using std::chrono::steady_clock;
using namespace std::chrono_literals;

// Each row opens "f" (holding "abc", or missing when `before` is null) and writes "XY".
TEST(FileIo, OpenModes) {
    const struct { const wchar_t* mode; const char* before; bool opens; uint64_t written; const char* after; } rows[] = {
        {L"rb", nullptr, false, 0, "-"}, {L"ab", nullptr, false, 0, "-"}, {L"wb", nullptr, true, 2, "XY"}, {L"wb", "abc", true, 2, "XY"},
        {L"rb", "abc", true, kFailed, "abc"}, {L"rb+", "abc", true, 2, "XYc"}, {L"+", "abc", true, 2, "XYc"}, {L"ab", "abc", true, 2, "abcXY"},
        {nullptr, "abc", false, 0, "abc"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(W(r.mode ? r.mode : L"null")) + (r.before ? " on a file" : " on nothing"));
        TempDir dir;
        if (r.before) write_text(dir.narrow("f"), r.before);
        ek::fileio f;
        f.end_flag = true;
        const auto start = steady_clock::now();
        ASSERT_EQ(f.open(dir.file("f"), r.mode), r.opens);
        EXPECT_TRUE(r.opens || steady_clock::now() - start < 19ms);  // no sharing conflict, so no retries
        if (r.opens) {
            EXPECT_EQ(f.end_flag, r.mode[0] != L'a');  // cleared by an append-mode open, which starts at the end
            EXPECT_EQ(std::tuple(f.tell(), f.filesize()), std::tuple(r.mode[0] == L'a' ? 3u : 0u, r.mode[0] == L'w' ? 0u : 3u));
            EXPECT_TRUE(f._write_bytes("XY", 2) == r.written && f.error_flag == (r.written == kFailed));
        }
        EXPECT_EQ(read_text(dir.narrow("f")), r.after);
    }
    TempDir dir;
    write_text(dir.narrow("f"), "x");
    for (const W& bad : {dir.path().wstring(), W(), dir.file("f") + W(1, L'\0'), dir.file("none/f")})
        EXPECT_FALSE(ek::fileio().open(bad, L"rb") || ek::fileio().open(bad, L"wb")) << testing::PrintToString(bad);
    EXPECT_EQ(tree_text(dir.path()), "f=x");
}

TEST(FileIo, TransfersPositionsAndSize) {
    ek::fileio f;  // closed: everything fails
    char buf[32] = {};
    EXPECT_TRUE(f._read_bytes(buf, 1) == kFailed && f._write_bytes(buf, 1) == kFailed && f.filesize() == 0 && !f.seek(0) && !f.truncate(0));
    TempDir dir;
    ASSERT_TRUE(f.open(dir.file("f"), L"wb"));
    EXPECT_TRUE(f._write_bytes("hello world", 11) == 11 && f.tell() == 11);
    EXPECT_TRUE(f.seek(6) && f._read_bytes(buf, 5) == 5 && std::string(buf, 5) == "world");  // "wb" reads as well as writes
    EXPECT_TRUE(f.seek(7) && !f.error_flag && f._read_bytes(buf, 32) == 4 && std::string(buf, 4) == "orld" && f.tell() == 11 &&
                f.error_flag);  // short at the end
    ASSERT_TRUE(f.seek(13) && f._write_bytes("!", 1) == 1);  // beyond the end is a place to write at
    f.end_flag = true;
    EXPECT_EQ(std::tuple(f.filesize(), f.end_flag, f.tell()), std::tuple(14u, false, 14u));  // the position stays
    EXPECT_TRUE(!f.seek(uint64_t(1) << 63) && f.truncate(12) && f.filesize() == 12);
    EXPECT_EQ(read_text(dir.narrow("f")), std::string("hello world\0", 12));
}

// A child task: holds args[0] open in mode args[1] from the marker args[2] until the marker args[3].
int hold_open(const std::vector<W>& args) {
    ek::fileio f;
    if (!f.open(args[0], args[1].c_str())) return 1;
    make_marker(args[2]);
    return wait_for_marker(args[3]) ? 0 : 2;
}

// Readers share a file; a writer excludes everyone; a refused "wb" truncates nothing. The holder is
// another process here; handles of one process meet in RetriesAndRelease.
TEST(FileIoShare, ReadersShareAWriterExcludesEveryone) {
    const struct { const wchar_t *held, *mode; bool opens; } rows[] = {
        {L"rb", L"rb", true}, {L"rb", L"rb+", false}, {L"rb", L"wb", false}, {L"rb+", L"rb", false}, {L"rb+", L"rb+", false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(W(r.held) + L" then " + r.mode));
        TempDir dir;
        write_text(dir.narrow("f"), "precious");
        Child child(&hold_open, {dir.file("f"), r.held, dir.file("held"), dir.file("done")});
        ASSERT_TRUE(wait_for_marker(dir.path() / "held"));
        EXPECT_EQ(ek::fileio().open(dir.file("f"), r.mode), r.opens);
        EXPECT_EQ(read_text(dir.narrow("f")), "precious");
        make_marker(dir.path() / "done");
        EXPECT_EQ(child.wait(), 0);
    }
}

TEST(FileIoShare, RetriesAndRelease) {
    TempDir dir;
    write_text(dir.narrow("a"), "a"), write_text(dir.narrow("b"), "b");
    const W a = dir.file("a"), b = dir.file("b");
    auto holder = std::make_unique<ek::fileio>();
    ek::fileio f, r1, r2, w;
    ASSERT_TRUE(holder->open(a, L"rb+"));
    const auto start = steady_clock::now();
    EXPECT_FALSE(f.open(a, L"rb+"));
    EXPECT_TRUE(steady_clock::now() - start >= 19ms);  // nineteen pauses of at least 1 ms between twenty attempts
    std::thread release([&] { std::this_thread::sleep_for(2ms), holder.reset(); });
    EXPECT_TRUE(f.open(a, L"rb+"));  // a short-lived holder is waited for, its destruction releases
    release.join();
    f.close();
    ASSERT_TRUE(r1.open(a, L"rb") && r2.open(a, L"rb"));
    r1.close();
    EXPECT_FALSE(w.open(a, L"rb+"));  // the second reader still holds it
    r2.close();
    EXPECT_TRUE(w.open(a, L"rb+") && w.open(b, L"rb+") && r1.open(a, L"rb+"));  // a new open releases the old file
    r1.close();
    EXPECT_TRUE(!w.open(dir.file("missing"), L"rb") && r1.open(b, L"rb+"));  // so does a failed one
}

// The system's transfer calls replaced, so that no gigabytes move: each call is recorded and answered
// with the row's next answer (a count, or -1 for a failure with the row's errno), else in full.
struct FakeOs {
    static inline std::vector<std::tuple<const char*, size_t, uint64_t>> calls;
    static inline std::vector<int64_t> answers;
    static inline int err = EIO;
    static int64_t write(ek::detail::os_handle, const void* data, size_t n, uint64_t offset) {
        calls.emplace_back(static_cast<const char*>(data), n, offset);
        const int64_t a = calls.size() <= answers.size() ? answers[calls.size() - 1] : int64_t(n);
        return a < 0 ? (errno = err, a) : a;
    }
    static int64_t read(ek::detail::os_handle h, void* d, size_t n, uint64_t o) { return write(h, d, n, o); }
};

TEST(FileIoTransfer, PiecesOfAtMostOneGiB) {
    const struct { const char* name; bool write; uint64_t start, n; std::vector<int64_t> answers; uint64_t result;
                   std::vector<size_t> pieces; uint64_t tell; } rows[] = {
        {"1 GiB is one call", true, 0, kGiB, {}, kGiB, {kGiB}, kGiB},
        {"3 GiB are three pieces", true, 7, 3 * kGiB, {}, 3 * kGiB, {kGiB, kGiB, kGiB}, 7 + 3 * kGiB},
        {"a rest follows the whole pieces", false, 5, 2 * kGiB + 10, {}, 2 * kGiB + 10, {kGiB, kGiB, 10}, 2 * kGiB + 15},
        {"a short piece ends the request", true, 0, 3 * kGiB, {int64_t(kGiB), 1000}, kGiB + 1000, {kGiB, kGiB}, kGiB + 1000},
        {"a failed piece fails the request", false, 0, 3 * kGiB, {int64_t(kGiB), -1}, kFailed, {kGiB, kGiB}, kGiB},
        {"a failed small write", true, 0, 10, {-1}, kFailed, {10}, 0},
        {"past the offset range", true, uint64_t(INT64_MAX) - 4, 10, {}, kFailed, {}, uint64_t(INT64_MAX) - 4},
        {"interrupted calls are repeated", false, 0, 64, {-1, -1, 64}, 64, {64, 64, 64}, 64},
    };
    TempDir dir;
    ek::fileio file;
    ASSERT_TRUE(file.open(dir.file("f"), L"wb"));
    ReservedSpace space(4 * kGiB);  // address space for any request, reserved and never touched
    char* const buffer = space.data();
    ASSERT_NE(buffer, nullptr);
    ek::detail::fileio_os_read = &FakeOs::read, ek::detail::fileio_os_write = &FakeOs::write;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FakeOs::calls.clear(), FakeOs::answers = r.answers, FakeOs::err = r.name[0] == 'i' ? EINTR : EIO;
        file.error_flag = false;
        ASSERT_TRUE(file.seek(r.start));
        EXPECT_EQ(r.write ? file._write_bytes(buffer, r.n) : file._read_bytes(buffer, r.n), r.result);
        ASSERT_EQ(FakeOs::calls.size(), r.pieces.size());
        const bool repeated = r.name[0] == 'i';  // a repeated call starts where the interrupted one did
        for (size_t k = 0, done = 0; k < r.pieces.size(); done += repeated ? 0 : r.pieces[k], ++k)
            EXPECT_EQ(FakeOs::calls[k], std::tuple(buffer + done, r.pieces[k], r.start + done)) << k;
        EXPECT_TRUE(file.tell() == r.tell && file.error_flag == (r.result != r.n));
    }
    ek::detail::fileio_os_read = &ek::detail::system_read, ek::detail::fileio_os_write = &ek::detail::system_write;
}

}  // namespace
