// A new document's values, its dimensions by grid type, and the object indexes of windowed reads.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "support/document_fixture.h"

namespace {

// Sizes 4, 5, 6 given in both widths, in an array of exactly as many entries as the grid type
// uses (the sanitizer reports a read past it); an unknown type resets, keeping the count 2 x 3 x 4.
TEST(DocumentGeometry, NewObjectAndDimensionsByGridType) {
    const struct { int used; long long x, y, z, objects; } rows[] = {
        {1, 4, 1, 1, 4}, {1, 4, 1, 1, 4}, {1, 4, 1, 1, 4}, {2, 4, 5, 1, 20}, {1, 4, 1, 1, 4},
        {3, 4, 5, 6, 120}, {1, 4, 1, 1, 4}, {2, 4, 5, 1, 20}, {2, 4, 5, 1, 20}, {0, 1, 1, 1, 24}};
    for (unsigned char type = 0; type < 20; ++type)
        for (bool narrow : {false, true}) {
            const auto& r = rows[type < 9 ? type : 9];
            TekVor4Impl d;
            d.setGridType(type), d.setSizeX(2), d.setSizeY(3), d.setSizeZ(4);  // each size sets the count
            std::vector<long long> wide(size_t(r.used)), out(3);
            std::iota(wide.begin(), wide.end(), 4);
            const std::vector<unsigned> small(wide.begin(), wide.end());
            narrow ? d.setDimensions32(small.data()) : d.setDimensions64(wide.data());
            d.getDimensions64(out.data());
            EXPECT_EQ(out, (std::vector<long long>{r.x, r.y, r.z})) << int(type) << (narrow ? " 32-bit" : " 64-bit");
            EXPECT_EQ(d.getNumObjects(), r.objects) << int(type) << (narrow ? " 32-bit" : " 64-bit");
        }
    TekVor4Impl d;
    EXPECT_EQ(ek::test::fields(d), (std::vector<double>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, -1, -1, -1, -1}));
    EXPECT_FALSE(d.save()) << "a document without a path cannot be saved";
    const unsigned int big = 0xFFFFFFFFu;
    d.setGridType(1), d.setDimensions32(&big);
    EXPECT_EQ(d.getNumObjects(), 4294967295LL) << "widened without sign";
    d.setDimensions32(nullptr);
    EXPECT_EQ(d.getSizeX(), 1);
}

// One document of 10 x 20 x 12 cells (2400 objects); the grid type decides which read applies.
// Arguments, 1D: start, count, offset, outputs, step; 2D: x0, y0, w, h, outputs w, h, step;
// 3D: x0, y0, z0, w, h, d, outputs w, h, d, step, row and slice stride. No indexes: none written.
TEST(DocumentGeometry, ObjectIndexesOfWindows) {
    using V = std::vector<long long>;
    constexpr long long S = -7;  // never written
    const struct { const char* name; unsigned char type; V a; int code; V want; } rows[] = {
        {"1D stepped", 1, {10, 4, 0, 4, 3}, 0, {10, 13, 16, 19}}, {"1D step 0 is 1", 1, {5, 3, 0, 3, 0}, 0, {5, 6, 7}},
        {"1D other output count: nearest, no step", 1, {10, 3, 1, 4, 3}, 0, {S, 10, 11, 12, 12}},
        {"1D only the count is compared", 1, {5000, 2, 0, 2, 1}, 0, {5000, 5001}},
        {"1D count above the objects", 1, {0, 2401, 0, 2401, 1}, 4, {}}, {"1D no outputs", 1, {0, 4, 0, 0, 1}, 0, {}},
        // 10 rows into 4: q 2, r 2; the extra row is taken at the third advance only.
        {"2D rows carry the remainder", 3, {3, 5, 1, 10, 1, 4, 1}, 0, {53, 73, 93, 123}},
        {"2D block", 3, {0, 0, 2, 2, 2, 2, 1}, 0, {0, 1, 10, 11}}, {"2D step", 3, {0, 1, 2, 1, 2, 1, 3}, 0, {10, 13}},
        {"2D past X", 3, {9, 0, 2, 2, 2, 2, 1}, 4, {}}, {"2D no output rows", 3, {0, 0, 2, 2, 2, 0, 1}, 0, {}},
        {"2D function grid", 7, {0, 0, 2, 2, 2, 2, 1}, 5, {}}, {"2D past Y", 3, {0, 19, 2, 2, 2, 2, 1}, 4, {}},
        // 10 layers into 4: the nearest layers z0, z0+3, z0+5, z0+8.
        {"3D nearest layers", 5, {1, 2, 1, 1, 1, 10, 1, 1, 4, 1, 0, 0}, 0, {221, 821, 1221, 1821}},
        {"3D nearest rows", 5, {0, 0, 0, 1, 3, 1, 1, 2, 1, 1, 0, 0}, 0, {0, 20}},
        {"3D row stride", 5, {0, 0, 0, 2, 2, 1, 2, 2, 1, 1, 3, 0}, 0, {0, 1, S, 10, 11}},
        {"3D slice stride from rows", 5, {0, 0, 0, 1, 1, 2, 1, 1, 2, 1, 2, 0}, 0, {0, S, 200}},
        {"3D past Z", 5, {0, 0, 3, 1, 1, 10, 1, 1, 4, 1, 0, 0}, 4, {}},
        {"3D past X", 5, {9, 0, 0, 2, 1, 1, 2, 1, 1, 1, 0, 0}, 4, {}},
        {"3D no layers", 5, {0, 0, 0, 1, 1, 1, 1, 1, 0, 1, 0, 0}, 0, {}},
        {"3D on a point set", 6, {0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0}, 5, {}},
    };
    for (const auto& r : rows) {
        TekVor4Impl doc;
        doc.setGridType(r.type), doc.setSizeX(10), doc.setSizeY(20), doc.setSizeZ(12);  // for any type
        V dst(6, S), want = r.want;
        want.resize(6, S);
        const auto& a = r.a;
        const int code = r.type == 1 ? doc.read_index(a[0], a[1], dst.data(), a[2], a[3], a[4])
                         : a.size() == 7 ? doc.read_index2d(a[0], a[1], a[2], a[3], dst.data(), a[4], a[5], a[6], 0)
                                         : doc.read_index3d(a[0], a[1], a[2], a[3], a[4], a[5], dst.data(), a[6], a[7],
                                                            a[8], a[9], a[10], a[11]);
        EXPECT_EQ(code, r.code) << r.name;
        EXPECT_EQ(dst, want) << r.name;
    }
    EXPECT_EQ(TekVor4Impl().read_index(0, 1, nullptr, 0, 1, 1), 4) << "a null destination is refused";
}

}  // namespace
