// A document's properties through the exported functions: the list, attributes by index in
// narrow and wide forms, single values and index reads, statistics and histogram, and the check
// and repair of property names.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "api/api_test_support.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ek::test::Captured;

// An open, writable 4 x 3 grid document without properties.
class ApiProperties : public ::testing::Test {
protected:
    void SetUp() override {
        h = ek_vor4_file_create_w(dir.file("doc.xml").c_str());
        setGrid(3, 4, 3, 1);
    }
    void TearDown() override { ek_vor4_file_close(h); }
    void setGrid(unsigned char type, long long x, long long y, long long z) {
        const long long dims[3] = {x, y, z};
        ek_vor4_set_grid_type(h, type), ek_vor4_set_dimensions_64(h, dims);
    }
    ek::test::TempDir dir;
    TekVor4* h = nullptr;
};

TEST_F(ApiProperties, AddFindAndDelete) {
    TekVor4Property* a = ek_vor4_prop_add(h, "Alpha", 1, 0, false);
    ASSERT_TRUE(a && ek_vor4_prop_add_w(h, L"Beta", 2, 4, false));
    EXPECT_FALSE(ek_vor4_prop_add(h, "alpha", 0, 0, false) || ek_vor4_prop_add_w(h, L"BETA", 0, 0, false));
    const std::tuple<const char*, int, int> found[] = {
        {"name", ek_vor4_get_index_by_name(h, "Beta"), 1},
        {"narrow name: exact", ek_vor4_get_index_by_name(h, "beta"), -1},
        {"wide name: any case", ek_vor4_get_index_by_name_w(h, L"BETA"), 1},
        {"null name", ek_vor4_get_index_by_name(h, nullptr), -1},
        {"caption", ek_vor4_get_index_by_caption(h, "Alpha"), 0},
        {"wide caption", ek_vor4_get_index_by_caption_w(h, L"ALPHA"), 0}};
    for (const auto& [name, got, expected] : found) EXPECT_EQ(got, expected) << name;
    EXPECT_EQ(ek_vor4_prop_get_objcount(a), 12u);
    EXPECT_TRUE(ek_vor4_prop_open(h, 0) == a && ek_vor4_prop_open(h, 2) == nullptr);
    ek_vor4_prop_delete(h, 5);  // past the end: nothing
    ek_vor4_prop_delete(h, 0);
    EXPECT_EQ(std::string(ek_vor4_get_prop_name(h, 0)) + " " + std::to_string(ek_vor4_get_prop_count(h)), "Beta 1");
    ek_vor4_prop_delete_list(h, 0);
    EXPECT_EQ(ek_vor4_get_prop_count(h), 0u);

    const fs::path prepared = dir.path() / "prepared.bin";
    std::ofstream out(prepared, std::ios::binary);
    for (int v = 0; v < 120; v += 10) out.write(reinterpret_cast<const char*>(&v), sizeof v);
    out.close();
    int v = 0;
    TekVor4Property* p = ek_vor4_prop_add_binary(h, "I", 4, 2, prepared.string().c_str(), true, false);
    EXPECT_TRUE(ek_vor4_prop_get_value_int(p, 11, &v) && v == 110);
    EXPECT_TRUE(fs::exists(prepared)) << "copied, not moved";
    EXPECT_NE(ek_vor4_prop_add_binary_w(h, L"Moved", 4, 2, prepared.wstring().c_str(), false, false), nullptr);
    EXPECT_FALSE(fs::exists(prepared));
}

