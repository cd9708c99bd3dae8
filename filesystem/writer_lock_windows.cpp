// The writer's claim over Windows share modes: a handle on the metadata file with read and write
// access that lets others read only. Readers (who share everything) still open the file; a second
// writer, which asks for write access, meets a sharing violation, and nobody can delete or rename
// the file while it is claimed, since the claim does not share deletion.
//
// The save replaces the file by renaming a new one over it, and Windows refuses to rename over a
// file that any handle holds, the claim's own included (delete sharing would not help; only the
// POSIX rename semantics of recent NTFS would). So the claim moves in two steps: the new file is
// claimed first, with delete access of its own, then the old claim is closed and the new file
// renamed over the old one through its claiming handle, so that the new file is never unclaimed;
// last, the claim hands over to a handle without delete access (see settle).
// Another process's writer can only slip in by claiming the old file in that moment: the rename
// then fails, this process reports the failed save and takes back what it can, and the other
// writer keeps a file that is still the one at the path, which its identity check confirms.
#include "filesystem/writer_lock.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "filesystem/os_path.h"
#include "filesystem/paths.h"

namespace ek::filesystem {
namespace {

constexpr int k_attempts = 20;  // the sharing retries of the binary file layer
constexpr auto k_pause = std::chrono::milliseconds(1);

constexpr DWORD k_claim_access = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD k_claim_share = FILE_SHARE_READ;

HANDLE as_handle(detail::claim_handle h) { return reinterpret_cast<HANDLE>(h); }
detail::claim_handle as_claim(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? detail::no_claim : reinterpret_cast<detail::claim_handle>(h);
}

bool same_identity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// Whether `os` names the file open as `h` now.
bool still_named(HANDLE h, const std::wstring& os) {
    BY_HANDLE_FILE_INFORMATION held, named;
    if (!GetFileInformationByHandle(h, &held)) return false;
    HANDLE probe = CreateFileW(os.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    const bool same = GetFileInformationByHandle(probe, &named) && same_identity(held, named);
    CloseHandle(probe);
    return same;
}

// The target of a rename through a handle, as the kernel takes it: a full path in the NT namespace.
std::wstring nt_path(const std::wstring& os) {
    const DWORD size = GetFullPathNameW(os.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(os.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size) return std::wstring();
    full.resize(n);
    if (full.compare(0, 4, L"\\\\?\\") == 0) return L"\\??\\" + full.substr(4);  // \\?\ names
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\??\\UNC\\" + full.substr(2);  // \\server\share
    return L"\\??\\" + full;
}

// Renames the file open as `h` (with delete access) to `target`, replacing a file there.
bool rename_handle(HANDLE h, const std::wstring& target) {
    const size_t bytes = target.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(info->FileName, target.data(), bytes);
    return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

// A handle with delete access keeps out every reader that does not share deletion (the plain
// reads of most programs), so after the rename the claim moves to a handle without it: first to one
// that shares deletion with the renaming handle, then to one that shares reading only. A handle
// that shares no writing is open on the file throughout.
HANDLE settle(HANDLE claim, const std::wstring& os) {
    HANDLE bridge = CreateFileW(os.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (bridge == INVALID_HANDLE_VALUE) return claim;
    CloseHandle(claim);
    HANDLE settled = CreateFileW(os.c_str(), GENERIC_READ, k_claim_share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
    BY_HANDLE_FILE_INFORMATION a, b;
    if (settled != INVALID_HANDLE_VALUE && GetFileInformationByHandle(bridge, &a) &&
        GetFileInformationByHandle(settled, &b) && same_identity(a, b)) {
        CloseHandle(bridge);
        return settled;
    }
    if (settled != INVALID_HANDLE_VALUE) CloseHandle(settled);
    return bridge;
}

}  // namespace

namespace detail {

claim_handle os_claim(const std::wstring& path) {
    const std::wstring os = os_path(path);
    if (os.empty()) return no_claim;
    const DWORD attributes = GetFileAttributesW(os.c_str());
    // Write-protected files and folders are nobody's to claim.
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return no_claim;
    for (int attempt = 1; attempt <= k_attempts; ++attempt) {
        HANDLE h = CreateFileW(os.c_str(), k_claim_access, k_claim_share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_SHARING_VIOLATION) return no_claim;
        } else if (GetFileType(h) == FILE_TYPE_DISK && still_named(h, os)) {
            return as_claim(h);
        } else {
            CloseHandle(h);
        }
        std::this_thread::sleep_for(k_pause);
    }
    return no_claim;
}

claim_handle os_claim_and_rename(const std::wstring& replacement, const std::wstring& path, claim_handle& held) {
    const std::wstring temp = os_path(replacement);
    const std::wstring target = os_path(path);
    if (temp.empty() || target.empty()) {
        if (!temp.empty()) DeleteFileW(temp.c_str());
        return no_claim;
    }
    const DWORD old = GetFileAttributesW(target.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        DeleteFileW(temp.c_str());
        return no_claim;
    }

    const std::wstring destination = nt_path(target);
    HANDLE claim = destination.empty() ? INVALID_HANDLE_VALUE
                                       : CreateFileW(temp.c_str(), GENERIC_READ | DELETE, k_claim_share, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (claim == INVALID_HANDLE_VALUE) {
        DeleteFileW(temp.c_str());
        return no_claim;
    }
    const bool had_claim = held != no_claim;
    os_release(held);
    held = no_claim;
    // Readers hold the file for a moment while they read it; they are waited for like sharing
    // conflicts of data files.
    for (int attempt = 1; attempt <= k_attempts; ++attempt) {
        if (rename_handle(claim, destination)) return as_claim(settle(claim, target));
        if (attempt < k_attempts) std::this_thread::sleep_for(k_pause);
    }

    // The file at the path is unchanged; take back the claim on it when it is still to be had.
    CloseHandle(claim);
    DeleteFileW(temp.c_str());
    if (had_claim) held = os_claim(path);
    return no_claim;
}

void os_release(claim_handle handle) {
    if (handle != no_claim) CloseHandle(as_handle(handle));
}

unsigned os_process_id() { return static_cast<unsigned>(GetCurrentProcessId()); }

void os_remove_abandoned(const std::wstring& path) {
    const std::wstring os = os_path(path);
    if (os.empty()) return;
    // Opening without any sharing succeeds only when no other handle is open on the file: a save in
    // progress keeps its temp open. Closing the handle then deletes the file.
    HANDLE h = CreateFileW(os.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace detail
}  // namespace ek::filesystem
