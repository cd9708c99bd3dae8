// File-system operations of the path utilities over POSIX calls.
//
// A file that another handle or process holds open through the binary file layer carries an
// open-file-description lock; like Windows, which refuses to delete or replace a file that
// someone has open without delete sharing, these functions refuse to remove, move away or
// overwrite such a file. A file without any write permission stands for the Windows read-only
// attribute: it is not removed, moved over or copied over, whoever the process runs as.
#include "filesystem/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "filesystem/fileio.h"
#include "filesystem/os_path.h"

namespace ek::filesystem {

const wchar_t native_directory_separator = L'/';
const wchar_t library_prefix[] = L"lib";
const wchar_t library_extension[] = L".so";
const wchar_t application_extension[] = L"";

namespace {

bool stat_of(const std::wstring& path, struct stat& st) {
    const std::string os = os_path(path);
    return !os.empty() && ::stat(os.c_str(), &st) == 0;
}

int retry_close(int fd) { return ::close(fd); }

struct fd_guard {
    int fd = -1;
    ~fd_guard() {
        if (fd >= 0) retry_close(fd);
    }
};

// Whether another open file description holds a lock on the regular file at `os`.
bool held_by_another(const std::string& os) {
    struct stat st;
    if (::lstat(os.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    fd_guard g;
    g.fd = ::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (g.fd < 0) return false;
    struct flock lk;
    std::memset(&lk, 0, sizeof lk);
    lk.l_type = F_WRLCK;  // conflicts with any lock, shared or exclusive
    lk.l_whence = SEEK_SET;
    if (::fcntl(g.fd, F_OFD_GETLK, &lk) != 0) return false;
    return lk.l_type != F_UNLCK;
}

// A regular file that nobody may write: the Windows read-only attribute, which binds every user.
bool protected_os(const std::string& os) {
    struct stat st;
    return ::lstat(os.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

// Whether an existing file at `os` may be replaced or removed.
bool replaceable(const std::string& os) { return !held_by_another(os) && !protected_os(os); }

bool write_all(int fd, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Copies the whole of `in` (of `size` bytes when the copy began) into `out`; both are
// positioned at their start.
bool copy_bytes(int in, int out, off_t size) {
    // The kernel copies without a trip through user memory when it can. Some file systems
    // refuse, or claim an empty file; the plain loop below then does the work.
    for (bool first = true;; first = false) {
        const ssize_t r = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (r > 0) continue;
        if (r == 0) {
            if (!first || size == 0) return true;
            break;
        }
        if (errno == EINTR) continue;
        if (!first || (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP))
            return false;
        break;
    }
    constexpr size_t k_buffer = size_t(1) << 20;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[k_buffer]);
    if (!buffer) return false;
    for (;;) {
        const ssize_t r = ::read(in, buffer.get(), k_buffer);
        if (r == 0) return true;
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!write_all(out, buffer.get(), static_cast<size_t>(r))) return false;
    }
}

// Puts `from` in place of `to`; without overwrite an existing `to` makes it fail, atomically
// where the file system allows.
bool place(const std::string& from, const std::string& to, bool overwrite) {
    if (overwrite) return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // A file system without no-replace renames: check first, accepting the small race.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string directory_of(const std::string& os) {
    const auto p = os.rfind('/');
    return p == std::string::npos ? std::string() : os.substr(0, p + 1);
}

// Copies the regular file `src` to `dst` through a temporary file beside `dst`, so that a
// failed copy never leaves a half-written target.
bool copy_os(const std::string& src, const std::string& dst, bool overwrite) {
    fd_guard in;
    in.fd = ::open(src.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in.fd < 0) return false;
    struct stat st;
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int flags = ::fcntl(in.fd, F_GETFL);
    if (flags >= 0) ::fcntl(in.fd, F_SETFL, flags & ~O_NONBLOCK);

    struct stat target;
    if (::stat(dst.c_str(), &target) == 0) {
        if (!overwrite || S_ISDIR(target.st_mode)) return false;
        // The same file under two names: nothing to copy.
        if (target.st_dev == st.st_dev && target.st_ino == st.st_ino) return true;
        if (!replaceable(dst)) return false;
    }

    std::string temp = directory_of(dst) + ".ekcopy_XXXXXX";
    fd_guard out;
    out.fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out.fd < 0) return false;
    bool ok = copy_bytes(in.fd, out.fd, st.st_size);
    if (ok) {
        // Like a Windows copy: same permissions and the same modification time.
        ::fchmod(out.fd, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.fd, times);
    }
    ok = retry_close(out.fd) == 0 && ok;
    out.fd = -1;
    if (ok) ok = place(temp, dst, overwrite);
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool is_dot_entry(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

enum class entry_kind { folder, file };

// The kind of an entry the way Windows attributes report it: a link counts as what it points
// to, and an entry whose attributes cannot be read counts as a file.
entry_kind kind_of(const std::string& dir, const dirent* e) {
    if (e->d_type == DT_DIR) return entry_kind::folder;
    if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK) return entry_kind::file;
    struct stat st;
    const std::string full = dir + e->d_name;
    if (::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return entry_kind::folder;
    return entry_kind::file;
}

bool is_real_folder(const std::string& dir, const dirent* e) {
    if (e->d_type == DT_DIR) return true;
    if (e->d_type != DT_UNKNOWN) return false;
    struct stat st;
    const std::string full = dir + e->d_name;
    return ::lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct dir_closer {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The folder in the operating system's form with a trailing '/' ("./" for the empty path).
std::string listing_root(const std::wstring& dir) {
    std::string os = dir.empty() ? std::string(".") : os_path(dir);
    if (!os.empty() && os.back() != '/') os += '/';
    return os;
}

void list_one(const std::wstring& dir, const std::string& mask, int flags,
              std::vector<std::wstring>& out) {
    const std::string root = listing_root(dir);
    if (root.empty()) return;
    std::unique_ptr<DIR, dir_closer> d(::opendir(root.c_str()));
    if (!d) return;
    while (const dirent* e = ::readdir(d.get())) {
        if (is_dot_entry(e->d_name)) continue;
        if (::fnmatch(mask.c_str(), e->d_name, FNM_NOESCAPE) != 0) continue;
        const entry_kind k = kind_of(root, e);
        if ((k == entry_kind::folder && (flags & find_directories)) ||
            (k == entry_kind::file && (flags & find_files)))
            out.push_back(combine(dir, from_os_path(e->d_name)));
    }
}

// Every folder below `dir`, each folder's subfolders before the folder itself. Linked folders
// are not entered, so that a link cycle cannot recurse without end.
void collect_folders(const std::wstring& dir, std::vector<std::wstring>& out, int depth) {
    constexpr int k_max_depth = 256;
    if (depth > k_max_depth) return;
    const std::string root = listing_root(dir);
    if (root.empty()) return;
    std::unique_ptr<DIR, dir_closer> d(::opendir(root.c_str()));
    if (!d) return;
    while (const dirent* e = ::readdir(d.get())) {
        if (is_dot_entry(e->d_name) || !is_real_folder(root, e)) continue;
        const std::wstring sub = combine(dir, from_os_path(e->d_name));
        collect_folders(sub, out, depth + 1);
        out.push_back(sub);
    }
}

}  // namespace

bool is_file(const std::wstring& path) {
    struct stat st;
    return stat_of(path, st) && !S_ISDIR(st.st_mode);
}

bool path_exist(const std::wstring& path) {
    struct stat st;
    return stat_of(path, st);
}

bool is_directory(const std::wstring& path) {
    struct stat st;
    return stat_of(path, st) && S_ISDIR(st.st_mode);
}

long long file_mtime(const std::wstring& path) {
    struct stat st;
    return stat_of(path, st) ? static_cast<long long>(st.st_mtime) : 0;
}

unsigned long long file_size(const std::wstring& path) {
    struct stat st;
    if (!stat_of(path, st) || S_ISDIR(st.st_mode) || st.st_size < 0) return 0;
    return static_cast<unsigned long long>(st.st_size);
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
    const std::string os = os_path(path);
    return !os.empty() && protected_os(os);
}

bool make_directory(const std::wstring& path) {
    if (path_exist(path)) return true;
    const std::string os = os_path(path);
    return !os.empty() && (::mkdir(os.c_str(), 0777) == 0 || errno == EEXIST);
}

bool remove_directory(const std::wstring& path) {
    const std::string os = os_path(path);
    return !os.empty() && ::rmdir(os.c_str()) == 0;
}

bool copy_file(const std::wstring& src, const std::wstring& dst, bool overwrite) {
    const std::string from = os_path(src);
    const std::string to = os_path(dst);
    if (from.empty() || to.empty()) return false;
    return copy_os(from, to, overwrite);
}

bool move_file(const std::wstring& src, const std::wstring& dst, bool overwrite) {
    const std::string from = os_path(src);
    const std::string to = os_path(dst);
    if (from.empty() || to.empty()) return false;
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return false;
    if (held_by_another(from)) return false;
    if (overwrite && !replaceable(to)) return false;
    if (place(from, to, overwrite)) return true;
    if (errno != EXDEV) return false;
    // Another file system: copy, then delete the source; a source that cannot be deleted
    // leaves the copy in place but reports the failure.
    if (!copy_os(from, to, overwrite)) return false;
    return ::unlink(from.c_str()) == 0;
}

bool remove_file(const std::wstring& path) {
    const std::string os = os_path(path);
    if (os.empty() || !replaceable(os)) return false;
    return ::unlink(os.c_str()) == 0;
}

bool removable(const std::wstring& path) {
    const std::string os = os_path(path);
    return !os.empty() && replaceable(os);
}

std::vector<std::wstring> find(const std::wstring& dir, const std::wstring& mask, int flags) {
    std::vector<std::wstring> out;
    const std::wstring folder = native_path(dir);
    std::string pattern = os_path(native_path(mask));
    if (pattern.empty()) return out;
    // Windows matches "*.*" against every name, also those without a dot.
    if (pattern == "*.*") pattern = "*";
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
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd pw;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name)
        return from_os_path(found->pw_name);
    for (const char* var : {"USER", "LOGNAME"})
        if (const char* v = std::getenv(var); v && *v) return from_os_path(v);
    return std::wstring();
}

std::wstring hostname() {
    char name[256];
    if (::gethostname(name, sizeof name) != 0) return std::wstring();
    name[sizeof name - 1] = 0;
    return from_os_path(name);
}

std::wstring current_path() {
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) break;
        if (errno != ERANGE || buffer.size() > (size_t(1) << 20)) return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
    return include_directory_separator(from_os_path(buffer.data()));
}

}  // namespace ek::filesystem
