// Plane transforms: the grid matrix maps cells to the world, the similitude maps back.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ekx_prg.h"

namespace {

constexpr double pi = std::numbers::pi;

Tek_vtx_d2 apply(const Tek_matrix3x3& m, double x, double y) {
    Tek_vtx_d2 p{x, y};
    ek_vtx_d2_apply_matrix3x3(&p, &m);
    return p;
}

void expect_near(Tek_vtx_d2 p, double x, double y, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
}

TEST(Matrix, DegreesToRadians) {
    EXPECT_EQ(ek_grd2rad(0.0), 0.0);
    EXPECT_DOUBLE_EQ(ek_grd2rad(180.0), pi);
    EXPECT_DOUBLE_EQ(ek_grd2rad(90.0), pi / 2);
    EXPECT_DOUBLE_EQ(ek_grd2rad(-45.0), -pi / 4);
    EXPECT_DOUBLE_EQ(ek_grd2rad(360.0), 2 * pi);
    EXPECT_TRUE(std::isnan(ek_grd2rad(NAN)));
}

TEST(Matrix, IdentityLeavesPointsAlone) {
    Tek_matrix3x3 m;
    ek_matrix3x3_init_single(&m);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0 : 0.0);
    const Tek_vtx_d2 p = apply(m, -3.25, 1e10);
    EXPECT_EQ(p.x, -3.25);
    EXPECT_EQ(p.y, 1e10);
}

TEST(Matrix, PointsAreRowMajorAppliedToXY1) {
    Tek_matrix3x3 m = {{{2, 3, 5}, {7, 11, 13}, {0, 0, 1}}};
    expect_near(apply(m, 1, 10), 2 + 30 + 5, 7 + 110 + 13, 0);
}

TEST(Matrix, GridMapsCellsToTheWorld) {
    Tek_matrix3x3 m;
    // No rotation: cells are scaled and shifted.
    ek_matrix3x3_init_grid2d(&m, 100, 200, 0, 2, 3);
    expect_near(apply(m, 0, 0), 100, 200);
    expect_near(apply(m, 4, 5), 108, 215);
    // A quarter turn counter-clockwise takes the column axis onto +y and the row axis onto -x.
    ek_matrix3x3_init_grid2d(&m, 10, 20, pi / 2, 2, 3);
    expect_near(apply(m, 1, 0), 10, 22);
    expect_near(apply(m, 0, 1), 7, 20);
    // 30 degrees: (c, r) -> origin + (c dx cos - r dy sin, c dx sin + r dy cos).
    const double a = pi / 6;
    ek_matrix3x3_init_grid2d(&m, -5, 7, a, 1.5, 0.5);
    expect_near(apply(m, 3, 4), -5 + 4.5 * std::cos(a) - 2 * std::sin(a), 7 + 4.5 * std::sin(a) + 2 * std::cos(a));
}

TEST(Matrix, SimilitudeIsTheInverseOfTheGrid) {
    const struct {
        double x0, y0, angle, dx, dy;
    } grids[] = {
        {0, 0, 0, 1, 1},
        {100, 200, 0, 2, 3},
        {-5e5, 6.1e6, -ek_grd2rad(30), 25, 25},
        {12.5, -3, ek_grd2rad(123.4), 0.001, 1000},
        {1, 2, -pi, 7, 0.5},
        {3, 4, ek_grd2rad(-270), -2, 5},  // a negative cell size mirrors the axis
    };
    const double cells[][2] = {{0, 0}, {1, 0}, {0, 1}, {4.5, -3.25}, {1000, 2000}};
    for (const auto& g : grids) {
        Tek_matrix3x3 forward, back;
        ek_matrix3x3_init_grid2d(&forward, g.x0, g.y0, g.angle, g.dx, g.dy);
        ek_matrix3x3_init_similitude(&back, g.x0, g.y0, g.angle, g.dx, g.dy);
        EXPECT_EQ(back.m[2][0], 0.0);
        EXPECT_EQ(back.m[2][1], 0.0);
        EXPECT_EQ(back.m[2][2], 1.0);
        for (const auto& c : cells) {
            const Tek_vtx_d2 world = apply(forward, c[0], c[1]);
            const Tek_vtx_d2 cell = apply(back, world.x, world.y);
            const double scale = 1 + std::fabs(c[0]) + std::fabs(c[1]);
            EXPECT_NEAR(cell.x, c[0], 1e-9 * scale) << g.x0 << " " << g.angle;
            EXPECT_NEAR(cell.y, c[1], 1e-9 * scale) << g.x0 << " " << g.angle;
        }
        // The origin is cell (0, 0); one cell along the rotated column axis is cell (1, 0).
        expect_near(apply(back, g.x0, g.y0), 0, 0, 1e-9);
        expect_near(apply(back, g.x0 + g.dx * std::cos(g.angle), g.y0 + g.dx * std::sin(g.angle)), 1, 0, 1e-6);
    }
}

TEST(Matrix, NullPointersAreIgnored) {
    ek_matrix3x3_init_single(nullptr);
    ek_matrix3x3_init_grid2d(nullptr, 1, 2, 3, 4, 5);
    ek_matrix3x3_init_similitude(nullptr, 1, 2, 3, 4, 5);
    Tek_matrix3x3 m;
    ek_matrix3x3_init_grid2d(&m, 1, 2, 0, 1, 1);
    ek_vtx_d2_apply_matrix3x3(nullptr, &m);
    Tek_vtx_d2 p{3, 4};
    ek_vtx_d2_apply_matrix3x3(&p, nullptr);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 4);
}

TEST(Matrix, AZeroCellSizeGivesNoFiniteInverse) {
    Tek_matrix3x3 m;
    ek_matrix3x3_init_similitude(&m, 0, 0, 0, 0, 1);
    const Tek_vtx_d2 p = apply(m, 1, 1);
    EXPECT_FALSE(std::isfinite(p.x));
    EXPECT_EQ(p.y, 1);
}

}  // namespace
