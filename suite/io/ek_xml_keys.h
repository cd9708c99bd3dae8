// Keys and names arrive as wide text or as narrow text in the host's encoding; the tree holds UTF-8.
// Both forms of the same characters give the same UTF-8 key.
#pragma once

#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

#include "ek_text.h"

namespace ek::xml {

// UTF-8 of a key, kept on the stack for the short ASCII keys of metadata files.
class Utf8Key {
public:
    explicit Utf8Key(const wchar_t* key) {
        const size_t n = std::wcslen(key);
        if (n < sizeof small_ && ascii(key, n)) {
            for (size_t i = 0; i < n; ++i) small_[i] = static_cast<char>(key[i]);
            small_[n] = '\0';
            text_ = small_;
        } else {
            large_ = ek::text::to_utf8(std::wstring_view(key, n));
            text_ = large_.c_str();
        }
    }
    explicit Utf8Key(const char* key) {
        const size_t n = std::strlen(key);
        bool plain = true;
        for (size_t i = 0; i < n && plain; ++i) plain = static_cast<unsigned char>(key[i]) < 0x80;
        if (plain) {
            text_ = key;
        } else {
            large_ = ek::text::to_utf8(ek::text::to_wide(std::string_view(key, n)));
            text_ = large_.c_str();
        }
    }
    Utf8Key(const Utf8Key&) = delete;
    Utf8Key& operator=(const Utf8Key&) = delete;

    const char* c_str() const { return text_; }

private:
    static bool ascii(const wchar_t* s, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (static_cast<unsigned long>(s[i]) >= 0x80) return false;
        return true;
    }

    char small_[64];
    std::string large_;
    const char* text_ = nullptr;
};

inline std::wstring wide_from_utf8(const char* utf8) { return ek::text::from_utf8(std::string_view(utf8)); }

}  // namespace ek::xml
