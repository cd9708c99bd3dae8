// The writer's claim over POSIX open-file-description locks: an exclusive lock on the whole
// metadata file, which readers (who take none) never meet, while another process's claim and the
// path functions' check for files held by others do.
#include "filesystem/writer_lock.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "filesystem/os_path.h"
#include "filesystem/paths.h"

namespace ek::filesystem {
namespace {

constexpr int k_attempts = 20;  // the sharing retries of the binary file layer
constexpr auto k_pause = std::chrono::milliseconds(1);

enum class lock_result { locked, taken, failed };

lock_result lock_whole(int fd) {
    struct flock lk;
    std::memset(&lk, 0, sizeof lk);
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    int r;
    do {
        r = ::fcntl(fd, F_OFD_SETLK, &lk);
    } while (r != 0 && errno == EINTR);
    if (r == 0) return lock_result::locked;
    if (errno == EAGAIN || errno == EACCES) return lock_result::taken;
    // A file system without locks: the claim cannot be guarded, but the file is usable.
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL ? lock_result::locked : lock_result::failed;
}

bool writable_regular(const struct stat& st) { return S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0; }

// The file a path names after following a symbolic link at its end, so that a save through a
// link replaces the linked file rather than the link.
std::string final_target(const std::string& os) {
    struct stat st;
    if (::lstat(os.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return os;
    char resolved[PATH_MAX];
    return ::realpath(os.c_str(), resolved) ? std::string(resolved) : os;
}

}  // namespace

namespace detail {

claim_handle os_claim(const std::wstring& path) {
    const std::string os = os_path(path);
    if (os.empty()) return no_claim;
    for (int attempt = 1; attempt <= k_attempts; ++attempt) {
        int fd;
        do {
            fd = ::open(os.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return no_claim;
        struct stat st;
        if (::fstat(fd, &st) != 0 || !writable_regular(st)) {
            ::close(fd);
            return no_claim;
        }
        const lock_result r = lock_whole(fd);
        if (r == lock_result::failed) {
            ::close(fd);
            return no_claim;
        }
        // The claim counts only if the path still names the locked file: a save by the previous
        // writer may have renamed a new file into place meanwhile.
        struct stat now;
        if (r == lock_result::locked && ::stat(os.c_str(), &now) == 0 && now.st_dev == st.st_dev &&
            now.st_ino == st.st_ino)
            return fd;
        ::close(fd);
        std::this_thread::sleep_for(k_pause);
    }
    return no_claim;
}

// The lock is taken on the new file before the rename, so the claim never leaves the path free:
// the old file, still locked, is unlinked by the rename, and its lock goes with `held`.
claim_handle os_claim_and_rename(const std::wstring& replacement, const std::wstring& path, claim_handle& held) {
    const std::string temp = os_path(replacement);
    const std::string target = final_target(os_path(path));
    auto fail = [&] {
        if (!temp.empty()) ::unlink(temp.c_str());
        return no_claim;
    };
    if (temp.empty() || target.empty()) return fail();
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !writable_regular(old)) return fail();

    int fd;
    do {
        fd = ::open(temp.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail();
    if (lock_whole(fd) != lock_result::locked) {
        ::close(fd);
        return fail();
    }
    // The new file keeps the access rights of the one it replaces.
    if (exists) (void)::fchmod(fd, old.st_mode & 07777);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::close(fd);
        return fail();
    }
    os_release(held);
    held = no_claim;
    return fd;
}

void os_release(claim_handle handle) {
    if (handle != no_claim) ::close(static_cast<int>(handle));
}

unsigned os_process_id() { return static_cast<unsigned>(::getpid()); }

void os_remove_abandoned(const std::wstring& path) {
    const std::string entry = os_path(path);
    if (entry.empty()) return;
    const int fd = ::open(entry.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return;
    struct stat st;
    // A temp that a save in progress holds is locked; only an abandoned one is removed.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lock_whole(fd) == lock_result::locked)
        ::unlink(entry.c_str());
    ::close(fd);
}

}  // namespace detail

}  // namespace ek::filesystem
