// What the library itself says about every value of a property, for the GDAL round trip: one line
// per value in object order: layer, column, row, the world point of the cell centre (from
// ek_vor4_get_geotransform), the cell ek_vor4_fetch_iloc2d_64 finds there, and the value as a double.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ekx_file_vor4.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::setlocale(LC_ALL, "C.UTF-8");
    std::wstring path(std::string(argv[1]).size() + 1, L'\0');
    path.resize(std::mbstowcs(path.data(), argv[1], path.size()));
    TekVor4* h = ek_vor4_file_open_w(path.c_str(), true);
    const int index = ek_vor4_get_index_by_name(h, argv[2]);
    TekVor4Property* p = ek_vor4_prop_open(h, static_cast<unsigned>(index));
    if (!p) return 1;
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(h, &m);
    const long long nx = ek_vor4_get_pic_64(h), ny = ek_vor4_get_prf_64(h), n = ek_vor4_prop_get_objcount_64(p);
    for (long long i = 0, c, r, col = -1, row = -1; i < n; ++i) {
        c = i % nx, r = (i / nx) % ny;
        const Tek_vtx_d2 centre = {m.m[0][0] * c + m.m[0][1] * r + m.m[0][2], m.m[1][0] * c + m.m[1][1] * r + m.m[1][2]};
        double v = 0;
        if (!ek_vor4_fetch_iloc2d_64(h, centre, &col, &row) || ek_vor4_prop_read_64(p, i, 1, &v, 1, 4, 1) != 0) return 1;
        std::printf("%lld %lld %lld %.17g %.17g %lld %lld %.17g\n", i / (nx * ny), c, r, centre.x, centre.y, col, row, v);
    }
    ek_vor4_file_close(h);
    return 0;
}
