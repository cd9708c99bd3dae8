// Document handles through the exported functions: opening, creating, sharing one document
// between handles, the access mode fixed by the first open, closing, deleting a document's
// files, and loading a document in memory with undo recording.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ekx_file_vor4.h"
#include "support/temp_dir.h"
#include "vor4/proxy/TekVor4DirectProxy.h"

namespace {

namespace fs = std::filesystem;

class ApiLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        TekVor4* h = ek_vor4_file_create_w(path().c_str());
        ASSERT_NE(h, nullptr);
        ek_vor4_set_grid_type(h, 3);
        const long long dims[3] = {4, 3, 1};
        ek_vor4_set_dimensions_64(h, dims);
        ASSERT_NE(ek_vor4_prop_add_w(h, L"Depth", 0, 0, false), nullptr);
        ek_vor4_file_close(h);
    }
    std::wstring path() const { return dir.file("doc.xml"); }
    fs::path dataFile() const { return dir.path() / "doc.Depth.property"; }
    static bool pooled(const std::wstring& p) {
        return TekVor4PoolProxy<TekVor4DirectProxy>::find_instance(p) != nullptr;
    }
    ek::test::TempDir dir;
};

TEST_F(ApiLifecycle, CreatedDocumentOpensWithItsGeometryAndProperty) {
    EXPECT_FALSE(pooled(path())) << "closing the last handle releases the instance";
    TekVor4* h = ek_vor4_file_open_w(path().c_str(), true);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ek_vor4_get_grid_type(h), 3);
    EXPECT_EQ(ek_vor4_get_pic(h), 4u);
    EXPECT_EQ(ek_vor4_get_prf(h), 3u);
    EXPECT_EQ(ek_vor4_get_object_count(h), 12u);
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    EXPECT_STREQ(ek_vor4_get_prop_name(h, 0), "Depth");
    ek_vor4_file_close(h);
    const std::string narrow = dir.narrow("doc.xml");
    h = ek_vor4_file_open(narrow.c_str(), true);
    ASSERT_NE(h, nullptr) << "the narrow form opens the same file";
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    ek_vor4_file_close(h);
}

TEST_F(ApiLifecycle, OpeningSomethingElseGivesNullAndLeavesNoInstance) {
    const std::wstring missing = dir.file("missing.xml");
    EXPECT_EQ(ek_vor4_file_open_w(missing.c_str(), true), nullptr);
    EXPECT_FALSE(pooled(missing));
    std::ofstream(dir.path() / "junk.xml") << "not a document";
    const std::wstring junk = dir.file("junk.xml");
    EXPECT_EQ(ek_vor4_file_open_w(junk.c_str(), false), nullptr);
    EXPECT_FALSE(pooled(junk));
    EXPECT_EQ(ek_vor4_file_open("", true), nullptr);
    EXPECT_EQ(ek_vor4_file_create_w(dir.file("no/such/folder/doc.xml").c_str()), nullptr);
}

TEST_F(ApiLifecycle, TwoHandlesShareOneDocument) {
    TekVor4* a = ek_vor4_file_open_w(path().c_str(), false);
    TekVor4* b = ek_vor4_file_open_w(path().c_str(), false);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b) << "each open builds its own handle";
    ek_vor4_set_x0(a, 125.5);
    EXPECT_EQ(ek_vor4_get_x0(b), 125.5);
    ek_vor4_file_close(a);
    EXPECT_EQ(ek_vor4_get_x0(b), 125.5) << "the other handle stays valid";
    EXPECT_EQ(ek_vor4_get_prop_count(b), 1u);
    ek_vor4_file_close(b);
    TekVor4* c = ek_vor4_file_open_w(path().c_str(), true);
    EXPECT_EQ(ek_vor4_get_x0(c), 125.5) << "the last close saved the geometry";
    ek_vor4_file_close(c);
}

