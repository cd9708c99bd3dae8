// Documents as a whole through the exported functions: opening, creating and sharing handles,
// the access mode fixed by the first open, deleting and copying a document's files, loading a
// document in memory, and the notifier functions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/event_log.h"
#include "ekx_file_vor4.h"
#include "support/temp_dir.h"
#include "vor4/proxy/TekVor4DirectProxy.h"

namespace {

namespace fs = std::filesystem;

std::string bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Grid type, sizes along X and Y, origin, cell sizes and azimuth.
std::vector<double> geometry(TekVor4* h) {
    return {double(ek_vor4_get_grid_type(h)), double(ek_vor4_get_pic(h)), double(ek_vor4_get_prf(h)), ek_vor4_get_x0(h),
            ek_vor4_get_y0(h), ek_vor4_get_dx(h), ek_vor4_get_dy(h), ek_vor4_get_azimuth(h)};
}

// src.xml: a 5 x 4 grid with origin x 1000, cell height 2.5 and azimuth 30, and two properties
// with data and captions: Depth (kind 1, double) and Mask (kind 7, bitmask).
class ApiDocuments : public ::testing::Test {
protected:
    void SetUp() override {
        TekVor4* h = ek_vor4_file_create_w(src.c_str());
        const long long dims[3] = {5, 4, 1};
        ek_vor4_set_grid_type(h, 3), ek_vor4_set_dimensions_64(h, dims), ek_vor4_set_x0(h, 1000.0);
        ek_vor4_set_dy(h, 2.5), ek_vor4_set_azimuth(h, 30.0);
        double values[20];
        unsigned char bits[20];
        for (int i = 0; i < 20; ++i) values[i] = i * 1.5 - 3, bits[i] = i % 3 == 0;
        ASSERT_EQ(ek_vor4_prop_write(ek_vor4_prop_add_w(h, L"Depth", 1, 4, false), 0, values, 20, 4, 1), 0);
        ASSERT_EQ(ek_vor4_prop_write(ek_vor4_prop_add_w(h, L"Mask", 7, 3, false), 0, bits, 20, 3, 1), 0);
        ek_vor4_set_prop_caption_w(h, 0, L"Глубина, м"), ek_vor4_set_prop_caption_w(h, 1, L"Mask of cells");
        ek_vor4_file_close(h);
    }
    fs::path data(const std::string& doc, const std::string& prop) const {
        return dir.path() / (doc + "." + prop + ".property");
    }
    int props(const std::wstring& path) {  // the property count of a document, -1 when it cannot be opened
        TekVor4* h = ek_vor4_file_open_w(path.c_str(), true);
        const int n = h ? int(ek_vor4_get_prop_count(h)) : -1;
        return ek_vor4_file_close(h), n;
    }
    ek::test::TempDir dir;
    const std::wstring src = dir.file("src.xml"), dst = dir.file("dst.xml");
};

TEST_F(ApiDocuments, OpenCreateAndShare) {
    TekVor4* a = ek_vor4_file_open(dir.narrow("src.xml").c_str(), false);
    TekVor4* b = ek_vor4_file_open_w(src.c_str(), false);
    ASSERT_TRUE(a && b && a != b) << "each open builds its own handle";
    EXPECT_EQ(geometry(a), (std::vector<double>{3, 5, 4, 1000, 0, 1, 2.5, 30}));
    ek_vor4_set_x0(a, 125.5);
    EXPECT_EQ(ek_vor4_get_x0(b), 125.5) << "both handles share one document";
    ek_vor4_file_close(a);
    EXPECT_EQ(ek_vor4_get_prop_count(b), 2u) << "the other handle stays valid";
    TekVor4* made = ek_vor4_file_create(dir.narrow("made.xml").c_str());
    ASSERT_TRUE(made && fs::exists(dir.path() / "made.xml"));
    ek_vor4_assign_description(made, b);
    EXPECT_EQ(geometry(made), geometry(b)) << "the description was taken";
    ek_vor4_file_close(made), ek_vor4_file_close(b);
    TekVor4* c = ek_vor4_file_open_w(src.c_str(), true);
    EXPECT_EQ(ek_vor4_get_x0(c), 125.5) << "the last close saved the geometry";
    ek_vor4_file_close(c);

    std::ofstream(dir.path() / "junk.xml") << "not a document";
    for (const std::wstring& bad : {dir.file("missing.xml"), dir.file("junk.xml"), dir.file("no/folder/d.xml")}) {
        EXPECT_EQ(ek_vor4_file_open_w(bad.c_str(), false), nullptr);
        EXPECT_FALSE(TekVor4PoolProxy<TekVor4DirectProxy>::find_instance(bad)) << "no instance is left behind";
    }
    EXPECT_EQ(ek_vor4_file_create_w(dir.file("no/folder/d.xml").c_str()), nullptr);
}

TEST_F(ApiDocuments, TheFirstOpenFixesTheAccessModeAndGuardsDeletion) {
    TekVor4* reader = ek_vor4_file_open_w(src.c_str(), true);
    EXPECT_EQ(ek_vor4_file_open_w(src.c_str(), false), nullptr) << "write access to a shared read-only document";
    TekVor4* second = ek_vor4_file_open_w(src.c_str(), true);
    EXPECT_TRUE(reader && second);
    EXPECT_EQ(ek_vor4_prop_add_w(reader, L"New", 0, 0, false), nullptr) << "read-only refuses adds";
    EXPECT_FALSE(ek_vor4_delete_files(src.c_str()));
    ek_vor4_file_close(second), ek_vor4_file_close(reader);
    TekVor4* writer = ek_vor4_file_open_w(src.c_str(), false);
    TekVor4* lateReader = ek_vor4_file_open_w(src.c_str(), true);
    EXPECT_TRUE(writer && lateReader) << "once released, the path opens for writing, and a reader shares it";
    ek_vor4_file_close(lateReader), ek_vor4_file_close(writer);
    EXPECT_TRUE(ek_vor4_delete_files(src.c_str()));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "metadata and data files are gone";
    EXPECT_FALSE(ek_vor4_delete_files(src.c_str())) << "nothing left to delete";
}

TEST_F(ApiDocuments, LoadInMemoryKeepsOneSharedInstance) {
    const std::string narrow = dir.narrow("src.xml");
    EXPECT_EQ(ek_vor4_in_memory_w(src.c_str()), nullptr);
    TekVor4* before = ek_vor4_file_open_w(src.c_str(), false);
    TekVor4* loaded = ek_vor4_load_memory_w(src.c_str());
    TekVor4* after = ek_vor4_file_open_w(src.c_str(), false);
    ASSERT_TRUE(before && loaded && after);
    EXPECT_EQ(ek_vor4_load_memory(narrow.c_str()), loaded) << "two loads share one instance";
    EXPECT_EQ(ek_vor4_in_memory(narrow.c_str()), loaded);
    EXPECT_EQ(ek_vor4_get_prop_count(loaded), 2u) << "the load opened the document";
    ek_vor4_set_x0(after, 42.0);
    EXPECT_EQ(ek_vor4_get_x0(loaded), 42.0) << "a handle opened after the load shares the loaded instance";
    EXPECT_EQ(ek_vor4_get_x0(before), 1000.0) << "an earlier handle keeps its own document object";
    ek_vor4_file_close(after);
    ek_vor4_free_memory(before);  // not a loaded instance: left alone
    EXPECT_EQ(ek_vor4_get_prop_count(before), 2u);
    ek_vor4_file_close(before);
    ek_vor4_free_memory(loaded);
    EXPECT_EQ(ek_vor4_in_memory_w(src.c_str()), loaded) << "one load still holds it";
    ek_vor4_file_close(loaded);  // a loaded instance closed by mistake gives up one load
    EXPECT_EQ(ek_vor4_in_memory_w(src.c_str()), nullptr);

    TekVor4* unopened = ek_vor4_load_memory_w(dir.file("later.xml").c_str());
    ASSERT_NE(unopened, nullptr) << "the instance is given even when the document cannot be opened";
    EXPECT_EQ(ek_vor4_get_prop_count(unopened), 0u);
    ek_vor4_free_memory(unopened);
    EXPECT_EQ(ek_vor4_in_memory_w(dir.file("later.xml").c_str()), nullptr);
}

TEST_F(ApiDocuments, CopyCarriesDescriptionPropertiesDataAndCaptions) {
    std::ofstream(data("dst", "Depth")) << "a stray data file is replaced";
    ASSERT_TRUE(ek_vor4_copy_files(src.c_str(), dst.c_str(), false));
    TekVor4* d = ek_vor4_file_open_w(dst.c_str(), true);
    EXPECT_EQ(geometry(d), (std::vector<double>{3, 5, 4, 1000, 0, 1, 2.5, 30}));
    ASSERT_EQ(ek_vor4_get_prop_count(d), 2u);
    EXPECT_EQ(std::string(ek_vor4_get_prop_name(d, 0)) + "|" + ek_vor4_get_prop_name(d, 1) + "|" +
                  ek_vor4_get_prop_caption(d, 0) + "|" + ek_vor4_get_prop_caption(d, 1),
              "Depth|Mask|\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0, \xD0\xBC|Mask of cells");
    EXPECT_EQ(std::vector<int>({ek_vor4_get_prop_kind(d, 0), ek_vor4_get_prop_data_type(d, 0),
                                ek_vor4_get_prop_kind(d, 1), ek_vor4_get_prop_data_type(d, 1)}),
              (std::vector<int>{1, 4, 7, 3}));
    ek_vor4_file_close(d);
    EXPECT_EQ(bytes(data("dst", "Depth")).size(), 160u);
    EXPECT_EQ(bytes(data("dst", "Depth")), bytes(data("src", "Depth")));
    EXPECT_EQ(bytes(data("dst", "Mask")), bytes(data("src", "Mask")));
    EXPECT_TRUE(ek_vor4_delete_files(dst.c_str()));
    EXPECT_EQ(props(src), 2) << "the source keeps its files";
    EXPECT_TRUE(fs::exists(data("src", "Mask")));
}

TEST_F(ApiDocuments, CopyRefusesWhatWouldLoseData) {
    EXPECT_FALSE(ek_vor4_copy_files(dir.file("none.xml").c_str(), dst.c_str(), true));
    EXPECT_FALSE(fs::exists(dst)) << "a missing source creates nothing";
    EXPECT_FALSE(ek_vor4_copy_files(src.c_str(), src.c_str(), true));
    EXPECT_FALSE(ek_vor4_copy_files(src.c_str(), dir.file("./src.xml").c_str(), true));
    EXPECT_EQ(bytes(data("src", "Depth")).size(), 160u) << "a copy onto itself loses nothing";

    TekVor4* old = ek_vor4_file_create_w(dst.c_str());
    ASSERT_NE(ek_vor4_prop_add_w(old, L"Old", 0, 0, false), nullptr);
    ek_vor4_file_close(old);
    const std::string oldBytes = bytes(dst);
    EXPECT_FALSE(ek_vor4_copy_files(src.c_str(), dst.c_str(), false));
    EXPECT_EQ(bytes(dst), oldBytes) << "an existing destination without overwrite is left untouched";
    for (bool readonly : {true, false}) {
        TekVor4* user = ek_vor4_file_open_w(dst.c_str(), readonly);
        EXPECT_FALSE(ek_vor4_copy_files(src.c_str(), dst.c_str(), true)) << "destination in use, readonly " << readonly;
        EXPECT_EQ(ek_vor4_get_prop_count(user), 1u);
        ek_vor4_file_close(user);
    }
    EXPECT_TRUE(fs::exists(data("dst", "Old")));
    ASSERT_TRUE(ek_vor4_copy_files(src.c_str(), dst.c_str(), true));
    EXPECT_FALSE(fs::exists(data("dst", "Old"))) << "no stray data file of the old destination";
    EXPECT_EQ(props(dst), 2);
    std::ofstream(dir.path() / "plain.xml") << "plain text";
    ASSERT_TRUE(ek_vor4_copy_files(src.c_str(), dir.file("plain.xml").c_str(), true)) << "a file that is no document";
    EXPECT_EQ(props(dir.file("plain.xml")), 2);
}

TEST(ApiDocumentFunctions, DataTypeSizesAndNotifier) {
    const int sizes[] = {4, 1, 4, 1, 8, 0};
    for (unsigned char t = 0; t < 6; ++t) EXPECT_EQ(ek_vor4_get_data_type_size(t), sizes[t]) << int(t);
    EXPECT_EQ(ek_vor4_get_data_type_size(255), 0);

    ek::test::TempDir dir;
    Tek_vor_notifier* n = ek_create_vor_notifier_w(dir.file("watched.xml").c_str());
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(ek_create_vor_notifier_w(dir.file("WATCHED.xml").c_str()), n) << "letter case ignored";
    ek_destroy_vor_notifier(n);
    ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
    ek_vor_notifier_changed(n);
    EXPECT_EQ(log.text(), "B U{} E");
    EXPECT_EQ(ek_vor_notifier_begin_update(n), 1u);
    ek_vor_notifier_changed(n);
    EXPECT_EQ(log.text(), "B U{} E B") << "inside a group the update waits";
    ek_vor_notifier_end_update(n);
    EXPECT_EQ(log.text(), "B U{} E B U{} E");
    ek_destroy_vor_notifier(n);
}

}  // namespace
