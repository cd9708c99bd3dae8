// File helpers of the file-system and suite-library tests: whole files as text, file times and
// folder listings, done with the standard library so that no expectation leans on the code under test.
#pragma once

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace ek::test {

// Writes the whole file; a non-zero mtime becomes its modification time.
inline void write_text(const std::filesystem::path& path, const std::string& text, time_t mtime = 0) {
    std::ofstream(path, std::ios::binary) << text;
#ifdef _WIN32
    struct _utimbuf times{mtime, mtime};
    if (mtime) ::_wutime(path.c_str(), &times);
#else
    const struct utimbuf times{mtime, mtime};
    if (mtime) ::utime(path.c_str(), &times);
#endif
}

// The whole file, or "-" when there is none to read.
inline std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "-";
}

// Every entry below the folder, sorted, as "path=content" for a file and "path/" for a folder (links not
// entered), joined by spaces: a whole tree as one text to compare.
inline std::string tree_text(const std::filesystem::path& root) {
    std::set<std::string> entries;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::string rel = e.path().lexically_relative(root).generic_string();
        entries.insert(e.is_directory() ? rel + "/" : rel + "=" + read_text(e.path()));
    }
    std::string text;
    for (const std::string& e : entries) text.append(text.empty() ? "" : " ").append(e);
    return text;
}

}  // namespace ek::test
