// A document's properties through the exported functions: the list (add, find, delete, unique
// names), attributes by index with narrow and wide texts, data runs and windows, single values,
// statistics and histogram, and the check and repair of property names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "api/api_test_support.h"
#include "ekx_file_vor4.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ek::test::Captured;

class ApiProperties : public ::testing::Test {
protected:
    void SetUp() override {
        h = ek_vor4_file_create_w(dir.file("doc.xml").c_str());
        ASSERT_NE(h, nullptr);
        ek_vor4_set_grid_type(h, 3);
        const unsigned int dims[3] = {4, 3, 1};
        ek_vor4_set_dimensions(h, dims);
    }
    void TearDown() override { ek_vor4_file_close(h); }
    ek::test::TempDir dir;
    TekVor4* h = nullptr;
};

TEST_F(ApiProperties, AddFindAndDelete) {
    TekVor4Property* a = ek_vor4_prop_add(h, "Alpha", 1, 0, false);
    TekVor4Property* b = ek_vor4_prop_add_w(h, L"Beta", 2, 4, false);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ek_vor4_get_prop_count(h), 2u);
    EXPECT_EQ(ek_vor4_prop_add(h, "alpha", 0, 0, false), nullptr) << "names collide without regard to case";
    EXPECT_EQ(ek_vor4_prop_add(h, "", 0, 0, true), nullptr);
    EXPECT_EQ(ek_vor4_prop_add_w(h, nullptr, 0, 0, true), nullptr) << "a null name is the empty name";
    EXPECT_EQ(ek_vor4_get_index_by_name(h, "Beta"), 1);
    EXPECT_EQ(ek_vor4_get_index_by_name(h, "beta"), -1) << "narrow: exact";
    EXPECT_EQ(ek_vor4_get_index_by_name_w(h, L"BETA"), 1) << "wide: letter case ignored";
    EXPECT_EQ(ek_vor4_get_index_by_name(h, nullptr), -1);
    EXPECT_EQ(ek_vor4_get_index_by_caption(h, "Alpha"), 0) << "a new property's caption is its name";
    EXPECT_EQ(ek_vor4_get_index_by_caption_w(h, L"ALPHA"), 0);
    EXPECT_EQ(ek_vor4_prop_open(h, 0), a);
    EXPECT_EQ(ek_vor4_prop_open(h, 2), nullptr);
    EXPECT_EQ(ek_vor4_get_prop_kind(h, 1), 2);
    EXPECT_EQ(ek_vor4_get_prop_data_type(h, 1), 4);
    EXPECT_EQ(ek_vor4_prop_get_objcount(a), 12u);

    ek_vor4_prop_delete(h, 5);  // past the end: nothing
    EXPECT_EQ(ek_vor4_get_prop_count(h), 2u);
    ek_vor4_prop_delete(h, 0);
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    EXPECT_EQ(ek_vor4_get_index_by_name(h, "Beta"), 0);
    EXPECT_FALSE(fs::exists(dir.path() / "doc.Alpha.property"));
}

TEST_F(ApiProperties, DeleteListAlsoRemovesAPropertyWhoseFileIsGone) {
    ASSERT_NE(ek_vor4_prop_add(h, "A", 0, 0, false), nullptr);
    fs::remove(dir.path() / "doc.A.property");
    EXPECT_FALSE(ek_vor4_prop_file_exists(h, 0));
    ek_vor4_prop_delete(h, 0);
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u) << "the data file could not be deleted";
    ek_vor4_prop_delete_list(h, 0);
    EXPECT_EQ(ek_vor4_get_prop_count(h), 0u);
}

TEST_F(ApiProperties, AddBinaryTakesAPreparedDataFile) {
    const fs::path prepared = dir.path() / "prepared.bin";
    {
        std::ofstream out(prepared, std::ios::binary);
        for (int i = 0; i < 12; ++i) {
            const int v = i * 10;
            out.write(reinterpret_cast<const char*>(&v), sizeof v);
        }
    }
    TekVor4Property* p = ek_vor4_prop_add_binary(h, "Ints", 4, 2, prepared.string().c_str(), true, false);
    ASSERT_NE(p, nullptr);
    int v = 0;
    EXPECT_TRUE(ek_vor4_prop_get_value_int(p, 11, &v));
    EXPECT_EQ(v, 110);
    EXPECT_TRUE(fs::exists(prepared)) << "copied, not moved";
    TekVor4Property* w = ek_vor4_prop_add_binary_w(h, L"Moved", 4, 2, prepared.wstring().c_str(), false, false);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(fs::exists(prepared));
    EXPECT_EQ(ek_vor4_prop_add_binary_w(h, L"Missing", 4, 2, prepared.wstring().c_str(), true, false), nullptr);
}

