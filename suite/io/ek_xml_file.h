// The file system as the XML service needs it: read a whole file, replace a file atomically.
// One implementation per platform (ek_xml_file_posix.cpp here).
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace ek::xml {

// Reads the whole regular file at path. False when it cannot be opened or read, or is not a
// regular file.
bool read_file(std::wstring_view path, std::unique_ptr<char[]>& data, size_t& size);

// Writes bytes to a new temporary file in the folder of path, flushes it to the disk and renames
// it over path, so that path holds either its old content or all of the new one, never a part.
// On failure the temporary file is removed, path is untouched and the result is false.
bool replace_file(std::wstring_view path, std::string_view bytes);

}  // namespace ek::xml
