// The shared instance of a path that is not loaded in memory: changes go straight to the
// document; additions and deletions of properties are announced on the path's notifier.
#pragma once

#include <string>

#include "vor4/proxy/TekVor4PoolProxy.h"

class Tek_vor_notifier;

class TekVor4DirectProxy : public TekVor4PoolProxy<TekVor4DirectProxy> {
public:
    explicit TekVor4DirectProxy(const std::wstring& path);
    ~TekVor4DirectProxy() override;

    TekVor4* subject() override;

    TekVor4Property* addProperty(const std::string& name, unsigned char propKind, unsigned char dataType,
                                 bool overwrite) override;
    TekVor4Property* addProperty(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                 bool overwrite) override;
    TekVor4Property* addPropertyBinary(const std::string& name, unsigned char propKind, unsigned char dataType,
                                       const std::string& sourceFile, bool copy, bool overwrite) override;
    TekVor4Property* addPropertyBinary(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                       const std::wstring& sourceFile, bool copy, bool overwrite) override;
    bool deleteProperty(unsigned int index) override;

    TekVor4Property* create_property_proxy(TekVor4Property* property) override;
    void destroy_property_proxy(TekVor4Property* proxy) override;

    Tek_vor_notifier* notifier() const { return notifier_; }

private:
    void changed();

    Tek_vor_notifier* notifier_ = nullptr;
    TekVor4* subject_ = nullptr;
};
