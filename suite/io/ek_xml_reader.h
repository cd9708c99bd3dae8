// Parses the bytes of a file into a tree, honouring the encoding the file declares.
#pragma once

#include <memory>

#include "ek_xml_file.h"

namespace pugi {
class xml_document;
}

namespace ek::xml {

// Parses the file's text into tree, which must be empty. On success the tree may point into the
// buffer left in source, which must then live as long as the tree.
//
// Encodings: a byte-order mark decides (UTF-8, UTF-16 and UTF-32 in either byte order), as does
// the byte pattern of a UTF-16 or UTF-32 file without one; otherwise the declaration's encoding
// (UTF-8, Windows-1251, ISO-8859-1, US-ASCII; UTF-8 when there is no declaration).
//
// Refused (false): an empty file, an encoding this library does not know, a declaration of a
// 16- or 32-bit encoding in an 8-bit file, a NUL byte or malformed UTF-8 in an 8-bit file, text
// that is not well-formed, anything but exactly one element at the top level (text beside the
// document element included), and any document type declaration, so that no entity, internal
// or external, can ever be expanded.
bool parse_document(FileText text, pugi::xml_document& tree, std::unique_ptr<char[]>& source);

}  // namespace ek::xml
