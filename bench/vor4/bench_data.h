// Data files for the property benchmarks, written once per process with raw writes and
// read once so that both the property and the raw reference meet a warm page cache.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "bench_files.h"
#include "vor4/vor_vocabulary.h"

namespace ek::bench {

constexpr long long k_side = 8192;                 // 8192 × 8192 singles = 256 MiB
constexpr long long k_values = k_side * k_side;    // 64 Mi
constexpr long long k_piece = 1 << 20;             // values per run in the chunked benchmarks

// Value k of a smooth 2D field with a little noise and one missing value in 1000.
inline double field_value(long long k) {
    const long long x = k % k_side, y = k / k_side;
    if (k % 1000 == 999) return std::numeric_limits<double>::quiet_NaN();
    const uint32_t h = static_cast<uint32_t>(k) * 2654435761u;
    return 0.5 * static_cast<double>(x) - 0.25 * static_cast<double>(y) + static_cast<double>(h >> 8) / 16777216.0;
}

// Writes n values of type T, produced by make(k), to a new file; then reads it back once.
template <class T, class Make>
bool write_file(const std::string& path, long long n, Make make) {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
    if (fd < 0) return false;
    std::vector<T> buf(static_cast<size_t>(k_piece));
    bool ok = true;
    for (long long at = 0; at < n && ok; at += k_piece) {
        const long long m = std::min(k_piece, n - at);
        for (long long i = 0; i < m; ++i) buf[static_cast<size_t>(i)] = make(at + i);
        ok = raw_pwrite(fd, buf.data(), static_cast<uint64_t>(m) * sizeof(T), static_cast<uint64_t>(at) * sizeof(T));
    }
    std::vector<char> sink(16 << 20);
    for (uint64_t at = 0; ok; at += sink.size()) {
        const ssize_t got = ::pread(fd, sink.data(), sink.size(), static_cast<off_t>(at));
        if (got <= 0) break;
    }
    ::close(fd);
    return ok;
}

inline uint64_t file_bytes(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<uint64_t>(n);
}

// A buffer whose pages are already mapped, so that neither side pays for first touches.
inline std::vector<char> touched(uint64_t bytes) { return std::vector<char>(static_cast<size_t>(bytes), 1); }

}  // namespace ek::bench
