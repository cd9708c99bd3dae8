// Exported check and repair of property names: a name is acceptable when it is made only of
// ASCII letters, digits and the underscore, the characters every host accepts in a column name.
#include "api/ek_vor4_boundary.h"
#include "ekx_file_vor4.h"

namespace {

bool allowed(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

}  // namespace

extern "C" {

bool ek_vor4_prop_name_ok(const wchar_t* name) {
    if (!name) return true;  // the empty name
    for (const wchar_t* c = name; *c; ++c) {
        if (!allowed(*c)) return false;
    }
    return true;
}

void ek_vor4_prop_name_fix(const wchar_t* name, Tek_string_adapter* adapter) {
    if (ek_vor4_prop_name_ok(name)) {
        ek_string_adp_feed(adapter, name ? name : L"");
    } else {
        // The repaired name is the basic service's; it is not checked again.
        ek_translit(name, adapter);
    }
}

}  // extern "C"
