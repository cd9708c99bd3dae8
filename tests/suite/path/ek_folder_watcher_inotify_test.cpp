// Folder watchers: which changes reach a watcher, one announcement per burst, only on dispatch; watchers that come and go.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include "ekx_path.h"
#include "support/child_process.h"
#include "support/host_platform.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ek::test::TempDir;

// A watcher with its masks, counting the update events it announces; on_update runs once, from inside the next announcement.
struct Watched {
    Watched(const fs::path& dir, std::initializer_list<const wchar_t*> masks) : folder(dir), w(ek_folder_watcher_create_w(dir.wstring().c_str())) {
        for (const wchar_t* m : masks) ek_folder_watcher_add_mask_w(w, m);
        ek_event_channel_add_client(ek_folder_watcher_get_event_channel(w), &on_event, this);
    }
    ~Watched() { ek_folder_watcher_destroy(w); }
    void destroy() { ek_folder_watcher_destroy(w), w = nullptr; }
    static void on_event(Tek_table* queue, void* self) {
        auto* w = static_cast<Watched*>(self);
        for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i) ++(ek_event_queue_get_update_event(queue, i) ? w->updates : w->others);
        if (auto f = std::exchange(w->on_update, nullptr)) f(*w);
    }
    const fs::path folder;
    Tek_folder_watcher* w;
    int updates = 0, others = 0, nested = -1;  // nested: what a dispatch from inside an announcement returned
    void (*on_update)(Watched&) = nullptr;
};

void write(const fs::path& file, const std::string& text, std::ios::openmode mode = std::ios::trunc) { std::ofstream(file, mode) << text; }

bool pending(int ms = 0) { return ek::test::wait_for_watch(ek_folder_watcher_get_wait_handle(), ms); }

// The system watches of this process (Linux lists them with the descriptor).
int system_watches() {
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(ek_folder_watcher_get_wait_handle()));
    int n = 0;
    for (std::string line; std::getline(info, line);) n += line.rfind("inotify wd:", 0) == 0;
    return n;
}

