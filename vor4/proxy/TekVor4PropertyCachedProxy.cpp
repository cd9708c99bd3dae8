#include "vor4/proxy/TekVor4PropertyCachedProxy.h"

#include <memory>
#include <string>

#include "base/Tek_vor_notifier.h"
#include "vor4/property/checked_math.h"
#include "vor4/vor_vocabulary.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy_op_base.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy_value_ops.h"
#include "vor4/proxy/TekVor4PropertyCachedProxy_write_op.h"

using Proxy = TekVor4PropertyCachedProxy;
using namespace ek::vor::codes;

// --- the item base ------------------------------------------------------------------------------

Proxy* Proxy::op_base::find(const std::wstring& name) const {
    if (!document_) return nullptr;
    const int index = document_->getIndexByName(name);
    if (index < 0) return nullptr;
    return dynamic_cast<Proxy*>(document_->getProperty(static_cast<unsigned int>(index)));
}

Proxy* Proxy::op_base::find(const std::string& name) const {
    if (!document_) return nullptr;
    const int index = document_->getIndexByName(name);
    if (index < 0) return nullptr;
    return dynamic_cast<Proxy*>(document_->getProperty(static_cast<unsigned int>(index)));
}

void Proxy::op_base::notify(Proxy* property) {
    Tek_vor_notifier* notifier = property ? property->notifier() : nullptr;
    if (!notifier) return;
    notifier->begin_update();
    try {
        notifier->broadcast_update_event();
    } catch (...) {
        notifier->end_update();
        throw;
    }
    notifier->end_update();
}

// --- the proxy ------------------------------------------------------------------------------

Proxy::TekVor4PropertyCachedProxy(TekVor4CachedProxy::history* history, TekVor4Property* subject,
                                  Tek_vor_notifier* notifier, TekVor4* document)
    : history_(history), subject_(subject), notifier_(notifier), document_(document) {}

int Proxy::parent_write_data(long long start, const void* data, long long count, unsigned char type,
                             long long stride) {
    return subject_->write_data(start, data, count, type, stride);
}

int Proxy::parentReadRawData(long long start, long long count, void* buffer, long long bufferCount,
                             unsigned char type, long long stride) {
    return subject_->readRawData(start, count, buffer, bufferCount, type, stride);
}

void Proxy::record(std::unique_ptr<Tek_history_item_adapter_base> item) {
    Tek_history_item_adapter_base::record(history_ ? history_->live_handle() : nullptr, std::move(item));
}

// --- metadata items ---------------------------------------------------------------------------

namespace {

// A rename. Redo finds the property by its old name (the key), undo by the new one.
template <class S>
class name_op : public Proxy::op_base {
public:
    name_op(Proxy& proxy, const S& name) : op_base(proxy), new_(name), old_(proxy.getNameW()) {}
    void redo() override {
        if (Proxy* p = find()) {
            p->subject()->setName(new_);
            notify(p);
        }
    }
    void undo() override {
        if (Proxy* p = find(new_)) {
            p->subject()->setName(old_);
            notify(p);
        }
    }

private:
    S new_;
    std::wstring old_;
};

// A caption or precision change; the old text is kept wide.
template <class S, const std::wstring& (TekVor4Property::*Get)() const,
          void (TekVor4Property::*SetNew)(const S&), void (TekVor4Property::*SetOld)(const std::wstring&)>
class text_op : public Proxy::op_base {
public:
    text_op(Proxy& proxy, const S& text) : op_base(proxy), new_(text), old_((proxy.*Get)()) {}
    void redo() override {
        if (Proxy* p = find()) {
            (p->subject()->*SetNew)(new_);
            notify(p);
        }
    }
    void undo() override {
        if (Proxy* p = find()) {
            (p->subject()->*SetOld)(old_);
            notify(p);
        }
    }

private:
    S new_;
    std::wstring old_;
};

// A property kind or data type change.
template <unsigned char (TekVor4Property::*Get)() const, void (TekVor4Property::*Set)(unsigned char)>
class code_op : public Proxy::op_base {
public:
    code_op(Proxy& proxy, unsigned char code) : op_base(proxy), new_(code), old_((proxy.*Get)()) {}
    void redo() override {
        if (Proxy* p = find()) {
            (p->subject()->*Set)(new_);
            notify(p);
        }
    }
    void undo() override {
        if (Proxy* p = find()) {
            (p->subject()->*Set)(old_);
            notify(p);
        }
    }

private:
    unsigned char new_;
    unsigned char old_;
};

}  // namespace

void Proxy::setName(const std::string& name) { record(std::make_unique<name_op<std::string>>(*this, name)); }
void Proxy::setName(const std::wstring& name) { record(std::make_unique<name_op<std::wstring>>(*this, name)); }

