// Element names: only names that XML accepts and that the document's encoding can write are
// taken, so that every tree can be saved and every saved file parses again.
#pragma once

#include <pugixml.hpp>
#include <string_view>

#include "ek_xml_encoding.h"

namespace ek::xml {

// True when the UTF-8 text is an XML 1.0 Name (letters, digits, '_', ':', '-', '.', and the
// Unicode ranges the standard allows; not empty, not starting with a digit, '-' or '.').
bool valid_name(std::string_view utf8);

// True when the name is valid and the encoding holds each of its characters: a name, unlike
// text, cannot fall back on numeric character references.
bool writable_name(std::string_view utf8, Encoding encoding);

// True when the encoding can write the name of every element and attribute of the tree.
bool tree_writable(const pugi::xml_node& tree, Encoding encoding);

}  // namespace ek::xml
