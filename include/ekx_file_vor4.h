/* ekx_file_vor4 — VOR4 grid documents: one XML metadata file plus one headerless binary data
 * file per property. Plain C interface, usable from C99 and C++.
 *
 * Conventions of every function:
 * - Handles are opaque. A document handle (TekVor4*) comes from ek_vor4_file_open/_create
 *   (release it with ek_vor4_file_close) or from ek_vor4_load_memory (release it with
 *   ek_vor4_free_memory). A property handle (TekVor4Property*) belongs to its document and is
 *   never released by the caller; it stays valid while its property and its document live.
 * - Narrow strings are text in the host's narrow encoding: the ANSI code page on Windows; on Linux
 *   UTF-8, or Windows-1251 when the environment says EKX_NARROW_ENCODING=windows-1251. Wide
 *   strings are wchar_t text and lose nothing. Functions ending in _w take or deliver wide text;
 *   text is delivered through a string adapter of ekx_basic (ek_string_adp_create).
 * - Functions ending in _64 take and give 64-bit counts and positions. Their 32-bit twins widen
 *   counts and positions without sign (strides keep their sign) and return the low 32 bits.
 * - Failure shows only as the result: null, false, -1, a result code or the value given in the
 *   comment. A null handle or a null out-pointer never crashes; a null text counts as "".
 * - Result codes of reads and writes: 0 done, 1 no memory (read) or a listed property that cannot
 *   be opened (block reads), 2 file error, 4 range or arguments outside the property (also a
 *   null handle), 5 wrong grid type, 6 no memory (write).
 * - One thread at a time: the library takes no locks.
 * - Data types: 0 single, 1 byte, 2 integer, 3 bitmask, 4 double. */
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

#include <stdbool.h>
#include <wchar.h>

#include "ekx_basic.h"
#include "ekx_prg.h"

