#include "vor4/proxy/TekVor4StrategyProxy.h"

#include "ek_text.h"
#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/proxy/TekVor4DirectProxy.h"

TekVor4StrategyProxy::~TekVor4StrategyProxy() {
    if (TekVor4Refcount* held = subject_) {
        subject_ = nullptr;
        held->free();
    }
}

void TekVor4StrategyProxy::init_subject(const std::wstring& path) {
    if (TekVor4Refcount* held = subject_) {
        subject_ = nullptr;
        held->free();
    }
    // The proxies of the previous document are not this handle's to keep.
    property_table().clear();
    if (TekVor4Refcount* cached = TekVor4PoolProxy<TekVor4CachedProxy>::find_instance(path)) {
        cached->add_ref();
        subject_ = cached;
        return;
    }
    subject_ = TekVor4PoolProxy<TekVor4DirectProxy>::create_instance(path);
}

bool TekVor4StrategyProxy::open(const std::wstring& path, bool readOnly) {
    init_subject(path);
    return TekVor4Proxy::open(path, readOnly);
}

bool TekVor4StrategyProxy::open(const std::string& path, bool readOnly) {
    init_subject(ek::text::to_wide(path));
    return TekVor4Proxy::open(path, readOnly);
}

bool TekVor4StrategyProxy::create(const std::wstring& path) {
    init_subject(path);
    return TekVor4Proxy::create(path);
}

bool TekVor4StrategyProxy::create(const std::string& path) {
    init_subject(ek::text::to_wide(path));
    return TekVor4Proxy::create(path);
}

void TekVor4StrategyProxy::assign(TekVor4* source) {
    update_guard guard(*this);
    if (TekVor4* s = subject()) s->assign(source);
}

TekVor4* TekVor4StrategyProxy::subject() { return subject_; }