TEST_F(ApiProperties, AttributesInNarrowAndWideForms) {
    for (const char* name : {"Depth", "T1", "B", "T2"}) ASSERT_NE(ek_vor4_prop_add(h, name, 0, 0, false), nullptr);
    Captured narrowCaption, wideCaption, name, precision, file;
    ek_vor4_set_prop_caption_w(h, 0, L"Глубина");
    EXPECT_STREQ(ek_vor4_get_prop_caption(h, 0), "\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0") << "narrow text is the host's";
    ek_vor4_get_prop_caption_w(h, 0, narrowCaption.adapter);
    EXPECT_EQ(narrowCaption.wide, L"Глубина") << "the wide caption is fed whole";
    EXPECT_EQ(ek_vor4_get_index_by_caption_w(h, L"ГЛУБИНА"), 0);
    ek_vor4_set_prop_caption(h, 0, "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82");
    ek_vor4_prop_get_caption_w(ek_vor4_prop_open(h, 0), wideCaption.adapter);
    EXPECT_EQ(wideCaption.wide, L"Тест");
    ek_vor4_prop_set_caption_w(ek_vor4_prop_open(h, 0), L"Plain");
    EXPECT_STREQ(ek_vor4_get_prop_caption(h, 0), "Plain");
    ek_vor4_set_prop_precision(h, 0, "0.00");
    EXPECT_STREQ(ek_vor4_get_prop_precision(h, 0), "0.00");
    ek_vor4_set_prop_precision_w(h, 0, L"0.000");
    ek_vor4_get_prop_name_w(h, 0, name.adapter), ek_vor4_get_prop_precision_w(h, 0, precision.adapter);
    ek_vor4_prop_get_prop_file_name_w(h, 0, file.adapter);
    EXPECT_EQ(name.text + " " + precision.text, "w:Depth w:0.000");
    EXPECT_EQ(fs::path(file.wide).filename(), "doc.Depth.property");
    EXPECT_TRUE(ek_vor4_prop_file_exists(h, 0));

    // Every numeric attribute set on each property and read back: swapped fields show.
    for (unsigned i = 0; i < 4; ++i) {
        ek_vor4_set_prop_kind(h, i, 5 + i), ek_vor4_set_prop_data_type(h, i, i);
        ek_vor4_set_func_x0(h, i, i + 0.1), ek_vor4_set_func_y0(h, i, i + 0.2), ek_vor4_set_func_z0(h, i, i + 0.3);
        ek_vor4_set_func_dx(h, i, i + 0.4), ek_vor4_set_func_dy(h, i, i + 0.5), ek_vor4_set_func_dz(h, i, i + 0.6);
        ek_vor4_set_func_lx(h, i, 4000000000u + i), ek_vor4_set_func_ly(h, i, 7 + i), ek_vor4_set_func_lz(h, i, 9 + i);
        ek_vor4_prop_set_temp_status(h, i, i % 2 == 1);
    }
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(std::vector<double>({double(ek_vor4_get_prop_kind(h, i)), double(ek_vor4_get_prop_data_type(h, i)),
                                       ek_vor4_get_func_x0(h, i), ek_vor4_get_func_y0(h, i), ek_vor4_get_func_z0(h, i),
                                       ek_vor4_get_func_dx(h, i), ek_vor4_get_func_dy(h, i), ek_vor4_get_func_dz(h, i),
                                       double(ek_vor4_get_func_lx(h, i)), double(ek_vor4_get_func_ly(h, i)),
                                       double(ek_vor4_get_func_lz(h, i)), double(ek_vor4_prop_get_temp_status(h, i))}),
                  (std::vector<double>{5.0 + i, double(i), i + 0.1, i + 0.2, i + 0.3, i + 0.4, i + 0.5, i + 0.6,
                                       4000000000.0 + i, 7.0 + i, 9.0 + i, double(i % 2)}))
            << "property " << i;
    }
    ek_vor4_pack(h);
    EXPECT_EQ(std::string(ek_vor4_get_prop_name(h, 0)) + ek_vor4_get_prop_name(h, 1), "DepthB") << "temporaries went";
    EXPECT_EQ(ek_vor4_get_prop_count(h), 2u);

    EXPECT_STREQ(ek_vor_generate_unin_name(h, "Depth"), "Depth1");
    EXPECT_STREQ(ek_vor_generate_unin_name(h, "b"), "b1") << "compared without regard to case";
    EXPECT_STREQ(ek_vor_generate_unin_name(h, "C"), "C");
    Captured unique, caption;
    ek_vor_generate_unin_name_w(h, L"B", unique.adapter), ek_vor_generate_unin_capt_w(h, L"Plain", caption.adapter);
    EXPECT_EQ(unique.text + " " + caption.text, "w:B1 w:Plain1");
}

// Runs and windows of real properties are read and written in spatial_test's block reads.
TEST_F(ApiProperties, SingleValuesAndIndexReads) {
    TekVor4Property* p = ek_vor4_prop_add(h, "V", 0, 0, false);
    ek_vor4_prop_set_value_double(p, 0, -2.5), ek_vor4_prop_set_value_nodata(p, 1);
    ek_vor4_prop_set_value_byte(p, 2, 7), ek_vor4_prop_set_value_int(p, 3, -9);
    ek_vor4_prop_set_value_single(p, 4, 0.5f);
    float f = 0;
    double d = 0;
    int i = 0;
    unsigned char b = 0;
    EXPECT_TRUE(ek_vor4_prop_get_value_single(p, 4, &f) && ek_vor4_prop_get_value_double(p, 0, &d) &&
                ek_vor4_prop_get_value_byte(p, 2, &b) && ek_vor4_prop_get_value_int(p, 3, &i));
    EXPECT_EQ(std::vector<double>({f, d, double(b), double(i)}), (std::vector<double>{0.5, -2.5, 7, -8}))
        << "a single read as an integer is trunc(value + 0.5)";
    EXPECT_FALSE(ek_vor4_prop_get_value_single(p, 1, &f) || ek_vor4_prop_get_value_int(p, 1, &i)) << "missing value";
    EXPECT_FALSE(ek_vor4_prop_get_value_single(p, 12, &f)) << "past the last object";
    ek_vor4_prop_close(p);
    float back[5] = {};
    ASSERT_EQ(ek_vor4_prop_read(p, 0, 5, back, 5, 0, 1), 0) << "the value window reached the file";
    EXPECT_TRUE(std::isnan(back[1]));
    back[1] = 0;
    EXPECT_EQ(std::vector<float>(back, back + 5), (std::vector<float>{-2.5f, 0, 7, -9, 0.5f}));
    unsigned int block = 0;
    EXPECT_GT(ek_vor4_prop_get_block_size(p, &block), 0u);

    long long idx[6] = {-1, -1, -1, -1, -1, -1};
    ASSERT_EQ(ek_vor4_read_index2d_64(h, 1, 1, 2, 2, idx, 2, 2, 1, 0), 0);
    EXPECT_EQ(std::vector<long long>(idx, idx + 4), (std::vector<long long>{5, 6, 9, 10}));
    setGrid(1, 40, 1, 1);
    ASSERT_EQ(ek_vor4_read_index_64(h, 10, 4, idx, 2, 3), 0);
    EXPECT_EQ(std::vector<long long>(idx, idx + 3), (std::vector<long long>{10, 12, 9})) << "from the first element";
    setGrid(5, 2, 2, 2);
    ASSERT_EQ(ek_vor4_read_index3d_64(h, 0, 0, 1, 2, 2, 1, idx, 2, 2, 1, 1, 0, 0), 0);
    EXPECT_EQ(std::vector<long long>(idx, idx + 4), (std::vector<long long>{4, 5, 6, 7}));
}

