// Folder watches on Linux: one inotify instance for the whole process, one inotify watch per
// folder (the kernel gives the same watch again for a folder already watched).
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ek_folder_watch_os.h"
#include "ek_text.h"

namespace ek::path::os {
namespace {

// What counts as a change of a file. Closing a file opened for writing is left out: a reader
// that opens a data file read-write and writes nothing changes nothing. Times and permissions
// count (IN_ATTRIB): the notifier's check reads modification times.
constexpr uint32_t k_events = IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;

// Made on first use and never closed: a host may be polling it, and the kernel frees it with
// the process. Non-blocking, and not inherited by programs the process starts.
int instance() {
    static const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd;
}

std::string os_path(const std::wstring& folder) {
    if (folder.empty()) return ".";
    std::string out = ek::text::to_utf8(folder);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

}  // namespace

bool names_case_sensitive() { return true; }

intptr_t wait_handle() { return instance(); }

long add_watch(const std::wstring& folder) {
    const int fd = instance();
    if (fd < 0) return -1;
    return ::inotify_add_watch(fd, os_path(folder).c_str(), k_events | IN_ONLYDIR);  // -1 on failure
}

void remove_watch(long watch) {
    const int fd = instance();
    if (fd >= 0 && watch >= 0) ::inotify_rm_watch(fd, static_cast<int>(watch));
}

bool wait(int timeout_ms) {
    const int fd = instance();
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeout_ms);
        if (n >= 0) return n > 0 && (p.revents & POLLIN);
        if (errno != EINTR) return false;
    }
}

void read_pending(std::vector<Change>& out) {
    const int fd = instance();
    if (fd < 0) return;
    alignas(inotify_event) char buf[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // EAGAIN: nothing more pending
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event e;
            std::memcpy(&e, buf + at, sizeof e);
            const char* name = buf + at + sizeof(inotify_event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e.len);
            if (e.mask & IN_Q_OVERFLOW) {
                out.push_back({Change::lost, -1, {}});
            } else if (e.mask & IN_IGNORED) {
                out.push_back({Change::ended, e.wd, {}});
            } else if (e.len > 0 && *name) {
                out.push_back({Change::file, e.wd, ek::text::from_utf8(std::string_view(name, ::strnlen(name, e.len)))});
            }
        }
    }
}

}  // namespace ek::path::os
