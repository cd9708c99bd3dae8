// The document's dimensions, the bounding box of point sets, and the object indexes that a
// windowed read visits.
#include "vor4/TekVor4Impl.h"
#include "vor4/property/checked_math.h"
#include "vor4/vor_vocabulary.h"

namespace {

using namespace ek::vor::codes;
// Sizes come from hosts and files: products and sums saturate instead of overflowing.
using ek::vor::math::add_sat;
using ek::vor::math::mul_sat;

// How many sizes a grid type uses: X only, X and Y, or all three.
int usedSizes(unsigned char gridType) {
    switch (gridType) {
        case gtNone: case gt1D: case gt1DCoord: case gt2dCoord: case gt3DCoord: return 1;
        case gt2D: case gt2D_Func1D: case gt2D_Func2D: return 2;
        case gt3D: return 3;
        default: return 0;
    }
}

}  // namespace

void TekVor4Impl::getDimensions64(long long* sizes) {
    if (!sizes) return;
    sizes[0] = sizeX;
    sizes[1] = sizeY;
    sizes[2] = sizeZ;
}

void TekVor4Impl::setDimensions64(const long long* sizes) {
    sizeX = sizeY = sizeZ = 1;
    const int used = usedSizes(gridType);
    if (used == 0 || !sizes) return;
    sizeX = sizes[0];
    if (used >= 2) sizeY = sizes[1];
    if (used == 3) sizeZ = sizes[2];
    numObjects = mul_sat(mul_sat(sizeX, sizeY), sizeZ);
}

void TekVor4Impl::setDimensions32(const unsigned int* sizes) {
    long long wide[3] = {1, 1, 1};
    const int used = sizes ? usedSizes(gridType) : 0;
    for (int k = 0; k < used; ++k) wide[k] = static_cast<long long>(sizes[k]);
    setDimensions64(wide);
}

void TekVor4Impl::setSizeX(long long value) {
    sizeX = value;
    numObjects = mul_sat(mul_sat(sizeX, sizeY), sizeZ);
}

void TekVor4Impl::setSizeY(long long value) {
    sizeY = value;
    numObjects = mul_sat(mul_sat(sizeX, sizeY), sizeZ);
}

void TekVor4Impl::setSizeZ(long long value) {
    sizeZ = value;
    numObjects = mul_sat(mul_sat(sizeX, sizeY), sizeZ);
}

bool TekVor4Impl::getBox(unsigned int index, double* box) {
    if (index >= properties.size() || !box) return false;
    if (!properties[index]->getStatisticSet()) return false;
    int axes = 0;
    switch (gridType) {
        case gt3DCoord: axes = 3; break;
        case gt2dCoord: axes = 2; break;
        case gt1DCoord: axes = 1; break;
        default: return false;
    }
    const int coordinate[3] = {xPropIndex, yPropIndex, zPropIndex};
    for (int a = 0; a < axes; ++a) {
        if (coordinate[a] < 0 || static_cast<size_t>(coordinate[a]) >= properties.size()) return false;
    }
    for (int a = 0; a < axes; ++a) {
        const TekVor4Property* p = properties[static_cast<size_t>(coordinate[a])];
        box[2 * a] = p->getDfMin();
        box[2 * a + 1] = p->getDfMax();
    }
    return true;
}

int TekVor4Impl::read_index(long long start, long long count, long long* dst, long long dstOffset,
                            long long dstCount, long long step) {
    if (numObjects < count) return 4;
    if (step == 0) step = 1;
    if (count == dstCount) {
        if (count > 0 && !dst) return 4;
        for (long long i = 0; i < count; ++i) dst[dstOffset + i] = add_sat(start, mul_sat(i, step));
    } else if (dstCount > 0) {
        if (!dst) return 4;
        for (long long i = 0; i < dstCount; ++i) {
            const double source = static_cast<double>(i) * static_cast<double>(count) / static_cast<double>(dstCount);
            dst[dstOffset + i] = add_sat(start, static_cast<long long>(source + 0.5));
        }
    }
    return 0;
}

int TekVor4Impl::read_index2d(long long x0w, long long y0w, long long w, long long h, long long* dst, long long dstW,
                              long long dstH, long long step, long long /*dstRowStride*/) {
    if (gridType != 3) return 5;
    if (add_sat(x0w, w) > sizeX || add_sat(y0w, h) > sizeY) return 4;
    if (step == 0) step = 1;
    if (dstH <= 0) return 0;
    const long long q = h / dstH, r = h % dstH;
    long long rowStart = add_sat(mul_sat(y0w, sizeX), x0w);
    long long accumulator = 0;
    for (long long k = 0; k < dstH; ++k) {
        const int code = read_index(rowStart, w, dst, mul_sat(k, dstW), dstW, step);
        if (code != 0) return code;
        rowStart = add_sat(rowStart, mul_sat(q, sizeX));
        accumulator += r;
        if (accumulator > dstH) {
            rowStart = add_sat(rowStart, sizeX);
            accumulator -= dstH;
        }
    }
    return 0;
}

int TekVor4Impl::read_index3d(long long x0w, long long y0w, long long z0w, long long w, long long h, long long d,
                              long long* dst, long long dstW, long long dstH, long long dstD, long long step,
                              long long dstRowStride, long long dstSliceStride) {
    if (gridType != 5) return 5;
    if (add_sat(x0w, w) > sizeX || add_sat(y0w, h) > sizeY || add_sat(z0w, d) > sizeZ) return 4;
    if (step == 0) step = 1;
    if (dstRowStride == 0) dstRowStride = mul_sat(step, dstW);
    if (dstSliceStride == 0) dstSliceStride = mul_sat(dstRowStride, dstH);
    if (dstD <= 0) return 0;
    for (long long k = 0; k < dstD; ++k) {
        const long long z = z0w + static_cast<long long>(static_cast<double>(k) * static_cast<double>(d) /
                                                             static_cast<double>(dstD) + 0.5);
        for (long long j = 0; j < dstH; ++j) {
            const long long y = y0w + static_cast<long long>(static_cast<double>(j) * static_cast<double>(h) /
                                                                 static_cast<double>(dstH) + 0.5);
            const long long start = add_sat(add_sat(mul_sat(mul_sat(z, sizeX), sizeY), mul_sat(y, sizeX)), x0w);
            const int code =
                read_index(start, w, dst, add_sat(mul_sat(k, dstSliceStride), mul_sat(j, dstRowStride)), dstW, step);
            if (code != 0) return code;
        }
    }
    return 0;
}
