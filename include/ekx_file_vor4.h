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

#include <stdbool.h>
#include <wchar.h>

#include "ekx_basic.h"

#ifdef __cplusplus
class Tek_vor_notifier;
extern "C" {
#else
typedef struct Tek_vor_notifier Tek_vor_notifier;
#endif

/* Size in bytes of one value of a data type (0 single, 1 byte, 2 integer, 3 bitmask,
 * 4 double); 0 for any other code. */
EKX_VOR4_API int ek_vor4_get_data_type_size(unsigned char data_type);

/* ---- Change notification ----------------------------------------------------------------
 * One notifier per document path (letter case ignored, no other normalisation). Subscribe to
 * its channel (ek_event_channel_add_client of ekx_basic) to receive begin-update, update and
 * end-update events for every change made through the library to that document. The handle
 * must come from ek_create_vor_notifier_w and must not be null. */
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