TEST_F(ApiProperties, AttributesInNarrowAndWideForms) {
    ASSERT_NE(ek_vor4_prop_add(h, "Depth", 0, 0, false), nullptr);
    ek_vor4_set_prop_caption_w(h, 0, L"Глубина");
    EXPECT_STREQ(ek_vor4_get_prop_caption(h, 0), "\xC3\xEB\xF3\xE1\xE8\xED\xE0") << "narrow text is the code page's";
    Captured caption;
    ek_vor4_get_prop_caption_w(h, 0, caption.adapter());
    EXPECT_EQ(caption.form, 'c') << "the narrow caption is fed";
    EXPECT_EQ(caption.narrow, "\xC3\xEB\xF3\xE1\xE8\xED\xE0");
    Captured wideCaption;
    ek_vor4_prop_get_caption_w(ek_vor4_prop_open(h, 0), wideCaption.adapter());
    EXPECT_EQ(wideCaption.form, 'w');
    EXPECT_EQ(wideCaption.wide, L"Глубина");
    EXPECT_EQ(ek_vor4_get_index_by_caption_w(h, L"ГЛУБИНА"), 0);

    ek_vor4_set_prop_caption(h, 0, "\xD2\xE5\xF1\xF2");  // "Тест"
    ek_vor4_prop_get_caption_w(ek_vor4_prop_open(h, 0), wideCaption.adapter());
    EXPECT_EQ(wideCaption.wide, L"Тест");
    ek_vor4_prop_set_caption_w(ek_vor4_prop_open(h, 0), L"Plain");
    EXPECT_STREQ(ek_vor4_get_prop_caption(h, 0), "Plain");

    Captured name;
    ek_vor4_get_prop_name_w(h, 0, name.adapter());
    EXPECT_EQ(name.narrow, "Depth");
    ek_vor4_set_prop_precision(h, 0, "0.00");
    EXPECT_STREQ(ek_vor4_get_prop_precision(h, 0), "0.00");
    ek_vor4_set_prop_precision_w(h, 0, L"0.000");
    Captured precision;
    ek_vor4_get_prop_precision_w(h, 0, precision.adapter());
    EXPECT_EQ(precision.form, 'w');
    EXPECT_EQ(precision.wide, L"0.000");

    ek_vor4_set_prop_kind(h, 0, 5);
    EXPECT_EQ(ek_vor4_get_prop_kind(h, 0), 5);
    ek_vor4_set_prop_data_type(h, 0, 4);
    EXPECT_EQ(ek_vor4_get_prop_data_type(h, 0), 4);

    Captured file;
    ek_vor4_prop_get_prop_file_name_w(h, 0, file.adapter());
    EXPECT_EQ(fs::path(file.wide).filename(), "doc.Depth.property");
    EXPECT_TRUE(ek_vor4_prop_file_exists(h, 0));
}

TEST_F(ApiProperties, EdgeOfTheListAnswersFailureValues) {
    ASSERT_NE(ek_vor4_prop_add(h, "Only", 1, 4, false), nullptr);
    EXPECT_EQ(ek_vor4_get_prop_data_type(h, 1), 3);
    EXPECT_EQ(ek_vor4_get_prop_kind(h, 1), 0);
    EXPECT_STREQ(ek_vor4_get_prop_name(h, 1), "");
    EXPECT_EQ(ek_vor4_get_prop_data_type(h, 0), 4) << "the last index is still served";
}

TEST_F(ApiProperties, TemporaryPropertiesGoWithPack) {
    for (const char* name : {"A", "T1", "B", "T2"}) ASSERT_NE(ek_vor4_prop_add(h, name, 0, 0, false), nullptr);
    ek_vor4_prop_set_temp_status(h, 1, true);
    ek_vor4_prop_set_temp_status(h, 3, true);
    EXPECT_TRUE(ek_vor4_prop_get_temp_status(h, 1));
    EXPECT_FALSE(ek_vor4_prop_get_temp_status(h, 0));
    ek_vor4_pack(h);
    ASSERT_EQ(ek_vor4_get_prop_count(h), 2u);
    EXPECT_STREQ(ek_vor4_get_prop_name(h, 0), "A");
    EXPECT_STREQ(ek_vor4_get_prop_name(h, 1), "B");
}

