// The exported layer's own work: failure values for null handles and for indexes past the count, and
// what reaches the property (counts widened without sign, strides with sign, results cut or clamped).
#include <climits>

#include "api/api_test_support.h"

namespace {

using ek::test::Captured, ek::test::values;
TekVor4* const D0 = nullptr;
TekVor4Property* const P0 = nullptr;
constexpr unsigned int top = 0x80000001u;  // a count whose sign bit would be set as an int

// Every call of the list gives `expected`; a failure names the call by its place in the list.
template <class T, class... V> void all(const char* calls, T expected, V... got) {
    int k = 0;
    for (bool ok : {(got == expected)...}) EXPECT_TRUE(ok) << "call " << k++ << " of: " << calls;
}
#define ALL(expected, ...) all(#__VA_ARGS__, expected, __VA_ARGS__)

// A null handle or path gives the failure value; setters and actions return (a crash fails).
TEST(ApiBoundary, NullHandlesGiveFailureValues) {
    unsigned char b = 9;
    int i = 9;
    float f = 9;
    double d = 9;
    unsigned int u = 9, dims[3] = {9, 9, 9};
    long long dims64[3] = {9, 9, 9};
    ek_vor4_get_dimensions(D0, dims), ek_vor4_get_dimensions_64(D0, dims64);
    ALL(0.0, ek_vor4_get_x0(D0), ek_vor4_get_y0(D0), ek_vor4_get_z0(D0), ek_vor4_get_azimuth(D0),
        ek_vor4_prop_get_statistic_min(P0), ek_vor4_prop_get_statistic_max(P0), ek_vor4_prop_get_statistic_average(P0),
        ek_vor4_prop_get_statistic_stddev(P0), ek_vor4_prop_get_histogram_hgbndmin(P0),
        ek_vor4_prop_get_histogram_hgbndmax(P0));
    ALL(1.0, ek_vor4_get_dx(D0), ek_vor4_get_dy(D0), ek_vor4_get_dz(D0));
    ALL(1LL, ek_vor4_get_pic(D0), ek_vor4_get_prf(D0), ek_vor4_get_picz(D0));
    ALL(0LL, ek_vor4_get_grid_type(D0), ek_vor4_get_object_count(D0), ek_vor4_get_prop_count(D0),
        ek_vor4_prop_get_block_size(P0, &u), ek_vor4_prop_get_objcount(P0), ek_vor4_prop_get_statistic_indef_count(P0),
        ek_vor4_prop_get_statistic_vals_count(P0), ek_vor4_prop_get_histogram_hgmin(P0),
        ek_vor4_prop_get_histogram_hgmax(P0), ek_vor4_prop_get_histogram_count(P0),
        ek_vor4_prop_get_histogram_value(P0, 0), ek_vor_notifier_begin_update(nullptr));
    ALL(false, ek_vor4_get_earthplane(D0), ek_vor4_prop_get_value_byte(P0, 0, &b), ek_vor4_prop_get_value_int(P0, 0, &i),
        ek_vor4_prop_get_value_single(P0, 0, &f), ek_vor4_prop_get_value_double(P0, 0, &d),
        ek_vor4_prop_get_statistic_exist(P0), ek_vor4_prop_get_histogram_exist(P0), ek_vor4_delete_files(nullptr),
        ek_vor4_copy_files(nullptr, L"/tmp/x.xml", true), ek_vor4_copy_files(L"/tmp/x.xml", nullptr, true));
    ALL(-1, ek_vor4_get_maskpropindex(D0), ek_vor4_get_xpropindex(D0), ek_vor4_get_ypropindex(D0),
        ek_vor4_get_zpropindex(D0), ek_vor4_get_index_by_name(D0, "A"), ek_vor4_get_index_by_name_w(D0, L"A"),
        ek_vor4_get_index_by_caption(D0, "A"), ek_vor4_get_index_by_caption_w(D0, L"A"));
    ALL(P0, ek_vor4_prop_add(D0, "A", 0, 0, false), ek_vor4_prop_add_w(D0, L"A", 0, 0, false),
        ek_vor4_prop_add_binary(D0, "A", 0, 0, "/tmp/x", true, false), ek_vor4_prop_open(D0, 0),
        ek_vor4_prop_add_binary_w(D0, L"A", 0, 0, L"/tmp/x", true, false));
    ALL(D0, ek_vor4_file_open(nullptr, true), ek_vor4_file_open_w(nullptr, true), ek_vor4_file_create(nullptr),
        ek_vor4_file_create_w(nullptr), ek_vor4_load_memory(nullptr), ek_vor4_load_memory_w(nullptr),
        ek_vor4_in_memory(nullptr), ek_vor4_in_memory_w(nullptr));
    ALL((const void*)nullptr, (const void*)ek_vor_generate_unin_name(D0, "A"),
        (const void*)ek_vor4_prop_get_histogram_hgdiapdata(P0), (const void*)ek_vor_notifier_get_update_event_channel(nullptr));
    ALL(1, ek_vor4_read(D0, 0, 2, nullptr, 2, 0, 2, nullptr, 0, 0),
        ek_vor4_read2d(D0, 0, 0, 1, 1, nullptr, 1, 1, 0, 1, nullptr, 0, 0, 0),
        ek_vor4_read3d(D0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, 0, 1, nullptr, 0, 0, 0, 0));
    ALL(4, ek_vor4_read_index_64(D0, 0, 4, nullptr, 4, 1), ek_vor4_read_index2d_64(D0, 0, 0, 2, 2, nullptr, 2, 2, 1, 0),
        ek_vor4_read_index3d_64(D0, 0, 0, 0, 1, 2, 2, nullptr, 1, 2, 2, 1, 0, 0),
        ek_vor4_prop_read(P0, 0, 1, nullptr, 1, 0, 1), ek_vor4_prop_read2d(P0, 0, 0, 1, 1, nullptr, 1, 1, 0, 1, 1),
        ek_vor4_prop_read3d(P0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, 0, 1, 1, 1), ek_vor4_prop_write(P0, 0, nullptr, 1, 0, 1),
        ek_vor4_prop_write2d(P0, 0, 0, nullptr, 1, 1, 0, 1, 1), ek_vor4_prop_write3d(P0, 0, 0, 0, nullptr, 1, 1, 1, 0, 1, 1, 1));
    EXPECT_EQ(b + i + f + d + u + dims[0] + dims[1] + dims[2] + dims64[0] + dims64[1] + dims64[2], 99) << "no output";
    Captured fed;
    ek_vor_generate_unin_name_w(D0, L"A", fed.adapter), ek_vor_generate_unin_capt_w(D0, L"A", fed.adapter);
    ek_vor4_prop_get_caption_w(P0, fed.adapter);
    EXPECT_EQ(fed.feeds, 0) << "nothing fed";
    ek_vor4_set_gridtype(D0, 3), ek_vor4_set_grid_type(D0, 3), ek_vor4_set_x0(D0, 1), ek_vor4_set_y0(D0, 1), ek_vor4_set_z0(D0, 1);
    ek_vor4_set_dx(D0, 1), ek_vor4_set_dy(D0, 1), ek_vor4_set_dz(D0, 1), ek_vor4_set_azimuth(D0, 1), ek_vor4_pack(D0);
    ek_vor4_set_earthplane(D0, true), ek_vor4_set_dimensions(D0, dims), ek_vor4_set_dimensions_64(D0, dims64);
    ek_vor4_set_maskpropindex(D0, 0), ek_vor4_set_xpropindex(D0, 0), ek_vor4_set_ypropindex(D0, 0), ek_vor4_set_zpropindex(D0, 0);
    ek_vor4_assign_description(D0, D0), ek_vor4_prop_delete(D0, 0), ek_vor4_prop_delete_list(D0, 0), ek_vor4_file_close(D0);
    ek_vor4_free_memory(D0), ek_vor4_prop_set_value_byte(P0, 0, 1), ek_vor4_prop_set_value_int(P0, 0, 1), ek_vor4_prop_close(P0);
    ek_vor4_prop_set_value_nodata(P0, 0), ek_vor4_prop_set_value_single(P0, 0, 1), ek_vor4_prop_set_value_double(P0, 0, 1);
    ek_vor4_prop_set_caption_w(P0, L"x"), ek_vor4_prop_statistic_update(P0), ek_vor4_prop_histogram_update(P0);
    ek_vor_notifier_end_update(nullptr), ek_vor_notifier_changed(nullptr), ek_destroy_vor_notifier(nullptr);
}

// One numeric attribute: its exported setter and getter, failure value and a value of its own.
using Attribute = std::tuple<const char*, void (*)(TekVor4*, unsigned), double (*)(TekVor4*, unsigned), double, double>;
#define ATTR(field, value, failure)                                                    \
    Attribute{#field, [](TekVor4* h, unsigned i) { ek_vor4_set_##field(h, i, value); }, \
              [](TekVor4* h, unsigned i) { return double(ek_vor4_get_##field(h, i)); }, failure, value}

// A null handle or an index not below the count is refused before the property is fetched (the probe
// hands out one for every index); below it each function reaches its own field, narrow text as UTF-8.
TEST(ApiBoundary, AttributeFunctionsCheckTheIndexThenReachTheirField) {
    ek::test::RecordingProperty p;
    ek::test::ProbeDocument doc;
    doc.handout = &p, p.setName(std::wstring(L"Depth"));
    const Attribute numeric[] = {ATTR(prop_kind, 5, 0), ATTR(prop_data_type, 4, 3), ATTR(func_x0, 0.1, 0), ATTR(func_y0, 0.2, 0),
        ATTR(func_z0, 0.3, 0), ATTR(func_dx, 0.4, 0), ATTR(func_dy, 0.5, 0), ATTR(func_dz, 0.6, 0),
        ATTR(func_lx, 4000000000u, 0), ATTR(func_ly, 7, 0), ATTR(func_lz, 9, 0)};
    for (const auto& [h, i] : {std::pair<TekVor4*, unsigned>{D0, 0}, {&doc, 2}, {&doc, 0xFFFFFFFFu}, {&doc, 1}}) {
        const bool no = h != &doc || i != 1;  // refused
        SCOPED_TRACE("index " + std::to_string(i) + (h ? "" : " of a null handle"));
        for (const auto& [name, set, get, failure, value] : numeric) {
            set(h, i);
            EXPECT_EQ(get(h, i), no ? failure : value) << name;
        }
        ek_vor4_prop_set_temp_status(h, i, true), ek_vor4_set_prop_precision(h, i, "0.00");
        ek_vor4_set_prop_caption(h, i, "\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0");
        Captured name, caption, precision, file;
        ek_vor4_get_prop_name_w(h, i, name.adapter), ek_vor4_get_prop_caption_w(h, i, caption.adapter);
        ek_vor4_get_prop_precision_w(h, i, precision.adapter), ek_vor4_prop_get_prop_file_name_w(h, i, file.adapter);
        EXPECT_EQ(ek_vor4_prop_get_temp_status(h, i), !no);
        EXPECT_FALSE(ek_vor4_prop_file_exists(h, i));
        EXPECT_EQ(name.text + " " + precision.text + " " + ek_vor4_get_prop_name(h, i), no ? "w: w: " : "w:Depth w:0.00 Depth");
        EXPECT_EQ(caption.wide, no ? L"" : L"Глубина");
        EXPECT_EQ(file.wide + std::to_wstring(file.feeds), no ? L"0" : L"/nonexistent-ekx-folder/recording.property1");
        ek_vor4_set_prop_caption_w(h, i, L"Plain"), ek_vor4_set_prop_precision_w(h, i, L"0.000");
        EXPECT_EQ(std::string(ek_vor4_get_prop_caption(h, i)) + " " + ek_vor4_get_prop_precision(h, i), no ? " " : "Plain 0.000");
        EXPECT_EQ(doc.fetched == 0, no) << "the property is fetched only below the count";
    }
    EXPECT_EQ(p.getFuncLX(), 4000000000LL) << "a 32-bit value widened without sign";
    p.setFuncLX((3LL << 32) + 11), doc.count = 0;
    EXPECT_EQ(ek_vor4_get_func_lx(&doc, 0), 0u) << "no index is below a count of 0";
    doc.count = 1;
    EXPECT_EQ(ek_vor4_get_func_lx(&doc, 0), 11u) << "the low half";
    EXPECT_EQ(ek_vor4_prop_open(&doc, 7), &p) << "prop_open leaves the check to the document";
}

// The property's result code comes back unchanged.
TEST(ApiBoundary, DataCallsReachThePropertyAsGiven) {
    ek::test::RecordingProperty p;
    float v[4] = {};
    p.buffer = v, p.result = 2;
    const std::pair<int, std::string> rows[] = {
        {ek_vor4_prop_read(&p, 3000000000u, top, v, ~0u, 4, -1), "read 3000000000 2147483649 4294967295 4 -1 buf"},
        {ek_vor4_prop_read2d(&p, 1, 2, top, 4, v, 5, 6, 0, -2, -3), "read2d 1 2 2147483649 4 5 6 0 -2 -3 buf"},
        {ek_vor4_prop_read3d(&p, 1, 2, 3, 4, 5, top, v, 7, 8, 9, 2, -1, 0, -5), "read3d 1 2 3 4 5 2147483649 7 8 9 2 -1 0 -5 buf"},
        {ek_vor4_prop_write(&p, top, v, 0xFFFFFFFEu, 1, -1), "write 2147483649 4294967294 1 -1 buf"},
        {ek_vor4_prop_write2d(&p, 1, top, v, 3, 4, 0, -1, -4), "write2d 1 2147483649 3 4 0 -1 -4 buf"},
        {ek_vor4_prop_write3d(&p, 1, 2, top, v, 4, 5, 6, 0, 1, -5, -30), "write3d 1 2 2147483649 4 5 6 0 1 -5 -30 buf"}};
    EXPECT_FALSE(ek_vor4_prop_get_value_byte(&p, 0, nullptr) || ek_vor4_prop_get_value_int(&p, 0, nullptr) ||
                 ek_vor4_prop_get_value_single(&p, 0, nullptr) || ek_vor4_prop_get_value_double(&p, 0, nullptr));
    ASSERT_EQ(p.log.size(), std::size(rows)) << "a null out-pointer is refused before the call";
    for (size_t k = 0; k < std::size(rows); ++k) EXPECT_EQ(p.log[k] + " " + std::to_string(rows[k].first), rows[k].second + " 2");
}

// 64-bit sizes and counts: the 32-bit getters give the low half, the statistics counts clamp.
TEST(ApiBoundary, WideResultsAreCutOrClamped) {
    TekVor4Impl doc;
    const long long sizes[3] = {(1LL << 32) + 3, 4294967295LL, 1LL << 32};
    unsigned int dims[3] = {9, 9, 9};
    long long dims64[3] = {};
    doc.setGridType(5), doc.setDimensions64(sizes), ek_vor4_get_dimensions(&doc, dims), ek_vor4_get_dimensions_64(&doc, dims64);
    EXPECT_EQ(values(dims[0], dims[1], dims[2], dims64[0], ek_vor4_get_pic(&doc), ek_vor4_get_pic_64(&doc),
                     ek_vor4_get_prf(&doc), ek_vor4_get_picz(&doc)),
              values(3, 4294967295, 0, (1LL << 32) + 3, 3, (1LL << 32) + 3, 4294967295, 0));
    ek_vor4_get_dimensions(&doc, nullptr), ek_vor4_set_dimensions(&doc, nullptr), ek_vor4_set_dimensions_64(&doc, nullptr);
    ek_vor4_assign_description(&doc, nullptr);

    ek::test::RecordingProperty p;
    p.setSize((1LL << 32) + 4096, 5, 1), p.bins = (1LL << 32) + 100;  // 5 rows of 2^32 + 4096 objects
    unsigned int out = 0;
    const unsigned int block = ek_vor4_prop_get_block_size(&p, &out);
    EXPECT_EQ(values(ek_vor4_prop_get_objcount(&p), ek_vor4_prop_get_objcount_64(&p), block, out,
                     ek_vor4_prop_get_block_size(&p, nullptr), ek_vor4_prop_get_histogram_count(&p)),
              values(20480, (5LL << 32) + 20480, 4096, 4096, 4096, 100));
    for (const long long count : {12LL, 0LL + INT_MAX, 2147483648LL, (1LL << 32) + 5}) {
        p.valid = count, p.missing = count + 1;
        EXPECT_EQ(values(ek_vor4_prop_get_statistic_vals_count(&p), ek_vor4_prop_get_statistic_indef_count(&p),
                         ek_vor4_prop_get_statistic_vals_count_64(&p), ek_vor4_prop_get_statistic_indef_count_64(&p)),
                  values(count == 12 ? 12 : INT_MAX, count == 12 ? 13 : INT_MAX, count, count + 1)) << count;
    }
}

}  // namespace
