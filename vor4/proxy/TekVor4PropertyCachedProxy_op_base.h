// The base of the property-level items. An item remembers its property by name only and finds
// it again at every step through the document proxy, so that it stays valid when the property
// object is destroyed and created again under the same name.
#pragma once

#include <string>

#include "vor4/proxy/TekVor4PropertyCachedProxy.h"

class TekVor4PropertyCachedProxy::op_base : public Tek_history_item_adapter_base {
public:
    explicit op_base(TekVor4PropertyCachedProxy& proxy)
        : document_(proxy.document()), key_(proxy.getNameW()), history_(proxy.history_link()) {}

    const std::wstring& key() const { return key_; }

protected:
    // The property of that name as its proxy; null when the document has none.
    TekVor4PropertyCachedProxy* find(const std::wstring& name) const;
    TekVor4PropertyCachedProxy* find(const std::string& name) const;
    TekVor4PropertyCachedProxy* find() const { return find(key_); }
    // The notification every step ends with, on the property's notifier.
    static void notify(TekVor4PropertyCachedProxy* property);

    TekVor4* document_;
    std::wstring key_;
    TekVor4CachedProxy::history* history_;
};
