// Text conversions shared by the document library and the suite libraries.
//
// Narrow text is Windows-1251 (the ANSI code page of the hosts this library serves);
// wide text is wchar_t (UTF-32 on Linux, UTF-16 on Windows). Every narrow <-> wide
// conversion in the project goes through this one codec.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ek::text {

// Narrow -> wide never fails: an unassigned byte maps to the code point of the same value.
std::wstring to_wide(std::string_view narrow);
wchar_t to_wide(char c);

// Wide -> narrow: a character the code page lacks becomes '?'.
std::string to_narrow(std::wstring_view wide);

// One character to the code page; false when the code page lacks it.
bool narrow_char(char32_t c, char& out);

// UTF-8 for talking to the operating system and to UTF-8 text.
// Invalid input sequences become U+FFFD; surrogates in UTF-32 input likewise.
std::string to_utf8(std::wstring_view wide);
std::wstring from_utf8(std::string_view utf8);

// Decodes the UTF-8 sequence at s (avail bytes readable): its length, with the code point in
// cp, or 0 when it is malformed (overlong, surrogate, past U+10FFFF, cut short).
size_t decode_utf8(const unsigned char* s, size_t avail, char32_t& cp);

// Case-insensitive comparison in the manner of lstrcmpiW / lstrcmpiA: characters are
// compared after simple Unicode lower-casing, so Latin and Cyrillic letters of either
// case compare equal. Result < 0, 0 or > 0.
int compare_nocase(std::wstring_view a, std::wstring_view b);
int compare_nocase(std::string_view a, std::string_view b);
bool equal_nocase(std::wstring_view a, std::wstring_view b);
bool equal_nocase(std::string_view a, std::string_view b);

wchar_t to_lower(wchar_t c);

}  // namespace ek::text
