// Lifetimes: opens, loads and closes leave no instance, notifier reference, property proxy or
// temporary file behind (the sanitizer build checks the memory), and items recorded from inside a
// history step.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>

#include "proxy_test_support.h"

namespace {

using namespace std::string_literals;

using namespace ek::test;

class Lifecycle : public ProxyTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(make_document(path, 40, 1, {{L"A", 0}, {L"B", 2}}));
        baseCount = notifier_refs();
    }
    unsigned notifier_refs() {
        Subscriber s(path);
        return s.notifier->count() - 1;
    }
    unsigned baseCount = 0;
};

TEST_F(Lifecycle, ReferencesCountOnePerHandleAndLoadAndReleaseEverything) {
    TekVor4Refcount* first = CachedPool::create_instance(path);
    TekVor4Refcount* second = CachedPool::create_instance(path);
    auto h = std::make_unique<TekVor4StrategyProxy>();
    ASSERT_TRUE(h->open(path, false)) << "an instance loaded without an open document is opened by a handle";
    EXPECT_EQ(first->ref_count(), 3);
    EXPECT_EQ(notifier_refs(), baseCount + 1) << "one instance, one notifier reference";
    first->free();
    second->free();
    EXPECT_EQ(CachedPool::find_instance(path), h->instance()) << "the handle keeps the instance";
    h.reset();
    EXPECT_EQ(CachedPool::find_instance(path), nullptr);

    std::mt19937 random(12345);
    std::vector<std::unique_ptr<TekVor4StrategyProxy>> handles;
    std::vector<TekVor4Refcount*> loads;
    for (int step = 0; step < 400; ++step) {
        const unsigned what = random() % 6;
        if (what < 2) {
            handles.push_back(std::make_unique<TekVor4StrategyProxy>());
            if (!handles.back()->open(path, false)) handles.pop_back();
        } else if (what == 2) {
            loads.push_back(CachedPool::create_instance(path));
            loads.back()->open(path, false);
        } else if (what == 3 && !handles.empty()) {
            handles.erase(handles.begin() + random() % handles.size());
        } else if (what == 4 && !loads.empty()) {
            const size_t k = random() % loads.size();
            loads[k]->free();
            loads.erase(loads.begin() + k);
        } else if (what == 5 && !handles.empty()) {  // changes through the newest handle, recorded or not
            TekVor4StrategyProxy& last = *handles.back();
            last.setX0(step);
            if (TekVor4Property* p = last.getProperty(step % 2)) {
                const float v[4] = {1, 2, 3, float(step)};
                p->write_data(step % 30, v, 4, 0, 0);
                p->setValueInt(step % 40, step);
            }
        }
    }
    handles.clear();
    for (TekVor4Refcount* r : loads) r->free();
    EXPECT_EQ(CachedPool::find_instance(path), nullptr);
    EXPECT_EQ(DirectPool::find_instance(path), nullptr);
    EXPECT_EQ(notifier_refs(), baseCount) << "every instance gave its notifier reference back";
    EXPECT_EQ(env.undo_files(), 0u) << "the histories went with their instances";
}

// Records a change from inside the announcement of a history step.
struct Reentrant {
    TekVor4CachedProxy* doc;
    TekVor4Property* added = nullptr;
    bool fired = false;
    static void cb(Tek_table* queue, void* client) {
        auto* self = static_cast<Reentrant*>(client);
        if (!ek_event_queue_get_update_event(queue, 0) || std::exchange(self->fired, true)) return;
        self->added = self->doc->addProperty(L"Nested"s, 0, 0, false);
        self->doc->setY0(9);
    }
};

TEST_F(Lifecycle, ChangesRecordedDuringAHistoryStepAreMadeAndNotRecorded) {
    Loaded doc(path);
    doc->setX0(1);
    Subscriber events(path);
    Reentrant r{doc.operator->()};
    ek_event_channel_add_client(events.notifier->get_update_event_channel(), &Reentrant::cb, &r);
    ASSERT_TRUE(ek_history_undo(doc.history(), 1));
    ek_event_channel_del_client(events.notifier->get_update_event_channel(), &Reentrant::cb, &r);
    EXPECT_EQ(r.added, doc.own(L"Nested")) << "the result reached the caller although the item is gone";
    ASSERT_NE(r.added, nullptr);
    EXPECT_EQ(doc->getY0(), 9.0);
    EXPECT_EQ(ek_history_get_undo_count(doc.history()) * 10 + ek_history_get_redo_count(doc.history()), 1u);
}

}  // namespace