#ifdef __cplusplus
class TekVor4;
class TekVor4Property;
class Tek_vor_notifier;
extern "C" {
#else
typedef struct TekVor4 TekVor4;
typedef struct TekVor4Property TekVor4Property;
typedef struct Tek_vor_notifier Tek_vor_notifier;
#endif

/* ==== Documents ================================================================================ */

/* Opens an existing document; null when it cannot be opened (or write access is asked of a
 * document that is shared read-only). Handles on one path share one document. */
EKX_VOR4_API TekVor4* ek_vor4_file_open(const char* path, bool readonly);
EKX_VOR4_API TekVor4* ek_vor4_file_open_w(const wchar_t* path, bool readonly);
/* Creates a new, empty document (the metadata file is written at once). */
EKX_VOR4_API TekVor4* ek_vor4_file_create(const char* path);
EKX_VOR4_API TekVor4* ek_vor4_file_create_w(const wchar_t* path);
/* Releases a handle of ek_vor4_file_open/_create; the last handle of a path saves the document.
 * Given a loaded instance by mistake, it releases one load reference (as ek_vor4_free_memory). */
EKX_VOR4_API void ek_vor4_file_close(TekVor4* h);

/* Deletes the metadata file and every data file; false when the document cannot be opened for
 * writing (also while it is open read-only elsewhere). */
EKX_VOR4_API bool ek_vor4_delete_files(const wchar_t* path);
/* Copies a document: description, properties, data and captions. An existing destination is
 * refused unless overwrite; when overwritten, its old files are deleted first (false, nothing
 * copied, when that is not possible). Source and destination must differ. */
EKX_VOR4_API bool ek_vor4_copy_files(const wchar_t* source, const wchar_t* destination, bool overwrite);

/* In memory: the path's shared undo-recording instance, with one reference for the caller
 * (one ek_vor4_free_memory per load). Every change made through it, or through handles opened
 * on the path afterwards, is recorded in the host's undo history (ekx_basic). */
EKX_VOR4_API TekVor4* ek_vor4_load_memory(const char* path);
EKX_VOR4_API TekVor4* ek_vor4_load_memory_w(const wchar_t* path);
EKX_VOR4_API void ek_vor4_free_memory(TekVor4* h);
/* The loaded instance of the path, or null; no reference is taken (do not free it). */
EKX_VOR4_API TekVor4* ek_vor4_in_memory(const char* path);
EKX_VOR4_API TekVor4* ek_vor4_in_memory_w(const wchar_t* path);

/* Bytes of one value of a data type: 4, 1, 4, 1, 8 for codes 0..4; 0 for any other code. */
EKX_VOR4_API int ek_vor4_get_data_type_size(unsigned char data_type);

/* ---- Geometry (null handle: the value in the comment; setters then do nothing) ---- */
EKX_VOR4_API unsigned char ek_vor4_get_grid_type(TekVor4* h);  /* 0 */
EKX_VOR4_API void ek_vor4_set_gridtype(TekVor4* h, unsigned char grid_type);
EKX_VOR4_API void ek_vor4_set_grid_type(TekVor4* h, unsigned char grid_type);
EKX_VOR4_API double ek_vor4_get_x0(TekVor4* h);  /* 0.0 */
EKX_VOR4_API double ek_vor4_get_y0(TekVor4* h);  /* 0.0 */
EKX_VOR4_API double ek_vor4_get_z0(TekVor4* h);  /* 0.0 */
EKX_VOR4_API double ek_vor4_get_dx(TekVor4* h);  /* 1.0 */
EKX_VOR4_API double ek_vor4_get_dy(TekVor4* h);  /* 1.0 */
EKX_VOR4_API double ek_vor4_get_dz(TekVor4* h);  /* 1.0 */
EKX_VOR4_API void ek_vor4_set_x0(TekVor4* h, double value);
EKX_VOR4_API void ek_vor4_set_y0(TekVor4* h, double value);
EKX_VOR4_API void ek_vor4_set_z0(TekVor4* h, double value);
EKX_VOR4_API void ek_vor4_set_dx(TekVor4* h, double value);
EKX_VOR4_API void ek_vor4_set_dy(TekVor4* h, double value);
EKX_VOR4_API void ek_vor4_set_dz(TekVor4* h, double value);
EKX_VOR4_API double ek_vor4_get_azimuth(TekVor4* h);  /* 0.0; degrees */
EKX_VOR4_API void ek_vor4_set_azimuth(TekVor4* h, double azimuth);
EKX_VOR4_API bool ek_vor4_get_earthplane(TekVor4* h);  /* false */
EKX_VOR4_API void ek_vor4_set_earthplane(TekVor4* h, bool earthplane);
/* Sizes along X, Y, Z; the array is left unchanged for a null handle. */
EKX_VOR4_API void ek_vor4_get_dimensions(TekVor4* h, unsigned int dims[3]);
EKX_VOR4_API void ek_vor4_get_dimensions_64(TekVor4* h, long long dims[3]);
EKX_VOR4_API void ek_vor4_set_dimensions(TekVor4* h, const unsigned int dims[3]);
EKX_VOR4_API void ek_vor4_set_dimensions_64(TekVor4* h, const long long dims[3]);
EKX_VOR4_API unsigned int ek_vor4_get_pic(TekVor4* h);     /* size along X; 1 */
EKX_VOR4_API long long ek_vor4_get_pic_64(TekVor4* h);
EKX_VOR4_API unsigned int ek_vor4_get_prf(TekVor4* h);     /* size along Y; 1 */
EKX_VOR4_API long long ek_vor4_get_prf_64(TekVor4* h);
EKX_VOR4_API unsigned int ek_vor4_get_picz(TekVor4* h);    /* size along Z; 1 */
EKX_VOR4_API long long ek_vor4_get_picz_64(TekVor4* h);
EKX_VOR4_API unsigned int ek_vor4_get_object_count(TekVor4* h);  /* 0 */
EKX_VOR4_API long long ek_vor4_get_object_count_64(TekVor4* h);
/* Indexes of the mask and coordinate properties; -1 names none (and is the null-handle value). */
EKX_VOR4_API int ek_vor4_get_maskpropindex(TekVor4* h);
EKX_VOR4_API int ek_vor4_get_xpropindex(TekVor4* h);
EKX_VOR4_API int ek_vor4_get_ypropindex(TekVor4* h);
EKX_VOR4_API int ek_vor4_get_zpropindex(TekVor4* h);
EKX_VOR4_API void ek_vor4_set_maskpropindex(TekVor4* h, int index);
EKX_VOR4_API void ek_vor4_set_xpropindex(TekVor4* h, int index);
EKX_VOR4_API void ek_vor4_set_ypropindex(TekVor4* h, int index);
EKX_VOR4_API void ek_vor4_set_zpropindex(TekVor4* h, int index);
EKX_VOR4_API unsigned int ek_vor4_get_prop_count(TekVor4* h);  /* 0 */
/* Deletes the temporary properties. */
EKX_VOR4_API void ek_vor4_pack(TekVor4* h);
/* h takes the description (geometry) of source; nothing happens when either is null. */
EKX_VOR4_API void ek_vor4_assign_description(TekVor4* h, TekVor4* source);

/* ==== Property list ============================================================================ */

/* -1 when not found or for a null handle. Narrow: exact match; wide: letter case ignored. */
EKX_VOR4_API int ek_vor4_get_index_by_name(TekVor4* h, const char* name);
EKX_VOR4_API int ek_vor4_get_index_by_name_w(TekVor4* h, const wchar_t* name);
EKX_VOR4_API int ek_vor4_get_index_by_caption(TekVor4* h, const char* caption);
EKX_VOR4_API int ek_vor4_get_index_by_caption_w(TekVor4* h, const wchar_t* caption);
/* Adds an empty property (filled with missing values); null when refused. */
EKX_VOR4_API TekVor4Property* ek_vor4_prop_add(TekVor4* h, const char* name, unsigned char propKind,
                                               unsigned char dataType, bool overwrite);
EKX_VOR4_API TekVor4Property* ek_vor4_prop_add_w(TekVor4* h, const wchar_t* name, unsigned char propKind,
                                                 unsigned char dataType, bool overwrite);
/* Adds a property whose data come from a prepared data file (copied or moved). */
EKX_VOR4_API TekVor4Property* ek_vor4_prop_add_binary(TekVor4* h, const char* name, unsigned char propKind,
                                                      unsigned char dataType, const char* sourceFile, bool copy,
                                                      bool overwrite);
EKX_VOR4_API TekVor4Property* ek_vor4_prop_add_binary_w(TekVor4* h, const wchar_t* name, unsigned char propKind,
                                                        unsigned char dataType, const wchar_t* sourceFile,
                                                        bool copy, bool overwrite);
EKX_VOR4_API void ek_vor4_prop_delete(TekVor4* h, unsigned int index);
/* As ek_vor4_prop_delete, and also removes a property whose data file is already gone. */
EKX_VOR4_API void ek_vor4_prop_delete_list(TekVor4* h, unsigned int index);
/* The property at index; null past the end or for a null handle. */
EKX_VOR4_API TekVor4Property* ek_vor4_prop_open(TekVor4* h, unsigned int index);
/* base, base1, base2 ...: the first name no property has. The text stays valid until the next
 * call; null for a null handle. */
EKX_VOR4_API const char* ek_vor_generate_unin_name(TekVor4* h, const char* base);
EKX_VOR4_API void ek_vor_generate_unin_name_w(TekVor4* h, const wchar_t* base, Tek_string_adapter* adapter);
EKX_VOR4_API void ek_vor_generate_unin_capt_w(TekVor4* h, const wchar_t* base, Tek_string_adapter* adapter);

/* ==== Property attributes by index ==============================================================
 * An index at or past ek_vor4_get_prop_count, or a null handle, gives the value in the comment
 * (setters do nothing). Narrow texts point into the property and stay valid until that text
 * changes or the property goes. */
EKX_VOR4_API unsigned char ek_vor4_get_prop_kind(TekVor4* h, unsigned int index);       /* 0 */
EKX_VOR4_API unsigned char ek_vor4_get_prop_data_type(TekVor4* h, unsigned int index);  /* 3 */
EKX_VOR4_API void ek_vor4_set_prop_kind(TekVor4* h, unsigned int index, unsigned char propKind);
EKX_VOR4_API void ek_vor4_set_prop_data_type(TekVor4* h, unsigned int index, unsigned char dataType);
EKX_VOR4_API const char* ek_vor4_get_prop_name(TekVor4* h, unsigned int index);  /* "" */
EKX_VOR4_API void ek_vor4_get_prop_name_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter);  /* "" fed */
EKX_VOR4_API const char* ek_vor4_get_prop_caption(TekVor4* h, unsigned int index);  /* "" */
EKX_VOR4_API void ek_vor4_get_prop_caption_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter);
EKX_VOR4_API void ek_vor4_set_prop_caption(TekVor4* h, unsigned int index, const char* caption);
EKX_VOR4_API void ek_vor4_set_prop_caption_w(TekVor4* h, unsigned int index, const wchar_t* caption);
EKX_VOR4_API const char* ek_vor4_get_prop_precision(TekVor4* h, unsigned int index);  /* "" */
EKX_VOR4_API void ek_vor4_get_prop_precision_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter);
EKX_VOR4_API void ek_vor4_set_prop_precision(TekVor4* h, unsigned int index, const char* precision);
EKX_VOR4_API void ek_vor4_set_prop_precision_w(TekVor4* h, unsigned int index, const wchar_t* precision);
EKX_VOR4_API void ek_vor4_prop_set_temp_status(TekVor4* h, unsigned int index, bool temp);
EKX_VOR4_API bool ek_vor4_prop_get_temp_status(TekVor4* h, unsigned int index);  /* false */
/* The data file's path; nothing is fed on failure. */
EKX_VOR4_API void ek_vor4_prop_get_prop_file_name_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter);
EKX_VOR4_API bool ek_vor4_prop_file_exists(TekVor4* h, unsigned int index);  /* false */
/* Function axis parameters: 0.0 and 0 on failure. */
EKX_VOR4_API double ek_vor4_get_func_x0(TekVor4* h, unsigned int index);
EKX_VOR4_API double ek_vor4_get_func_y0(TekVor4* h, unsigned int index);
EKX_VOR4_API double ek_vor4_get_func_z0(TekVor4* h, unsigned int index);
EKX_VOR4_API double ek_vor4_get_func_dx(TekVor4* h, unsigned int index);
EKX_VOR4_API double ek_vor4_get_func_dy(TekVor4* h, unsigned int index);
EKX_VOR4_API double ek_vor4_get_func_dz(TekVor4* h, unsigned int index);
EKX_VOR4_API unsigned int ek_vor4_get_func_lx(TekVor4* h, unsigned int index);
EKX_VOR4_API unsigned int ek_vor4_get_func_ly(TekVor4* h, unsigned int index);
EKX_VOR4_API unsigned int ek_vor4_get_func_lz(TekVor4* h, unsigned int index);
EKX_VOR4_API void ek_vor4_set_func_x0(TekVor4* h, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_set_func_y0(TekVor4* h, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_set_func_z0(TekVor4* h, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_set_func_dx(TekVor4* h, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_set_func_dy(TekVor4* h, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_set_func_dz(TekVor4* h, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_set_func_lx(TekVor4* h, unsigned int index, unsigned int value);
EKX_VOR4_API void ek_vor4_set_func_ly(TekVor4* h, unsigned int index, unsigned int value);
EKX_VOR4_API void ek_vor4_set_func_lz(TekVor4* h, unsigned int index, unsigned int value);

/* ==== Property data =============================================================================
 * Runs and 2D/3D windows with conversion to and from dstType/srcType. A read resamples the
 * window [start, start+count) onto dstCount outputs by nearest index; strides and pitches are in
 * elements (0 selects the property's defaults) and may be negative: the values then run backwards
 * from the given element (a row pitch of -width flips the rows). A stride, pitch or count whose
 * element addresses overflow gives 4 with nothing touched. Result codes as at the top. */
EKX_VOR4_API int ek_vor4_prop_read(TekVor4Property* p, unsigned int start, unsigned int count, void* dst,
                                   unsigned int dstCount, unsigned char dstType, int dstStride);
EKX_VOR4_API int ek_vor4_prop_read_64(TekVor4Property* p, long long start, long long count, void* dst,
                                      long long dstCount, unsigned char dstType, long long dstStride);
EKX_VOR4_API int ek_vor4_prop_read2d(TekVor4Property* p, unsigned int x0, unsigned int y0, unsigned int w,
                                     unsigned int h, void* dst, unsigned int dstW, unsigned int dstH,
                                     unsigned char dstType, int dstStride, int dstRowStride);
EKX_VOR4_API int ek_vor4_prop_read2d_64(TekVor4Property* p, long long x0, long long y0, long long w, long long h,
                                        void* dst, long long dstW, long long dstH, unsigned char dstType,
                                        long long dstStride, long long dstRowStride);
EKX_VOR4_API int ek_vor4_prop_read3d(TekVor4Property* p, unsigned int x0, unsigned int y0, unsigned int z0,
                                     unsigned int w, unsigned int h, unsigned int d, void* dst, unsigned int dstW,
                                     unsigned int dstH, unsigned int dstD, unsigned char dstType, int dstStride,
                                     int dstRowStride, int dstSliceStride);
EKX_VOR4_API int ek_vor4_prop_read3d_64(TekVor4Property* p, long long x0, long long y0, long long z0, long long w,
                                        long long h, long long d, void* dst, long long dstW, long long dstH,
                                        long long dstD, unsigned char dstType, long long dstStride,
                                        long long dstRowStride, long long dstSliceStride);
EKX_VOR4_API int ek_vor4_prop_write(TekVor4Property* p, unsigned int start, const void* src, unsigned int count,
                                    unsigned char srcType, int srcStride);
EKX_VOR4_API int ek_vor4_prop_write_64(TekVor4Property* p, long long start, const void* src, long long count,
                                       unsigned char srcType, long long srcStride);
EKX_VOR4_API int ek_vor4_prop_write2d(TekVor4Property* p, unsigned int x0, unsigned int y0, const void* src,
                                      unsigned int w, unsigned int h, unsigned char srcType, int srcStride,
                                      int srcRowStride);
EKX_VOR4_API int ek_vor4_prop_write2d_64(TekVor4Property* p, long long x0, long long y0, const void* src,
                                         long long w, long long h, unsigned char srcType, long long srcStride,
                                         long long srcRowStride);
EKX_VOR4_API int ek_vor4_prop_write3d(TekVor4Property* p, unsigned int x0, unsigned int y0, unsigned int z0,
                                      const void* src, unsigned int w, unsigned int h, unsigned int d,
                                      unsigned char srcType, int srcStride, int srcRowStride, int srcSliceStride);
EKX_VOR4_API int ek_vor4_prop_write3d_64(TekVor4Property* p, long long x0, long long y0, long long z0,
                                         const void* src, long long w, long long h, long long d,
                                         unsigned char srcType, long long srcStride, long long srcRowStride,
                                         long long srcSliceStride);

/* Cell indexes that a resampling read would visit, written from dst[0]. */
EKX_VOR4_API int ek_vor4_read_index_64(TekVor4* h, long long start, long long count, long long* dst,
                                       long long dstCount, long long step);
EKX_VOR4_API int ek_vor4_read_index2d_64(TekVor4* h, long long x0, long long y0, long long w, long long hgt,
                                         long long* dst, long long dstW, long long dstH, long long step,
                                         long long dstRowStride);
EKX_VOR4_API int ek_vor4_read_index3d_64(TekVor4* h, long long x0, long long y0, long long z0, long long w,
                                         long long hgt, long long d, long long* dst, long long dstW,
                                         long long dstH, long long dstD, long long step, long long dstRowStride,
                                         long long dstSliceStride);

/* ---- Single values (false: no value read; setters report nothing) ---- */
EKX_VOR4_API bool ek_vor4_prop_get_value_byte(TekVor4Property* p, unsigned int index, unsigned char* out);
EKX_VOR4_API bool ek_vor4_prop_get_value_int(TekVor4Property* p, unsigned int index, int* out);
EKX_VOR4_API bool ek_vor4_prop_get_value_single(TekVor4Property* p, unsigned int index, float* out);
EKX_VOR4_API bool ek_vor4_prop_get_value_double(TekVor4Property* p, unsigned int index, double* out);
EKX_VOR4_API void ek_vor4_prop_set_value_byte(TekVor4Property* p, unsigned int index, unsigned char value);
EKX_VOR4_API void ek_vor4_prop_set_value_int(TekVor4Property* p, unsigned int index, int value);
EKX_VOR4_API void ek_vor4_prop_set_value_single(TekVor4Property* p, unsigned int index, float value);
EKX_VOR4_API void ek_vor4_prop_set_value_double(TekVor4Property* p, unsigned int index, double value);
EKX_VOR4_API void ek_vor4_prop_set_value_nodata(TekVor4Property* p, unsigned int index);
EKX_VOR4_API unsigned int ek_vor4_prop_get_objcount(TekVor4Property* p);  /* 0 */
EKX_VOR4_API long long ek_vor4_prop_get_objcount_64(TekVor4Property* p);
/* Stores the low 32 bits of the block size in *out (when out is not null) and returns them. */
EKX_VOR4_API unsigned int ek_vor4_prop_get_block_size(TekVor4Property* p, unsigned int* out);
EKX_VOR4_API void ek_vor4_prop_get_caption_w(TekVor4Property* p, Tek_string_adapter* adapter);
EKX_VOR4_API void ek_vor4_prop_set_caption_w(TekVor4Property* p, const wchar_t* caption);
/* Closes the property's data file (not the handle). */
EKX_VOR4_API void ek_vor4_prop_close(TekVor4Property* p);

/* ---- Statistics and histogram (null handle: false, 0.0, 0 or null) ---- */
EKX_VOR4_API bool ek_vor4_prop_get_statistic_exist(TekVor4Property* p);
EKX_VOR4_API double ek_vor4_prop_get_statistic_min(TekVor4Property* p);
EKX_VOR4_API double ek_vor4_prop_get_statistic_max(TekVor4Property* p);
EKX_VOR4_API double ek_vor4_prop_get_statistic_average(TekVor4Property* p);
EKX_VOR4_API double ek_vor4_prop_get_statistic_stddev(TekVor4Property* p);
EKX_VOR4_API long long ek_vor4_prop_get_statistic_indef_count_64(TekVor4Property* p);
EKX_VOR4_API long long ek_vor4_prop_get_statistic_vals_count_64(TekVor4Property* p);
/* The same counts clamped to 2147483647. */
EKX_VOR4_API int ek_vor4_prop_get_statistic_indef_count(TekVor4Property* p);
EKX_VOR4_API int ek_vor4_prop_get_statistic_vals_count(TekVor4Property* p);
EKX_VOR4_API void ek_vor4_prop_statistic_update(TekVor4Property* p);
EKX_VOR4_API bool ek_vor4_prop_get_histogram_exist(TekVor4Property* p);
EKX_VOR4_API double ek_vor4_prop_get_histogram_hgbndmin(TekVor4Property* p);
EKX_VOR4_API double ek_vor4_prop_get_histogram_hgbndmax(TekVor4Property* p);
EKX_VOR4_API long long ek_vor4_prop_get_histogram_hgmin(TekVor4Property* p);
EKX_VOR4_API long long ek_vor4_prop_get_histogram_hgmax(TekVor4Property* p);
/* Eight upper-case hexadecimal digits per class count; owned by the property. */
EKX_VOR4_API const char* ek_vor4_prop_get_histogram_hgdiapdata(TekVor4Property* p);
EKX_VOR4_API unsigned int ek_vor4_prop_get_histogram_count(TekVor4Property* p);
EKX_VOR4_API long long ek_vor4_prop_get_histogram_value(TekVor4Property* p, unsigned int bin);
EKX_VOR4_API void ek_vor4_prop_histogram_update(TekVor4Property* p);

/* ---- Property names ---- */
/* True when every character is an ASCII letter, a digit or '_' (the empty name included). */
EKX_VOR4_API bool ek_vor4_prop_name_ok(const wchar_t* name);
/* Feeds the name unchanged when it is acceptable, else its transliterated repair. */
EKX_VOR4_API void ek_vor4_prop_name_fix(const wchar_t* name, Tek_string_adapter* adapter);

/* ==== Spatial transforms and block reads ========================================================= */

/* Cell coordinates to world coordinates (origin, cell sizes, azimuth); out untouched when null. */
EKX_VOR4_API void ek_vor4_get_geotransform(TekVor4* h, Tek_matrix3x3* out);
/* The cell under a world point; row 0 is the last row of the transformed y. False (outputs
 * unchanged) outside the grid. */
EKX_VOR4_API bool ek_vor4_fetch_iloc2d_64(TekVor4* h, Tek_vtx_d2 point, long long* column, long long* row);
/* One window of several properties into consecutive blocks of dst. Block k reads property
 * propIndices[k] (or k when the list is null); -1 leaves the block untouched. 0 selects the
 * defaults: element stride 1, row pitch dstW, slice pitch rowPitch*dstH, block pitch the whole
 * window. Returns 0, 1 when a listed property cannot be opened, or the first failing read's code. */
EKX_VOR4_API int ek_vor4_read(TekVor4* h, unsigned int start, unsigned int count, void* dst, unsigned int dstCount,
                              unsigned char dstType, int propCount, int* propIndices, int dstStride, int propPitch);
EKX_VOR4_API int ek_vor4_read2d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int w, unsigned int hgt,
                                void* dst, unsigned int dstW, unsigned int dstH, unsigned char dstType,
                                int propCount, int* propIndices, int dstStride, int dstRowStride, int propPitch);
EKX_VOR4_API int ek_vor4_read3d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int z0, unsigned int w,
                                unsigned int hgt, unsigned int d, void* dst, unsigned int dstW, unsigned int dstH,
                                unsigned int dstD, unsigned char dstType, int propCount, int* propIndices,
                                int dstStride, int dstRowStride, int dstSliceStride, int propPitch);

/* ==== Change notification ========================================================================
 * One notifier per document path (letter case ignored, no other normalisation). Subscribe to
 * its channel (ek_event_channel_add_client of ekx_basic) to receive begin-update, update and
 * end-update events for every change made through the library to that document. Changes that
 * other processes make to its files (the metadata file, the data files) arrive as one such group
 * per burst when the host calls ek_folder_watcher_dispatch of ekx_path (see ekx_path.h); so do
 * this process's own writes, as a second announcement. A handle comes from
 * ek_create_vor_notifier_w and is released with ek_destroy_vor_notifier; null is ignored. */
EKX_VOR4_API Tek_vor_notifier* ek_create_vor_notifier_w(const wchar_t* path);
EKX_VOR4_API void ek_destroy_vor_notifier(Tek_vor_notifier* notifier);
EKX_VOR4_API Tek_event_channel* ek_vor_notifier_get_update_event_channel(Tek_vor_notifier* notifier);
EKX_VOR4_API unsigned int ek_vor_notifier_begin_update(Tek_vor_notifier* notifier);
EKX_VOR4_API void ek_vor_notifier_end_update(Tek_vor_notifier* notifier);
EKX_VOR4_API void ek_vor_notifier_changed(Tek_vor_notifier* notifier);

#ifdef __cplusplus
}
#endif

#endif /* EKX_FILE_VOR4_H */
