// Read-only mappings of an open data file over a Windows file mapping object.
//
// Views of a file and transfers through its handle go through the same system cache, so bytes
// written through the handle show in the view at once. A mapping is made at the file's length of
// the moment and is made again when that changes; the system refuses to shorten a file while a
// view of it exists, which is why truncation releases the view first.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "filesystem/fileio_os.h"

namespace ek::detail {

const unsigned char* os_map(os_handle handle, uint64_t length) {
    // The view keeps the mapping object alive; its handle is not needed afterwards.
    HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* const p = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(length)) : nullptr;
    if (mapping) CloseHandle(mapping);
    return static_cast<const unsigned char*>(p);
}

void os_unmap(const unsigned char* base, uint64_t) { UnmapViewOfFile(base); }

// Only a hint, and Windows 7 has no call to give it (PrefetchVirtualMemory came with Windows 8):
// the pages are read as they are touched.
void fileio_win::prefetch(const std::vector<uint64_t>&, uint64_t) const {}

}  // namespace ek::detail
