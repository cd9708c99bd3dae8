// The item of a block write. Its temporary file holds the values of the range that are not in
// the property: the new ones before the write is made, the overwritten ones after. Redo and
// undo exchange the file's content with the property's current values of the range, so the
// undo data never stays in memory between steps.
//
// The values captured at construction stay in a scratch array until the first redo, which
// the registration performs before the recording call returns; they reach the file only if
// another capture of the same kind needs the array first. This saves one full write and read
// of the range per recorded write.
#pragma once

#include <cstring>
#include <vector>

#include "vor4/proxy/TekVor4PropertyCachedProxy_op_base.h"
#include "vor4/proxy/tempstorage.h"

template <class T, unsigned char Code>
class TekVor4PropertyCachedProxy::write_raw_data_op : public TekVor4PropertyCachedProxy::op_base {
public:
    // count values of data (every stride-th element when stride > 1, else contiguous); the
    // caller has checked the range and the buffer.
    write_raw_data_op(TekVor4PropertyCachedProxy& proxy, long long start, const void* data, long long count,
                      long long stride)
        : op_base(proxy), start_(start), count_(count) {
        if (fresh()) fresh()->flush_capture();
        std::vector<T>& values = capture();
        values.resize(size_t(count));
        const T* src = static_cast<const T*>(data);
        const long long step = static_cast<unsigned long long>(stride) > 1 ? stride : 1;
        if (count > 0) {
            if (step == 1) {
                std::memcpy(values.data(), src, size_t(count) * sizeof(T));
            } else {
                for (long long i = 0; i < count; ++i) values[size_t(i)] = src[i * step];
            }
        }
        fresh() = this;
    }
    ~write_raw_data_op() override {
        if (fresh() == this) {
            fresh() = nullptr;
            capture().clear();
        }
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
        std::vector<T> current(static_cast<size_t>(count_));
        // Unreadable current values (file locked, truncated or missing) would replace the kept
        // ones with zeros: leave everything as it is.
        if (p.parentReadRawData(start_, count_, current.data(), count_, Code, 1) != 0) return;

        std::vector<T> incoming;
        const bool wasFresh = fresh() == this;
        if (wasFresh) {
            incoming.swap(capture());
            fresh() = nullptr;
        } else if (!storage_.read(incoming)) {
            return;
        }
        // A storage that does not hold the full range never overwrites part of it.
        if (incoming.size() == size_t(count_) && storage_.write(current.data(), current.size())) {
            if (p.parent_write_data(start_, incoming.data(), count_, Code, 1) == 0) {
                applied_ = !applied_;
            } else {
                storage_.write(incoming.data(), incoming.size());  // the write failed: keep the values it carried
            }
        } else if (wasFresh) {
            storage_.write(incoming.data(), incoming.size());
        }
        if (wasFresh) {
            // The scratch array keeps its capacity for the next capture.
            incoming.clear();
            capture().swap(incoming);
        }
    }

    void flush_capture() {
        storage_.write(capture().data(), capture().size());
        capture().clear();
        fresh() = nullptr;
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
};
