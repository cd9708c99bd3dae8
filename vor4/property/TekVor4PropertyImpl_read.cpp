// Reads: runs with conversion and nearest-index resampling, mask bits, index reads and
// 2D/3D windows.
#include <algorithm>
#include <array>
#include <cstdint>
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
using ek::vor::math::k_i64_max;
using ek::vor::math::mul_sat;
using ek::vor::math::StridedSpan;
using ek::vor::math::window_fits;

namespace {

// The eight values of a packed byte, least significant bit first, one byte 0 or 1 each, as they
// lie in memory: unpacking a byte is one 8-byte copy.
const std::array<uint64_t, 256>& bit_spread_table() {
    static const auto table = [] {
        std::array<uint64_t, 256> t{};
        for (unsigned v = 0; v < 256; ++v) {
            unsigned char bytes[8];
            for (unsigned b = 0; b < 8; ++b) bytes[b] = static_cast<unsigned char>((v >> b) & 1u);
            std::memcpy(&t[v], bytes, 8);
        }
        return t;
    }();
    return table;
}

// Temporary buffers of converting reads hold at most this many bytes of stored values, so
// memory stays bounded whatever the run length; small enough to stay in the cache.
constexpr long long k_chunk_bytes = 256 * 1024;
// Mask bytes unpacked per positioned read.
constexpr long long k_packed_chunk_bytes = 64 * 1024;
// In a resampled read, source values further apart than this are fetched by separate reads
// instead of reading everything between them.
constexpr long long k_gap_bytes = 64 * 1024;

// Rows of a window read named to the system ahead of reading them: enough to keep a disk busy,
// few enough that their list stays small.
constexpr size_t k_prefetch_rows = 1 << 16;

// Ends a window read's row plan however the read ends.
struct PlanScope {
    const unsigned char*& base;
    ~PlanScope() { base = nullptr; }
};

// The first source object of each output row of a 2D window: the h rows are spread over dstH
// outputs in whole steps of h / dstH rows, the remainder carried from row to row.
struct RowWalk {
    long long position, q, r, nx, dstH, acc = 0;
    void next() {
        position = add_sat(position, mul_sat(q, nx));
        acc += r;
        if (acc > dstH) {
            position = add_sat(position, nx);
            acc -= dstH;
        }
    }
};

// Nearest source row or slice of output j of n outputs over len sources, never past the last.
long long nearest(long long j, long long len, long long n) {
    const long long s = static_cast<long long>(static_cast<double>(j) * static_cast<double>(len) / static_cast<double>(n) + 0.5);
    return s < len ? s : len - 1;
}

}  // namespace

bool TekVor4PropertyImpl::readBit(long long start, long long count, unsigned char* dst) {
    if (start < 0 || count < 0 || (dst == nullptr && count > 0)) return false;
    if (!openDataFile()) return false;
    if (count == 0) return true;
    const long long end = add_sat(start, count);
    const long long span = std::min(k_packed_chunk_bytes, (end - 1) / 8 - start / 8 + 1);
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size_t(span)]);
    if (!buffer) return false;
    unsigned char* const packed = buffer.get();
    long long p = start;
    while (p < end) {
        const long long byteFirst = p / 8;
        // Pieces after the first start on a byte boundary.
        const long long pieceEnd = std::min(end, mul_sat(byteFirst + k_packed_chunk_bytes, 8));
        const long long nbytes = (pieceEnd - 1) / 8 - byteFirst + 1;
        if (!readAt(uint64_t(byteFirst), packed, uint64_t(nbytes))) return false;
        long long bit = p % 8;
        const unsigned char* byte = packed;
        long long i = p;
        // The leading bits up to a byte boundary, then whole bytes eight values at a time.
        for (; i < pieceEnd && bit != 0; ++i) {
            *dst++ = static_cast<unsigned char>((*byte >> bit) & 1u);
            if (++bit == 8) {
                bit = 0;
                ++byte;
            }
        }
        const auto& spread = bit_spread_table();
        for (; pieceEnd - i >= 8; i += 8, dst += 8) std::memcpy(dst, &spread[*byte++], 8);
        for (; i < pieceEnd; ++i, ++bit) *dst++ = static_cast<unsigned char>((*byte >> bit) & 1u);
        p = pieceEnd;
    }
    return true;
}

