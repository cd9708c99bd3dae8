// How a wide path reaches the operating system and how the operating system's names come back.
//
// Every function of the file layer passes its paths through `os_path`, so that both separators
// work on every platform and the conversion happens in one place.
#pragma once

#include <string>

namespace ek::filesystem {

// The path in the operating system's own form: UTF-8 with every '\' turned into '/'.
// A path holding a NUL character names nothing and gives the empty string.
std::string os_path(const std::wstring& path);

// A name the operating system reported (a directory entry, a folder) as a wide string.
std::wstring from_os_path(const std::string& path);

}  // namespace ek::filesystem
