// Lifetimes: long sequences of opens, loads and closes leave no instance, notifier reference,
// property proxy or temporary file behind (the sanitizer build checks the memory), and items
// recorded from inside a history step are handled.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "proxy_test_support.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy_write_op.h"

namespace {

using ek::test::Loaded;
using ek::test::read_values;
using ek::test::UndoEnvironment;
using CachedPool = TekVor4PoolProxy<TekVor4CachedProxy>;
using DirectPool = TekVor4PoolProxy<TekVor4DirectProxy>;

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ek::test::make_document(path, 40, 1, {{L"A", 0}, {L"B", 2}}));
        Tek_vor_notifier* n = Tek_vor_notifier::get_instance(path.c_str());
        baseCount = n->count() - 1;
        n->release();
    }
    unsigned notifier_refs() {
        Tek_vor_notifier* n = Tek_vor_notifier::get_instance(path.c_str());
        const unsigned c = n->count() - 1;
        n->release();
        return c;
    }
    UndoEnvironment env;
    std::wstring path = env.file("doc.xml");
    unsigned baseCount = 0;
};

TEST_F(Lifecycle, LongRandomSequencesReleaseEverything) {
    std::mt19937 random(12345);
    std::vector<std::unique_ptr<TekVor4StrategyProxy>> handles;
    std::vector<TekVor4Refcount*> loads;
    for (int step = 0; step < 400; ++step) {
        switch (random() % 6) {
            case 0:
            case 1: {
                auto h = std::make_unique<TekVor4StrategyProxy>();
                if (h->open(path, false)) handles.push_back(std::move(h));
                break;
            }
            case 2: {
                TekVor4Refcount* r = CachedPool::create_instance(path);
                r->open(path, false);
                loads.push_back(r);
                break;
            }
            case 3:
                if (!handles.empty()) handles.erase(handles.begin() + random() % handles.size());
                break;
            case 4:
                if (!loads.empty()) {
                    const size_t k = random() % loads.size();
                    loads[k]->free();
                    loads.erase(loads.begin() + k);
                }
                break;
            default:
                // Changes through whatever the newest handle reaches, recorded or not.
                if (!handles.empty()) {
                    TekVor4StrategyProxy& h = *handles.back();
                    h.setX0(step);
                    if (TekVor4Property* p = h.getProperty(step % 2)) {
                        const float v[4] = {1, 2, 3, float(step)};
                        p->write_data(step % 30, v, 4, 0, 0);
                        p->setValueInt(step % 40, step);
                    }
                }
                break;
        }
    }
    handles.clear();
    for (TekVor4Refcount* r : loads) r->free();
    EXPECT_EQ(CachedPool::find_instance(path), nullptr);
    EXPECT_EQ(DirectPool::find_instance(path), nullptr);
    EXPECT_EQ(notifier_refs(), baseCount) << "every instance gave its notifier reference back";
    EXPECT_TRUE(env.undo_files().empty()) << "the histories went with their instances";
}

TEST_F(Lifecycle, LoadsAndHandlesCountOneReferenceEach) {
    TekVor4Refcount* first = CachedPool::create_instance(path);
    TekVor4Refcount* second = CachedPool::create_instance(path);
    ASSERT_EQ(first, second);
    auto h = std::make_unique<TekVor4StrategyProxy>();
    ASSERT_TRUE(h->open(path, false));
    EXPECT_EQ(first->ref_count(), 3);
    EXPECT_EQ(notifier_refs(), baseCount + 1) << "one instance, one notifier reference";
    first->free();
    second->free();
    EXPECT_EQ(CachedPool::find_instance(path), h->instance()) << "the handle keeps the instance";
    h.reset();
    EXPECT_EQ(CachedPool::find_instance(path), nullptr);
    EXPECT_EQ(notifier_refs(), baseCount);
}

