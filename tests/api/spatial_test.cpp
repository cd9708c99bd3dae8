// The geotransform, the cell under a world point, and one window of several properties read into
// one buffer (index list, skipped blocks, pitch defaults, where reading stops).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ekx_file_vor4.h"
#include "support/temp_dir.h"
#include "vor4/TekVor4Impl.h"

namespace {

// A 5 x 4 grid at (100, 200) with cells of 10 x 20.
class ApiSpatial : public ::testing::Test {
protected:
    void SetUp() override {
        const long long sizes[3] = {5, 4, 1};
        doc.setGridType(3), doc.setDimensions64(sizes), doc.setX0(100), doc.setY0(200), doc.setDX(10), doc.setDY(20);
    }
    TekVor4Impl doc;
};

TEST_F(ApiSpatial, GeotransformMapsCellsToTheWorld) {
    struct Row { double azimuth, column, row, x, y; };
    // With an azimuth of 90 degrees the grid turns clockwise: X points south, Y points east.
    const Row rows[] = {{0, 0, 0, 100, 200}, {0, 2, 3, 120, 260}, {90, 1, 0, 100, 190}, {90, 0, 1, 120, 200}};
    for (const Row& r : rows) {
        doc.setAzimuth(r.azimuth);
        Tek_matrix3x3 m;
        ek_vor4_get_geotransform(&doc, &m);
        Tek_vtx_d2 p{r.column, r.row};
        ek_vtx_d2_apply_matrix3x3(&p, &m);
        EXPECT_NEAR(p.x, r.x, 1e-9) << r.azimuth << ": " << r.column << "," << r.row;
        EXPECT_NEAR(p.y, r.y, 1e-9) << r.azimuth << ": " << r.column << "," << r.row;
    }
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(nullptr, &m);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m.m[k / 3][k % 3], k % 4 == 0 ? 1.0 : 0.0) << "a null handle: identity";
    ek_vor4_get_geotransform(&doc, nullptr);
}

TEST_F(ApiSpatial, CellUnderAPoint) {
    // Rows count from the top: the transformed y = 0 is the last row. Halves round up.
    struct Row { double azimuth, x, y; long long column, row; const char* why; };
    const Row rows[] = {{0, 100, 200, 0, 3, "(0, 0)"},           {0, 140, 260, 4, 0, "(4, 3)"},
                        {0, 121, 238, 2, 1, "(2.1, 1.9)"},       {0, 150, 200, -1, -1, "column 5"},
                        {0, 100, 280, -1, -1, "row 4"},          {0, 90, 200, -1, -1, "column -1"},
                        {0, 100, 180, -1, -1, "row -1"},         {0, 105, 200, 1, 3, "x 0.5 rounds to 1"},
                        {0, 95, 200, 0, 3, "x -0.5 rounds to 0"}, {0, 94.9, 200, -1, -1, "x -0.51"},
                        {0, 100, 190, 0, 3, "y -0.5 rounds to 0"}, {0, 100, 250, 0, 0, "y 2.5 rounds to 3"},
                        {0, 1e300, 0, -1, -1, "far east"},       {0, -1e300, 0, -1, -1, "far west"},
                        {0, NAN, 200, -1, -1, "not a number"},    {90, 140, 170, 3, 1, "cell (3, 2) turned"},
                        {90, 100, 200, 0, 3, "origin turned"},   {90, 100, 210, -1, -1, "north of the origin"}};
    for (const Row& r : rows) {
        doc.setAzimuth(r.azimuth);
        long long column = -1, row = -1;
        EXPECT_EQ(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{r.x, r.y}, &column, &row), r.column >= 0) << r.why;
        EXPECT_EQ(column, r.column) << r.why << ": outputs are written only on success";
        EXPECT_EQ(row, r.row) << r.why;
    }
    EXPECT_TRUE(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{100, 200}, nullptr, nullptr));
    long long column = -9, row = -9;
    EXPECT_TRUE(ek_vor4_fetch_iloc2d_64(nullptr, Tek_vtx_d2{0.2, -0.3}, &column, &row)) << "a null handle: 1 x 1";
    EXPECT_EQ(column + row, 0);
    EXPECT_FALSE(ek_vor4_fetch_iloc2d_64(nullptr, Tek_vtx_d2{1.0, 0.0}, &column, &row));
}

constexpr int X = -7;  // a value no read produces: the block was left untouched

