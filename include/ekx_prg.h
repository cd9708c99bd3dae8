/* ekx_prg — 3x3 matrices of plane transforms, point transform and angle conversion.
 * Null pointers are ignored. */
#ifndef EKX_PRG_H
#define EKX_PRG_H

#if defined(_WIN32)
#  if defined(EKX_PRG_BUILD)
#    define EKX_PRG_API __declspec(dllexport)
#  else
#    define EKX_PRG_API __declspec(dllimport)
#  endif
#else
#  define EKX_PRG_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Tek_matrix3x3 { double m[3][3]; } Tek_matrix3x3;  /* row-major, applied to (x, y, 1) */
typedef struct Tek_vtx_d2 { double x, y; } Tek_vtx_d2;

EKX_PRG_API double ek_grd2rad(double degrees);
EKX_PRG_API void ek_matrix3x3_init_single(Tek_matrix3x3* m);  /* identity */
/* Cell coordinates to the world: (c, r) -> (x0, y0) + R(angle) * (c * dx, r * dy), R being the
 * counter-clockwise rotation by angle radians. */
EKX_PRG_API void ek_matrix3x3_init_grid2d(Tek_matrix3x3* m, double x0, double y0, double angle, double dx, double dy);
/* The exact inverse of init_grid2d: world to fractional cell coordinates. */
EKX_PRG_API void ek_matrix3x3_init_similitude(Tek_matrix3x3* m, double x0, double y0, double angle, double dx,
                                              double dy);
EKX_PRG_API void ek_vtx_d2_apply_matrix3x3(Tek_vtx_d2* point, const Tek_matrix3x3* m);

#ifdef __cplusplus
}
#endif

#endif /* EKX_PRG_H */
