// Undo at the document level: the eight geometry setters, property additions and deletions become
// items of the loaded instance's history; every step is announced on the path's notifier.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "ek_text.h"
#include "proxy_test_support.h"

namespace {

using namespace std::string_literals;
using namespace ek::test;

const std::string once = "B U{} E", twice = once + " " + once, thrice = twice + " " + once;

class DocumentUndo : public ProxyTest {
    void SetUp() override { ASSERT_TRUE(make_document(path, 4, 3, {{L"A", 0}})); }
};

TEST_F(DocumentUndo, GeometrySettersAreRecordedEvenWithoutAChange) {
    using T = TekVor4;
    const struct { const char* name; std::function<void(T&, double)> set; std::function<double(T&)> get; double v; }
        rows[] = {{"X0", &T::setX0, &T::getX0, 10.25}, {"X0 unchanged", &T::setX0, &T::getX0, 10.25},
                  {"Y0", &T::setY0, &T::getY0, -3}, {"Z0", &T::setZ0, &T::getZ0, 4}, {"DX", &T::setDX, &T::getDX, 5},
                  {"DY", &T::setDY, &T::getDY, 6}, {"DZ", &T::setDZ, &T::getDZ, 7},
                  {"Azimuth", &T::setAzimuth, &T::getAzimuth, 8},
                  {"EarthPlane", [](T& d, double v) { d.setEarthPlane(v != 0); },
                   [](T& d) { return double(d.getEarthPlane()); }, 0}};
    Loaded doc(path);
    Subscriber events(path);
    T& d = *doc.ref;
    for (const auto& r : rows) {
        const double before = r.get(d);
        r.set(d, r.v);
        EXPECT_EQ(r.get(d), r.v) << r.name;
        ASSERT_TRUE(ek_history_undo(doc.history(), 1)) << r.name;
        EXPECT_EQ(r.get(d), before) << r.name;
        ASSERT_TRUE(ek_history_redo(doc.history(), 1)) << r.name;
        EXPECT_EQ(r.get(d), r.v) << r.name;
        EXPECT_EQ(events.take(), thrice) << r.name;
    }
    d.setGridType(5), d.setSizeX(8), d.setNumObjects(3), d.setMaskPropIndex(0), d.setXPropIndex(0);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), std::size(rows)) << "those are not recorded";
    EXPECT_EQ(events.take(), "");
}

TEST_F(DocumentUndo, UndoingAnAdditionRemovesWhatItsRedoAdded) {
    for (bool narrow : {false, true}) {
        const std::wstring name = narrow ? L"\u0413\u043B\u0443\u0431" : L"New";
        Subscriber events(path);  // subscribed before the document is in memory
        Loaded doc(path);
        TekVor4Property* added = narrow ? doc->addProperty(ek::text::to_narrow(name), 2, 2, false)
                                        : doc->addProperty(name, 2, 2, false);
        ASSERT_TRUE(added && added == doc.own(name)) << "the document's own property, not a proxy";
        EXPECT_TRUE(dynamic_cast<TekVor4PropertyCachedProxy*>(doc->getProperty(1)) && doc->property_proxies().size());
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
        EXPECT_TRUE(!doc.own(name) && doc->getNumProps() == 1u && doc->property_proxies().empty()) << "proxy gone too";
        ASSERT_TRUE(ek_history_redo(doc.history(), 1) && doc.own(name));
        EXPECT_EQ(doc.own(name)->getPropKind() * 10 + doc.own(name)->getDataType(), 22);
        EXPECT_EQ(events.take(), thrice) << narrow;
        ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << "doc, A and undo folder";

    Loaded doc(path);
    TekVor4Property* a = doc.own(L"A");
    const float value = 4.5f;
    ASSERT_EQ(a->write_data(3, &value, 1, 0, 0), 0);
    EXPECT_FALSE(doc->addProperty(L"a"s, 0, 0, false) || doc->addProperty(""s, 0, 0, true)) << "a taken or no name";
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 2u) << "refused additions are recorded all the same";
    ASSERT_TRUE(ek_history_undo(doc.history(), 2) && ek_history_redo(doc.history(), 2));
    ASSERT_EQ(doc.own(L"A"), a) << "no step deletes the property that refused them";
    EXPECT_EQ(read_values<float>(a, 3, 1, 0), std::vector<float>{4.5f});
    ASSERT_TRUE(doc->addProperty(L"N"s, 0, 0, false) && ek_history_undo(doc.history(), 1));
    TekVor4Property* other = doc->subject()->addProperty(L"N"s, 0, 4, false);  // takes the name
    ASSERT_TRUE(ek_history_redo(doc.history(), 1) && ek_history_undo(doc.history(), 1));  // the redo is refused
    EXPECT_EQ(doc.own(L"N"), other) << "the other property survives";

    // Binary additions are announced, a failed one too, but not recorded.
    const float values[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    write_file(dir.path() / "values.bin", std::string(reinterpret_cast<const char*>(values), sizeof values));
    Subscriber events(path);
    TekVor4Property* p = doc->addPropertyBinary(L"Bin"s, 0, 0, dir.file("values.bin"), true, false);
    EXPECT_TRUE(p == doc.own(L"Bin") && read_values<float>(p, 0, 3, 0) == std::vector<float>({1, 2, 3}));
    EXPECT_EQ(doc->addPropertyBinary("Bin2"s, 0, 0, "/nonexistent"s, true, false), nullptr);
    EXPECT_EQ(events.take(), twice);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 2u);
}

