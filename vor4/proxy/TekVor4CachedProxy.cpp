#include "vor4/proxy/TekVor4CachedProxy.h"

#include <memory>

#include "base/Tek_vor_notifier.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy.h"

// --- the history link and the item base ---------------------------------------------------------

void TekVor4CachedProxy::history::begin_update() {
    owner_->begin_update();
    if (Tek_vor_notifier* notifier = owner_->notifier()) notifier->begin_update();
}

void TekVor4CachedProxy::history::end_update() {
    if (Tek_vor_notifier* notifier = owner_->notifier()) notifier->end_update();
    owner_->end_update();
}

void TekVor4CachedProxy::op_base::notify(Tek_vor_notifier* notifier) {
    if (!notifier) return;
    update_guard guard(*notifier);
    notifier->broadcast_update_event();
}

// --- construction -----------------------------------------------------------------------------

TekVor4CachedProxy::TekVor4CachedProxy(const std::wstring& path)
    : TekVor4PoolProxy<TekVor4CachedProxy>(path), history_(this) {
    subject_ = new TekVor4Impl();
    try {
        notifier_ = Tek_vor_notifier::get_instance(path.c_str());
    } catch (...) {
        delete subject_;
        throw;
    }
}

TekVor4CachedProxy::~TekVor4CachedProxy() {
    // The property proxies were made by this instance and die with it.
    for (auto& [property, proxy] : property_table()) delete proxy;
    property_table().clear();
    if (Tek_vor_notifier* notifier = notifier_) {
        notifier_ = nullptr;
        notifier->release();
    }
    delete subject_;  // saves the document
    subject_ = nullptr;
    // The history goes with its member object, after the document: its items never touch it.
}

TekVor4* TekVor4CachedProxy::subject() { return subject_; }

void TekVor4CachedProxy::record_item(std::unique_ptr<Tek_history_item_adapter_base> item) {
    Tek_history_item_adapter_base::record(history_.live_handle(), std::move(item));
}

// --- geometry setters ---------------------------------------------------------------------------

namespace {

// The item of a geometry setter: the old value is read when the item is built.
template <class V, V (TekVor4::*Get)(), void (TekVor4::*Set)(V)>
class geometry_op : public TekVor4CachedProxy::op_base {
public:
    geometry_op(TekVor4CachedProxy* owner, V value)
        : op_base(owner), old_((owner->subject()->*Get)()), new_(value), subject_(owner->subject()),
          notifier_(owner->notifier()) {}
    void redo() override {
        (subject_->*Set)(new_);
        notify(notifier_);
    }
    void undo() override {
        (subject_->*Set)(old_);
        notify(notifier_);
    }

private:
    V old_;
    V new_;
    TekVor4* subject_;
    Tek_vor_notifier* notifier_;
};

template <class V, V (TekVor4::*Get)(), void (TekVor4::*Set)(V)>
void record_geometry(TekVor4CachedProxy* owner, V value) {
    Tek_history_item_adapter_base::record(owner->history_link()->live_handle(),
                                          std::make_unique<geometry_op<V, Get, Set>>(owner, value));
}

// The item of a property addition. An addition that the document refused did nothing, so
// its steps change nothing either; and an undo removes the property only when the redo
// before it added one.
template <class S>
class add_property_op : public TekVor4CachedProxy::op_base {
public:
    add_property_op(TekVor4CachedProxy* owner, const S& name, unsigned char kind, unsigned char dataType, bool flag,
                    TekVor4Property** sink)
        : op_base(owner), name_(name), kind_(kind), dataType_(dataType), flag_(flag), subject_(owner->subject()),
          notifier_(owner->notifier()), sink_(sink) {}

