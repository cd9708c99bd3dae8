// Whole folder trees: creating a folder chain, copying, moving and removing trees. The listing and
// removal of single entries is the platform's (path_tree_posix.cpp, path_tree_windows.cpp).
#include "filesystem/paths.h"
#include "filesystem/path_tree_os.h"

namespace ek::filesystem {
namespace {

using detail::node_kind;
using detail::tree_entry;

constexpr int k_max_depth = 256;

bool copy_tree(const std::wstring& src, const std::wstring& dst, bool overwrite, bool recursive, bool move,
               int depth) {
    if (depth > k_max_depth || !is_directory(src) || !make_directory(dst) || !is_directory(dst)) return false;
    std::vector<tree_entry> list;
    if (!detail::os_list_entries(src, list)) return false;
    bool ok = true;
    for (const tree_entry& e : list) {
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
    const node_kind kind = detail::os_node_kind(path);
    if (kind == node_kind::missing) return false;
    if (kind == node_kind::other) return detail::os_remove_node(path);
    if (depth > k_max_depth) return false;
    std::vector<tree_entry> list;
    if (!detail::os_list_entries(path, list)) return false;
    bool ok = true;
    for (const tree_entry& e : list) ok = remove_tree(combine(path, e.name), depth + 1) && ok;
    return remove_directory(path) && ok;
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
    if (recursive && !path_exist(dst) && detail::os_rename(src, dst)) return true;
    return copy_tree(src, dst, overwrite, recursive, true, 0);
}

bool remove_path(const std::wstring& path) { return remove_tree(path, 0); }

}  // namespace ek::filesystem