bool TekVor4PropertyImpl::readPackedZeroPast(long long bytePos, long long n, unsigned char* out) {
    if (!file_.seek(uint64_t(bytePos))) return false;
    const uint64_t got = file_._read_bytes(out, uint64_t(n));
    if (got == ek::detail::fileio_win::failed) return false;
    if (got < uint64_t(n)) std::memset(out + got, 0, size_t(uint64_t(n) - got));
    return true;
}

const unsigned char* TekVor4PropertyImpl::mappedValues(long long first, long long n) {
    rowPlan_.base = nullptr;
    long long offset, bytes;
    if (__builtin_mul_overflow(first, elemSize_, &offset) || __builtin_mul_overflow(n, elemSize_, &bytes))
        return nullptr;
    return file_.map_view(uint64_t(offset), uint64_t(bytes));
}

template <class NextRow>
void TekVor4PropertyImpl::prefetchRows(long long rows, long long n, NextRow nextRow) const {
    long long bytes;
    if (rows <= 0 || __builtin_mul_overflow(n, elemSize_, &bytes)) return;
    try {
        std::vector<uint64_t> offsets;
        offsets.reserve(size_t(std::min<long long>(rows, k_prefetch_rows)));
        for (long long k = 0; k < rows && offsets.size() < k_prefetch_rows; ++k) {
            long long offset;
            if (__builtin_mul_overflow(nextRow(), elemSize_, &offset)) break;
            if (offsets.empty() || uint64_t(offset) != offsets.back()) offsets.push_back(uint64_t(offset));
        }
        file_.prefetch(offsets, uint64_t(bytes));
    } catch (const std::bad_alloc&) {
        // A hint only: the read goes on without it.
    }
}

void TekVor4PropertyImpl::planRows(long long first, long long end, long long count, long long dstCount) {
    if (dataType_ == dtBitmask || count == dstCount || count <= 0 || dstCount <= 0 || end <= first ||
        end == k_i64_max)
        return;
    const unsigned char* const base = mappedValues(first, end - first);
    if (base == nullptr) return;
    try {
        rowPlan_.picks.resize(size_t(dstCount));
    } catch (const std::bad_alloc&) {
        return;
    }
    const double ratio = static_cast<double>(count) / static_cast<double>(dstCount);
    for (long long k = 0; k < dstCount; ++k) rowPlan_.picks[size_t(k)] = conv::resample_index(k, ratio, count);
    rowPlan_.base = base;
    rowPlan_.first = first;
    rowPlan_.end = end;
    rowPlan_.count = count;
}

int TekVor4PropertyImpl::readRawData(long long start, long long count, void* dst, long long dstCount,
                                     unsigned char dstType, long long dstStride) {
    if (start < 0 || count < 0 || dstCount < 0) return 4;
    if (count > numObjects_) return 4;
    if (dst == nullptr && count > 0 && dstCount > 0) return 4;
    // A negative stride fills dst backwards from the given element.
    const long long stride = dstStride == 0 ? 1 : dstStride;
    if (count > 0 && !StridedSpan(dst, ek::vor::data_type_size(dstType)).axis(dstCount, stride).fits()) return 4;
    if (!prepareFile()) return 2;
    // Nothing to read or nothing to fill: dst stays as it is.
    if (count == 0 || dstCount == 0) return 0;
    if (elemSize_ == 0) return 2;

    if (dataType_ != dtBitmask && dataType_ == dstType && count == dstCount && stride == 1) {
        // Own type, one to one: straight from the file into the caller's buffer.
        long long offset, bytes;
        if (__builtin_mul_overflow(start, elemSize_, &offset) || __builtin_mul_overflow(count, elemSize_, &bytes))
            return 2;
        return readAt(uint64_t(offset), dst, uint64_t(bytes)) ? 0 : 2;
    }
    return readConverted(start, count, dst, dstCount, dstType, stride);
}