TEST_F(DocumentUndo, TheHistoryLivesWithTheLoadedInstance) {
    Tek_history_manager* manager = ek_history_manager_get_instance();
    const size_t histories = ek_history_manager_get_history_count(manager);
    {
        Loaded doc(path);
        EXPECT_EQ(ek_history_manager_get_history_count(manager), histories + 1);
        doc->setX0(33), doc->setY0(44), doc->setDX(3);
        ASSERT_TRUE(ek_history_undo(doc.history(), 2));
    }
    TekVor4Impl disk;
    EXPECT_EQ(ek_history_manager_get_history_count(manager), histories);
    EXPECT_TRUE(disk.open(path, true) && disk.getX0() + disk.getY0() + disk.getDX() == 34.0) << "saved as it was";
    Loaded doc(path);
    Subscriber events(path);
    ek_history_destroy(doc.history());  // by the host: changes are then made at once, nothing to undo
    const float v = 2;
    doc->setDX(5.0);
    EXPECT_EQ(doc->getDX(), 5.0);
    EXPECT_EQ(events.take(), once) << "announced all the same";
    EXPECT_TRUE(doc->getProperty(0)->write_data(0, &v, 1, 0, 0) == 0 &&
                read_values<float>(doc.own(L"A"), 0, 1, 0) == std::vector<float>{2} && undo_files() == 0);
    ASSERT_NE(doc->addProperty(L"N"s, 0, 0, false), nullptr);
}

