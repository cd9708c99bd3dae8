// Changes that another process makes to a document reach the subscribers of its notifier: one
// update group per burst, delivered when the host dispatches the folder watchers' reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/event_log.h"
#include "ekx_file_vor4.h"
#include "ekx_path.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::wstring>;

// Child tasks; args[0] is the document's path. Each returns 0 when it did its change.
int add_property(const Args& a) {
    TekVor4* h = ek_vor4_file_open_w(a[0].c_str(), false);
    const bool ok = ek_vor4_prop_add_w(h, L"B", 0, 0, false) != nullptr;
    ek_vor4_file_close(h);
    return ok ? 0 : 1;
}

int write_values(const Args& a) {
    TekVor4* h = ek_vor4_file_open_w(a[0].c_str(), false);
    const float values[1] = {7};
    const int rc = ek_vor4_prop_write(ek_vor4_prop_open(h, 0), 0, values, 1, 0, 1);
    ek_vor4_file_close(h);
    return rc;
}

int many_edits(const Args& a) {
    int failures = 0;
    for (int i = 0; i < 5; ++i) {
        TekVor4* h = ek_vor4_file_open_w(a[0].c_str(), false);
        TekVor4Property* p = ek_vor4_prop_add_w(h, (L"P" + std::to_wstring(i)).c_str(), 0, 0, false);
        const float v[4] = {float(i), 0, 0, 0};
        failures += !p || ek_vor4_prop_write(p, 0, v, 4, 0, 1) != 0;
        ek_vor4_set_prop_caption_w(h, 0, L"edited");
        ek_vor4_file_close(h);
    }
    return failures;
}

int delete_document(const Args& a) { return ek_vor4_delete_files(a[0].c_str()) ? 0 : 1; }

// Other documents and other files of the same folder.
int unrelated_files(const Args& a) {
    const fs::path folder = fs::path(a[0]).parent_path();
    TekVor4* other = ek_vor4_file_create_w((folder / "other.xml").wstring().c_str());
    const bool ok = ek_vor4_prop_add_w(other, L"A", 0, 0, false) != nullptr;
    ek_vor4_file_close(other);
    std::ofstream(folder / "field.A.bak") << "x";
    std::ofstream(folder / "fields.A.property") << "x";
    return ok ? 0 : 1;
}

// A document of 4 cells with one property A, made and closed by this process.
std::wstring make_document(const ek::test::TempDir& dir) {
    const std::wstring path = dir.file("field.xml");
    TekVor4* h = ek_vor4_file_create_w(path.c_str());
    const unsigned int dims[3] = {4, 1, 1};
    ek_vor4_set_dimensions(h, dims);
    EXPECT_NE(ek_vor4_prop_add_w(h, L"A", 0, 0, false), nullptr);
    ek_vor4_file_close(h);
    return path;
}

TEST(NotifierExternalChange, AnotherProcessesChangeRaisesOneUpdateGroup) {
    const struct {
        const char* label;
        ek::test::ChildTask change;
        const char* expected;
    } rows[] = {
        {"property added", &add_property, "B U{} E"},
        {"values written", &write_values, "B U{} E"},
        {"burst of edits", &many_edits, "B U{} E"},
        {"document deleted", &delete_document, "B U{} E"},
        {"unrelated files", &unrelated_files, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ek::test::TempDir dir;
        const std::wstring path = make_document(dir);
        Tek_vor_notifier* n = ek_create_vor_notifier_w(path.c_str());
        ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
        ek_folder_watcher_dispatch(0);  // this process's own making of the document
        log.clear();

        ASSERT_EQ(ek::test::run_child(row.change, {path}), 0);
        EXPECT_TRUE(log.text().empty()) << "nothing arrives before the host dispatches";
        const int announced = ek_folder_watcher_dispatch(20);
        EXPECT_EQ(log.text(), row.expected);
        EXPECT_EQ(announced, *row.expected ? 1 : 0);
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
    ek_vor4_file_close(ek_vor4_file_create_w(path.c_str()));
    {
        ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
        ek_folder_watcher_dispatch(0);
        log.clear();
        ASSERT_EQ(ek::test::run_child(&add_property, {path}), 0);
        EXPECT_EQ(ek_folder_watcher_dispatch(0), 1);
        EXPECT_EQ(log.text(), "B U{} E");
    }

    // One release more than obtained deletes the notifier, which must stop its watch first.
    ek_destroy_vor_notifier(n);
    ek_destroy_vor_notifier(n);
    ASSERT_EQ(ek::test::run_child(&write_values, {path}), 0);
    EXPECT_EQ(ek_folder_watcher_dispatch(0), 0);
}

}  // namespace
