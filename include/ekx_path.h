/* ekx_path — folder watching of the ekx suite.
 *
 * A watcher watches one folder (not its subfolders) for changes of the files whose names match
 * its masks: a file created, deleted, renamed to or from a matching name, written, or given new
 * times or permissions. The library has no threads of its own: changes queue up in the operating
 * system until the host calls ek_folder_watcher_dispatch, which delivers them on the host's
 * thread. A host with an event loop waits on ek_folder_watcher_get_wait_handle and dispatches when
 * it signals; any other host dispatches when it likes (a timer, before it reads a document).
 *
 * One thread at a time, as the rest of the suite. Null handles and texts give the failure value
 * (null, false) or do nothing. */
#ifndef EKX_PATH_H
#define EKX_PATH_H

#include <stdbool.h>
#include <stdint.h>
#include <wchar.h>

#include "ekx_basic.h"

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

typedef struct Tek_folder_watcher Tek_folder_watcher;

/* Starts watching a folder (the empty text names the current folder). Null when the folder
 * cannot be watched: missing, not a folder, or the system's watch limit reached. */
EKX_PATH_API Tek_folder_watcher* ek_folder_watcher_create_w(const wchar_t* folder);

/* Adds a file name mask: '*' stands for any run of characters, '?' for one character, anything
 * else for itself; letter case counts as the file system counts it (on Linux it does, on
 * Windows it does not). A watcher
 * without masks reports every file of its folder. False for a null watcher or mask. */
EKX_PATH_API bool ek_folder_watcher_add_mask_w(Tek_folder_watcher* watcher, const wchar_t* mask);

/* The channel on which the watcher announces changes (ekx_basic: subscribe with
 * ek_event_channel_add_client): one update event naming no key for each dispatch that found
 * changes of its files. Owned by the watcher; null for a null watcher. */
EKX_PATH_API Tek_event_channel* ek_folder_watcher_get_event_channel(Tek_folder_watcher* watcher);

/* The process's one waitable handle for all watchers, made on first use and kept until the
 * process ends. On Linux a file descriptor that poll() or select() report readable while changes
 * wait for ek_folder_watcher_dispatch; do not read or close it. On Windows an event HANDLE that is
 * signaled while changes wait (WaitForSingleObject, MsgWaitForMultipleObjects); do not reset or
 * close it. -1 when the system gives none. */
EKX_PATH_API intptr_t ek_folder_watcher_get_wait_handle(void);

/* Delivers what changed since the last dispatch, on the calling thread, without blocking when
 * nothing did. Changes come in bursts (a save writes a temporary file, renames it, writes data
 * files): once something is pending, the dispatch takes it all, then waits up to settle_ms more
 * for further changes, again after each arrival but at most 16 times, and then announces once on
 * the channel of every watcher whose files changed. Unmatched files announce nothing.
 * Returns the number of watchers that announced; 0 also when called from inside an
 * announcement (the outer dispatch goes on). A watcher may be destroyed, and others created,
 * from inside an announcement. */
EKX_PATH_API int ek_folder_watcher_dispatch(unsigned int settle_ms);

/* Stops watching and releases the watcher and its channel; null is ignored. */
EKX_PATH_API void ek_folder_watcher_destroy(Tek_folder_watcher* watcher);

#ifdef __cplusplus
}
#endif

#endif /* EKX_PATH_H */
