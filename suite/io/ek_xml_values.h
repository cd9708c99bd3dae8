// Text forms of the values stored in metadata files.
//
// Integers: decimal. Booleans: "True" and "False"; read case-insensitively, also "1" and "0".
// Doubles: the shortest text that reads back to the same bits; infinities "INF" and "-INF";
// NaN "NAN" or "-NAN" for the two quiet NaNs without payload, otherwise "NAN(0x<payload>)" with
// an optional "-", so every NaN keeps its bits too. Reading trims surrounding white space and
// also takes a leading "+", "inf"/"infinity"/"nan" in any case and the "1.#INF"/"1.#QNAN"
// forms of older Windows writers. A text is "not a value" (the caller's default applies) when
// anything but white space is left over or when the number does not fit the type: a 32-bit
// read of a 64-bit value out of 32-bit range, or a decimal text beyond the double range.
#pragma once

#include <cstddef>
#include <string_view>

namespace ek::xml {

// Writers return the length written into buf, which must hold 64 characters.
size_t format_int(long long value, char* buf);
size_t format_double(double value, char* buf);
const char* format_bool(bool value);

bool parse_bool(std::string_view text, bool& value);
bool parse_int32(std::string_view text, int& value);
bool parse_int64(std::string_view text, long long& value);
bool parse_double(std::string_view text, double& value);

}  // namespace ek::xml
