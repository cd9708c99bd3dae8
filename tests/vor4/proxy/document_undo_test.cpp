// Undo at the document level: the eight geometry setters and property additions become items
// of the loaded instance's history; every step is announced on the path's notifier.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "proxy_test_support.h"

namespace {

using ek::test::Loaded;
using ek::test::Subscriber;
using ek::test::UndoEnvironment;

class DocumentUndo : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ek::test::make_document(path, 4, 3, {{L"A", 0}})); }
    UndoEnvironment env;
    std::wstring path = env.file("doc.xml");
};

struct GeometryCase {
    const char* name;
    void (TekVor4::*set)(double);
    double (TekVor4::*get)();
};

TEST_F(DocumentUndo, EveryGeometrySetterIsUndoneAndRedone) {
    const GeometryCase cases[] = {
        {"X0", &TekVor4::setX0, &TekVor4::getX0},   {"Y0", &TekVor4::setY0, &TekVor4::getY0},
        {"Z0", &TekVor4::setZ0, &TekVor4::getZ0},   {"DX", &TekVor4::setDX, &TekVor4::getDX},
        {"DY", &TekVor4::setDY, &TekVor4::getDY},   {"DZ", &TekVor4::setDZ, &TekVor4::getDZ},
        {"Azimuth", &TekVor4::setAzimuth, &TekVor4::getAzimuth},
    };
    Loaded doc(path);
    ASSERT_TRUE(doc.opened());
    Subscriber events(path);
    TekVor4& d = doc.doc();
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        const double before = (d.*c.get)();
        (d.*c.set)(before + 10.25);
        EXPECT_EQ((d.*c.get)(), before + 10.25);
        EXPECT_EQ(events.text(), "B U{} E");
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
        EXPECT_EQ((d.*c.get)(), before);
        ASSERT_TRUE(ek_history_redo(doc.history(), 1));
        EXPECT_EQ((d.*c.get)(), before + 10.25);
        EXPECT_EQ(events.text(), "B U{} E B U{} E B U{} E");
    }
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 7u);
}

TEST_F(DocumentUndo, EarthPlaneIsUndoneAndRedone) {
    Loaded doc(path);
    const bool before = doc->getEarthPlane();
    doc->setEarthPlane(!before);
    EXPECT_EQ(doc->getEarthPlane(), !before);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc->getEarthPlane(), before);
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));
    EXPECT_EQ(doc->getEarthPlane(), !before);
}

TEST_F(DocumentUndo, SettingTheCurrentValueStillRecordsAndNotifies) {
    Loaded doc(path);
    Subscriber events(path);
    doc->setX0(0.0);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 1u);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc->getX0(), 0.0);
    EXPECT_EQ(events.text(), "B U{} E B U{} E");
}

TEST_F(DocumentUndo, UnrecordedSettersChangeTheDocumentWithoutAnItem) {
    Loaded doc(path);
    Subscriber events(path);
    doc->setGridType(5);
    doc->setSizeX(8);
    doc->setMaskPropIndex(0);
    EXPECT_EQ(doc->getSizeX(), 8);
    EXPECT_EQ(doc->getMaskPropIndex(), 0);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 0u);
    EXPECT_EQ(events.text(), "");
}

TEST_F(DocumentUndo, WithoutAHistoryChangesHappenAtOnce) {
    ek_history_manager_set_enabled(false);
    Loaded doc(path);
    EXPECT_EQ(doc.history(), nullptr);
    Subscriber events(path);
    doc->setDX(5.0);
    EXPECT_EQ(doc->getDX(), 5.0);
    EXPECT_EQ(events.text(), "B U{} E") << "the change is announced all the same";
    TekVor4Property* p = doc->addProperty(std::wstring(L"N"), 0, 0, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(doc->getNumProps(), 2u);
}

TEST_F(DocumentUndo, UndoingAnAdditionRemovesTheProperty) {
    Loaded doc(path);
    Subscriber events(path);
    TekVor4Property* added = doc->addProperty(std::wstring(L"New"), 2, 2, false);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added, doc.own(L"New")) << "the document's own property, not a proxy";
    EXPECT_EQ(doc->getNumProps(), 2u);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc->getIndexByName(std::wstring(L"New")), -1);
    EXPECT_FALSE(std::filesystem::exists(env.folder() / "doc.New.property"));
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));
    ASSERT_NE(doc.own(L"New"), nullptr);
    EXPECT_EQ(doc.own(L"New")->getPropKind(), 2);
    EXPECT_EQ(doc.own(L"New")->getDataType(), 2);
    EXPECT_EQ(events.text(), "B U{} E B U{} E B U{} E");
}

TEST_F(DocumentUndo, NarrowAdditionsAreUndoneByTheirNarrowName) {
    Loaded doc(path);
    ASSERT_NE(doc->addProperty(std::string("\xC3\xEB\xF3\xE1\xE8\xED\xE0"), 0, 4, false), nullptr);  // "Глубина"
    EXPECT_GE(doc->getIndexByName(std::wstring(L"Глубина")), 0);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc->getIndexByName(std::wstring(L"Глубина")), -1);
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));
    EXPECT_GE(doc->getIndexByName(std::wstring(L"Глубина")), 0);
}

