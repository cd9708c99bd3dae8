// Writes: runs with conversion, gathering of strided runs, mask bits and 2D/3D windows.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/property/checked_math.h"
#include "vor4/property/value_conversion.h"
#include "vor4/vor_vocabulary.h"

namespace conv = ek::vor::conv;
using namespace ek::vor::codes;
using ek::vor::math::add_sat;
using ek::vor::math::mul_sat;
using ek::vor::math::StridedSpan;
using ek::vor::math::window_fits;

namespace {

// Temporary buffers of converting and gathering writes hold at most this many bytes.
constexpr long long k_chunk_bytes = 256 * 1024;
// Mask bytes handled per piece of a mask write (eight unpacked values each).
constexpr long long k_mask_chunk_bytes = 32 * 1024;

constexpr int k_unknown_type = 3;

template <size_t N>
void gather(const unsigned char* src, long long stride, long long n, unsigned char* dst) {
    const long long step = stride * static_cast<long long>(N);
    for (long long i = 0; i < n; ++i) std::memcpy(dst + i * static_cast<long long>(N), src + i * step, N);
}

// Mask value of element i of src: 1 for a non-zero value, NaN included.
template <class T>
void mask_values(const unsigned char* src, long long stride, long long n, unsigned char* dst) {
    const long long step = stride * static_cast<long long>(sizeof(T));
    for (long long i = 0; i < n; ++i) {
        T v;
        std::memcpy(&v, src + i * step, sizeof v);
        dst[i] = v != T(0) ? 1 : 0;
    }
}

}  // namespace

bool TekVor4PropertyImpl::writeHere(const void* data, uint64_t n) {
    const uint64_t at = file_.tell();
    const uint64_t got = file_._write_bytes(data, n);
    if (got != ek::detail::fileio_win::failed) windowWritten(at, data, got);
    return got == n;
}

int TekVor4PropertyImpl::write_data(long long start, const void* src, long long count, unsigned char srcType,
                                    long long srcStride) {
    if (start < 0 || count < 0) return 4;
    if (start > numObjects_ - count) return 4;
    if (src == nullptr && count > 0) return 4;
    if (!conv::known_type(srcType)) return k_unknown_type;
    // A negative stride takes the values backwards from the given element.
    const long long stride = srcStride == 0 ? 1 : srcStride;
    if (!StridedSpan(src, ek::vor::data_type_size(srcType)).axis(count, stride).fits()) return 4;
    if (!prepareFile()) return 2;
    invalidateStatistics();
    if (count == 0) return 0;

    int result;
    long long offset = 0;
    if (dataType_ == dtBitmask) {
        result = write_bitmask(start, src, count, srcType, stride);
    } else if (elemSize_ == 0 || __builtin_mul_overflow(start, elemSize_, &offset)) {
        result = 2;
    } else if (!file_.seek(uint64_t(offset))) {
        result = 2;
    } else if (srcType != dataType_) {
        result = write_any(src, count, srcType, stride);
    } else if (stride != 1) {
        result = write_same(src, count, stride);
    } else {
        result = write_same(src, count);
    }
    return result;
}

int TekVor4PropertyImpl::write_any(const void* src, long long count, unsigned char srcType, long long srcStride) {
    if (count < 0 || (src == nullptr && count > 0)) return 4;
    if (!conv::known_type(srcType) || !conv::known_type(dataType_)) return k_unknown_type;
    const long long stride = srcStride == 0 ? 1 : srcStride;
    if (!StridedSpan(src, ek::vor::data_type_size(srcType)).axis(count, stride).fits()) return 4;
    if (!file_.is_open()) return 2;
    if (count == 0) return 0;
    const long long storedSize = elemSize_;
    const long long srcSize = ek::vor::data_type_size(srcType);
    const long long chunk = k_chunk_bytes / storedSize;
    const long long bufValues = std::min(count, chunk);
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[size_t(bufValues * storedSize)]);
    if (!buf) return 6;
    const auto* in = static_cast<const unsigned char*>(src);
    for (long long pos = 0; pos < count; pos += chunk) {
        const long long n = std::min(chunk, count - pos);
        conv::convert_write(in + pos * stride * srcSize, srcType, stride, n, buf.get(), dataType_);
        if (!writeHere(buf.get(), uint64_t(n * storedSize))) return 2;
    }
    return 0;
}

