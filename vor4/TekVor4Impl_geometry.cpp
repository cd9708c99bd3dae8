// The document's dimensions, the bounding box of point sets, and the object indexes that a
// windowed read visits.
#include "vor4/TekVor4Impl.h"

namespace {

// Sizes come from hosts and files; products wrap instead of overflowing undefined.
long long wrapMul(long long a, long long b) {
    return static_cast<long long>(static_cast<unsigned long long>(a) * static_cast<unsigned long long>(b));
}
long long wrapAdd(long long a, long long b) {
    return static_cast<long long>(static_cast<unsigned long long>(a) + static_cast<unsigned long long>(b));
}

// How many sizes a grid type uses: X only, X and Y, or all three.
int usedSizes(unsigned char gridType) {
    switch (gridType) {
        case 0: case 1: case 2: case 4: case 6: return 1;
        case 3: case 7: case 8: return 2;
        case 5: return 3;
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
    numObjects = wrapMul(wrapMul(sizeX, sizeY), sizeZ);
}

void TekVor4Impl::setDimensions32(const unsigned int* sizes) {
    long long wide[3] = {1, 1, 1};
    const int used = sizes ? usedSizes(gridType) : 0;
    for (int k = 0; k < used; ++k) wide[k] = static_cast<long long>(sizes[k]);
    setDimensions64(wide);
}

void TekVor4Impl::setSizeX(long long value) {
    sizeX = value;
    numObjects = wrapMul(wrapMul(sizeX, sizeY), sizeZ);
}

void TekVor4Impl::setSizeY(long long value) {
    sizeY = value;
    numObjects = wrapMul(wrapMul(sizeX, sizeY), sizeZ);
}

void TekVor4Impl::setSizeZ(long long value) {
    sizeZ = value;
    numObjects = wrapMul(wrapMul(sizeX, sizeY), sizeZ);
}

bool TekVor4Impl::getBox(unsigned int index, double* box) {
    if (index >= properties.size() || !box) return false;
    if (!properties[index]->getStatisticSet()) return false;
    int axes = 0;
    switch (gridType) {
        case 6: axes = 3; break;
        case 4: axes = 2; break;
        case 2: axes = 1; break;
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
        for (long long i = 0; i < count; ++i) dst[dstOffset + i] = wrapAdd(start, wrapMul(i, step));
    } else if (dstCount > 0) {
        if (!dst) return 4;
        for (long long i = 0; i < dstCount; ++i) {
            const double source = static_cast<double>(i) * static_cast<double>(count) / static_cast<double>(dstCount);
            dst[dstOffset + i] = wrapAdd(start, static_cast<long long>(source + 0.5));
        }
    }
    return 0;
}

int TekVor4Impl::read_index2d(long long x0w, long long y0w, long long w, long long h, long long* dst, long long dstW,
                              long long dstH, long long step, long long /*dstRowStride*/) {
    if (gridType != 3) return 5;
    if (wrapAdd(x0w, w) > sizeX || wrapAdd(y0w, h) > sizeY) return 4;
    if (step == 0) step = 1;
    if (dstH <= 0) return 0;
    const long long q = h / dstH, r = h % dstH;
    long long rowStart = wrapAdd(wrapMul(y0w, sizeX), x0w);
    long long accumulator = 0;
    for (long long k = 0; k < dstH; ++k) {
        const int code = read_index(rowStart, w, dst, wrapMul(k, dstW), dstW, step);
        if (code != 0) return code;
        rowStart = wrapAdd(rowStart, wrapMul(q, sizeX));
        accumulator += r;
        if (accumulator > dstH) {
            rowStart = wrapAdd(rowStart, sizeX);
            accumulator -= dstH;
        }
    }
    return 0;
}

int TekVor4Impl::read_index3d(long long x0w, long long y0w, long long z0w, long long w, long long h, long long d,
                              long long* dst, long long dstW, long long dstH, long long dstD, long long step,
                              long long dstRowStride, long long dstSliceStride) {
    if (gridType != 5) return 5;
    if (wrapAdd(x0w, w) > sizeX || wrapAdd(y0w, h) > sizeY || wrapAdd(z0w, d) > sizeZ) return 4;
    if (step == 0) step = 1;
    if (dstRowStride == 0) dstRowStride = wrapMul(step, dstW);
    if (dstSliceStride == 0) dstSliceStride = wrapMul(dstRowStride, dstH);
    if (dstD <= 0) return 0;
    for (long long k = 0; k < dstD; ++k) {
        const long long z = z0w + static_cast<long long>(static_cast<double>(k) * static_cast<double>(d) /
                                                             static_cast<double>(dstD) + 0.5);
        for (long long j = 0; j < dstH; ++j) {
            const long long y = y0w + static_cast<long long>(static_cast<double>(j) * static_cast<double>(h) /
                                                                 static_cast<double>(dstH) + 0.5);
            const long long start = wrapAdd(wrapAdd(wrapMul(wrapMul(z, sizeX), sizeY), wrapMul(y, sizeX)), x0w);
            const int code =
                read_index(start, w, dst, wrapAdd(wrapMul(k, dstSliceStride), wrapMul(j, dstRowStride)), dstW, step);
            if (code != 0) return code;
        }
    }
    return 0;
}
