// Read-only mappings of an open data file over POSIX mmap.
//
// MAP_SHARED maps the page cache itself, so bytes written through the descriptor (pwrite) show
// in the mapping at once. The length is checked against the file's on every request: touching a
// mapped page past the end of a file that has become shorter would raise SIGBUS, where a read
// would merely come up short.
#include <sys/mman.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

#include "filesystem/fileio.h"

namespace ek::detail {

const unsigned char* fileio_win::map_view(uint64_t offset, uint64_t n) {
    if (handle == invalid_handle || n == 0) return nullptr;
    struct stat st;
    if (::fstat(handle, &st) != 0 || st.st_size <= 0) {
        unmap();
        return nullptr;
    }
    const uint64_t length = static_cast<uint64_t>(st.st_size);
    if (offset > length || n > length - offset) {
        unmap();
        return nullptr;
    }
    if (map_base != nullptr && map_length != length) unmap();
    if (map_base == nullptr) {
        if (length == map_refused || length > SIZE_MAX) return nullptr;
        void* const p = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED, handle, 0);
        if (p == MAP_FAILED) {
            map_refused = length;
            return nullptr;
        }
        map_base = static_cast<const unsigned char*>(p);
        map_length = length;
    }
    return map_base + offset;
}

void fileio_win::unmap() {
    if (map_base != nullptr) ::munmap(const_cast<unsigned char*>(map_base), static_cast<size_t>(map_length));
    map_base = nullptr;
    map_length = 0;
}

}  // namespace ek::detail
