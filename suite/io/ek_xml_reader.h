// Parses the bytes of a file into a tree, honouring the encoding the file declares.
#pragma once

#include <cstddef>
#include <memory>

namespace pugi {
class xml_document;
}

namespace ek::xml {

// Parses data (size bytes) into tree, which must be empty. On success the tree may point into
// the text left in source, which must then live as long as the tree.
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
bool parse_document(std::unique_ptr<char[]> data, size_t size, pugi::xml_document& tree,
                    std::unique_ptr<char[]>& source);

}  // namespace ek::xml
