// Process-wide options of the suite: the folder for temporary files.
#include "ekx_basic.h"

#include <deque>
#include <string>

#include "ek_boundary.h"
#include "ek_temp_folder.h"

namespace {

bool ends_with_separator(const std::wstring& path) {
    return !path.empty() && (path.back() == L'/' || path.back() == L'\\');
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
using ek::basic::native_separator;
using ek::basic::system_temp_folder;

extern "C" {

const wchar_t* ek_options_get_temp_wpath(void) {
    // Only running out of memory fails here; the empty text then names no folder.
    return guarded<const wchar_t*>(L"", [] {
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
        if (!ends_with_separator(value)) value.push_back(native_separator());
        option.value = std::move(value);
        option.explicit_set = true;
    });
}

}  // extern "C"
