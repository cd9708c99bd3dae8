// Arithmetic of counts, positions and caller buffers that never overflows: saturating products
// and sums of counts, window bounds, and the check that every element of a strided buffer has
// an address.
#pragma once

#include <cstdint>
#include <limits>

namespace ek::vor::math {

inline constexpr long long k_i64_max = std::numeric_limits<long long>::max();
inline constexpr long long k_i64_min = std::numeric_limits<long long>::min();

// a * b, saturating at the limit on the side of the true result instead of overflowing.
inline long long mul_sat(long long a, long long b) {
    long long r;
    if (__builtin_mul_overflow(a, b, &r)) return (a < 0) != (b < 0) ? k_i64_min : k_i64_max;
    return r;
}

// a + b, saturating likewise.
inline long long add_sat(long long a, long long b) {
    long long r;
    if (__builtin_add_overflow(a, b, &r)) return a < 0 ? k_i64_min : k_i64_max;
    return r;
}

// [a, a + len) lies inside [0, limit), all of them non-negative.
inline bool window_fits(long long a, long long len, long long limit) {
    return a >= 0 && len >= 0 && a <= limit && len <= limit - a;
}

// The memory a strided buffer covers, seen from its given element: along each axis n positions
// `step` elements apart, with a step of either sign (a negative step walks backwards from the
// given element, as hosts do to flip rows). fits() is false when the address of some element
// cannot be formed: a byte offset beyond 64 bits or an address outside the address space. It is
// checked once per call, so the loops over the elements need no checks of their own: every
// partial offset of an element lies between the extremes checked here.
class StridedSpan {
public:
    StridedSpan(const void* base, long long elemSize)
        : base_(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(base))), size_(elemSize) {}

    // Moves the given element by n elements.
    StridedSpan& offset(long long n) {
        long long bytes;
        if (__builtin_mul_overflow(n, size_, &bytes) || __builtin_add_overflow(lo_, bytes, &lo_) ||
            __builtin_add_overflow(hi_, bytes, &hi_))
            ok_ = false;
        return *this;
    }

    // One more axis of n positions; n < 1 makes the buffer empty (nothing is touched).
    StridedSpan& axis(long long n, long long step) {
        if (n < 1) empty_ = true;
        if (n <= 1 || !ok_) return *this;
        long long reach;
        if (__builtin_mul_overflow(n - 1, step, &reach) || __builtin_mul_overflow(reach, size_, &reach))
            ok_ = false;
        else if (reach < 0)
            ok_ = !__builtin_add_overflow(lo_, reach, &lo_);
        else
            ok_ = !__builtin_add_overflow(hi_, reach, &hi_);
        return *this;
    }

    bool fits() const {
        if (empty_) return true;
        if (!ok_) return false;
        long long top;  // offset of the last byte of the highest element
        if (__builtin_add_overflow(hi_, size_ > 0 ? size_ - 1 : 0, &top)) return false;
        const uint64_t room = std::numeric_limits<uintptr_t>::max() - base_;
        const bool lowOk = lo_ >= 0 ? uint64_t(lo_) <= room : uint64_t(0) - uint64_t(lo_) <= base_;
        const bool highOk = top >= 0 ? uint64_t(top) <= room : uint64_t(0) - uint64_t(top) <= base_;
        return lowOk && highOk;
    }

private:
    uint64_t base_;
    long long size_;
    long long lo_ = 0;  // byte offsets of the lowest and the highest element
    long long hi_ = 0;
    bool ok_ = true;
    bool empty_ = false;
};

// True when n elements, `stride` apart, from `base` can all be addressed.
inline bool strided_fits(const void* base, long long elemSize, long long n, long long stride) {
    return StridedSpan(base, elemSize).axis(n, stride).fits();
}

}  // namespace ek::vor::math
