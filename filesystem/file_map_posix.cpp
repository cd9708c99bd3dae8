// Read-only mappings of an open data file over POSIX mmap.
//
// MAP_SHARED maps the page cache itself, so bytes written through the descriptor (pwrite) show
// in the mapping at once. The length is checked against the file's on every request: touching a
// mapped page past the end of a file that has become shorter would raise SIGBUS, where a read
// would merely come up short.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "filesystem/fileio_os.h"

namespace ek::detail {

const unsigned char* os_map(os_handle handle, uint64_t length) {
    void* const p = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED, handle, 0);
    return p == MAP_FAILED ? nullptr : static_cast<const unsigned char*>(p);
}

void os_unmap(const unsigned char* base, uint64_t length) {
    ::munmap(const_cast<unsigned char*>(base), static_cast<size_t>(length));
}

void fileio_win::prefetch(const std::vector<uint64_t>& offsets, uint64_t n) const {
    if (map_base == nullptr || n == 0 || offsets.empty()) return;
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (page_size <= 0) return;
    const uint64_t page = uint64_t(page_size);
    // Whether the file is cached is judged on a few ranges spread over the list: asking for all of
    // them, or hinting a cached range, costs about as much as reading it from the cache.
    constexpr size_t k_samples = 16;
    bool cached = true;
    unsigned char resident[64];
    for (size_t s = 0; cached && s < k_samples; ++s) {
        const uint64_t offset = offsets[s * (offsets.size() - 1) / (k_samples - 1)];
        if (offset >= map_length) continue;
        const uint64_t first = offset / page * page;
        const uint64_t end = std::min({offset + std::min(n, map_length - offset), first + sizeof resident * page});
        if (::mincore(const_cast<unsigned char*>(map_base) + first, size_t(end - first), resident) != 0) return;
        for (uint64_t p = 0; p < (end - first + page - 1) / page; ++p) cached = cached && (resident[p] & 1) != 0;
    }
    if (cached) return;
    for (const uint64_t offset : offsets) {
        if (offset >= map_length) break;
        (void)::posix_fadvise(handle, off_t(offset), off_t(std::min(n, map_length - offset)), POSIX_FADV_WILLNEED);
    }
}

}  // namespace ek::detail
