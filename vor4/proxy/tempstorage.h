// Undo storage of one block write: a temporary file in the options' temporary folder holding a
// plain array of T (native byte order, no header). An empty or missing file is an empty array.
// The file lives exactly as long as the storage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ekx_basic.h"
#include "filesystem/fileio.h"
#include "filesystem/temp_file.h"

template <class T>
class tempstorage {
public:
    tempstorage() : file_(folder(), L"") {}
    tempstorage(const tempstorage&) = delete;
    tempstorage& operator=(const tempstorage&) = delete;

    // Empty when no file could be created: the storage then holds nothing.
    const std::wstring& path() const { return file_.path(); }

    // The stored array into out; false when the file could not be read in full (out then holds
    // what was read).
    bool read(std::vector<T>& out) const {
        // out keeps its storage: a reused array of the right size is not filled again.
        if (file_.path().empty()) {
            out.clear();
            return false;
        }
        ek::fileio file;
        if (!file.open(file_.path(), L"rb")) {
            out.clear();
            return false;
        }
        const uint64_t n = file.filesize() / sizeof(T);
        out.resize(size_t(n));
        if (n == 0) return true;
        if (!file.seek(0)) {
            out.clear();
            return false;
        }
        const uint64_t got = file._read_bytes(out.data(), n * sizeof(T));
        if (got == ek::detail::fileio_win::failed) {
            out.clear();
            return false;
        }
        if (got < n * sizeof(T)) {
            file.error_flag = true;
            out.resize(size_t(got / sizeof(T)));
            return false;
        }
        return true;
    }

    // Replaces the stored array; false when the file could not be written in full.
    bool write(const T* data, size_t count) {
        if (file_.path().empty()) return false;
        ek::fileio file;
        if (!file.open(file_.path(), L"wb")) return false;
        if (count == 0) return true;
        if (!file.seek(0)) return false;
        return file._write_bytes(data, uint64_t(count) * sizeof(T)) == uint64_t(count) * sizeof(T);
    }

    // Exchanges the caller's array with the stored one: array receives the file's former
    // content, the file the array's. Returns whether the file took the new content.
    bool swap(std::vector<T>& array) {
        std::vector<T>& held = scratch();
        read(held);
        array.swap(held);
        const bool written = write(held.data(), held.size());
        held.clear();  // keeps its capacity for the next exchange
        return written;
    }

private:
    static std::wstring folder() {
        const wchar_t* dir = ek_options_get_temp_wpath();
        return dir ? std::wstring(dir) : std::wstring();
    }
    // Shared by every storage of the element type, so repeated exchanges of similar size do not
    // allocate.
    static std::vector<T>& scratch() {
        static std::vector<T> array;
        return array;
    }

    ek::filesystem::temp_file file_;
};
