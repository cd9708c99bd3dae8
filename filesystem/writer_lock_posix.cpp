// The writer's claim over POSIX open-file-description locks: an exclusive lock on the whole
// metadata file, which readers (who take none) never meet, while another process's claim and the
// path functions' check for files held by others do.
#include "filesystem/writer_lock.h"

#include <dirent.h>
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

// The name of a save temp with its leading dots dropped begins with the document's file name and
// a dot, and ends in ".tmp" (the XML service's own temp of such a file has one dot more in front).
bool is_save_temp_of(const std::string& entry, const std::string& file) {
    if (entry.size() < 2 || entry[0] != '.') return false;
    const size_t start = entry.find_first_not_of('.');
    if (start == std::string::npos) return false;
    const std::string_view rest(entry.c_str() + start, entry.size() - start);
    const std::string_view tail(".tmp");
    return rest.size() > file.size() + 1 + tail.size() && rest.compare(0, file.size(), file) == 0 &&
           rest[file.size()] == '.' && rest.compare(rest.size() - tail.size(), tail.size(), tail) == 0;
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

claim_handle os_claim_and_rename(const std::wstring& replacement, const std::wstring& path) {
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
    return fd;
}

void os_release(claim_handle handle) {
    if (handle != no_claim) ::close(static_cast<int>(handle));
}

}  // namespace detail

std::wstring save_temp_path(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    char unique[48];
    std::snprintf(unique, sizeof unique, ".%x-%x.tmp", static_cast<unsigned>(::getpid()), counter.fetch_add(1));
    return directory(path) + L"." + filename(path) + from_os_path(unique);
}

void remove_stale_save_temps(const std::wstring& path) {
    const std::string file = os_path(filename(path));
    std::string folder = os_path(directory(path));
    if (file.empty()) return;
    if (folder.empty()) folder = "./";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        if (!is_save_temp_of(e->d_name, file)) continue;
        const std::string entry = folder + e->d_name;
        const int fd = ::open(entry.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat st;
        // A temp that a save in progress holds is locked; only an abandoned one is removed.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lock_whole(fd) == lock_result::locked)
            ::unlink(entry.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

}  // namespace ek::filesystem
