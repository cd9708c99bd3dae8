#include "vor4/property/value_conversion.h"

#include <cstring>

namespace ek::vor::conv {
namespace {

template <class T>
inline T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
inline void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

template <class T>
inline T quiet_nan() {
    return std::numeric_limits<T>::quiet_NaN();
}

template <class T>
struct bits_of;
template <>
struct bits_of<float> {
    using type = uint32_t;
};
template <>
struct bits_of<double> {
    using type = uint64_t;
};
template <>
struct bits_of<int32_t> {
    using type = uint32_t;
};
template <>
struct bits_of<unsigned char> {
    using type = unsigned char;
};

// useAlt ? alt : value, by bit masking (floats and integers). A plain conditional around a float conversion stays a
// branch (the conversion may raise a floating-point flag), which keeps loops from vectorising.
template <class T>
inline T pick(bool useAlt, T value, T alt) {
    using B = typename bits_of<T>::type;
    B a, b;
    std::memcpy(&a, &value, sizeof a);
    std::memcpy(&b, &alt, sizeof b);
    const B m = static_cast<B>(B(0) - B(useAlt));
    a = static_cast<B>((a & static_cast<B>(~m)) | (b & m));
    T r;
    std::memcpy(&r, &a, sizeof r);
    return r;
}

template <class T>
inline bool finite(T v) {
    return std::fabs(v) <= std::numeric_limits<T>::max();  // false for NaN and infinities
}

// --- Element conversions. Each has the source type S, the destination type D and op. ---

template <class T>
struct Copy {
    using S = T;
    using D = T;
    static T op(T v) { return v; }
};

template <class From, class To>
struct Widen {
    using S = From;
    using D = To;
    static To op(From v) { return static_cast<To>(v); }
};

// Reads: a missing float becomes the missing value of the requested type. Between the two
// float types a NaN converts to a NaN by itself.
template <class From, class To>
struct FloatToFloatRd {
    using S = From;
    using D = To;
    static To op(From v) { return static_cast<To>(v); }
};

template <class From>
struct FloatToByteRd {
    using S = From;
    using D = unsigned char;
    static D op(From v) { return pick<D>(std::isnan(v), low_byte(trunc_i32(v)), k_null_byte); }
};

template <class From>
struct FloatToIntRd {
    using S = From;
    using D = int32_t;
    static D op(From v) { return pick<D>(std::isnan(v), trunc_i32(v), k_null_int); }
};

// A missing single reads as mask 0, a missing double as mask 1.
struct SingleToBitRd {
    using S = float;
    using D = unsigned char;
    static D op(float v) { return std::isnan(v) ? 0 : nonzero(static_cast<double>(v)); }
};

struct DoubleToBitRd {
    using S = double;
    using D = unsigned char;
    static D op(double v) { return std::isnan(v) ? 1 : nonzero(v); }
};

template <class To>
struct IntToFloat {
    using S = int32_t;
    using D = To;
    static To op(int32_t v) { return pick<To>(v == k_null_int, static_cast<To>(v), quiet_nan<To>()); }
};

struct IntToByteRd {
    using S = int32_t;
    using D = unsigned char;
    static D op(int32_t v) { return v == k_null_int ? k_null_byte : low_byte(v); }
};

struct IntToBitRd {
    using S = int32_t;
    using D = unsigned char;
    static D op(int32_t v) { return v == k_null_int ? 1 : nonzero(static_cast<int64_t>(v)); }
};

// Writes: non-finite floats are missing; a missing byte is stored as 0.
template <class From, class To>
struct FloatToFloatWr {
    using S = From;
    using D = To;
    static To op(From v) { return pick<To>(!finite(v), static_cast<To>(v), quiet_nan<To>()); }
};

template <class From>
struct FloatToByteWr {
    using S = From;
    using D = unsigned char;
    static D op(From v) { return pick<D>(!finite(v), low_byte(trunc_i32(v)), 0); }
};

template <class From>
struct FloatToIntWr {
    using S = From;
    using D = int32_t;
    static D op(From v) { return pick<D>(!finite(v), trunc_i32(v), k_null_int); }
};

struct IntToByteWr {
    using S = int32_t;
    using D = unsigned char;
    static D op(int32_t v) { return v == k_null_int ? 0 : low_byte(v); }
};

// --- Loops ---

template <class C>
void loop_plain(const unsigned char* src, int64_t srcStride, int64_t count, unsigned char* dst, int64_t dstStride) {
    using S = typename C::S;
    using D = typename C::D;
    if (srcStride == 1 && dstStride == 1) {
        for (int64_t i = 0; i < count; ++i)
            store<D>(dst + i * int64_t(sizeof(D)), C::op(load<S>(src + i * int64_t(sizeof(S)))));
        return;
    }
    // Strides of either sign; the caller checked that every offset below fits.
    const int64_t srcStep = srcStride * int64_t(sizeof(S));
    const int64_t dstStep = dstStride * int64_t(sizeof(D));
    for (int64_t i = 0; i < count; ++i) store<D>(dst + i * dstStep, C::op(load<S>(src + i * srcStep)));
}

template <class C>
void loop_space(const unsigned char* src, int64_t srcFirst, int64_t count, double ratio, int64_t kBegin,
                int64_t kEnd, unsigned char* dst, int64_t dstStride) {
    using S = typename C::S;
    using D = typename C::D;
    const int64_t dstStep = dstStride * int64_t(sizeof(D));
    for (int64_t k = kBegin; k < kEnd; ++k) {
        const int64_t s = resample_index(k, ratio, count) - srcFirst;
        store<D>(dst + k * dstStep, C::op(load<S>(src + s * int64_t(sizeof(S)))));
    }
}

template <class C>
void loop_picks(const unsigned char* src, const int64_t* picks, int64_t n, unsigned char* dst, int64_t dstStride) {
    using S = typename C::S;
    using D = typename C::D;
    const int64_t dstStep = dstStride * int64_t(sizeof(D));
    for (int64_t k = 0; k < n; ++k) store<D>(dst + k * dstStep, C::op(load<S>(src + picks[k] * int64_t(sizeof(S)))));
}

// Calls fn.template operator()<C>() with the read conversion C for the pair; false for an
// unknown type. `resampled` turns a requested bitmask into a requested byte.
template <class Fn>
bool dispatch_read(unsigned char srcType, unsigned char dstType, bool resampled, Fn&& fn) {
    if (!known_type(srcType) || !known_type(dstType)) return false;
    if (resampled && dstType == dtBitmask) dstType = dtByte;
    switch (srcType) {
        case dtSingle:
            switch (dstType) {
                case dtSingle: fn.template operator()<Copy<float>>(); return true;
                case dtByte: fn.template operator()<FloatToByteRd<float>>(); return true;
                case dtInteger: fn.template operator()<FloatToIntRd<float>>(); return true;
                case dtBitmask: fn.template operator()<SingleToBitRd>(); return true;
                default: fn.template operator()<FloatToFloatRd<float, double>>(); return true;
            }
        case dtByte:
        case dtBitmask:
            switch (dstType) {
                case dtSingle: fn.template operator()<Widen<unsigned char, float>>(); return true;
                case dtByte:
                case dtBitmask: fn.template operator()<Copy<unsigned char>>(); return true;
                case dtInteger: fn.template operator()<Widen<unsigned char, int32_t>>(); return true;
                default: fn.template operator()<Widen<unsigned char, double>>(); return true;
            }
        case dtInteger:
            switch (dstType) {
                case dtSingle: fn.template operator()<IntToFloat<float>>(); return true;
                case dtByte: fn.template operator()<IntToByteRd>(); return true;
                case dtInteger: fn.template operator()<Copy<int32_t>>(); return true;
                case dtBitmask: fn.template operator()<IntToBitRd>(); return true;
                default: fn.template operator()<IntToFloat<double>>(); return true;
            }
        default:
            switch (dstType) {
                case dtSingle: fn.template operator()<FloatToFloatRd<double, float>>(); return true;
                case dtByte: fn.template operator()<FloatToByteRd<double>>(); return true;
                case dtInteger: fn.template operator()<FloatToIntRd<double>>(); return true;
                case dtBitmask: fn.template operator()<DoubleToBitRd>(); return true;
                default: fn.template operator()<Copy<double>>(); return true;
            }
    }
}

template <class Fn>
bool dispatch_write(unsigned char srcType, unsigned char storedType, Fn&& fn) {
    if (!known_type(srcType) || !known_type(storedType)) return false;
    // A stored mask holds one byte per value here, written like a byte.
    if (storedType == dtBitmask) storedType = dtByte;
    switch (srcType) {
        case dtSingle:
            switch (storedType) {
                case dtSingle: fn.template operator()<FloatToFloatWr<float, float>>(); return true;
                case dtByte: fn.template operator()<FloatToByteWr<float>>(); return true;
                case dtInteger: fn.template operator()<FloatToIntWr<float>>(); return true;
                default: fn.template operator()<FloatToFloatWr<float, double>>(); return true;
            }
        case dtByte:
        case dtBitmask:
            switch (storedType) {
                case dtSingle: fn.template operator()<Widen<unsigned char, float>>(); return true;
                case dtByte: fn.template operator()<Copy<unsigned char>>(); return true;
                case dtInteger: fn.template operator()<Widen<unsigned char, int32_t>>(); return true;
                default: fn.template operator()<Widen<unsigned char, double>>(); return true;
            }
        case dtInteger:
            switch (storedType) {
                case dtSingle: fn.template operator()<IntToFloat<float>>(); return true;
                case dtByte: fn.template operator()<IntToByteWr>(); return true;
                case dtInteger: fn.template operator()<Copy<int32_t>>(); return true;
                default: fn.template operator()<IntToFloat<double>>(); return true;
            }
        default:
            switch (storedType) {
                case dtSingle: fn.template operator()<FloatToFloatWr<double, float>>(); return true;
                case dtByte: fn.template operator()<FloatToByteWr<double>>(); return true;
                case dtInteger: fn.template operator()<FloatToIntWr<double>>(); return true;
                default: fn.template operator()<FloatToFloatWr<double, double>>(); return true;
            }
    }
}

}  // namespace

bool convert_read(const void* src, unsigned char srcType, int64_t count, void* dst, unsigned char dstType,
                  int64_t dstStride) {
    const auto* s = static_cast<const unsigned char*>(src);
    auto* d = static_cast<unsigned char*>(dst);
    return dispatch_read(srcType, dstType, false,
                         [&]<class C>() { loop_plain<C>(s, 1, count, d, dstStride); });
}

bool convert_read_space(const void* src, unsigned char srcType, int64_t srcFirst, int64_t count, double ratio,
                        int64_t kBegin, int64_t kEnd, void* dst, unsigned char dstType, int64_t dstStride) {
    const auto* s = static_cast<const unsigned char*>(src);
    auto* d = static_cast<unsigned char*>(dst);
    return dispatch_read(srcType, dstType, true, [&]<class C>() {
        loop_space<C>(s, srcFirst, count, ratio, kBegin, kEnd, d, dstStride);
    });
}

bool convert_read_picks(const void* src, unsigned char srcType, const int64_t* picks, int64_t n, void* dst,
                        unsigned char dstType, int64_t dstStride) {
    const auto* s = static_cast<const unsigned char*>(src);
    auto* d = static_cast<unsigned char*>(dst);
    return dispatch_read(srcType, dstType, true, [&]<class C>() { loop_picks<C>(s, picks, n, d, dstStride); });
}

bool convert_write(const void* src, unsigned char srcType, int64_t srcStride, int64_t count, void* dst,
                   unsigned char storedType) {
    const auto* s = static_cast<const unsigned char*>(src);
    auto* d = static_cast<unsigned char*>(dst);
    return dispatch_write(srcType, storedType,
                          [&]<class C>() { loop_plain<C>(s, srcStride, count, d, 1); });
}

}  // namespace ek::vor::conv
