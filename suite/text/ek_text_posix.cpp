// The host's narrow encoding and case folding where the system has no ANSI code page: UTF-8, as
// Linux hosts pass text, unless EKX_NARROW_ENCODING=windows-1251 asks for the code page of hosts
// ported from Windows; towlower_l in the C.UTF-8 locale for case folding, and the
// case-insensitive order is that of the lower-cased code units.
#include <locale.h>
#include <stdlib.h>

#include <cwctype>

#include "ek_text.h"

namespace ek::text {
namespace {

bool is_cp1251_name(const char* name) {
    for (const char* known : {"windows-1251", "cp1251"}) {
        const char* a = name;
        const char* b = known;
        while (*a && *b && (*a | 0x20) == *b) ++a, ++b;
        if (!*a && !*b) return true;
    }
    return false;
}

locale_t utf8_locale() {
    static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

bool narrow_is_utf8() {
    // Read once: the encoding must not change under text already converted.
    static const bool utf8 = [] {
        const char* name = ::getenv("EKX_NARROW_ENCODING");
        return !(name && is_cp1251_name(name));
    }();
    return utf8;
}

std::wstring to_wide(std::string_view narrow) { return narrow_is_utf8() ? from_utf8(narrow) : cp1251_to_wide(narrow); }

bool to_narrow_exact(std::wstring_view wide, std::string& out) {
    return narrow_is_utf8() ? utf8_from_wide(wide, out) : cp1251_from_wide(wide, out);
}

wchar_t to_lower(wchar_t c) {
    const locale_t loc = utf8_locale();
    if (loc == static_cast<locale_t>(nullptr)) return (c >= L'A' && c <= L'Z') ? c + 32 : c;
    return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), loc));
}

int compare_nocase(std::wstring_view a, std::wstring_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const auto la = static_cast<uint32_t>(to_lower(a[i]));
        const auto lb = static_cast<uint32_t>(to_lower(b[i]));
        if (la != lb) return la < lb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace ek::text
