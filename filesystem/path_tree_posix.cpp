// Whole folder trees: creating a folder chain, copying, moving and removing trees.
#include "filesystem/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "filesystem/os_path.h"

namespace ek::filesystem {
namespace {

constexpr int k_max_depth = 256;

struct dir_closer {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The names in a folder, without "." and "..", and whether each is a real folder (a link to
// one is not: trees are never entered through links).
struct entry {
    std::wstring name;
    bool folder;
};

bool entries(const std::wstring& dir, std::vector<entry>& out) {
    std::string root = os_path(dir);
    if (root.empty()) return false;
    if (root.back() != '/') root += '/';
    std::unique_ptr<DIR, dir_closer> d(::opendir(root.c_str()));
    if (!d) return false;
    while (const dirent* e = ::readdir(d.get())) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        bool folder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            folder = ::lstat((root + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        out.push_back({from_os_path(n), folder});
    }
    return true;
}

bool lstat_of(const std::wstring& path, struct stat& st) {
    const std::string os = os_path(path);
    return !os.empty() && ::lstat(os.c_str(), &st) == 0;
}

bool copy_tree(const std::wstring& src, const std::wstring& dst, bool overwrite, bool recursive, bool move,
               int depth) {
    if (depth > k_max_depth || !is_directory(src) || !make_directory(dst) || !is_directory(dst)) return false;
    std::vector<entry> list;
    if (!entries(src, list)) return false;
    bool ok = true;
    for (const entry& e : list) {
        const std::wstring from = combine(src, e.name);
        const std::wstring to = combine(dst, e.name);
        if (e.folder) {
            if (recursive) ok = copy_tree(from, to, overwrite, recursive, move, depth + 1) && ok;
        } else {
            ok = (move ? move_file(from, to, overwrite) : copy_file(from, to, overwrite)) && ok;
        }
    }
    if (move) {
        // The folder goes only when it is empty now; what was left behind keeps it.
        remove_directory(src);
    }
    return ok;
}

bool remove_tree(const std::wstring& path, int depth) {
    struct stat st;
    if (!lstat_of(path, st)) return false;
    const std::string os = os_path(path);
    if (!S_ISDIR(st.st_mode)) return ::unlink(os.c_str()) == 0;
    if (depth > k_max_depth) return false;
    std::vector<entry> list;
    if (!entries(path, list)) return false;
    bool ok = true;
    for (const entry& e : list) ok = remove_tree(combine(path, e.name), depth + 1) && ok;
    return ::rmdir(os.c_str()) == 0 && ok;
}

// Whether `path` is `folder` or lies below it, so that a tree is never copied into itself.
bool is_within(const std::wstring& path, const std::wstring& folder) {
    const std::wstring r = relative_path(path, folder);
    if (r.empty()) return true;
    if (is_absolute(r)) return false;
    return !(r.size() >= 2 && r[0] == L'.' && r[1] == L'.' && (r.size() == 2 || is_separator(r[2])));
}

}  // namespace

bool make_path(const std::wstring& path) {
    if (path.empty()) return false;
    if (is_directory(path)) return true;
    // Create the parent first; the parent of "a/b/" is "a/".
    std::wstring trimmed = path;
    while (trimmed.size() > 1 && is_separator(trimmed.back())) trimmed.pop_back();
    const std::wstring parent = directory(trimmed);
    if (!parent.empty() && parent != trimmed && !is_directory(parent) && !make_path(parent)) return false;
    return make_directory(trimmed) && is_directory(trimmed);
}

bool copy_directory(const std::wstring& src, const std::wstring& dst, bool overwrite, bool recursive) {
    if (is_equal(src, dst) || (recursive && is_within(dst, src))) return false;
    return copy_tree(src, dst, overwrite, recursive, false, 0);
}

bool move_directory(const std::wstring& src, const std::wstring& dst, bool overwrite, bool recursive) {
    if (!is_directory(src) || is_equal(src, dst) || (recursive && is_within(dst, src))) return false;
    // Where the target is free, the whole tree moves in one rename.
    if (recursive && !path_exist(dst)) {
        const std::string from = os_path(src);
        const std::string to = os_path(dst);
        if (!from.empty() && !to.empty() && ::rename(from.c_str(), to.c_str()) == 0) return true;
    }
    return copy_tree(src, dst, overwrite, recursive, true, 0);
}

bool remove_path(const std::wstring& path) { return remove_tree(path, 0); }

}  // namespace ek::filesystem
