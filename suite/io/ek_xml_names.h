// Element names: only names that XML accepts are written, so that every saved file parses again.
#pragma once

#include <string_view>

namespace ek::xml {

// True when the UTF-8 text is an XML 1.0 Name (letters, digits, '_', ':', '-', '.', and the
// Unicode ranges the standard allows; not empty, not starting with a digit, '-' or '.').
bool valid_name(std::string_view utf8);

}  // namespace ek::xml
