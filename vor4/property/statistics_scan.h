// Streaming scan of a property's grid objects as single-precision values.
//
// The statistics and the histogram look at the first nx × ny × nz objects, row after row
// (slice after slice for 3D). A row of a 1D grid can hold 10^9 values, so a row is handed
// over in pieces of at most k_scan_chunk values through one reused buffer; the values and
// their order are exactly those of a whole-row read.
#pragma once

#include <limits>
#include <memory>
#include <new>

#include "vor4/property/TekVor4Property.h"

namespace ek::vor::stats {

constexpr long long k_scan_chunk = 1 << 18;  // 256 Ki singles: 1 MiB, stays in the cache

// Calls visit(const float* values, long long n) for every piece of every row, in object
// order. Returns false when the sizes are unusable, the buffer cannot be had or a read
// fails; visiting stops at the first failure. Pieces are read through the interface
// (converted to "dtSingle"), so proxies and conversions behave as for any caller.
// a × b for a ≥ 0 and b > 0; false when the product leaves the 64-bit range.
inline bool multiply(long long a, long long b, long long& out) {
    if (a > std::numeric_limits<long long>::max() / b) return false;
    out = a * b;
    return true;
}

template <class Visit>
bool scan_rows(TekVor4Property& prop, long long nx, long long ny, long long nz, Visit&& visit) {
    if (nx < 0) return false;  // no row buffer of that length can exist
    if (ny <= 0 || nz <= 0) return true;
    long long plane = 0, total = 0;
    if (!multiply(nx, ny, plane) || !multiply(plane, nz, total)) return false;
    // A row longer than the property is refused by the read itself; a piece would not be.
    if (nx > prop.getNumObjects()) return false;
    if (nx == 0) {
        float none = 0.0f;
        return prop.readRawData(0, 0, &none, 0, 0, 1) == 0;
    }
    const long long piece = nx < k_scan_chunk ? nx : k_scan_chunk;
    std::unique_ptr<float[]> buffer(new (std::nothrow) float[static_cast<size_t>(piece)]());
    if (!buffer) return false;
    for (long long start = 0; start < total; start += nx) {
        for (long long done = 0; done < nx; done += piece) {
            const long long n = nx - done < piece ? nx - done : piece;
            if (prop.readRawData(start + done, n, buffer.get(), n, 0, 1) != 0) return false;
            visit(static_cast<const float*>(buffer.get()), n);
        }
    }
    return true;
}

}  // namespace ek::vor::stats
