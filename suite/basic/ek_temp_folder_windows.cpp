// The system temporary folder on Windows, as GetTempPathW reports it (TMP, TEMP, USERPROFILE or
// the Windows folder), always with its trailing separator.
#include <windows.h>

#include <vector>

#include "ek_temp_folder.h"

namespace ek::basic {

wchar_t native_separator() { return L'\\'; }

std::wstring system_temp_folder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) return std::wstring(L".\\");
        if (n < buffer.size()) break;
        buffer.resize(n + 1);
    }
    std::wstring path(buffer.data());
    if (path.back() != L'\\' && path.back() != L'/') path.push_back(L'\\');
    return path;
}

}  // namespace ek::basic
