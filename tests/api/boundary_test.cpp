// The exported layer's own work: failure values for null handles and for property indexes at or
// past the count, and what reaches the object behind a handle (32-bit counts widened without
// sign, strides with sign, 64-bit results cut to their low half or clamped).
#include <gtest/gtest.h>

#include <climits>

#include "api/api_test_support.h"

namespace {

using ek::test::Captured;
TekVor4* const D0 = nullptr;
TekVor4Property* const P0 = nullptr;
constexpr unsigned int top = 0x80000001u;  // a count whose sign bit would be set as an int

struct Row {
    const char* call;
    bool ok;
};
#define IS(call, expected) Row{#call, (call) == (expected)}
void check(std::initializer_list<Row> rows, const std::string& where = "") {
    for (const Row& r : rows) EXPECT_TRUE(r.ok) << r.call << where;
}

// A null handle or path gives the failure value; setters and actions return (a crash fails).
TEST(ApiBoundary, NullHandlesGiveFailureValues) {
    unsigned char b = 9;
    int i = 9;
    float f = 9;
    double d = 9;
    unsigned int u = 9, dims[3] = {9, 9, 9};
    long long dims64[3] = {9, 9, 9};
    ek_vor4_get_dimensions(D0, dims), ek_vor4_get_dimensions_64(D0, dims64);
    check({IS(ek_vor4_get_grid_type(D0), 0), IS(ek_vor4_get_x0(D0), 0.0), IS(ek_vor4_get_y0(D0), 0.0),
           IS(ek_vor4_get_z0(D0), 0.0), IS(ek_vor4_get_dx(D0), 1.0), IS(ek_vor4_get_dy(D0), 1.0),
           IS(ek_vor4_get_dz(D0), 1.0), IS(ek_vor4_get_azimuth(D0), 0.0), IS(ek_vor4_get_earthplane(D0), false),
           IS(ek_vor4_get_pic(D0), 1u), IS(ek_vor4_get_pic_64(D0), 1), IS(ek_vor4_get_prf(D0), 1u),
           IS(ek_vor4_get_prf_64(D0), 1), IS(ek_vor4_get_picz(D0), 1u), IS(ek_vor4_get_picz_64(D0), 1),
           IS(ek_vor4_get_object_count(D0), 0u), IS(ek_vor4_get_object_count_64(D0), 0),
           IS(ek_vor4_get_maskpropindex(D0), -1), IS(ek_vor4_get_xpropindex(D0), -1),
           IS(ek_vor4_get_ypropindex(D0), -1), IS(ek_vor4_get_zpropindex(D0), -1), IS(ek_vor4_get_prop_count(D0), 0u),
           IS(dims[0] + dims[1] + dims[2] + dims64[0] + dims64[1] + dims64[2], 54),
           IS(ek_vor4_get_index_by_name(D0, "A"), -1), IS(ek_vor4_get_index_by_name_w(D0, L"A"), -1),
           IS(ek_vor4_get_index_by_caption(D0, "A"), -1), IS(ek_vor4_get_index_by_caption_w(D0, L"A"), -1),
           IS(ek_vor4_prop_add(D0, "A", 0, 0, false), P0), IS(ek_vor4_prop_add_w(D0, L"A", 0, 0, false), P0),
           IS(ek_vor4_prop_add_binary(D0, "A", 0, 0, "/tmp/x", true, false), P0),
           IS(ek_vor4_prop_add_binary_w(D0, L"A", 0, 0, L"/tmp/x", true, false), P0), IS(ek_vor4_prop_open(D0, 0), P0),
           IS(ek_vor_generate_unin_name(D0, "A"), (const char*)nullptr),
           IS(ek_vor4_read_index_64(D0, 0, 4, nullptr, 4, 1), 4),
           IS(ek_vor4_read_index2d_64(D0, 0, 0, 2, 2, nullptr, 2, 2, 1, 0), 4),
           IS(ek_vor4_read_index3d_64(D0, 0, 0, 0, 1, 2, 2, nullptr, 1, 2, 2, 1, 0, 0), 4),
           IS(ek_vor4_read(D0, 0, 2, nullptr, 2, 0, 2, nullptr, 0, 0), 1),
           IS(ek_vor4_read2d(D0, 0, 0, 1, 1, nullptr, 1, 1, 0, 1, nullptr, 0, 0, 0), 1),
           IS(ek_vor4_read3d(D0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, 0, 1, nullptr, 0, 0, 0, 0), 1),
           IS(ek_vor4_prop_read(P0, 0, 1, nullptr, 1, 0, 1), 4),
           IS(ek_vor4_prop_read_64(P0, 0, 1, nullptr, 1, 0, 1), 4),
           IS(ek_vor4_prop_read2d(P0, 0, 0, 1, 1, nullptr, 1, 1, 0, 1, 1), 4),
           IS(ek_vor4_prop_read2d_64(P0, 0, 0, 1, 1, nullptr, 1, 1, 0, 1, 1), 4),
           IS(ek_vor4_prop_read3d(P0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, 0, 1, 1, 1), 4),
           IS(ek_vor4_prop_read3d_64(P0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, 0, 1, 1, 1), 4),
           IS(ek_vor4_prop_write(P0, 0, nullptr, 1, 0, 1), 4), IS(ek_vor4_prop_write_64(P0, 0, nullptr, 1, 0, 1), 4),
           IS(ek_vor4_prop_write2d(P0, 0, 0, nullptr, 1, 1, 0, 1, 1), 4),
           IS(ek_vor4_prop_write2d_64(P0, 0, 0, nullptr, 1, 1, 0, 1, 1), 4),
           IS(ek_vor4_prop_write3d(P0, 0, 0, 0, nullptr, 1, 1, 1, 0, 1, 1, 1), 4),
           IS(ek_vor4_prop_write3d_64(P0, 0, 0, 0, nullptr, 1, 1, 1, 0, 1, 1, 1), 4),
           IS(ek_vor4_prop_get_value_byte(P0, 0, &b), false), IS(ek_vor4_prop_get_value_int(P0, 0, &i), false),
           IS(ek_vor4_prop_get_value_single(P0, 0, &f), false), IS(ek_vor4_prop_get_value_double(P0, 0, &d), false),
           IS(ek_vor4_prop_get_block_size(P0, &u), 0u), IS(b + i + f + d + u, 45),
           IS(ek_vor4_prop_get_objcount(P0), 0u), IS(ek_vor4_prop_get_objcount_64(P0), 0),
           IS(ek_vor4_prop_get_statistic_exist(P0), false), IS(ek_vor4_prop_get_statistic_min(P0), 0.0),
           IS(ek_vor4_prop_get_statistic_max(P0), 0.0), IS(ek_vor4_prop_get_statistic_average(P0), 0.0),
           IS(ek_vor4_prop_get_statistic_stddev(P0), 0.0), IS(ek_vor4_prop_get_statistic_indef_count_64(P0), 0),
           IS(ek_vor4_prop_get_statistic_vals_count_64(P0), 0), IS(ek_vor4_prop_get_statistic_indef_count(P0), 0),
           IS(ek_vor4_prop_get_statistic_vals_count(P0), 0), IS(ek_vor4_prop_get_histogram_exist(P0), false),
           IS(ek_vor4_prop_get_histogram_hgbndmin(P0), 0.0), IS(ek_vor4_prop_get_histogram_hgbndmax(P0), 0.0),
           IS(ek_vor4_prop_get_histogram_hgmin(P0), 0), IS(ek_vor4_prop_get_histogram_hgmax(P0), 0),
           IS(ek_vor4_prop_get_histogram_count(P0), 0u),
           IS(ek_vor4_prop_get_histogram_hgdiapdata(P0), (const char*)nullptr),
           IS(ek_vor4_prop_get_histogram_value(P0, 0), 0), IS(ek_vor4_file_open(nullptr, true), D0),
           IS(ek_vor4_file_open_w(nullptr, true), D0), IS(ek_vor4_file_create(nullptr), D0),
           IS(ek_vor4_file_create_w(nullptr), D0), IS(ek_vor4_delete_files(nullptr), false),
           IS(ek_vor4_copy_files(nullptr, L"/tmp/x.xml", true), false),
           IS(ek_vor4_copy_files(L"/tmp/x.xml", nullptr, true), false), IS(ek_vor4_load_memory(nullptr), D0),
           IS(ek_vor4_load_memory_w(nullptr), D0), IS(ek_vor4_in_memory(nullptr), D0),
           IS(ek_vor4_in_memory_w(nullptr), D0), IS(ek_vor_notifier_begin_update(nullptr), 0u),
           IS(ek_vor_notifier_get_update_event_channel(nullptr), (Tek_event_channel*)nullptr)});
    Captured fed;
    ek_vor_generate_unin_name_w(D0, L"A", fed.adapter), ek_vor_generate_unin_capt_w(D0, L"A", fed.adapter);
    ek_vor4_prop_get_caption_w(P0, fed.adapter);
    EXPECT_EQ(fed.feeds, 0) << "nothing fed";
    ek_vor4_set_gridtype(D0, 3), ek_vor4_set_grid_type(D0, 3), ek_vor4_set_x0(D0, 1), ek_vor4_set_y0(D0, 1);
    ek_vor4_set_z0(D0, 1), ek_vor4_set_dx(D0, 1), ek_vor4_set_dy(D0, 1), ek_vor4_set_dz(D0, 1);
    ek_vor4_set_azimuth(D0, 1), ek_vor4_set_earthplane(D0, true), ek_vor4_set_dimensions(D0, dims);
    ek_vor4_set_dimensions_64(D0, dims64), ek_vor4_set_maskpropindex(D0, 0), ek_vor4_set_xpropindex(D0, 0);
    ek_vor4_set_ypropindex(D0, 0), ek_vor4_set_zpropindex(D0, 0), ek_vor4_pack(D0), ek_vor4_assign_description(D0, D0);
    ek_vor4_prop_delete(D0, 0), ek_vor4_prop_delete_list(D0, 0), ek_vor4_file_close(D0), ek_vor4_free_memory(D0);
    ek_vor4_prop_set_value_byte(P0, 0, 1), ek_vor4_prop_set_value_int(P0, 0, 1), ek_vor4_prop_set_value_nodata(P0, 0);
    ek_vor4_prop_set_value_single(P0, 0, 1), ek_vor4_prop_set_value_double(P0, 0, 1), ek_vor4_prop_close(P0);
    ek_vor4_prop_set_caption_w(P0, L"x"), ek_vor4_prop_statistic_update(P0), ek_vor4_prop_histogram_update(P0);
    ek_vor_notifier_end_update(nullptr), ek_vor_notifier_changed(nullptr), ek_destroy_vor_notifier(nullptr);
}

// The by-index attribute functions refuse a null handle and any index not below the count before
// the property is fetched: the probe hands out a property for every index it is asked for.
TEST(ApiBoundary, AttributeFunctionsCheckTheIndexFirst) {
    ek::test::RecordingProperty p;
    ek::test::ProbeDocument doc;
    doc.handout = &p;
    for (const auto& [h, i] : {std::pair<TekVor4*, unsigned>{D0, 0}, {&doc, 2}, {&doc, 0xFFFFFFFFu}}) {
        Captured name, caption, precision, file;
        ek_vor4_get_prop_name_w(h, i, name.adapter), ek_vor4_get_prop_caption_w(h, i, caption.adapter);
        ek_vor4_get_prop_precision_w(h, i, precision.adapter), ek_vor4_prop_get_prop_file_name_w(h, i, file.adapter);
        ek_vor4_set_prop_kind(h, i, 5), ek_vor4_set_prop_data_type(h, i, 4), ek_vor4_set_prop_caption(h, i, "x");
        ek_vor4_set_prop_caption_w(h, i, L"x"), ek_vor4_set_prop_precision(h, i, "3");
        ek_vor4_set_prop_precision_w(h, i, L"3"), ek_vor4_prop_set_temp_status(h, i, true);
        ek_vor4_set_func_x0(h, i, 9), ek_vor4_set_func_y0(h, i, 9), ek_vor4_set_func_z0(h, i, 9);
        ek_vor4_set_func_dx(h, i, 9), ek_vor4_set_func_dy(h, i, 9), ek_vor4_set_func_dz(h, i, 9);
        ek_vor4_set_func_lx(h, i, 9), ek_vor4_set_func_ly(h, i, 9), ek_vor4_set_func_lz(h, i, 9);
        check({IS(ek_vor4_get_prop_kind(h, i), 0), IS(ek_vor4_get_prop_data_type(h, i), 3),
               IS(std::string(ek_vor4_get_prop_name(h, i)), ""), IS(std::string(ek_vor4_get_prop_caption(h, i)), ""),
               IS(std::string(ek_vor4_get_prop_precision(h, i)), ""), IS(ek_vor4_prop_get_temp_status(h, i), false),
               IS(ek_vor4_prop_file_exists(h, i), false), IS(ek_vor4_get_func_x0(h, i), 0.0),
               IS(ek_vor4_get_func_y0(h, i), 0.0), IS(ek_vor4_get_func_z0(h, i), 0.0),
               IS(ek_vor4_get_func_dx(h, i), 0.0), IS(ek_vor4_get_func_dy(h, i), 0.0),
               IS(ek_vor4_get_func_dz(h, i), 0.0), IS(ek_vor4_get_func_lx(h, i), 0u), IS(ek_vor4_get_func_ly(h, i), 0u),
               IS(ek_vor4_get_func_lz(h, i), 0u), IS(name.text, "w:"), IS(caption.text, "w:"), IS(precision.text, "w:"),
               IS(file.feeds, 0)},
              " at index " + std::to_string(i));
    }
    EXPECT_EQ(doc.fetched, 0) << "the property is never fetched";
    EXPECT_TRUE(p.getPropKind() == 0 && p.getCaption().empty() && !p.getTemp() && p.getFuncX0() == 0) << "nor changed";

    // Below the count the property is reached, and a narrow caption goes through the host's encoding.
    ek_vor4_set_prop_kind(&doc, 1, 5);
    EXPECT_EQ(ek_vor4_get_prop_kind(&doc, 1), 5);
    ek_vor4_set_prop_caption(&doc, 1, "\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0");
    EXPECT_EQ(p.getCaptionW(), L"Глубина");
    p.funcL = (3LL << 32) + 11;
    EXPECT_EQ(std::vector<unsigned>({ek_vor4_get_func_lx(&doc, 0), ek_vor4_get_func_ly(&doc, 0),
                                     ek_vor4_get_func_lz(&doc, 0)}), (std::vector<unsigned>{11, 12, 13}));
    doc.count = 0;
    EXPECT_EQ(ek_vor4_prop_open(&doc, 7), &p) << "prop_open leaves the check to the document";
}

// 32-bit positions, sizes and counts reach the property widened without sign, strides with sign
// (through the 64-bit forms); the property's result code comes back unchanged.
TEST(ApiBoundary, DataCallsReachThePropertyAsGiven) {
    ek::test::RecordingProperty p;
    float v[4] = {};
    p.buffer = v;
    p.result = 2;
    unsigned char b;
    int i;
    float f;
    double d;
    const std::pair<int, const char*> rows[] = {
        {ek_vor4_prop_read(&p, 3000000000u, top, v, ~0u, 4, -1), "read 3000000000 2147483649 4294967295 4 -1 buf"},
        {ek_vor4_prop_read2d(&p, 1, 2, top, 4, v, 5, 6, 0, -2, -3), "read2d 1 2 2147483649 4 5 6 0 -2 -3 buf"},
        {ek_vor4_prop_read3d(&p, 1, 2, 3, 4, 5, top, v, 7, 8, 9, 2, -1, 0, -5),
         "read3d 1 2 3 4 5 2147483649 7 8 9 2 -1 0 -5 buf"},
        {ek_vor4_prop_write(&p, top, v, 0xFFFFFFFEu, 1, -1), "write 2147483649 4294967294 1 -1 buf"},
        {ek_vor4_prop_write2d(&p, 1, top, v, 3, 4, 0, -1, -4), "write2d 1 2147483649 3 4 0 -1 -4 buf"},
        {ek_vor4_prop_write3d(&p, 1, 2, top, v, 4, 5, 6, 0, 1, -5, -30), "write3d 1 2 2147483649 4 5 6 0 1 -5 -30 buf"},
        {ek_vor4_prop_get_value_byte(&p, top, &b) && b == 200 ? 2 : 0, "getByte 2147483649"},
        {ek_vor4_prop_get_value_int(&p, 5, &i) && i == -7 ? 2 : 0, "getInt 5"},
        {ek_vor4_prop_get_value_single(&p, 6, &f) && f == 2.5f ? 2 : 0, "getSingle 6"},
        {ek_vor4_prop_get_value_double(&p, ~0u, &d) && d == -1.25 ? 2 : 0, "getDouble 4294967295"},
        {(ek_vor4_prop_set_value_byte(&p, top, 1), 2), "setByte 2147483649 1"},
        {(ek_vor4_prop_set_value_int(&p, 1, -3), 2), "setInt 1 -3"},
        {(ek_vor4_prop_set_value_single(&p, 2, 4), 2), "setSingle 2 4"},
        {(ek_vor4_prop_set_value_double(&p, 3, 5), 2), "setDouble 3 5"},
        {(ek_vor4_prop_set_value_nodata(&p, ~0u), 2), "setNull 4294967295"}};
    ASSERT_EQ(p.log.size(), std::size(rows));
    for (size_t k = 0; k < std::size(rows); ++k) {
        EXPECT_EQ(rows[k].first, 2) << rows[k].second;
        EXPECT_EQ(p.log[k], rows[k].second);
    }
    EXPECT_FALSE(ek_vor4_prop_get_value_byte(&p, 0, nullptr) || ek_vor4_prop_get_value_int(&p, 0, nullptr) ||
                 ek_vor4_prop_get_value_single(&p, 0, nullptr) || ek_vor4_prop_get_value_double(&p, 0, nullptr));
    EXPECT_EQ(p.log.size(), std::size(rows)) << "a null out-pointer is refused before the call";
}

// 64-bit sizes and counts: the 32-bit getters give the low half; the statistics counts clamp.
TEST(ApiBoundary, WideResultsAreCutOrClamped) {
    ek::test::ProbeDocument doc;
    doc.sizes[0] = (1LL << 32) + 3, doc.sizes[1] = 4294967295LL, doc.sizes[2] = 1LL << 32;
    unsigned int dims[3] = {9, 9, 9};
    long long dims64[3] = {};
    ek_vor4_get_dimensions(&doc, dims), ek_vor4_get_dimensions_64(&doc, dims64);
    EXPECT_EQ(std::vector<long long>({dims[0], dims[1], dims[2], dims64[0], ek_vor4_get_pic(&doc),
                                      ek_vor4_get_pic_64(&doc), ek_vor4_get_prf(&doc), ek_vor4_get_picz(&doc)}),
              (std::vector<long long>{3, 4294967295, 0, (1LL << 32) + 3, 3, (1LL << 32) + 3, 4294967295, 0}));
    ek_vor4_get_dimensions(&doc, nullptr), ek_vor4_set_dimensions(&doc, nullptr);
    ek_vor4_set_dimensions_64(&doc, nullptr);

    ek::test::RecordingProperty p;
    p.objects = (5LL << 32) + 17, p.block = (1LL << 32) + 4096, p.bins = (1LL << 32) + 100;
    unsigned int out = 0;
    EXPECT_EQ(std::vector<long long>({ek_vor4_prop_get_objcount(&p), ek_vor4_prop_get_objcount_64(&p),
                                      ek_vor4_prop_get_block_size(&p, &out), out,
                                      ek_vor4_prop_get_block_size(&p, nullptr), ek_vor4_prop_get_histogram_count(&p)}),
              (std::vector<long long>{17, (5LL << 32) + 17, 4096, 4096, 4096, 100}));
    for (const auto& [count, clamped] : {std::pair<long long, int>{12, 12}, {INT_MAX, INT_MAX},
                                         {2147483648LL, INT_MAX}, {(1LL << 32) + 5, INT_MAX}}) {
        p.valid = count, p.missing = count;
        EXPECT_EQ(ek_vor4_prop_get_statistic_vals_count(&p), clamped) << count;
        EXPECT_EQ(ek_vor4_prop_get_statistic_indef_count(&p), clamped) << count;
    }
}

}  // namespace
