#include "filesystem/os_path.h"

#include "ek_text.h"

namespace ek::filesystem {

std::string os_path(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) return {};
    std::string out = ek::text::to_utf8(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::wstring from_os_path(const std::string& path) { return ek::text::from_utf8(path); }

}  // namespace ek::filesystem
