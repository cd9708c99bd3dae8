#include "ek_xml_names.h"

#include "ek_xml_encoding.h"

namespace ek::xml {
namespace {

bool name_start_char(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool name_char(char32_t c) {
    if (name_start_char(c)) return true;
    return c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 || (c >= 0x300 && c <= 0x36F) ||
           (c >= 0x203F && c <= 0x2040);
}

}  // namespace

bool valid_name(std::string_view utf8) {
    if (utf8.empty()) return false;
    size_t i = 0;
    bool first = true;
    while (i < utf8.size()) {
        const size_t at = i;
        const char32_t c = next_utf8(utf8, i);
        if (c == 0xFFFD && !(i - at == 3)) return false;  // an invalid byte, not a real U+FFFD
        if (first ? !name_start_char(c) : !name_char(c)) return false;
        first = false;
    }
    return true;
}

}  // namespace ek::xml
