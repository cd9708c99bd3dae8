#include <gtest/gtest.h>

#include "ekx_path.h"

TEST(FolderWatcher, DestroyingNullIsHarmless) {
    ek_folder_watcher_destroy(nullptr);
    ek_folder_watcher_destroy(nullptr);
    SUCCEED();
}
