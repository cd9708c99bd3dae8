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

namespace {

// Whether the encoding holds every character of the name; valid or not.
bool encodable(std::string_view utf8, Encoding encoding) {
    if (encoding == Encoding::utf8) return true;
    for (size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++i;
            continue;
        }
        if (encode_byte(encoding, next_utf8(utf8, i)) < 0) return false;
    }
    return true;
}

}  // namespace

bool writable_name(std::string_view utf8, Encoding encoding) {
    return valid_name(utf8) && encodable(utf8, encoding);
}

bool tree_writable(const pugi::xml_node& tree, Encoding encoding) {
    if (encoding == Encoding::utf8) return true;
    // Depth-first without recursion: a loaded tree may be deep.
    pugi::xml_node n = tree.first_child();
    while (n) {
        if (n.type() == pugi::node_element) {
            if (!encodable(n.name(), encoding)) return false;
            for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
                if (!encodable(a.name(), encoding)) return false;
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && !n.next_sibling() && n != tree) n = n.parent();
        if (!n || n == tree) break;
        n = n.next_sibling();
    }
    return true;
}

}  // namespace ek::xml
