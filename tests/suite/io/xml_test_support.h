// Helpers of the XML service tests: documents and node handles that close themselves, text
// captured through string adapters, and raw file bytes.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "ekx_io.h"
#include "support/temp_dir.h"

namespace ek::test {

struct DocCloser {
    void operator()(Tek_xml_doc* d) const { ek_xml_destroy(d); }
};
struct NodeCloser {
    void operator()(Tek_xml_node* n) const { ek_xnode_close(n); }
};
using Doc = std::unique_ptr<Tek_xml_doc, DocCloser>;
using Node = std::unique_ptr<Tek_xml_node, NodeCloser>;

inline Doc new_doc() { return Doc(ek_xml_create()); }

// Captures what a string adapter is fed: as wide text, or as narrow text when narrow is asked.
class Captured {
public:
    explicit Captured(bool narrow = false)
        : adapter_(narrow ? ek_string_adp_create(&Captured::on_narrow, nullptr, this)
                          : ek_string_adp_create(nullptr, &Captured::on_wide, this)) {}
    ~Captured() { ek_string_adp_destroy(adapter_); }
    Captured(const Captured&) = delete;
    Captured& operator=(const Captured&) = delete;

    Tek_string_adapter* adapter() { return adapter_; }
    int feeds = 0;
    std::wstring wide;
    std::string narrow;

private:
    static void on_wide(const wchar_t* text, void* self) {
        auto* c = static_cast<Captured*>(self);
        ++c->feeds;
        c->wide = text;
    }
    static void on_narrow(const char* text, void* self) {
        auto* c = static_cast<Captured*>(self);
        ++c->feeds;
        c->narrow = text;
    }
    Tek_string_adapter* adapter_;
};

inline std::wstring wstr_value(Tek_xml_node* node, const wchar_t* key, const wchar_t* def = L"<default>") {
    Captured c;
    ek_xnode_get_node_wstr(node, key, def, c.adapter());
    return c.wide;
}

inline std::string str_value(Tek_xml_node* node, const char* key, const char* def = "<default>") {
    Captured c(true);
    ek_xnode_get_node_str(node, key, def, c.adapter());
    return c.narrow;
}

inline std::wstring node_name(Tek_xml_node* node) {
    Captured c;
    ek_xnode_get_name_adp(node, c.adapter());
    return c.wide;
}

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loads a file written by hand and returns its document.
inline Doc load_text(const TempDir& dir, const std::string& bytes, const char* name = "in.xml") {
    write_bytes(dir.path() / name, bytes);
    Doc doc = new_doc();
    if (!ek_xml_load_from_file_w(doc.get(), dir.file(name).c_str())) return nullptr;
    return doc;
}

inline Node root_of(Tek_xml_doc* doc) { return Node(ek_xml_get_root_w(doc, nullptr)); }

}  // namespace ek::test
