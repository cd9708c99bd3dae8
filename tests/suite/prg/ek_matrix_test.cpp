// Plane transforms: the grid matrix maps cells to the world, the similitude maps back.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ekx_prg.h"

namespace {

constexpr double pi = std::numbers::pi;

Tek_vtx_d2 apply(const Tek_matrix3x3& m, double x, double y) {
    Tek_vtx_d2 p{x, y};
    return ek_vtx_d2_apply_matrix3x3(&p, &m), p;
}

// Degrees to radians; the identity; row-major matrices on (x, y, 1), a projective last row dividing, a degenerate one ignored.
TEST(Matrix, AnglesIdentityAndApplication) {
    for (auto [deg, rad] : {std::pair{0.0, 0.0}, {180.0, pi}, {-45.0, -pi / 4}, {360.0, 2 * pi}}) EXPECT_DOUBLE_EQ(ek_grd2rad(deg), rad) << deg;
    Tek_matrix3x3 m;
    ek_matrix3x3_init_single(&m);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.m[i / 3][i % 3], i % 4 == 0 ? 1.0 : 0.0) << i;
    const struct { double last[3], w; } rows[] = {{{0, 0, 1}, 1}, {{0, 0, 2}, 2}, {{0.5, 0.1, 0}, 1.5}, {{1, 0, -1}, 1}};
    for (const auto& r : rows) {
        const Tek_vtx_d2 p = apply({{{2, 3, 5}, {7, 11, 13}, {r.last[0], r.last[1], r.last[2]}}}, 1, 10);
        EXPECT_TRUE(p.x == (2 + 30 + 5) / r.w && p.y == (7 + 110 + 13) / r.w) << r.w;
    }
    ek_matrix3x3_init_single(nullptr), ek_matrix3x3_init_grid2d(nullptr, 1, 2, 3, 4, 5);
    Tek_vtx_d2 q{3, 4};
    ek_matrix3x3_init_similitude(nullptr, 1, 2, 3, 4, 5), ek_vtx_d2_apply_matrix3x3(nullptr, &m), ek_vtx_d2_apply_matrix3x3(&q, nullptr);
    EXPECT_TRUE(q.x == 3 && q.y == 4);
}

// (c, r) -> origin + R(angle) (c dx, r dy); the similitude of the same grid is its exact inverse.
TEST(Matrix, GridAndSimilitude) {
    const struct { double x0, y0, angle, dx, dy; } grids[] = {
        {100, 200, 0, 2, 3}, {10, 20, pi / 2, 2, 3}, {-5e5, 6.1e6, -pi / 6, 25, 25}, {12.5, -3, ek_grd2rad(123.4), 0.001, 1000},
        {3, 4, ek_grd2rad(-270), -2, 5},  // a negative cell size mirrors the axis
    };
    for (const auto& g : grids) {
        Tek_matrix3x3 forward, back;
        ek_matrix3x3_init_grid2d(&forward, g.x0, g.y0, g.angle, g.dx, g.dy), ek_matrix3x3_init_similitude(&back, g.x0, g.y0, g.angle, g.dx, g.dy);
        for (const Tek_matrix3x3* m : {&forward, &back}) EXPECT_TRUE(m->m[2][0] == 0 && m->m[2][1] == 0 && m->m[2][2] == 1);
        const double c = std::cos(g.angle), s = std::sin(g.angle);
        for (auto [col, row] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {4.5, -3.25}, {1000.0, 2000.0}}) {
            const double u = col * g.dx, v = row * g.dy;
            const double scale = 1 + std::fabs(u) + std::fabs(v) + std::fabs(g.x0) + std::fabs(g.y0);
            const Tek_vtx_d2 world = apply(forward, col, row), cell = apply(back, world.x, world.y);
            EXPECT_NEAR(world.x, g.x0 + u * c - v * s, 1e-12 * scale) << g.x0 << " " << col << " " << row;
            EXPECT_NEAR(world.y, g.y0 + u * s + v * c, 1e-12 * scale) << g.x0 << " " << col << " " << row;
            EXPECT_NEAR(cell.x, col, 1e-9 * (1 + std::fabs(col) + std::fabs(row))) << g.x0;
            EXPECT_NEAR(cell.y, row, 1e-9 * (1 + std::fabs(col) + std::fabs(row))) << g.x0;
        }
    }
    Tek_matrix3x3 m;
    ek_matrix3x3_init_similitude(&m, 0, 0, 0, 0, 1);  // a zero cell size has no finite inverse
    const Tek_vtx_d2 p = apply(m, 1, 1);
    EXPECT_TRUE(!std::isfinite(p.x) && p.y == 1);
}

}  // namespace
