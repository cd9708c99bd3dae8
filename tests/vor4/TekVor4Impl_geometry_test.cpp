// A new document's values, its dimensions by grid type, and the object indexes of windowed reads.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/document_fixture.h"

namespace {

constexpr long long S = -7;  // never written

TEST(DocumentGeometry, NewObjectHoldsTheDefaultsAndSizesSetTheObjectCount) {
    TekVor4Impl d;
    EXPECT_EQ(ek::test::fields(d), (std::vector<double>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, -1, -1, -1, -1}));
    EXPECT_FALSE(d.save()) << "a document without a path cannot be saved";
    d.setSizeX(4);
    d.setSizeY(5);
    EXPECT_EQ(d.getNumObjects(), 20);
    d.setSizeZ(2);
    EXPECT_EQ(d.getNumObjects(), 40);
    d.setNumObjects(7);
    EXPECT_EQ(d.getNumObjects() * 1000 + d.getSizeX() * d.getSizeY() * d.getSizeZ(), 7040) << "only the count changed";
}

// Sizes 4, 5, 6 given in both widths, in an array of exactly as many entries as the grid type
// uses (the sanitizer build reports a read past it); an unknown type resets and keeps the count.
TEST(DocumentGeometry, DimensionsFollowTheGridType) {
    const struct { int used; long long x, y, z, objects; } rows[] = {
        {1, 4, 1, 1, 4}, {1, 4, 1, 1, 4}, {1, 4, 1, 1, 4}, {2, 4, 5, 1, 20}, {1, 4, 1, 1, 4},
        {3, 4, 5, 6, 120}, {1, 4, 1, 1, 4}, {2, 4, 5, 1, 20}, {2, 4, 5, 1, 20}, {0, 1, 1, 1, 33}};
    for (unsigned char type = 0; type < 20; ++type) {
        const auto& r = rows[type < 9 ? type : 9];
        for (bool narrow : {false, true}) {
            TekVor4Impl d;
            d.setGridType(type);
            d.setSizeX(8);
            d.setNumObjects(33);
            auto wide = std::make_unique<long long[]>(size_t(r.used));
            auto small = std::make_unique<unsigned int[]>(size_t(r.used));
            for (int k = 0; k < r.used; ++k) wide[size_t(k)] = small[size_t(k)] = unsigned(4 + k);
            narrow ? d.setDimensions32(small.get()) : d.setDimensions64(wide.get());
            long long out[3] = {0, 0, 0};
            d.getDimensions64(out);
            EXPECT_EQ(std::vector<long long>(out, out + 3), (std::vector<long long>{r.x, r.y, r.z})) << int(type);
            EXPECT_EQ(d.getNumObjects(), r.objects) << int(type) << (narrow ? " 32-bit" : " 64-bit");
        }
    }
    TekVor4Impl d;
    d.setGridType(1);
    const unsigned int big = 0xFFFFFFFFu;
    d.setDimensions32(&big);
    EXPECT_EQ(d.getNumObjects(), 4294967295LL) << "widened without sign";
    d.setDimensions32(nullptr);
    EXPECT_EQ(d.getSizeX(), 1);
}

TEST(DocumentGeometry, ObjectIndexesOf1DWindows) {
    TekVor4Impl d;
    d.setSizeX(100);
    const struct {
        const char* name;
        long long start, count, offset, dstCount, step;
        int code;
        std::vector<long long> want;
    } rows[] = {
        {"stepped", 10, 4, 0, 4, 3, 0, {10, 13, 16, 19, S, S}},
        {"fewer outputs: nearest, no step", 10, 4, 1, 2, 3, 0, {S, 10, 12, S, S, S}},
        {"more outputs", 0, 3, 0, 6, 1, 0, {0, 1, 1, 2, 2, 3}},
        {"step 0 counts as 1", 5, 3, 0, 3, 0, 0, {5, 6, 7, S, S, S}},
        {"only the count is compared", 1000, 6, 0, 6, 1, 0, {1000, 1001, 1002, 1003, 1004, 1005}},
        {"count above the object count", 0, 101, 0, 101, 1, 4, {S, S, S, S, S, S}},
        {"no outputs", 0, 4, 0, 0, 1, 0, {S, S, S, S, S, S}},
    };
    for (const auto& r : rows) {
        std::vector<long long> dst(6, S);
        EXPECT_EQ(d.read_index(r.start, r.count, dst.data(), r.offset, r.dstCount, r.step), r.code) << r.name;
        EXPECT_EQ(dst, r.want) << r.name;
    }
    EXPECT_EQ(d.read_index(0, 5, nullptr, 0, 5, 1), 4) << "a null destination is refused";
}

