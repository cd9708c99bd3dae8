// Shared pieces of the proxy tests: documents on disk, a loaded (undo-recording) instance, and
// an environment with the undo history on and undo temporary files in a folder of the test.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/Tek_vor_notifier.h"
#include "base/event_log.h"
#include "ekx_basic.h"
#include "support/temp_dir.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/proxy/TekVor4DirectProxy.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy.h"
#include "vor4/proxy/TekVor4StrategyProxy.h"

namespace ek::test {

struct PropertySpec {
    std::wstring name;
    unsigned char dataType;
};

// A "gt2D" document of nx by ny cells with empty (null-filled) properties, written to disk.
inline bool make_document(const std::wstring& path, long long nx, long long ny,
                          const std::vector<PropertySpec>& properties) {
    TekVor4Impl d;
    d.setGridType(3);
    const long long sizes[3] = {nx, ny, 1};
    d.setDimensions64(sizes);
    if (!d.create(path)) return false;
    for (const PropertySpec& p : properties)
        if (!d.addProperty(p.name, 1, p.dataType, false)) return false;
    return true;
}

// The undo history switched on and the undo temporary files kept in a folder of their own;
// both settings are restored afterwards.
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
    UndoEnvironment(const UndoEnvironment&) = delete;
    UndoEnvironment& operator=(const UndoEnvironment&) = delete;

    std::filesystem::path undo_folder() const { return temp_.path() / "undo"; }
    std::vector<std::filesystem::path> undo_files() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(undo_folder())) files.push_back(entry.path());
        return files;
    }
    std::wstring file(const std::string& name) const { return temp_.file(name); }
    const std::filesystem::path& folder() const { return temp_.path(); }

private:
    TempDir temp_;
};

// A path loaded in memory, as the exported load function does it: the shared undo-recording
// instance with one reference, opened for writing.
class Loaded {
public:
    explicit Loaded(const std::wstring& path)
        : ref_(TekVor4PoolProxy<TekVor4CachedProxy>::create_instance(path)),
          proxy_(dynamic_cast<TekVor4CachedProxy*>(ref_)) {
        opened_ = ref_->open(path, false);
    }
    ~Loaded() { ref_->free(); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    bool opened() const { return opened_; }
    TekVor4CachedProxy* operator->() const { return proxy_; }
    TekVor4CachedProxy& doc() const { return *proxy_; }
    Tek_history* history() const { return proxy_->history_handle(); }
    // The document's own property object of that name.
    TekVor4Property* own(const std::wstring& name) const {
        const int i = proxy_->subject()->getIndexByName(name);
        return i < 0 ? nullptr : proxy_->subject()->getProperty(unsigned(i));
    }

private:
    TekVor4Refcount* ref_;
    TekVor4CachedProxy* proxy_;
    bool opened_ = false;
};

// The notifier of a path, with a log of what its subscribers receive.
class Subscriber {
public:
    explicit Subscriber(const std::wstring& path)
        : notifier_(Tek_vor_notifier::get_instance(path.c_str())), log_(notifier_->get_update_event_channel()) {}
    ~Subscriber() { notifier_->release(); }
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    std::string text() const { return log_.text(); }
    void clear() { log_.clear(); }

private:
    Tek_vor_notifier* notifier_;
    EventLog log_;
};

template <class T>
std::vector<T> read_values(TekVor4Property* p, long long start, long long count, unsigned char type) {
    std::vector<T> values(static_cast<size_t>(count));
    if (p->readRawData(start, count, values.data(), count, type, 1) != 0) return {};
    return values;
}

// The raw content of a file as values of T.
template <class T>
std::vector<T> file_values(const std::filesystem::path& file) {
    std::vector<T> values(std::filesystem::file_size(file) / sizeof(T));
    std::FILE* f = std::fopen(file.string().c_str(), "rb");
    if (!f) return {};
    const size_t got = std::fread(values.data(), sizeof(T), values.size(), f);
    std::fclose(f);
    values.resize(got);
    return values;
}

}  // namespace ek::test
