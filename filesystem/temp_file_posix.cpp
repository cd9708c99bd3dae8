// The temporary folder and unique temporary names on POSIX systems, which have no unique-file
// service of their own: numbers are probed with exclusive creation until one is free.
#include "filesystem/temp_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "filesystem/os_path.h"
#include "filesystem/paths.h"

namespace ek::filesystem {
namespace {

constexpr int k_max_probes = 65536;

// A starting number that differs between processes and between calls of one process.
uint32_t next_start() {
    static std::atomic<uint32_t> calls{0};
    const uint64_t now = static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    uint64_t x = now ^ (uint64_t(::getpid()) << 32) ^ (uint64_t(calls.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
    // A 64-bit mix, so that close inputs give unrelated numbers.
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    return static_cast<uint32_t>(x);
}

std::wstring hex(uint32_t v) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%X", static_cast<unsigned>(v));
    return buffer;
}

}  // namespace

std::wstring temp_directory() {
    std::wstring dir = L"/tmp/";
    if (const char* env = std::getenv("TMPDIR"); env && *env) dir = from_os_path(env);
    return include_directory_separator(dir);
}

std::wstring temp_filename(const std::wstring& dir, const std::wstring& prefix) {
    const std::wstring folder = dir.empty() ? temp_directory() : dir;
    if (folder.empty()) return std::wstring();
    // The prefix names a file, not a place: separators and other forbidden characters go.
    const std::wstring head = make_valid_filename(prefix.substr(0, 3));

    uint32_t number = next_start();
    for (int probe = 0; probe < k_max_probes; ++probe, ++number) {
        if (number == 0) continue;
        const std::wstring path = combine(folder, head + hex(number) + L".tmp");
        const std::string os = os_path(path);
        if (os.empty()) return std::wstring();
        int fd;
        do {
            fd = ::open(os.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return std::wstring();
    }
    return std::wstring();
}

}  // namespace ek::filesystem