int TekVor4PropertyImpl::readConverted(long long start, long long count, void* dst, long long dstCount,
                                       unsigned char dstType, long long stride) {
    const bool mask = dataType_ == dtBitmask;
    auto* out = static_cast<unsigned char*>(dst);
    const double ratio = static_cast<double>(count) / static_cast<double>(dstCount);
    if (count != dstCount && !mask) {
        // Resampling straight from a mapping of the data file when there is one: only the
        // picked values are touched, where reads would copy every value between them first.
        // The mapping must hold what the reads below would read: up to the last picked value.
        const long long n = conv::resample_index(dstCount - 1, ratio, count) + 1;
        const RowPlan& plan = rowPlan_;
        if (plan.base != nullptr && count == plan.count && size_t(dstCount) == plan.picks.size() &&
            start >= plan.first && n <= plan.end - start) {
            conv::convert_read_picks(plan.base + (start - plan.first) * elemSize_, dataType_, plan.picks.data(),
                                     dstCount, out, dstType, stride);
            return 0;
        }
        if (const unsigned char* src = mappedValues(start, n)) {
            conv::convert_read_space(src, dataType_, 0, count, ratio, 0, dstCount, out, dstType, stride);
            return 0;
        }
    }

    const long long size = elemSize_;  // one byte per unpacked mask value
    const long long chunk = std::max<long long>(1, k_chunk_bytes / size);
    const long long bufValues = std::min(count, chunk);
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[size_t(bufValues * size)]);
    if (!buf) return 1;

    // Source values [first, first + n) of the run into buf.
    auto load = [&](long long first, long long n) -> bool {
        if (mask) return readBit(start + first, n, buf.get());
        long long offset;
        if (__builtin_mul_overflow(add_sat(start, first), size, &offset)) return false;
        return readAt(uint64_t(offset), buf.get(), uint64_t(n * size));
    };

    const long long dstSize = ek::vor::data_type_size(dstType);

    if (count == dstCount) {
        for (long long pos = 0; pos < count; pos += chunk) {
            const long long n = std::min(chunk, count - pos);
            if (!load(pos, n)) return 2;
            conv::convert_read(buf.get(), dataType_, n, out + pos * stride * dstSize, dstType, stride);
        }
        return 0;
    }

    // Resampling by reads: output k takes source resample_index(k). Outputs are taken in order
    // in groups whose sources fit one buffer and lie close together; each group is one read.
    const long long gap = std::max<long long>(1, k_gap_bytes / size);
    // Consecutive sources lie at most ceil(ratio) apart: either every step is a gap (sparse
    // sampling, one read per output) or none is.
    const bool sparse = ratio > static_cast<double>(gap);
    long long k = 0;
    while (k < dstCount) {
        const long long s0 = conv::resample_index(k, ratio, count);
        long long kEnd = k + 1;
        if (!sparse) {
            // The last output whose source still fits the buffer, estimated and then corrected.
            const long long limit = s0 + chunk - 1;
            const double estimate = (static_cast<double>(limit) + 0.5) / ratio;
            long long kl = estimate >= static_cast<double>(dstCount - 1) ? dstCount - 1
                                                                          : static_cast<long long>(estimate);
            if (kl < k) kl = k;
            while (kl + 1 < dstCount && conv::resample_index(kl + 1, ratio, count) <= limit) ++kl;
            while (kl > k && conv::resample_index(kl, ratio, count) > limit) --kl;
            kEnd = kl + 1;
        }
        const long long last = conv::resample_index(kEnd - 1, ratio, count);
        if (!load(s0, last - s0 + 1)) return 2;
        conv::convert_read_space(buf.get(), dataType_, s0, count, ratio, k, kEnd, out, dstType, stride);
        k = kEnd;
    }
    return 0;
}

