// Undo history: the manager, stepping, the begin/end bracket, the order of erasing, and callbacks that
// call back into the history they run from.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "ekx_basic.h"

namespace {

using Hook = std::function<void()>;

// One history whose callbacks append to a log ("redo 2", "undo 2", "erase 2", "begin", "end"). Items
// are heap objects freed by their erase callback, so the sanitizer build sees an item erased twice or never.
class History : public ::testing::Test {
protected:
    struct Item { History* owner; std::string name; Hook on_redo, on_undo, on_erase; };
    static void call(void* p, const char* what, Hook Item::*hook) {
        Item* i = static_cast<Item*>(p);
        i->owner->note(std::string(what) + " " + i->name);
        if (i->*hook) (i->*hook)();
    }
    static void redo(void* p) { call(p, "redo", &Item::on_redo); }
    static void undo(void* p) { call(p, "undo", &Item::on_undo); }
    static void erase(void* p) { call(p, "erase", &Item::on_erase), delete static_cast<Item*>(p); }
    static void begin(void* p) { static_cast<History*>(p)->note("begin"), static_cast<History*>(p)->on_begin(); }
    static void end(void* p) { static_cast<History*>(p)->note("end"); }

    void SetUp() override { ASSERT_TRUE(h = ek_history_manager_create_history(mgr, begin, end, this)); }
    void TearDown() override {
        ek_history_destroy(h);
        EXPECT_EQ(ek_history_manager_get_history_count(mgr), base);
    }
    void note(const std::string& s) { log += (log.empty() ? "" : ", ") + s; }
    void add(const std::string& name, Hook on_redo = {}, Hook on_undo = {}, Hook on_erase = {}) {
        ek_history_add_item(h, redo, undo, erase, new Item{this, name, on_redo, on_undo, on_erase});
    }
    // The log since the last call, and the undo and redo counts after it.
    std::string take() {
        const std::string out = log + " | " + std::to_string(ek_history_get_undo_count(h)) + " " + std::to_string(ek_history_get_redo_count(h));
        return log.clear(), out;
    }

    Tek_history_manager* mgr = ek_history_manager_get_instance();
    size_t base = ek_history_manager_get_history_count(mgr);
    Tek_history* h = nullptr;
    std::string log;
    Hook on_begin = [] {};
};

// Added items are performed once; steps run in order inside one bracket; stepping past either end
// fails and does nothing, zero steps call nothing; a new item erases the redo tail and clear erases
// everything, newest first, the history staying usable; destroying erases what is left.
TEST_F(History, StepsRunInOrderInsideOneBracket) {
    add("1");
    EXPECT_EQ(take(), "redo 1 | 1 0");
    add("2"), add("3"), add("4"), log.clear();
    EXPECT_TRUE(ek_history_undo(h, 3));
    EXPECT_EQ(take(), "begin, undo 4, undo 3, undo 2, end | 1 3");
    EXPECT_TRUE(ek_history_redo(h, 2));
    EXPECT_EQ(take(), "begin, redo 2, redo 3, end | 3 1");
    EXPECT_FALSE(ek_history_undo(h, 4) || ek_history_redo(h, 2) || ek_history_undo(h, size_t(-1)));
    EXPECT_TRUE(ek_history_undo(h, 0) && ek_history_redo(h, 0));
    EXPECT_EQ(take(), " | 3 1");
    EXPECT_TRUE(ek_history_undo(h, 2));
    take(), add("new");
    EXPECT_EQ(take(), "erase 4, erase 3, erase 2, redo new | 2 0");
    EXPECT_TRUE(ek_history_undo(h, 1));
    ek_history_clear(h);
    EXPECT_EQ(take(), "begin, undo new, end, erase new, erase 1 | 0 0");
    EXPECT_FALSE(ek_history_undo(h, 1) || ek_history_redo(h, 1));
    add("1"), add("2"), add("3"), ek_history_undo(h, 2), log.clear(), ek_history_destroy(h), h = nullptr;
    EXPECT_EQ(log, "erase 3, erase 2, erase 1");
}

// The manager lists histories in creation order; null item callbacks make that step do nothing;
// histories are independent; null and foreign handles are not used; throwing callbacks are contained.
TEST_F(History, TheManagerAndItsHistories) {
    Tek_history* second = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr);
    Tek_history* third = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr);
    ASSERT_EQ(ek_history_manager_get_history_count(mgr), base + 3);
    EXPECT_TRUE(ek_history_manager_get_history(mgr, base) == h && ek_history_manager_get_history(mgr, base + 1) == second);
    EXPECT_TRUE(ek_history_manager_get_history(mgr, base + 2) == third && !ek_history_manager_get_history(mgr, base + 3));
    ek_history_destroy(second);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base + 1), third);
    ek_history_add_item(third, nullptr, nullptr, nullptr, &base), ek_history_add_item(third, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(ek_history_undo(third, 2) && ek_history_redo(third, 1) && ek_history_get_redo_count(third) == 1);
    ek_history_destroy(third);
    ek_history_add_item(h, redo, nullptr, erase, new Item{this, "u", {}, {}, {}});  // only undo missing
    EXPECT_TRUE(ek_history_undo(h, 1));
    EXPECT_EQ(take(), "redo u, begin, end | 0 1");
    ek_history_manager_set_enabled(false);
    EXPECT_EQ(ek_history_manager_get_instance(), nullptr);
    ek_history_manager_set_enabled(true);
    EXPECT_EQ(ek_history_manager_get_instance(), mgr);
    alignas(64) unsigned char fake[256] = {};
    for (void* bad : {static_cast<void*>(nullptr), static_cast<void*>(fake)}) {
        Tek_history* hb = static_cast<Tek_history*>(bad);
        Tek_history_manager* mb = static_cast<Tek_history_manager*>(bad);
        ek_history_add_item(hb, redo, undo, erase, nullptr), ek_history_clear(hb), ek_history_destroy(hb);
        EXPECT_TRUE(!ek_history_undo(hb, 0) && !ek_history_redo(hb, 1) && !ek_history_get_undo_count(hb) && !ek_history_get_redo_count(hb));
        EXPECT_TRUE(!ek_history_manager_create_history(mb, begin, end, this) && !ek_history_manager_get_history_count(mb) &&
                    !ek_history_manager_get_history(mb, 0));
    }
    ek_history_clear(h), log.clear();
    EXPECT_NO_THROW(add("t", [] { throw std::runtime_error("redo"); }, [] { throw 1; }));
    EXPECT_NO_THROW(EXPECT_TRUE(ek_history_undo(h, 1)));
    EXPECT_EQ(take(), "redo t, begin, undo t, end | 0 1");
}

