// The exported layer's own work: 32-bit counts and positions widened without sign, strides with
// sign, 64-bit results cut to their low 32 bits, clamped statistics counts, the index check of
// the attribute functions, and the output offset of the index read. A recording property and a
// probing document show exactly what reaches the object behind a handle.
#include <gtest/gtest.h>

#include <climits>

#include "api/api_test_support.h"
#include "ekx_file_vor4.h"

namespace {

using ek::test::Call;
using ek::test::ProbeDocument;
using ek::test::RecordingProperty;
using Args = std::vector<long long>;

constexpr unsigned int topBit = 0x80000001u;  // a count whose sign bit would be set as an int

class ApiWidening : public ::testing::Test {
protected:
    RecordingProperty p;
    TekVor4Property* h() { return &p; }
    float buf[4] = {};
};

TEST_F(ApiWidening, RunReadPassesCountsUnsignedAndStrideSigned) {
    p.result = 2;
    EXPECT_EQ(ek_vor4_prop_read(h(), 3000000000u, topBit, buf, 0xFFFFFFFFu, 4, -1), 2) << "result passed on";
    ASSERT_EQ(p.calls.size(), 1u);
    EXPECT_EQ(p.last().op, "read");
    EXPECT_EQ(p.last().args, (Args{3000000000LL, 2147483649LL, 4294967295LL, -1}));
    EXPECT_EQ(p.last().data, buf);
    EXPECT_EQ(p.last().type, 4);
    ek_vor4_prop_read_64(h(), -1, 1LL << 40, buf, 5, 1, 1LL << 33);
    EXPECT_EQ(p.last().args, (Args{-1, 1LL << 40, 5, 1LL << 33})) << "64-bit form passes values as given";
}

TEST_F(ApiWidening, WindowReadsPassEveryArgumentInOrder) {
    ek_vor4_prop_read2d(h(), 1, 2, topBit, 4, buf, 5, 6, 0, -2, -3);
    EXPECT_EQ(p.last().op, "read2d");
    EXPECT_EQ(p.last().args, (Args{1, 2, 2147483649LL, 4, 5, 6, -2, -3}));
    ek_vor4_prop_read3d(h(), 1, 2, 3, 4, 5, topBit, buf, 7, 8, 9, 2, -1, 0, -5);
    EXPECT_EQ(p.last().op, "read3d");
    EXPECT_EQ(p.last().args, (Args{1, 2, 3, 4, 5, 2147483649LL, 7, 8, 9, -1, 0, -5}));
    EXPECT_EQ(p.last().type, 2);
    ek_vor4_prop_read2d_64(h(), 1, 2, 3, 4, buf, 5, 6, 0, 7, 8);
    EXPECT_EQ(p.last().args, (Args{1, 2, 3, 4, 5, 6, 7, 8}));
    ek_vor4_prop_read3d_64(h(), 1, 2, 3, 4, 5, 6, buf, 7, 8, 9, 0, 10, 11, 12);
    EXPECT_EQ(p.last().args, (Args{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(ApiWidening, WritesPassEveryArgumentInOrder) {
    ek_vor4_prop_write(h(), topBit, buf, 0xFFFFFFFEu, 1, -1);
    EXPECT_EQ(p.last().op, "write");
    EXPECT_EQ(p.last().args, (Args{2147483649LL, 4294967294LL, -1}));
    EXPECT_EQ(p.last().data, buf);
    EXPECT_EQ(p.last().type, 1);
    ek_vor4_prop_write2d(h(), 1, topBit, buf, 3, 4, 0, -1, -4);
    EXPECT_EQ(p.last().args, (Args{1, 2147483649LL, 3, 4, -1, -4}));
    ek_vor4_prop_write3d(h(), 1, 2, topBit, buf, 4, 5, 6, 0, 1, -5, -30);
    EXPECT_EQ(p.last().args, (Args{1, 2, 2147483649LL, 4, 5, 6, 1, -5, -30}));
    ek_vor4_prop_write_64(h(), 1LL << 35, buf, 2, 0, 3);
    EXPECT_EQ(p.last().args, (Args{1LL << 35, 2, 3}));
    ek_vor4_prop_write2d_64(h(), 1, 2, buf, 3, 4, 0, 5, 6);
    EXPECT_EQ(p.last().args, (Args{1, 2, 3, 4, 5, 6}));
    ek_vor4_prop_write3d_64(h(), 1, 2, 3, buf, 4, 5, 6, 0, 7, 8, 9);
    EXPECT_EQ(p.last().args, (Args{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(ApiWidening, SingleValuesWidenTheIndexWithoutSign) {
    unsigned char b = 0;
    int i = 0;
    float f = 0;
    double d = 0;
    EXPECT_TRUE(ek_vor4_prop_get_value_byte(h(), topBit, &b));
    EXPECT_EQ(b, 200);
    EXPECT_TRUE(ek_vor4_prop_get_value_int(h(), 5, &i));
    EXPECT_EQ(i, -7);
    EXPECT_TRUE(ek_vor4_prop_get_value_single(h(), 6, &f));
    EXPECT_EQ(f, 2.5f);
    EXPECT_TRUE(ek_vor4_prop_get_value_double(h(), 0xFFFFFFFFu, &d));
    EXPECT_EQ(d, -1.25);
    ek_vor4_prop_set_value_byte(h(), topBit, 1);
    ek_vor4_prop_set_value_int(h(), 1, 1);
    ek_vor4_prop_set_value_single(h(), 2, 1);
    ek_vor4_prop_set_value_double(h(), 3, 1);
    ek_vor4_prop_set_value_nodata(h(), 0xFFFFFFFFu);
    std::vector<std::string> ops;
    std::vector<long long> indexes;
    for (const Call& c : p.calls) {
        ops.push_back(c.op);
        indexes.push_back(c.args[0]);
    }
    EXPECT_EQ(ops, (std::vector<std::string>{"getByte", "getInt", "getSingle", "getDouble", "setByte", "setInt",
                                             "setSingle", "setDouble", "setNull"}));
    EXPECT_EQ(indexes, (Args{2147483649LL, 5, 6, 4294967295LL, 2147483649LL, 1, 2, 3, 4294967295LL}));
}

TEST_F(ApiWidening, NullOutPointersAreRefusedBeforeTheCall) {
    EXPECT_FALSE(ek_vor4_prop_get_value_byte(h(), 0, nullptr));
    EXPECT_FALSE(ek_vor4_prop_get_value_int(h(), 0, nullptr));
    EXPECT_FALSE(ek_vor4_prop_get_value_single(h(), 0, nullptr));
    EXPECT_FALSE(ek_vor4_prop_get_value_double(h(), 0, nullptr));
    EXPECT_TRUE(p.calls.empty());
}

TEST_F(ApiWidening, SixtyFourBitResultsAreCutToTheirLowHalf) {
    p.objects = (5LL << 32) + 17;
    EXPECT_EQ(ek_vor4_prop_get_objcount(h()), 17u);
    EXPECT_EQ(ek_vor4_prop_get_objcount_64(h()), (5LL << 32) + 17);
    p.block = (1LL << 32) + 4096;
    unsigned int out = 0;
    EXPECT_EQ(ek_vor4_prop_get_block_size(h(), &out), 4096u);
    EXPECT_EQ(out, 4096u);
    EXPECT_EQ(ek_vor4_prop_get_block_size(h(), nullptr), 4096u) << "the out-pointer is optional";
    p.bins = (1LL << 32) + 100;
    EXPECT_EQ(ek_vor4_prop_get_histogram_count(h()), 100u);
}

TEST_F(ApiWidening, StatisticsCountsAreClampedNotCut) {
    p.valid = 3000000000LL;
    p.missing = 2147483647LL;
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count(h()), INT_MAX);
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count_64(h()), 3000000000LL);
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count(h()), INT_MAX);
    p.missing = 2147483648LL;
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count(h()), INT_MAX);
    p.missing = (1LL << 32) + 5;  // cutting would give 5
    EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count(h()), INT_MAX);
    p.valid = 12;
    EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count(h()), 12);
}

class ApiIndexCheck : public ::testing::Test {
protected:
    void SetUp() override { doc.handout = &p; }
    RecordingProperty p;
    ProbeDocument doc;
};

TEST_F(ApiIndexCheck, AnIndexEqualToTheCountIsRefusedBeforeGetProperty) {
    doc.count = 2;
    EXPECT_EQ(ek_vor4_get_prop_data_type(&doc, 2), 3);
    EXPECT_EQ(ek_vor4_get_prop_kind(&doc, 2), 0);
    EXPECT_STREQ(ek_vor4_get_prop_name(&doc, 2), "");
    EXPECT_STREQ(ek_vor4_get_prop_caption(&doc, 2), "");
    EXPECT_STREQ(ek_vor4_get_prop_precision(&doc, 0xFFFFFFFFu), "");
    EXPECT_FALSE(ek_vor4_prop_get_temp_status(&doc, 2));
    EXPECT_FALSE(ek_vor4_prop_file_exists(&doc, 2));
    EXPECT_EQ(ek_vor4_get_func_dx(&doc, 2), 0.0);
    EXPECT_EQ(ek_vor4_get_func_lx(&doc, 2), 0u);
    ek_vor4_set_prop_kind(&doc, 2, 5);
    ek_vor4_set_prop_data_type(&doc, 2, 4);
    ek_vor4_set_prop_caption(&doc, 2, "x");
    ek_vor4_set_prop_caption_w(&doc, 2, L"x");
    ek_vor4_set_prop_precision(&doc, 2, "3");
    ek_vor4_set_prop_precision_w(&doc, 2, L"3");
    ek_vor4_prop_set_temp_status(&doc, 2, true);
    ek_vor4_set_func_x0(&doc, 2, 9.0);
    ek_vor4_set_func_lz(&doc, 2, 9);
    ek::test::Captured name, file;
    ek_vor4_get_prop_name_w(&doc, 2, name.adapter());
    ek_vor4_prop_get_prop_file_name_w(&doc, 2, file.adapter());
    EXPECT_EQ(name.narrow, "");
    EXPECT_EQ(file.feeds, 0);
    EXPECT_EQ(doc.getPropertyCalls, 0) << "the property is never fetched for an index at the count";
    EXPECT_EQ(p.getPropKind(), 0);
    EXPECT_EQ(p.getCaption(), "");
    EXPECT_FALSE(p.getTemp());
}

TEST_F(ApiIndexCheck, AnIndexBelowTheCountReachesTheProperty) {
    doc.count = 2;
    ek_vor4_set_prop_kind(&doc, 1, 5);
    EXPECT_EQ(ek_vor4_get_prop_kind(&doc, 1), 5);
    ek_vor4_set_prop_caption(&doc, 1, "\xC3\xEB\xF3\xE1\xE8\xED\xE0");  // "Глубина" in the code page
    EXPECT_EQ(p.getCaptionW(), L"Глубина") << "narrow captions are converted through the code page";
    p.funcL = (3LL << 32) + 11;
    EXPECT_EQ(ek_vor4_get_func_lx(&doc, 0), 11u);
    EXPECT_EQ(ek_vor4_get_func_ly(&doc, 0), 11u);
    EXPECT_EQ(ek_vor4_get_func_lz(&doc, 0), 11u);
    EXPECT_EQ(doc.getPropertyCalls, 6);
}

TEST_F(ApiIndexCheck, PropOpenLeavesTheCheckToTheDocument) {
    doc.count = 0;
    EXPECT_EQ(ek_vor4_prop_open(&doc, 7), &p) << "no check of its own: the document answers";
}

TEST(ApiIndexReads, OutputAlwaysStartsAtTheFirstElement) {
    ProbeDocument doc;
    long long dst[4];
    EXPECT_EQ(ek_vor4_read_index_64(&doc, 10, 4, dst, 4, 3), 0);
    ASSERT_EQ(doc.calls.size(), 1u);
    EXPECT_EQ(doc.calls[0].args, (Args{10, 4, 0, 4, 3})) << "start, count, offset 0, dstCount, step";
    EXPECT_EQ(doc.calls[0].data, dst);
    ek_vor4_read_index2d_64(&doc, 1, 2, 3, 4, dst, 5, 6, 7, 8);
    EXPECT_EQ(doc.calls[1].args, (Args{1, 2, 3, 4, 5, 6, 7, 8}));
    ek_vor4_read_index3d_64(&doc, 1, 2, 3, 4, 5, 6, dst, 7, 8, 9, 10, 11, 12);
    EXPECT_EQ(doc.calls[2].args, (Args{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(ApiDimensions, ThirtyTwoBitFormsGiveTheLowHalf) {
    ProbeDocument doc;
    doc.sizes[0] = (1LL << 32) + 3;
    doc.sizes[1] = 4294967295LL;
    doc.sizes[2] = 1LL << 32;
    unsigned int dims[3] = {9, 9, 9};
    ek_vor4_get_dimensions(&doc, dims);
    EXPECT_EQ(dims[0], 3u);
    EXPECT_EQ(dims[1], 4294967295u);
    EXPECT_EQ(dims[2], 0u);
    long long dims64[3];
    ek_vor4_get_dimensions_64(&doc, dims64);
    EXPECT_EQ(dims64[0], (1LL << 32) + 3);
    EXPECT_EQ(ek_vor4_get_pic(&doc), 3u);
    EXPECT_EQ(ek_vor4_get_pic_64(&doc), (1LL << 32) + 3);
    EXPECT_EQ(ek_vor4_get_prf(&doc), 4294967295u);
    EXPECT_EQ(ek_vor4_get_picz(&doc), 0u);
    ek_vor4_get_dimensions(&doc, nullptr);
    ek_vor4_set_dimensions(&doc, nullptr);
    ek_vor4_set_dimensions_64(&doc, nullptr);
}

}  // namespace
