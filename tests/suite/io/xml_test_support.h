// Helpers of the XML service tests: documents and node handles that close themselves, and text
// captured through string adapters.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ekx_io.h"
#include "support/suite_files.h"
#include "support/temp_dir.h"

namespace ek::test {

struct DocCloser { void operator()(Tek_xml_doc* d) const { ek_xml_destroy(d); } };
struct NodeCloser { void operator()(Tek_xml_node* n) const { ek_xnode_close(n); } };
using Doc = std::unique_ptr<Tek_xml_doc, DocCloser>;
using Node = std::unique_ptr<Tek_xml_node, NodeCloser>;

inline Doc new_doc() { return Doc(ek_xml_create()); }
inline Node root_of(Tek_xml_doc* doc) { return Node(ek_xml_get_root_w(doc, nullptr)); }

// What a string adapter is fed: wide text, or narrow text when a narrow reader is asked for.
struct Captured {
    explicit Captured(bool narrow_reader = false)
        : adapter(narrow_reader ? ek_string_adp_create(&on_narrow, nullptr, this) : ek_string_adp_create(nullptr, &on_wide, this)) {}
    ~Captured() { ek_string_adp_destroy(adapter); }
    static void on_wide(const wchar_t* text, void* c) { ++static_cast<Captured*>(c)->feeds, static_cast<Captured*>(c)->wide = text; }
    static void on_narrow(const char* text, void* c) { ++static_cast<Captured*>(c)->feeds, static_cast<Captured*>(c)->narrow = text; }
    Tek_string_adapter* adapter;
    int feeds = 0;
    std::wstring wide;
    std::string narrow;
};

inline std::wstring wstr_value(Tek_xml_node* node, const wchar_t* key, const wchar_t* def = L"<default>") {
    Captured c;
    ek_xnode_get_node_wstr(node, key, def, c.adapter);
    return c.wide;
}
inline std::string str_value(Tek_xml_node* node, const char* key, const char* def = "<default>") {
    Captured c(true);
    ek_xnode_get_node_str(node, key, def, c.adapter);
    return c.narrow;
}
inline std::wstring node_name(Tek_xml_node* node) {
    Captured c;
    ek_xnode_get_name_adp(node, c.adapter);
    return c.wide;
}

// A document loaded from a file, or from bytes written by hand; null when the load is refused.
inline Doc load_file(const std::wstring& path) {
    Doc doc = new_doc();
    return ek_xml_load_from_file_w(doc.get(), path.c_str()) ? std::move(doc) : nullptr;
}
inline Doc load_text(const TempDir& dir, const std::string& bytes) {
    write_text(dir.path() / "in.xml", bytes);
    return load_file(dir.file("in.xml"));
}

}  // namespace ek::test