// The recorded deletion of a property: a zero-fill in chunks (of 10,240, 10,240 and 4,520 values for
// 25,000 objects) keeps the values in block-write items, then the deletion item; undoing every
// step brings the property back with its values.
TEST_F(DocumentUndo, UndoingEveryStepOfADeletionRestoresThePropertyWithItsValues) {
    ASSERT_TRUE(make_document(path, 250, 100, {{L"Keep", 0}, {L"Depth", 2}}));
    Loaded doc(path);
    std::vector<int> values(25000);
    for (int k = 0; k < 25000; ++k) values[size_t(k)] = k * 7 - 3;
    ASSERT_EQ(doc.own(L"Depth")->write_data(0, values.data(), 25000, 2, 0), 0);
    TekVor4Property *depth = doc->getProperty(1), *keep = doc->getProperty(0);
    depth->setCaption(L"\u0413\u043B, m"s), depth->setPrecision(L"0.00"s), depth->setPropKind(5);
    ek_history_clear(doc.history());
    Subscriber events(path);
    ASSERT_TRUE(doc->deleteProperty(1) && doc->getNumProps() == 1u);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 4u) << "three chunks and the deletion";
    EXPECT_EQ(events.take(), twice) << "the zero-fill is one group, the deletion another";
    std::vector<uintmax_t> sizes;
    for (const auto& f : std::filesystem::directory_iterator(undo)) sizes.push_back(f.file_size());
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<uintmax_t>{4520 * 4, 10240 * 4, 10240 * 4}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "doc.Depth.property"));
    for (size_t steps : {4, 1}) {  // undone in one group, then redone and undone step by step
        for (size_t done = 0; done < 4; done += steps) ASSERT_TRUE(ek_history_undo(doc.history(), steps));
        EXPECT_EQ(events.take(), steps == 4 ? once : twice + " " + thrice) << "the redo before is one group";
        TekVor4Property* back = doc.own(L"Depth");
        ASSERT_NE(back, nullptr) << steps;
        EXPECT_EQ(back->getCaptionW() + L"|" + back->getPrecisionW() + std::to_wstring(back->getPropKind()) +
                      std::to_wstring(back->getDataType()), L"\u0413\u043B, m|0.0052");
        EXPECT_TRUE(read_values<int>(back, 0, 25000, 2) == values && doc->getProperty(0) == keep) << steps;
        ASSERT_TRUE(steps == 1 || ek_history_redo(doc.history(), 4));
    }
    TekVor4Impl disk;
    EXPECT_TRUE(doc->save() && disk.open(path, true) && disk.getIndexByName(L"Depth"s) == 1) << "the file follows";
    ek_history_clear(doc.history());
    EXPECT_EQ(undo_files(), 0u) << "the undo files go with their items";
}

TEST_F(DocumentUndo, DeletionsThatWriteNothingOrAreRefused) {
    const struct { const char* name; long long nx, ny; bool history, readOnly; unsigned at; bool done; size_t items; }
        rows[] = {{"no objects", 0, 1, true, false, 0, true, 1}, {"rows of no length", 0, 50, true, false, 0, true, 1},
                  {"no history", 20000, 1, false, false, 0, true, 0}, {"past the end", 5, 1, true, false, 1, false, 0},
                  {"read-only document", 5, 1, true, true, 0, false, 2}};  // the zero-fill is recorded, and fails
    const std::vector<float> v = {1, 2, 3, 4, 5};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::wstring p = dir.file(std::string(r.name) + ".xml");
        ASSERT_TRUE(make_document(p, r.nx, r.ny, {{L"P", 0}}));
        if (r.nx == 5) {
            TekVor4Impl w;
            ASSERT_TRUE(w.open(p, false) && w.getProperty(0)->write_data(0, v.data(), 5, 0, 0) == 0);
        }
        ek_history_manager_set_enabled(r.history);
        TekVor4Refcount* ref = CachedPool::create_instance(p);
        auto* doc = dynamic_cast<TekVor4CachedProxy*>(ref);
        ASSERT_TRUE(doc->open(p, r.readOnly));
        EXPECT_TRUE(doc->deleteProperty(r.at) == r.done && doc->getNumProps() == (r.done ? 0u : 1u));
        if (Tek_history* h = doc->history_handle()) {
            EXPECT_TRUE(ek_history_get_undo_count(h) == r.items && undo_files() == (r.items > 1 ? r.items - 1 : 0));
            ek_history_undo(h, r.items);
            ASSERT_EQ(doc->getNumProps(), 1u) << "back after undo";
            EXPECT_EQ(doc->getProperty(0)->getNumObjects(), r.nx * r.ny);
            EXPECT_TRUE(r.nx != 5 || read_values<float>(doc->getProperty(0), 0, 5, 0) == v) << "never emptied";
        }
        EXPECT_TRUE(r.history || undo_files() == 0);
        ref->free();
        ek_history_manager_set_enabled(true);
    }
}

}  // namespace
