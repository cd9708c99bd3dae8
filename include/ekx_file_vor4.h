/* ekx_file_vor4 — VOR4 grid documents: one XML metadata file plus one headerless binary data
 * file per property. Plain C interface, usable from C99 and C++. */
#ifndef EKX_FILE_VOR4_H
#define EKX_FILE_VOR4_H

#if defined(_WIN32)
#  if defined(EKX_FILE_VOR4_BUILD)
#    define EKX_VOR4_API __declspec(dllexport)
#  else
#    define EKX_VOR4_API __declspec(dllimport)
#  endif
#else
#  define EKX_VOR4_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size in bytes of one value of a data type (0 single, 1 byte, 2 integer, 3 bitmask,
 * 4 double); 0 for any other code. */
EKX_VOR4_API int ek_vor4_get_data_type_size(unsigned char data_type);

#ifdef __cplusplus
}
#endif

#endif /* EKX_FILE_VOR4_H */
