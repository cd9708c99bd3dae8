// The geotransform and the cell under a world point, on grids with and without an azimuth.
#include <gtest/gtest.h>

#include "ekx_file_vor4.h"
#include "vor4/TekVor4Impl.h"

namespace {

Tek_vtx_d2 apply(const Tek_matrix3x3& m, double x, double y) {
    Tek_vtx_d2 p{x, y};
    ek_vtx_d2_apply_matrix3x3(&p, &m);
    return p;
}

class ApiSpatial : public ::testing::Test {
protected:
    void SetUp() override {
        doc.setGridType(3);
        const long long sizes[3] = {5, 4, 1};
        doc.setDimensions64(sizes);
        doc.setX0(100.0);
        doc.setY0(200.0);
        doc.setDX(10.0);
        doc.setDY(20.0);
    }
    // Column and row of a world point, or (-1, -1) when it lies outside.
    std::pair<long long, long long> cell(double x, double y) {
        long long column = -1, row = -1;
        if (!ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{x, y}, &column, &row)) return {-1, -1};
        return {column, row};
    }
    TekVor4Impl doc;
};

TEST_F(ApiSpatial, GeotransformMapsCellsToTheWorld) {
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(&doc, &m);
    const Tek_vtx_d2 origin = apply(m, 0, 0);
    EXPECT_DOUBLE_EQ(origin.x, 100.0);
    EXPECT_DOUBLE_EQ(origin.y, 200.0);
    const Tek_vtx_d2 corner = apply(m, 2, 3);
    EXPECT_DOUBLE_EQ(corner.x, 120.0);
    EXPECT_DOUBLE_EQ(corner.y, 260.0);
}

TEST_F(ApiSpatial, AnAzimuthTurnsTheGridClockwise) {
    doc.setAzimuth(90.0);
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(&doc, &m);
    const Tek_vtx_d2 alongX = apply(m, 1, 0);  // one cell along the grid's X axis points south
    EXPECT_NEAR(alongX.x, 100.0, 1e-9);
    EXPECT_NEAR(alongX.y, 190.0, 1e-9);
    const Tek_vtx_d2 alongY = apply(m, 0, 1);  // one cell along Y points east
    EXPECT_NEAR(alongY.x, 120.0, 1e-9);
    EXPECT_NEAR(alongY.y, 200.0, 1e-9);
}

TEST_F(ApiSpatial, CellRowsCountFromTheTop) {
    EXPECT_EQ(cell(100.0, 200.0), std::make_pair(0LL, 3LL)) << "transformed (0, 0) is the last row";
    EXPECT_EQ(cell(140.0, 260.0), std::make_pair(4LL, 0LL)) << "transformed (4, 3)";
    EXPECT_EQ(cell(121.0, 238.0), std::make_pair(2LL, 1LL)) << "(2.1, 1.9) rounds to (2, 2)";
    EXPECT_EQ(cell(150.0, 200.0), std::make_pair(-1LL, -1LL)) << "column 5";
    EXPECT_EQ(cell(100.0, 280.0), std::make_pair(-1LL, -1LL)) << "row 4";
    EXPECT_EQ(cell(90.0, 200.0), std::make_pair(-1LL, -1LL)) << "column -1";
    EXPECT_EQ(cell(100.0, 180.0), std::make_pair(-1LL, -1LL)) << "row -1";
}

TEST_F(ApiSpatial, HalvesRoundUp) {
    EXPECT_EQ(cell(105.0, 200.0).first, 1) << "0.5 rounds to 1";
    EXPECT_EQ(cell(95.0, 200.0).first, 0) << "-0.5 rounds to 0";
    EXPECT_EQ(cell(94.9, 200.0).first, -1) << "-0.51 rounds to -1: outside";
    EXPECT_EQ(cell(100.0, 190.0).second, 3) << "y -0.5 rounds to 0";
}

TEST_F(ApiSpatial, CellLocationFollowsTheAzimuth) {
    doc.setAzimuth(90.0);
    // Cell (3, 2) lies at x0 + 2 * dy, y0 - 3 * dx.
    EXPECT_EQ(cell(140.0, 170.0), std::make_pair(3LL, 1LL));
    EXPECT_EQ(cell(100.0, 200.0), std::make_pair(0LL, 3LL));
    EXPECT_EQ(cell(100.0, 210.0), std::make_pair(-1LL, -1LL)) << "north of the origin is column -1";
}

TEST_F(ApiSpatial, OutsidePointsLeaveTheOutputsAlone) {
    long long column = 77, row = 88;
    EXPECT_FALSE(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{1e300, 0}, &column, &row));
    EXPECT_FALSE(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{-1e300, 0}, &column, &row));
    EXPECT_FALSE(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{__builtin_nan(""), 200}, &column, &row));
    EXPECT_EQ(column, 77);
    EXPECT_EQ(row, 88);
    EXPECT_TRUE(ek_vor4_fetch_iloc2d_64(&doc, Tek_vtx_d2{100, 200}, nullptr, nullptr));
}

}  // namespace