// A 4 x 3 grid document with properties P0, P1, P2 of singles; value of object i in Pk: 100k + i.
// P1 is written as a window, so that the window write shows in the reads too.
class ApiBlockReads : public ::testing::Test {
protected:
    void SetUp() override {
        h = ek_vor4_file_create_w(dir.file("doc.xml").c_str());
        const long long dims[3] = {4, 3, 1};
        ek_vor4_set_grid_type(h, 3), ek_vor4_set_dimensions_64(h, dims);
        float v[3][12];
        for (int i = 0; i < 36; ++i) v[i / 12][i % 12] = float(100 * (i / 12) + i % 12);
        ASSERT_EQ(ek_vor4_prop_write(ek_vor4_prop_add(h, "P0", 0, 0, false), 0, v[0], 12, 0, 1), 0);
        ASSERT_EQ(ek_vor4_prop_write2d(ek_vor4_prop_add(h, "P1", 0, 0, false), 0, 0, v[1], 4, 3, 0, 1, 4), 0);
        ASSERT_EQ(ek_vor4_prop_write(ek_vor4_prop_add(h, "P2", 0, 0, false), 0, v[2], 12, 0, 1), 0);
    }
    void TearDown() override { ek_vor4_file_close(h); }
    ek::test::TempDir dir;
    TekVor4* h = nullptr;
};

TEST_F(ApiBlockReads, RunsOfSeveralProperties) {
    struct Row { const char* name; unsigned start, count, dstCount; int propCount; std::vector<int> list;
                 int stride, pitch, result; std::vector<int> expected; };
    const Row rows[] = {
        {"list picks, -1 skips", 5, 2, 2, 3, {2, -1, 0}, 0, 0, 0, {205, 206, X, X, 5, 6}},
        {"no list: block k is property k", 5, 2, 2, 3, {}, 0, 0, 0, {5, 6, 105, 106, 205, 206}},
        {"index past the list stops with 1", 0, 2, 2, 3, {1, 3, 0}, 0, 0, 1, {100, 101, X, X, X, X}},
        {"a negative index other than -1", 0, 2, 2, 1, {-2}, 0, 0, 1, {X, X, X, X, X, X}},
        {"more values than there are", 0, 13, 2, 2, {}, 0, 0, 4, {X, X, X, X, X, X}},
        {"past the end of the file stops", 10, 3, 3, 2, {1, 1}, 0, 0, 2, {110, 111, X, X, X, X}},
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
}

TEST_F(ApiBlockReads, WindowsOfSeveralProperties) {
    // The 4 x 3 grid decimated to 2 x 2: columns 0 and 2, rows 0 and 1.
    std::vector<int> dst(12, X);
    ASSERT_EQ(ek_vor4_read2d(h, 0, 0, 4, 3, dst.data(), 2, 2, 2, 3, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(dst, (std::vector<int>{0, 2, 4, 6, 100, 102, 104, 106, 200, 202, 204, 206}));
    int list[2] = {1, 0};
    dst.assign(12, X);
    ASSERT_EQ(ek_vor4_read2d(h, 1, 1, 2, 2, dst.data(), 2, 2, 2, 2, list, 0, 3, 0), 0);
    EXPECT_EQ(dst, (std::vector<int>{105, 106, X, 109, 110, X, 5, 6, X, 9, 10, X})) << "row pitch 3: blocks of 3 x 2";
    dst.assign(12, X);
    ASSERT_EQ(ek_vor4_read2d(h, 0, 0, 2, 1, dst.data(), 2, 1, 2, 2, list, 2, 4, 1), 0) << "interleaved";
    EXPECT_EQ(dst, (std::vector<int>{100, 0, 101, 1, X, X, X, X, X, X, X, X}));

    const long long dims[3] = {2, 2, 2};
    ek_vor4_set_grid_type(h, 5), ek_vor4_set_dimensions_64(h, dims);
    TekVor4Property* cube = ek_vor4_prop_add(h, "Cube", 0, 2, false);
    const int values[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ek_vor4_prop_write3d(cube, 0, 0, 0, values, 2, 2, 2, 2, 1, 2, 4), 0);
    int twice[2] = {3, 3};
    std::vector<int> cubes(20, X);
    ASSERT_EQ(ek_vor4_read3d(h, 0, 0, 0, 2, 2, 2, cubes.data(), 2, 2, 2, 2, 2, twice, 0, 0, 0, 0), 0);
    EXPECT_EQ(cubes, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, X, X, X, X}));
    cubes.assign(20, X);
    ASSERT_EQ(ek_vor4_read3d(h, 0, 0, 0, 2, 2, 2, cubes.data(), 2, 2, 2, 2, 2, twice, 0, 0, 5, 0), 0);
    EXPECT_EQ(cubes, (std::vector<int>{0, 1, 2, 3, X, 4, 5, 6, 7, X, 0, 1, 2, 3, X, 4, 5, 6, 7, X}))
        << "slice pitch 5, block pitch 10";
}

}  // namespace
