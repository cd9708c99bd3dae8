// The exported run and window functions with negative strides (the 32-bit twins keep a stride's
// sign), overflowing strides, a backwards block write of a loaded document undone and redone,
// and an object count below zero read from a metadata file.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ekx_basic.h"
#include "ekx_file_vor4.h"
#include "support/temp_dir.h"

namespace {

using P = TekVor4Property;
constexpr unsigned char dtInteger = 2, gt2D = 3, gt3D = 5;

std::vector<int> file_ints(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int> v(bytes.size() / 4);
    std::memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

void put_ints(const std::filesystem::path& path, const std::vector<int>& v) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size() * 4));
}

// A document of one integer property "A" over 3 x 2 (or 2 x 2 x 2) cells; objects hold 1, 2, 3 ...
struct Doc {
    ek::test::TempDir dir;
    std::filesystem::path xml = dir.path() / "d.xml", data = dir.path() / "d.A.property";
    TekVor4* h = ek_vor4_file_create(xml.string().c_str());
    P* p = nullptr;
    std::vector<int> counting;
    explicit Doc(unsigned char grid) {
        ek_vor4_set_gridtype(h, grid);
        const long long dims[3] = {grid == gt2D ? 3 : 2, 2, grid == gt2D ? 1 : 2};
        ek_vor4_set_dimensions_64(h, dims);
        p = ek_vor4_prop_add(h, "A", 0, dtInteger, false);
        for (int i = 1; i <= dims[0] * dims[1] * dims[2]; ++i) counting.push_back(i);
    }
    ~Doc() { ek_vor4_file_close(h); }
};

