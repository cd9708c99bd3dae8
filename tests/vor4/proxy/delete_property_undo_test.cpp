// The recorded deletion of a property: a zero-fill in chunks that keeps the values in block-write
// items, then the deletion item; undoing every step brings the property back with its values.
#include <gtest/gtest.h>

#include <algorithm>

#include "proxy_test_support.h"

namespace {

using namespace std::string_literals;

using namespace ek::test;

using DeleteUndo = ProxyTest;

TEST_F(DeleteUndo, UndoingEveryStepRestoresTheDeletedPropertyWithItsValues) {
    // 25,000 objects: zeros go in chunks of 10,240, 10,240 and 4,520.
    ASSERT_TRUE(make_document(path, 250, 100, {{L"Keep", 0}, {L"Depth", 2}}));
    Loaded doc(path);
    std::vector<int> values(25000);
    for (int k = 0; k < 25000; ++k) values[size_t(k)] = k * 7 - 3;
    ASSERT_EQ(doc.own(L"Depth")->write_data(0, values.data(), 25000, 2, 0), 0);
    TekVor4Property* depth = doc->getProperty(1);
    depth->setCaption(L"\u0413\u043B, m"s);
    depth->setPrecision(L"0.00"s);
    depth->setPropKind(5);
    ek_history_clear(doc.history());
    TekVor4Property* keep = doc->getProperty(0);

    Subscriber events(path);
    ASSERT_TRUE(doc->deleteProperty(1));
    EXPECT_EQ(doc->getNumProps(), 1u);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 4u) << "three chunks and the deletion";
    EXPECT_EQ(events.text(), "B U{} E B U{} E") << "the zero-fill is one group, the deletion another";
    std::vector<uintmax_t> sizes;
    for (const auto& f : std::filesystem::directory_iterator(env.folder() / "undo")) sizes.push_back(f.file_size());
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<uintmax_t>{4520 * 4, 10240 * 4, 10240 * 4}));
    EXPECT_FALSE(std::filesystem::exists(env.folder() / "doc.Depth.property"));

    for (size_t steps : {4, 1}) {  // undone in one group, then redone and undone step by step
        SCOPED_TRACE(steps);
        events.log.clear();
        for (size_t done = 0; done < 4; done += steps) ASSERT_TRUE(ek_history_undo(doc.history(), steps));
        if (steps == 4) { EXPECT_EQ(events.text(), "B U{} E"); }
        TekVor4Property* back = doc.own(L"Depth");
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->getCaptionW() + L"|" + back->getPrecisionW(), L"\u0413\u043B, m|0.00");
        EXPECT_EQ(back->getPropKind() * 10 + back->getDataType(), 52);
        EXPECT_EQ(read_values<int>(back, 0, 25000, 2), values);
        EXPECT_EQ(doc->getProperty(0), keep);
        if (steps == 4) { ASSERT_TRUE(ek_history_redo(doc.history(), 4)); }
    }
    doc->save();
    TekVor4Impl disk;
    ASSERT_TRUE(disk.open(path, true));
    EXPECT_EQ(disk.getIndexByName(L"Depth"s), 1) << "the metadata file follows";
    ek_history_clear(doc.history());
    EXPECT_EQ(env.undo_files(), 0u) << "the undo files go with their items";
}

TEST_F(DeleteUndo, DeletionsThatWriteNothingOrAreRefused) {
    const struct {
        const char* name;
        long long nx, ny;
        bool history, readOnly;
        unsigned index;
        bool deleted;
        size_t items;
    } rows[] = {
        {"no objects", 0, 1, true, false, 0, true, 1},
        {"rows of no length", 0, 50, true, false, 0, true, 1},
        {"no history", 20000, 1, false, false, 0, true, 0},
        {"index past the end", 5, 1, true, false, 1, false, 0},
        {"read-only document", 5, 1, true, true, 0, false, 2},  // the zero-fill is recorded, and fails
    };
    const std::vector<float> v = {1, 2, 3, 4, 5};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::wstring p = env.file(std::string(r.name) + ".xml");
        ASSERT_TRUE(make_document(p, r.nx, r.ny, {{L"P", 0}}));
        if (r.nx == 5) {
            TekVor4Impl w;
            ASSERT_TRUE(w.open(p, false) && w.getProperty(0)->write_data(0, v.data(), 5, 0, 0) == 0);
        }
        ek_history_manager_set_enabled(r.history);
        TekVor4Refcount* ref = CachedPool::create_instance(p);
        auto* doc = dynamic_cast<TekVor4CachedProxy*>(ref);
        ASSERT_TRUE(doc->open(p, r.readOnly));
        EXPECT_EQ(doc->deleteProperty(r.index), r.deleted);
        EXPECT_EQ(doc->getNumProps(), r.deleted ? 0u : 1u);
        if (Tek_history* h = doc->history_handle()) {
            EXPECT_EQ(ek_history_get_undo_count(h), r.items);
            EXPECT_EQ(env.undo_files(), r.items > 1 ? r.items - 1 : 0);
            ek_history_undo(h, r.items);
            ASSERT_EQ(doc->getNumProps(), 1u) << "back after undo";
            EXPECT_EQ(doc->getProperty(0)->getNumObjects(), r.nx * r.ny);
            if (r.nx == 5) { EXPECT_EQ(read_values<float>(doc->getProperty(0), 0, 5, 0), v) << "never emptied"; }
        }
        if (!r.history) { EXPECT_EQ(env.undo_files(), 0u); }
        ref->free();
        ek_history_manager_set_enabled(true);
    }
}

TEST_F(DeleteUndo, DeletingEveryPropertyThroughAHandleAndUndoingRestoresTheList) {
    ASSERT_TRUE(make_document(path, 12, 2, {{L"S", 0}, {L"Y", 1}, {L"I", 2}, {L"M", 3}, {L"D", 4}}));
    Loaded doc(path);
    TekVor4StrategyProxy h;
    ASSERT_TRUE(h.open(path, false));
    for (unsigned k = 0; k < 5; ++k)
        for (long long i = 0; i < 24; i += 2) h.getProperty(k)->setValueInt(i, int(i % 4 / 2 + k));
    std::vector<std::vector<int>> before;
    for (unsigned k = 0; k < 5; ++k) before.push_back(read_values<int>(h.getProperty(k), 0, 24, 2));
    const size_t sets = ek_history_get_undo_count(doc.history());
    EXPECT_EQ(sets, 60u) << "the handle's changes are recorded";
    while (h.getNumProps() > 0) ASSERT_TRUE(h.deleteProperty(0));
    ASSERT_TRUE(ek_history_undo(doc.history(), ek_history_get_undo_count(doc.history()) - sets));
    ASSERT_EQ(h.getNumProps(), 5u);
    const wchar_t* names[5] = {L"S", L"Y", L"I", L"M", L"D"};
    for (unsigned k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        // A re-created property joins the end of the list: the last one deleted comes back first.
        EXPECT_EQ(h.getProperty(4 - k)->getNameW(), names[k]);
        EXPECT_EQ(doc.own(names[k])->getDataType(), k);
        EXPECT_EQ(read_values<int>(doc.own(names[k]), 0, 24, 2), before[k]);
    }
    ASSERT_TRUE(ek_history_undo(doc.history(), sets));
    int x = 0;
    EXPECT_FALSE(h.getProperty(4)->getValueInt(0, x)) << "everything undone, the set values too";
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));
    EXPECT_TRUE(h.getProperty(4)->getValueInt(0, x));
}

}  // namespace
