// Read-only mappings of an open data file over a Windows file mapping object.
//
// Views of a file and transfers through its handle go through the same system cache, so bytes
// written through the handle show in the view at once. A mapping is made at the file's length of
// the moment and is made again when that changes; the system refuses to shorten a file while a
// view of it exists, which is why truncation releases the view first.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "filesystem/fileio.h"

namespace ek::detail {

const unsigned char* fileio_win::map_view(uint64_t offset, uint64_t n) {
    if (handle == invalid_handle || n == 0) return nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size) || size.QuadPart <= 0) {
        unmap();
        return nullptr;
    }
    const uint64_t length = static_cast<uint64_t>(size.QuadPart);
    if (offset > length || n > length - offset) {
        unmap();
        return nullptr;
    }
    if (map_base != nullptr && map_length != length) unmap();
    if (map_base == nullptr) {
        if (length == map_refused || length > SIZE_MAX) return nullptr;
        // The view keeps the mapping object alive; its handle is not needed afterwards.
        HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void* const p = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(length)) : nullptr;
        if (mapping) CloseHandle(mapping);
        if (p == nullptr) {
            map_refused = length;
            return nullptr;
        }
        map_base = static_cast<const unsigned char*>(p);
        map_length = length;
    }
    return map_base + offset;
}

void fileio_win::unmap() {
    if (map_base != nullptr) UnmapViewOfFile(map_base);
    map_base = nullptr;
    map_length = 0;
}

// Only a hint, and Windows 7 has no call to give it (PrefetchVirtualMemory came with Windows 8):
// the pages are read as they are touched.
void fileio_win::prefetch(const std::vector<uint64_t>&, uint64_t) const {}

}  // namespace ek::detail
