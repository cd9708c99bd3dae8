// What differs between the platforms a test runs on, behind one interface, so that test bodies
// stay free of conditional code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ek::test {

// The code page of the host's narrow text as the library sees it: GetACP() on Windows; on Linux
// 65001 (UTF-8) unless EKX_NARROW_ENCODING says windows-1251.
unsigned narrow_code_page();

// One expectation for each code page the tests meet; here() is this run's.
template <class T> struct PerCodePage {
    T utf8, cp1251, cp1252;
    const T& here() const {
        const unsigned cp = narrow_code_page();
        return cp == 1251 ? cp1251 : cp == 1252 ? cp1252 : utf8;
    }
};

// A path from wide text and back, character for character whatever the narrow encoding
// (std::filesystem would go through the C library's locale on Linux).
std::filesystem::path wide_path(const std::wstring& wide);
std::wstring wide_text(const std::filesystem::path& path);

// A symbolic link at `link` to `target`; false where the system or the account allows none (Wine).
bool make_link(const std::filesystem::path& target, const std::filesystem::path& link, bool folder);

// A FIFO (named pipe) at `path`; false where the system has none in its file system (Windows).
bool make_fifo(const std::filesystem::path& path);

// Files this process writes may not grow past `bytes` while the object lives, so that a write
// fails half-way as on a full disk; active() is false where the system has no such limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
    uint64_t saved_[2] = {};
    void (*saved_handler_)(int) = nullptr;
};

// Whether the file system tells names differing only in letter case apart (Linux: yes; Windows: no).
extern const bool k_case_sensitive_files;
// Whether another writer can change a file a property holds open for reading (Linux: its locks
// bind only those who take them; Windows: the share modes forbid it).
extern const bool k_writers_beside_readers;

// A path from UTF-8 text (a plain narrow string is the C library's code page on Windows).
inline std::filesystem::path utf8_path(std::string_view utf8) { return std::u8string(utf8.begin(), utf8.end()); }

// Waits at most timeout_ms until the folder watchers' wait handle is ready; false when no change
// came. Windows reports a change a moment later than Linux, possibly after its process ended.
bool wait_for_watch(intptr_t wait_handle, int timeout_ms);

// Sets a variable for this process (nullptr unsets; Linux gets UTF-8) until the object goes.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const wchar_t* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void set(const wchar_t* value);
    void set(const std::wstring& value) { set(value.c_str()); }

private:
    std::string name_;
    std::optional<std::wstring> saved_;
};

// An absolute path of Linux form ("/var/tmp") as this system writes one ("C:\var\tmp" on Windows).
std::wstring system_path(const std::wstring& posix);

// '/' made the system's separator, so that expectations written for Linux hold on Windows too.
inline std::wstring separators_alike(std::wstring path) {
    for (wchar_t& c : path) c = c == L'/' ? wchar_t(std::filesystem::path::preferred_separator) : c;
    return path;
}
inline std::string separators_alike(std::string path) {
    for (char& c : path) c = c == '/' ? char(std::filesystem::path::preferred_separator) : c;
    return path;
}

// The variable that names the system temporary folder (TMPDIR on Linux, TMP on Windows).
extern const char* const k_temp_variable;
// The system temporary folder, with its trailing separator, while that variable is unset.
std::wstring default_temp_folder();

// Floating-point exceptions as the basic service's state bits name them on this platform.
struct FpExceptions {
    unsigned invalid, divide_by_zero, overflow, all;
};
extern const FpExceptions k_fp;

// The exceptions that trap in this thread, as state bits; trap_fp makes exactly `state` trap.
unsigned trapping_fp();
void trap_fp(unsigned state);

// Address space reserved and never touched, to name in a request of any size; null if refused.
class ReservedSpace {
public:
    explicit ReservedSpace(size_t bytes);
    ~ReservedSpace();
    ReservedSpace(const ReservedSpace&) = delete;
    ReservedSpace& operator=(const ReservedSpace&) = delete;
    char* data() const { return data_; }

private:
    char* data_ = nullptr;
    size_t bytes_;
};

}  // namespace ek::test
