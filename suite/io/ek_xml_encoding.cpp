#include "ek_xml_encoding.h"

#include <array>
#include <cstring>
#include <vector>

#include "ek_text.h"

namespace ek::xml {
namespace {

bool ascii_equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// Code point -> Windows-1251 byte over the range the code page reaches (up to U+2122), built
// once from the project's codec so that both directions agree. 0 marks a missing character.
constexpr char32_t k_cp1251_top = 0x2123;

const std::vector<uint8_t>& cp1251_table() {
    static const std::vector<uint8_t> table = [] {
        std::vector<uint8_t> t(k_cp1251_top, 0);
        for (unsigned b = 0x80; b < 0x100; ++b) {
            const auto c = static_cast<char32_t>(ek::text::cp1251_to_wide(static_cast<char>(b)));
            if (c < k_cp1251_top) t[c] = static_cast<uint8_t>(b);
        }
        return t;
    }();
    return table;
}

// UTF-8 of each Windows-1251 byte: length in [0], bytes after.
const std::array<std::array<char, 4>, 256>& cp1251_utf8() {
    static const std::array<std::array<char, 4>, 256> table = [] {
        std::array<std::array<char, 4>, 256> t{};
        for (unsigned b = 0; b < 256; ++b) {
            const wchar_t w = ek::text::cp1251_to_wide(static_cast<char>(b));
            const std::string u = ek::text::to_utf8(std::wstring_view(&w, 1));
            t[b][0] = static_cast<char>(u.size());
            for (size_t k = 0; k < u.size() && k < 3; ++k) t[b][k + 1] = u[k];
        }
        return t;
    }();
    return table;
}

}  // namespace

std::optional<Encoding> encoding_from_name(std::string_view name) {
    static constexpr struct {
        const char* name;
        Encoding encoding;
    } k_names[] = {
        {"utf-8", Encoding::utf8},          {"utf8", Encoding::utf8},
        {"windows-1251", Encoding::windows1251}, {"cp1251", Encoding::windows1251},
        {"cp-1251", Encoding::windows1251}, {"x-cp1251", Encoding::windows1251},
        {"iso-8859-1", Encoding::latin1},   {"iso_8859-1", Encoding::latin1},
        {"iso8859-1", Encoding::latin1},    {"latin1", Encoding::latin1},
        {"latin-1", Encoding::latin1},      {"us-ascii", Encoding::ascii},
        {"ascii", Encoding::ascii},
    };
    for (const auto& n : k_names)
        if (ascii_equal_nocase(name, n.name)) return n.encoding;
    return std::nullopt;
}

std::optional<Encoding> encoding_from_name(std::wstring_view name) {
    std::string ascii;
    for (wchar_t c : name) {
        if (c <= 0 || c >= 0x80) return std::nullopt;
        ascii.push_back(static_cast<char>(c));
    }
    return encoding_from_name(std::string_view(ascii));
}

const char* encoding_name(Encoding encoding) {
    switch (encoding) {
        case Encoding::windows1251: return "Windows-1251";
        case Encoding::latin1: return "ISO-8859-1";
        case Encoding::ascii: return "US-ASCII";
        case Encoding::utf8: break;
    }
    return "UTF-8";
}

int encode_byte(Encoding encoding, char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    switch (encoding) {
        case Encoding::windows1251: {
            if (c >= k_cp1251_top) return -1;
            const uint8_t b = cp1251_table()[c];
            return b ? b : -1;
        }
        case Encoding::latin1: return c < 0x100 ? static_cast<int>(c) : -1;
        case Encoding::ascii:
        case Encoding::utf8: break;
    }
    return -1;
}

namespace {

constexpr uint64_t k_high_bits = 0x8080808080808080ull;

// The end of the run of ASCII bytes other than NUL that starts at i, found eight bytes at a time:
// metadata is mostly ASCII.
size_t ascii_run(const char* s, size_t i, size_t size) {
    while (i + 8 <= size) {
        uint64_t word;
        std::memcpy(&word, s + i, 8);
        const uint64_t zero_byte = (word - 0x0101010101010101ull) & ~word & k_high_bits;
        if ((word & k_high_bits) | zero_byte) break;
        i += 8;
    }
    while (i < size && s[i] != 0 && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

}  // namespace

bool utf8_size(Encoding encoding, const char* src, size_t size, size_t& utf8) {
    const auto& table = cp1251_utf8();
    size_t total = size;
    for (size_t i = ascii_run(src, 0, size); i < size; i = ascii_run(src, i + 1, size)) {
        const auto b = static_cast<unsigned char>(src[i]);
        if (b == 0) return false;
        total += encoding == Encoding::windows1251 ? static_cast<size_t>(table[b][0]) - 1 : 1;
    }
    utf8 = total;
    return true;
}

size_t decode_to_utf8(Encoding encoding, const char* src, size_t size, char* dst) {
    const auto& table = cp1251_utf8();
    char* out = dst;
    size_t i = 0;
    while (i < size) {
        const size_t run = ascii_run(src, i, size);
        std::memmove(out, src + i, run - i);  // may overlap when converting in place
        out += run - i;
        i = run;
        if (i >= size) break;
        const auto b = static_cast<unsigned char>(src[i++]);
        if (encoding == Encoding::windows1251) {
            const auto& seq = table[b];
            for (int k = 1; k <= seq[0]; ++k) *out++ = seq[k];
        } else {
            *out++ = static_cast<char>(0xC0 | (b >> 6));
            *out++ = static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return static_cast<size_t>(out - dst);
}


char32_t next_utf8(std::string_view s, size_t& i) {
    char32_t c = 0;
    const size_t len =
        ek::text::decode_utf8(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i, c);
    if (len == 0) {
        ++i;
        return 0xFFFD;
    }
    i += len;
    return c;
}

bool valid_utf8(const char* data, size_t size) {
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    for (size_t i = ascii_run(data, 0, size); i < size; i = ascii_run(data, i, size)) {
        if (s[i] == 0) return false;
        char32_t c;
        const size_t len = ek::text::decode_utf8(s + i, size - i, c);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

}  // namespace ek::xml
