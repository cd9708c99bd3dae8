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

TEST(Matrix, AnglesIdentityAndApplication) {
    for (auto [deg, rad] : {std::pair{0.0, 0.0}, {180.0, pi}, {90.0, pi / 2}, {-45.0, -pi / 4}, {360.0, 2 * pi}})
        EXPECT_DOUBLE_EQ(ek_grd2rad(deg), rad) << deg;
    EXPECT_TRUE(std::isnan(ek_grd2rad(NAN)));
    Tek_matrix3x3 m;
    ek_matrix3x3_init_single(&m);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0 : 0.0);
    // Row-major, applied to (x, y, 1); a projective last row divides, a degenerate one is ignored.
    const struct { Tek_matrix3x3 m; double x, y; } rows[] = {
        {{{{2, 3, 5}, {7, 11, 13}, {0, 0, 1}}}, 2 + 30 + 5, 7 + 110 + 13},
        {{{{2, 3, 5}, {7, 11, 13}, {0, 0, 2}}}, (2 + 30 + 5) / 2.0, (7 + 110 + 13) / 2.0},
        {{{{2, 3, 5}, {7, 11, 13}, {0.5, 0.1, 0}}}, (2 + 30 + 5) / 1.5, (7 + 110 + 13) / 1.5},
        {{{{2, 3, 5}, {7, 11, 13}, {1, 0, -1}}}, 2 + 30 + 5, 7 + 110 + 13},
    };
    for (const auto& r : rows) {
        const Tek_vtx_d2 p = apply(r.m, 1, 10);
        EXPECT_DOUBLE_EQ(p.x, r.x);
        EXPECT_DOUBLE_EQ(p.y, r.y);
    }
}

// (c, r) -> origin + R(angle) (c dx, r dy); the similitude of the same grid is its exact inverse.
TEST(Matrix, GridAndSimilitude) {
    const struct { double x0, y0, angle, dx, dy; } grids[] = {
        {0, 0, 0, 1, 1},          {100, 200, 0, 2, 3},        {10, 20, pi / 2, 2, 3},         {-5, 7, pi / 6, 1.5, 0.5},
        {-5e5, 6.1e6, -pi / 6, 25, 25}, {12.5, -3, ek_grd2rad(123.4), 0.001, 1000}, {1, 2, -pi, 7, 0.5},
        {3, 4, ek_grd2rad(-270), -2, 5},  // a negative cell size mirrors the axis
    };
    const double cells[][2] = {{0, 0}, {1, 0}, {0, 1}, {4.5, -3.25}, {1000, 2000}};
    for (const auto& g : grids) {
        Tek_matrix3x3 forward, back;
        ek_matrix3x3_init_grid2d(&forward, g.x0, g.y0, g.angle, g.dx, g.dy);
        ek_matrix3x3_init_similitude(&back, g.x0, g.y0, g.angle, g.dx, g.dy);
        EXPECT_TRUE(forward.m[2][0] == 0 && forward.m[2][1] == 0 && forward.m[2][2] == 1);
        EXPECT_TRUE(back.m[2][0] == 0 && back.m[2][1] == 0 && back.m[2][2] == 1);
        const double c = std::cos(g.angle), s = std::sin(g.angle);
        for (const auto& cell : cells) {
            const double u = cell[0] * g.dx, v = cell[1] * g.dy;
            const double scale = 1 + std::fabs(u) + std::fabs(v) + std::fabs(g.x0) + std::fabs(g.y0);
            const Tek_vtx_d2 world = apply(forward, cell[0], cell[1]);
            EXPECT_NEAR(world.x, g.x0 + u * c - v * s, 1e-12 * scale) << g.x0 << " " << g.angle;
            EXPECT_NEAR(world.y, g.y0 + u * s + v * c, 1e-12 * scale) << g.x0 << " " << g.angle;
            const Tek_vtx_d2 back_cell = apply(back, world.x, world.y);
            EXPECT_NEAR(back_cell.x, cell[0], 1e-9 * (1 + std::fabs(cell[0]) + std::fabs(cell[1]))) << g.x0 << " " << g.angle;
            EXPECT_NEAR(back_cell.y, cell[1], 1e-9 * (1 + std::fabs(cell[0]) + std::fabs(cell[1]))) << g.x0 << " " << g.angle;
        }
    }
    Tek_matrix3x3 m;
    ek_matrix3x3_init_similitude(&m, 0, 0, 0, 0, 1);  // a zero cell size has no finite inverse
    const Tek_vtx_d2 p = apply(m, 1, 1);
    EXPECT_TRUE(!std::isfinite(p.x) && p.y == 1);
    ek_matrix3x3_init_single(nullptr), ek_matrix3x3_init_grid2d(nullptr, 1, 2, 3, 4, 5);
    ek_matrix3x3_init_similitude(nullptr, 1, 2, 3, 4, 5), ek_vtx_d2_apply_matrix3x3(nullptr, &m);
    Tek_vtx_d2 q{3, 4};
    ek_vtx_d2_apply_matrix3x3(&q, nullptr);
    EXPECT_TRUE(q.x == 3 && q.y == 4);
}

}  // namespace