int TekVor4PropertyImpl::readRawData_index(long long start, long long count, long long* dst, long long dstOffset,
                                           long long dstCount, long long step) {
    if (start < 0 || count < 0 || dstCount < 0 || dstOffset < 0) return 4;
    if (count > numObjects_) return 4;
    const long long outputs = count != dstCount ? dstCount : count;
    if (dst == nullptr && outputs > 0) return 4;
    if (!StridedSpan(dst, sizeof(long long)).offset(dstOffset).axis(outputs, 1).fits()) return 4;
    if (!prepareFile()) return 2;
    long long* out = outputs > 0 ? dst + dstOffset : dst;
    if (count != dstCount) {
        // No source value to name for an empty run.
        if (count == 0) return 0;
        for (long long k = 0; k < dstCount; ++k) {
            long long s = static_cast<long long>(static_cast<double>(k) * static_cast<double>(count) /
                                                     static_cast<double>(dstCount) +
                                                 0.5);
            if (s >= count) s = count - 1;  // the nearest valid source, as the data reads do
            out[k] = s + start;
        }
    } else {
        const long long st = step == 0 ? 1 : step;
        // Wrapping arithmetic: an absurd step gives absurd indices, never undefined behaviour.
        for (long long k = 0; k < count; ++k)
            out[k] = static_cast<long long>(uint64_t(start) + uint64_t(k) * uint64_t(st));
    }
    return 0;
}

int TekVor4PropertyImpl::readData2D(long long x0, long long y0, long long w, long long h, void* dst, long long dstW,
                                    long long dstH, unsigned char dstType, long long dstStride,
                                    long long dstRowStride) {
    if (geomType_ != geom2D) return 5;
    if (!window_fits(x0, w, nx_) || !window_fits(y0, h, ny_)) return 4;
    if (dstW < 0) return 4;
    // Strides and pitches of either sign: rows and values run backwards from dst for a
    // negative one. The default pitch is only needed when there is a second row.
    const long long stride = dstStride == 0 ? 1 : dstStride;
    long long pitch = dstRowStride;
    if (pitch == 0 && __builtin_mul_overflow(stride, dstW, &pitch) && dstH > 1) return 4;
    if (dstH < 1) return 0;
    if (dst == nullptr && dstW > 0) return 4;
    if (h == 0) return 0;  // no row to sample
    const long long size = ek::vor::data_type_size(dstType);
    if (!StridedSpan(dst, size).axis(dstW, stride).axis(dstH, pitch).fits()) return 4;

    RowWalk walk{add_sat(mul_sat(y0, nx_), x0), h / dstH, h % dstH, nx_, dstH};
    auto* const base = static_cast<unsigned char*>(dst);
    const PlanScope scope{rowPlan_.base};
    for (long long j = 0; j < dstH; ++j) {
        // Offsets are formed only for rows that receive values; the span check covers them.
        unsigned char* const row = dstW > 0 ? base + j * pitch * size : base;
        const int res = readRawData(walk.position, w, row, dstW, dstType, stride);
        if (res != 0) return res;
        // The first row has opened the data file and passed the checks every row shares.
        if (j == 0 && dstH > 1) {
            planRows(walk.position, add_sat(add_sat(mul_sat(y0 + h - 1, nx_), x0), w), w, dstW);
            if (rowPlan_.base != nullptr)
                prefetchRows(dstH - 1, w, [ahead = walk]() mutable { return ahead.next(), ahead.position; });
        }
        walk.next();
    }
    return 0;
}

