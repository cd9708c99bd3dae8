// One shared, counted instance per document path for each class T that derives from
// TekVor4PoolProxy<T>. Instances are found by their path exactly as given: no case folding
// and no normalisation, so two spellings of one file are two instances.
#pragma once

#include <map>
#include <string>
#include <type_traits>

#include "vor4/proxy/TekVor4Proxy.h"
#include "vor4/proxy/TekVor4Refcount.h"

template <class T>
class TekVor4PoolProxy : public virtual TekVor4Refcount, public TekVor4Proxy {
public:
    // Orders the pool's keys by the text they point to, code unit by code unit, each unit
    // compared as an unsigned number; a prefix comes before the longer text.
    struct key_comp {
        bool operator()(const std::wstring* a, const std::wstring* b) const {
            using unit = std::make_unsigned_t<wchar_t>;
            const size_t n = a->size() < b->size() ? a->size() : b->size();
            for (size_t i = 0; i < n; ++i) {
                const unit x = static_cast<unit>((*a)[i]);
                const unit y = static_cast<unit>((*b)[i]);
                if (x != y) return x < y;
            }
            return a->size() < b->size();
        }
    };
    using map_t = std::map<const std::wstring*, TekVor4Refcount*, key_comp>;

    // The instance of the path with one more reference, created (count 1) when there is none.
    static TekVor4Refcount* create_instance(const std::wstring& path) {
        if (TekVor4Refcount* found = find_instance(path)) {
            found->add_ref();
            return found;
        }
        TekVor4Refcount* made = new T(path);
        made->add_ref();
        return made;
    }

    // The instance of the path, or null; the reference count is not touched.
    static TekVor4Refcount* find_instance(const std::wstring& path) {
        const auto it = f_map().find(&path);
        return it == f_map().end() ? nullptr : it->second;
    }

    // The pool of the class. Never destroyed: instances still open when the library goes are
    // left as they are.
    static map_t& f_map() {
        static map_t* map = new map_t();
        return *map;
    }

    // The first successful open fixes the access mode for every user of the instance.
    bool open(const std::string& path, bool readOnly) override { return open_once(path, readOnly); }
    bool open(const std::wstring& path, bool readOnly) override { return open_once(path, readOnly); }

    const std::wstring& path() const { return path_; }
    bool opened() const { return opened_; }

protected:
    explicit TekVor4PoolProxy(const std::wstring& path) : path_(path) {
        // An instance built outside create_instance for a path already pooled stays unlisted.
        f_map().emplace(&path_, static_cast<TekVor4Refcount*>(this));
    }
    ~TekVor4PoolProxy() override {
        const auto it = f_map().find(&path_);
        if (it != f_map().end() && it->second == static_cast<TekVor4Refcount*>(this)) f_map().erase(it);
    }

private:
    template <class Path>
    bool open_once(const Path& path, bool readOnly) {
        if (!opened_) {
            opened_ = TekVor4Proxy::open(path, readOnly);
            // A read-only open may fail only because a writer holds the files for a moment.
            if (!opened_ && readOnly) opened_ = TekVor4Proxy::open(path, readOnly);
            if (!opened_) return false;
        }
        return !readonly() || readOnly;
    }

    std::wstring path_;
    bool opened_ = false;
};
