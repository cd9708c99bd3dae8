// Text encodings of metadata files: names, and the code points each single-byte encoding holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ek::xml {

enum class Encoding { utf8, windows1251, latin1, ascii };

// The encoding named by an XML encoding declaration (case-insensitive: "UTF-8", "Windows-1251",
// "cp1251", "ISO-8859-1", "latin1", "US-ASCII", ...); nothing for names this library cannot write.
std::optional<Encoding> encoding_from_name(std::string_view name);
std::optional<Encoding> encoding_from_name(std::wstring_view name);

// The name written into the declaration of a saved file.
const char* encoding_name(Encoding encoding);

// The byte of a single-byte encoding for a code point; -1 when the encoding lacks it.
// Not for UTF-8.
int encode_byte(Encoding encoding, char32_t c);

// The length of the UTF-8 form of single-byte text in Windows-1251 or ISO-8859-1; false when the
// text holds a NUL byte, which no XML text may.
bool utf8_size(Encoding encoding, const char* src, size_t size, size_t& utf8);

// Writes the UTF-8 form of single-byte text in Windows-1251 or ISO-8859-1 to dst, which must
// hold utf8_size bytes; returns that size. dst may lie before src in the same buffer when the
// gap between them is at least the growth (utf8_size - size).
size_t decode_to_utf8(Encoding encoding, const char* src, size_t size, char* dst);

// Reads one code point of UTF-8 at s[i] and advances i; an invalid sequence gives U+FFFD and
// advances one byte.
char32_t next_utf8(std::string_view s, size_t& i);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF) and hold no NUL byte, which no XML text may.
bool valid_utf8(const char* data, size_t size);

}  // namespace ek::xml
