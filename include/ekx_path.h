/* ekx_path — folder watching of the ekx suite. */
#ifndef EKX_PATH_H
#define EKX_PATH_H

#if defined(_WIN32)
#  if defined(EKX_PATH_BUILD)
#    define EKX_PATH_API __declspec(dllexport)
#  else
#    define EKX_PATH_API __declspec(dllimport)
#  endif
#else
#  define EKX_PATH_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A folder watcher. No function of this version creates one; the document library only
 * releases watchers that a host gave it. */
typedef struct Tek_folder_watcher Tek_folder_watcher;

/* Releases a watcher; null is ignored. */
EKX_PATH_API void ek_folder_watcher_destroy(Tek_folder_watcher* watcher);

#ifdef __cplusplus
}
#endif

#endif /* EKX_PATH_H */
