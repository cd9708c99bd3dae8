// Exported run and window reads and writes of a property, and the document's index reads.
// The 32-bit forms widen positions, sizes and counts without sign and strides with sign, so a
// count with its top bit set stays a positive count and a stride of -1 stays -1.
#include "api/ek_vor4_boundary.h"
#include "ekx_file_vor4.h"

using ek::vor4_api::bad_arguments;
using ek::vor4_api::with;
using P = TekVor4Property;
using ll = long long;

namespace {

constexpr ll u(unsigned int value) { return static_cast<ll>(value); }
constexpr ll s(int value) { return static_cast<ll>(value); }

}  // namespace

extern "C" {

int ek_vor4_prop_read(P* p, unsigned int start, unsigned int count, void* dst, unsigned int dstCount,
                      unsigned char dstType, int dstStride) {
    return ek_vor4_prop_read_64(p, u(start), u(count), dst, u(dstCount), dstType, s(dstStride));
}

int ek_vor4_prop_read_64(P* p, ll start, ll count, void* dst, ll dstCount, unsigned char dstType, ll dstStride) {
    return with(p, bad_arguments,
                [&](P& q) { return q.readRawData(start, count, dst, dstCount, dstType, dstStride); });
}

int ek_vor4_prop_read2d(P* p, unsigned int x0, unsigned int y0, unsigned int w, unsigned int h, void* dst,
                        unsigned int dstW, unsigned int dstH, unsigned char dstType, int dstStride,
                        int dstRowStride) {
    return ek_vor4_prop_read2d_64(p, u(x0), u(y0), u(w), u(h), dst, u(dstW), u(dstH), dstType, s(dstStride),
                                  s(dstRowStride));
}

int ek_vor4_prop_read2d_64(P* p, ll x0, ll y0, ll w, ll h, void* dst, ll dstW, ll dstH, unsigned char dstType,
                           ll dstStride, ll dstRowStride) {
    return with(p, bad_arguments, [&](P& q) {
        return q.readData2D(x0, y0, w, h, dst, dstW, dstH, dstType, dstStride, dstRowStride);
    });
}

int ek_vor4_prop_read3d(P* p, unsigned int x0, unsigned int y0, unsigned int z0, unsigned int w, unsigned int h,
                        unsigned int d, void* dst, unsigned int dstW, unsigned int dstH, unsigned int dstD,
                        unsigned char dstType, int dstStride, int dstRowStride, int dstSliceStride) {
    return ek_vor4_prop_read3d_64(p, u(x0), u(y0), u(z0), u(w), u(h), u(d), dst, u(dstW), u(dstH), u(dstD), dstType,
                                  s(dstStride), s(dstRowStride), s(dstSliceStride));
}

int ek_vor4_prop_read3d_64(P* p, ll x0, ll y0, ll z0, ll w, ll h, ll d, void* dst, ll dstW, ll dstH, ll dstD,
                           unsigned char dstType, ll dstStride, ll dstRowStride, ll dstSliceStride) {
    return with(p, bad_arguments, [&](P& q) {
        return q.readData3D(x0, y0, z0, w, h, d, dst, dstW, dstH, dstD, dstType, dstStride, dstRowStride,
                            dstSliceStride);
    });
}

int ek_vor4_prop_write(P* p, unsigned int start, const void* src, unsigned int count, unsigned char srcType,
                       int srcStride) {
    return ek_vor4_prop_write_64(p, u(start), src, u(count), srcType, s(srcStride));
}

int ek_vor4_prop_write_64(P* p, ll start, const void* src, ll count, unsigned char srcType, ll srcStride) {
    return with(p, bad_arguments, [&](P& q) { return q.write_data(start, src, count, srcType, srcStride); });
}

int ek_vor4_prop_write2d(P* p, unsigned int x0, unsigned int y0, const void* src, unsigned int w, unsigned int h,
                         unsigned char srcType, int srcStride, int srcRowStride) {
    return ek_vor4_prop_write2d_64(p, u(x0), u(y0), src, u(w), u(h), srcType, s(srcStride), s(srcRowStride));
}

int ek_vor4_prop_write2d_64(P* p, ll x0, ll y0, const void* src, ll w, ll h, unsigned char srcType, ll srcStride,
                            ll srcRowStride) {
    return with(p, bad_arguments,
                [&](P& q) { return q.write_data2d(x0, y0, src, w, h, srcType, srcStride, srcRowStride); });
}

int ek_vor4_prop_write3d(P* p, unsigned int x0, unsigned int y0, unsigned int z0, const void* src, unsigned int w,
                         unsigned int h, unsigned int d, unsigned char srcType, int srcStride, int srcRowStride,
                         int srcSliceStride) {
    return ek_vor4_prop_write3d_64(p, u(x0), u(y0), u(z0), src, u(w), u(h), u(d), srcType, s(srcStride),
                                   s(srcRowStride), s(srcSliceStride));
}

int ek_vor4_prop_write3d_64(P* p, ll x0, ll y0, ll z0, const void* src, ll w, ll h, ll d, unsigned char srcType,
                            ll srcStride, ll srcRowStride, ll srcSliceStride) {
    return with(p, bad_arguments, [&](P& q) {
        return q.write_data3d(x0, y0, z0, src, w, h, d, srcType, srcStride, srcRowStride, srcSliceStride);
    });
}

int ek_vor4_read_index_64(TekVor4* h, ll start, ll count, ll* dst, ll dstCount, ll step) {
    // The output always starts at the first element of dst.
    return with(h, bad_arguments, [&](TekVor4& d) { return d.read_index(start, count, dst, 0, dstCount, step); });
}

int ek_vor4_read_index2d_64(TekVor4* h, ll x0, ll y0, ll w, ll hgt, ll* dst, ll dstW, ll dstH, ll step,
                            ll dstRowStride) {
    return with(h, bad_arguments,
                [&](TekVor4& d) { return d.read_index2d(x0, y0, w, hgt, dst, dstW, dstH, step, dstRowStride); });
}

int ek_vor4_read_index3d_64(TekVor4* h, ll x0, ll y0, ll z0, ll w, ll hgt, ll d, ll* dst, ll dstW, ll dstH, ll dstD,
                            ll step, ll dstRowStride, ll dstSliceStride) {
    return with(h, bad_arguments, [&](TekVor4& doc) {
        return doc.read_index3d(x0, y0, z0, w, hgt, d, dst, dstW, dstH, dstD, step, dstRowStride, dstSliceStride);
    });
}

}  // extern "C"
