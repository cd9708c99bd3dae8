// Binary file access over POSIX file descriptors.
//
// Windows lets a data file's other openers read only; here that is emulated with
// open-file-description locks on the whole file: a read-only open holds a shared lock, a
// read-write open an exclusive one. Such locks belong to the open file description, so they
// exclude other handles of this process as well as other processes. Transfers use
// pread/pwrite at a position the object tracks itself, so there is no separate seek call.
#include "filesystem/fileio.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "filesystem/fileio_os.h"
#include "filesystem/os_path.h"

namespace ek::detail {

os_read_fn fileio_os_read = &::pread;
os_write_fn fileio_os_write = &::pwrite;

namespace {

constexpr int k_open_attempts = 20;
constexpr auto k_retry_pause = std::chrono::milliseconds(1);
constexpr uint64_t k_max_offset = uint64_t(INT64_MAX);

bool mode_has(const wchar_t* mode, wchar_t c) {
    for (const wchar_t* p = mode; *p; ++p)
        if (*p == c) return true;
    return false;
}

enum class attempt_result { opened, shared_conflict, failed };

// One open of the file with its lock; on success `fd` holds the locked descriptor.
attempt_result attempt_open(const std::string& path, int flags, bool exclusive, int& fd) {
    int d;
    do {
        d = ::open(path.c_str(), flags, 0666);
    } while (d < 0 && errno == EINTR);
    if (d < 0) return attempt_result::failed;

    // A folder is not a data file (Windows refuses to open one as a file, too), and a file
    // without write permission is read-only for every writer, privileged ones included.
    struct stat st;
    if (::fstat(d, &st) != 0 || S_ISDIR(st.st_mode) || (exclusive && (st.st_mode & 0222) == 0)) {
        ::close(d);
        return attempt_result::failed;
    }

    struct flock lk;
    std::memset(&lk, 0, sizeof lk);
    lk.l_type = exclusive ? F_WRLCK : F_RDLCK;
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
            return attempt_result::shared_conflict;
        }
        // A file system without lock support: the file is still usable, only unguarded.
        if (err != ENOLCK && err != EOPNOTSUPP && err != EINVAL) {
            ::close(d);
            return attempt_result::failed;
        }
    }
    fd = d;
    return attempt_result::opened;
}

// Splits a request into pieces of at most 1 GiB; `call` transfers one piece at an offset.
template <class Call>
uint64_t transfer(uint64_t& position, uint64_t n, bool& error_flag, Call call) {
    uint64_t total = 0;
    for (;;) {
        const uint64_t piece = n - total > fileio_win::transfer_piece ? fileio_win::transfer_piece : n - total;
        const uint64_t offset = position + total;
        if (offset > k_max_offset || piece > k_max_offset - offset) {
            error_flag = true;
            position += total;
            return fileio_win::failed;
        }
        ssize_t got;
        do {
            got = call(total, static_cast<size_t>(piece), static_cast<off_t>(offset));
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            error_flag = true;
            position += total;
            return fileio_win::failed;
        }
        total += static_cast<uint64_t>(got);
        if (static_cast<uint64_t>(got) < piece) {
            error_flag = true;
            break;
        }
        if (total >= n) break;
    }
    position += total;
    return total;
}

}  // namespace

fileio_win::~fileio_win() { close(); }

bool fileio_win::open(const std::wstring& path, const wchar_t* mode, lock_mode_t) {
    close();
    if (mode == nullptr) return false;

    const bool create = mode_has(mode, L'w');
    const bool append = mode_has(mode, L'a');
    const bool writable = create || append || mode_has(mode, L'+');

    const std::string os = ek::filesystem::os_path(path);
    if (os.empty()) return false;

    int flags = O_CLOEXEC | (writable ? O_RDWR : O_RDONLY);
    // No O_TRUNC: a file that someone else holds must keep its bytes, so truncation waits
    // until the lock is ours.
    if (create) flags |= O_CREAT;

    int fd = invalid_handle;
    for (int attempt = 1;; ++attempt) {
        const attempt_result r = attempt_open(os, flags, writable, fd);
        if (r == attempt_result::opened) break;
        if (r == attempt_result::failed || attempt >= k_open_attempts) return false;
        std::this_thread::sleep_for(k_retry_pause);
    }

    if (create && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    handle = fd;
    position = 0;
    error_flag = false;
    if (append) {
        end_flag = false;
        position = filesize();
    }
    return true;
}

void fileio_win::close() {
    unmap();
    map_refused = 0;
    if (handle != invalid_handle) {
        // Closing the last descriptor of the description releases its lock.
        ::close(handle);
        handle = invalid_handle;
    }
    position = 0;
}

bool fileio_win::seek(uint64_t offset) {
    if (handle == invalid_handle || offset > k_max_offset) return false;
    position = offset;
    return true;
}

uint64_t fileio_win::filesize() const {
    // The position is the object's own, so asking the size cannot move it.
    end_flag = false;
    if (handle == invalid_handle) return 0;
    struct stat st;
    if (::fstat(handle, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

uint64_t fileio_win::_read_bytes(void* data, uint64_t n) const {
    char* out = static_cast<char*>(data);
    const int fd = handle;
    return transfer(position, n, error_flag, [&](uint64_t done, size_t piece, off_t offset) {
        return fileio_os_read(fd, out + done, piece, offset);
    });
}

uint64_t fileio_win::_write_bytes(const void* data, uint64_t n) const {
    const char* in = static_cast<const char*>(data);
    const int fd = handle;
    return transfer(position, n, error_flag, [&](uint64_t done, size_t piece, off_t offset) {
        return fileio_os_write(fd, in + done, piece, offset);
    });
}

bool fileio_win::truncate(uint64_t length) {
    if (handle == invalid_handle || length > k_max_offset) return false;
    unmap();
    int r;
    do {
        r = ::ftruncate(handle, static_cast<off_t>(length));
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

}  // namespace ek::detail