TEST_F(ApiLifecycle, TheFirstOpenFixesTheAccessMode) {
    TekVor4* reader = ek_vor4_file_open_w(path().c_str(), true);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(ek_vor4_file_open_w(path().c_str(), false), nullptr) << "write access to a shared read-only document";
    TekVor4* second = ek_vor4_file_open_w(path().c_str(), true);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(ek_vor4_prop_add_w(reader, L"New", 0, 0, false), nullptr) << "read-only refuses adds";
    ek_vor4_file_close(second);
    ek_vor4_file_close(reader);
    TekVor4* writer = ek_vor4_file_open_w(path().c_str(), false);
    ASSERT_NE(writer, nullptr) << "once released, the path can be opened for writing";
    TekVor4* lateReader = ek_vor4_file_open_w(path().c_str(), true);
    EXPECT_NE(lateReader, nullptr) << "a reader shares a writable document";
    ek_vor4_file_close(lateReader);
    ek_vor4_file_close(writer);
}

TEST_F(ApiLifecycle, DeleteFilesIsRefusedWhileOpenReadOnlyElsewhere) {
    TekVor4* reader = ek_vor4_file_open_w(path().c_str(), true);
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(ek_vor4_delete_files(path().c_str()));
    EXPECT_TRUE(fs::exists(path()));
    EXPECT_TRUE(fs::exists(dataFile()));
    EXPECT_EQ(ek_vor4_get_prop_count(reader), 1u);
    ek_vor4_file_close(reader);
    EXPECT_TRUE(ek_vor4_delete_files(path().c_str()));
    EXPECT_FALSE(fs::exists(path()));
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(ek_vor4_delete_files(path().c_str())) << "nothing left to delete";
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(ApiLifecycle, InMemoryIsAPureTestAroundLoadAndFree) {
    const std::string narrow = dir.narrow("doc.xml");
    EXPECT_EQ(ek_vor4_in_memory_w(path().c_str()), nullptr);
    TekVor4* first = ek_vor4_load_memory_w(path().c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ek_vor4_in_memory_w(path().c_str()), first);
    EXPECT_EQ(ek_vor4_in_memory(narrow.c_str()), first);
    TekVor4* second = ek_vor4_load_memory(narrow.c_str());
    EXPECT_EQ(second, first) << "two loads share one instance";
    EXPECT_EQ(ek_vor4_get_prop_count(first), 1u) << "the load opened the document";
    ek_vor4_free_memory(first);
    EXPECT_EQ(ek_vor4_in_memory_w(path().c_str()), first) << "one load still holds it";
    ek_vor4_free_memory(second);
    EXPECT_EQ(ek_vor4_in_memory_w(path().c_str()), nullptr);
    EXPECT_EQ(ek_vor4_in_memory_w(dir.file("DOC.xml").c_str()), nullptr);
}

TEST_F(ApiLifecycle, LoadingAMissingDocumentStillGivesTheInstance) {
    const std::wstring missing = dir.file("later.xml");
    TekVor4* loaded = ek_vor4_load_memory_w(missing.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(ek_vor4_get_prop_count(loaded), 0u);
    ek_vor4_free_memory(loaded);
    EXPECT_EQ(ek_vor4_in_memory_w(missing.c_str()), nullptr);
}

TEST_F(ApiLifecycle, HandlesOpenedAfterALoadRecordTheirChangesForUndo) {
    TekVor4* before = ek_vor4_file_open_w(path().c_str(), false);
    TekVor4* loaded = ek_vor4_load_memory_w(path().c_str());
    TekVor4* after = ek_vor4_file_open_w(path().c_str(), false);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(after, nullptr);
    Tek_history_manager* manager = ek_history_manager_get_instance();
    ASSERT_NE(manager, nullptr);
    Tek_history* history = ek_history_manager_get_history(manager, ek_history_manager_get_history_count(manager) - 1);
    ASSERT_NE(history, nullptr);
    const size_t undoable = ek_history_get_undo_count(history);

    ek_vor4_set_x0(after, 42.0);
    EXPECT_EQ(ek_vor4_get_x0(loaded), 42.0) << "the new handle shares the loaded instance";
    EXPECT_EQ(ek_vor4_get_x0(before), 0.0) << "the earlier handle keeps its own document object";
    EXPECT_EQ(ek_history_get_undo_count(history), undoable + 1);
    ASSERT_TRUE(ek_history_undo(history, 1));
    EXPECT_EQ(ek_vor4_get_x0(after), 0.0);
    ASSERT_TRUE(ek_history_redo(history, 1));
    EXPECT_EQ(ek_vor4_get_x0(after), 42.0);

    ek_vor4_file_close(after);
    EXPECT_EQ(ek_vor4_in_memory_w(path().c_str()), loaded) << "handles come and go, the load stays";
    ek_vor4_free_memory(loaded);
    ek_vor4_file_close(before);
}

TEST_F(ApiLifecycle, MismatchedReleaseIsIgnored) {
    TekVor4* h = ek_vor4_file_open_w(path().c_str(), true);
    ASSERT_NE(h, nullptr);
    ek_vor4_free_memory(h);  // not a loaded instance: left alone
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    ek_vor4_file_close(h);
}

TEST(ApiDataTypes, SizeOfEachDataType) {
    EXPECT_EQ(ek_vor4_get_data_type_size(0), 4);
    EXPECT_EQ(ek_vor4_get_data_type_size(1), 1);
    EXPECT_EQ(ek_vor4_get_data_type_size(2), 4);
    EXPECT_EQ(ek_vor4_get_data_type_size(3), 1);
    EXPECT_EQ(ek_vor4_get_data_type_size(4), 8);
    EXPECT_EQ(ek_vor4_get_data_type_size(5), 0);
    EXPECT_EQ(ek_vor4_get_data_type_size(255), 0);
}

}  // namespace

namespace {

TEST(ApiNotifierFunctions, NullHandlesAreIgnored) {
    EXPECT_EQ(ek_vor_notifier_get_update_event_channel(nullptr), nullptr);
    EXPECT_EQ(ek_vor_notifier_begin_update(nullptr), 0u);
    ek_vor_notifier_end_update(nullptr);
    ek_vor_notifier_changed(nullptr);
    ek_destroy_vor_notifier(nullptr);
    SUCCEED() << "nothing crashed";
}

TEST(ApiNotifierFunctions, ChangedOutsideAGroupAnnouncesOneFullGroup) {
    ek::test::TempDir dir;
    const std::wstring path = dir.file("watched.xml");
    Tek_vor_notifier* n = ek_create_vor_notifier_w(path.c_str());
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(ek_create_vor_notifier_w(dir.file("WATCHED.xml").c_str()), n) << "letter case ignored";
    ek_destroy_vor_notifier(n);
    struct Seen {
        int begins = 0, updates = 0, ends = 0;
    } seen;
    auto callback = [](Tek_table* queue, void* client) {
        auto* s = static_cast<Seen*>(client);
        for (size_t i = 0; i < ek_event_queue_get_size(queue); ++i) {
            if (ek_event_queue_get_begin_update_event(queue, i)) ++s->begins;
            if (ek_event_queue_get_update_event(queue, i)) ++s->updates;
            if (ek_event_queue_get_end_update_event(queue, i)) ++s->ends;
        }
    };
    Tek_event_channel* channel = ek_vor_notifier_get_update_event_channel(n);
    ASSERT_NE(channel, nullptr);
    ek_event_channel_add_client(channel, callback, &seen);
    ek_vor_notifier_changed(n);
    EXPECT_EQ(seen.begins, 1);
    EXPECT_EQ(seen.updates, 1);
    EXPECT_EQ(seen.ends, 1);
    EXPECT_EQ(ek_vor_notifier_begin_update(n), 1u);
    ek_vor_notifier_changed(n);
    EXPECT_EQ(seen.updates, 1) << "inside a group the update waits";
    ek_vor_notifier_end_update(n);
    EXPECT_EQ(seen.updates, 2);
    EXPECT_EQ(seen.ends, 2);
    ek_event_channel_del_client(channel, callback, &seen);
    ek_destroy_vor_notifier(n);
}

TEST(ApiLifecycleMisuse, ClosingALoadedInstanceReleasesOneLoad) {
    ek::test::TempDir dir;
    const std::wstring path = dir.file("doc.xml");
    ek_vor4_file_close(ek_vor4_file_create_w(path.c_str()));
    TekVor4* first = ek_vor4_load_memory_w(path.c_str());
    TekVor4* second = ek_vor4_load_memory_w(path.c_str());
    ASSERT_EQ(first, second);
    ek_vor4_file_close(first);
    EXPECT_EQ(ek_vor4_in_memory_w(path.c_str()), second) << "one load is left";
    EXPECT_EQ(ek_vor4_get_prop_count(second), 0u);
    ek_vor4_free_memory(second);
    EXPECT_EQ(ek_vor4_in_memory_w(path.c_str()), nullptr);
}

}  // namespace
