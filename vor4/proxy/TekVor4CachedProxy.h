// The shared instance of a path loaded in memory: geometry setters, property additions and
// deletions, and the changes made through its property proxies become undo items in the
// instance's own history; every step is announced on the path's notifier.
#pragma once

#include <memory>
#include <string>

#include "vor4/proxy/TekVor4PoolProxy.h"
#include "vor4/proxy/Tek_history_item_adapter_base.h"
#include "vor4/proxy/Tek_history_wrapper.h"

class Tek_vor_notifier;

class TekVor4CachedProxy : public TekVor4PoolProxy<TekVor4CachedProxy> {
public:
    // The link to the undo service: a group of steps opens an update on the proxy and on the
    // notifier and closes them in the reverse order.
    class history : public Tek_history_wrapper {
    public:
        explicit history(TekVor4CachedProxy* owner) : owner_(owner) {}
        void begin_update() override;
        void end_update() override;
        TekVor4CachedProxy* owner() const { return owner_; }

    private:
        TekVor4CachedProxy* owner_;
    };

    // The base of the document-level items.
    class op_base : public Tek_history_item_adapter_base {
    public:
        explicit op_base(TekVor4CachedProxy* owner) : owner_(owner) {}
        TekVor4CachedProxy* owner() const { return owner_; }

        // The notification every step ends with: begin-update, update, end-update.
        static void notify(Tek_vor_notifier* notifier);

    private:
        TekVor4CachedProxy* owner_;
    };

    explicit TekVor4CachedProxy(const std::wstring& path);
    ~TekVor4CachedProxy() override;

    TekVor4* subject() override;

    void setX0(double value) override;
    void setY0(double value) override;
    void setZ0(double value) override;
    void setDX(double value) override;
    void setDY(double value) override;
    void setDZ(double value) override;
    void setEarthPlane(bool value) override;
    void setAzimuth(double value) override;

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
    history* history_link() { return &history_; }
    // Null when there is no history.
    Tek_history* history_handle() const { return history_.handle(); }

private:
    // Registers the item with the history, or performs and destroys it when there is none.
    void record_item(std::unique_ptr<Tek_history_item_adapter_base> item);

    history history_;
    Tek_vor_notifier* notifier_ = nullptr;
    TekVor4* subject_ = nullptr;
};
