// Exported geometry functions of a document: each checks the handle and calls one operation.
#include "api/ek_vor4_boundary.h"
#include "ekx_file_vor4.h"

using ek::vor4_api::with;

namespace {

// The low 32 bits of a 64-bit size, as the 32-bit getters return them.
unsigned int low32(long long value) { return static_cast<unsigned int>(static_cast<unsigned long long>(value)); }

}  // namespace

extern "C" {

unsigned char ek_vor4_get_grid_type(TekVor4* h) { return with(h, (unsigned char)0, [](TekVor4& d) { return d.getGridType(); }); }
void ek_vor4_set_gridtype(TekVor4* h, unsigned char grid_type) { with(h, [&](TekVor4& d) { d.setGridType(grid_type); }); }
void ek_vor4_set_grid_type(TekVor4* h, unsigned char grid_type) { ek_vor4_set_gridtype(h, grid_type); }

double ek_vor4_get_x0(TekVor4* h) { return with(h, 0.0, [](TekVor4& d) { return d.getX0(); }); }
double ek_vor4_get_y0(TekVor4* h) { return with(h, 0.0, [](TekVor4& d) { return d.getY0(); }); }
double ek_vor4_get_z0(TekVor4* h) { return with(h, 0.0, [](TekVor4& d) { return d.getZ0(); }); }
double ek_vor4_get_dx(TekVor4* h) { return with(h, 1.0, [](TekVor4& d) { return d.getDX(); }); }
double ek_vor4_get_dy(TekVor4* h) { return with(h, 1.0, [](TekVor4& d) { return d.getDY(); }); }
double ek_vor4_get_dz(TekVor4* h) { return with(h, 1.0, [](TekVor4& d) { return d.getDZ(); }); }
void ek_vor4_set_x0(TekVor4* h, double value) { with(h, [&](TekVor4& d) { d.setX0(value); }); }
void ek_vor4_set_y0(TekVor4* h, double value) { with(h, [&](TekVor4& d) { d.setY0(value); }); }
void ek_vor4_set_z0(TekVor4* h, double value) { with(h, [&](TekVor4& d) { d.setZ0(value); }); }
void ek_vor4_set_dx(TekVor4* h, double value) { with(h, [&](TekVor4& d) { d.setDX(value); }); }
void ek_vor4_set_dy(TekVor4* h, double value) { with(h, [&](TekVor4& d) { d.setDY(value); }); }
void ek_vor4_set_dz(TekVor4* h, double value) { with(h, [&](TekVor4& d) { d.setDZ(value); }); }

double ek_vor4_get_azimuth(TekVor4* h) { return with(h, 0.0, [](TekVor4& d) { return d.getAzimuth(); }); }
void ek_vor4_set_azimuth(TekVor4* h, double azimuth) { with(h, [&](TekVor4& d) { d.setAzimuth(azimuth); }); }
bool ek_vor4_get_earthplane(TekVor4* h) { return with(h, false, [](TekVor4& d) { return d.getEarthPlane(); }); }
void ek_vor4_set_earthplane(TekVor4* h, bool earthplane) { with(h, [&](TekVor4& d) { d.setEarthPlane(earthplane); }); }

void ek_vor4_get_dimensions(TekVor4* h, unsigned int dims[3]) {
    if (!dims) return;
    with(h, [&](TekVor4& d) {
        long long sizes[3] = {0, 0, 0};
        d.getDimensions64(sizes);
        for (int k = 0; k < 3; ++k) dims[k] = low32(sizes[k]);
    });
}

void ek_vor4_get_dimensions_64(TekVor4* h, long long dims[3]) {
    if (!dims) return;
    with(h, [&](TekVor4& d) { d.getDimensions64(dims); });
}

void ek_vor4_set_dimensions(TekVor4* h, const unsigned int dims[3]) {
    if (!dims) return;
    with(h, [&](TekVor4& d) { d.setDimensions32(dims); });
}

void ek_vor4_set_dimensions_64(TekVor4* h, const long long dims[3]) {
    if (!dims) return;
    with(h, [&](TekVor4& d) { d.setDimensions64(dims); });
}

unsigned int ek_vor4_get_pic(TekVor4* h) { return low32(ek_vor4_get_pic_64(h)); }
long long ek_vor4_get_pic_64(TekVor4* h) { return with(h, 1LL, [](TekVor4& d) { return d.getSizeX(); }); }
unsigned int ek_vor4_get_prf(TekVor4* h) { return low32(ek_vor4_get_prf_64(h)); }
long long ek_vor4_get_prf_64(TekVor4* h) { return with(h, 1LL, [](TekVor4& d) { return d.getSizeY(); }); }
unsigned int ek_vor4_get_picz(TekVor4* h) { return low32(ek_vor4_get_picz_64(h)); }
long long ek_vor4_get_picz_64(TekVor4* h) { return with(h, 1LL, [](TekVor4& d) { return d.getSizeZ(); }); }
unsigned int ek_vor4_get_object_count(TekVor4* h) { return low32(ek_vor4_get_object_count_64(h)); }
long long ek_vor4_get_object_count_64(TekVor4* h) { return with(h, 0LL, [](TekVor4& d) { return d.getNumObjects(); }); }

int ek_vor4_get_maskpropindex(TekVor4* h) { return with(h, -1, [](TekVor4& d) { return d.getMaskPropIndex(); }); }
int ek_vor4_get_xpropindex(TekVor4* h) { return with(h, -1, [](TekVor4& d) { return d.getXPropIndex(); }); }
int ek_vor4_get_ypropindex(TekVor4* h) { return with(h, -1, [](TekVor4& d) { return d.getYPropIndex(); }); }
int ek_vor4_get_zpropindex(TekVor4* h) { return with(h, -1, [](TekVor4& d) { return d.getZPropIndex(); }); }
void ek_vor4_set_maskpropindex(TekVor4* h, int index) { with(h, [&](TekVor4& d) { d.setMaskPropIndex(index); }); }
void ek_vor4_set_xpropindex(TekVor4* h, int index) { with(h, [&](TekVor4& d) { d.setXPropIndex(index); }); }
void ek_vor4_set_ypropindex(TekVor4* h, int index) { with(h, [&](TekVor4& d) { d.setYPropIndex(index); }); }
void ek_vor4_set_zpropindex(TekVor4* h, int index) { with(h, [&](TekVor4& d) { d.setZPropIndex(index); }); }

unsigned int ek_vor4_get_prop_count(TekVor4* h) { return with(h, 0u, [](TekVor4& d) { return d.getNumProps(); }); }
void ek_vor4_pack(TekVor4* h) { with(h, [](TekVor4& d) { d.pack(); }); }

void ek_vor4_assign_description(TekVor4* h, TekVor4* source) {
    if (!source) return;
    with(h, [&](TekVor4& d) { d.assign(source); });
}

}  // extern "C"
