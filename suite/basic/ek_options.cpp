// Process-wide options of the suite: the folder for temporary files.
#include "ekx_basic.h"

#include <cstdlib>
#include <deque>
#include <string>

#include "ek_boundary.h"
#include "ek_text.h"

namespace {

constexpr wchar_t native_separator = L'/';

bool ends_with_separator(const std::wstring& path) {
    return !path.empty() && (path.back() == L'/' || path.back() == L'\\');
}

// The system temporary folder: $TMPDIR (UTF-8, as the operating system hands it) or /tmp/.
std::wstring system_temp_folder() {
    const char* env = std::getenv("TMPDIR");
    std::wstring path = (env && *env) ? ek::text::from_utf8(env) : std::wstring(L"/tmp/");
    if (!ends_with_separator(path)) path.push_back(native_separator);
    return path;
}

struct TempPathOption {
    bool explicit_set = false;
    std::wstring value;  // the folder set by the host
    // Every system folder handed out so far: an answer stays valid until the next set even
    // when $TMPDIR changes in between (a deque keeps its elements in place as it grows).
    std::deque<std::wstring> defaults;
};

TempPathOption& temp_path_option() {
    static TempPathOption option;
    return option;
}

}  // namespace

using ek::basic::guarded;

extern "C" {

const wchar_t* ek_options_get_temp_wpath(void) {
    return guarded<const wchar_t*>(L"/tmp/", [] {
        TempPathOption& option = temp_path_option();
        if (option.explicit_set) return option.value.c_str();
        std::wstring current = system_temp_folder();
        if (option.defaults.empty() || option.defaults.back() != current) option.defaults.push_back(std::move(current));
        return option.defaults.back().c_str();
    });
}

void ek_options_set_temp_wpath(const wchar_t* path) {
    guarded([&] {
        TempPathOption& option = temp_path_option();
        if (!path || !*path) {
            option.explicit_set = false;
            option.value.clear();
            return;
        }
        // Callers join file names straight onto the folder, so it always ends with a separator.
        std::wstring value(path);
        if (!ends_with_separator(value)) value.push_back(native_separator);
        option.value = std::move(value);
        option.explicit_set = true;
    });
}

}  // extern "C"
