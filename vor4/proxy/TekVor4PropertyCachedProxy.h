// The property proxy of a document loaded in memory: name, caption, precision, kind, data
// type, single values, null values and block writes become undo items in the document proxy's
// history. Items keep no pointer to a property: each step finds it again by its name through
// the document proxy and changes the document's own property, announcing the step on the
// path's notifier.
#pragma once

#include <string>

#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/proxy/TekVor4PropertyProxy.h"
#include "vor4/proxy/Tek_history_item_adapter_base.h"

class Tek_vor_notifier;

class TekVor4PropertyCachedProxy : public TekVor4PropertyProxy {
public:
    // The base of the property-level items.
    class op_base;
    template <class T, bool (TekVor4PropertyCachedProxy::*Get)(long long, T&),
              void (TekVor4PropertyCachedProxy::*Set)(long long, T)>
    class set_value_op;
    template <class T, bool (TekVor4PropertyCachedProxy::*Get)(long long, T&),
              void (TekVor4PropertyCachedProxy::*Set)(long long, T)>
    class set_null_value_op;
    template <class T, unsigned char Code>
    class write_raw_data_op;

    TekVor4PropertyCachedProxy(TekVor4CachedProxy::history* history, TekVor4Property* subject,
                               Tek_vor_notifier* notifier, TekVor4* document);
    ~TekVor4PropertyCachedProxy() override = default;
    TekVor4PropertyCachedProxy(const TekVor4PropertyCachedProxy&) = delete;
    TekVor4PropertyCachedProxy& operator=(const TekVor4PropertyCachedProxy&) = delete;

    TekVor4Property* subject() const override { return subject_; }
    virtual int parent_write_data(long long start, const void* data, long long count, unsigned char type,
                                  long long stride);
    virtual int parentReadRawData(long long start, long long count, void* buffer, long long bufferCount,
                                  unsigned char type, long long stride);

    // Recorded changes.
    void setName(const std::string& name) override;
    void setName(const std::wstring& name) override;
    void setCaption(const std::string& caption) override;
    void setCaption(const std::wstring& caption) override;
    void setPrecision(const std::string& precision) override;
    void setPrecision(const std::wstring& precision) override;
    void setPropKind(unsigned char kind) override;
    void setDataType(unsigned char dataType) override;
    void setValueBool(long long index, bool value) override;
    void setValueByte(long long index, unsigned char value) override;
    void setValueInt(long long index, int value) override;
    void setValueSingle(long long index, float value) override;
    void setValueDouble(long long index, double value) override;
    void setValueNull(long long index) override;
    int write_data(long long start, const void* data, long long count, unsigned char type,
                   long long stride) override;

    // The subject's single-value access, which the value items are made of.
    bool parentGetValueBool(long long index, bool& out) { return subject_->getValueBool(index, out); }
    bool parentGetValueByte(long long index, unsigned char& out) { return subject_->getValueByte(index, out); }
    bool parentGetValueInt(long long index, int& out) { return subject_->getValueInt(index, out); }
    bool parentGetValueSingle(long long index, float& out) { return subject_->getValueSingle(index, out); }
    bool parentGetValueDouble(long long index, double& out) { return subject_->getValueDouble(index, out); }
    void parentSetValueBool(long long index, bool value) { subject_->setValueBool(index, value); }
    void parentSetValueByte(long long index, unsigned char value) { subject_->setValueByte(index, value); }
    void parentSetValueInt(long long index, int value) { subject_->setValueInt(index, value); }
    void parentSetValueSingle(long long index, float value) { subject_->setValueSingle(index, value); }
    void parentSetValueDouble(long long index, double value) { subject_->setValueDouble(index, value); }

    TekVor4CachedProxy::history* history_link() const { return history_; }
    Tek_vor_notifier* notifier() const { return notifier_; }
    TekVor4* document() const { return document_; }

private:
    // Registers the item with the document's history, or performs and destroys it.
    void record(std::unique_ptr<Tek_history_item_adapter_base> item);
    template <class T, unsigned char Code>
    void record_write(long long start, const void* data, long long count, long long stride);

    TekVor4CachedProxy::history* history_;
    TekVor4Property* subject_;
    Tek_vor_notifier* notifier_;
    TekVor4* document_;
};