// One document of 10 x 20 x 12 cells; the grid type decides which window read applies.
TEST(DocumentGeometry, ObjectIndexesOf2DAnd3DWindows) {
    const struct {
        const char* name;
        unsigned char type;
        long long x0, y0, z0, w, h, d, dstW, dstH, dstD, step, rowStride, sliceStride;
        int code;
        std::vector<long long> want;
    } rows[] = {
        // 10 rows into 4: q 2, r 2; the extra row is taken at the third advance only.
        {"2D rows carry the remainder", 3, 3, 5, 0, 1, 10, 0, 1, 4, 0, 1, 0, 0, 0, {53, 73, 93, 123, S, S}},
        {"2D block", 3, 0, 0, 0, 2, 2, 0, 2, 2, 0, 1, 0, 0, 0, {0, 1, 10, 11, S, S}},
        {"2D step", 3, 0, 1, 0, 2, 1, 0, 2, 1, 0, 3, 0, 0, 0, {10, 13, S, S, S, S}},
        {"2D past X", 3, 9, 0, 0, 2, 2, 0, 2, 2, 0, 1, 0, 0, 4, {S, S, S, S, S, S}},
        {"2D past Y", 3, 0, 19, 0, 2, 2, 0, 2, 2, 0, 1, 0, 0, 4, {S, S, S, S, S, S}},
        {"2D no output rows", 3, 0, 0, 0, 2, 2, 0, 2, 0, 0, 1, 0, 0, 0, {S, S, S, S, S, S}},
        {"2D on a function grid", 7, 0, 0, 0, 2, 2, 0, 2, 2, 0, 1, 0, 0, 5, {S, S, S, S, S, S}},
        // 10 layers into 4: the nearest layers z0, z0+3, z0+5, z0+8.
        {"3D nearest layers", 5, 1, 2, 1, 1, 1, 10, 1, 1, 4, 1, 0, 0, 0, {221, 821, 1221, 1821, S, S}},
        {"3D nearest rows", 5, 0, 0, 0, 1, 3, 1, 1, 2, 1, 1, 0, 0, 0, {0, 20, S, S, S, S}},
        {"3D row stride", 5, 0, 0, 0, 2, 2, 1, 2, 2, 1, 1, 3, 0, 0, {0, 1, S, 10, 11, S}},
        {"3D slice stride from rows", 5, 0, 0, 0, 1, 1, 2, 1, 1, 2, 1, 2, 0, 0, {0, S, 200, S, S, S}},
        {"3D past Z", 5, 0, 0, 3, 1, 1, 10, 1, 1, 4, 1, 0, 0, 4, {S, S, S, S, S, S}},
        {"3D past X", 5, 9, 0, 0, 2, 1, 1, 2, 1, 1, 1, 0, 0, 4, {S, S, S, S, S, S}},
        {"3D past Y", 5, 0, 19, 0, 1, 2, 1, 1, 2, 1, 1, 0, 0, 4, {S, S, S, S, S, S}},
        {"3D no output layers", 5, 0, 0, 0, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, {S, S, S, S, S, S}},
        {"3D on a point set", 6, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 5, {S, S, S, S, S, S}},
    };
    for (const auto& r : rows) {
        TekVor4Impl doc;
        doc.setGridType(r.type);
        const long long sizes[3] = {10, 20, 12};
        doc.setDimensions64(sizes);
        doc.setSizeY(20);  // a function grid keeps only two sizes
        doc.setSizeZ(12);
        std::vector<long long> dst(6, S);
        const bool is3d = r.type == 5 || r.type == 6;
        const int code = is3d ? doc.read_index3d(r.x0, r.y0, r.z0, r.w, r.h, r.d, dst.data(), r.dstW, r.dstH, r.dstD,
                                                 r.step, r.rowStride, r.sliceStride)
                              : doc.read_index2d(r.x0, r.y0, r.w, r.h, dst.data(), r.dstW, r.dstH, r.step, 0);
        EXPECT_EQ(code, r.code) << r.name;
        EXPECT_EQ(dst, r.want) << r.name;
    }
}

}  // namespace
