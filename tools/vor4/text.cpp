#include "text.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "failure.h"

namespace vor4 {

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
