// Text conversions shared by the document library and the suite libraries.
//
// Wide text is wchar_t (UTF-32 on Linux, UTF-16 on Windows). Narrow text is in the host's narrow
// encoding: the ANSI code page on Windows; on Linux UTF-8, or Windows-1251 when the environment
// says EKX_NARROW_ENCODING=windows-1251 (hosts ported from Windows). Every narrow <-> wide
// conversion in the project goes through this one codec; Windows-1251 is also available by name,
// because the metadata file is written in it whatever the host's encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ek::text {

// --- the host's narrow encoding -------------------------------------------------------------

// Narrow -> wide never fails: an unassigned Windows-1251 byte maps to the code point of the same
// value, an invalid UTF-8 byte to U+FFFD.
std::wstring to_wide(std::string_view narrow);

// Wide -> narrow: a character the narrow encoding lacks becomes '?'.
std::string to_narrow(std::wstring_view wide);

// Like to_narrow, but false when some character has no narrow form.
bool to_narrow_exact(std::wstring_view wide, std::string& out);

// True when the narrow encoding is UTF-8 (every character has a narrow form).
bool narrow_is_utf8();

// --- Windows-1251 by name ---------------------------------------------------------------------

wchar_t cp1251_to_wide(char c);
// One character to Windows-1251; false when the code page lacks it.
bool cp1251_char(char32_t c, char& out);
std::wstring cp1251_to_wide(std::string_view bytes);
std::string wide_to_cp1251(std::wstring_view wide);
// The same, false when some character has no Windows-1251 byte ('?' stands for it).
bool cp1251_from_wide(std::wstring_view wide, std::string& out);

// --- UTF-8 ----------------------------------------------------------------------------------------

// Invalid input sequences become U+FFFD; surrogates in UTF-32 input likewise.
std::string to_utf8(std::wstring_view wide);
std::wstring from_utf8(std::string_view utf8);

// Like to_utf8, but false when some code unit has no UTF-8 form (a surrogate without its other
// half, a UTF-32 value past U+10FFFF); '?' stands for each such unit instead of U+FFFD.
bool utf8_from_wide(std::wstring_view wide, std::string& out);

// Decodes the UTF-8 sequence at s (avail bytes readable): its length, with the code point in
// cp, or 0 when it is malformed (overlong, surrogate, past U+10FFFF, cut short).
size_t decode_utf8(const unsigned char* s, size_t avail, char32_t& cp);

// --- case -------------------------------------------------------------------------------------------

// Case-insensitive comparison in the manner of lstrcmpiW / lstrcmpiA: characters are
// compared after simple Unicode lower-casing, so Latin and Cyrillic letters of either
// case compare equal. Result < 0, 0 or > 0. The narrow forms convert through the narrow
// encoding first.
int compare_nocase(std::wstring_view a, std::wstring_view b);
int compare_nocase(std::string_view a, std::string_view b);
bool equal_nocase(std::wstring_view a, std::wstring_view b);
bool equal_nocase(std::string_view a, std::string_view b);

wchar_t to_lower(wchar_t c);

}  // namespace ek::text
