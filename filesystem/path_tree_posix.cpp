// Single entries of whole-tree work over POSIX calls.
#include "filesystem/path_tree_os.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "filesystem/os_path.h"

namespace ek::filesystem::detail {
namespace {

struct dir_closer {
    void operator()(DIR* d) const { ::closedir(d); }
};

bool lstat_of(const std::wstring& path, struct stat& st) {
    const std::string os = os_path(path);
    return !os.empty() && ::lstat(os.c_str(), &st) == 0;
}

}  // namespace

bool os_list_entries(const std::wstring& dir, std::vector<tree_entry>& out) {
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

node_kind os_node_kind(const std::wstring& path) {
    struct stat st;
    if (!lstat_of(path, st)) return node_kind::missing;
    return S_ISDIR(st.st_mode) ? node_kind::folder : node_kind::other;
}

bool os_remove_node(const std::wstring& path) {
    const std::string os = os_path(path);
    return !os.empty() && ::unlink(os.c_str()) == 0;
}

bool os_rename(const std::wstring& from, const std::wstring& to) {
    const std::string a = os_path(from);
    const std::string b = os_path(to);
    return !a.empty() && !b.empty() && ::rename(a.c_str(), b.c_str()) == 0;
}

}  // namespace ek::filesystem::detail
