// Strides through a real document (how each exported function passes them on is boundary_test's),
// and an object count below zero read from a metadata file.
#include <climits>
#include <cstring>

#include "api/api_test_support.h"
#include "ekx_basic.h"

namespace {

constexpr unsigned char dtI = 2;

// The sample's P1 holds the integers 100 ... 111 over 4 x 3 cells.
struct ApiStrides : ek::test::SampleDocument {
    std::vector<int> ints() const {
        const std::string bytes = ek::test::read_file(file("doc.P1.property"));
        std::vector<int> v(bytes.size() / 4);
        return std::memcpy(v.data(), bytes.data(), v.size() * 4), v;
    }
    const std::vector<int> counting = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111};
};

// A loaded document records each block write; a backwards one must come undone in place.
TEST_F(ApiStrides, BackwardsTransfersOfALoadedDocument) {
    ek::test::TempDir undo;
    ek_history_manager_set_enabled(true), ek_options_set_temp_wpath(undo.path().wstring().c_str());
    ek_vor4_file_close(h), h = nullptr;
    TekVor4* m = ek_vor4_load_memory_w(path.c_str());
    Tek_history_manager* manager = ek_history_manager_get_instance();
    Tek_history* history = ek_history_manager_get_history(manager, ek_history_manager_get_history_count(manager) - 1);
    TekVor4Property* p = ek_vor4_prop_open(m, 1);
    const int src[4] = {10, 20, 30, 40};
    ASSERT_EQ(ek_vor4_prop_write(p, 1, &src[3], 4, dtI, -1), 0);           // objects 1..4 from src[3] down
    EXPECT_EQ(ek_vor4_prop_write_64(p, 0, &src[3], 4, dtI, LLONG_MIN), 4);  // refused, not recorded
    EXPECT_EQ(ek_history_get_undo_count(history), 1u);
    std::vector<int> written = counting;
    std::copy(src, src + 4, written.rbegin() + 7);
    for (const auto& [step, expected] : {std::pair<int, const std::vector<int>*>{0, &written}, {-1, &counting}, {1, &written}}) {
        ASSERT_TRUE(step == 0 || (step < 0 ? ek_history_undo(history, 1) : ek_history_redo(history, 1)));
        ek_vor4_prop_close(p);
        EXPECT_EQ(ints(), *expected) << "step " << step;
    }
    std::vector<int> back(12);  // read backwards with pitches of either sign
    EXPECT_EQ(ek_vor4_prop_read2d(p, 0, 0, 4, 3, &back[11], 4, 3, dtI, -1, -4), 0);
    EXPECT_EQ(std::vector<int>(back.rbegin(), back.rend()), written);
    ek_vor4_free_memory(m), ek_options_set_temp_wpath(nullptr);
}

// An object count below zero in a metadata file is kept as stored, and every data access fails.
TEST_F(ApiStrides, NegativeObjectCountFromTheFileIsKeptAndRefusesAccess) {
    ek_vor4_file_close(h);
    std::string text = ek::test::read_file(file("doc.xml"));
    ek::test::write_file(file("doc.xml"), text.replace(text.find("<ObjCount>12<"), 13, "<ObjCount>-5<"));
    h = ek_vor4_file_open_w(path.c_str(), false);
    TekVor4Property* p = ek_vor4_prop_open(h, 1);
    int v = 7;
    EXPECT_EQ(ek::test::values(ek_vor4_get_object_count_64(h), ek_vor4_prop_get_objcount_64(p),
                               ek_vor4_prop_read_64(p, 0, 0, &v, 0, dtI, 1), ek_vor4_prop_write(p, 0, &v, 1, dtI, 1),
                               ek_vor4_prop_get_value_int(p, 0, &v)),
              ek::test::values(-5, -5, 4, 4, false));
    ek_vor4_prop_close(p);
    EXPECT_TRUE(v == 7 && ints() == counting) << "nothing was read or written";
}

}  // namespace
