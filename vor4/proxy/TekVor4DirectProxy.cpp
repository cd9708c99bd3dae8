#include "vor4/proxy/TekVor4DirectProxy.h"

#include "base/Tek_vor_notifier.h"
#include "vor4/TekVor4Impl.h"

TekVor4DirectProxy::TekVor4DirectProxy(const std::wstring& path) : TekVor4PoolProxy<TekVor4DirectProxy>(path) {
    notifier_ = Tek_vor_notifier::get_instance(path.c_str());
    try {
        subject_ = new TekVor4Impl();
    } catch (...) {
        notifier_->release();
        throw;
    }
}

TekVor4DirectProxy::~TekVor4DirectProxy() {
    if (notifier_) notifier_->release();
    notifier_ = nullptr;
    delete subject_;  // saves the document
    subject_ = nullptr;
}

TekVor4* TekVor4DirectProxy::subject() { return subject_; }

void TekVor4DirectProxy::changed() {
    if (!notifier_) return;
    update_guard guard(*notifier_);
    notifier_->broadcast_update_event();
}

TekVor4Property* TekVor4DirectProxy::addProperty(const std::string& name, unsigned char propKind,
                                                 unsigned char dataType, bool overwrite) {
    TekVor4Property* result = subject_->addProperty(name, propKind, dataType, overwrite);
    changed();
    return result;
}

TekVor4Property* TekVor4DirectProxy::addProperty(const std::wstring& name, unsigned char propKind,
                                                 unsigned char dataType, bool overwrite) {
    TekVor4Property* result = subject_->addProperty(name, propKind, dataType, overwrite);
    changed();
    return result;
}

TekVor4Property* TekVor4DirectProxy::addPropertyBinary(const std::string& name, unsigned char propKind,
                                                       unsigned char dataType, const std::string& sourceFile,
                                                       bool copy, bool overwrite) {
    TekVor4Property* result = subject_->addPropertyBinary(name, propKind, dataType, sourceFile, copy, overwrite);
    changed();
    return result;
}

TekVor4Property* TekVor4DirectProxy::addPropertyBinary(const std::wstring& name, unsigned char propKind,
                                                       unsigned char dataType, const std::wstring& sourceFile,
                                                       bool copy, bool overwrite) {
    TekVor4Property* result = subject_->addPropertyBinary(name, propKind, dataType, sourceFile, copy, overwrite);
    changed();
    return result;
}

bool TekVor4DirectProxy::deleteProperty(unsigned int index) {
    const bool result = subject_->deleteProperty(index);
    changed();
    return result;
}

TekVor4Property* TekVor4DirectProxy::create_property_proxy(TekVor4Property* property) { return property; }

void TekVor4DirectProxy::destroy_property_proxy(TekVor4Property*) {}
