// What the folder watchers need of the operating system: one waitable queue of changes for the
// whole process, with folders added to and removed from it. One implementation per platform
// (ek_folder_watch_posix.cpp: inotify, ek_folder_watch_windows.cpp: ReadDirectoryChangesW); the
// watchers themselves are platform-neutral.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ek::path::os {

// One change reported by the system.
struct Change {
    enum Kind {
        file,      // a file of the watched folder: name holds its name
        lost,      // the system dropped changes (its queue overflowed): any watch may be affected
        ended,     // the watch ended by itself (its folder was deleted or unmounted)
    };
    Kind kind = file;
    long watch = -1;  // the watch it belongs to; -1 for lost
    std::wstring name;
};

// Letter case of file names: whether "A.xml" and "a.xml" name different files.
bool names_case_sensitive();

// The process's waitable handle, made on first use; -1 when the system gives none.
intptr_t wait_handle();

// Adds a folder to the queue; the watch's id (>= 0), or -1 when it cannot be watched. Adding a
// folder that is already watched may give the same id again; the caller counts its users.
long add_watch(const std::wstring& folder);

// Removes a watch that has not ended by itself.
void remove_watch(long watch);

// Waits up to timeout_ms (0: not at all) until a change is pending; true when one is.
bool wait(int timeout_ms);

// Appends the changes pending now, without waiting.
void read_pending(std::vector<Change>& out);

}  // namespace ek::path::os