int TekVor4PropertyImpl::write_same(const void* src, long long count) {
    if (count < 0 || (src == nullptr && count > 0)) return 4;
    if (!file_.is_open()) return 2;
    if (count == 0) return 0;
    if (elemSize_ == 0) return 2;
    long long bytes;
    if (__builtin_mul_overflow(count, elemSize_, &bytes)) return 2;
    return writeHere(src, uint64_t(bytes)) ? 0 : 2;
}

int TekVor4PropertyImpl::write_same(const void* src, long long count, long long srcStride) {
    if (srcStride == 0 || srcStride == 1) return write_same(src, count);
    if (count < 0 || (src == nullptr && count > 0)) return 4;
    if (!StridedSpan(src, elemSize_).axis(count, srcStride).fits()) return 4;
    if (!file_.is_open()) return 2;
    if (count == 0) return 0;
    const long long size = elemSize_;
    if (size != 1 && size != 4 && size != 8) return 2;
    const long long chunk = k_chunk_bytes / size;
    const long long bufValues = std::min(count, chunk);
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[size_t(bufValues * size)]);
    if (!buf) return 6;
    const auto* in = static_cast<const unsigned char*>(src);
    for (long long pos = 0; pos < count; pos += chunk) {
        const long long n = std::min(chunk, count - pos);
        const unsigned char* from = in + pos * srcStride * size;
        switch (size) {
            case 1: gather<1>(from, srcStride, n, buf.get()); break;
            case 4: gather<4>(from, srcStride, n, buf.get()); break;
            default: gather<8>(from, srcStride, n, buf.get()); break;
        }
        if (!writeHere(buf.get(), uint64_t(n * size))) return 2;
    }
    return 0;
}

int TekVor4PropertyImpl::write_bitmask(long long start, const void* src, long long count, unsigned char srcType,
                                       long long srcStride) {
    if (start < 0 || count < 0 || (src == nullptr && count > 0)) return 4;
    long long end;
    if (__builtin_add_overflow(start, count, &end)) return 4;
    if (!conv::known_type(srcType)) return k_unknown_type;
    const long long stride = srcStride == 0 ? 1 : srcStride;
    const long long srcSize = ek::vor::data_type_size(srcType);
    if (!StridedSpan(src, srcSize).axis(count, stride).fits()) return 4;
    if (!file_.is_open()) return 2;
    if (count == 0) return 0;
    const auto* in = static_cast<const unsigned char*>(src);

    const long long bufBits = std::min(k_mask_chunk_bytes, (end - 1) / 8 - start / 8 + 1) * 8;
    std::unique_ptr<unsigned char[]> bits(new (std::nothrow) unsigned char[size_t(bufBits)]);
    if (!bits) return 6;

    long long p = start;
    while (p < end) {
        const long long bytePos = p / 8;
        const long long pieceEnd = std::min(end, mul_sat(bytePos + k_mask_chunk_bytes, 8));
        const long long nbytes = (pieceEnd - 1) / 8 - bytePos + 1;
        const long long lead = p % 8;
        const long long tail = pieceEnd % 8;
        // Only the partly covered bytes at either end keep stored bits; they are read back
        // (as 0 beyond the end of the file).
        unsigned char edge;
        if (lead != 0 || (nbytes == 1 && tail != 0)) {
            if (!readPackedZeroPast(bytePos, 1, &edge)) return 2;
            for (int b = 0; b < 8; ++b) bits[b] = (edge >> b) & 1u;
        }
        if (nbytes > 1 && tail != 0) {
            if (!readPackedZeroPast(bytePos + nbytes - 1, 1, &edge)) return 2;
            for (int b = 0; b < 8; ++b) bits[(nbytes - 1) * 8 + b] = (edge >> b) & 1u;
        }
        const long long n = pieceEnd - p;
        const unsigned char* from = in + (p - start) * stride * srcSize;
        unsigned char* to = bits.get() + lead;
        switch (srcType) {
            case dtSingle: mask_values<float>(from, stride, n, to); break;
            case dtInteger: mask_values<int32_t>(from, stride, n, to); break;
            case dtDouble: mask_values<double>(from, stride, n, to); break;
            default: mask_values<unsigned char>(from, stride, n, to); break;
        }
        const int r = write_bit(bytePos, bits.get(), nbytes * 8);
        if (r != 0) return r;
        p = pieceEnd;
    }
    return 0;
}

