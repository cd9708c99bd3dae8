// Undo history: the manager, stepping, the begin/end bracket, erasing order, and callbacks
// that call back into the history.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ekx_basic.h"

namespace {

using Log = std::vector<std::string>;

// One history under test: its callbacks write to a log; items are heap objects freed by
// their erase callback, so the sanitizer run catches an item erased twice or never.
class History : public ::testing::Test {
protected:
    struct Item {
        History* owner;
        std::string name;
        std::function<void()> on_redo, on_undo, on_erase;
    };

    static void redo(void* p) {
        Item* i = static_cast<Item*>(p);
        i->owner->log.push_back("redo " + i->name);
        if (i->on_redo) i->on_redo();
    }
    static void undo(void* p) {
        Item* i = static_cast<Item*>(p);
        i->owner->log.push_back("undo " + i->name);
        if (i->on_undo) i->on_undo();
    }
    static void erase(void* p) {
        Item* i = static_cast<Item*>(p);
        i->owner->log.push_back("erase " + i->name);
        if (i->on_erase) i->on_erase();
        delete i;
    }
    static void begin(void* p) {
        History* h = static_cast<History*>(p);
        h->log.push_back("begin");
        if (h->on_begin) h->on_begin();
    }
    static void end(void* p) { static_cast<History*>(p)->log.push_back("end"); }

