#include "ek_xml_writer.h"

#include <array>
#include <cstdio>
#include <pugixml.hpp>
#include <string>

namespace ek::xml {
namespace {

// Characters written as they are in text: everything but markup, '\r' (a reader would turn it
// into '\n') and control characters. Attribute values also escape quotes, tabs and newlines,
// which a reader would otherwise normalise to spaces.
struct Plain {
    std::array<bool, 256> text{};
    std::array<bool, 256> attribute{};
    Plain() {
        for (int c = 0; c < 256; ++c) {
            const bool markup = c == '&' || c == '<' || c == '>';
            text[c] = !markup && (c >= 0x20 || c == '\t' || c == '\n');
            attribute[c] = !markup && c >= 0x20 && c != '"';
        }
    }
};
const Plain k_plain;

constexpr size_t k_piece = 64 * 1024;

class Writer {
public:
    Writer(Encoding encoding, const Sink& sink) : encoding_(encoding), sink_(sink) { out_.reserve(k_piece + 4096); }

    // Hands over what has been written once it fills a piece (or always, at the end).
    bool flush(bool all) {
        if (out_.size() < (all ? 1 : k_piece)) return true;
        const bool ok = sink_(out_.data(), out_.size());
        out_.clear();
        return ok;
    }

    bool name(const char* utf8) {
        const std::string_view s(utf8);
        if (encoding_ == Encoding::utf8) {
            out_.append(s);
            return true;
        }
        for (size_t i = 0; i < s.size();) {
            const auto b = static_cast<unsigned char>(s[i]);
            if (b < 0x80) {
                out_.push_back(static_cast<char>(b));
                ++i;
                continue;
            }
            const int byte = encode_byte(encoding_, next_utf8(s, i));
            if (byte < 0) return false;
            out_.push_back(static_cast<char>(byte));
        }
        return true;
    }

    void text(const char* utf8, bool attribute) {
        const auto& plain = attribute ? k_plain.attribute : k_plain.text;
        const std::string_view s(utf8);
        size_t i = 0;
        while (i < s.size()) {
            // Copy the run of characters that need no work in one go.
            size_t run = i;
            while (run < s.size()) {
                const auto b = static_cast<unsigned char>(s[run]);
                if (!plain[b] || (b >= 0x80 && encoding_ != Encoding::utf8)) break;
                ++run;
            }
            out_.append(s.data() + i, run - i);
            i = run;
            if (i >= s.size()) break;
            const auto b = static_cast<unsigned char>(s[i]);
            switch (b) {
                case '&': out_.append("&amp;"); ++i; continue;
                case '<': out_.append("&lt;"); ++i; continue;
                case '>': out_.append("&gt;"); ++i; continue;
                case '"': out_.append("&quot;"); ++i; continue;
                default: break;
            }
            if (b < 0x80) {
                reference(b);
                ++i;
                continue;
            }
            const char32_t c = next_utf8(s, i);
            const int byte = encode_byte(encoding_, c);
            if (byte >= 0) out_.push_back(static_cast<char>(byte));
            else reference(c);
        }
    }

    // ASCII text written entirely as character references.
    void references(const char* ascii) {
        for (const char* p = ascii; *p; ++p) reference(static_cast<unsigned char>(*p));
    }

    void raw(std::string_view s) { out_.append(s); }
    void newline(int depth) {
        out_.push_back('\n');
        out_.append(static_cast<size_t>(depth) * 2, ' ');
    }

private:
    void reference(char32_t c) {
        char buf[16];
        const int n = std::snprintf(buf, sizeof buf, "&#%u;", static_cast<unsigned>(c));
        out_.append(buf, static_cast<size_t>(n));
    }

    Encoding encoding_;
    const Sink& sink_;
    std::string out_;
};

bool is_text(pugi::xml_node n) { return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata; }

bool white_space(const char* s) {
    if (!*s) return false;
    for (; *s; ++s)
        if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r') return false;
    return true;
}

// Opens an element tag with its attributes, without the closing '>'.
bool open_tag(Writer& w, pugi::xml_node n) {
    w.raw("<");
    if (!w.name(n.name())) return false;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
        w.raw(" ");
        if (!w.name(a.name())) return false;
        w.raw("=\"");
        w.text(a.value(), true);
        w.raw("\"");
    }
    return true;
}

}  // namespace

bool write_document(const pugi::xml_document& tree, Encoding encoding, bool indent, const Sink& sink) {
    const pugi::xml_node root = tree.document_element();
    if (!root) return false;
    Writer w(encoding, sink);
    w.raw("<?xml version=\"1.0\" encoding=\"");
    w.raw(encoding_name(encoding));
    w.raw("\"?>\n");

    // Depth-first without recursion, so that deep trees cannot exhaust the stack. Inside an
    // element that mixes text and elements no indentation is added, as it would change the text.
    pugi::xml_node n = root;
    int depth = 0;
    int inline_from = -1;
    for (;;) {
        bool descended = false;
        if (n.type() == pugi::node_element) {
            if (indent && inline_from < 0 && depth > 0) w.newline(depth);
            if (!open_tag(w, n)) return false;
            const pugi::xml_node first = n.first_child();
            bool only_text = true, any_text = false;
            for (pugi::xml_node c = first; c; c = c.next_sibling()) {
                if (is_text(c)) any_text = true;
                else only_text = false;
            }
            if (!first) {
                w.raw("/>");
            } else if (only_text) {
                w.raw(">");
                for (pugi::xml_node c = first; c; c = c.next_sibling()) w.text(c.value(), false);
                w.raw("</");
                w.name(n.name());
                w.raw(">");
            } else {
                w.raw(">");
                if (inline_from < 0 && any_text) inline_from = depth;
                n = first;
                ++depth;
                descended = true;
            }
        } else if (is_text(n)) {
            // Text beside elements: a reader drops a piece made only of white space there, as
            // layout, unless the space is written as references.
            if (white_space(n.value())) w.references(n.value());
            else w.text(n.value(), false);
        }
        if (!w.flush(false)) return false;
        if (descended) continue;
        while (depth > 0 && !n.next_sibling()) {
            n = n.parent();
            --depth;
            if (indent && inline_from < 0) w.newline(depth);
            w.raw("</");
            w.name(n.name());
            w.raw(">");
            if (inline_from == depth) inline_from = -1;
        }
        if (depth == 0) break;
        n = n.next_sibling();
    }
    if (indent) w.raw("\n");
    return w.flush(true);
}

}  // namespace ek::xml