int TekVor4PropertyImpl::write_bit(long long bytePos, const unsigned char* bits, long long n) {
    if (bytePos < 0 || n < 0 || (bits == nullptr && n > 0)) return 4;
    if (!file_.is_open()) return 2;
    if (n == 0) return 0;
    const long long total = n / 8 + (n % 8 != 0 ? 1 : 0);
    const long long chunk = std::min(k_mask_chunk_bytes, total);
    std::unique_ptr<unsigned char[]> packed(new (std::nothrow) unsigned char[size_t(chunk)]);
    if (!packed) return 6;
    for (long long done = 0; done < total; done += chunk) {
        const long long nbytes = std::min(chunk, total - done);
        for (long long i = 0; i < nbytes; ++i) {
            const long long firstBit = (done + i) * 8;
            const int m = int(std::min<long long>(8, n - firstBit));
            unsigned char byte = 0;
            for (int b = 0; b < m; ++b) byte |= static_cast<unsigned char>((bits[firstBit + b] != 0 ? 1u : 0u) << b);
            packed[i] = byte;
        }
        const long long at = add_sat(bytePos, done);
        if (!file_.seek(uint64_t(at))) return 2;
        const uint64_t got = file_._write_bytes(packed.get(), uint64_t(nbytes));
        if (got != ek::detail::fileio_win::failed) windowWrittenBits(at, packed.get(), (long long)got);
        if (got != uint64_t(nbytes)) return 2;
    }
    return 0;
}

int TekVor4PropertyImpl::write_data2d(long long x0, long long y0, const void* src, long long w, long long h,
                                      unsigned char srcType, long long srcStride, long long srcRowStride) {
    if (gridType_ != gt2D) return 5;
    if (!window_fits(x0, w, nx_) || !window_fits(y0, h, ny_)) return 4;
    if (h < 1) return 0;
    if (src == nullptr && w > 0) return 4;
    if (!conv::known_type(srcType)) return k_unknown_type;
    // Strides and pitches of either sign; the default pitch is only needed for a second row.
    const long long stride = srcStride == 0 ? 1 : srcStride;
    long long pitch = srcRowStride;
    if (pitch == 0 && __builtin_mul_overflow(stride, w, &pitch) && h > 1) return 4;
    const long long size = ek::vor::data_type_size(srcType);
    if (!StridedSpan(src, size).axis(w, stride).axis(h, pitch).fits()) return 4;
    const auto* const base = static_cast<const unsigned char*>(src);
    for (long long j = 0; j < h; ++j) {
        // Offsets are formed only for rows that hold values; the span check covers them.
        const unsigned char* const row = w > 0 ? base + j * pitch * size : base;
        const int r = write_data(add_sat(mul_sat(y0 + j, nx_), x0), row, w, srcType, stride);
        if (r != 0) return r;
    }
    return 0;
}

int TekVor4PropertyImpl::write_data3d(long long x0, long long y0, long long z0, const void* src, long long w,
                                      long long h, long long d, unsigned char srcType, long long srcStride,
                                      long long srcRowStride, long long srcSliceStride) {
    if (gridType_ != gt3D) return 5;
    if (!window_fits(x0, w, nx_) || !window_fits(y0, h, ny_) || !window_fits(z0, d, nz_)) return 4;
    if (h < 1 || d < 1) return 0;
    if (src == nullptr && w > 0) return 4;
    if (!conv::known_type(srcType)) return k_unknown_type;
    // As in the 2D write: either sign, defaults formed only when a further row or slice needs them.
    const long long stride = srcStride == 0 ? 1 : srcStride;
    long long rowPitch = srcRowStride;
    const bool rowPitchUsed = h > 1 || (d > 1 && srcSliceStride == 0);
    if (rowPitch == 0 && __builtin_mul_overflow(stride, w, &rowPitch) && rowPitchUsed) return 4;
    long long slicePitch = srcSliceStride;
    if (slicePitch == 0 && __builtin_mul_overflow(rowPitch, h, &slicePitch) && d > 1) return 4;
    const long long size = ek::vor::data_type_size(srcType);
    if (!StridedSpan(src, size).axis(w, stride).axis(h, rowPitch).axis(d, slicePitch).fits()) return 4;
    const long long plane = mul_sat(nx_, ny_);
    const auto* const base = static_cast<const unsigned char*>(src);
    for (long long k = 0; k < d; ++k) {
        for (long long j = 0; j < h; ++j) {
            const long long position = add_sat(add_sat(mul_sat(z0 + k, plane), mul_sat(y0 + j, nx_)), x0);
            const unsigned char* const row = w > 0 ? base + (k * slicePitch * size + j * rowPitch * size) : base;
            const int r = write_data(position, row, w, srcType, stride);
            if (r != 0) return r;
        }
    }
    return 0;
}