    void SetUp() override {
        mgr = ek_history_manager_get_instance();
        ASSERT_NE(mgr, nullptr);
        base_count = ek_history_manager_get_history_count(mgr);
        h = ek_history_manager_create_history(mgr, begin, end, this);
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override {
        if (h) ek_history_destroy(h);
        EXPECT_EQ(ek_history_manager_get_history_count(mgr), base_count);
    }

    Item* add(const std::string& name) {
        Item* i = new Item{this, name, nullptr, nullptr, nullptr};
        ek_history_add_item(h, redo, undo, erase, i);
        return i;
    }
    void add_items(int n) {
        for (int k = 1; k <= n; ++k) add(std::to_string(k));
        log.clear();
    }

    Tek_history_manager* mgr = nullptr;
    Tek_history* h = nullptr;
    size_t base_count = 0;
    Log log;
    std::function<void()> on_begin;
};

TEST_F(History, AddPerformsTheItemOnceAndMakesItUndoable) {
    add("a");
    EXPECT_EQ(log, (Log{"redo a"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 1u);
    EXPECT_EQ(ek_history_get_redo_count(h), 0u);
}

TEST_F(History, MultiStepUndoAndRedoRunInOrderInsideOneBracket) {
    add_items(4);
    ASSERT_TRUE(ek_history_undo(h, 3));
    EXPECT_EQ(log, (Log{"begin", "undo 4", "undo 3", "undo 2", "end"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 1u);
    EXPECT_EQ(ek_history_get_redo_count(h), 3u);
    log.clear();
    ASSERT_TRUE(ek_history_redo(h, 2));
    EXPECT_EQ(log, (Log{"begin", "redo 2", "redo 3", "end"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 3u);
    EXPECT_EQ(ek_history_get_redo_count(h), 1u);
    log.clear();
    ASSERT_TRUE(ek_history_undo(h, 1));
    EXPECT_EQ(log, (Log{"begin", "undo 3", "end"}));
}

TEST_F(History, SteppingPastEitherEndFailsAndChangesNothing) {
    EXPECT_FALSE(ek_history_undo(h, 1));
    EXPECT_FALSE(ek_history_redo(h, 1));
    add_items(2);
    EXPECT_FALSE(ek_history_undo(h, 3));
    EXPECT_FALSE(ek_history_redo(h, 1));
    EXPECT_FALSE(ek_history_undo(h, static_cast<size_t>(-1)));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(ek_history_get_undo_count(h), 2u);
    ASSERT_TRUE(ek_history_undo(h, 2));
    log.clear();
    EXPECT_FALSE(ek_history_undo(h, 1));
    EXPECT_FALSE(ek_history_redo(h, 3));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(ek_history_get_undo_count(h), 0u);
    EXPECT_EQ(ek_history_get_redo_count(h), 2u);
}

TEST_F(History, ZeroStepsSucceedWithoutCallingAnything) {
    EXPECT_TRUE(ek_history_undo(h, 0));
    EXPECT_TRUE(ek_history_redo(h, 0));
    EXPECT_TRUE(log.empty());
}

TEST_F(History, AddAfterUndoErasesTheRedoTailNewestFirst) {
    add_items(4);
    ASSERT_TRUE(ek_history_undo(h, 3));
    log.clear();
    add("new");
    EXPECT_EQ(log, (Log{"erase 4", "erase 3", "erase 2", "redo new"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 2u);
    EXPECT_EQ(ek_history_get_redo_count(h), 0u);
    log.clear();
    ASSERT_TRUE(ek_history_undo(h, 2));
    EXPECT_EQ(log, (Log{"begin", "undo new", "undo 1", "end"}));
}

TEST_F(History, ClearErasesEverythingNewestFirstAndTheHistoryStaysUsable) {
    add_items(3);
    ASSERT_TRUE(ek_history_undo(h, 1));
    log.clear();
    ek_history_clear(h);
    EXPECT_EQ(log, (Log{"erase 3", "erase 2", "erase 1"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 0u);
    EXPECT_EQ(ek_history_get_redo_count(h), 0u);
    EXPECT_FALSE(ek_history_redo(h, 1));
    log.clear();
    add("x");
    EXPECT_EQ(log, (Log{"redo x"}));
}

TEST_F(History, DestroyErasesNewestFirstAndLeavesTheManager) {
    ASSERT_EQ(ek_history_manager_get_history_count(mgr), base_count + 1);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base_count), h);
    add_items(3);
    ASSERT_TRUE(ek_history_undo(h, 2));
    log.clear();
    ek_history_destroy(h);
    h = nullptr;
    EXPECT_EQ(log, (Log{"erase 3", "erase 2", "erase 1"}));
    EXPECT_EQ(ek_history_manager_get_history_count(mgr), base_count);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base_count), nullptr);
}

TEST_F(History, ManagerListsHistoriesInCreationOrder) {
    Tek_history* second = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr);
    Tek_history* third = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_NE(second, h);
    EXPECT_EQ(ek_history_manager_get_history_count(mgr), base_count + 3);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base_count), h);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base_count + 1), second);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base_count + 2), third);
    ek_history_destroy(second);
    EXPECT_EQ(ek_history_manager_get_history(mgr, base_count + 1), third);
    ek_history_destroy(third);
    // Histories are independent.
    EXPECT_EQ(ek_history_get_undo_count(h), 0u);
}

TEST_F(History, TheEnableSwitchHidesTheManager) {
    ek_history_manager_set_enabled(false);
    EXPECT_EQ(ek_history_manager_get_instance(), nullptr);
    ek_history_manager_set_enabled(true);
    EXPECT_EQ(ek_history_manager_get_instance(), mgr);
}

TEST_F(History, NullItemCallbacksMakeThatStepDoNothing) {
    Tek_history* bare = ek_history_manager_create_history(mgr, nullptr, nullptr, nullptr);
    int object = 0;
    ek_history_add_item(bare, nullptr, nullptr, nullptr, &object);
    ek_history_add_item(bare, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(ek_history_get_undo_count(bare), 2u);
    EXPECT_TRUE(ek_history_undo(bare, 2));
    EXPECT_TRUE(ek_history_redo(bare, 1));
    ek_history_clear(bare);
    EXPECT_EQ(ek_history_get_redo_count(bare), 0u);
    ek_history_destroy(bare);
    // Only the undo callback of an item may be missing.
    Item* i = new Item{this, "u", nullptr, nullptr, nullptr};
    ek_history_add_item(h, redo, nullptr, erase, i);
    EXPECT_TRUE(ek_history_undo(h, 1));
    EXPECT_EQ(log, (Log{"redo u", "begin", "end"}));
}

TEST_F(History, BadHandlesAreRefused) {
    EXPECT_EQ(ek_history_manager_create_history(nullptr, begin, end, this), nullptr);
    EXPECT_EQ(ek_history_manager_get_history_count(nullptr), 0u);
    EXPECT_EQ(ek_history_manager_get_history(nullptr, 0), nullptr);
    EXPECT_EQ(ek_history_manager_get_history(mgr, 1u << 30), nullptr);
    ek_history_add_item(nullptr, redo, undo, erase, nullptr);
    EXPECT_EQ(ek_history_get_undo_count(nullptr), 0u);
    EXPECT_EQ(ek_history_get_redo_count(nullptr), 0u);
    EXPECT_FALSE(ek_history_undo(nullptr, 0));
    EXPECT_FALSE(ek_history_redo(nullptr, 1));
    ek_history_clear(nullptr);
    ek_history_destroy(nullptr);
    // A pointer that is not one of the manager's histories is not used.
    alignas(64) unsigned char fake[256] = {};
    Tek_history* forged = reinterpret_cast<Tek_history*>(fake);
    auto* forged_mgr = reinterpret_cast<Tek_history_manager*>(fake);
    ek_history_add_item(forged, redo, undo, erase, nullptr);
    EXPECT_FALSE(ek_history_undo(forged, 0));
    EXPECT_EQ(ek_history_get_undo_count(forged), 0u);
    ek_history_clear(forged);
    ek_history_destroy(forged);
    EXPECT_EQ(ek_history_manager_create_history(forged_mgr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(ek_history_manager_get_history_count(forged_mgr), 0u);
    EXPECT_TRUE(log.empty());
}

TEST_F(History, ThrowingCallbacksLeaveTheHistoryConsistent) {
    Item* i = new Item{this, "t", nullptr, nullptr, nullptr};
    i->on_redo = [] { throw std::runtime_error("redo"); };
    i->on_undo = [] { throw 1; };
    EXPECT_NO_THROW(ek_history_add_item(h, redo, undo, erase, i));
    EXPECT_EQ(ek_history_get_undo_count(h), 1u);
    EXPECT_NO_THROW(EXPECT_TRUE(ek_history_undo(h, 1)));
    EXPECT_EQ(log, (Log{"redo t", "begin", "undo t", "end"}));
    EXPECT_EQ(ek_history_get_redo_count(h), 1u);
}

// Re-entrancy: a callback that calls into the history it is being called from.

TEST_F(History, AddFromInsideAStepIsPerformedButNotRecorded) {
    Item* outer = add("outer");
    outer->on_undo = [this] { add("inner"); };
    log.clear();
    ASSERT_TRUE(ek_history_undo(h, 1));
    EXPECT_EQ(log, (Log{"begin", "undo outer", "redo inner", "erase inner", "end"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 0u);
    EXPECT_EQ(ek_history_get_redo_count(h), 1u);  // the redo tail survived
    // Also from inside the redo that add_item itself runs.
    log.clear();
    ek_history_clear(h);
    Item* first = new Item{this, "first", nullptr, nullptr, nullptr};
    first->on_redo = [this] {
        if (ek_history_get_undo_count(h) == 1) add("nested");
    };
    ek_history_add_item(h, redo, undo, erase, first);
    EXPECT_EQ(ek_history_get_undo_count(h), 1u);
}

TEST_F(History, StepFromInsideAStepIsRefused) {
    add_items(3);
    bool nested_undo = true, nested_redo = true;
    on_begin = [&] {
        nested_undo = ek_history_undo(h, 1);
        nested_redo = ek_history_redo(h, 1);
        ek_history_clear(h);
    };
    ASSERT_TRUE(ek_history_undo(h, 2));
    EXPECT_FALSE(nested_undo);
    EXPECT_FALSE(nested_redo);
    EXPECT_EQ(log, (Log{"begin", "undo 3", "undo 2", "end"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 1u);
    EXPECT_EQ(ek_history_get_redo_count(h), 2u);
}

TEST_F(History, CountsSeenFromInsideAStepFollowItsProgress) {
    std::vector<size_t> seen;
    for (int k = 1; k <= 3; ++k) {
        Item* i = add(std::to_string(k));
        i->on_undo = [&] { seen.push_back(ek_history_get_undo_count(h)); };
        i->on_redo = i->on_undo;
    }
    on_begin = [&] { seen.push_back(100 + ek_history_get_undo_count(h)); };
    ASSERT_TRUE(ek_history_undo(h, 3));
    ASSERT_TRUE(ek_history_redo(h, 2));
    // Undoing item k leaves k-1 undoable; redoing it makes k undoable.
    EXPECT_EQ(seen, (std::vector<size_t>{103, 2, 1, 0, 100, 1, 2}));
}

TEST_F(History, DestroyFromInsideAStepEndsTheWalkAndFreesEverythingAfterwards) {
    Item* one = add("1");
    (void)one;
    Item* two = add("2");
    add("3");
    two->on_undo = [this] {
        ek_history_destroy(h);
        // The handle is gone for callers from now on.
        EXPECT_EQ(ek_history_get_undo_count(h), 0u);
        EXPECT_FALSE(ek_history_undo(h, 1));
    };
    Tek_history* doomed = h;
    log.clear();
    EXPECT_TRUE(ek_history_undo(doomed, 3));
    h = nullptr;
    EXPECT_EQ(log, (Log{"begin", "undo 3", "undo 2", "end", "erase 3", "erase 2", "erase 1"}));
    EXPECT_EQ(ek_history_manager_get_history_count(mgr), base_count);
}

TEST_F(History, DestroyFromInsideTheFirstRedoErasesTheNewItemAfterwards) {
    add("old");
    Item* i = new Item{this, "new", nullptr, nullptr, nullptr};
    i->on_redo = [this] { ek_history_destroy(h); };
    log.clear();
    ek_history_add_item(h, redo, undo, erase, i);
    h = nullptr;
    EXPECT_EQ(log, (Log{"redo new", "erase new", "erase old"}));
    EXPECT_EQ(ek_history_manager_get_history_count(mgr), base_count);
}

TEST_F(History, EraseCallbacksMayCallBackDuringClear) {
    add_items(2);
    bool cleared_again = false;
    Item* extra = add("3");
    extra->on_erase = [&] {
        ek_history_clear(h);  // refused while clearing
        cleared_again = true;
        add("late");          // performed and discarded
    };
    log.clear();
    ek_history_clear(h);
    EXPECT_TRUE(cleared_again);
    EXPECT_EQ(log, (Log{"erase 3", "redo late", "erase late", "erase 2", "erase 1"}));
    EXPECT_EQ(ek_history_get_undo_count(h), 0u);
}

}  // namespace