// A callback that calls into its own history: add performs the item and erases it unrecorded; undo,
// redo and clear are refused; destroy ends a walk after the current step and erases afterwards.
TEST_F(History, CallbacksThatCallBack) {
    add("outer", {}, [this] { add("inner"); }), log.clear();
    ASSERT_TRUE(ek_history_undo(h, 1));
    EXPECT_EQ(take(), "begin, undo outer, redo inner, erase inner, end | 0 1");
    ek_history_clear(h), add("first", [this] { add("nested"); });  // also inside the redo that add itself runs
    EXPECT_EQ(take(), "erase outer, redo first, redo nested, erase nested | 1 0");

    ek_history_clear(h);
    bool nested = true;
    std::string counts;
    on_begin = [&] {
        nested = ek_history_undo(h, 1) || ek_history_redo(h, 1);
        ek_history_clear(h), counts += std::to_string(ek_history_get_undo_count(h));
    };
    const Hook count = [&] { counts += std::to_string(ek_history_get_undo_count(h)); };
    add("1", count, count), add("2", count, count), add("3", count, count), log.clear(), counts.clear();
    ASSERT_TRUE(ek_history_undo(h, 3) && ek_history_redo(h, 2));
    EXPECT_FALSE(nested);
    EXPECT_EQ(counts, "3210012");  // undoing item k leaves k-1 undoable, redoing it makes k
    EXPECT_EQ(take(), "begin, undo 3, undo 2, undo 1, end, begin, redo 1, redo 2, end | 2 1");
    on_begin = [] {};

    ek_history_clear(h), add("x", {}, {}, [this] { ek_history_clear(h), add("late"); });  // refused, and performed unrecorded
    add("y"), log.clear(), ek_history_clear(h);
    EXPECT_EQ(take(), "erase y, erase x, redo late, erase late | 0 0");

    add("1"), add("2"), add("3"), add("4", {}, [this] {
        ek_history_destroy(h);
        EXPECT_FALSE(ek_history_undo(h, 1) || ek_history_get_undo_count(h));  // gone for callers at once
    });
    add("5"), log.clear();
    EXPECT_TRUE(ek_history_undo(h, 5));
    EXPECT_EQ(log, "begin, undo 5, undo 4, end, erase 5, erase 4, erase 3, erase 2, erase 1");
    EXPECT_EQ(ek_history_manager_get_history_count(mgr), base);

    h = ek_history_manager_create_history(mgr, begin, end, this);
    add("old"), log.clear(), add("new", [this] { ek_history_destroy(h); });
    EXPECT_EQ(log, "redo new, erase new, erase old");
    h = nullptr;
}

}  // namespace
