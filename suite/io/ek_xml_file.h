// The file system as the XML service needs it: read a whole file, replace a file atomically.
// One implementation per platform (ek_xml_file_posix.cpp here).
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace ek::xml {

// The bytes of a file at data[front, front + size). The front bytes are spare room, so that text
// in a single-byte encoding can become its longer UTF-8 form in the same buffer.
struct FileText {
    std::unique_ptr<char[]> data;
    size_t front = 0;
    size_t size = 0;
    const char* begin() const { return data.get() + front; }
};

// Reads the whole regular file at path. False when it cannot be opened or read, or is not a
// regular file.
bool read_file(std::wstring_view path, FileText& text);

// The new content of a file, written to a temporary file in the same folder. commit flushes it to
// the disk and renames it over the target, so that the target holds either its old content or
// all of the new one, never a part. A replacement dropped without a successful commit removes
// its temporary file and leaves the target untouched.
class FileReplacement {
public:
    virtual ~FileReplacement() = default;
    virtual bool write(const char* data, size_t size) = 0;
    virtual bool commit() = 0;
};

// Null when no temporary file can be made beside path (no such folder, no right to write, ...).
std::unique_ptr<FileReplacement> begin_replacement(std::wstring_view path);

}  // namespace ek::xml
