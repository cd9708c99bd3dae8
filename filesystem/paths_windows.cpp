// File-system operations of the path utilities over the Windows file services.
//
// The system keeps the rules the POSIX version emulates: a file that another handle or process
// holds open without delete sharing (every open of the binary file layer) cannot be removed,
// moved away or replaced, and a file with the read-only attribute cannot be written, removed or
// replaced. The functions let those refusals through as failures.
#include "filesystem/paths.h"

#include <windows.h>

#include <memory>

#include "filesystem/fileio.h"
#include "filesystem/os_path.h"

namespace ek::filesystem {

const wchar_t native_directory_separator = L'\\';
const wchar_t library_prefix[] = L"";
const wchar_t library_extension[] = L".dll";
const wchar_t application_extension[] = L".exe";

namespace {

// Seconds between 1601-01-01 (FILETIME's epoch) and 1970-01-01.
constexpr long long k_epoch_shift = 11644473600LL;

bool attributes_of(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    const std::wstring os = os_path(path);
    return !os.empty() && GetFileAttributesExW(os.c_str(), GetFileExInfoStandard, &data) != 0;
}

bool is_folder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

struct handle_closer {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

struct find_closer {
    void operator()(HANDLE h) const { FindClose(h); }
};
using find_handle = std::unique_ptr<void, find_closer>;

// The file's identity (volume and index), read through a handle that asks for no access, so that
// it works on files others hold.
bool identity_of(const std::wstring& os, BY_HANDLE_FILE_INFORMATION& info) {
    std::unique_ptr<void, handle_closer> h(CreateFileW(os.c_str(), 0,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h.get(), &info) != 0;
}

bool same_file(const std::wstring& a, const std::wstring& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return identity_of(a, ia) && identity_of(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool is_dot_entry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Calls `visit` with each entry of the listing of `pattern` (a folder and a wildcard mask),
// without "." and "..".
template <class Visit>
void enumerate(const std::wstring& pattern, Visit visit) {
    const std::wstring os = os_path(pattern);
    if (os.empty()) return;
    WIN32_FIND_DATAW data;
    find_handle h(FindFirstFileExW(os.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH));
    if (h.get() == INVALID_HANDLE_VALUE) {
        h.release();
        return;
    }
    do {
        if (!is_dot_entry(data.cFileName)) visit(data);
    } while (FindNextFileW(h.get(), &data));
}

void list_one(const std::wstring& dir, const std::wstring& mask, int flags, std::vector<std::wstring>& out) {
    enumerate(combine(dir, mask), [&](const WIN32_FIND_DATAW& e) {
        const bool folder = is_folder(e.dwFileAttributes);
        if ((folder && (flags & find_directories)) || (!folder && (flags & find_files)))
            out.push_back(combine(dir, e.cFileName));
    });
}

// Every folder below `dir`, each folder's subfolders before the folder itself. Junctions and
// linked folders are not entered, so that a link cycle cannot recurse without end.
void collect_folders(const std::wstring& dir, std::vector<std::wstring>& out, int depth) {
    constexpr int k_max_depth = 256;
    if (depth > k_max_depth) return;
    enumerate(combine(dir, L"*"), [&](const WIN32_FIND_DATAW& e) {
        if (!is_folder(e.dwFileAttributes) || (e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
        const std::wstring sub = combine(dir, e.cFileName);
        collect_folders(sub, out, depth + 1);
        out.push_back(sub);
    });
}

}  // namespace

bool is_file(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return attributes_of(path, d) && !is_folder(d.dwFileAttributes);
}

bool path_exist(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return attributes_of(path, d);
}

bool is_directory(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return attributes_of(path, d) && is_folder(d.dwFileAttributes);
}

long long file_mtime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!attributes_of(path, d)) return 0;
    const unsigned long long ticks =
        (static_cast<unsigned long long>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
    return static_cast<long long>(ticks / 10000000ULL) - k_epoch_shift;
}

unsigned long long file_size(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!attributes_of(path, d) || is_folder(d.dwFileAttributes)) return 0;
    return (static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

bool file_readable(const std::wstring& path) {
    ek::fileio f;
    return f.open(path, L"rb");
}

bool file_writable(const std::wstring& path) {
    ek::fileio f;
    return f.open(path, L"rb+");
}

bool is_write_protected(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    return attributes_of(path, d) && !is_folder(d.dwFileAttributes) && (d.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
}

bool make_directory(const std::wstring& path) {
    if (path_exist(path)) return true;
    const std::wstring os = os_path(path);
    return !os.empty() && (CreateDirectoryW(os.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}

bool remove_directory(const std::wstring& path) {
    const std::wstring os = os_path(path);
    return !os.empty() && RemoveDirectoryW(os.c_str()) != 0;
}

bool copy_file(const std::wstring& src, const std::wstring& dst, bool overwrite) {
    const std::wstring from = os_path(src);
    const std::wstring to = os_path(dst);
    if (from.empty() || to.empty()) return false;
    if (is_directory(src)) return false;
    if (path_exist(dst)) {
        if (!overwrite || is_directory(dst)) return false;
        // The same file under two names: nothing to copy.
        if (same_file(from, to)) return true;
    }
    // CopyFileW leaves no partial target behind when it fails, and refuses a read-only or held
    // target by itself.
    return CopyFileW(from.c_str(), to.c_str(), overwrite ? FALSE : TRUE) != 0;
}

bool move_file(const std::wstring& src, const std::wstring& dst, bool overwrite) {
    const std::wstring from = os_path(src);
    const std::wstring to = os_path(dst);
    if (from.empty() || to.empty()) return false;
    const DWORD flags = MOVEFILE_COPY_ALLOWED | (overwrite ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(from.c_str(), to.c_str(), flags) != 0;
}

bool remove_file(const std::wstring& path) {
    const std::wstring os = os_path(path);
    return !os.empty() && DeleteFileW(os.c_str()) != 0;
}

bool removable(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!attributes_of(path, d)) return true;  // nothing there to keep
    if (is_folder(d.dwFileAttributes)) return true;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return false;
    // Delete access is granted only when every handle open on the file shares deletion.
    const std::wstring os = os_path(path);
    std::unique_ptr<void, handle_closer> h(CreateFileW(os.c_str(), DELETE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return h.get() != INVALID_HANDLE_VALUE;
}

std::vector<std::wstring> find(const std::wstring& dir, const std::wstring& mask, int flags) {
    std::vector<std::wstring> out;
    const std::wstring folder = native_path(dir);
    const std::wstring pattern = native_path(mask);
    if (pattern.empty() || pattern.find(L'\0') != std::wstring::npos) return out;
    if (!(flags & find_recursive)) {
        list_one(folder, pattern, flags, out);
        return out;
    }
    std::vector<std::wstring> folders;
    collect_folders(folder, folders, 0);
    const int plain = flags & ~find_recursive;
    list_one(folder, pattern, plain, out);
    for (const std::wstring& f : folders) list_one(f, pattern, plain, out);
    return out;
}

std::wstring username() {
    wchar_t name[257];  // UNLEN + 1
    DWORD size = 257;
    if (!GetUserNameW(name, &size) || size == 0) return std::wstring();
    return std::wstring(name, size - 1);
}

std::wstring hostname() {
    DWORD size = 0;
    GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
    if (size == 0) return std::wstring();
    std::wstring name(size, L'\0');
    if (!GetComputerNameExW(ComputerNameDnsHostname, name.data(), &size)) return std::wstring();
    name.resize(size);
    return name;
}

std::wstring current_path() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return std::wstring();
    std::wstring path(size, L'\0');
    const DWORD n = GetCurrentDirectoryW(size, path.data());
    if (n == 0 || n >= size) return std::wstring();
    path.resize(n);
    return include_directory_separator(path);
}

}  // namespace ek::filesystem
