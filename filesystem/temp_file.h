// Temporary files: the system's temporary folder, new uniquely named empty files, and a file
// that lives exactly as long as its owner object.
#pragma once

#include <string>

namespace ek::filesystem {

// The folder for temporary files with a trailing separator; empty when there is none.
std::wstring temp_directory();

// Creates a new empty file with a unique name in `dir` (the temporary folder when `dir` is
// empty), made of the first three characters of `prefix`, a hexadecimal number and ".tmp".
// Returns its full path, or an empty string when no file could be created.
std::wstring temp_filename(const std::wstring& dir, const std::wstring& prefix);

// A temporary file that exists from construction until destruction.
class temp_file {
public:
    temp_file(const std::wstring& dir, const std::wstring& prefix);
    ~temp_file();
    temp_file(const temp_file&) = delete;
    temp_file& operator=(const temp_file&) = delete;

    // Empty when the file could not be created.
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace ek::filesystem