void Proxy::setCaption(const std::string& caption) {
    record(std::make_unique<text_op<std::string, &TekVor4Property::getCaptionW, &TekVor4Property::setCaption,
                                    &TekVor4Property::setCaption>>(*this, caption));
}
void Proxy::setCaption(const std::wstring& caption) {
    record(std::make_unique<text_op<std::wstring, &TekVor4Property::getCaptionW, &TekVor4Property::setCaption,
                                    &TekVor4Property::setCaption>>(*this, caption));
}
void Proxy::setPrecision(const std::string& precision) {
    record(std::make_unique<text_op<std::string, &TekVor4Property::getPrecisionW, &TekVor4Property::setPrecision,
                                    &TekVor4Property::setPrecision>>(*this, precision));
}
void Proxy::setPrecision(const std::wstring& precision) {
    record(std::make_unique<text_op<std::wstring, &TekVor4Property::getPrecisionW, &TekVor4Property::setPrecision,
                                    &TekVor4Property::setPrecision>>(*this, precision));
}
void Proxy::setPropKind(unsigned char kind) {
    record(std::make_unique<code_op<&TekVor4Property::getPropKind, &TekVor4Property::setPropKind>>(*this, kind));
}
void Proxy::setDataType(unsigned char dataType) {
    record(std::make_unique<code_op<&TekVor4Property::getDataType, &TekVor4Property::setDataType>>(*this, dataType));
}

// --- value items -------------------------------------------------------------------------------

using bool_op = Proxy::set_value_op<bool, &Proxy::parentGetValueBool, &Proxy::parentSetValueBool>;
using byte_op = Proxy::set_value_op<unsigned char, &Proxy::parentGetValueByte, &Proxy::parentSetValueByte>;
using int_op = Proxy::set_value_op<int, &Proxy::parentGetValueInt, &Proxy::parentSetValueInt>;
using single_op = Proxy::set_value_op<float, &Proxy::parentGetValueSingle, &Proxy::parentSetValueSingle>;
using double_op = Proxy::set_value_op<double, &Proxy::parentGetValueDouble, &Proxy::parentSetValueDouble>;

void Proxy::setValueBool(long long index, bool value) { record(std::make_unique<bool_op>(*this, index, value)); }
void Proxy::setValueByte(long long index, unsigned char value) {
    record(std::make_unique<byte_op>(*this, index, value));
}
void Proxy::setValueInt(long long index, int value) { record(std::make_unique<int_op>(*this, index, value)); }
void Proxy::setValueSingle(long long index, float value) {
    record(std::make_unique<single_op>(*this, index, value));
}
void Proxy::setValueDouble(long long index, double value) {
    record(std::make_unique<double_op>(*this, index, value));
}

void Proxy::setValueNull(long long index) {
    switch (subject_->getDataType()) {
        case dtSingle:
            record(std::make_unique<set_null_value_op<float, &Proxy::parentGetValueSingle, &Proxy::parentSetValueSingle>>(
                *this, index));
            break;
        case dtByte:
            record(std::make_unique<set_null_value_op<unsigned char, &Proxy::parentGetValueByte,
                                                      &Proxy::parentSetValueByte>>(*this, index));
            break;
        case dtInteger:
            record(std::make_unique<set_null_value_op<int, &Proxy::parentGetValueInt, &Proxy::parentSetValueInt>>(
                *this, index));
            break;
        case dtBitmask:
            record(std::make_unique<set_null_value_op<bool, &Proxy::parentGetValueBool, &Proxy::parentSetValueBool>>(
                *this, index));
            break;
        case dtDouble:
            record(std::make_unique<set_null_value_op<double, &Proxy::parentGetValueDouble,
                                                      &Proxy::parentSetValueDouble>>(*this, index));
            break;
        default:
            break;  // no value type to keep the old value in
    }
}

// --- block writes ---------------------------------------------------------------------------------

int Proxy::write_data(long long start, const void* data, long long count, unsigned char type, long long stride) {
    // Writes the data layer refuses are passed to it unrecorded: there is nothing to undo, and
    // no capture is made of a range that does not exist or of a buffer whose elements cannot all
    // be addressed. A negative stride captures backwards from the given element.
    const bool acceptable =
        type <= dtDouble && start >= 0 && count >= 0 && (data || count == 0) && start <= subject_->getNumObjects() - count &&
        ek::vor::math::strided_fits(data, ek::vor::data_type_size(type), count, stride == 0 ? 1 : stride);
    if (!acceptable) return subject_->write_data(start, data, count, type, stride);
    switch (type) {
        case dtSingle: record_write<float, dtSingle>(start, data, count, stride); break;
        case dtByte: record_write<unsigned char, dtByte>(start, data, count, stride); break;
        case dtInteger: record_write<int, dtInteger>(start, data, count, stride); break;
        case dtBitmask: record_write<unsigned char, dtBitmask>(start, data, count, stride); break;
        default: record_write<double, dtDouble>(start, data, count, stride); break;
    }
    return 0;
}

template <class T, unsigned char Code>
void Proxy::record_write(long long start, const void* data, long long count, long long stride) {
    using op = write_raw_data_op<T, Code>;
    try {
        record(std::make_unique<op>(*this, start, data, count, stride));
    } catch (...) {
        op::settle();
        throw;
    }
    // The caller's buffer is about to go: new values not yet in the property go to the file.
    op::settle();
}
