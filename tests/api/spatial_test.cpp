// The geotransform, the cell under a world point, and one window of several properties read into
// one buffer (index list, skipped blocks, pitch defaults, where reading stops).
#include <cmath>

#include "api/api_test_support.h"

namespace {

// A 5 x 4 grid at (100, 200) with cells of 10 x 20.
struct ApiSpatial : ::testing::Test {
    void SetUp() override {
        const long long sizes[3] = {5, 4, 1};
        doc.setGridType(3), doc.setDimensions64(sizes), doc.setX0(100), doc.setY0(200), doc.setDX(10), doc.setDY(20);
    }
    TekVor4Impl doc;
};

TEST_F(ApiSpatial, GeotransformMapsCellsToTheWorld) {
    // With an azimuth of 90 degrees the grid turns clockwise: X points south, Y points east.
    struct Row { double azimuth, column, row, x, y; };
    for (const Row& r : {Row{0, 0, 0, 100, 200}, {0, 2, 3, 120, 260}, {90, 1, 0, 100, 190}, {90, 0, 1, 120, 200}}) {
        Tek_matrix3x3 m;
        doc.setAzimuth(r.azimuth), ek_vor4_get_geotransform(&doc, &m);
        Tek_vtx_d2 p{r.column, r.row};
        ek_vtx_d2_apply_matrix3x3(&p, &m);
        EXPECT_NEAR(std::hypot(p.x - r.x, p.y - r.y), 0, 1e-9) << r.azimuth << ": " << r.column << "," << r.row;
    }
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(nullptr, &m), ek_vor4_get_geotransform(&doc, nullptr);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m.m[k / 3][k % 3], k % 4 == 0 ? 1.0 : 0.0) << "a null handle: identity";
}

TEST_F(ApiSpatial, CellUnderAPoint) {
    // Rows count from the top: the transformed y = 0 is the last row. Halves round up.
    struct Row { double azimuth, x, y; long long column, row; const char* why; };
    const Row rows[] = {
        {0, 100, 200, 0, 3, "(0, 0)"}, {0, 140, 260, 4, 0, "(4, 3)"}, {0, 121, 238, 2, 1, "(2.1, 1.9)"},
        {0, 150, 200, -1, -1, "column 5"}, {0, 100, 280, -1, -1, "row 4"}, {0, 90, 200, -1, -1, "column -1"},
        {0, 100, 180, -1, -1, "row -1"}, {0, 105, 200, 1, 3, "x 0.5 rounds to 1"}, {0, 95, 200, 0, 3, "x -0.5 to 0"},
        {0, 94.9, 200, -1, -1, "x -0.51"}, {0, 100, 190, 0, 3, "y -0.5 to 0"}, {0, 100, 250, 0, 0, "y 2.5 to 3"},
        {0, 1e300, 0, -1, -1, "far east"}, {0, NAN, 200, -1, -1, "not a number"},
        {90, 140, 170, 3, 1, "cell (3, 2) turned"}, {90, 100, 210, -1, -1, "north of the origin"}};
    for (const Row& r : rows) {
        long long column = -1, row = -1;
        doc.setAzimuth(r.azimuth);
        EXPECT_EQ(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{r.x, r.y}, &column, &row), r.column >= 0) << r.why;
        EXPECT_EQ(std::make_pair(column, row), std::make_pair(r.column, r.row)) << r.why << ": written only on success";
    }
    long long column = -9, row = -9;
    EXPECT_TRUE(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{100, 200}, nullptr, nullptr));
    EXPECT_TRUE(ek_vor4_fetch_iloc2d_64(nullptr, Tek_vtx_d2{0.2, -0.3}, &column, &row) && column == 0 && row == 0)
        << "a null handle: 1 x 1";
    EXPECT_FALSE(ek_vor4_fetch_iloc2d_64(nullptr, Tek_vtx_d2{1.0, 0.0}, &column, &row));
}

