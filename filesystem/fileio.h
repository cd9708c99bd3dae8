// Binary file access for property data files and undo swap files.
//
// A thin layer over the operating system's file handles: open from a mode string ("rb",
// "rb+", "wb"), raw transfers cut into pieces of at most 1 GiB, the file size, and absolute
// positioning by the owner, and a read-only mapping of the open file. Every open lets other
// openers read only: readers share a file, a writer excludes everyone (across handles and
// processes). A sharing conflict is retried 20 times, 1 ms apart.
#pragma once

#include <cstdint>
#include <vector>
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

    // Sets the file's length (used after a non-truncating "wb" open has taken its lock). A
    // mapping is released first: some systems refuse to cut a mapped file.
    bool truncate(uint64_t length);

    // Bytes [offset, offset + n) of the open file (n >= 1) in a read-only mapping of the whole
    // file, kept from call to call; null when the file does not hold all of them now or cannot
    // be mapped, and the caller reads instead. A change of the file's length since the mapping
    // was made gives a new one; a file no longer long enough loses it. The view is valid until
    // the next call, unmap, truncate, close or open. Writes through this object show in it.
    const unsigned char* map_view(uint64_t offset, uint64_t n);
    // Releases the mapping. Closing does it first: a mapping keeps the open file, and with it
    // the file's lock, alive.
    void unmap();
    // Asks the system to start reading the ranges [offset, offset + n) of the mapped file (offsets
    // ascending) that are not in its cache yet, so that a caller about to touch many scattered
    // ranges has them read in parallel instead of one page fault at a time. Only a hint: nothing
    // happens without a mapping or when the system cannot.
    void prefetch(const std::vector<uint64_t>& offsets, uint64_t n) const;

    handle_t handle = invalid_handle;
    mutable bool end_flag = false;    // cleared by filesize and by an append-mode open
    mutable bool error_flag = false;  // set by a transfer that failed or came up short

private:
    mutable uint64_t position = 0;
    const unsigned char* map_base = nullptr;
    uint64_t map_length = 0;
    // A length the system refused to map: not tried again while the file keeps it.
    uint64_t map_refused = 0;
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
