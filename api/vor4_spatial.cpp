#include "api/vor4_spatial.h"

#include <cmath>

namespace ek::vor4_spatial {

namespace {

// The azimuth is measured clockwise; the matrices rotate counter-clockwise.
double rotation(TekVor4* h) { return -ek_grd2rad(ek_vor4_get_azimuth(h)); }

}  // namespace

void geotransform(TekVor4* h, Tek_matrix3x3* out) {
    if (!out) return;
    Tek_matrix3x3 m;
    ek_matrix3x3_init_grid2d(&m, ek_vor4_get_x0(h), ek_vor4_get_y0(h), rotation(h), ek_vor4_get_dx(h),
                             ek_vor4_get_dy(h));
    *out = m;
}

void gridtransform(TekVor4* h, Tek_matrix3x3* out) {
    if (!out) return;
    Tek_matrix3x3 m;
    ek_matrix3x3_init_similitude(&m, ek_vor4_get_x0(h), ek_vor4_get_y0(h), rotation(h), ek_vor4_get_dx(h),
                                 ek_vor4_get_dy(h));
    *out = m;
}

bool fetch_iloc(TekVor4* h, Tek_vtx_d2 point, long long* column, long long* row) {
    const long long nx = ek_vor4_get_pic_64(h);
    const long long ny = ek_vor4_get_prf_64(h);
    Tek_matrix3x3 m;
    ek_matrix3x3_init_single(&m);
    gridtransform(h, &m);
    ek_vtx_d2_apply_matrix3x3(&point, &m);
    // Round half up; a coordinate that is not a number or lies far outside any grid is outside.
    const double fx = std::floor(point.x + 0.5);
    const double fy = std::floor(point.y + 0.5);
    if (!(fx >= 0.0 && fy >= 0.0 && fx < 9.2e18 && fy < 9.2e18)) return false;
    const long long i = static_cast<long long>(fx);
    const long long j = static_cast<long long>(fy);
    if (i >= nx || j >= ny) return false;
    if (column) *column = i;
    if (row) *row = ny - 1 - j;
    return true;
}

}  // namespace ek::vor4_spatial

extern "C" {

void ek_vor4_get_geotransform(TekVor4* h, Tek_matrix3x3* out) { ek::vor4_spatial::geotransform(h, out); }

bool ek_vor4_fetch_iloc2d_64(TekVor4* h, Tek_vtx_d2 point, long long* column, long long* row) {
    return ek::vor4_spatial::fetch_iloc(h, point, column, row);
}

}  // extern "C"