constexpr int X = -7;  // a value no read produces: the block was left untouched
using ApiBlockReads = ek::test::SampleDocument;

TEST_F(ApiBlockReads, RunsAndWindowsOfSeveralProperties) {
    struct Row { const char* name; unsigned start, count, dstCount; int propCount; std::vector<int> list;
                 int stride, pitch, result; std::vector<int> expected; };
    const Row rows[] = {
        {"list picks, -1 skips", 5, 2, 2, 3, {2, -1, 0}, 0, 0, 0, {205, 206, X, X, 5, 6}},
        {"no list: block k is property k", 5, 2, 2, 3, {}, 0, 0, 0, {5, 6, 105, 106, 205, 206}},
        {"index past the list stops with 1", 0, 2, 2, 3, {1, 3, 0}, 0, 0, 1, {100, 101, X, X, X, X}},
        {"a negative index other than -1", 0, 2, 2, 1, {-2}, 0, 0, 1, {X, X, X, X, X, X}},
        {"more values than there are", 0, 13, 2, 2, {}, 0, 0, 4, {X, X, X, X, X, X}},
        {"past the end of the file stops", 10, 3, 3, 2, {0, 0}, 0, 0, 2, {10, 11, X, X, X, X}},
        {"no block asked for", 0, 2, 2, 0, {}, 0, 0, 0, {X, X, X, X, X, X}},
        {"a negative block count", 0, 2, 2, -3, {}, 0, 0, 0, {X, X, X, X, X, X}},
        {"stride 2, pitch 1 interleave", 0, 3, 3, 2, {}, 2, 1, 0, {0, 100, 1, 101, 2, 102}},
        {"pitch 3 leaves a gap", 0, 2, 2, 2, {0, 2}, 0, 3, 0, {0, 1, X, 200, 201, X}}};
    for (const Row& r : rows) {
        std::vector<float> dst(6, X);
        std::vector<int> list = r.list;
        EXPECT_EQ(ek_vor4_read(h, r.start, r.count, dst.data(), r.dstCount, 0, r.propCount,
                               list.empty() ? nullptr : list.data(), r.stride, r.pitch), r.result) << r.name;
        EXPECT_EQ(std::vector<int>(dst.begin(), dst.end()), r.expected) << r.name;
    }
    std::vector<double> doubles(2, X);
    ASSERT_EQ(ek_vor4_read(h, 3, 1, doubles.data(), 1, 4, 2, nullptr, 0, 0), 0) << "blocks of 8-byte values";
    EXPECT_EQ(doubles, (std::vector<double>{3, 103}));

    // A window: the 4 x 3 grid decimated to 2 x 2 (columns 0 and 2, rows 0 and 1), blocks one after
    // the other by default; a cube twice with slice pitch 5, so blocks of 10.
    std::vector<int> dst(12, X), cubes(20, X);
    ASSERT_EQ(ek_vor4_read2d(h, 0, 0, 4, 3, dst.data(), 2, 2, 2, 3, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(dst, (std::vector<int>{0, 2, 4, 6, 100, 102, 104, 106, 200, 202, 204, 206}));
    const long long dims[3] = {2, 2, 2};
    const int values[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    int twice[2] = {3, 3};
    ek_vor4_set_grid_type(h, 5), ek_vor4_set_dimensions_64(h, dims);
    ASSERT_EQ(ek_vor4_prop_write3d(ek_vor4_prop_add(h, "Cube", 0, 2, false), 0, 0, 0, values, 2, 2, 2, 2, 1, 2, 4), 0);
    ASSERT_EQ(ek_vor4_read3d(h, 0, 0, 0, 2, 2, 2, cubes.data(), 2, 2, 2, 2, 2, twice, 0, 0, 5, 0), 0);
    EXPECT_EQ(cubes, (std::vector<int>{0, 1, 2, 3, X, 4, 5, 6, 7, X, 0, 1, 2, 3, X, 4, 5, 6, 7, X}));
}

}  // namespace
