// Folder watches on Windows: one directory handle per watch with an overlapped
// ReadDirectoryChangesW always pending, and one manual-reset event for the whole process that
// every pending read signals when it completes. Nothing runs on other threads: completions are
// collected when the watchers' dispatch asks, and each collected read is issued again at once, so
// the system keeps queueing changes in between.
#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>

#include "ek_folder_watch_os.h"

namespace ek::path::os {
namespace {

// What counts as a change of a file: created, deleted or renamed (files and folders, as inotify
// reports both), written, resized, or given new attributes, times or permissions.
constexpr DWORD k_filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_CREATION |
                           FILE_NOTIFY_CHANGE_SECURITY;

// 64 KiB: the most a read may return for a folder on a network share.
constexpr DWORD k_buffer = 64 * 1024;

struct Watch {
    HANDLE folder = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    // DWORD-aligned, as the records in it must be.
    std::unique_ptr<DWORD[]> buffer{new DWORD[k_buffer / sizeof(DWORD)]};
    bool pending = false;
};

// Made on first use and never closed: a host may be waiting on it.
HANDLE event() {
    static const HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return e;
}

// Never freed, as the watchers' registry: a host may still dispatch from its static destructors.
std::map<long, Watch*>& watches() {
    static auto* w = new std::map<long, Watch*>();
    return *w;
}

bool issue(Watch& w) {
    w.overlapped = OVERLAPPED{};
    w.overlapped.hEvent = event();
    w.pending = ReadDirectoryChangesW(w.folder, w.buffer.get(), k_buffer, FALSE, k_filter, nullptr, &w.overlapped,
                                      nullptr) != 0;
    return w.pending;
}

// Cancels a pending read and waits for the system to let go of its buffer.
void close_watch(Watch* w) {
    if (w->pending) {
        CancelIoEx(w->folder, &w->overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(w->folder, &w->overlapped, &ignored, TRUE);
    }
    CloseHandle(w->folder);
    delete w;
}

// The records of a completed read.
void parse(const Watch& w, DWORD bytes, long id, std::vector<Change>& out) {
    const auto* base = reinterpret_cast<const unsigned char*>(w.buffer.get());
    constexpr DWORD head = offsetof(FILE_NOTIFY_INFORMATION, FileName);
    for (DWORD at = 0; at + head <= bytes;) {
        const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + at);
        if (record->FileNameLength > 0 && at + head + record->FileNameLength <= bytes)
            out.push_back({Change::file, id, std::wstring(record->FileName, record->FileNameLength / sizeof(WCHAR))});
        if (record->NextEntryOffset == 0) break;
        at += record->NextEntryOffset;
    }
}

}  // namespace

bool names_case_sensitive() { return false; }

intptr_t wait_handle() {
    const HANDLE e = event();
    return e ? reinterpret_cast<intptr_t>(e) : -1;
}

long add_watch(const std::wstring& folder) {
    static long next_id = 0;
    if (!event()) return -1;
    std::wstring os = folder.empty() ? std::wstring(L".") : folder;
    if (os.find(L'\0') != std::wstring::npos) return -1;
    for (wchar_t& c : os)
        if (c == L'/') c = L'\\';
    auto w = std::make_unique<Watch>();
    // Sharing everything, deletion included: a watched folder can still be renamed or removed.
    w->folder = CreateFileW(os.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (w->folder == INVALID_HANDLE_VALUE) return -1;
    // A file handle opens here too; only a folder can be watched.
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(w->folder, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !issue(*w)) {
        CloseHandle(w->folder);
        return -1;
    }
    const long id = next_id++;
    watches()[id] = w.release();
    return id;
}

void remove_watch(long watch) {
    auto it = watches().find(watch);
    if (it == watches().end()) return;
    close_watch(it->second);
    watches().erase(it);
}

bool wait(int timeout_ms) {
    const HANDLE e = event();
    if (!e) return false;
    return WaitForSingleObject(e, timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

void read_pending(std::vector<Change>& out) {
    const HANDLE e = event();
    if (!e) return;
    // Reset first: a read that completes from now on signals again, so nothing is missed.
    ResetEvent(e);
    for (auto it = watches().begin(); it != watches().end();) {
        Watch& w = *it->second;
        DWORD bytes = 0;
        if (!w.pending || !HasOverlappedIoCompleted(&w.overlapped)) {
            ++it;
            continue;
        }
        w.pending = false;
        const bool ok = GetOverlappedResult(w.folder, &w.overlapped, &bytes, FALSE) != 0;
        const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (ok && bytes > 0) {
            parse(w, bytes, it->first, out);
        } else if (ok || error == ERROR_NOTIFY_ENUM_DIR) {
            // The system's buffer overflowed: what changed is lost.
            out.push_back({Change::lost, -1, {}});
        }
        if ((ok || error == ERROR_NOTIFY_ENUM_DIR) && issue(w)) {
            ++it;
            continue;
        }
        // The folder went away (deleted, its volume removed) or cannot be read again.
        out.push_back({Change::ended, it->first, {}});
        close_watch(it->second);
        it = watches().erase(it);
    }
}

}  // namespace ek::path::os
