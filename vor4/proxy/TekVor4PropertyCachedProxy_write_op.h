// The item of a block write. Its temporary file holds the values of the range that are not in
// the property: the new ones before the write is made, the overwritten ones after. Redo and
// undo exchange the file's content with the property's current values of the range, so the
// undo data never stays in memory between steps.
//
// Until its first redo, which the registration performs before the recording call returns, the
// item reads the new values straight from the caller's buffer (or, for a strided write, from a
// gathered copy); they are written to the file only if the first redo has not happened by the
// time the recording call returns or another capture of the same kind begins. This saves a
// full write and read of the range per recorded write.
#pragma once

#include <vector>

#include "vor4/proxy/TekVor4PropertyCachedProxy_op_base.h"
#include "vor4/proxy/tempstorage.h"

template <class T, unsigned char Code>
class TekVor4PropertyCachedProxy::write_raw_data_op : public TekVor4PropertyCachedProxy::op_base {
public:
    // count values of data: every stride-th element, backwards for a negative stride;
    // contiguous for a stride of 0 or 1. The caller has checked the range and that every
    // element of the buffer can be addressed.
    write_raw_data_op(TekVor4PropertyCachedProxy& proxy, long long start, const void* data, long long count,
                      long long stride)
        : op_base(proxy), start_(start), count_(count) {
        settle();
        const T* src = static_cast<const T*>(data);
        // Compared without sign: 0 and 1 are contiguous, anything else (negative too) a step.
        const long long step = static_cast<unsigned long long>(stride) > 1 ? stride : 1;
        if (step == 1) {
            pending_ = src;
        } else {
            std::vector<T>& values = capture();
            values.resize(size_t(count));
            for (long long i = 0; i < count; ++i) values[size_t(i)] = src[i * step];
            pending_ = values.data();
        }
        fresh() = this;
    }
    ~write_raw_data_op() override {
        if (fresh() == this) fresh() = nullptr;
    }

    // Moves the new values of an item still waiting for its first redo into its file: called
    // before the caller's buffer may go away and before the capture array is reused.
    static void settle() {
        if (write_raw_data_op* item = fresh()) item->flush_capture();
    }

    void redo() override { step(true); }
    void undo() override { step(false); }

    // Exchanges the stored values with the property's current values of the range, then
    // announces the step.
    virtual void swap() {
        TekVor4PropertyCachedProxy* p = find();
        if (!p) return;
        exchange(*p);
        notify(p);
    }

    // True while the new values are in the property and the overwritten ones in the file.
    bool applied() const { return applied_; }
    const tempstorage<T>& storage() const { return storage_; }
    long long start() const { return start_; }
    long long count() const { return count_; }

private:
    // An undo or redo: a step toward the state the property is already in changes nothing, so a
    // failed exchange is never mistaken for a done one.
    void step(bool toApplied) {
        TekVor4PropertyCachedProxy* p = find();
        if (!p) return;
        if (applied_ != toApplied) exchange(*p);
        notify(p);
    }

    void exchange(TekVor4PropertyCachedProxy& p) {
        p.openDataFile();
        const size_t n = static_cast<size_t>(count_);
        std::vector<T>& current = current_values();
        if (current.size() < n) current.resize(n);
        // Unreadable current values (file locked, truncated or missing) would replace the kept
        // ones with zeros: leave everything as it is.
        if (p.parentReadRawData(start_, count_, current.data(), count_, Code, 1) != 0) return;

        const bool wasFresh = fresh() == this;
        const T* incoming = pending_;
        if (!wasFresh) {
            std::vector<T>& stored = stored_values();
            // A storage that does not hold the full range never overwrites part of it.
            if (!storage_.read(stored) || stored.size() != n) return;
            incoming = stored.data();
        }
        if (!storage_.write(current.data(), n)) {
            if (!wasFresh) storage_.write(incoming, n);  // put back what it held
            return;
        }
        if (p.parent_write_data(start_, incoming, count_, Code, 1) != 0) {
            storage_.write(incoming, n);  // the property refused the values: keep them
            if (wasFresh) release_capture();
            return;
        }
        if (wasFresh) release_capture();
        applied_ = !applied_;
    }

    void flush_capture() {
        storage_.write(pending_, static_cast<size_t>(count_));
        release_capture();
    }
    void release_capture() {
        pending_ = nullptr;
        if (fresh() == this) fresh() = nullptr;
    }

    // Arrays of the exchange, kept between steps so that steps of similar size do not allocate.
    static std::vector<T>& current_values() {
        static std::vector<T> values;
        return values;
    }
    static std::vector<T>& stored_values() {
        static std::vector<T> values;
        return values;
    }
    // One capture array per item kind; the item whose values are still in it.
    static std::vector<T>& capture() {
        static std::vector<T> values;
        return values;
    }
    static write_raw_data_op*& fresh() {
        static write_raw_data_op* item = nullptr;
        return item;
    }

    long long start_;
    long long count_;
    tempstorage<T> storage_;
    bool applied_ = false;
    const T* pending_ = nullptr;  // the new values until they are in the property or the file
};
