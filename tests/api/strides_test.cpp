// The exported run and window functions with negative strides (the 32-bit forms keep a stride's
// sign, then call the 64-bit ones) and overflowing strides, a backwards block write of a loaded
// document undone and redone, and an object count below zero read from a metadata file.
#include <climits>
#include <cstring>

#include "api/api_test_support.h"
#include "ekx_basic.h"

namespace {

using P = TekVor4Property;
constexpr unsigned char dtI = 2;

// The sample's P1, integers 100 ... 111 over 4 x 3 cells, and Q, the same over 2 x 2 x 3 cells.
class ApiStrides : public ek::test::SampleDocument {
protected:
    void SetUp() override {
        SampleDocument::SetUp();
        const long long cube[3] = {2, 2, 3};
        ek_vor4_set_grid_type(h, 5), ek_vor4_set_dimensions_64(h, cube);
        ASSERT_NE(ek_vor4_prop_add(h, "Q", 0, dtI, false), nullptr);
        put("Q", counting);
    }
    std::vector<int> ints(const std::string& prop) const {
        const std::string bytes = ek::test::read_file(file("doc." + prop + ".property"));
        std::vector<int> v(bytes.size() / 4);
        return std::memcpy(v.data(), bytes.data(), v.size() * 4), v;
    }
    void put(const std::string& prop, const std::vector<int>& v) {
        ek_vor4_prop_close(ek_vor4_prop_open(h, prop == "Q" ? 3 : 1));
        ek::test::write_file(file("doc." + prop + ".property"), std::string(reinterpret_cast<const char*>(v.data()), 4 * v.size()));
    }
    const std::vector<int> counting = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111};
};

// Stride -1 from the last element with negative pitches: the whole transfer reversed. Strides
// whose addresses overflow give 4 and touch nothing.
TEST_F(ApiStrides, EveryRunAndWindowFunctionWithNegativeAndOverflowingStrides) {
    const struct {
        const char* call;
        bool cube, write;
        int result;
        int (*run)(P* p, int* b);
    } rows[] = {
#define ROW(cube, write, result, call) {#call, cube, write, result, [](P* p, int* b) { return call; }}
        ROW(0, 0, 0, ek_vor4_prop_read(p, 0, 12, b, 12, dtI, -1)),
        ROW(0, 0, 0, ek_vor4_prop_read2d(p, 0, 0, 4, 3, b, 4, 3, dtI, -1, -4)),
        ROW(1, 0, 0, ek_vor4_prop_read3d(p, 0, 0, 0, 2, 2, 3, b, 2, 2, 3, dtI, -1, -2, -4)),
        ROW(0, 1, 0, ek_vor4_prop_write(p, 0, b, 12, dtI, -1)),
        ROW(0, 1, 0, ek_vor4_prop_write2d(p, 0, 0, b, 4, 3, dtI, -1, -4)),
        ROW(1, 1, 0, ek_vor4_prop_write3d(p, 0, 0, 0, b, 2, 2, 3, dtI, -1, -2, -4)),
        ROW(0, 0, 4, ek_vor4_prop_read_64(p, 0, 4, b, 4, dtI, LLONG_MAX)),
        ROW(0, 0, 4, ek_vor4_prop_read2d_64(p, 0, 0, 4, 3, b, 4, 3, dtI, 1, LLONG_MIN)),
        ROW(1, 0, 4, ek_vor4_prop_read3d_64(p, 0, 0, 0, 2, 2, 3, b, 2, 2, 3, dtI, 1, 2, LLONG_MAX)),
        ROW(0, 1, 4, ek_vor4_prop_write_64(p, 0, b, 4, dtI, LLONG_MAX)),
#undef ROW
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.call);
        const std::string prop = r.cube ? "Q" : "P1";
        // Guards of -9 on either side of the 12 slots; the transfer ends at the first slot.
        std::vector<int> mem(16, -9), reversed = mem;
        std::copy(counting.rbegin(), counting.rend(), reversed.begin() + 2);
        if (r.write) mem = reversed, put(prop, std::vector<int>(12, r.result == 0 ? 0 : 1));
        const std::vector<int> before = mem, file = r.result == 0 ? counting : ints(prop);
        ASSERT_EQ(r.run(ek_vor4_prop_open(h, r.cube ? 3 : 1), &mem[13]), r.result);
        ek_vor4_prop_close(ek_vor4_prop_open(h, r.cube ? 3 : 1));
        EXPECT_EQ(mem, r.result == 0 ? reversed : before);
        EXPECT_EQ(ints(prop), file);
    }
}

