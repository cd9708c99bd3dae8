// Shared pieces of the proxy tests: a loaded (undo-recording) instance, the undo history on with
// its temporary files in a folder of the test, and what a subscriber of the path hears.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Tek_vor_notifier.h"
#include "base/event_log.h"
#include "ekx_basic.h"
#include "support/document_fixture.h"
#include "support/temp_dir.h"
#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/proxy/TekVor4DirectProxy.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy.h"
#include "vor4/proxy/TekVor4StrategyProxy.h"

namespace ek::test {

using CachedPool = TekVor4PoolProxy<TekVor4CachedProxy>;
using DirectPool = TekVor4PoolProxy<TekVor4DirectProxy>;

// The history switched on and undo files kept in "undo" of a folder of the test; restored after.
class UndoEnvironment {
public:
    UndoEnvironment() {
        ek_history_manager_set_enabled(true);
        std::filesystem::create_directories(temp_.path() / "undo");
        ek_options_set_temp_wpath((temp_.path() / "undo").wstring().c_str());
    }
    ~UndoEnvironment() {
        ek_options_set_temp_wpath(nullptr);
        ek_history_manager_set_enabled(true);
    }
    size_t undo_files() const {
        auto entries = std::filesystem::directory_iterator(temp_.path() / "undo");
        return size_t(std::distance(begin(entries), end(entries)));
    }
    std::filesystem::path undo_file() const {
        return std::filesystem::directory_iterator(temp_.path() / "undo")->path();
    }
    std::wstring file(const std::string& name) const { return temp_.file(name); }
    const std::filesystem::path& folder() const { return temp_.path(); }

private:
    TempDir temp_;
};

// A test with that environment and a document path in its folder.
class ProxyTest : public ::testing::Test {
protected:
    UndoEnvironment env;
    std::wstring path = env.file("doc.xml");
};

// A path loaded in memory as the exported load does it: the shared recording instance with one
// reference, opened for writing.
struct Loaded {
    explicit Loaded(const std::wstring& path) : ref(CachedPool::create_instance(path)) {
        EXPECT_TRUE(ref->open(path, false));
    }
    ~Loaded() { ref->free(); }
    TekVor4CachedProxy* operator->() const { return dynamic_cast<TekVor4CachedProxy*>(ref); }
    Tek_history* history() const { return (*this)->history_handle(); }
    // The document's own property object of that name.
    TekVor4Property* own(const std::wstring& name) const {
        const int i = (*this)->subject()->getIndexByName(name);
        return i < 0 ? nullptr : (*this)->subject()->getProperty(unsigned(i));
    }
    TekVor4Refcount* ref;
};

// What the subscribers of a path's notifier receive.
struct Subscriber {
    explicit Subscriber(const std::wstring& path)
        : notifier(Tek_vor_notifier::get_instance(path.c_str())), log(notifier->get_update_event_channel()) {}
    ~Subscriber() { notifier->release(); }
    std::string text() { return log.text(); }
    Tek_vor_notifier* notifier;
    EventLog log;
};

template <class T>
std::vector<T> read_values(TekVor4Property* p, long long start, long long count, unsigned char type) {
    std::vector<T> values(static_cast<size_t>(count));
    if (!p || p->readRawData(start, count, values.data(), count, type, 1) != 0) return {};
    return values;
}

// The raw content of a file as values of T.
template <class T>
std::vector<T> file_values(const std::filesystem::path& file) {
    std::vector<T> values(std::filesystem::file_size(file) / sizeof(T));
    std::FILE* f = std::fopen(file.string().c_str(), "rb");
    if (!f) return {};
    values.resize(std::fread(values.data(), sizeof(T), values.size(), f));
    std::fclose(f);
    return values;
}

}  // namespace ek::test
