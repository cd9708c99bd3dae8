// How a wide path reaches the operating system and how the operating system's names come back.
//
// Every function of the file layer passes its paths through `os_path`, so that both separators
// work on every platform and the conversion happens in one place.
#pragma once

#include <string>

namespace ek::filesystem {

// A path in the form the operating system's calls take: UTF-16 on Windows, UTF-8 elsewhere.
#ifdef _WIN32
using os_string = std::wstring;
#else
using os_string = std::string;
#endif

// The path in the operating system's own form, with every separator the native one ('\' on
// Windows, '/' elsewhere). A path holding a NUL character names nothing and gives the empty string.
os_string os_path(const std::wstring& path);

// A name the operating system reported (a directory entry, a folder) as a wide string.
std::wstring from_os_path(const os_string& path);

}  // namespace ek::filesystem
