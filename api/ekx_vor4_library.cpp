// Exported document lifecycle: opening, creating and closing handles, deleting a document's
// files, loading a document in memory, and the data-type size.
#include <memory>

#include "api/ek_vor4_boundary.h"
#include "api/ek_vor4_handles.h"
#include "ekx_file_vor4.h"
#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/vor_vocabulary.h"

using ek::vor4_api::guarded;
using ek::vor4_api::wide_arg;
using CachedPool = TekVor4PoolProxy<TekVor4CachedProxy>;

namespace ek::vor4_api {

std::unique_ptr<TekVor4StrategyProxy> open_handle(const std::wstring& path, bool readonly) {
    auto handle = std::make_unique<TekVor4StrategyProxy>();
    if (!handle->open(path, readonly)) handle.reset();
    return handle;
}

std::unique_ptr<TekVor4StrategyProxy> create_handle(const std::wstring& path) {
    auto handle = std::make_unique<TekVor4StrategyProxy>();
    if (!handle->create(path)) handle.reset();
    return handle;
}

}  // namespace ek::vor4_api

namespace {

// A handle that failed to open is destroyed here, which releases its instance again.
template <class Path>
TekVor4* open_path(const Path& path, bool readonly) {
    auto handle = std::make_unique<TekVor4StrategyProxy>();
    if (!handle->open(path, readonly)) return nullptr;
    return handle.release();
}

template <class Path>
TekVor4* create_path(const Path& path) {
    auto handle = std::make_unique<TekVor4StrategyProxy>();
    if (!handle->create(path)) return nullptr;
    return handle.release();
}

}  // namespace

extern "C" {

TekVor4* ek_vor4_file_open(const char* path, bool readonly) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&] { return open_path(std::string(path), readonly); });
}

TekVor4* ek_vor4_file_open_w(const wchar_t* path, bool readonly) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&] { return open_path(std::wstring(path), readonly); });
}

TekVor4* ek_vor4_file_create(const char* path) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&] { return create_path(std::string(path)); });
}

TekVor4* ek_vor4_file_create_w(const wchar_t* path) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&] { return create_path(std::wstring(path)); });
}

void ek_vor4_file_close(TekVor4* h) {
    guarded([&] {
        // A loaded instance closed by mistake gives up one reference instead of being destroyed
        // under the feet of its other users.
        if (auto* instance = dynamic_cast<TekVor4Refcount*>(h)) {
            instance->free();
            return;
        }
        delete h;
    });
}

bool ek_vor4_delete_files(const wchar_t* path) {
    if (!path) return false;
    return guarded(false, [&] {
        auto handle = ek::vor4_api::open_handle(path, false);
        return handle && handle->deleteVor();
    });
}

TekVor4* ek_vor4_load_memory(const char* path) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&] { return ek_vor4_load_memory_w(wide_arg(path).c_str()); });
}

TekVor4* ek_vor4_load_memory_w(const wchar_t* path) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&]() -> TekVor4* {
        const std::wstring key(path);
        TekVor4Refcount* instance = CachedPool::create_instance(key);
        // The instance is the caller's even when the document cannot be opened: the next open
        // of the path through a handle tries again.
        if (instance) instance->open(key, false);
        return instance;
    });
}

void ek_vor4_free_memory(TekVor4* h) {
    guarded([&] {
        // A handle of ek_vor4_file_open is not a counted instance and is left alone.
        if (auto* instance = dynamic_cast<TekVor4Refcount*>(h)) instance->free();
    });
}

TekVor4* ek_vor4_in_memory_w(const wchar_t* path) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&]() -> TekVor4* { return CachedPool::find_instance(std::wstring(path)); });
}

TekVor4* ek_vor4_in_memory(const char* path) {
    if (!path) return nullptr;
    return guarded((TekVor4*)nullptr, [&] { return ek_vor4_in_memory_w(wide_arg(path).c_str()); });
}

int ek_vor4_get_data_type_size(unsigned char data_type) { return ek::vor::data_type_size(data_type); }

}  // extern "C"
