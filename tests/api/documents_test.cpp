// Documents through the exported functions: handles, deleting, copying and loading documents, unique
// names, data files, index reads, the check and repair of property names, and the notifier.
#include "api/api_test_support.h"
#include "base/event_log.h"
#include "vor4/proxy/TekVor4DirectProxy.h"

namespace {

namespace fs = std::filesystem;
using ek::test::Captured, ek::test::read_file, ek::test::values;
using ApiDocuments = ek::test::SampleDocument;

std::vector<double> geometry(TekVor4* h) {
    return values(ek_vor4_get_grid_type(h), ek_vor4_get_pic(h), ek_vor4_get_prf(h), ek_vor4_get_object_count_64(h),
                  ek_vor4_get_x0(h), ek_vor4_get_y0(h), ek_vor4_get_dx(h), ek_vor4_get_dy(h), ek_vor4_get_azimuth(h));
}
const std::vector<double> sampleGeometry = {3, 4, 3, 12, 1000, 0, 1, 2.5, 30};

TEST_F(ApiDocuments, OpenCreateAndDelete) {
    ek_vor4_file_close(h), h = nullptr;
    TekVor4* a = ek_vor4_file_open(dir.narrow("doc.xml").c_str(), true);
    EXPECT_EQ(geometry(a), sampleGeometry);
    EXPECT_EQ(ek_vor4_file_open_w(path.c_str(), false), nullptr) << "write access to a shared read-only document";
    EXPECT_FALSE(ek_vor4_delete_files(path.c_str())) << "nor deletion";
    TekVor4* made = ek_vor4_file_create(dir.narrow("made.xml").c_str());
    ASSERT_TRUE(made && fs::exists(file("made.xml")));
    ek_vor4_assign_description(made, a), ek_vor4_assign_description(made, nullptr), ek_vor4_file_close(a);
    EXPECT_EQ(geometry(made), sampleGeometry) << "the description was taken";
    ek_vor4_file_close(made);
    EXPECT_FALSE(ek_vor4_copy_files(path.c_str(), path.c_str(), true) ||
                 ek_vor4_copy_files(path.c_str(), dir.file("./doc.xml").c_str(), true));
    EXPECT_EQ(fs::file_size(file("doc.P2.property")), 96u) << "a copy onto itself loses nothing";
    EXPECT_TRUE(ek_vor4_delete_files(path.c_str()) && ek_vor4_delete_files(dir.file("made.xml").c_str()));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "metadata and data files are gone";
    EXPECT_FALSE(ek_vor4_delete_files(path.c_str())) << "nothing left to delete";
    ek::test::write_file(file("junk.xml"), "not a document");
    for (const std::wstring& bad : {path, dir.file("junk.xml")})
        EXPECT_FALSE(ek_vor4_file_open_w(bad.c_str(), false) || TekVor4PoolProxy<TekVor4DirectProxy>::find_instance(bad));
    EXPECT_EQ(ek_vor4_file_create_w(dir.file("no/folder/d.xml").c_str()), nullptr);
}

TEST_F(ApiDocuments, LoadInMemoryKeepsOneSharedInstance) {
    const std::string narrow = dir.narrow("doc.xml");
    EXPECT_EQ(ek_vor4_in_memory_w(path.c_str()), nullptr);
    TekVor4* loaded = ek_vor4_load_memory_w(path.c_str());
    TekVor4* writer = ek_vor4_file_open_w(path.c_str(), false);
    ASSERT_TRUE(loaded && writer) << "the load opened the document for writing";
    EXPECT_TRUE(ek_vor4_load_memory(narrow.c_str()) == loaded && ek_vor4_in_memory(narrow.c_str()) == loaded);
    ek_vor4_file_close(writer), ek_vor4_free_memory(h);  // not a loaded instance: left alone
    EXPECT_EQ(ek_vor4_get_prop_count(h) + ek_vor4_get_prop_count(loaded), 6u);
    ek_vor4_free_memory(loaded);
    EXPECT_EQ(ek_vor4_in_memory_w(path.c_str()), loaded) << "one load still holds it";
    ek_vor4_file_close(loaded);  // a loaded instance closed by mistake gives up one load
    EXPECT_EQ(ek_vor4_in_memory_w(path.c_str()), nullptr);
    TekVor4* unopened = ek_vor4_load_memory_w(dir.file("later.xml").c_str());
    ASSERT_NE(unopened, nullptr) << "the instance is given even when the document cannot be opened";
    EXPECT_EQ(ek_vor4_get_prop_count(unopened), 0u);
    ek_vor4_free_memory(unopened);
    EXPECT_EQ(ek_vor4_in_memory_w(dir.file("later.xml").c_str()), nullptr);
}

TEST_F(ApiDocuments, CopyCarriesEverythingAndRefusesWhatWouldLoseData) {
    const std::wstring dst = dir.file("dst.xml");
    ek_vor4_prop_set_value_double(ek_vor4_prop_open(h, 2), 11, -5.5);  // still in the value window
    EXPECT_FALSE(ek_vor4_copy_files(dir.file("none.xml").c_str(), dst.c_str(), true));
    EXPECT_FALSE(fs::exists(dst)) << "a missing source creates nothing";
    TekVor4* old = ek_vor4_file_create_w(dst.c_str());
    ASSERT_NE(ek_vor4_prop_add_w(old, L"Old", 0, 0, false), nullptr);
    ek_vor4_file_close(old), ek::test::write_file(file("dst.P0.property"), "a stray data file is replaced");
    const std::string oldBytes = read_file(dst);
    EXPECT_FALSE(ek_vor4_copy_files(path.c_str(), dst.c_str(), false));
    EXPECT_EQ(read_file(dst), oldBytes) << "an existing destination without overwrite is left untouched";
    for (bool readonly : {true, false}) {
        TekVor4* user = ek_vor4_file_open_w(dst.c_str(), readonly);
        EXPECT_FALSE(ek_vor4_copy_files(path.c_str(), dst.c_str(), true)) << "destination in use, readonly " << readonly;
        ek_vor4_file_close(user);
    }
    ASSERT_TRUE(ek_vor4_copy_files(path.c_str(), dst.c_str(), true));
    EXPECT_FALSE(fs::exists(file("dst.Old.property"))) << "no stray data file of the old destination";
    TekVor4* d = ek_vor4_file_open_w(dst.c_str(), true);
    double v = 0;
    const bool read = ek_vor4_prop_get_value_double(ek_vor4_prop_open(d, 2), 11, &v);
    EXPECT_EQ(geometry(d), sampleGeometry);
    EXPECT_EQ(std::string(ek_vor4_get_prop_name(d, 0)) + ek_vor4_get_prop_name(d, 1) + ek_vor4_get_prop_name(d, 2) +
                  "|" + ek_vor4_get_prop_caption(d, 0),
              "P0P1P2|\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0, \xD0\xBC");
    EXPECT_EQ(values(ek_vor4_get_prop_count(d), ek_vor4_get_prop_kind(d, 0), ek_vor4_get_prop_data_type(d, 0),
                     ek_vor4_get_prop_kind(d, 1), ek_vor4_get_prop_data_type(d, 1), ek_vor4_get_prop_kind(d, 2),
                     ek_vor4_get_prop_data_type(d, 2), read, v),
              values(3, 1, 0, 7, 2, 0, 4, 1, -5.5));
    ek_vor4_file_close(d);
    for (const std::string p : {"P0", "P1", "P2"})
        EXPECT_EQ(read_file(file("dst." + p + ".property")), read_file(file("doc." + p + ".property"))) << p;
    EXPECT_TRUE(ek_vor4_delete_files(dst.c_str()));
    EXPECT_TRUE(ek_vor4_get_prop_count(h) == 3 && fs::exists(file("doc.P1.property"))) << "the source keeps its files";
    ek::test::write_file(file("plain.xml"), "plain text");
    EXPECT_TRUE(ek_vor4_copy_files(path.c_str(), dir.file("plain.xml").c_str(), true)) << "over a file that is no document";
}

TEST_F(ApiDocuments, UniqueNamesDataFilesAndIndexReads) {
    Captured name, caption, fresh;
    ek_vor_generate_unin_name_w(h, L"p0", name.adapter), ek_vor_generate_unin_capt_w(h, L"Глубина, м", caption.adapter);
    ek_vor_generate_unin_name_w(h, L"Глубина", fresh.adapter);
    EXPECT_EQ(name.text + " " + ek_vor_generate_unin_name(h, "P0"), "w:p01 P01");
    EXPECT_EQ(caption.wide + L" " + fresh.wide, L"Глубина, м1 Глубина") << "beyond ASCII the characters stay";
    EXPECT_TRUE(ek_vor4_prop_file_exists(h, 1) && fs::remove(file("doc.P1.property")) && !ek_vor4_prop_file_exists(h, 1));
    long long idx[3] = {-1, -1, -1};
    ASSERT_EQ(ek_vor4_read_index_64(h, 1, 3, idx, 3, 4), 0);
    EXPECT_EQ(values(idx[0], idx[1], idx[2]), values(1, 5, 9)) << "from the first element";
}

TEST(ApiFunctions, PropertyNamesAndNotifier) {
    // Accepted: ASCII letters, digits and '_'; the characters next to each range are not.
    for (const auto& [name, ok] : {std::pair<const wchar_t*, bool>{L"2nd", true}, {L"", true}, {nullptr, true},
             {L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789", true}, {L"a.b", false},
             {L"Глубина", false}, {L"a@", false}, {L"[", false}, {L"`", false}, {L"{", false}, {L"/", false}, {L":", false}})
        EXPECT_EQ(ek_vor4_prop_name_ok(name), ok) << (name ? name : L"(null)");
    for (const auto& [name, fixed] : {std::pair<const wchar_t*, const wchar_t*>{L"Depth_2", L"Depth_2"},
                                      {L"Глубина", L"Glubina"}, {L"a b.c", L"a_b_c"}, {nullptr, L""}}) {
        Captured c;
        ek_vor4_prop_name_fix(name, c.adapter);
        EXPECT_EQ(c.wide + L" fed " + std::to_wstring(c.feeds), fixed + std::wstring(L" fed 1"));
    }
    ek_vor4_prop_name_fix(L"x y", nullptr);  // no adapter: nothing to feed, no crash

    ek::test::TempDir dir;
    Tek_vor_notifier* n = ek_create_vor_notifier_w(dir.file("watched.xml").c_str());
    ASSERT_NE(n, nullptr);
    ek::test::EventLog log(ek_vor_notifier_get_update_event_channel(n));
    ek_vor_notifier_changed(n);
    EXPECT_EQ(ek_vor_notifier_begin_update(n), 1u);
    ek_vor_notifier_changed(n);
    EXPECT_EQ(log.text(), "B U{} E B") << "inside a group the update waits";
    ek_vor_notifier_end_update(n), ek_destroy_vor_notifier(n);
    EXPECT_EQ(log.text(), "B U{} E B U{} E");
}

}  // namespace
