// The temporary folder and unique temporary names through the system's own services:
// GetTempPathW, and GetTempFileNameW, which picks the number and creates the empty file
// ("<three prefix characters><hexadecimal number>.tmp").
#include "filesystem/temp_file.h"

#include <windows.h>

#include "filesystem/os_path.h"
#include "filesystem/paths.h"

namespace ek::filesystem {

std::wstring temp_directory() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return include_directory_separator(std::wstring(buffer, n));
}

std::wstring temp_filename(const std::wstring& dir, const std::wstring& prefix) {
    const std::wstring folder = os_path(dir.empty() ? temp_directory() : dir);
    if (folder.empty()) return std::wstring();
    // The prefix names a file, not a place: separators and other forbidden characters go.
    const std::wstring head = make_valid_filename(prefix.substr(0, 3));
    if (head.find(L'\0') != std::wstring::npos) return std::wstring();
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), head.c_str(), 0, name) == 0) return std::wstring();
    return name;
}

}  // namespace ek::filesystem
