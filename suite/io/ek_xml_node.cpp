// Exported node functions of the XML service: children and values by key.
//
// A value is a child element whose text is the value; a read also takes an attribute of the
// key's name when no such element exists. An element that is present but empty holds the empty
// text, which the number and boolean reads do not accept (their default applies).
#include <string>

#include "ek_text.h"
#include "ek_xml_encoding.h"
#include "ek_xml_handles.h"
#include "ek_xml_keys.h"
#include "ek_xml_names.h"
#include "ek_xml_values.h"

using ek::xml::Utf8Key;

namespace {

bool is_text(pugi::xml_node n) { return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata; }

// The element's text: all of its own text, which a comment, an instruction, a CDATA section or
// a child element splits into pieces that a saved file joins again. Usually one piece, used in
// place; several are joined in the handle's scratch text.
const char* element_text(Tek_xml_node* node, pugi::xml_node element) {
    pugi::xml_node first = element.first_child();
    while (first && !is_text(first)) first = first.next_sibling();
    if (!first) return "";
    pugi::xml_node more = first.next_sibling();
    while (more && !is_text(more)) more = more.next_sibling();
    if (!more) return first.value();
    node->joined.assign(first.value());
    for (pugi::xml_node n = more; n; n = n.next_sibling())
        if (is_text(n)) node->joined.append(n.value());
    return node->joined.c_str();
}

// The text of the value named key under the node, or null when it holds no such value.
const char* value_text(Tek_xml_node* node, const char* key) {
    if (const pugi::xml_node child = node->child_named(key)) return element_text(node, child);
    if (const pugi::xml_attribute a = node->node.attribute(key)) return a.value();
    return nullptr;
}

template <class Key>
const char* find_value(Tek_xml_node* node, const Key* key) {
    if (!node || !key) return nullptr;
    const Utf8Key k(key);
    return value_text(node, k.c_str());
}

// Whether the name may be added under the node: a valid name that the document can save.
bool name_ok(const Tek_xml_node* node, const char* name_utf8) {
    return ek::xml::writable_name(name_utf8, node->doc->encoding);
}

// Appends <key>text</key> under the node; false when the key is not an element name that the
// document can save.
bool add_value(Tek_xml_node* node, const char* key_utf8, const char* text_utf8) {
    if (!name_ok(node, key_utf8)) return false;
    pugi::xml_node child = node->node.append_child(key_utf8);
    if (!child) return false;
    if (*text_utf8 && !child.append_child(pugi::node_pcdata).set_value(text_utf8)) {
        node->node.remove_child(child);
        return false;
    }
    return true;
}

template <class Key>
bool add_formatted(Tek_xml_node* node, const Key* key, const char* text) {
    if (!node || !key) return false;
    try {
        const Utf8Key k(key);
        return add_value(node, k.c_str(), text);
    } catch (...) {
        return false;
    }
}

void feed_wide_utf8(Tek_string_adapter* adapter, const char* utf8) {
    const std::wstring wide = ek::xml::wide_from_utf8(utf8);
    ek_string_adp_feed(adapter, wide.c_str());
}

// Feeds a value's text without loss and with the least conversion: ASCII as it is (the same in
// either form), text that the narrow encoding holds entirely as narrow text when a narrow reader
// is expected (the adapter turns it back to the same wide text if its reader is wide),
// everything else as wide text.
void feed_utf8(Tek_string_adapter* adapter, const char* utf8, bool narrow_reader) {
    const char* p = utf8;
    while (*p && static_cast<unsigned char>(*p) < 0x80) ++p;
    if (!*p || (narrow_reader && ek::text::narrow_is_utf8())) {
        ek_string_adp_feed_c(adapter, utf8);
        return;
    }
    if (narrow_reader) {
        std::string narrow;
        if (ek::text::to_narrow_exact(ek::xml::wide_from_utf8(utf8), narrow)) {
            ek_string_adp_feed_c(adapter, narrow.c_str());
            return;
        }
    }
    feed_wide_utf8(adapter, utf8);
}

// A typed value by key: the default when the key is missing or its text is not of the type.
template <class T, class Parse>
T read_number(Tek_xml_node* node, const wchar_t* key, T def, Parse parse) {
    try {
        T v;
        const char* text = find_value(node, key);
        return text && parse(text, v) ? v : def;
    } catch (...) {
        return def;
    }
}

}  // namespace