TEST_F(ApiProperties, FunctionParametersRoundTrip) {
    ASSERT_NE(ek_vor4_prop_add(h, "F", 0, 0, false), nullptr);
    ek_vor4_set_func_x0(h, 0, 1.5);
    ek_vor4_set_func_y0(h, 0, 2.5);
    ek_vor4_set_func_z0(h, 0, 3.5);
    ek_vor4_set_func_dx(h, 0, 0.25);
    ek_vor4_set_func_dy(h, 0, 0.5);
    ek_vor4_set_func_dz(h, 0, 0.75);
    ek_vor4_set_func_lx(h, 0, 4000000000u);
    ek_vor4_set_func_ly(h, 0, 7);
    ek_vor4_set_func_lz(h, 0, 8);
    EXPECT_EQ(ek_vor4_get_func_x0(h, 0), 1.5);
    EXPECT_EQ(ek_vor4_get_func_y0(h, 0), 2.5);
    EXPECT_EQ(ek_vor4_get_func_z0(h, 0), 3.5);
    EXPECT_EQ(ek_vor4_get_func_dx(h, 0), 0.25);
    EXPECT_EQ(ek_vor4_get_func_dy(h, 0), 0.5);
    EXPECT_EQ(ek_vor4_get_func_dz(h, 0), 0.75);
    EXPECT_EQ(ek_vor4_get_func_lx(h, 0), 4000000000u) << "widened without sign, not negative";
    EXPECT_EQ(ek_vor4_get_func_ly(h, 0), 7u);
    EXPECT_EQ(ek_vor4_get_func_lz(h, 0), 8u);
}

TEST_F(ApiProperties, UniqueNamesAndCaptions) {
    ASSERT_NE(ek_vor4_prop_add(h, "A", 0, 0, false), nullptr);
    ASSERT_NE(ek_vor4_prop_add(h, "A1", 0, 0, false), nullptr);
    EXPECT_STREQ(ek_vor_generate_unin_name(h, "A"), "A2");
    EXPECT_STREQ(ek_vor_generate_unin_name(h, "B"), "B");
    EXPECT_STREQ(ek_vor_generate_unin_name(h, "a"), "a2") << "compared without regard to case";
    Captured name;
    ek_vor_generate_unin_name_w(h, L"A", name.adapter());
    EXPECT_EQ(name.form, 'c');
    EXPECT_EQ(name.narrow, "A2");
    Captured caption;
    ek_vor_generate_unin_capt_w(h, L"A1", caption.adapter());
    EXPECT_EQ(caption.form, 'w');
    EXPECT_EQ(caption.wide, L"A11");
}

