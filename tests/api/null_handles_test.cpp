// Every exported function with a null document or property handle answers with its failure
// value and touches nothing: out-arrays stay as they were, adapters receive what the function
// promises for that case (or nothing).
#include <gtest/gtest.h>

#include <cmath>

#include "api/api_test_support.h"
#include "ekx_file_vor4.h"

namespace {

using ek::test::Captured;
TekVor4* const noDoc = nullptr;
TekVor4Property* const noProp = nullptr;

TEST(ApiNullDocument, GeometryGettersAnswerTheirDefaults) {
    EXPECT_EQ(ek_vor4_get_grid_type(noDoc), 0);
    EXPECT_EQ(ek_vor4_get_x0(noDoc), 0.0);
    EXPECT_EQ(ek_vor4_get_y0(noDoc), 0.0);
    EXPECT_EQ(ek_vor4_get_z0(noDoc), 0.0);
    EXPECT_EQ(ek_vor4_get_dx(noDoc), 1.0);
    EXPECT_EQ(ek_vor4_get_dy(noDoc), 1.0);
    EXPECT_EQ(ek_vor4_get_dz(noDoc), 1.0);
    EXPECT_EQ(ek_vor4_get_azimuth(noDoc), 0.0);
    EXPECT_FALSE(ek_vor4_get_earthplane(noDoc));
    EXPECT_EQ(ek_vor4_get_pic(noDoc), 1u);
    EXPECT_EQ(ek_vor4_get_pic_64(noDoc), 1);
    EXPECT_EQ(ek_vor4_get_prf(noDoc), 1u);
    EXPECT_EQ(ek_vor4_get_prf_64(noDoc), 1);
    EXPECT_EQ(ek_vor4_get_picz(noDoc), 1u);
    EXPECT_EQ(ek_vor4_get_picz_64(noDoc), 1);
    EXPECT_EQ(ek_vor4_get_object_count(noDoc), 0u);
    EXPECT_EQ(ek_vor4_get_object_count_64(noDoc), 0);
    EXPECT_EQ(ek_vor4_get_maskpropindex(noDoc), -1);
    EXPECT_EQ(ek_vor4_get_xpropindex(noDoc), -1);
    EXPECT_EQ(ek_vor4_get_ypropindex(noDoc), -1);
    EXPECT_EQ(ek_vor4_get_zpropindex(noDoc), -1);
    EXPECT_EQ(ek_vor4_get_prop_count(noDoc), 0u);
}

TEST(ApiNullDocument, DimensionArraysStayUnchanged) {
    unsigned int dims[3] = {7, 8, 9};
    ek_vor4_get_dimensions(noDoc, dims);
    EXPECT_EQ(dims[0], 7u);
    EXPECT_EQ(dims[1], 8u);
    EXPECT_EQ(dims[2], 9u);
    long long dims64[3] = {7, 8, 9};
    ek_vor4_get_dimensions_64(noDoc, dims64);
    EXPECT_EQ(dims64[0], 7);
    EXPECT_EQ(dims64[2], 9);
}

TEST(ApiNullDocument, SettersAndActionsDoNothing) {
    const unsigned int dims[3] = {2, 2, 1};
    const long long dims64[3] = {2, 2, 1};
    ek_vor4_set_gridtype(noDoc, 3);
    ek_vor4_set_grid_type(noDoc, 3);
    ek_vor4_set_x0(noDoc, 1);
    ek_vor4_set_y0(noDoc, 1);
    ek_vor4_set_z0(noDoc, 1);
    ek_vor4_set_dx(noDoc, 1);
    ek_vor4_set_dy(noDoc, 1);
    ek_vor4_set_dz(noDoc, 1);
    ek_vor4_set_azimuth(noDoc, 1);
    ek_vor4_set_earthplane(noDoc, true);
    ek_vor4_set_dimensions(noDoc, dims);
    ek_vor4_set_dimensions_64(noDoc, dims64);
    ek_vor4_set_maskpropindex(noDoc, 0);
    ek_vor4_set_xpropindex(noDoc, 0);
    ek_vor4_set_ypropindex(noDoc, 0);
    ek_vor4_set_zpropindex(noDoc, 0);
    ek_vor4_pack(noDoc);
    ek_vor4_assign_description(noDoc, noDoc);
    ek_vor4_prop_delete(noDoc, 0);
    ek_vor4_prop_delete_list(noDoc, 0);
    ek_vor4_file_close(noDoc);
    ek_vor4_free_memory(noDoc);
    SUCCEED() << "nothing crashed";
}

TEST(ApiNullDocument, PropertyListAnswersNotFoundAndNull) {
    EXPECT_EQ(ek_vor4_get_index_by_name(noDoc, "A"), -1);
    EXPECT_EQ(ek_vor4_get_index_by_name_w(noDoc, L"A"), -1);
    EXPECT_EQ(ek_vor4_get_index_by_caption(noDoc, "A"), -1);
    EXPECT_EQ(ek_vor4_get_index_by_caption_w(noDoc, L"A"), -1);
    EXPECT_EQ(ek_vor4_prop_add(noDoc, "A", 0, 0, false), nullptr);
    EXPECT_EQ(ek_vor4_prop_add_w(noDoc, L"A", 0, 0, false), nullptr);
    EXPECT_EQ(ek_vor4_prop_add_binary(noDoc, "A", 0, 0, "/tmp/x", true, false), nullptr);
    EXPECT_EQ(ek_vor4_prop_add_binary_w(noDoc, L"A", 0, 0, L"/tmp/x", true, false), nullptr);
    EXPECT_EQ(ek_vor4_prop_open(noDoc, 0), nullptr);
    EXPECT_EQ(ek_vor_generate_unin_name(noDoc, "A"), nullptr);
    Captured name, caption;
    ek_vor_generate_unin_name_w(noDoc, L"A", name.adapter());
    ek_vor_generate_unin_capt_w(noDoc, L"A", caption.adapter());
    EXPECT_EQ(name.feeds, 0);
    EXPECT_EQ(caption.feeds, 0);
}

TEST(ApiNullDocument, AttributeGettersAnswerTheirFailureValues) {
    EXPECT_EQ(ek_vor4_get_prop_kind(noDoc, 0), 0);
    EXPECT_EQ(ek_vor4_get_prop_data_type(noDoc, 0), 3);
    EXPECT_STREQ(ek_vor4_get_prop_name(noDoc, 0), "");
    EXPECT_STREQ(ek_vor4_get_prop_caption(noDoc, 0), "");
    EXPECT_STREQ(ek_vor4_get_prop_precision(noDoc, 0), "");
    EXPECT_FALSE(ek_vor4_prop_get_temp_status(noDoc, 0));
    EXPECT_FALSE(ek_vor4_prop_file_exists(noDoc, 0));
    EXPECT_EQ(ek_vor4_get_func_x0(noDoc, 0), 0.0);
    EXPECT_EQ(ek_vor4_get_func_y0(noDoc, 0), 0.0);
    EXPECT_EQ(ek_vor4_get_func_z0(noDoc, 0), 0.0);
    EXPECT_EQ(ek_vor4_get_func_dx(noDoc, 0), 0.0);
    EXPECT_EQ(ek_vor4_get_func_dy(noDoc, 0), 0.0);
    EXPECT_EQ(ek_vor4_get_func_dz(noDoc, 0), 0.0);
    EXPECT_EQ(ek_vor4_get_func_lx(noDoc, 0), 0u);
    EXPECT_EQ(ek_vor4_get_func_ly(noDoc, 0), 0u);
    EXPECT_EQ(ek_vor4_get_func_lz(noDoc, 0), 0u);
}

TEST(ApiNullDocument, AdapterGettersFeedWhatTheyPromise) {
    Captured name, caption, precision, file;
    ek_vor4_get_prop_name_w(noDoc, 0, name.adapter());
    ek_vor4_get_prop_caption_w(noDoc, 0, caption.adapter());
    ek_vor4_get_prop_precision_w(noDoc, 0, precision.adapter());
    ek_vor4_prop_get_prop_file_name_w(noDoc, 0, file.adapter());
    EXPECT_EQ(name.feeds, 1);
    EXPECT_EQ(name.form, 'c') << "the empty narrow text";
    EXPECT_EQ(name.narrow, "");
    EXPECT_EQ(caption.feeds, 1);
    EXPECT_EQ(caption.form, 'c');
    EXPECT_EQ(precision.feeds, 1);
    EXPECT_EQ(precision.form, 'w') << "the empty wide text";
    EXPECT_EQ(precision.wide, L"");
    EXPECT_EQ(file.feeds, 0) << "nothing is fed for the file name";
}

TEST(ApiNullDocument, AttributeSettersDoNothing) {
    ek_vor4_set_prop_kind(noDoc, 0, 1);
    ek_vor4_set_prop_data_type(noDoc, 0, 1);
    ek_vor4_set_prop_caption(noDoc, 0, "c");
    ek_vor4_set_prop_caption_w(noDoc, 0, L"c");
    ek_vor4_set_prop_precision(noDoc, 0, "2");
    ek_vor4_set_prop_precision_w(noDoc, 0, L"2");
    ek_vor4_prop_set_temp_status(noDoc, 0, true);
    ek_vor4_set_func_x0(noDoc, 0, 1);
    ek_vor4_set_func_y0(noDoc, 0, 1);
    ek_vor4_set_func_z0(noDoc, 0, 1);
    ek_vor4_set_func_dx(noDoc, 0, 1);
    ek_vor4_set_func_dy(noDoc, 0, 1);
    ek_vor4_set_func_dz(noDoc, 0, 1);
    ek_vor4_set_func_lx(noDoc, 0, 1);
    ek_vor4_set_func_ly(noDoc, 0, 1);
    ek_vor4_set_func_lz(noDoc, 0, 1);
    SUCCEED() << "nothing crashed";
}

TEST(ApiNullDocument, IndexReadsReportBadArguments) {
    long long dst[4] = {-5, -5, -5, -5};
    EXPECT_EQ(ek_vor4_read_index_64(noDoc, 0, 4, dst, 4, 1), 4);
    EXPECT_EQ(ek_vor4_read_index2d_64(noDoc, 0, 0, 2, 2, dst, 2, 2, 1, 0), 4);
    EXPECT_EQ(ek_vor4_read_index3d_64(noDoc, 0, 0, 0, 1, 2, 2, dst, 1, 2, 2, 1, 0, 0), 4);
    EXPECT_EQ(dst[0], -5);
}

TEST(ApiNullDocument, TransformsUseTheGettersDefaults) {
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(noDoc, &m);
    // Origin 0, cell sizes 1, no rotation: the identity.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m.m[r][c], r == c ? 1.0 : 0.0, 1e-12) << r << "," << c;
    long long column = -9, row = -9;
    EXPECT_TRUE(ek_vor4_fetch_iloc2d_64(noDoc, Tek_vtx_d2{0.2, -0.3}, &column, &row)) << "the 1 x 1 grid";
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    EXPECT_FALSE(ek_vor4_fetch_iloc2d_64(noDoc, Tek_vtx_d2{1.0, 0.0}, &column, &row));
    ek_vor4_get_geotransform(noDoc, nullptr);
}

TEST(ApiNullDocument, BlockReadsCannotOpenAProperty) {
    float dst[4] = {1, 2, 3, 4};
    EXPECT_EQ(ek_vor4_read(noDoc, 0, 2, dst, 2, 0, 2, nullptr, 0, 0), 1);
    EXPECT_EQ(ek_vor4_read2d(noDoc, 0, 0, 1, 1, dst, 1, 1, 0, 1, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(ek_vor4_read3d(noDoc, 0, 0, 0, 1, 1, 1, dst, 1, 1, 1, 0, 1, nullptr, 0, 0, 0, 0), 1);
    EXPECT_EQ(ek_vor4_read(noDoc, 0, 2, dst, 2, 0, 0, nullptr, 0, 0), 0) << "no property asked for";
    EXPECT_EQ(dst[0], 1.0f);
}

TEST(ApiNullProperty, DataFunctionsReportBadArguments) {
    float buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(ek_vor4_prop_read(noProp, 0, 1, buf, 1, 0, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read_64(noProp, 0, 1, buf, 1, 0, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read2d(noProp, 0, 0, 1, 1, buf, 1, 1, 0, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read2d_64(noProp, 0, 0, 1, 1, buf, 1, 1, 0, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read3d(noProp, 0, 0, 0, 1, 1, 1, buf, 1, 1, 1, 0, 1, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read3d_64(noProp, 0, 0, 0, 1, 1, 1, buf, 1, 1, 1, 0, 1, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_write(noProp, 0, buf, 1, 0, 1), 4);
    EXPECT_EQ(ek_vor4_prop_write_64(noProp, 0, buf, 1, 0, 1), 4);
    EXPECT_EQ(ek_vor4_prop_write2d(noProp, 0, 0, buf, 1, 1, 0, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_write2d_64(noProp, 0, 0, buf, 1, 1, 0, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_write3d(noProp, 0, 0, 0, buf, 1, 1, 1, 0, 1, 1, 1), 4);
    EXPECT_EQ(ek_vor4_prop_write3d_64(noProp, 0, 0, 0, buf, 1, 1, 1, 0, 1, 1, 1), 4);
    EXPECT_EQ(buf[0], 1.0f);
}

TEST(ApiNullProperty, SingleValuesAndQueriesFail) {
    unsigned char b = 9;
    int i = 9;
    float f = 9;
    double d = 9;
    EXPECT_FALSE(ek_vor4_prop_get_value_byte(noProp, 0, &b));
    EXPECT_FALSE(ek_vor4_prop_get_value_int(noProp, 0, &i));
    EXPECT_FALSE(ek_vor4_prop_get_value_single(noProp, 0, &f));
    EXPECT_FALSE(ek_vor4_prop_get_value_double(noProp, 0, &d));
    EXPECT_EQ(b, 9);
    EXPECT_EQ(i, 9);
    EXPECT_EQ(f, 9.0f);
    EXPECT_EQ(d, 9.0);
    ek_vor4_prop_set_value_byte(noProp, 0, 1);
    ek_vor4_prop_set_value_int(noProp, 0, 1);
    ek_vor4_prop_set_value_single(noProp, 0, 1);
    ek_vor4_prop_set_value_double(noProp, 0, 1);
    ek_vor4_prop_set_value_nodata(noProp, 0);
    EXPECT_EQ(ek_vor4_prop_get_objcount(noProp), 0u);
    EXPECT_EQ(ek_vor4_prop_get_objcount_64(noProp), 0);
    unsigned int block = 77;
    EXPECT_EQ(ek_vor4_prop_get_block_size(noProp, &block), 0u);
    EXPECT_EQ(block, 77u);
    Captured caption;
    ek_vor4_prop_get_caption_w(noProp, caption.adapter());
    EXPECT_EQ(caption.feeds, 0);
    ek_vor4_prop_set_caption_w(noProp, L"x");
    ek_vor4_prop_close(noProp);
}

TEST(ApiNullProperty, StatisticsAndHistogramAnswerZero) {
    EXPECT_FALSE(ek_vor4_prop_get_statistic_exist(noProp));
    EXPECT_EQ(ek_vor4_prop_get_statistic_min(noProp), 0.0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_max(noProp), 0.0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_average(noProp), 0.0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_stddev(noProp), 0.0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count_64(noProp), 0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count_64(noProp), 0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count(noProp), 0);
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count(noProp), 0);
    ek_vor4_prop_statistic_update(noProp);
    EXPECT_FALSE(ek_vor4_prop_get_histogram_exist(noProp));
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgbndmin(noProp), 0.0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgbndmax(noProp), 0.0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgmin(noProp), 0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgmax(noProp), 0);
    EXPECT_EQ(ek_vor4_prop_get_histogram_hgdiapdata(noProp), nullptr);
    EXPECT_EQ(ek_vor4_prop_get_histogram_count(noProp), 0u);
    EXPECT_EQ(ek_vor4_prop_get_histogram_value(noProp, 0), 0);
    ek_vor4_prop_histogram_update(noProp);
}

TEST(ApiNullPaths, LifecycleFunctionsRefuseNullPaths) {
    EXPECT_EQ(ek_vor4_file_open(nullptr, true), nullptr);
    EXPECT_EQ(ek_vor4_file_open_w(nullptr, true), nullptr);
    EXPECT_EQ(ek_vor4_file_create(nullptr), nullptr);
    EXPECT_EQ(ek_vor4_file_create_w(nullptr), nullptr);
    EXPECT_FALSE(ek_vor4_delete_files(nullptr));
    EXPECT_FALSE(ek_vor4_copy_files(nullptr, L"/tmp/x.xml", true));
    EXPECT_FALSE(ek_vor4_copy_files(L"/tmp/x.xml", nullptr, true));
    EXPECT_EQ(ek_vor4_load_memory(nullptr), nullptr);
    EXPECT_EQ(ek_vor4_load_memory_w(nullptr), nullptr);
    EXPECT_EQ(ek_vor4_in_memory(nullptr), nullptr);
    EXPECT_EQ(ek_vor4_in_memory_w(nullptr), nullptr);
}

}  // namespace
