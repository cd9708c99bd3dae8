// The host's narrow encoding and case on Windows: narrow text is in the ANSI code page (CP_ACP),
// converted by the system; case folding is CharLowerBuffW and the case-insensitive order is
// lstrcmpiW's, so that names compare as every other Windows program of the host compares them.
#include <windows.h>

#include <climits>

#include "ek_text.h"

namespace ek::text {
namespace {

// The system converters take int lengths; longer text goes through in pieces of this many units.
constexpr size_t k_piece = size_t(1) << 28;

UINT code_page() {
    static const UINT cp = GetACP();
    return cp;
}

bool is_utf8_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The end of the next piece of narrow text that starts at `from`: never inside a character.
size_t narrow_piece_end(std::string_view s, size_t from) {
    if (s.size() - from <= k_piece) return s.size();
    size_t end = from + k_piece;
    if (code_page() == CP_UTF8) {
        while (end > from + 1 && is_utf8_continuation(s[end])) --end;
        return end;
    }
    // A double-byte code page: walk the characters of the piece.
    size_t i = from;
    while (i < end) i += IsDBCSLeadByteEx(code_page(), static_cast<BYTE>(s[i])) ? 2 : 1;
    return i > s.size() ? s.size() : i;
}

// The end of the next piece of wide text: never between the halves of a surrogate pair.
size_t wide_piece_end(std::wstring_view s, size_t from) {
    if (s.size() - from <= k_piece) return s.size();
    size_t end = from + k_piece;
    if (s[end - 1] >= 0xD800 && s[end - 1] <= 0xDBFF) --end;
    return end;
}

}  // namespace

bool narrow_is_utf8() { return code_page() == CP_UTF8; }

std::wstring to_wide(std::string_view narrow) {
    std::wstring out;
    for (size_t from = 0; from < narrow.size();) {
        const size_t end = narrow_piece_end(narrow, from);
        const int n = static_cast<int>(end - from);
        // No MB_ERR_INVALID_CHARS: a byte without a character becomes what the system maps it to
        // (U+FFFD in UTF-8, the byte's own value for the holes of a single-byte code page).
        const int size = MultiByteToWideChar(CP_ACP, 0, narrow.data() + from, n, nullptr, 0);
        if (size <= 0) return out;
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(size));
        MultiByteToWideChar(CP_ACP, 0, narrow.data() + from, n, out.data() + at, size);
        from = end;
    }
    return out;
}

bool to_narrow_exact(std::wstring_view wide, std::string& out) {
    // UTF-8 has a form for every character; only broken surrogates lack one, and the codec marks
    // them as a code page marks what it lacks.
    if (narrow_is_utf8()) return utf8_from_wide(wide, out);
    // No ANSI code page holds a character beyond 16 bits, and the system would write one '?' for
    // each half of its surrogate pair: one lone unit stands for the whole pair, so that it gives
    // one '?', as any other character the code page lacks.
    std::wstring whole;
    for (size_t i = 0; i < wide.size(); ++i) {
        const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                          wide[i + 1] <= 0xDFFF;
        if (pair && whole.empty()) whole.assign(wide.substr(0, i));
        if (pair || !whole.empty()) whole.push_back(wide[i]);
        i += pair;
    }
    if (!whole.empty()) wide = whole;
    out.clear();
    bool exact = true;
    // Without WC_NO_BEST_FIT_CHARS the system would write a look-alike (a for ä) where the code
    // page lacks a character; the library writes '?' and says so. A few code pages refuse the flag.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    for (size_t from = 0; from < wide.size();) {
        const size_t end = wide_piece_end(wide, from);
        const int n = static_cast<int>(end - from);
        BOOL defaulted = FALSE;
        int size = WideCharToMultiByte(CP_ACP, flags, wide.data() + from, n, nullptr, 0, "?", &defaulted);
        if (size <= 0 && flags != 0 && GetLastError() == ERROR_INVALID_FLAGS) {
            flags = 0;
            continue;
        }
        if (size <= 0) return false;
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(size));
        WideCharToMultiByte(CP_ACP, flags, wide.data() + from, n, out.data() + at, size, "?", &defaulted);
        exact = exact && !defaulted;
        from = end;
    }
    return exact;
}

wchar_t to_lower(wchar_t c) {
    wchar_t buffer[1] = {c};
    CharLowerBuffW(buffer, 1);
    return buffer[0];
}

int compare_nocase(std::wstring_view a, std::wstring_view b) {
    // lstrcmpiW is CompareStringW with NORM_IGNORECASE in the user's locale; called with lengths,
    // so that text holding a NUL compares whole.
    if (a.size() > INT_MAX || b.size() > INT_MAX) return a.size() < b.size() ? -1 : 1;
    const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                 b.data(), static_cast<int>(b.size()));
    if (r == 0) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);  // the system refused: ordinal order
    return r - CSTR_EQUAL;
}

}  // namespace ek::text