// Announcements to the watcher of field.xml and field.*.property, once per dispatch, and only when the host dispatches.
TEST(FolderWatcherInotify, ChangesOfMatchingFilesAreAnnouncedOncePerDispatch) {
    using D = const fs::path&;
    const struct { const char* label; std::string existing; void (*change)(D); int expected; } rows[] = {
        {"create metadata", "", [](D d) { write(d / "field.xml", "x"); }, 1}, {"create data file", "", [](D d) { write(d / "field.A.property", "x"); }, 1},
        {"append", "field.A.property", [](D d) { write(d / "field.A.property", "y", std::ios::app); }, 1},
        {"replace by rename", "field.xml", [](D d) { write(d / "fie1F.tmp", "new"), fs::rename(d / "fie1F.tmp", d / "field.xml"); }, 1},
        {"rename away", "field.A.property", [](D d) { fs::rename(d / "field.A.property", d / "moved"); }, 1},
        {"delete", "field.xml", [](D d) { fs::remove(d / "field.xml"); }, 1},
        {"new time", "field.xml", [](D d) { fs::last_write_time(d / "field.xml", fs::file_time_type::clock::now() - std::chrono::hours(1)); }, 1},
        {"burst of twenty writes", "", [](D d) { for (int i = 0; i < 20; ++i) write(d / (i % 2 ? "field.xml" : "field.B.property"), "x"); }, 1},
        {"other document", "", [](D d) { write(d / "fields.A.property", "x"), write(d / "other.xml", "x"); }, 0},
        {"other extension", "", [](D d) { write(d / "field.A.bak", "x"), write(d / "field.xml.tmp", "x"); }, 0},
        {"letter case", "", [](D d) { write(d / "FIELD.xml", "x"), write(d / "field.a.PROPERTY", "x"); }, 0},
        {"data file without property name", "", [](D d) { write(d / "field.property", "x"); }, 0},
        {"subfolder", "", [](D d) { fs::create_directory(d / "sub"), write(d / "sub" / "field.xml", "x"); }, 0},
        {"read only", "field.xml", [](D d) { std::ifstream(d / "field.xml").get(); }, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        if (!row.existing.empty()) write(dir.path() / row.existing, "old");
        Watched w(dir.path(), {L"field.xml", L"field.*.property"});
        EXPECT_TRUE(w.w && ek_folder_watcher_dispatch(0) == 0) << "nothing pending: no wait, no announcement";
        row.change(dir.path());
        EXPECT_EQ(w.updates, 0) << "no delivery before the host dispatches";
        EXPECT_EQ(ek_folder_watcher_dispatch(0), row.expected);
        EXPECT_TRUE(!pending() && ek_folder_watcher_dispatch(0) == 0) << "a burst is announced once";
        EXPECT_TRUE(w.updates == row.expected && w.others == 0);
    }
}

// Each watcher of a shared folder hears only its own files; the folder stays watched while one of them is left. An
// announcement may destroy its watcher; a dispatch from inside one does nothing and leaves the change to the next.
TEST(FolderWatcherInotify, WatchersOfOneFolderAreIndependent) {
    TempDir dir;
    const int watches = system_watches();
    auto a = std::make_unique<Watched>(dir.path(), std::initializer_list<const wchar_t*>{L"a.*"});
    Watched b(dir.path(), {L"b.*"}), any(dir.path(), {L"?.x", L"*.y"});
    EXPECT_EQ(system_watches(), watches + 1) << "one system watch for the folder";
    ek_folder_watcher_dispatch(0), write(dir.path() / "a.x", "x"), write(dir.path() / "b.y", "x");
    EXPECT_TRUE(ek_folder_watcher_dispatch(0) == 3 && a->updates == 1 && b.updates == 1 && any.updates == 1);
    b.on_update = [](Watched& self) { self.destroy(); };
    any.on_update = [](Watched& self) { write(self.folder / "a.y", "x"), self.nested = ek_folder_watcher_dispatch(0); };
    write(dir.path() / "b.x", "x"), write(dir.path() / "a.x", "y");
    EXPECT_TRUE(ek_folder_watcher_dispatch(0) == 3 && any.nested == 0 && a->updates == 2);
    EXPECT_TRUE(ek_folder_watcher_dispatch(0) == 2 && a->updates == 3) << "the change made inside the announcement";
    a.reset(), write(dir.path() / "ab.y", "x");
    EXPECT_EQ(system_watches(), watches + 1);
    EXPECT_TRUE(ek_folder_watcher_dispatch(0) == 1 && any.updates == 4) << "the folder is still watched for the last watcher";
    any.destroy();
    EXPECT_EQ(system_watches(), watches) << "the last watcher removes the watch";
}

TEST(FolderWatcherInotify, ChangesWithinTheSettleIntervalJoinTheBurst) {
    TempDir dir;
    Watched w(dir.path(), {L"field.xml"});
    ek_folder_watcher_dispatch(0);
    ek::test::Child child([](const std::vector<std::wstring>& a) {  // two writes 40 ms apart
        write(fs::path(a[0]) / "field.xml", "1"), std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return write(fs::path(a[0]) / "field.xml", "2"), 0;
    }, {dir.path().wstring()});
    ASSERT_TRUE(child.started() && pending(10'000)) << "the first write signals";
    EXPECT_EQ(ek_folder_watcher_dispatch(500), 1);
    EXPECT_TRUE(child.wait() == 0 && w.updates == 1);
    EXPECT_EQ(ek_folder_watcher_dispatch(0), 0) << "the second write came within the interval";
}

TEST(FolderWatcherInotify, BadArgumentsAndVanishingFoldersAreHarmless) {
    TempDir dir;
    EXPECT_TRUE(!ek_folder_watcher_create_w(nullptr) && !ek_folder_watcher_create_w(dir.file("missing").c_str()) &&
                (write(dir.path() / "file", "x"), !ek_folder_watcher_create_w(dir.file("file").c_str())));  // the last is no folder
    EXPECT_TRUE(!ek_folder_watcher_add_mask_w(nullptr, L"*") && !ek_folder_watcher_get_event_channel(nullptr) && ek_folder_watcher_get_wait_handle() >= 0);
    ek_folder_watcher_destroy(nullptr), fs::create_directory(dir.path() / "gone");
    Watched w(dir.path() / "gone", {});
    ASSERT_TRUE(w.w && !ek_folder_watcher_add_mask_w(w.w, nullptr));
    ek_folder_watcher_dispatch(0), write(dir.path() / "gone" / "f", "x");
    EXPECT_TRUE(pending() && ek_folder_watcher_dispatch(0) == 1) << "the wait handle signals; no mask: every file";
    fs::permissions(dir.path() / "gone", fs::perms::owner_all | fs::perms::group_read);
    EXPECT_EQ(ek_folder_watcher_dispatch(0), 0) << "the folder is no file of its own";
    EXPECT_EQ((fs::remove_all(dir.path() / "gone"), ek_folder_watcher_dispatch(0), w.updates), 2) << "its files' deletion was its last change";
}

}  // namespace
