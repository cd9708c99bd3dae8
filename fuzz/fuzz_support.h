// Shared by the fuzz targets: a private folder for the files an input becomes, byte readers that
// never run past the input, and a string adapter that takes any text.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ekx_basic.h"

namespace ek::fuzz {

// One folder per fuzzing process, under $TMPDIR (the script points it at memory), removed at exit.
inline const std::filesystem::path& work_folder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ekx_fuzz_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) ::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(work_folder(), ec);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

inline std::wstring work_file(const std::string& name) { return (work_folder() / name).wstring(); }

// The UTF-8 form in which the library hands a wide path to the system (the standard library
// would convert through the C locale, which holds only ASCII).
inline std::string os_path(const std::wstring& path) {
    std::string out;
    for (wchar_t w : path) {
        auto c = static_cast<uint32_t>(w);
        if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline void write_file(const std::wstring& path, const uint8_t* data, size_t size) {
    std::ofstream out(os_path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Keeps a value that is read only to be read, without arithmetic that could overflow.
template <class T>
void use(T value) {
    volatile T sink = value;
    (void)sink;
}

// Reads the input from the front; past its end every value is 0.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <class T>
    T value() {
        T v{};
        uint8_t raw[sizeof(T)] = {};
        for (uint8_t& b : raw) b = byte();
        std::memcpy(&v, raw, sizeof v);
        return v;
    }
    // A small number in [0, n).
    unsigned pick(unsigned n) { return n ? byte() % n : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Takes whatever text it is fed and keeps its length, so that the text is read in full.
class Sink {
public:
    Sink() : adapter_(ek_string_adp_create(&narrow, &wide, this)) {}
    ~Sink() { ek_string_adp_destroy(adapter_); }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    Tek_string_adapter* get() const { return adapter_; }
    size_t total = 0;

private:
    static void narrow(const char* text, void* self) { static_cast<Sink*>(self)->total += text ? std::strlen(text) : 0; }
    static void wide(const wchar_t* text, void* self) { static_cast<Sink*>(self)->total += text ? std::wcslen(text) : 0; }
    Tek_string_adapter* adapter_;
};

}  // namespace ek::fuzz
