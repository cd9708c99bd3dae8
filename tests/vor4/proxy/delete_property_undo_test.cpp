// The recorded deletion of a property: a zero-fill in chunks that keeps the values in block-write
// items, then the deletion item; undoing every step brings the property back with its values.
#include <gtest/gtest.h>

#include <cmath>

#include "proxy_test_support.h"

namespace {

using ek::test::Loaded;
using ek::test::read_values;
using ek::test::Subscriber;
using ek::test::UndoEnvironment;

class DeleteUndo : public ::testing::Test {
protected:
    UndoEnvironment env;
    std::wstring path = env.file("doc.xml");
};

TEST_F(DeleteUndo, UndoingEveryStepRestoresTheDeletedPropertyWithItsValues) {
    // 25,000 objects: zeros go in chunks of 10,240, 10,240 and 4,520.
    ASSERT_TRUE(ek::test::make_document(path, 250, 100, {{L"Keep", 0}, {L"Depth", 2}}));
    Loaded doc(path);
    ASSERT_TRUE(doc.opened());
    std::vector<int> values(25000);
    for (int k = 0; k < 25000; ++k) values[k] = k * 7 - 3;
    ASSERT_EQ(doc.own(L"Depth")->write_data(0, values.data(), 25000, 2, 0), 0);
    TekVor4Property* depth = doc->getProperty(1);
    depth->setCaption(std::wstring(L"Глубина, м"));
    depth->setPrecision(std::wstring(L"0.00"));
    depth->setPropKind(5);
    ek_history_clear(doc.history());
    TekVor4Property* keep = doc->getProperty(0);

    Subscriber events(path);
    ASSERT_TRUE(doc->deleteProperty(1));
    EXPECT_EQ(doc->getNumProps(), 1u);
    EXPECT_EQ(doc->getProperty(0), keep);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 4u) << "three chunks and the deletion";
    EXPECT_EQ(events.text(), "B U{} E B U{} E") << "the zero-fill is one group, the deletion another";
    auto files = env.undo_files();
    ASSERT_EQ(files.size(), 3u);
    std::vector<uintmax_t> sizes;
    for (const auto& f : files) sizes.push_back(std::filesystem::file_size(f));
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<uintmax_t>{4520 * 4, 10240 * 4, 10240 * 4}));
    EXPECT_FALSE(std::filesystem::exists(env.folder() / "doc.Depth.property"));

    events.clear();
    ASSERT_TRUE(ek_history_undo(doc.history(), 4));
    EXPECT_EQ(events.text(), "B U{} E");
    TekVor4Property* back = doc.own(L"Depth");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getCaptionW(), L"Глубина, м");
    EXPECT_EQ(back->getPrecisionW(), L"0.00");
    EXPECT_EQ(back->getPropKind(), 5);
    EXPECT_EQ(back->getDataType(), 2);
    EXPECT_EQ(read_values<int>(back, 0, 25000, 2), values);
    EXPECT_EQ(doc->getProperty(0), keep);

    // And once more, in single steps.
    ASSERT_TRUE(ek_history_redo(doc.history(), 4));
    EXPECT_EQ(doc->getIndexByName(std::wstring(L"Depth")), -1);
    for (int step = 0; step < 4; ++step) ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(read_values<int>(doc.own(L"Depth"), 0, 25000, 2), values);

    // The metadata file on disk follows.
    doc->save();
    TekVor4Impl disk;
    ASSERT_TRUE(disk.open(path, true));
    EXPECT_EQ(disk.getIndexByName(std::wstring(L"Depth")), 1);
}

TEST_F(DeleteUndo, TheTemporaryFilesGoWhenTheHistoryDropsTheItems) {
    ASSERT_TRUE(ek::test::make_document(path, 30, 1, {{L"P", 4}}));
    {
        Loaded doc(path);
        ASSERT_TRUE(doc->deleteProperty(0));
        EXPECT_EQ(env.undo_files().size(), 1u);
        ASSERT_TRUE(ek_history_undo(doc.history(), 2));
        EXPECT_EQ(env.undo_files().size(), 1u);
        doc->setX0(1);  // drops nothing: both items were undone, so they are redoable and erased
        EXPECT_TRUE(env.undo_files().empty());
        ASSERT_TRUE(doc->deleteProperty(0));
        EXPECT_EQ(env.undo_files().size(), 1u);
    }
    EXPECT_TRUE(env.undo_files().empty()) << "unloading discards the history and its files";
}

TEST_F(DeleteUndo, ADocumentWithoutObjectsRecordsOnlyTheDeletion) {
    ASSERT_TRUE(ek::test::make_document(path, 0, 1, {{L"Empty", 0}}));
    Loaded doc(path);
    ASSERT_EQ(doc->getNumObjects(), 0);
    ASSERT_TRUE(doc->deleteProperty(0));
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 1u);
    EXPECT_TRUE(env.undo_files().empty());
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    ASSERT_NE(doc.own(L"Empty"), nullptr);
    EXPECT_EQ(doc.own(L"Empty")->getNumObjects(), 0);
}

