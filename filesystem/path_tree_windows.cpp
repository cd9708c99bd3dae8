// Single entries of whole-tree work over the Windows file services. Junctions and symbolic links
// are reparse points: they count as entries of their own, removed without entering them.
#include "filesystem/path_tree_os.h"

#include <windows.h>

#include "filesystem/os_path.h"
#include "filesystem/paths.h"

namespace ek::filesystem::detail {
namespace {

bool real_folder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool os_list_entries(const std::wstring& dir, std::vector<tree_entry>& out) {
    const std::wstring pattern = os_path(combine(dir, L"*"));
    if (pattern.empty()) return false;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty folder
    do {
        const wchar_t* n = data.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        out.push_back({n, real_folder(data.dwFileAttributes)});
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return true;
}

node_kind os_node_kind(const std::wstring& path) {
    const std::wstring os = os_path(path);
    const DWORD a = os.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(os.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return node_kind::missing;
    return real_folder(a) ? node_kind::folder : node_kind::other;
}

bool os_remove_node(const std::wstring& path) {
    const std::wstring os = os_path(path);
    if (os.empty()) return false;
    const DWORD a = GetFileAttributesW(os.c_str());
    // A linked folder is removed as a folder (the link only).
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return RemoveDirectoryW(os.c_str()) != 0;
    return DeleteFileW(os.c_str()) != 0;
}

bool os_rename(const std::wstring& from, const std::wstring& to) {
    const std::wstring a = os_path(from);
    const std::wstring b = os_path(to);
    return !a.empty() && !b.empty() && MoveFileExW(a.c_str(), b.c_str(), 0) != 0;
}

}  // namespace ek::filesystem::detail