TEST(ApiStrides, EveryRunAndWindowFunctionReversesWithStrideMinusOne) {
    // Stride -1 from the last element, pitches by default (64-bit forms) or given as negative
    // ints (32-bit forms, which keep their sign): the whole transfer reversed.
    using Call = std::function<int(P*, int*)>;
    const struct {
        const char* name;
        unsigned char grid;
        bool write;
        Call call;
    } rows[] = {
        {"read", gt2D, false, [](P* p, int* b) { return ek_vor4_prop_read(p, 0, 6, b, 6, dtInteger, -1); }},
        {"read_64", gt2D, false, [](P* p, int* b) { return ek_vor4_prop_read_64(p, 0, 6, b, 6, dtInteger, -1); }},
        {"read2d", gt2D, false,
         [](P* p, int* b) { return ek_vor4_prop_read2d(p, 0, 0, 3, 2, b, 3, 2, dtInteger, -1, -3); }},
        {"read2d_64", gt2D, false,
         [](P* p, int* b) { return ek_vor4_prop_read2d_64(p, 0, 0, 3, 2, b, 3, 2, dtInteger, -1, 0); }},
        {"read3d", gt3D, false,
         [](P* p, int* b) { return ek_vor4_prop_read3d(p, 0, 0, 0, 2, 2, 2, b, 2, 2, 2, dtInteger, -1, -2, -4); }},
        {"read3d_64", gt3D, false,
         [](P* p, int* b) { return ek_vor4_prop_read3d_64(p, 0, 0, 0, 2, 2, 2, b, 2, 2, 2, dtInteger, -1, 0, 0); }},
        {"write", gt2D, true, [](P* p, int* b) { return ek_vor4_prop_write(p, 0, b, 6, dtInteger, -1); }},
        {"write_64", gt2D, true, [](P* p, int* b) { return ek_vor4_prop_write_64(p, 0, b, 6, dtInteger, -1); }},
        {"write2d", gt2D, true, [](P* p, int* b) { return ek_vor4_prop_write2d(p, 0, 0, b, 3, 2, dtInteger, -1, -3); }},
        {"write2d_64", gt2D, true,
         [](P* p, int* b) { return ek_vor4_prop_write2d_64(p, 0, 0, b, 3, 2, dtInteger, -1, 0); }},
        {"write3d", gt3D, true,
         [](P* p, int* b) { return ek_vor4_prop_write3d(p, 0, 0, 0, b, 2, 2, 2, dtInteger, -1, -2, -4); }},
        {"write3d_64", gt3D, true,
         [](P* p, int* b) { return ek_vor4_prop_write3d_64(p, 0, 0, 0, b, 2, 2, 2, dtInteger, -1, 0, 0); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Doc doc(r.grid);
        const int n = int(doc.counting.size());
        // Guards of -9 on either side of the n slots.
        std::vector<int> reversed(doc.counting.rbegin(), doc.counting.rend()), mem(size_t(n + 4), -9), expected = mem;
        std::copy(reversed.begin(), reversed.end(), expected.begin() + 2);
        if (r.write) mem = expected;
        ek_vor4_prop_close(doc.p);
        if (!r.write) put_ints(doc.data, doc.counting);
        ASSERT_EQ(r.call(doc.p, &mem[size_t(n + 1)]), 0);
        ek_vor4_prop_close(doc.p);
        EXPECT_EQ(mem, expected);
        EXPECT_EQ(file_ints(doc.data), doc.counting);
    }
}

TEST(ApiStrides, OverflowingStridesGiveFourAndTouchNothing) {
    Doc doc(gt2D);
    std::vector<int> mem(12, 77);
    put_ints(doc.data, doc.counting);
    EXPECT_EQ(ek_vor4_prop_read_64(doc.p, 0, 4, &mem[4], 4, 0, LLONG_MAX), 4);
    EXPECT_EQ(ek_vor4_prop_read2d_64(doc.p, 0, 0, 3, 2, &mem[4], 3, 2, dtInteger, 1, LLONG_MIN), 4);
    EXPECT_EQ(ek_vor4_prop_write_64(doc.p, 0, &mem[4], 4, dtInteger, LLONG_MAX), 4);
    EXPECT_EQ(mem, std::vector<int>(12, 77));
    ek_vor4_prop_close(doc.p);
    EXPECT_EQ(file_ints(doc.data), doc.counting);
}

// A loaded document records each block write; a backwards one must come undone in place.
TEST(ApiStrides, BackwardsWriteOfALoadedDocumentUndoesAndRedoes) {
    ek::test::TempDir undo;
    ek_history_manager_set_enabled(true);
    ek_options_set_temp_wpath(undo.path().wstring().c_str());
    Doc doc(gt2D);
    ek_vor4_file_close(doc.h);
    doc.h = nullptr;
    put_ints(doc.data, doc.counting);

    TekVor4* m = ek_vor4_load_memory(doc.xml.string().c_str());
    ASSERT_NE(m, nullptr);
    Tek_history_manager* manager = ek_history_manager_get_instance();
    Tek_history* history = ek_history_manager_get_history(manager, ek_history_manager_get_history_count(manager) - 1);
    P* p = ek_vor4_prop_open(m, 0);
    const int src[4] = {10, 20, 30, 40};
    ASSERT_EQ(ek_vor4_prop_write(p, 1, &src[3], 4, dtInteger, -1), 0);  // objects 1..4 from src[3] down
    EXPECT_EQ(ek_vor4_prop_write_64(p, 0, &src[3], 4, dtInteger, LLONG_MIN), 4);  // refused, not recorded
    EXPECT_EQ(ek_history_get_undo_count(history), 1u);
    const std::vector<int> written = {1, 40, 30, 20, 10, 6};
    ek_vor4_prop_close(p);
    EXPECT_EQ(file_ints(doc.data), written);
    ASSERT_TRUE(ek_history_undo(history, 1));
    ek_vor4_prop_close(p);
    EXPECT_EQ(file_ints(doc.data), doc.counting);
    ASSERT_TRUE(ek_history_redo(history, 1));
    ek_vor4_prop_close(p);
    EXPECT_EQ(file_ints(doc.data), written);
    ek_vor4_free_memory(m);
    ek_options_set_temp_wpath(nullptr);
}

// An object count below zero in a metadata file is reported as stored, by the document and by its
// property, and every data access fails. Codes outside their tables are kept as given.
TEST(ApiStrides, NegativeObjectCountFromTheFileIsKeptAndRefusesAccess) {
    Doc doc(gt2D);
    ek_vor4_file_close(doc.h);
    std::ifstream in(doc.xml);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = text.find("<ObjCount>6<");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 12, "<ObjCount>-5<");
    std::ofstream(doc.xml) << text;
    const std::vector<int> before = file_ints(doc.data);

    doc.h = ek_vor4_file_open(doc.xml.string().c_str(), false);
    P* p = ek_vor4_prop_open(doc.h, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ek_vor4_get_object_count_64(doc.h), -5);
    EXPECT_EQ(ek_vor4_prop_get_objcount_64(p), -5);
    int buf[6] = {7, 7, 7, 7, 7, 7}, v = 0;
    EXPECT_EQ(ek_vor4_prop_read_64(p, 0, 0, buf, 0, dtInteger, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read2d(p, 0, 0, 3, 2, buf, 3, 2, dtInteger, 0, 0), 4);
    EXPECT_EQ(ek_vor4_prop_write(p, 0, buf, 1, dtInteger, 1), 4);
    EXPECT_FALSE(ek_vor4_prop_get_value_int(p, 0, &v));
    ek_vor4_prop_set_value_int(p, 0, 3);
    ek_vor4_prop_statistic_update(p);
    EXPECT_FALSE(ek_vor4_prop_get_statistic_exist(p));
    ek_vor4_prop_close(p);
    EXPECT_EQ(std::vector<int>(buf, buf + 6), std::vector<int>(6, 7));
    EXPECT_EQ(file_ints(doc.data), before);
    ek_vor4_set_prop_data_type(doc.h, 0, 9);
    ek_vor4_set_gridtype(doc.h, 250);
    EXPECT_EQ(ek_vor4_get_prop_data_type(doc.h, 0), 9);
    EXPECT_EQ(ek_vor4_get_grid_type(doc.h), 250);
}

}  // namespace
