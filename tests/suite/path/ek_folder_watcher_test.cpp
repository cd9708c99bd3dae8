#include <gtest/gtest.h>

#include "ekx_path.h"

// No watcher is ever made here; releasing none is harmless.
TEST(FolderWatcher, DestroyingNullIsHarmless) { ek_folder_watcher_destroy(nullptr); }
