// What the opaque handles of the XML service hold.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <pugixml.hpp>
#include <vector>

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
    Tek_xml_node(pugi::xml_node n, const Tek_xml_doc* d) : node(n), doc(d) {}
    pugi::xml_node node;
    // The document of the tree: names added under the node must fit its encoding. Only read
    // while the tree, and so the document, lives.
    const Tek_xml_doc* doc;
    // The child element last returned by index, so that a walk over the children by rising index
    // takes one step per call. Children are only ever appended, so the cached position stays right.
    pugi::xml_node last_child;
    int last_index = -1;
    // The text of a value read last, when it had to be joined from pieces.
    std::string joined;

    // The first child element of that name, or an empty node. A metadata reader asks one node
    // for twenty or more values; an index of the children with their name hashes turns each
    // lookup from a row of string comparisons into a row of integer comparisons.
    pugi::xml_node child_named(const char* name);

private:
    struct Entry {
        uint32_t hash;
        pugi::xml_node child;
    };
    static uint32_t hash_of(const char* name) {
        uint32_t h = 2166136261u;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) h = (h ^ *p) * 16777619u;
        return h;
    }
    std::vector<Entry> index_;
    pugi::xml_node indexed_last_;  // the last child when the index was brought up to date
};

// Children are only ever appended, so an index whose last child is still the node's last child
// is complete; otherwise the children after it are added.
inline pugi::xml_node Tek_xml_node::child_named(const char* name) {
    constexpr size_t k_small = 8;  // below this a plain walk is as fast
    pugi::xml_node last = node.last_child();
    if (index_.empty() && !indexed_last_) {
        size_t n = 0;
        for (pugi::xml_node c = node.first_child(); c && n <= k_small; c = c.next_sibling()) ++n;
        if (n <= k_small) return node.child(name);
    }
    if (last != indexed_last_) {
        pugi::xml_node c = indexed_last_ ? indexed_last_.next_sibling() : node.first_child();
        for (; c; c = c.next_sibling())
            if (c.type() == pugi::node_element) index_.push_back({hash_of(c.name()), c});
        indexed_last_ = last;
    }
    const uint32_t h = hash_of(name);
    for (const Entry& e : index_)
        if (e.hash == h && std::strcmp(e.child.name(), name) == 0) return e.child;
    return pugi::xml_node();
}

namespace ek::xml {

// A new handle for n of the document doc, or null when n is empty (or memory runs out).
inline Tek_xml_node* make_handle(pugi::xml_node n, const Tek_xml_doc* doc) {
    if (!n) return nullptr;
    return new (std::nothrow) Tek_xml_node(n, doc);
}

}  // namespace ek::xml
