// Binary file access over POSIX file descriptors.
//
// Windows lets a data file's other openers read only; here that is emulated with
// open-file-description locks on the whole file: a read-only open holds a shared lock, a
// read-write open an exclusive one. Such locks belong to the open file description, so they
// exclude other handles of this process as well as other processes. Transfers use
// pread/pwrite at the position the object tracks itself, so there is no separate seek call.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesystem/fileio_os.h"
#include "filesystem/os_path.h"

namespace ek::detail {

int64_t system_read(os_handle handle, void* data, size_t n, uint64_t offset) {
    return ::pread(handle, data, n, static_cast<off_t>(offset));
}

int64_t system_write(os_handle handle, const void* data, size_t n, uint64_t offset) {
    return ::pwrite(handle, data, n, static_cast<off_t>(offset));
}

open_attempt os_open_attempt(const std::wstring& path, bool create, bool writable, os_handle& handle) {
    const std::string os = ek::filesystem::os_path(path);
    if (os.empty()) return open_attempt::failed;
    int flags = O_CLOEXEC | (writable ? O_RDWR : O_RDONLY);
    // No O_TRUNC: a file that someone else holds must keep its bytes, so truncation waits
    // until the lock is ours.
    if (create) flags |= O_CREAT;

    int d;
    do {
        d = ::open(os.c_str(), flags, 0666);
    } while (d < 0 && errno == EINTR);
    if (d < 0) return open_attempt::failed;

    // A folder is not a data file (Windows refuses to open one as a file, too), and a file
    // without write permission is read-only for every writer, privileged ones included.
    struct stat st;
    if (::fstat(d, &st) != 0 || S_ISDIR(st.st_mode) || (writable && (st.st_mode & 0222) == 0)) {
        ::close(d);
        return open_attempt::failed;
    }

    struct flock lk;
    std::memset(&lk, 0, sizeof lk);
    lk.l_type = writable ? F_WRLCK : F_RDLCK;
    lk.l_whence = SEEK_SET;
    lk.l_start = 0;
    lk.l_len = 0;  // the whole file, however long it grows
    int r;
    do {
        r = ::fcntl(d, F_OFD_SETLK, &lk);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int err = errno;
        if (err == EAGAIN || err == EACCES) {
            ::close(d);
            return open_attempt::sharing_violation;
        }
        // A file system without lock support: the file is still usable, only unguarded.
        if (err != ENOLCK && err != EOPNOTSUPP && err != EINVAL) {
            ::close(d);
            return open_attempt::failed;
        }
    }
    if (create && ::ftruncate(d, 0) != 0) {
        ::close(d);
        return open_attempt::failed;
    }
    handle = d;
    return open_attempt::opened;
}

void os_close(os_handle handle) {
    // Closing the last descriptor of the description releases its lock.
    ::close(handle);
}

bool os_size(os_handle handle, uint64_t& size) {
    struct stat st;
    if (::fstat(handle, &st) != 0 || st.st_size < 0) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool os_set_length(os_handle handle, uint64_t length) {
    int r;
    do {
        r = ::ftruncate(handle, static_cast<off_t>(length));
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

}  // namespace ek::detail
