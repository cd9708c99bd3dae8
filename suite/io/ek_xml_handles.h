// What the opaque handles of the XML service hold.
#pragma once

#include <memory>
#include <pugixml.hpp>

#include "ek_xml_encoding.h"
#include "ekx_io.h"

struct Tek_xml_doc {
    std::unique_ptr<pugi::xml_document> tree = std::make_unique<pugi::xml_document>();
    // The file text the tree was parsed from in place; it lives exactly as long as the tree.
    std::unique_ptr<char[]> source;
    ek::xml::Encoding encoding = ek::xml::Encoding::utf8;
    bool indent = false;
};

// A node handle is a position in a tree and nothing else: it owns nothing of the document and
// the document keeps no list of its handles, so closing one only frees this record and is safe
// at any time, also after the document is gone.
struct Tek_xml_node {
    explicit Tek_xml_node(pugi::xml_node n) : node(n) {}
    pugi::xml_node node;
    // The child element last returned by index, so that a walk over the children by rising index
    // takes one step per call. Children are only ever appended, so the cached position stays right.
    pugi::xml_node last_child;
    int last_index = -1;
};

namespace ek::xml {

// A new handle for n, or null when n is empty (or memory runs out).
inline Tek_xml_node* make_handle(pugi::xml_node n) {
    if (!n) return nullptr;
    return new (std::nothrow) Tek_xml_node(n);
}

}  // namespace ek::xml
