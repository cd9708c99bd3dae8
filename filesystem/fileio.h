// Binary file access for property data files and undo swap files.
//
// A thin layer over the operating system's file handles: open from a mode string ("rb",
// "rb+", "wb"), raw transfers cut into pieces of at most 1 GiB, the file size, and absolute
// positioning by the owner. Every open lets other openers read only: readers share a file,
// a writer excludes everyone (across handles and processes). A sharing conflict is retried
// 20 times, 1 ms apart.
#pragma once

#include <cstdint>
#include <string>

namespace ek::strconv {
enum class encodings : int { ansi = 0, utf8 = 1, utf16 = 2 };
}

namespace ek::detail {

// Has no effect: every open shares for reading only.
enum class lock_mode_t : int { none = 0, read = 1, write = 2 };

class fileio_win {
public:
#ifdef _WIN32
    using handle_t = void*;  // the system's HANDLE
    static inline const handle_t invalid_handle = reinterpret_cast<handle_t>(intptr_t(-1));  // INVALID_HANDLE_VALUE
#else
    using handle_t = int;  // a file descriptor
    static constexpr handle_t invalid_handle = -1;
#endif
    static constexpr uint64_t transfer_piece = uint64_t(1) << 30;  // 1 GiB
    static constexpr uint64_t failed = ~uint64_t(0);               // all-ones: the OS reported a failure

    fileio_win() = default;
    fileio_win(const fileio_win&) = delete;
    fileio_win& operator=(const fileio_win&) = delete;
    ~fileio_win();

    // Opens the file; true on success. A valid handle is closed first.
    bool open(const std::wstring& path, const wchar_t* mode, lock_mode_t lock = lock_mode_t::none);
    void close();
    bool is_open() const { return handle != invalid_handle; }

    // Moves the position to an absolute byte offset from the beginning of the file.
    bool seek(uint64_t offset);
    uint64_t tell() const { return position; }

    // The file's length in bytes, 0 when it cannot be determined; the position is preserved.
    uint64_t filesize() const;

    // Bytes transferred from the current position (which advances by that many), or `failed`.
    uint64_t _read_bytes(void* data, uint64_t n) const;
    uint64_t _write_bytes(const void* data, uint64_t n) const;

    // Sets the file's length (used after a non-truncating "wb" open has taken its lock).
    bool truncate(uint64_t length);

    handle_t handle = invalid_handle;
    mutable bool end_flag = false;    // cleared by filesize and by an append-mode open
    mutable bool error_flag = false;  // set by a transfer that failed or came up short

private:
    mutable uint64_t position = 0;
};

}  // namespace ek::detail

namespace ek {

class fileio : public detail::fileio_win {
public:
    explicit fileio(strconv::encodings enc = strconv::encodings::ansi) : encoding(enc) {}

    strconv::encodings encoding;
    std::wstring line_terminator = L"\r\n";
};

}  // namespace ek
