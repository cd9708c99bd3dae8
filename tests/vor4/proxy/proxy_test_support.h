// Shared pieces of the proxy tests: the undo history on with its temporary files in a folder of the
// test, a loaded (undo-recording) instance, and what a subscriber of the path hears.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/Tek_vor_notifier.h"
#include "base/event_log.h"
#include "support/document_fixture.h"
#include "support/temp_dir.h"
#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/proxy/TekVor4DirectProxy.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy.h"
#include "vor4/proxy/TekVor4StrategyProxy.h"

namespace ek::test {

using CachedPool = TekVor4PoolProxy<TekVor4CachedProxy>;
using DirectPool = TekVor4PoolProxy<TekVor4DirectProxy>;

// The history on and undo files kept in "undo" of the test's folder (both restored after); a document path there.
class ProxyTest : public ::testing::Test {
protected:
    ProxyTest() {
        ek_history_manager_set_enabled(true);
        std::filesystem::create_directories(undo);
        ek_options_set_temp_wpath(undo.wstring().c_str());
    }
    ~ProxyTest() override { ek_options_set_temp_wpath(nullptr), ek_history_manager_set_enabled(true); }
    size_t undo_files() const { return size_t(std::distance(std::filesystem::directory_iterator(undo), {})); }
    std::filesystem::path undo_file() const { return std::filesystem::directory_iterator(undo)->path(); }
    TempDir dir;
    const std::filesystem::path undo = dir.path() / "undo";
    const std::wstring path = dir.file("doc.xml");
};

// A path loaded in memory as the exported load does it: the shared recording instance with one
// reference, opened for writing.
struct Loaded {
    explicit Loaded(const std::wstring& p) : ref(CachedPool::create_instance(p)) { EXPECT_TRUE(ref->open(p, false)); }
    ~Loaded() { ref->free(); }
    TekVor4CachedProxy* operator->() const { return dynamic_cast<TekVor4CachedProxy*>(ref); }
    Tek_history* history() const { return (*this)->history_handle(); }
    TekVor4Property* own(const std::wstring& name) const {  // the document's own property of that name
        return (*this)->subject()->getProperty(unsigned((*this)->subject()->getIndexByName(name)));
    }
    TekVor4Refcount* ref;
};

// What the subscribers of a path's notifier receive; take() gives it and starts anew.
struct Subscriber {
    explicit Subscriber(const std::wstring& path)
        : notifier(Tek_vor_notifier::get_instance(path.c_str())), log(notifier->get_update_event_channel()) {}
    ~Subscriber() { notifier->release(); }
    std::string take() { std::string t = log.text(); log.clear(); return t; }
    Tek_vor_notifier* notifier;
    EventLog log;
};

template <class T>
std::vector<T> read_values(TekVor4Property* p, long long start, long long count, unsigned char type) {
    std::vector<T> values(static_cast<size_t>(count));
    return p && p->readRawData(start, count, values.data(), count, type, 1) == 0 ? values : std::vector<T>{};
}

template <class T>
std::vector<T> file_values(const std::filesystem::path& file) {  // the raw content of a file as values of T
    const std::string bytes = read_file(file);
    std::vector<T> values(bytes.size() / sizeof(T));
    return std::copy_n(bytes.data(), values.size() * sizeof(T), reinterpret_cast<char*>(values.data())), values;
}

}  // namespace ek::test
