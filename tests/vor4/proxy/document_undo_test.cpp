// Undo at the document level: the eight geometry setters and property additions become items of
// the loaded instance's history; every step is announced on the path's notifier.
#include <gtest/gtest.h>

#include <functional>

#include "ek_text.h"
#include "proxy_test_support.h"

namespace {

using namespace std::string_literals;

using namespace ek::test;

class DocumentUndo : public ProxyTest {
    void SetUp() override { ASSERT_TRUE(make_document(path, 4, 3, {{L"A", 0}})); }
};

TEST_F(DocumentUndo, GeometrySettersAreRecordedEvenWithoutAChange) {
    const struct {
        const char* name;
        std::function<void(TekVor4&, double)> set;
        std::function<double(TekVor4&)> get;
        double value;
    } rows[] = {
        {"X0", &TekVor4::setX0, &TekVor4::getX0, 10.25}, {"X0 unchanged", &TekVor4::setX0, &TekVor4::getX0, 10.25},
        {"Y0", &TekVor4::setY0, &TekVor4::getY0, -3},    {"Z0", &TekVor4::setZ0, &TekVor4::getZ0, 4},
        {"DX", &TekVor4::setDX, &TekVor4::getDX, 5},     {"DY", &TekVor4::setDY, &TekVor4::getDY, 6},
        {"DZ", &TekVor4::setDZ, &TekVor4::getDZ, 7},     {"Azimuth", &TekVor4::setAzimuth, &TekVor4::getAzimuth, 8},
        {"EarthPlane", [](TekVor4& d, double v) { d.setEarthPlane(v != 0); },
         [](TekVor4& d) { return double(d.getEarthPlane()); }, 0},
    };
    Loaded doc(path);
    Subscriber events(path);
    TekVor4& d = *doc.ref;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        events.log.clear();
        const double before = r.get(d);
        r.set(d, r.value);
        EXPECT_EQ(r.get(d), r.value);
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
        EXPECT_EQ(r.get(d), before);
        ASSERT_TRUE(ek_history_redo(doc.history(), 1));
        EXPECT_EQ(r.get(d), r.value);
        EXPECT_EQ(events.text(), "B U{} E B U{} E B U{} E");
    }
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), std::size(rows));
    events.log.clear();
    d.setGridType(5); d.setSizeX(8); d.setNumObjects(3); d.setMaskPropIndex(0); d.setXPropIndex(0);
    EXPECT_EQ(d.getSizeX() * 100 + d.getGridType() * 10 + d.getMaskPropIndex(), 850);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), std::size(rows)) << "those are not recorded";
    EXPECT_EQ(events.text(), "");
}

TEST_F(DocumentUndo, UndoingAnAdditionRemovesWhatItsRedoAdded) {
    const struct { const char* name; std::wstring wide; bool narrow; } rows[] = {
        {"wide", L"New", false}, {"narrow", L"\u0413\u043B\u0443\u0431", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Loaded doc(path);
        Subscriber events(path);
        TekVor4Property* added = r.narrow ? doc->addProperty(ek::text::to_narrow(r.wide), 2, 2, false)
                                          : doc->addProperty(r.wide, 2, 2, false);
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added, doc.own(r.wide)) << "the document's own property, not a proxy";
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
        EXPECT_EQ(doc.own(r.wide), nullptr);
        EXPECT_EQ(doc->getNumProps(), 1u);
        ASSERT_TRUE(ek_history_redo(doc.history(), 1));
        ASSERT_NE(doc.own(r.wide), nullptr);
        EXPECT_EQ(doc.own(r.wide)->getPropKind() * 10 + doc.own(r.wide)->getDataType(), 22);
        EXPECT_EQ(events.text(), "B U{} E B U{} E B U{} E");
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(env.folder()), {}), 3) << "doc, A and undo folder";

    Loaded doc(path);
    TekVor4Property* a = doc.own(L"A");
    const float value = 4.5f;
    ASSERT_EQ(a->write_data(3, &value, 1, 0, 0), 0);
    EXPECT_EQ(doc->addProperty(L"a"s, 0, 0, false), nullptr) << "the name is taken";
    EXPECT_EQ(doc->addProperty(""s, 0, 0, true), nullptr);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 2u) << "refused additions are recorded all the same";
    ASSERT_TRUE(ek_history_undo(doc.history(), 2));
    ASSERT_TRUE(ek_history_redo(doc.history(), 2));
    ASSERT_EQ(doc.own(L"A"), a) << "no step deletes the property that refused them";
    EXPECT_EQ(read_values<float>(a, 3, 1, 0), std::vector<float>{4.5f});

    ASSERT_NE(doc->addProperty(L"N"s, 0, 0, false), nullptr);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    TekVor4Property* other = doc->subject()->addProperty(L"N"s, 0, 4, false);  // takes the name
    ASSERT_TRUE(ek_history_redo(doc.history(), 1));  // refused now
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    EXPECT_EQ(doc.own(L"N"), other) << "the other property survives";
}