// A loaded document records each block write; a backwards one must come undone in place.
TEST_F(ApiStrides, BackwardsWriteOfALoadedDocumentUndoesAndRedoes) {
    ek::test::TempDir undo;
    ek_history_manager_set_enabled(true);
    ek_options_set_temp_wpath(undo.path().wstring().c_str());
    ek_vor4_file_close(h), h = nullptr;
    TekVor4* m = ek_vor4_load_memory_w(path.c_str());
    ASSERT_NE(m, nullptr);
    Tek_history_manager* manager = ek_history_manager_get_instance();
    Tek_history* history = ek_history_manager_get_history(manager, ek_history_manager_get_history_count(manager) - 1);
    P* p = ek_vor4_prop_open(m, 1);
    const int src[4] = {10, 20, 30, 40};
    ASSERT_EQ(ek_vor4_prop_write(p, 1, &src[3], 4, dtI, -1), 0);           // objects 1..4 from src[3] down
    EXPECT_EQ(ek_vor4_prop_write_64(p, 0, &src[3], 4, dtI, LLONG_MIN), 4);  // refused, not recorded
    EXPECT_EQ(ek_history_get_undo_count(history), 1u);
    std::vector<int> written = counting;
    std::copy(src, src + 4, written.rbegin() + 7);
    for (const auto& [step, expected] : std::vector<std::pair<int, std::vector<int>>>{{0, written}, {-1, counting}, {1, written}}) {
        ASSERT_TRUE(step == 0 || (step < 0 ? ek_history_undo(history, 1) : ek_history_redo(history, 1)));
        ek_vor4_prop_close(p);
        EXPECT_EQ(ints("P1"), expected) << "step " << step;
    }
    ek_vor4_free_memory(m);
    ek_options_set_temp_wpath(nullptr);
}

// An object count below zero in a metadata file is reported as stored, by the document and by its
// property, and every data access fails. Codes outside their tables are kept as given.
TEST_F(ApiStrides, NegativeObjectCountFromTheFileIsKeptAndRefusesAccess) {
    ek_vor4_file_close(h);
    std::string text = ek::test::read_file(file("doc.xml"));
    const size_t at = text.find("<ObjCount>12<");
    ASSERT_NE(at, std::string::npos);
    ek::test::write_file(file("doc.xml"), text.replace(at, 13, "<ObjCount>-5<"));
    h = ek_vor4_file_open_w(path.c_str(), false);
    P* p = ek_vor4_prop_open(h, 1);
    ASSERT_NE(p, nullptr);
    std::vector<int> buf(12, 7);
    int v = 0;
    ek_vor4_prop_set_value_int(p, 0, 3), ek_vor4_prop_statistic_update(p);
    EXPECT_EQ(std::vector<long long>({ek_vor4_get_object_count_64(h), ek_vor4_prop_get_objcount_64(p),
                                      ek_vor4_prop_read_64(p, 0, 0, buf.data(), 0, dtI, 1),
                                      ek_vor4_prop_read3d(p, 0, 0, 0, 2, 2, 3, buf.data(), 2, 2, 3, dtI, 0, 0, 0),
                                      ek_vor4_prop_write(p, 0, buf.data(), 1, dtI, 1), ek_vor4_prop_get_value_int(p, 0, &v),
                                      ek_vor4_prop_get_statistic_exist(p)}),
              (std::vector<long long>{-5, -5, 4, 4, 4, false, false}));
    ek_vor4_prop_close(p);
    EXPECT_EQ(buf, std::vector<int>(12, 7));
    EXPECT_EQ(ints("P1"), counting);
    ek_vor4_set_prop_data_type(h, 0, 9), ek_vor4_set_gridtype(h, 250);
    EXPECT_EQ(ek_vor4_get_prop_data_type(h, 0) + 1000 * ek_vor4_get_grid_type(h), 250009);
}

}  // namespace
