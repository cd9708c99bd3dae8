// The recorded deletion of a property: the property's values are first overwritten with zeros
// through its property proxy, so that block-write items keep them, then the deletion itself
// is recorded. Undoing every step re-creates the property and writes its values back.
#include <algorithm>
#include <memory>
#include <string>

#include "base/Tek_vor_notifier.h"
#include "vor4/proxy/TekVor4CachedProxy.h"

namespace {

constexpr long long k_zero_chunk = 10240;  // values per zero-fill write
// Zeros for a chunk of the widest value type.
const double k_zeros[k_zero_chunk] = {};

// The deletion item. An undo re-creates the property only when the redo before it deleted
// one: re-adding with overwrite over a property the document refused to delete would destroy
// that property's data.
class delete_property_op : public TekVor4CachedProxy::op_base {
public:
    delete_property_op(TekVor4CachedProxy* owner, std::wstring name, std::wstring caption, std::wstring precision,
                       unsigned char kind, unsigned char dataType, bool* sink)
        : op_base(owner), name_(std::move(name)), caption_(std::move(caption)), precision_(std::move(precision)),
          kind_(kind), dataType_(dataType), subject_(owner->subject()), notifier_(owner->notifier()), sink_(sink) {}

    void redo() override {
        const int index = subject_->getIndexByName(name_);
        result_ = index >= 0 && subject_->deleteProperty(static_cast<unsigned int>(index));
        if (sink_) {
            *sink_ = result_;
            sink_ = nullptr;
        }
        notify(notifier_);
    }
    void undo() override {
        if (result_) {
            if (TekVor4Property* p = subject_->addProperty(name_, kind_, dataType_, true)) {
                p->setPrecision(precision_);
                p->setCaption(caption_);
            }
            result_ = false;
        }
        notify(notifier_);
    }

private:
    std::wstring name_;
    std::wstring caption_;
    std::wstring precision_;
    unsigned char kind_;
    unsigned char dataType_;
    bool result_ = false;
    TekVor4* subject_;
    Tek_vor_notifier* notifier_;
    bool* sink_;  // where the first redo reports its result to the recording call
};

}  // namespace

bool TekVor4CachedProxy::deleteProperty(unsigned int index) {
    // The update on this proxy ends with the table in step with the document: the proxy of the
    // deleted property is destroyed then, after its last use here.
    update_guard guard(*this);
    TekVor4Property* property = getProperty(index);
    if (!property) return false;
    std::wstring name = property->getNameW();
    std::wstring caption = property->getCaptionW();
    const unsigned char kind = property->getPropKind();
    const unsigned char dataType = property->getDataType();
    std::wstring precision = property->getPrecisionW();

    {
        update_guard grouped(*notifier_);
        // The property's own count: its data file may hold more values than the document's
        // object count (function grids), and every one of them is to survive in the history.
        const long long n = property->getNumObjects();
        for (long long start = 0; start < n; start += k_zero_chunk)
            property->write_data(start, k_zeros, std::min(k_zero_chunk, n - start), dataType, 0);
    }

    bool result = false;
    record_item(std::make_unique<delete_property_op>(this, std::move(name), std::move(caption), std::move(precision),
                                                     kind, dataType, &result));
    return result;
}
