// Another process's changes of a document reach its notifier: one update group per burst, on dispatch.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/event_log.h"
#include "ekx_file_vor4.h"
#include "ekx_path.h"
#include "support/child_process.h"
#include "support/host_platform.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::wstring>;

// Child tasks, given the document's path first; 0 when done. Five sessions that add and write a property, change a caption:
int many_edits(const Args& a) {
    int failures = 0;
    for (int i = 0; i < 5; ++i) {
        TekVor4* h = ek_vor4_file_open_w(a[0].c_str(), false);
        const float v[4] = {float(i), 0, 0, 0};
        failures += ek_vor4_prop_write(ek_vor4_prop_add_w(h, (L"P" + std::to_wstring(i)).c_str(), 0, 0, false), 0, v, 4, 0, 1) != 0;
        ek_vor4_set_prop_caption_w(h, 0, L"edited"), ek_vor4_file_close(h);
    }
    return failures;
}
int delete_document(const Args& a) { return ek_vor4_delete_files(a[0].c_str()) ? 0 : 1; }
int write_files(const Args& a) {  // writes "x" into the files of the document's folder named in a[1]
    std::wistringstream names(a[1]);
    for (std::wstring name; names >> name;) std::ofstream(fs::path(a[0]).parent_path() / name) << "x";
    return 0;
}

// Changes reach a watch as they happen on Linux, a while later on Windows (under Wine over
// hundreds of milliseconds): a burst is gathered over this long, and before a child's change
// the watch is drained of this process's own until it has been quiet as long.
constexpr unsigned k_settle_ms = 200;
void drain() {
    while (ek::test::wait_for_watch(ek_folder_watcher_get_wait_handle(), k_settle_ms)) ek_folder_watcher_dispatch(0);
}

// The notifier is asked for before its folder exists and starts watching when the document is made
// (this process asks again then). A notifier that goes takes its watch with it.
TEST(NotifierExternalChange, AnotherProcessesChangeRaisesOneUpdateGroup) {
    const struct { const char* label; ek::test::ChildTask change; const wchar_t* files; const char* expected; } rows[] = {
        {"burst of edits", &many_edits, L"", "B U{} E"}, {"values written", &write_files, L"field.A.property", "B U{} E"},
        {"document deleted", &delete_document, L"", "B U{} E"}, {"unrelated files", &write_files, L"other.xml field.A.bak fields.A.property", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ek::test::TempDir dir;
        const std::wstring path = dir.file("later/field.xml");
        Tek_vor_notifier* n = ek_create_vor_notifier_w(path.c_str());
        fs::create_directory(dir.path() / "later");
        TekVor4* h = ek_vor4_file_create_w(path.c_str());  // a document of 4 cells with one property A
        ek_vor4_set_dimensions(h, std::array<unsigned int, 3>{4, 1, 1}.data());
        EXPECT_NE(ek_vor4_prop_add_w(h, L"A", 0, 0, false), nullptr);
        ek_vor4_file_close(h);
        {
            ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
            drain(), log.clear();  // this process's own making of the document
            ASSERT_EQ(ek::test::run_child(row.change, {path, row.files}), 0);
            EXPECT_TRUE(log.text().empty()) << "nothing arrives before the host dispatches";
            EXPECT_TRUE(ek::test::wait_for_watch(ek_folder_watcher_get_wait_handle(), 5000)) << "the folder changed";
            EXPECT_EQ(ek_folder_watcher_dispatch(k_settle_ms), *row.expected ? 1 : 0);
            EXPECT_EQ(ek_folder_watcher_dispatch(0), 0);
            EXPECT_EQ(log.text(), row.expected) << "once per burst";
        }
        ek_destroy_vor_notifier(n), ek_destroy_vor_notifier(n);  // one release more than obtained deletes it
        ASSERT_EQ(ek::test::run_child(&write_files, {path, L"field.xml"}), 0);
        EXPECT_EQ(ek_folder_watcher_dispatch(0), 0);
    }
}

}  // namespace
