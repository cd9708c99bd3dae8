// Serialises a tree into the bytes of a file in a chosen encoding.
#pragma once

#include <string>

#include "ek_xml_encoding.h"

namespace pugi {
class xml_document;
}

namespace ek::xml {

// Writes the declaration and the document element. Characters the encoding lacks become numeric
// character references in text and attribute values. Returns false, leaving out unspecified,
// when there is no document element or an element or attribute name holds a character the
// encoding lacks (a name cannot carry a character reference). With indent, each element
// starts on its own line, two spaces deeper than its parent; elements holding text keep their
// content as it is.
bool write_document(const pugi::xml_document& tree, Encoding encoding, bool indent, std::string& out);

}  // namespace ek::xml
