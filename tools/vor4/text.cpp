#include "text.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "failure.h"

namespace vor4 {

std::wstring widen(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = extra >= 0;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= s.size()) { ok = false; break; }
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t >> 6) != 2) { ok = false; break; }
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past the Unicode range are not characters.
        static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (ok && extra > 0 && (cp < least[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) ok = false;
        if (!ok) {
            out.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
                i += extra + 1;
                continue;
            }
        }
        out.push_back(static_cast<wchar_t>(cp));
        i += extra + 1;
    }
    return out;
}

std::string narrow(std::wstring_view w) {
    std::string out;
    out.reserve(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        char32_t cp = static_cast<char32_t>(w[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(w[++i]) - 0xDC00);
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

TextSink::TextSink() : adapter_(ek_string_adp_create(nullptr, &TextSink::feed, this)) {}
TextSink::~TextSink() { ek_string_adp_destroy(adapter_); }
void TextSink::feed(const wchar_t* text, void* self) { static_cast<TextSink*>(self)->text_ = text ? text : L""; }

namespace {
template <class T>
std::string shortest(T value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // Plain decimals for the magnitudes of everyday data ("1000000", not "1e+06").
    const T magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= T(1e-4) && magnitude < T(1e15));
    char buf[512];
    const auto r = plain ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed)
                         : std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

template <class T>
std::vector<T> parse_list(const std::string& text, const std::string& option, const std::vector<size_t>& counts) {
    std::vector<T> out;
    size_t from = 0;
    while (true) {
        const size_t comma = text.find(',', from);
        const std::string field = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        T value{};
        const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
        if (field.empty() || r.ec != std::errc() || r.ptr != field.data() + field.size()) {
            throw UsageError(option + ": '" + field + "' is not a number");
        }
        out.push_back(value);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    for (size_t n : counts) {
        if (out.size() == n) return out;
    }
    std::string allowed;
    for (size_t i = 0; i < counts.size(); ++i) allowed += (i ? " or " : "") + std::to_string(counts[i]);
    throw UsageError(option + " takes " + allowed + " comma-separated values, not " + std::to_string(out.size()));
}
}  // namespace

std::string format_number(double value) { return shortest(value); }
std::string format_number(float value) { return shortest(value); }

std::vector<double> parse_numbers(const std::string& text, const std::string& option, std::vector<size_t> counts) {
    return parse_list<double>(text, option, counts);
}
std::vector<long long> parse_counts(const std::string& text, const std::string& option, std::vector<size_t> counts) {
    return parse_list<long long>(text, option, counts);
}

std::string lower_ascii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace vor4
