// The operating system's temporary folder; one implementation file per platform.
#pragma once

#include <string>

namespace ek::basic {

// The separator that this platform puts between folder and file names.
wchar_t native_separator();

// The system temporary folder, always ending with a separator.
std::wstring system_temp_folder();

}  // namespace ek::basic
