// Serialises a tree into the bytes of a file in a chosen encoding.
#pragma once

#include <cstddef>
#include <functional>

#include "ek_xml_encoding.h"

namespace pugi {
class xml_document;
}

namespace ek::xml {

// Receives the bytes of the file piece by piece; false stops the writing.
using Sink = std::function<bool(const char* data, size_t size)>;

// Writes the declaration and the document element to sink, in pieces of about 64 KiB so that no
// copy of a whole large file is ever held. Characters the encoding lacks become numeric
// character references in text and attribute values. Returns false, the bytes handed over so far
// being of no use, when the sink refuses bytes, when there is no document element, or when an element or attribute name holds a character the
// encoding lacks (a name cannot carry a character reference). With indent, each element
// starts on its own line, two spaces deeper than its parent; elements holding text keep their
// content as it is.
bool write_document(const pugi::xml_document& tree, Encoding encoding, bool indent, const Sink& sink);

}  // namespace ek::xml
