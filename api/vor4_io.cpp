#include "api/vor4_io.h"

#include <cstdint>

#include "vor4/property/checked_math.h"

namespace ek::vor4_io {

namespace {

// Pitches are 32-bit signed element counts; their products wrap as 32-bit arithmetic does.
int product32(int a, int b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

int or_default(int value, int fallback) { return value != 0 ? value : fallback; }

// Runs readBlock(property, block) for every listed property; the block advances by
// size * blockPitch bytes after each entry, read or skipped.
template <class ReadBlock>
int read_blocks(TekVor4* h, void* dst, unsigned char dstType, int propCount, const int* propIndices, int blockPitch,
                ReadBlock readBlock) {
    const int size = ek_vor4_get_data_type_size(dstType);
    if (propCount < 1) return 0;
    const long long advance = product32(size, blockPitch);
    // Every block's first element must be addressable (a negative pitch lays the blocks out
    // backwards); each read checks the rest of its block.
    if (dst && !ek::vor::math::strided_fits(dst, 1, propCount, advance)) return 4;
    for (int k = 0; k < propCount; ++k) {
        const int index = propIndices ? propIndices[k] : k;
        if (index == -1) continue;
        TekVor4Property* p = ek_vor4_prop_open(h, static_cast<unsigned int>(index));
        if (!p) return 1;
        // A pointer is formed only for a block that is read.
        void* block = dst ? static_cast<char*>(dst) + k * advance : nullptr;
        const int result = readBlock(p, block);
        ek_vor4_prop_close(p);
        if (result != 0) return result;
    }
    return 0;
}

}  // namespace

int read(TekVor4* h, unsigned int start, unsigned int count, void* dst, unsigned int dstCount,
         unsigned char dstType, int propCount, int* propIndices, int dstStride, int propPitch) {
    const int stride = or_default(dstStride, 1);
    const int blockPitch = or_default(propPitch, static_cast<int>(dstCount));
    return read_blocks(h, dst, dstType, propCount, propIndices, blockPitch, [&](TekVor4Property* p, void* block) {
        return ek_vor4_prop_read(p, start, count, block, dstCount, dstType, stride);
    });
}

int read2d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int w, unsigned int hgt, void* dst,
           unsigned int dstW, unsigned int dstH, unsigned char dstType, int propCount, int* propIndices,
           int dstStride, int dstRowStride, int propPitch) {
    const int stride = or_default(dstStride, 1);
    const int rowPitch = or_default(dstRowStride, static_cast<int>(dstW));
    const int blockPitch = or_default(propPitch, product32(rowPitch, static_cast<int>(dstH)));
    return read_blocks(h, dst, dstType, propCount, propIndices, blockPitch, [&](TekVor4Property* p, void* block) {
        return ek_vor4_prop_read2d(p, x0, y0, w, hgt, block, dstW, dstH, dstType, stride, rowPitch);
    });
}

int read3d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int z0, unsigned int w, unsigned int hgt,
           unsigned int d, void* dst, unsigned int dstW, unsigned int dstH, unsigned int dstD,
           unsigned char dstType, int propCount, int* propIndices, int dstStride, int dstRowStride,
           int dstSliceStride, int propPitch) {
    const int stride = or_default(dstStride, 1);
    const int rowPitch = or_default(dstRowStride, static_cast<int>(dstW));
    const int slicePitch = or_default(dstSliceStride, product32(rowPitch, static_cast<int>(dstH)));
    const int blockPitch = or_default(propPitch, product32(slicePitch, static_cast<int>(dstD)));
    return read_blocks(h, dst, dstType, propCount, propIndices, blockPitch, [&](TekVor4Property* p, void* block) {
        return ek_vor4_prop_read3d(p, x0, y0, z0, w, hgt, d, block, dstW, dstH, dstD, dstType, stride, rowPitch,
                                   slicePitch);
    });
}

}  // namespace ek::vor4_io

extern "C" {

int ek_vor4_read(TekVor4* h, unsigned int start, unsigned int count, void* dst, unsigned int dstCount,
                 unsigned char dstType, int propCount, int* propIndices, int dstStride, int propPitch) {
    return ek::vor4_io::read(h, start, count, dst, dstCount, dstType, propCount, propIndices, dstStride, propPitch);
}

int ek_vor4_read2d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int w, unsigned int hgt, void* dst,
                   unsigned int dstW, unsigned int dstH, unsigned char dstType, int propCount, int* propIndices,
                   int dstStride, int dstRowStride, int propPitch) {
    return ek::vor4_io::read2d(h, x0, y0, w, hgt, dst, dstW, dstH, dstType, propCount, propIndices, dstStride,
                               dstRowStride, propPitch);
}

int ek_vor4_read3d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int z0, unsigned int w, unsigned int hgt,
                   unsigned int d, void* dst, unsigned int dstW, unsigned int dstH, unsigned int dstD,
                   unsigned char dstType, int propCount, int* propIndices, int dstStride, int dstRowStride,
                   int dstSliceStride, int propPitch) {
    return ek::vor4_io::read3d(h, x0, y0, z0, w, hgt, d, dst, dstW, dstH, dstD, dstType, propCount, propIndices,
                               dstStride, dstRowStride, dstSliceStride, propPitch);
}

}  // extern "C"
