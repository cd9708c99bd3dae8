// The grid's place in the world: the transform between cell and world coordinates built from
// the document's origin, cell sizes and azimuth, and the cell under a world point. Built on the
// exported getters only, so a null handle gives the grid of the getters' null-handle values.
#pragma once

#include "ekx_file_vor4.h"

namespace ek::vor4_spatial {

// Cell coordinates to world coordinates.
void geotransform(TekVor4* h, Tek_matrix3x3* out);
// World coordinates to fractional cell coordinates (column, and row counted from y = 0).
void gridtransform(TekVor4* h, Tek_matrix3x3* out);
// The cell under a world point; row 0 is the grid's last transformed row. False, outputs
// unchanged, when the point lies outside the grid.
bool fetch_iloc(TekVor4* h, Tek_vtx_d2 point, long long* column, long long* row);

}  // namespace ek::vor4_spatial