    void redo() override {
        if (!refused_) {
            result_ = subject_->addProperty(name_, kind_, dataType_, flag_);
            if (sink_) {
                *sink_ = result_;
                sink_ = nullptr;
                refused_ = result_ == nullptr;
            }
        }
        notify(notifier_);
    }
    void undo() override {
        if (!refused_ && result_) {
            const int index = subject_->getIndexByName(name_);
            if (index >= 0) subject_->deleteProperty(static_cast<unsigned int>(index));
            result_ = nullptr;
        }
        notify(notifier_);
    }

private:
    S name_;
    unsigned char kind_;
    unsigned char dataType_;
    bool flag_;
    TekVor4Property* result_ = nullptr;
    bool refused_ = false;
    TekVor4* subject_;
    Tek_vor_notifier* notifier_;
    TekVor4Property** sink_;  // where the first redo reports its result to the recording call
};

template <class S>
TekVor4Property* record_add(TekVor4CachedProxy* owner, const S& name, unsigned char kind, unsigned char dataType,
                            bool flag) {
    TekVor4Property* result = nullptr;
    Tek_history_item_adapter_base::record(
        owner->history_link()->live_handle(),
        std::make_unique<add_property_op<S>>(owner, name, kind, dataType, flag, &result));
    return result;
}

}  // namespace

void TekVor4CachedProxy::setX0(double value) { record_geometry<double, &TekVor4::getX0, &TekVor4::setX0>(this, value); }
void TekVor4CachedProxy::setY0(double value) { record_geometry<double, &TekVor4::getY0, &TekVor4::setY0>(this, value); }
void TekVor4CachedProxy::setZ0(double value) { record_geometry<double, &TekVor4::getZ0, &TekVor4::setZ0>(this, value); }
void TekVor4CachedProxy::setDX(double value) { record_geometry<double, &TekVor4::getDX, &TekVor4::setDX>(this, value); }
void TekVor4CachedProxy::setDY(double value) { record_geometry<double, &TekVor4::getDY, &TekVor4::setDY>(this, value); }
void TekVor4CachedProxy::setDZ(double value) { record_geometry<double, &TekVor4::getDZ, &TekVor4::setDZ>(this, value); }
void TekVor4CachedProxy::setAzimuth(double value) {
    record_geometry<double, &TekVor4::getAzimuth, &TekVor4::setAzimuth>(this, value);
}
void TekVor4CachedProxy::setEarthPlane(bool value) {
    record_geometry<bool, &TekVor4::getEarthPlane, &TekVor4::setEarthPlane>(this, value);
}

// --- property additions -------------------------------------------------------------------------

TekVor4Property* TekVor4CachedProxy::addProperty(const std::string& name, unsigned char propKind,
                                                 unsigned char dataType, bool overwrite) {
    return record_add(this, name, propKind, dataType, overwrite);
}

TekVor4Property* TekVor4CachedProxy::addProperty(const std::wstring& name, unsigned char propKind,
                                                 unsigned char dataType, bool overwrite) {
    return record_add(this, name, propKind, dataType, overwrite);
}

TekVor4Property* TekVor4CachedProxy::addPropertyBinary(const std::string& name, unsigned char propKind,
                                                       unsigned char dataType, const std::string& sourceFile,
                                                       bool copy, bool overwrite) {
    TekVor4Property* result = subject_->addPropertyBinary(name, propKind, dataType, sourceFile, copy, overwrite);
    op_base::notify(notifier_);
    return result;
}

TekVor4Property* TekVor4CachedProxy::addPropertyBinary(const std::wstring& name, unsigned char propKind,
                                                       unsigned char dataType, const std::wstring& sourceFile,
                                                       bool copy, bool overwrite) {
    TekVor4Property* result = subject_->addPropertyBinary(name, propKind, dataType, sourceFile, copy, overwrite);
    op_base::notify(notifier_);
    return result;
}

// --- property proxies -----------------------------------------------------------------------

TekVor4Property* TekVor4CachedProxy::create_property_proxy(TekVor4Property* property) {
    if (!property) return nullptr;
    return new TekVor4PropertyCachedProxy(&history_, property, notifier_, this);
}

void TekVor4CachedProxy::destroy_property_proxy(TekVor4Property* proxy) { delete proxy; }
