// Plane transforms of a grid: cell coordinates <-> world coordinates.
#include "ekx_prg.h"

#include <cmath>
#include <numbers>

extern "C" {

double ek_grd2rad(double degrees) { return degrees * (std::numbers::pi / 180.0); }

void ek_matrix3x3_init_single(Tek_matrix3x3* m) {
    if (!m) return;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m->m[r][c] = r == c ? 1.0 : 0.0;
}

void ek_matrix3x3_init_grid2d(Tek_matrix3x3* m, double x0, double y0, double angle, double dx, double dy) {
    if (!m) return;
    const double c = std::cos(angle), s = std::sin(angle);
    m->m[0][0] = c * dx;
    m->m[0][1] = -s * dy;
    m->m[0][2] = x0;
    m->m[1][0] = s * dx;
    m->m[1][1] = c * dy;
    m->m[1][2] = y0;
    m->m[2][0] = 0.0;
    m->m[2][1] = 0.0;
    m->m[2][2] = 1.0;
}

// Inverse of init_grid2d: undo the translation, rotate back by -angle, divide by the cell size.
// A zero cell size gives infinite or NaN entries, as the division does.
void ek_matrix3x3_init_similitude(Tek_matrix3x3* m, double x0, double y0, double angle, double dx, double dy) {
    if (!m) return;
    const double c = std::cos(angle), s = std::sin(angle);
    m->m[0][0] = c / dx;
    m->m[0][1] = s / dx;
    m->m[0][2] = -(c * x0 + s * y0) / dx;
    m->m[1][0] = -s / dy;
    m->m[1][1] = c / dy;
    m->m[1][2] = (s * x0 - c * y0) / dy;
    m->m[2][0] = 0.0;
    m->m[2][1] = 0.0;
    m->m[2][2] = 1.0;
}

void ek_vtx_d2_apply_matrix3x3(Tek_vtx_d2* point, const Tek_matrix3x3* m) {
    if (!point || !m) return;
    const double x = point->x, y = point->y;
    double w = m->m[2][0] * x + m->m[2][1] * y + m->m[2][2];
    if (w == 0.0) w = 1.0;  // a degenerate projective row leaves the affine part as it is
    point->x = (m->m[0][0] * x + m->m[0][1] * y + m->m[0][2]) / w;
    point->y = (m->m[1][0] * x + m->m[1][1] * y + m->m[1][2]) / w;
}

}  // extern "C"
