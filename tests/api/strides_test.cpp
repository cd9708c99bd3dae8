// Strides through a real document (how each exported function passes them on is boundary_test's).
#include <climits>
#include <cstring>

#include "api/api_test_support.h"
#include "ekx_basic.h"

namespace {

using ApiStrides = ek::test::SampleDocument;
constexpr unsigned char dtI = 2;

// P1 as stored: before any write, the integers 100 ... 111 over 4 x 3 cells.
std::vector<int> ints(const ApiStrides& t) {
    const std::string bytes = ek::test::read_file(t.file("doc.P1.property"));
    std::vector<int> v(bytes.size() / 4);
    return std::memcpy(v.data(), bytes.data(), v.size() * 4), v;
}
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
    const std::vector<int> counting = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111},
                           written = {100, 40, 30, 20, 10, 105, 106, 107, 108, 109, 110, 111};
    for (int step : {0, -1, 1}) {
        ASSERT_TRUE(step == 0 || (step < 0 ? ek_history_undo(history, 1) : ek_history_redo(history, 1)));
        ek_vor4_prop_close(p);
        EXPECT_EQ(ints(*this), step < 0 ? counting : written) << "step " << step;
    }
    ek_vor4_free_memory(m), ek_options_set_temp_wpath(nullptr);
}

}  // namespace
