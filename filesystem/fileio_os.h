// The operating-system transfer calls of the binary file layer, replaceable so that tests can
// simulate failures and short pieces without moving gigabytes.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace ek::detail {

using os_read_fn = ssize_t (*)(int fd, void* data, size_t n, off_t offset);
using os_write_fn = ssize_t (*)(int fd, const void* data, size_t n, off_t offset);

// pread and pwrite unless a test has put something else in their place.
extern os_read_fn fileio_os_read;
extern os_write_fn fileio_os_write;

}  // namespace ek::detail
