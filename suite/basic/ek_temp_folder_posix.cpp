// The system temporary folder on POSIX systems: $TMPDIR, else /tmp/.
#include <cstdlib>

#include "ek_temp_folder.h"
#include "ek_text.h"

namespace ek::basic {

wchar_t native_separator() { return L'/'; }

std::wstring system_temp_folder() {
    const char* env = std::getenv("TMPDIR");
    // The environment holds UTF-8, as every path the operating system hands out.
    std::wstring path = (env && *env) ? ek::text::from_utf8(env) : std::wstring(L"/tmp/");
    if (path.back() != L'/' && path.back() != L'\\') path.push_back(L'/');
    return path;
}

}  // namespace ek::basic