TEST_F(DocumentUndo, BinaryAdditionsAreAnnouncedButNotRecorded) {
    const std::filesystem::path source = env.folder() / "values.bin";
    const float values[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    write_file(source, std::string(reinterpret_cast<const char*>(values), sizeof values));
    Loaded doc(path);
    Subscriber events(path);
    TekVor4Property* p = doc->addPropertyBinary(L"Bin"s, 0, 0, source.wstring(), true, false);
    EXPECT_EQ(read_values<float>(p, 0, 3, 0), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(doc->addPropertyBinary("Bin2"s, 0, 0, "/nonexistent"s, true, false), nullptr);
    EXPECT_EQ(events.text(), "B U{} E B U{} E") << "a failed one too";
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 0u);
    EXPECT_EQ(doc.own(L"Bin"), p);
}

TEST_F(DocumentUndo, AGroupOfStepsIsOneAnnouncementAndOneCleanUp) {
    Subscriber events(path);  // subscribed before the document is in memory
    Loaded doc(path);
    doc->setX0(1);
    doc->setY0(2);
    ASSERT_NE(doc->addProperty(L"G"s, 0, 0, false), nullptr);
    EXPECT_NE(dynamic_cast<TekVor4PropertyCachedProxy*>(doc->getProperty(1)), nullptr);
    EXPECT_EQ(doc->property_proxies().size(), 1u);
    EXPECT_EQ(events.text(), "B U{} E B U{} E B U{} E");
    events.log.clear();
    ASSERT_TRUE(ek_history_undo(doc.history(), 3));
    EXPECT_EQ(events.text(), "B U{} E");
    EXPECT_EQ(doc->getX0() + doc->getY0() + doc->getNumProps(), 1.0);
    EXPECT_EQ(doc->property_proxies().size(), 0u) << "the proxy of the removed property is destroyed";
    EXPECT_EQ(doc->update_nesting(), 0u);
    events.log.clear();
    ASSERT_TRUE(ek_history_redo(doc.history(), 3));
    EXPECT_EQ(events.text(), "B U{} E");
    EXPECT_EQ(doc->getX0() + doc->getY0() + doc->getNumProps(), 5.0);
}

TEST_F(DocumentUndo, TheHistoryLivesWithTheLoadedInstance) {
    Tek_history_manager* manager = ek_history_manager_get_instance();
    const size_t histories = ek_history_manager_get_history_count(manager);
    {
        Loaded doc(path);
        EXPECT_EQ(ek_history_manager_get_history_count(manager), histories + 1);
        doc->setX0(33);
        doc->setY0(44);
        doc->setZ0(55);
        ASSERT_TRUE(ek_history_undo(doc.history(), 2));
        doc->setDX(3);
        EXPECT_EQ(ek_history_get_redo_count(doc.history()), 0u) << "a new change drops the redoable steps";
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    }
    EXPECT_EQ(ek_history_manager_get_history_count(manager), histories);
    TekVor4Impl disk;
    ASSERT_TRUE(disk.open(path, true));
    EXPECT_EQ(disk.getX0() + disk.getY0() + disk.getDX(), 34.0) << "unloading saved the document as it was";

    for (bool destroyedByHost : {true, false}) {
        ek_history_manager_set_enabled(destroyedByHost);
        Loaded doc(path);
        Subscriber events(path);
        if (destroyedByHost) ek_history_destroy(doc.history());
        else EXPECT_EQ(doc.history(), nullptr);
        doc->setDX(5.0);  // performed at once, nothing to undo
        EXPECT_EQ(doc->getDX(), 5.0);
        EXPECT_EQ(events.text(), "B U{} E") << "announced all the same";
        ASSERT_NE(doc->addProperty(std::wstring(destroyedByHost ? L"N" : L"M"), 0, 0, false), nullptr);
    }
}

}  // namespace