TEST_F(ApiProperties, StatisticsAndHistogram) {
    TekVor4Property* p = ek_vor4_prop_add(h, "S", 0, 4, false);
    const double nan = std::nan("");
    const double values[12] = {1, 2, 3, 4, nan, nan, nan, nan, nan, nan, nan, nan};
    ASSERT_EQ(ek_vor4_prop_write(p, 0, values, 12, 4, 1), 0);
    EXPECT_FALSE(ek_vor4_prop_get_statistic_exist(p) || ek_vor4_prop_get_histogram_exist(p));
    ek_vor4_prop_statistic_update(p), ek_vor4_prop_histogram_update(p);
    EXPECT_TRUE(ek_vor4_prop_get_statistic_exist(p) && ek_vor4_prop_get_histogram_exist(p));
    // Four values 1..4 and eight missing; the histogram's 100 bins span [1, 4].
    const std::tuple<const char*, double, double> rows[] = {{"min", ek_vor4_prop_get_statistic_min(p), 1},
        {"max", ek_vor4_prop_get_statistic_max(p), 4}, {"average", ek_vor4_prop_get_statistic_average(p), 2.5},
        {"valid", ek_vor4_prop_get_statistic_vals_count(p), 4},
        {"valid 64", ek_vor4_prop_get_statistic_vals_count_64(p), 4},
        {"missing", ek_vor4_prop_get_statistic_indef_count(p), 8},
        {"missing 64", ek_vor4_prop_get_statistic_indef_count_64(p), 8},
        {"lower bound", ek_vor4_prop_get_histogram_hgbndmin(p), 1},
        {"upper bound", ek_vor4_prop_get_histogram_hgbndmax(p), 4},
        {"hgmin", ek_vor4_prop_get_histogram_hgmin(p), 0}, {"hgmax", ek_vor4_prop_get_histogram_hgmax(p), 0},
        {"bins", ek_vor4_prop_get_histogram_count(p), 100}, {"first bin", ek_vor4_prop_get_histogram_value(p, 0), 1},
        {"past the last bin", ek_vor4_prop_get_histogram_value(p, 100), 0}};
    for (const auto& [name, got, expected] : rows) EXPECT_EQ(got, expected) << name;
    EXPECT_NEAR(ek_vor4_prop_get_statistic_stddev(p), std::sqrt(5.0 / 3.0), 1e-12) << "sample deviation of 1..4";
    EXPECT_EQ(std::string(ek_vor4_prop_get_histogram_hgdiapdata(p)).substr(0, 16), "0000000100000000");
}

TEST(ApiPropertyNames, CheckAndRepair) {
    // Accepted: ASCII letters, digits and '_'; the characters next to each range are not.
    const std::pair<const wchar_t*, bool> names[] = {
        {L"Depth_2", true}, {L"2nd", true}, {L"", true}, {L"_", true}, {nullptr, true},
        {L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789", true}, {L"two words", false},
        {L"a-b", false}, {L"a.b", false}, {L"Глубина", false}, {L"caf\u00e9", false}, {L"tab\t", false},
        {L"a@", false}, {L"[", false}, {L"`", false}, {L"{", false}, {L"/", false}, {L":", false}};
    for (const auto& [name, ok] : names) EXPECT_EQ(ek_vor4_prop_name_ok(name), ok) << (name ? name : L"(null)");
    for (const auto& [name, fixed] : {std::pair<const wchar_t*, const wchar_t*>{L"Depth_2", L"Depth_2"},
                                      {L"Глубина", L"Glubina"}, {L"a b.c", L"a_b_c"}, {nullptr, L""}}) {
        Captured c;
        ek_vor4_prop_name_fix(name, c.adapter);
        EXPECT_EQ(c.wide, fixed);
        EXPECT_EQ(c.feeds, 1);
    }
    ek_vor4_prop_name_fix(L"x y", nullptr);  // no adapter: nothing to feed, no crash
}

}  // namespace
