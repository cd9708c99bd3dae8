#include "ek_xml_reader.h"

#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "ek_text.h"
#include "ek_xml_encoding.h"

namespace ek::xml {
namespace {

enum class Form { eight_bit, wide };

bool starts(const unsigned char* s, size_t size, std::initializer_list<unsigned char> prefix) {
    if (size < prefix.size()) return false;
    size_t i = 0;
    for (unsigned char b : prefix)
        if (s[i++] != b) return false;
    return true;
}

// UTF-16 and UTF-32 are recognised by their byte-order mark or by the shape of "<" or "<?" in
// them; everything else is an 8-bit encoding whose name the declaration gives.
Form detect_form(const char* data, size_t size) {
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    if (starts(s, size, {0xEF, 0xBB, 0xBF})) return Form::eight_bit;
    if (starts(s, size, {0xFE, 0xFF}) || starts(s, size, {0xFF, 0xFE}) ||
        starts(s, size, {0x00, 0x00, 0xFE, 0xFF}))
        return Form::wide;
    if (starts(s, size, {0x00, 0x00, 0x00, 0x3C}) || starts(s, size, {0x3C, 0x00, 0x00, 0x00}) ||
        starts(s, size, {0x00, 0x3C, 0x00, 0x3F}) || starts(s, size, {0x3C, 0x00, 0x3F, 0x00}))
        return Form::wide;
    return Form::eight_bit;
}

bool xml_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The encoding named in the XML declaration at the start of an 8-bit file: UTF-8 when there is
// no declaration or it names none; nothing when the name is unknown or the declaration is cut
// short.
std::optional<Encoding> declared_encoding(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") return Encoding::utf8;  // the mark outranks the name
    if (text.size() < 6 || text.substr(0, 5) != "<?xml" || !xml_space(text[5])) return Encoding::utf8;
    const size_t end = text.find("?>");
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view decl = text.substr(5, end - 5);
    size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return Encoding::utf8;
    at += 8;
    while (at < decl.size() && xml_space(decl[at])) ++at;
    if (at >= decl.size() || decl[at] != '=') return std::nullopt;
    ++at;
    while (at < decl.size() && xml_space(decl[at])) ++at;
    if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\'')) return std::nullopt;
    const char quote = decl[at++];
    const size_t close = decl.find(quote, at);
    if (close == std::string_view::npos) return std::nullopt;
    return encoding_from_name(decl.substr(at, close - at));
}

// The tree holds one document element and nothing else at the top level.
bool one_document_element(const pugi::xml_document& tree) {
    int elements = 0;
    for (pugi::xml_node n = tree.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) return false;
        ++elements;
    }
    return elements == 1;
}

// One U+FFFD for each ill-formed sequence: its lead byte and the continuation bytes after it.
std::string repaired_utf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t c;
        const size_t len = ek::text::decode_utf8(reinterpret_cast<const unsigned char*>(s.data() + i), s.size() - i, c);
        if (len > 0) {
            out.append(s.substr(i, len));
            i += len;
            continue;
        }
        out.append("\xEF\xBF\xBD");
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    }
    return out;
}

template <class Item, class Get, class Set>
void repair(Item item, Get get, Set set) {
    const char* text = (item.*get)();
    const size_t size = std::strlen(text);
    if (!valid_utf8(text, size)) (item.*set)(repaired_utf8(std::string_view(text, size)).c_str());
}

// The parser turns a character reference to a surrogate or to a number past U+10FFFF, and such
// a value in a UTF-32 file, into bytes that are not UTF-8; saved as they are they would make a
// file that no longer loads. Each becomes U+FFFD, as undecodable text does everywhere else.
void repair_text(pugi::xml_node root) {
    using N = pugi::xml_node;
    using A = pugi::xml_attribute;
    for (pugi::xml_node n = root; n;) {
        repair(n, &N::name, static_cast<bool (N::*)(const char*)>(&N::set_name));
        repair(n, &N::value, static_cast<bool (N::*)(const char*)>(&N::set_value));
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            repair(a, &A::name, static_cast<bool (A::*)(const char*)>(&A::set_name));
            repair(a, &A::value, static_cast<bool (A::*)(const char*)>(&A::set_value));
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling()) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }
}

}  // namespace

bool parse_document(FileText text, pugi::xml_document& tree, std::unique_ptr<char[]>& source) {
    if (!text.data || text.size == 0) return false;
    char* start = text.data.get() + text.front;
    size_t size = text.size;
    pugi::xml_encoding parse_as = pugi::encoding_utf8;
    const bool wide = detect_form(start, size) == Form::wide;
    // Only references and 32-bit text can yield what is not UTF-8 (see repair_text).
    const bool references = wide || std::string_view(start, size).find("&#") != std::string_view::npos;
    if (wide) {
        parse_as = pugi::encoding_auto;  // the parser converts UTF-16 and UTF-32 itself
    } else {
        const std::optional<Encoding> encoding = declared_encoding(std::string_view(start, size));
        if (!encoding) return false;
        size_t utf8 = size;
        if (*encoding == Encoding::utf8 || *encoding == Encoding::ascii) {
            if (!valid_utf8(start, size)) return false;
        } else if (!utf8_size(*encoding, start, size, utf8)) {
            return false;
        } else if (utf8 - size <= text.front) {
            // Converted forwards into the room in front: the growth never exceeds that room, so
            // the output never overtakes the bytes still to be read.
            size = decode_to_utf8(*encoding, start, size, text.data.get());
            start = text.data.get();
        } else {
            std::unique_ptr<char[]> converted(new char[utf8]);
            size = decode_to_utf8(*encoding, start, size, converted.get());
            text.data = std::move(converted);
            start = text.data.get();
        }
    }
    // Whitespace-only text is kept when it is an element's only content, so that a value made of
    // spaces survives. As a fragment the parser reports text beside the document element instead
    // of dropping it; the document type is kept only to be refused.
    const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_doctype |
                             pugi::parse_fragment;
    const pugi::xml_parse_result result = tree.load_buffer_inplace(start, size, options, parse_as);
    if (!result || !one_document_element(tree)) {
        tree.reset();
        return false;
    }
    if (references) repair_text(tree.document_element());
    source = std::move(text.data);
    return true;
}

}  // namespace ek::xml