TEST_F(DocumentUndo, ARefusedAdditionDoesNothingOnUndoAndRedo) {
    Loaded doc(path);
    TekVor4Property* a = doc.own(L"A");
    const float value = 4.5f;
    ASSERT_EQ(a->write_data(3, &value, 1, 0, 0), 0);
    EXPECT_EQ(doc->addProperty(std::wstring(L"a"), 0, 0, false), nullptr) << "the name exists";
    EXPECT_EQ(doc->addProperty(std::string(""), 0, 0, true), nullptr) << "an empty name";
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 2u) << "the items are recorded all the same";
    ASSERT_TRUE(ek_history_undo(doc.history(), 2));
    ASSERT_EQ(doc.own(L"A"), a) << "undo must not delete the existing property of that name";
    EXPECT_EQ(ek::test::read_values<float>(a, 3, 1, 0), std::vector<float>{4.5f});
    ASSERT_TRUE(ek_history_redo(doc.history(), 2));
    EXPECT_EQ(doc->getNumProps(), 1u);
    EXPECT_EQ(doc.own(L"A"), a);
}

TEST_F(DocumentUndo, AnUndoRemovesOnlyWhatItsRedoAdded) {
    Loaded doc(path);
    ASSERT_NE(doc->addProperty(std::wstring(L"N"), 0, 0, false), nullptr);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    // Someone else takes the name while the addition is undone.
    TekVor4Property* other = doc->subject()->addProperty(std::wstring(L"N"), 0, 4, false);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));  // refused now: the name exists
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc.own(L"N"), other) << "the other property survives";
}

TEST_F(DocumentUndo, BinaryAdditionsNotifyButAreNotRecorded) {
    const std::filesystem::path source = env.folder() / "values.bin";
    {
        std::ofstream out(source, std::ios::binary);
        const float values[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        out.write(reinterpret_cast<const char*>(values), sizeof values);
    }
    Loaded doc(path);
    Subscriber events(path);
    TekVor4Property* p = doc->addPropertyBinary(std::wstring(L"Bin"), 0, 0, source.wstring(), true, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(events.text(), "B U{} E");
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 0u);
    EXPECT_FALSE(ek_history_undo(doc.history(), 1));
    EXPECT_NE(doc.own(L"Bin"), nullptr);
    EXPECT_EQ(ek::test::read_values<float>(p, 0, 3, 0), (std::vector<float>{1, 2, 3}));

    EXPECT_EQ(doc->addPropertyBinary(std::string("Bin2"), 0, 0, std::string("/nonexistent/file"), true, false),
              nullptr);
    EXPECT_EQ(events.text(), "B U{} E B U{} E") << "a failed binary addition is announced too";
}

TEST_F(DocumentUndo, AGroupOfStepsGivesOneBeginOneUpdateAndOneEnd) {
    Loaded doc(path);
    doc->setX0(1);
    doc->setY0(2);
    ASSERT_NE(doc->addProperty(std::wstring(L"G"), 0, 0, false), nullptr);
    Subscriber events(path);
    ASSERT_TRUE(ek_history_undo(doc.history(), 3));
    EXPECT_EQ(events.text(), "B U{} E");
    EXPECT_EQ(doc->getX0(), 0.0);
    EXPECT_EQ(doc->getY0(), 0.0);
    EXPECT_EQ(doc->getNumProps(), 1u);
    events.clear();
    ASSERT_TRUE(ek_history_redo(doc.history(), 3));
    EXPECT_EQ(events.text(), "B U{} E");
    EXPECT_EQ(doc->getX0(), 1.0);
    EXPECT_EQ(doc->getNumProps(), 2u);
    EXPECT_FALSE(ek_history_redo(doc.history(), 1)) << "nothing left to redo";
}

TEST_F(DocumentUndo, AGroupedUndoCleansUpTheProxiesOfRemovedProperties) {
    Loaded doc(path);
    ASSERT_NE(doc->addProperty(std::wstring(L"G"), 0, 0, false), nullptr);
    TekVor4Property* handle = doc->getProperty(1);
    ASSERT_NE(dynamic_cast<TekVor4PropertyCachedProxy*>(handle), nullptr);
    EXPECT_EQ(doc->property_proxies().size(), 1u);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc->property_proxies().size(), 0u) << "the proxy of the removed property is destroyed";
    EXPECT_EQ(doc->update_nesting(), 0u);
}

TEST_F(DocumentUndo, ASubscriberOfAPathHearsAnInstanceLoadedLater) {
    Subscriber events(path);  // subscribed before the document exists in memory
    Loaded doc(path);
    doc->setZ0(4);
    EXPECT_EQ(events.text(), "B U{} E");
}

TEST_F(DocumentUndo, ANewChangeDropsTheRedoableSteps) {
    Loaded doc(path);
    doc->setX0(1);
    doc->setX0(2);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    doc->setX0(3);
    EXPECT_EQ(ek_history_get_redo_count(doc.history()), 0u);
    ASSERT_TRUE(ek_history_undo(doc.history(), 2));
    EXPECT_EQ(doc->getX0(), 0.0);
}

TEST_F(DocumentUndo, UnloadingSavesTheDocumentAndDiscardsItsHistory) {
    Tek_history_manager* manager = ek_history_manager_get_instance();
    const size_t before = ek_history_manager_get_history_count(manager);
    {
        Loaded doc(path);
        EXPECT_EQ(ek_history_manager_get_history_count(manager), before + 1);
        doc->setX0(33);
        doc->setY0(44);
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    }
    EXPECT_EQ(ek_history_manager_get_history_count(manager), before);
    TekVor4Impl disk;
    ASSERT_TRUE(disk.open(path, true));
    EXPECT_EQ(disk.getX0(), 33.0);
    EXPECT_EQ(disk.getY0(), 0.0);
}

TEST_F(DocumentUndo, ARecordingInstanceSurvivesItsHistoryBeingDestroyedByTheHost) {
    Loaded doc(path);
    doc->setX0(1);
    ek_history_destroy(doc.history());
    doc->setX0(2);  // performed at once: the history is gone
    EXPECT_EQ(doc->getX0(), 2.0);
}

}  // namespace
