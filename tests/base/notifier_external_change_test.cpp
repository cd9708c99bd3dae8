// Changes that another process makes to a document reach the subscribers of its notifier: one
// update group per burst, delivered when the host dispatches the folder watchers' reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/event_log.h"
#include "ekx_file_vor4.h"
#include "ekx_path.h"
#include "support/child_process.h"
#include "support/host_platform.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::wstring>;

// Child tasks; args[0] is the document's path. Each returns 0 when it did its change.
int write_values(const Args& a) {
    TekVor4* h = ek_vor4_file_open_w(a[0].c_str(), false);
    const float values[1] = {7};
    const int rc = ek_vor4_prop_write(ek_vor4_prop_open(h, 0), 0, values, 1, 0, 1);
    return ek_vor4_file_close(h), rc;
}

int many_edits(const Args& a) {  // five sessions that each add a property, write it and change a caption
    int failures = 0;
    for (int i = 0; i < 5; ++i) {
        TekVor4* h = ek_vor4_file_open_w(a[0].c_str(), false);
        const float v[4] = {float(i), 0, 0, 0};
        TekVor4Property* p = ek_vor4_prop_add_w(h, (L"P" + std::to_wstring(i)).c_str(), 0, 0, false);
        failures += !p || ek_vor4_prop_write(p, 0, v, 4, 0, 1) != 0;
        ek_vor4_set_prop_caption_w(h, 0, L"edited"), ek_vor4_file_close(h);
    }
    return failures;
}

int delete_document(const Args& a) { return ek_vor4_delete_files(a[0].c_str()) ? 0 : 1; }

int unrelated_files(const Args& a) {  // another document and other files of the same folder
    const fs::path folder = fs::path(a[0]).parent_path();
    TekVor4* other = ek_vor4_file_create_w((folder / "other.xml").wstring().c_str());
    const bool ok = ek_vor4_prop_add_w(other, L"A", 0, 0, false) != nullptr;
    ek_vor4_file_close(other), std::ofstream(folder / "field.A.bak") << "x", std::ofstream(folder / "fields.A.property") << "x";
    return ok ? 0 : 1;
}

// Changes reach a watch as they happen on Linux, a while later on Windows (under Wine over
// hundreds of milliseconds): a burst is gathered over this long, and before a child's change
// the watch is drained of this process's own until it has been quiet as long.
constexpr unsigned k_settle_ms = 200;
void drain() {
    while (ek::test::wait_for_watch(ek_folder_watcher_get_wait_handle(), k_settle_ms)) ek_folder_watcher_dispatch(0);
}

// A document of 4 cells with one property A, made and closed by this process.
void make_document(const std::wstring& path) {
    TekVor4* h = ek_vor4_file_create_w(path.c_str());
    const unsigned int dims[3] = {4, 1, 1};
    ek_vor4_set_dimensions(h, dims);
    EXPECT_NE(ek_vor4_prop_add_w(h, L"A", 0, 0, false), nullptr);
    ek_vor4_file_close(h);
}

TEST(NotifierExternalChange, AnotherProcessesChangeRaisesOneUpdateGroup) {
    const struct { const char* label; ek::test::ChildTask change; const char* expected; } rows[] = {
        {"values written", &write_values, "B U{} E"}, {"burst of edits", &many_edits, "B U{} E"},
        {"document deleted", &delete_document, "B U{} E"}, {"unrelated files", &unrelated_files, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ek::test::TempDir dir;
        const std::wstring path = dir.file("field.xml");
        make_document(path);
        Tek_vor_notifier* n = ek_create_vor_notifier_w(path.c_str());
        ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
        drain(), log.clear();
        ASSERT_EQ(ek::test::run_child(row.change, {path}), 0);
        EXPECT_TRUE(log.text().empty()) << "nothing arrives before the host dispatches";
        EXPECT_TRUE(ek::test::wait_for_watch(ek_folder_watcher_get_wait_handle(), 5000)) << "the folder changed";
        EXPECT_EQ(ek_folder_watcher_dispatch(k_settle_ms), *row.expected ? 1 : 0);
        EXPECT_EQ(ek_folder_watcher_dispatch(0), 0);
        EXPECT_EQ(log.text(), row.expected) << "once per burst";
        ek_destroy_vor_notifier(n);
    }
}

// A notifier asked for before its folder exists starts watching when it is asked for again
// after; a notifier that goes takes its watch with it.
TEST(NotifierExternalChange, TheWatchComesAndGoesWithTheNotifier) {
    ek::test::TempDir dir;
    const std::wstring path = dir.file("later/field.xml");
    Tek_vor_notifier* n = ek_create_vor_notifier_w(path.c_str());
    fs::create_directory(dir.path() / "later");
    make_document(path);
    {
        ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
        drain(), log.clear();
        ASSERT_EQ(ek::test::run_child(&many_edits, {path}), 0);
        EXPECT_TRUE(ek::test::wait_for_watch(ek_folder_watcher_get_wait_handle(), 5000));
        EXPECT_EQ(ek_folder_watcher_dispatch(k_settle_ms), 1);
        EXPECT_EQ(log.text(), "B U{} E");
    }
    // One release more than obtained deletes the notifier, which must stop its watch first.
    ek_destroy_vor_notifier(n), ek_destroy_vor_notifier(n);
    ASSERT_EQ(ek::test::run_child(&write_values, {path}), 0);
    EXPECT_EQ(ek_folder_watcher_dispatch(0), 0);
}

}  // namespace
