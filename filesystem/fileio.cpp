// The platform-neutral part of the binary file layer: the mode string, the sharing retry loop,
// the position the object tracks itself and the transfers in pieces of at most 1 GiB.
#include "filesystem/fileio.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "filesystem/fileio_os.h"

namespace ek::detail {

os_read_fn fileio_os_read = &system_read;
os_write_fn fileio_os_write = &system_write;

namespace {

constexpr int k_open_attempts = 20;
constexpr auto k_retry_pause = std::chrono::milliseconds(1);
constexpr uint64_t k_max_offset = uint64_t(INT64_MAX);

bool mode_has(const wchar_t* mode, wchar_t c) {
    for (const wchar_t* p = mode; *p; ++p)
        if (*p == c) return true;
    return false;
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
        int64_t got;
        do {
            got = call(total, static_cast<size_t>(piece), offset);
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
    if (mode == nullptr || path.empty()) return false;

    const bool create = mode_has(mode, L'w');
    const bool append = mode_has(mode, L'a');
    const bool writable = create || append || mode_has(mode, L'+');

    handle_t h = invalid_handle;
    for (int attempt = 1;; ++attempt) {
        const open_attempt r = os_open_attempt(path, create, writable, h);
        if (r == open_attempt::opened) break;
        if (r == open_attempt::failed || attempt >= k_open_attempts) return false;
        std::this_thread::sleep_for(k_retry_pause);
    }
    handle = h;
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
        os_close(handle);
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
    uint64_t size = 0;
    if (handle == invalid_handle || !os_size(handle, size)) return 0;
    return size;
}

uint64_t fileio_win::_read_bytes(void* data, uint64_t n) const {
    char* out = static_cast<char*>(data);
    const handle_t h = handle;
    return transfer(position, n, error_flag, [&](uint64_t done, size_t piece, uint64_t offset) {
        return fileio_os_read(h, out + done, piece, offset);
    });
}

uint64_t fileio_win::_write_bytes(const void* data, uint64_t n) const {
    const char* in = static_cast<const char*>(data);
    const handle_t h = handle;
    return transfer(position, n, error_flag, [&](uint64_t done, size_t piece, uint64_t offset) {
        return fileio_os_write(h, in + done, piece, offset);
    });
}

bool fileio_win::truncate(uint64_t length) {
    if (handle == invalid_handle || length > k_max_offset) return false;
    unmap();
    return os_set_length(handle, length);
}

// The file's length is checked on every request: a mapped page past the end of a file that has
// become shorter would fault, where a read merely comes up short.
const unsigned char* fileio_win::map_view(uint64_t offset, uint64_t n) {
    if (handle == invalid_handle || n == 0) return nullptr;
    uint64_t length = 0;
    if (!os_size(handle, length) || length == 0 || offset > length || n > length - offset) {
        unmap();
        return nullptr;
    }
    if (map_base != nullptr && map_length != length) unmap();
    if (map_base == nullptr) {
        if (length == map_refused || length > SIZE_MAX) return nullptr;
        map_base = os_map(handle, length);
        if (map_base == nullptr) {
            map_refused = length;
            return nullptr;
        }
        map_length = length;
    }
    return map_base + offset;
}

void fileio_win::unmap() {
    if (map_base != nullptr) os_unmap(map_base, map_length);
    map_base = nullptr;
    map_length = 0;
}

}  // namespace ek::detail