int TekVor4PropertyImpl::readData2D_index(long long x0, long long y0, long long w, long long h, long long* dst,
                                          long long dstW, long long dstH, long long step, long long /*rowStep*/) {
    if (geomType_ != geom2D) return 5;
    if (!window_fits(x0, w, nx_) || !window_fits(y0, h, ny_)) return 4;
    if (dstW < 0) return 4;
    if (dstH < 1) return 0;
    if (dst == nullptr && dstW > 0) return 4;
    if (h == 0) return 0;
    // The rows lie one after the other in dst.
    if (!StridedSpan(dst, sizeof(long long)).axis(dstW, 1).axis(dstH, dstW).fits()) return 4;

    const long long q = h / dstH;
    const long long r = h % dstH;
    long long position = add_sat(mul_sat(y0, nx_), x0);
    long long acc = 0;
    for (long long j = 0; j < dstH; ++j) {
        const int res = readRawData_index(position, w, dst, j * dstW, dstW, step);
        if (res != 0) return res;
        position = add_sat(position, mul_sat(q, nx_));
        acc += r;
        if (acc > dstH) {
            position = add_sat(position, nx_);
            acc -= dstH;
        }
    }
    return 0;
}

int TekVor4PropertyImpl::readData3D(long long x0, long long y0, long long z0, long long w, long long h, long long d,
                                    void* dst, long long dstW, long long dstH, long long dstD,
                                    unsigned char dstType, long long dstStride, long long dstRowStride,
                                    long long dstSliceStride) {
    if (geomType_ != geom3D) return 5;
    if (!window_fits(x0, w, nx_) || !window_fits(y0, h, ny_) || !window_fits(z0, d, nz_)) return 4;
    if (dstW < 0) return 4;
    // As in the 2D read: either sign, defaults formed only when a further row or slice needs them.
    const long long stride = dstStride == 0 ? 1 : dstStride;
    long long rowPitch = dstRowStride;
    const bool rowPitchUsed = dstH > 1 || (dstD > 1 && dstSliceStride == 0);
    if (rowPitch == 0 && __builtin_mul_overflow(stride, dstW, &rowPitch) && rowPitchUsed) return 4;
    long long slicePitch = dstSliceStride;
    if (slicePitch == 0 && __builtin_mul_overflow(rowPitch, dstH > 0 ? dstH : 0, &slicePitch) && dstD > 1)
        return 4;
    if (dstD < 1 || dstH < 1) return 0;
    if (dst == nullptr && dstW > 0) return 4;
    if (h == 0 || d == 0) return 0;  // nothing to sample
    const long long size = ek::vor::data_type_size(dstType);
    if (!StridedSpan(dst, size).axis(dstW, stride).axis(dstH, rowPitch).axis(dstD, slicePitch).fits()) return 4;

    const long long plane = mul_sat(nx_, ny_);
    auto* const base = static_cast<unsigned char*>(dst);
    const PlanScope scope{rowPlan_.base};
    auto rowStart = [&](long long k, long long j) {
        const long long z = nearest(k, d, dstD) + z0;
        const long long y = nearest(j, h, dstH) + y0;
        return add_sat(add_sat(mul_sat(z, plane), mul_sat(y, nx_)), x0);
    };
    for (long long k = 0; k < dstD; ++k) {
        for (long long j = 0; j < dstH; ++j) {
            const long long position = rowStart(k, j);
            unsigned char* const row = dstW > 0 ? base + (k * slicePitch * size + j * rowPitch * size) : base;
            const int res = readRawData(position, w, row, dstW, dstType, stride);
            if (res != 0) return res;
            if (k == 0 && j == 0 && (dstD > 1 || dstH > 1)) {
                const long long last = add_sat(mul_sat(z0 + d - 1, plane), mul_sat(y0 + h - 1, nx_));
                planRows(position, add_sat(add_sat(last, x0), w), w, dstW);
                long long kk = 0, jj = 0;  // the rows after this one, slice by slice
                if (rowPlan_.base != nullptr)
                    prefetchRows(mul_sat(dstD, dstH) - 1, w, [&]() {
                        if (++jj == dstH) jj = 0, ++kk;
                        return rowStart(kk, jj);
                    });
            }
        }
    }
    return 0;
}
