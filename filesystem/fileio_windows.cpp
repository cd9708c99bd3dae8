// Binary file access over Windows file handles. Every open lets others read only
// (FILE_SHARE_READ), so the system itself keeps a writer alone with its file, across handles and
// processes; a conflict is ERROR_SHARING_VIOLATION, which the layer retries. Transfers are
// positioned through the OVERLAPPED offsets of synchronous handles, at the position the object
// tracks itself.
#include <windows.h>

#include <cerrno>

#include "filesystem/fileio_os.h"
#include "filesystem/os_path.h"

namespace ek::detail {
namespace {

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

}  // namespace

int64_t system_read(os_handle handle, void* data, size_t n, uint64_t offset) {
    OVERLAPPED o = at(offset);
    DWORD got = 0;
    if (!ReadFile(handle, data, static_cast<DWORD>(n), &got, &o)) {
        // Reading at or past the end is the end, not a failure.
        if (GetLastError() == ERROR_HANDLE_EOF) return 0;
        errno = EIO;
        return -1;
    }
    return got;
}

int64_t system_write(os_handle handle, const void* data, size_t n, uint64_t offset) {
    OVERLAPPED o = at(offset);
    DWORD put = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(n), &put, &o)) {
        errno = GetLastError() == ERROR_DISK_FULL ? ENOSPC : EIO;
        return -1;
    }
    return put;
}

open_attempt os_open_attempt(const std::wstring& path, bool create, bool writable, os_handle& handle) {
    const std::wstring os = ek::filesystem::os_path(path);
    if (os.empty()) return open_attempt::failed;
    const DWORD access = GENERIC_READ | (writable ? GENERIC_WRITE : 0);
    // OPEN_ALWAYS rather than CREATE_ALWAYS: the emptying below also works on hidden files, and it
    // happens only once the share check has let this handle in.
    HANDLE h = CreateFileW(os.c_str(), access, FILE_SHARE_READ, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // A read-only file opened for writing, a folder, a missing file: access or name errors.
        return GetLastError() == ERROR_SHARING_VIOLATION ? open_attempt::sharing_violation : open_attempt::failed;
    }
    // Windows refuses write access to a read-only file itself; said again here for the processes
    // that the system lets past its attributes (Wine run by the superuser).
    BY_HANDLE_FILE_INFORMATION info;
    if (writable && (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))) {
        CloseHandle(h);
        return open_attempt::failed;
    }
    if (create && !(SetFilePointerEx(h, LARGE_INTEGER{}, nullptr, FILE_BEGIN) && SetEndOfFile(h))) {
        CloseHandle(h);
        return open_attempt::failed;
    }
    handle = h;
    return open_attempt::opened;
}

void os_close(os_handle handle) { CloseHandle(handle); }

bool os_size(os_handle handle, uint64_t& size) {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(handle, &s) || s.QuadPart < 0) return false;
    size = static_cast<uint64_t>(s.QuadPart);
    return true;
}

bool os_set_length(os_handle handle, uint64_t length) {
    FILE_END_OF_FILE_INFO info;
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
    return SetFileInformationByHandle(handle, FileEndOfFileInfo, &info, sizeof info) != 0;
}

}  // namespace ek::detail