extern "C" {

void ek_xnode_close(Tek_xml_node* node) { delete node; }

void ek_xnode_get_name_adp(Tek_xml_node* node, Tek_string_adapter* adapter) {
    if (!node || !adapter) return;
    try {
        feed_wide_utf8(adapter, node->node.name());
    } catch (...) {
    }
}

Tek_xml_node* ek_xnode_get_node_w(Tek_xml_node* node, const wchar_t* name) {
    if (!node || !name) return nullptr;
    try {
        const Utf8Key k(name);
        return ek::xml::make_handle(node->child_named(k.c_str()), node->doc);
    } catch (...) {
        return nullptr;
    }
}

Tek_xml_node* ek_xnode_get_node_by_no(Tek_xml_node* node, int index) {
    if (!node || index < 0) return nullptr;
    try {
        pugi::xml_node child;
        int at = 0;
        if (node->last_child && node->last_index <= index) {
            child = node->last_child;
            at = node->last_index;
        } else {
            child = node->node.first_child();
            while (child && child.type() != pugi::node_element) child = child.next_sibling();
        }
        while (child && at < index) {
            child = child.next_sibling();
            while (child && child.type() != pugi::node_element) child = child.next_sibling();
            ++at;
        }
        if (!child) return nullptr;
        node->last_child = child;
        node->last_index = index;
        return ek::xml::make_handle(child, node->doc);
    } catch (...) {
        return nullptr;
    }
}

Tek_xml_node* ek_xnode_set_node_w(Tek_xml_node* node, const wchar_t* name) {
    if (!node || !name) return nullptr;
    try {
        const Utf8Key k(name);
        if (!name_ok(node, k.c_str())) return nullptr;
        return ek::xml::make_handle(node->node.append_child(k.c_str()), node->doc);
    } catch (...) {
        return nullptr;
    }
}

bool ek_xnode_get_node_bool(Tek_xml_node* node, const wchar_t* key, bool def) {
    return read_number(node, key, def, &ek::xml::parse_bool);
}

int ek_xnode_get_node_int(Tek_xml_node* node, const wchar_t* key, int def) {
    return read_number(node, key, def, &ek::xml::parse_int32);
}

long long ek_xnode_get_node_int64(Tek_xml_node* node, const wchar_t* key, long long def) {
    return read_number(node, key, def, &ek::xml::parse_int64);
}

double ek_xnode_get_node_dbl(Tek_xml_node* node, const wchar_t* key, double def) {
    return read_number(node, key, def, &ek::xml::parse_double);
}

// The value goes to the adapter as wide text so that a wide receiver loses nothing; the default
// goes in the form it came in.
void ek_xnode_get_node_str(Tek_xml_node* node, const char* key, const char* def, Tek_string_adapter* adapter) {
    if (!adapter) return;
    try {
        if (const char* text = find_value(node, key)) feed_utf8(adapter, text, true);
        else ek_string_adp_feed_c(adapter, def ? def : "");
    } catch (...) {
    }
}

void ek_xnode_get_node_wstr(Tek_xml_node* node, const wchar_t* key, const wchar_t* def,
                            Tek_string_adapter* adapter) {
    if (!adapter) return;
    try {
        if (const char* text = find_value(node, key)) feed_utf8(adapter, text, false);
        else ek_string_adp_feed(adapter, def ? def : L"");
    } catch (...) {
    }
}

bool ek_xnode_add_node_wstr(Tek_xml_node* node, const wchar_t* key, const wchar_t* text) {
    if (!node || !key || !text) return false;
    try {
        const Utf8Key k(key);
        const Utf8Key t(text);
        return add_value(node, k.c_str(), t.c_str());
    } catch (...) {
        return false;
    }
}

bool ek_xnode_add_node_str(Tek_xml_node* node, const char* key, const char* text) {
    if (!node || !key || !text) return false;
    try {
        const Utf8Key k(key);
        const Utf8Key t(text);
        return add_value(node, k.c_str(), t.c_str());
    } catch (...) {
        return false;
    }
}

bool ek_xnode_add_node_int(Tek_xml_node* node, const wchar_t* key, int value) {
    char buf[64];
    buf[ek::xml::format_int(value, buf)] = '\0';
    return add_formatted(node, key, buf);
}

bool ek_xnode_add_node_int64(Tek_xml_node* node, const wchar_t* key, long long value) {
    char buf[64];
    buf[ek::xml::format_int(value, buf)] = '\0';
    return add_formatted(node, key, buf);
}

bool ek_xnode_add_node_dbl(Tek_xml_node* node, const wchar_t* key, double value) {
    char buf[64];
    buf[ek::xml::format_double(value, buf)] = '\0';
    return add_formatted(node, key, buf);
}

bool ek_xnode_add_node_bool(Tek_xml_node* node, const wchar_t* key, bool value) {
    return add_formatted(node, key, ek::xml::format_bool(value));
}

}  // extern "C"
