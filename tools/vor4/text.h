// Text at the tool's edges: arguments and output are UTF-8, the library speaks wchar_t.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ek_text.h"
#include "ekx_basic.h"

namespace vor4 {

// UTF-8 to wide and back through the project's one codec: each invalid byte, unpaired surrogate
// or value past U+10FFFF becomes U+FFFD.
inline std::wstring widen(std::string_view utf8) { return ek::text::from_utf8(utf8); }
inline std::string narrow(std::wstring_view wide) { return ek::text::to_utf8(wide); }

// A string adapter that keeps what the library feeds it. It has only the wide callback, so a
// narrow feed arrives converted by the library itself.
class TextSink {
public:
    TextSink();
    ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;
    Tek_string_adapter* adapter() const { return adapter_; }
    std::string utf8() const { return narrow(text_); }
    const std::wstring& wide() const { return text_; }

private:
    static void feed(const wchar_t* text, void* self);
    std::wstring text_;
    Tek_string_adapter* adapter_;
};

// The text a library getter feeds into an adapter, as UTF-8.
template <class Getter>
std::string fetch_text(Getter&& getter) {
    TextSink sink;
    getter(sink.adapter());
    return sink.utf8();
}

// The shortest text that reads back as the same value; "nan", "inf", "-inf" otherwise.
std::string format_number(double value);
std::string format_number(float value);

// "1,2,3" into numbers; throws UsageError naming the option when a field is not a number or
// the count is not one of the allowed ones.
std::vector<double> parse_numbers(const std::string& text, const std::string& option, std::vector<size_t> counts);
std::vector<long long> parse_counts(const std::string& text, const std::string& option, std::vector<size_t> counts);

// Lower-case ASCII copy, for names compared without regard to case.
std::string lower_ascii(std::string text);

}  // namespace vor4
