// Shared by the fuzz targets and the seed maker: a private folder for the files an input becomes,
// a byte reader that never runs past the input, and text read through string adapters.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ek_text.h"
#include "ekx_basic.h"

namespace ek::fuzz {

// One folder per fuzzing process, under $TMPDIR (the script points it at memory), removed at exit.
inline const std::filesystem::path& work_folder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ekx_fuzz_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) ::abort();
        std::atexit([] { std::error_code ec; std::filesystem::remove_all(work_folder(), ec); });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

inline std::wstring work_file(const std::string& name) { return (work_folder() / name).wstring(); }
// Files by the UTF-8 form in which the library hands a wide path to the system (the standard
// library would convert through the C locale, which holds only ASCII).
inline void write_file(const std::wstring& path, const void* data, size_t size) {
    std::ofstream(ek::text::to_utf8(path), std::ios::binary | std::ios::trunc).write(static_cast<const char*>(data), std::streamsize(size));
}
inline std::string read_file(const std::wstring& path) {
    return std::string(std::istreambuf_iterator<char>(std::ifstream(ek::text::to_utf8(path), std::ios::binary).rdbuf()), {});
}

// Keeps a value that is read only to be read, without arithmetic that could overflow.
template <class T>
void use(T value) { [[maybe_unused]] volatile T sink = value; }

// The text that read(adapter) feeds, read in full whichever form it comes in.
template <class Read>
std::wstring text_of(Read read) {
    std::wstring out;
    Tek_string_adapter* a = ek_string_adp_create([](const char* t, void* o) { *static_cast<std::wstring*>(o) = ek::text::to_wide(t ? t : ""); },
                                                 [](const wchar_t* t, void* o) { *static_cast<std::wstring*>(o) = t ? t : L""; }, &out);
    return read(a), ek_string_adp_destroy(a), out;
}

// Reads the input from the front; past its end every value is 0.
struct Bytes {
    const uint8_t* data;
    size_t size, at = 0;
    bool empty() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    unsigned pick(unsigned n) { return n ? byte() % n : 0; }  // a small number in [0, n)
    template <class T>
    T value() {
        T v;
        for (size_t k = 0; k < sizeof v; ++k) reinterpret_cast<unsigned char*>(&v)[k] = byte();
        return v;
    }
};

// The edit target's operations, so that the seed scripts name each of them.
constexpr int k_edit_ops = 22;

}  // namespace ek::fuzz
