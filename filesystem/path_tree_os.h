// The platform's part of the whole-tree functions (path_tree.cpp): listing a folder, telling a
// real folder from a file or link, removing one entry and renaming.
#pragma once

#include <string>
#include <vector>

namespace ek::filesystem::detail {

// An entry of a folder; `folder` only for a real folder (a link to one is not: trees are never
// entered through links).
struct tree_entry {
    std::wstring name;
    bool folder;
};

// The entries of `dir` without "." and ".."; false when it cannot be listed.
bool os_list_entries(const std::wstring& dir, std::vector<tree_entry>& out);

enum class node_kind { missing, folder, other };
// What `path` names, without following a link at its end (a link is `other`).
node_kind os_node_kind(const std::wstring& path);

// Removes a file or a link (the link itself, never what it points to).
bool os_remove_node(const std::wstring& path);

// Renames a file or folder; may fail when `to` exists.
bool os_rename(const std::wstring& from, const std::wstring& to);

}  // namespace ek::filesystem::detail
