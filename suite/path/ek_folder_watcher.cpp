// Folder watchers. This version of the suite creates none; a watcher that a host hands over
// is released here with the storage it was made with.
#include "ekx_path.h"

struct Tek_folder_watcher {
    virtual ~Tek_folder_watcher() = default;
};

extern "C" void ek_folder_watcher_destroy(Tek_folder_watcher* watcher) { delete watcher; }