TEST_F(DeleteUndo, AGridWithAZeroLengthRowDeletesWithoutLooping) {
    ASSERT_TRUE(ek::test::make_document(path, 0, 50, {{L"Row", 1}}));
    Loaded doc(path);
    ASSERT_TRUE(doc->deleteProperty(0));
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_NE(doc.own(L"Row"), nullptr);
}

TEST_F(DeleteUndo, WithoutAHistoryTheDeletionHappensAndLeavesNoFile) {
    ASSERT_TRUE(ek::test::make_document(path, 20000, 1, {{L"P", 0}}));
    ek_history_manager_set_enabled(false);
    Loaded doc(path);
    ASSERT_EQ(doc.history(), nullptr);
    EXPECT_TRUE(doc->deleteProperty(0));
    EXPECT_EQ(doc->getNumProps(), 0u);
    EXPECT_TRUE(env.undo_files().empty());
}

TEST_F(DeleteUndo, ARefusedDeletionIsNeverUndoneIntoAnEmptyProperty) {
    ASSERT_TRUE(ek::test::make_document(path, 5, 1, {{L"P", 0}}));
    {
        TekVor4Impl w;
        ASSERT_TRUE(w.open(path, false));
        const float v[5] = {1, 2, 3, 4, 5};
        ASSERT_EQ(w.getProperty(0)->write_data(0, v, 5, 0, 0), 0);
    }
    TekVor4Refcount* r = TekVor4PoolProxy<TekVor4CachedProxy>::create_instance(path);
    auto* doc = dynamic_cast<TekVor4CachedProxy*>(r);
    ASSERT_TRUE(doc->open(path, true));  // read-only: deletions are refused
    EXPECT_FALSE(doc->deleteProperty(0));
    ASSERT_TRUE(ek_history_undo(doc->history_handle(), ek_history_get_undo_count(doc->history_handle())));
    EXPECT_EQ(doc->getNumProps(), 1u);
    EXPECT_EQ(read_values<float>(doc->getProperty(0), 0, 5, 0), (std::vector<float>{1, 2, 3, 4, 5}));
    r->free();
}

TEST_F(DeleteUndo, AnIndexPastTheEndRecordsNothing) {
    ASSERT_TRUE(ek::test::make_document(path, 5, 1, {{L"P", 0}}));
    Loaded doc(path);
    EXPECT_FALSE(doc->deleteProperty(1));
    EXPECT_FALSE(doc->deleteProperty(~0u));
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 0u);
}

TEST_F(DeleteUndo, AStrategyHandleOnALoadedPathRecordsItsDeletions) {
    ASSERT_TRUE(ek::test::make_document(path, 6, 1, {{L"A", 0}, {L"B", 4}}));
    Loaded doc(path);
    TekVor4StrategyProxy h;
    ASSERT_TRUE(h.open(path, false));
    TekVor4Property* b = h.getProperty(1);
    b->setValueDouble(3, 8.5);
    ASSERT_TRUE(h.deleteProperty(1));
    EXPECT_EQ(h.getNumProps(), 1u);
    ASSERT_TRUE(ek_history_undo(doc.history(), ek_history_get_undo_count(doc.history())));
    ASSERT_EQ(h.getNumProps(), 2u);
    double x = 0;
    EXPECT_FALSE(h.getProperty(1)->getValueDouble(3, x)) << "everything undone, the set value too";
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));
    ASSERT_TRUE(h.getProperty(1)->getValueDouble(3, x));
    EXPECT_EQ(x, 8.5);
}

TEST_F(DeleteUndo, DeletingEveryPropertyAndUndoingRestoresTheWholeList) {
    ASSERT_TRUE(ek::test::make_document(path, 12, 2, {{L"S", 0}, {L"Y", 1}, {L"I", 2}, {L"M", 3}, {L"D", 4}}));
    Loaded doc(path);
    for (unsigned k = 0; k < 5; ++k) {
        TekVor4Property* p = doc->getProperty(k);
        for (long long i = 0; i < 24; ++i) p->setValueInt(i, int(i % 2 + k));
    }
    ek_history_clear(doc.history());
    std::vector<std::vector<int>> before;
    for (unsigned k = 0; k < 5; ++k) before.push_back(read_values<int>(doc->getProperty(k), 0, 24, 2));
    while (doc->getNumProps() > 0) ASSERT_TRUE(doc->deleteProperty(0));
    ASSERT_TRUE(ek_history_undo(doc.history(), ek_history_get_undo_count(doc.history())));
    ASSERT_EQ(doc->getNumProps(), 5u);
    const wchar_t* names[5] = {L"S", L"Y", L"I", L"M", L"D"};
    for (unsigned k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        // A re-created property joins the end of the list: the last one deleted comes back first.
        EXPECT_EQ(doc->getProperty(4 - k)->getNameW(), names[k]);
        TekVor4Property* p = doc.own(names[k]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getDataType(), k);
        EXPECT_EQ(read_values<int>(p, 0, 24, 2), before[k]);
    }
}

}  // namespace
