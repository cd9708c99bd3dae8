#include "filesystem/os_path.h"

namespace ek::filesystem {

std::wstring os_path(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) return {};
    std::wstring out = path;
    for (wchar_t& c : out)
        if (c == L'/') c = L'\\';
    return out;
}

std::wstring from_os_path(const std::wstring& path) { return path; }

}  // namespace ek::filesystem