TEST_F(ApiProperties, RunsWindowsAndSingleValues) {
    TekVor4Property* p = ek_vor4_prop_add(h, "V", 0, 0, false);
    ASSERT_NE(p, nullptr);
    float grid[12];
    for (int i = 0; i < 12; ++i) grid[i] = static_cast<float>(i);
    ASSERT_EQ(ek_vor4_prop_write(p, 0, grid, 12, 0, 1), 0);
    double run[3] = {-1, -1, -1};
    EXPECT_EQ(ek_vor4_prop_read(p, 2, 3, run, 3, 4, 1), 0);
    EXPECT_EQ(run[0], 2.0);
    EXPECT_EQ(run[2], 4.0);
    EXPECT_EQ(ek_vor4_prop_read(p, 0, 13, run, 3, 4, 1), 4) << "more values than the property has";
    EXPECT_EQ(ek_vor4_prop_read(p, 10, 3, run, 3, 4, 1), 2) << "a run past the end of the data file";

    int window[4] = {};
    EXPECT_EQ(ek_vor4_prop_read2d(p, 0, 0, 4, 3, window, 2, 2, 2, 0, 0), 0) << "4 x 3 decimated to 2 x 2";
    EXPECT_EQ(window[0], 0);
    EXPECT_EQ(window[1], 2);
    EXPECT_EQ(window[2], 4) << "3 rows onto 2 take rows 0 and 1";

    const float patch[2] = {100.0f, 101.0f};
    EXPECT_EQ(ek_vor4_prop_write2d(p, 1, 2, patch, 2, 1, 0, 1, 2), 0);
    float f = 0;
    EXPECT_TRUE(ek_vor4_prop_get_value_single(p, 9, &f));
    EXPECT_EQ(f, 100.0f);
    ek_vor4_prop_set_value_double(p, 0, -2.5);
    double d = 0;
    EXPECT_TRUE(ek_vor4_prop_get_value_double(p, 0, &d));
    EXPECT_EQ(d, -2.5);
    ek_vor4_prop_set_value_nodata(p, 1);
    EXPECT_FALSE(ek_vor4_prop_get_value_single(p, 1, &f)) << "a missing value is no value";
    int missing = 0;
    EXPECT_FALSE(ek_vor4_prop_get_value_int(p, 1, &missing));
    unsigned char byte = 0;
    ek_vor4_prop_set_value_byte(p, 2, 7);
    EXPECT_TRUE(ek_vor4_prop_get_value_byte(p, 2, &byte));
    EXPECT_EQ(byte, 7);
    ek_vor4_prop_set_value_int(p, 3, -9);
    ek_vor4_prop_set_value_single(p, 4, 0.5f);
    EXPECT_FALSE(ek_vor4_prop_get_value_single(p, 12, &f)) << "past the last object";
    ek_vor4_prop_close(p);
    float back[5] = {};
    ASSERT_EQ(ek_vor4_prop_read_64(p, 0, 5, back, 5, 0, 1), 0) << "the value window reached the file";
    EXPECT_EQ(back[0], -2.5f);
    EXPECT_TRUE(std::isnan(back[1]));
    EXPECT_EQ(back[2], 7.0f);
    EXPECT_EQ(back[3], -9.0f);
    EXPECT_EQ(back[4], 0.5f);
    unsigned int block = 0;
    EXPECT_GT(ek_vor4_prop_get_block_size(p, &block), 0u);
}

TEST_F(ApiProperties, ThreeDimensionalWindows) {
    ek_vor4_set_grid_type(h, 5);
    const long long dims[3] = {2, 2, 2};
    ek_vor4_set_dimensions_64(h, dims);
    TekVor4Property* p = ek_vor4_prop_add(h, "Cube", 0, 2, false);
    ASSERT_NE(p, nullptr);
    const int cube[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ek_vor4_prop_write3d(p, 0, 0, 0, cube, 2, 2, 2, 2, 1, 2, 4), 0);
    int back[8] = {};
    ASSERT_EQ(ek_vor4_prop_read3d(p, 0, 0, 0, 2, 2, 2, back, 2, 2, 2, 2, 1, 2, 4), 0);
    EXPECT_EQ(std::memcmp(back, cube, sizeof cube), 0);
    int slice[2] = {};
    ASSERT_EQ(ek_vor4_prop_read3d_64(p, 0, 1, 1, 2, 1, 1, slice, 2, 1, 1, 2, 1, 2, 2), 0);
    EXPECT_EQ(slice[0], 6);
    EXPECT_EQ(slice[1], 7);
    long long idx[4] = {-1, -1, -1, -1};
    EXPECT_EQ(ek_vor4_read_index3d_64(h, 0, 0, 1, 2, 2, 1, idx, 2, 2, 1, 1, 0, 0), 0);
    EXPECT_EQ(idx[0], 4);
    EXPECT_EQ(idx[3], 7);
}

TEST_F(ApiProperties, IndexReadWritesFromTheFirstElement) {
    long long dst[6] = {-1, -1, -1, -1, -1, -1};
    ek_vor4_set_grid_type(h, 1);
    const long long dims[3] = {40, 1, 1};
    ek_vor4_set_dimensions_64(h, dims);
    ASSERT_EQ(ek_vor4_read_index_64(h, 10, 4, dst, 4, 3), 0);
    EXPECT_EQ(dst[0], 10);
    EXPECT_EQ(dst[1], 13);
    EXPECT_EQ(dst[2], 16);
    EXPECT_EQ(dst[3], 19);
    EXPECT_EQ(dst[4], -1);
    ASSERT_EQ(ek_vor4_read_index_64(h, 10, 4, dst, 2, 3), 0);
    EXPECT_EQ(dst[0], 10);
    EXPECT_EQ(dst[1], 12);
}

