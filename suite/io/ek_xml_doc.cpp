// Exported document functions of the XML service.
#include <string>

#include "ek_text.h"
#include "ek_xml_file.h"
#include "ek_xml_handles.h"
#include "ek_xml_keys.h"
#include "ek_xml_names.h"
#include "ek_xml_reader.h"
#include "ek_xml_writer.h"

using ek::xml::Utf8Key;

extern "C" {

Tek_xml_doc* ek_xml_create(void) {
    try {
        return new Tek_xml_doc();
    } catch (...) {
        return nullptr;
    }
}

void ek_xml_destroy(Tek_xml_doc* doc) { delete doc; }

// An encoding this library cannot write, or one that lacks a character of a name in the tree
// (names have no numeric references to fall back on), leaves the setting as it was.
void ek_xml_set_encoding_w(Tek_xml_doc* doc, const wchar_t* encoding) {
    if (!doc || !encoding) return;
    try {
        const auto e = ek::xml::encoding_from_name(std::wstring_view(encoding));
        if (e && ek::xml::tree_writable(*doc->tree, *e)) doc->encoding = *e;
    } catch (...) {
    }
}

void ek_xml_set_whitespaces(Tek_xml_doc* doc, bool indent) {
    if (doc) doc->indent = indent;
}

bool ek_xml_load_from_file_w(Tek_xml_doc* doc, const wchar_t* path) {
    if (!doc || !path || !*path) return false;
    try {
        ek::xml::FileText text;
        if (!ek::xml::read_file(path, text)) return false;
        auto tree = std::make_unique<pugi::xml_document>();
        std::unique_ptr<char[]> source;
        if (!ek::xml::parse_document(std::move(text), *tree, source)) return false;
        // The new tree replaces the old one only now that it is complete. The tree goes first:
        // the old one may point into the old source text.
        doc->tree = std::move(tree);
        doc->source = std::move(source);
        // A file may hold names its reader's encoding lacks; UTF-8 writes them all, so the
        // document can always be saved again.
        if (!ek::xml::tree_writable(*doc->tree, doc->encoding)) doc->encoding = ek::xml::Encoding::utf8;
        return true;
    } catch (...) {
        return false;
    }
}

bool ek_xml_save_to_file_w(Tek_xml_doc* doc, const wchar_t* path) {
    if (!doc || !path || !*path) return false;
    try {
        // Nothing is written for a document that has no tree.
        if (!doc->tree->document_element()) return false;
        const auto file = ek::xml::begin_replacement(path);
        if (!file) return false;
        const auto sink = [&file](const char* data, size_t size) { return file->write(data, size); };
        return ek::xml::write_document(*doc->tree, doc->encoding, doc->indent, sink) && file->commit();
    } catch (...) {
        return false;
    }
}

Tek_xml_node* ek_xml_get_root_w(Tek_xml_doc* doc, const wchar_t* name) {
    if (!doc) return nullptr;
    try {
        const pugi::xml_node root = doc->tree->document_element();
        if (!root) return nullptr;
        if (name && !ek::text::equal_nocase(ek::xml::wide_from_utf8(root.name()), std::wstring_view(name)))
            return nullptr;
        return ek::xml::make_handle(root, doc);
    } catch (...) {
        return nullptr;
    }
}

Tek_xml_node* ek_xml_set_root_w(Tek_xml_doc* doc, const wchar_t* name) {
    if (!doc || !name) return nullptr;
    try {
        const Utf8Key key(name);
        if (!ek::xml::writable_name(key.c_str(), doc->encoding)) return nullptr;
        auto tree = std::make_unique<pugi::xml_document>();
        const pugi::xml_node root = tree->append_child(key.c_str());
        if (!root) return nullptr;
        Tek_xml_node* handle = ek::xml::make_handle(root, doc);
        if (!handle) return nullptr;
        doc->tree = std::move(tree);
        doc->source.reset();
        return handle;
    } catch (...) {
        return nullptr;
    }
}

}  // extern "C"
