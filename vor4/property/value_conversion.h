// Conversions between the five value types of a property (single, byte, integer, bitmask,
// double) as they happen on the way out of the data file (reads, with or without nearest-index
// resampling) and on the way in (converting writes).
//
// Buffers are raw bytes: a value of a type is read and written with memcpy, so callers'
// buffers need no particular alignment. Elements of a strided buffer lie `stride` elements of
// their type apart, forwards or (for a negative stride) backwards from the given element; the
// caller has checked that every element's offset can be formed (math::StridedSpan), so the
// loops compute offsets without checks of their own.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "vor4/vor_vocabulary.h"

namespace ek::vor::conv {

// Older names of the data type codes, kept for code written against them.
inline constexpr unsigned char k_single = dtSingle;
inline constexpr unsigned char k_byte = dtByte;
inline constexpr unsigned char k_integer = dtInteger;
inline constexpr unsigned char k_bitmask = dtBitmask;
inline constexpr unsigned char k_double = dtDouble;

inline constexpr int32_t k_null_int = 2147483647;
inline constexpr unsigned char k_null_byte = 255;

inline bool known_type(unsigned char type) { return type <= dtDouble; }

// Truncation toward zero to a signed 32-bit integer; NaN and values outside the 32-bit range
// give -2147483648.
inline int32_t trunc_i32(double v) {
    // Select, then convert: no branch, so conversion loops vectorise. NaN fails both tests.
    const bool inRange = (v > -2147483649.0) & (v < 2147483648.0);
    return static_cast<int32_t>(inRange ? v : -2147483648.0);
}

// trunc(value + 0.5), the rounding of the single-value integer getters and setters.
inline int32_t round_half_up_i32(double v) { return trunc_i32(v + 0.5); }

inline unsigned char low_byte(int32_t v) { return static_cast<unsigned char>(static_cast<uint32_t>(v) & 0xFFu); }

// 1 for a non-zero value, 0 for zero (-0.0 counts as zero, NaN as non-zero).
inline unsigned char nonzero(double v) { return v != 0.0 ? 1 : 0; }
inline unsigned char nonzero(int64_t v) { return v != 0 ? 1 : 0; }

// The nearest float; a finite double beyond the single range becomes an infinity (IEEE
// conversion, as the hardware does it).
inline float to_single(double v) { return static_cast<float>(v); }

// Read conversion without resampling: source value i (contiguous, srcType) becomes element
// i * dstStride of dst (dstType). False, dst untouched, when either type is unknown.
bool convert_read(const void* src, unsigned char srcType, int64_t count, void* dst, unsigned char dstType,
                  int64_t dstStride);

// Source index of output value k of a resampled read of `count` values: trunc(k * ratio + 0.5)
// with ratio = count / dstCount, clamped to count - 1 (an enlargement by two or more would
// otherwise name the value one past the run).
inline int64_t resample_index(int64_t k, double ratio, int64_t count) {
    const int64_t s = static_cast<int64_t>(static_cast<double>(k) * ratio + 0.5);
    return s < count ? s : count - 1;
}

// Resampled read of output values [kBegin, kEnd): output k takes source value
// resample_index(k, ratio, count), which must lie in the piece of the source that `src` holds,
// starting at source index srcFirst. A requested bitmask is treated like a byte. False, dst
// untouched, when either type is unknown.
bool convert_read_space(const void* src, unsigned char srcType, int64_t srcFirst, int64_t count, double ratio,
                        int64_t kBegin, int64_t kEnd, void* dst, unsigned char dstType, int64_t dstStride);

// Resampled read with the source indices worked out beforehand: output k takes source value
// picks[k] of src, k in [0, n). The same conversions as convert_read_space.
bool convert_read_picks(const void* src, unsigned char srcType, const int64_t* picks, int64_t n, void* dst,
                        unsigned char dstType, int64_t dstStride);

// Write conversion: value k from element k * srcStride of src (srcType) becomes value k of the
// contiguous dst (storedType), for any pair of types including equal ones. A stored bitmask
// uses the byte conversions. False, dst untouched, when either type is unknown.
bool convert_write(const void* src, unsigned char srcType, int64_t srcStride, int64_t count, void* dst,
                   unsigned char storedType);

}  // namespace ek::vor::conv