TEST_F(Lifecycle, AnInstanceLoadedWithoutADocumentIsOpenedByTheNextHandle) {
    const std::wstring later = env.file("later.xml");
    TekVor4Refcount* load = CachedPool::create_instance(later);
    EXPECT_FALSE(load->open(later, false));
    ASSERT_TRUE(ek::test::make_document(later, 3, 1, {{L"P", 0}}));
    TekVor4StrategyProxy h;
    EXPECT_TRUE(h.open(later, false));
    EXPECT_EQ(h.getNumProps(), 1u);
    load->free();
}

TEST_F(Lifecycle, PropertyProxiesDieWithTheirInstance) {
    {
        Loaded doc(path);
        for (unsigned k = 0; k < 2; ++k) ASSERT_NE(doc->getProperty(k), nullptr);
        EXPECT_EQ(doc->property_proxies().size(), 2u);
    }
    // The sanitizer build reports the proxies if they were leaked.
    EXPECT_EQ(CachedPool::find_instance(path), nullptr);
}

// Records a change from inside the notification of a history step.
struct Reentrant {
    TekVor4CachedProxy* doc;
    TekVor4Property* added = nullptr;
    bool fired = false;
    static void cb(Tek_table* queue, void* client) {
        auto* self = static_cast<Reentrant*>(client);
        if (self->fired || !ek_event_queue_get_update_event(queue, 0)) return;
        self->fired = true;
        self->added = self->doc->addProperty(std::wstring(L"Nested"), 0, 0, false);
        self->doc->setY0(9);
    }
};

TEST_F(Lifecycle, ChangesRecordedDuringAHistoryStepAreMadeAndNotRecorded) {
    Loaded doc(path);
    doc->setX0(1);
    Tek_vor_notifier* n = Tek_vor_notifier::get_instance(path.c_str());
    Reentrant r{&doc.doc()};
    ek_event_channel_add_client(n->get_update_event_channel(), &Reentrant::cb, &r);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    ek_event_channel_del_client(n->get_update_event_channel(), &Reentrant::cb, &r);
    n->release();
    EXPECT_TRUE(r.fired);
    EXPECT_EQ(r.added, doc.own(L"Nested")) << "the result reached the caller although the item is gone";
    EXPECT_EQ(doc->getY0(), 9.0);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()), 0u);
    EXPECT_EQ(ek_history_get_redo_count(doc.history()), 1u);
}

TEST_F(Lifecycle, ACaptureWaitingForItsFirstStepIsKeptWhenAnotherCaptureComes) {
    Loaded doc(path);
    auto* p = dynamic_cast<TekVor4PropertyCachedProxy*>(doc->getProperty(0));
    ASSERT_NE(p, nullptr);
    using op = TekVor4PropertyCachedProxy::write_raw_data_op<float, 0>;
    const float first[3] = {1, 2, 3}, second[3] = {7, 8, 9};
    {
        op a(*p, 0, first, 3, 0);
        op b(*p, 10, second, 3, 0);  // needs the capture array: a's values move to a's file
        EXPECT_EQ(std::filesystem::file_size(a.storage().path()), 12u);
        b.redo();
        a.redo();
        EXPECT_TRUE(a.applied() && b.applied());
        EXPECT_EQ(read_values<float>(p, 0, 3, 0), (std::vector<float>{1, 2, 3}));
        EXPECT_EQ(read_values<float>(p, 10, 3, 0), (std::vector<float>{7, 8, 9}));
        a.undo();
        a.undo();  // already undone: nothing more
        auto values = read_values<float>(p, 0, 3, 0);
        ASSERT_EQ(values.size(), 3u);
        EXPECT_TRUE(std::isnan(values[0]));
        a.swap();  // the exchange itself, whatever the state
        EXPECT_EQ(read_values<float>(p, 0, 3, 0), (std::vector<float>{1, 2, 3}));
    }
    EXPECT_TRUE(env.undo_files().empty());
}

}  // namespace
