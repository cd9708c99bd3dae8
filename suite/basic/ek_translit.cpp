// Transliteration of a text into a name made only of ASCII letters, digits and '_'.
// Cyrillic letters become Latin in a common scheme for Russian, extended to the other
// Cyrillic letters of Windows-1251 (Ukrainian, Belarusian, Serbian, Macedonian); anything
// else that is not allowed becomes '_'.
#include <cwchar>
#include <string>

#include "ek_boundary.h"
#include "ekx_basic.h"

namespace {

// Upper-case letters U+0400..U+042F; the lower-case letters map to the same text in lower
// case. An empty entry drops the letter (the hard and soft signs).
constexpr const char* upper_cyrillic[0x30] = {
    "E",  "E",  "Dj", "Gj", "Ye", "Dz", "I",  "Yi", "J",  "Lj", "Nj", "C",   "Kj", "I", "U",  "Dzh",  // U+0400
    "A",  "B",  "V",  "G",  "D",  "E",  "Zh", "Z",  "I",  "Y",  "K",  "L",   "M",  "N", "O",  "P",    // U+0410
    "R",  "S",  "T",  "U",  "F",  "Kh", "Ts", "Ch", "Sh", "Shch", "", "Y",   "",   "E", "Yu", "Ya",   // U+0420
};

// The Latin text of a Cyrillic letter, or null when c is not one this table knows.
const char* latin_of(wchar_t c, bool& lower) {
    lower = false;
    if (c >= 0x0400 && c <= 0x042F) return upper_cyrillic[c - 0x0400];
    lower = true;
    if (c >= 0x0430 && c <= 0x044F) return upper_cyrillic[c - 0x0430 + 0x10];
    if (c >= 0x0450 && c <= 0x045F) return upper_cyrillic[c - 0x0450];
    lower = false;
    if (c == 0x0490) return "G";  // Ґ
    lower = true;
    if (c == 0x0491) return "G";  // ґ
    return nullptr;
}

bool is_allowed(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

bool is_high_surrogate(wchar_t c) { return sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return sizeof(wchar_t) == 2 && c >= 0xDC00 && c <= 0xDFFF; }

std::wstring transliterate(const wchar_t* text) {
    std::wstring name;
    for (const wchar_t* p = text; *p; ++p) {
        const wchar_t c = *p;
        if (is_allowed(c)) {
            name.push_back(c);
            continue;
        }
        bool lower = false;
        if (const char* latin = latin_of(c, lower)) {
            for (const char* l = latin; *l; ++l) {
                const char ch = *l;
                name.push_back(static_cast<wchar_t>(lower && ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch));
            }
            continue;
        }
        // One character written as a surrogate pair (UTF-16 wchar_t) is still one '_'.
        if (is_high_surrogate(c) && is_low_surrogate(p[1])) ++p;
        name.push_back(L'_');
    }
    return name;
}

}  // namespace

extern "C" {

void ek_translit(const wchar_t* text, Tek_string_adapter* adapter) {
    if (!adapter) return;
    ek::basic::guarded([&] {
        const std::wstring name = transliterate(text ? text : L"");
        ek_string_adp_feed(adapter, name.c_str());
    });
}

}  // extern "C"
