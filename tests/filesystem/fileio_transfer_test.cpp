// The 1 GiB piece logic of the transfers, through a replaced operating-system call so that no
// gigabytes move: the calls are recorded and answered as the test decides.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <functional>
#include <vector>

#include "filesystem/fileio.h"
#include "filesystem/fileio_os.h"
#include "support/temp_dir.h"

namespace {

constexpr uint64_t kGiB = uint64_t(1) << 30;
constexpr uint64_t kFailed = ek::detail::fileio_win::failed;

struct call {
    const char* data;
    size_t n;
    off_t offset;
};

// Answers the k-th call with answers[k] (a byte count, or -1 for a failure with `err`).
struct fake_os {
    static inline std::vector<call> calls;
    static inline std::vector<ssize_t> answers;
    static inline int err = EIO;

    static ssize_t answer(const void* data, size_t n, off_t offset) {
        const size_t k = calls.size();
        calls.push_back({static_cast<const char*>(data), n, offset});
        const ssize_t a = k < answers.size() ? answers[k] : static_cast<ssize_t>(n);
        if (a < 0) errno = err;
        return a;
    }
    static ssize_t read(int, void* data, size_t n, off_t offset) { return answer(data, n, offset); }
    static ssize_t write(int, const void* data, size_t n, off_t offset) { return answer(data, n, offset); }
};

// Swaps the fake in for the life of a test, and gives it an open file and a buffer of
// reserved (never touched) address space large enough for any request.
class FileIoTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        fake_os::calls.clear();
        fake_os::answers.clear();
        fake_os::err = EIO;
        ASSERT_TRUE(file.open(dir.file("f"), L"wb"));
        span = 4 * kGiB;
        void* p = ::mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        ASSERT_NE(p, MAP_FAILED);
        buffer = static_cast<char*>(p);
        ek::detail::fileio_os_read = &fake_os::read;
        ek::detail::fileio_os_write = &fake_os::write;
    }
    void TearDown() override {
        ek::detail::fileio_os_read = &::pread;
        ek::detail::fileio_os_write = &::pwrite;
        if (buffer) ::munmap(buffer, span);
    }

    ek::test::TempDir dir;
    ek::fileio file;
    char* buffer = nullptr;
    size_t span = 0;
};

}  // namespace

TEST_F(FileIoTransfer, UpToOneGiBIsOneCall) {
    EXPECT_EQ(file._write_bytes(buffer, kGiB), kGiB);
    ASSERT_EQ(fake_os::calls.size(), 1u);
    EXPECT_EQ(fake_os::calls[0].n, kGiB);
    EXPECT_EQ(fake_os::calls[0].offset, 0);
    EXPECT_EQ(file.tell(), kGiB);

    fake_os::calls.clear();
    ASSERT_TRUE(file.seek(5));
    EXPECT_EQ(file._read_bytes(buffer, 123), 123u);
    ASSERT_EQ(fake_os::calls.size(), 1u);
    EXPECT_EQ(fake_os::calls[0].n, 123u);
    EXPECT_EQ(fake_os::calls[0].offset, 5);
    EXPECT_EQ(file.tell(), 128u);
}

TEST_F(FileIoTransfer, ThreeGiBWriteIsThreePieces) {
    ASSERT_TRUE(file.seek(7));
    EXPECT_EQ(file._write_bytes(buffer, 3 * kGiB), 3 * kGiB);
    ASSERT_EQ(fake_os::calls.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(fake_os::calls[k].n, kGiB);
        EXPECT_EQ(fake_os::calls[k].data, buffer + k * kGiB);
        EXPECT_EQ(uint64_t(fake_os::calls[k].offset), 7 + k * kGiB);
    }
    EXPECT_EQ(file.tell(), 7 + 3 * kGiB);
    EXPECT_FALSE(file.error_flag);
}

TEST_F(FileIoTransfer, ARestFollowsTheWholePieces) {
    EXPECT_EQ(file._read_bytes(buffer, 2 * kGiB + 10), 2 * kGiB + 10);
    ASSERT_EQ(fake_os::calls.size(), 3u);
    EXPECT_EQ(fake_os::calls[0].n, kGiB);
    EXPECT_EQ(fake_os::calls[1].n, kGiB);
    EXPECT_EQ(fake_os::calls[2].n, 10u);
    EXPECT_EQ(uint64_t(fake_os::calls[2].offset), 2 * kGiB);
}

TEST_F(FileIoTransfer, AShortPieceEndsTheRequest) {
    fake_os::answers = {static_cast<ssize_t>(kGiB), 1000};
    EXPECT_EQ(file._write_bytes(buffer, 3 * kGiB), kGiB + 1000);
    EXPECT_EQ(fake_os::calls.size(), 2u);  // the third piece is not attempted
    EXPECT_EQ(file.tell(), kGiB + 1000);
    EXPECT_TRUE(file.error_flag);
}

TEST_F(FileIoTransfer, AFailedPieceFailsTheRequest) {
    fake_os::answers = {static_cast<ssize_t>(kGiB), -1};
    EXPECT_EQ(file._read_bytes(buffer, 3 * kGiB), kFailed);
    EXPECT_EQ(fake_os::calls.size(), 2u);
    EXPECT_TRUE(file.error_flag);

    fake_os::calls.clear();
    fake_os::answers = {-1};
    EXPECT_EQ(file._write_bytes(buffer, 10), kFailed);
    EXPECT_EQ(fake_os::calls.size(), 1u);
}

TEST_F(FileIoTransfer, InterruptedCallsAreRepeated) {
    fake_os::answers = {-1, -1, 64};
    fake_os::err = EINTR;
    EXPECT_EQ(file._read_bytes(buffer, 64), 64u);
    ASSERT_EQ(fake_os::calls.size(), 3u);
    EXPECT_EQ(fake_os::calls[2].n, 64u);
    EXPECT_EQ(fake_os::calls[2].offset, 0);
}

TEST_F(FileIoTransfer, PositionsPastTheOffsetRangeFail) {
    ASSERT_TRUE(file.seek(uint64_t(INT64_MAX) - 4));
    EXPECT_EQ(file._write_bytes(buffer, 10), kFailed);
    EXPECT_TRUE(fake_os::calls.empty());
}
