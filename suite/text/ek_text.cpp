// The portable part of the codec: Windows-1251 by table, UTF-8 and wide code points. The host's
// narrow encoding, case folding and the case-insensitive order are per platform
// (ek_text_posix.cpp, ek_text_windows.cpp).
#include "ek_text.h"

#include <array>
#include <type_traits>

namespace ek::text {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F. 0x98 is unassigned and
// maps to itself, as the Windows converter does.
constexpr std::array<char16_t, 64> k_high = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t decode(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410 + (b - 0xC0);
    return k_high[b - 0x80];
}

void append_utf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void append_wide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

// Reads one code point from wide text, joining UTF-16 surrogate pairs where wchar_t is 16 bits.
char32_t next_wide(std::wstring_view s, size_t& i) {
    char32_t c = static_cast<char32_t>(s[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0xD800 && c <= 0xDBFF && i < s.size()) {
            char32_t lo = static_cast<char32_t>(s[i]);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                ++i;
                return 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
            }
        }
    }
    return c;
}

}  // namespace

wchar_t cp1251_to_wide(char c) { return static_cast<wchar_t>(decode(static_cast<unsigned char>(c))); }

std::wstring cp1251_to_wide(std::string_view bytes) {
    std::wstring out;
    out.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = cp1251_to_wide(bytes[i]);
    return out;
}

// Reverse of the high half: indexed by code point, 0 where the code page has no byte.
const std::array<unsigned char, 0x2123>& reverse_table() {
    static const auto table = [] {
        std::array<unsigned char, 0x2123> t{};
        for (unsigned b = 0x80; b <= 0xFF; ++b) {
            const char32_t c = decode(static_cast<unsigned char>(b));
            if (c < t.size()) t[c] = static_cast<unsigned char>(b);
        }
        return t;
    }();
    return table;
}

bool cp1251_char(char32_t c, char& out) {
    if (c < 0x80) {
        out = static_cast<char>(c);
        return true;
    }
    const auto& table = reverse_table();
    if (c >= table.size() || table[c] == 0) return false;
    out = static_cast<char>(table[c]);
    return true;
}

bool cp1251_from_wide(std::wstring_view wide, std::string& out) {
    out.assign(wide.size(), '\0');
    size_t n = 0;
    bool exact = true;
    for (size_t i = 0; i < wide.size();) {
        const wchar_t w = wide[i];
        if (static_cast<std::make_unsigned_t<wchar_t>>(w) < 0x80) {  // the common case: ASCII
            out[n++] = static_cast<char>(w);
            ++i;
            continue;
        }
        char c;
        if (!cp1251_char(next_wide(wide, i), c)) {
            c = '?';
            exact = false;
        }
        out[n++] = c;
    }
    out.resize(n);
    return exact;
}

std::string wide_to_cp1251(std::wstring_view wide) {
    std::string out;
    cp1251_from_wide(wide, out);
    return out;
}


bool utf8_from_wide(std::wstring_view wide, std::string& out) {
    // UTF-32 code units past U+10FFFF and surrogates, or UTF-16 surrogates without their other
    // half: no UTF-8 form.
    const auto valid = [&](size_t i) {
        const auto c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(wide[i]));
        if (c >= 0xD800 && c <= 0xDFFF) {
            if constexpr (sizeof(wchar_t) == 2) {
                if (c <= 0xDBFF) return i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
                return i > 0 && wide[i - 1] >= 0xD800 && wide[i - 1] <= 0xDBFF;
            }
            return false;
        }
        return c <= 0x10FFFF;
    };
    bool exact = true;
    for (size_t i = 0; i < wide.size() && exact; ++i) exact = valid(i);
    if (exact) {
        out = to_utf8(wide);
        return true;
    }
    // Code units UTF-8 cannot carry become '?', as characters missing from a code page do.
    out.clear();
    for (size_t i = 0; i < wide.size(); ++i) {
        if (!valid(i)) {
            out += '?';
        } else if (sizeof(wchar_t) == 2 && wide[i] >= 0xD800 && wide[i] <= 0xDBFF) {
            out += to_utf8(wide.substr(i, 2));
            ++i;
        } else {
            out += to_utf8(wide.substr(i, 1));
        }
    }
    return false;
}

std::string to_narrow(std::wstring_view wide) {
    std::string out;
    to_narrow_exact(wide, out);
    return out;
}

std::string to_utf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size();) {
        const wchar_t w = wide[i];
        if (static_cast<std::make_unsigned_t<wchar_t>>(w) < 0x80) {
            out.push_back(static_cast<char>(w));
            ++i;
            continue;
        }
        append_utf8(out, next_wide(wide, i));
    }
    return out;
}

size_t decode_utf8(const unsigned char* s, size_t avail, char32_t& cp) {
    if (avail == 0) return 0;
    const unsigned char b = s[0];
    size_t len;
    char32_t c;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2;
        c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (len > avail) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[k] & 0x3F);
    }
    static constexpr char32_t k_min[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < k_min[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    cp = c;
    return len;
}

std::wstring from_utf8(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
    size_t i = 0;
    while (i < s.size()) {
        if (bytes[i] < 0x80) {  // the common case: ASCII
            out.push_back(static_cast<wchar_t>(bytes[i]));
            ++i;
            continue;
        }
        char32_t c = 0;
        const size_t len = decode_utf8(bytes + i, s.size() - i, c);
        if (len == 0) {
            append_wide(out, 0xFFFD);
            ++i;
            continue;
        }
        append_wide(out, c);
        i += len;
    }
    return out;
}

int compare_nocase(std::string_view a, std::string_view b) {
    return compare_nocase(std::wstring_view(to_wide(a)), std::wstring_view(to_wide(b)));
}

bool equal_nocase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && compare_nocase(a, b) == 0;
}

bool equal_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compare_nocase(a, b) == 0;
}

}  // namespace ek::text
