// The host's narrow encoding and case folding where the system has no ANSI code page: UTF-8, as
// Linux hosts pass text, unless EKX_NARROW_ENCODING=windows-1251 asks for the code page of hosts
// ported from Windows; towlower_l in the C.UTF-8 locale for case folding.
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

bool valid_code_point(wchar_t w) {
    const auto c = static_cast<char32_t>(w);
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
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
    if (!narrow_is_utf8()) return cp1251_from_wide(wide, out);
    bool exact = true;
    for (const wchar_t w : wide) exact = exact && valid_code_point(w);
    if (exact) {
        out = to_utf8(wide);
        return true;
    }
    // Code points UTF-8 cannot carry become '?', as characters missing from a code page do.
    out.clear();
    for (const wchar_t w : wide) out += valid_code_point(w) ? to_utf8(std::wstring_view(&w, 1)) : std::string("?");
    return false;
}

std::string to_narrow(std::wstring_view wide) {
    std::string out;
    to_narrow_exact(wide, out);
    return out;
}

wchar_t to_lower(wchar_t c) {
    const locale_t loc = utf8_locale();
    if (loc == static_cast<locale_t>(nullptr)) return (c >= L'A' && c <= L'Z') ? c + 32 : c;
    return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), loc));
}

}  // namespace ek::text