TEST_F(ApiProperties, StatisticsAndHistogram) {
    TekVor4Property* p = ek_vor4_prop_add(h, "S", 0, 4, false);
    ASSERT_NE(p, nullptr);
    const double nan = std::nan("");
    const double values[12] = {1, 2, 3, 4, nan, nan, nan, nan, nan, nan, nan, nan};
    ASSERT_EQ(ek_vor4_prop_write(p, 0, values, 12, 4, 1), 0);
    EXPECT_FALSE(ek_vor4_prop_get_statistic_exist(p));
    ek_vor4_prop_statistic_update(p);
    EXPECT_TRUE(ek_vor4_prop_get_statistic_exist(p));
    EXPECT_EQ(ek_vor4_prop_get_statistic_min(p), 1.0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_max(p), 4.0);
    EXPECT_DOUBLE_EQ(ek_vor4_prop_get_statistic_average(p), 2.5);
    EXPECT_NEAR(ek_vor4_prop_get_statistic_stddev(p), std::sqrt(5.0 / 3.0), 1e-12);
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count(p), 4);
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count_64(p), 4);
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count(p), 8);
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count_64(p), 8);

    EXPECT_FALSE(ek_vor4_prop_get_histogram_exist(p));
    ek_vor4_prop_histogram_update(p);
    ASSERT_TRUE(ek_vor4_prop_get_histogram_exist(p));
    EXPECT_EQ(ek_vor4_prop_get_histogram_count(p), 100u);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgbndmin(p), 1.0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgbndmax(p), 4.0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgmin(p), 0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgmax(p), 0);
    long long total = 0;
    for (unsigned int bin = 0; bin < 100; ++bin) total += ek_vor4_prop_get_histogram_value(p, bin);
    EXPECT_EQ(total, 4);
    EXPECT_EQ(ek_vor4_prop_get_histogram_value(p, 0), 1);
    EXPECT_EQ(ek_vor4_prop_get_histogram_value(p, 98), 1);
    EXPECT_EQ(ek_vor4_prop_get_histogram_value(p, 100), 0) << "past the last bin";
    const char* text = ek_vor4_prop_get_histogram_hgdiapdata(p);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::strlen(text), 800u);
    EXPECT_EQ(std::string(text, 8), "00000001");
}

TEST(ApiPropertyNames, AcceptableNames) {
    EXPECT_TRUE(ek_vor4_prop_name_ok(L"Depth_2"));
    EXPECT_TRUE(ek_vor4_prop_name_ok(L"2nd"));
    EXPECT_TRUE(ek_vor4_prop_name_ok(L""));
    EXPECT_TRUE(ek_vor4_prop_name_ok(L"_"));
    EXPECT_TRUE(ek_vor4_prop_name_ok(L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789"));
    EXPECT_FALSE(ek_vor4_prop_name_ok(L"two words"));
    EXPECT_FALSE(ek_vor4_prop_name_ok(L"a-b"));
    EXPECT_FALSE(ek_vor4_prop_name_ok(L"a.b"));
    EXPECT_FALSE(ek_vor4_prop_name_ok(L"Глубина"));
    EXPECT_FALSE(ek_vor4_prop_name_ok(L"caf\u00e9"));
    EXPECT_FALSE(ek_vor4_prop_name_ok(L"tab\t"));
}

TEST(ApiPropertyNames, FixFeedsGoodNamesUnchangedAndRepairsTheRest) {
    Captured good;
    ek_vor4_prop_name_fix(L"Depth_2", good.adapter());
    EXPECT_EQ(good.feeds, 1);
    EXPECT_EQ(good.wide, L"Depth_2");
    Captured cyrillic;
    ek_vor4_prop_name_fix(L"Глубина", cyrillic.adapter());
    EXPECT_EQ(cyrillic.feeds, 1);
    EXPECT_EQ(cyrillic.wide, L"Glubina");
    Captured spaced;
    ek_vor4_prop_name_fix(L"a b.c", spaced.adapter());
    EXPECT_EQ(spaced.wide, L"a_b_c");
    EXPECT_TRUE(ek_vor4_prop_name_ok(spaced.wide.c_str()));
    Captured none;
    ek_vor4_prop_name_fix(nullptr, none.adapter());
    EXPECT_EQ(none.feeds, 1);
    EXPECT_EQ(none.wide, L"");
    ek_vor4_prop_name_fix(L"x y", nullptr);  // no adapter: nothing to feed, no crash
}

}  // namespace
