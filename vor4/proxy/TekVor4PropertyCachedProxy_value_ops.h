// The items of single-value changes: a value set, or a value made null. Undo writes the old
// value back, or a null when the value was missing before the change.
#pragma once

#include "vor4/proxy/TekVor4PropertyCachedProxy_op_base.h"

template <class T, bool (TekVor4PropertyCachedProxy::*Get)(long long, T&),
          void (TekVor4PropertyCachedProxy::*Set)(long long, T)>
class TekVor4PropertyCachedProxy::set_value_op : public TekVor4PropertyCachedProxy::op_base {
public:
    set_value_op(TekVor4PropertyCachedProxy& proxy, long long index, T value)
        : op_base(proxy), index_(index), new_(value) {
        if (TekVor4PropertyCachedProxy* p = find()) defined_ = (p->*Get)(index_, old_);
    }

    void redo() override {
        TekVor4PropertyCachedProxy* p = find();
        if (!p) return;
        (p->*Set)(index_, new_);
        notify(p);
    }
    void undo() override {
        TekVor4PropertyCachedProxy* p = find();
        if (!p) return;
        if (defined_) (p->*Set)(index_, old_);
        else p->subject()->setValueNull(index_);
        notify(p);
    }

    bool defined() const { return defined_; }
    T old_value() const { return old_; }

private:
    long long index_;
    T new_;
    T old_{};
    bool defined_ = false;
};

template <class T, bool (TekVor4PropertyCachedProxy::*Get)(long long, T&),
          void (TekVor4PropertyCachedProxy::*Set)(long long, T)>
class TekVor4PropertyCachedProxy::set_null_value_op : public TekVor4PropertyCachedProxy::op_base {
public:
    set_null_value_op(TekVor4PropertyCachedProxy& proxy, long long index) : op_base(proxy), index_(index) {
        if (TekVor4PropertyCachedProxy* p = find()) defined_ = (p->*Get)(index_, old_);
    }

    void redo() override {
        TekVor4PropertyCachedProxy* p = find();
        if (!p) return;
        p->subject()->setValueNull(index_);
        notify(p);
    }
    void undo() override {
        TekVor4PropertyCachedProxy* p = find();
        if (!p) return;
        if (defined_) (p->*Set)(index_, old_);
        else p->subject()->setValueNull(index_);
        notify(p);
    }

private:
    long long index_;
    T old_{};
    bool defined_ = false;
};
