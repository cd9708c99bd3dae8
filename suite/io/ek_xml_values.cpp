#include "ek_xml_values.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ek::xml {
namespace {

constexpr uint64_t k_sign = 0x8000000000000000ull;
constexpr uint64_t k_exponent = 0x7FF0000000000000ull;
constexpr uint64_t k_mantissa = 0x000FFFFFFFFFFFFFull;
constexpr uint64_t k_quiet = 0x0008000000000000ull;

bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool starts_nocase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equal_nocase(s.substr(0, prefix.size()), prefix);
}

// A leading '+' is accepted for numbers; from_chars itself takes only '-'.
std::string_view number_text(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) return {};
    }
    return text;
}

template <class T>
bool parse_integer(std::string_view text, T& value) {
    text = number_text(text);
    if (text.empty()) return false;
    T v{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    value = v;
    return true;
}

// Infinities and NaNs in the forms described in the header; false when text is none of them.
bool parse_special(std::string_view text, double& value) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const uint64_t sign = negative ? k_sign : 0;
    if (equal_nocase(text, "inf") || equal_nocase(text, "infinity") || equal_nocase(text, "1.#inf")) {
        value = std::bit_cast<double>(sign | k_exponent);
        return true;
    }
    if (equal_nocase(text, "nan") || equal_nocase(text, "1.#qnan") || equal_nocase(text, "1.#ind") ||
        equal_nocase(text, "1.#snan")) {
        value = std::bit_cast<double>(sign | k_exponent | k_quiet);
        return true;
    }
    if (starts_nocase(text, "nan(0x") && text.back() == ')') {
        const std::string_view digits = text.substr(6, text.size() - 7);
        if (digits.empty() || digits.size() > 13) return false;
        uint64_t payload = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), payload, 16);
        if (ec != std::errc() || end != digits.data() + digits.size()) return false;
        if (payload == 0 || payload > k_mantissa) return false;
        value = std::bit_cast<double>(sign | k_exponent | payload);
        return true;
    }
    return false;
}

}  // namespace

size_t format_int(long long value, char* buf) {
    return static_cast<size_t>(std::to_chars(buf, buf + 64, value).ptr - buf);
}

size_t format_double(double value, char* buf) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const bool negative = (bits & k_sign) != 0;
    char* p = buf;
    if ((bits & k_exponent) == k_exponent) {
        if (negative) *p++ = '-';
        const uint64_t mantissa = bits & k_mantissa;
        if (mantissa == 0) {
            *p++ = 'I', *p++ = 'N', *p++ = 'F';
        } else {
            *p++ = 'N', *p++ = 'A', *p++ = 'N';
            if (mantissa != k_quiet) {
                *p++ = '(', *p++ = '0', *p++ = 'x';
                p = std::to_chars(p, buf + 60, mantissa, 16).ptr;
                *p++ = ')';
            }
        }
        return static_cast<size_t>(p - buf);
    }
    return static_cast<size_t>(std::to_chars(buf, buf + 64, value).ptr - buf);
}

const char* format_bool(bool value) { return value ? "True" : "False"; }

bool parse_bool(std::string_view text, bool& value) {
    text = trim(text);
    if (equal_nocase(text, "true") || text == "1") {
        value = true;
        return true;
    }
    if (equal_nocase(text, "false") || text == "0") {
        value = false;
        return true;
    }
    return false;
}

bool parse_int32(std::string_view text, int& value) { return parse_integer(text, value); }

bool parse_int64(std::string_view text, long long& value) { return parse_integer(text, value); }

bool parse_double(std::string_view text, double& value) {
    text = trim(text);
    if (text.empty()) return false;
    if (parse_special(text, value)) return true;
    text = number_text(text);
    if (text.empty()) return false;
    // from_chars would also take "inf" and "nan"; those went through parse_special already,
    // so only decimal and exponent forms may pass here.
    const char first = text.front() == '-' && text.size() > 1 ? text[1] : text.front();
    if (!((first >= '0' && first <= '9') || first == '.')) return false;
    double v = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    value = v;
    return true;
}

}  // namespace ek::xml
