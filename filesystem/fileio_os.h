// The operating-system side of the binary file layer: one open attempt, closing, size and length,
// and the positioned transfer calls. The transfer calls are replaceable, so that tests can
// simulate failures and short pieces without moving gigabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "filesystem/fileio.h"

namespace ek::detail {

using os_handle = fileio_win::handle_t;

// One transfer of at most 1 GiB at an absolute offset: the bytes transferred (0 at the end of the
// file), or -1 with errno set when the system reports a failure; EINTR asks for the same call again.
using os_read_fn = int64_t (*)(os_handle handle, void* data, size_t n, uint64_t offset);
using os_write_fn = int64_t (*)(os_handle handle, const void* data, size_t n, uint64_t offset);

// The system's own calls (pread and pwrite, ReadFile and WriteFile at an offset).
int64_t system_read(os_handle handle, void* data, size_t n, uint64_t offset);
int64_t system_write(os_handle handle, const void* data, size_t n, uint64_t offset);

// The system's calls unless a test has put something else in their place.
extern os_read_fn fileio_os_read;
extern os_write_fn fileio_os_write;

enum class open_attempt { opened, sharing_violation, failed };

// One attempt to open the file with the share rule of the layer: other openers may read it,
// nobody else may write it. `create` creates a missing file and empties an existing one (only once
// it is ours: a file someone else holds keeps its bytes). On success `handle` holds the open file.
open_attempt os_open_attempt(const std::wstring& path, bool create, bool writable, os_handle& handle);
void os_close(os_handle handle);
// The file's length; false when it cannot be determined.
bool os_size(os_handle handle, uint64_t& size);
bool os_set_length(os_handle handle, uint64_t length);
// A read-only view of the first `length` bytes of the file (null when the system refuses), and its release.
const unsigned char* os_map(os_handle handle, uint64_t length);
void os_unmap(const unsigned char* base, uint64_t length);

}  // namespace ek::detail
