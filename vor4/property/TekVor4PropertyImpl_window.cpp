// Single values through an in-memory window of up to 8192 consecutive values of the data file.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/property/value_conversion.h"

namespace conv = ek::vor::conv;

namespace {

template <class T>
inline T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
inline void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

inline unsigned char mask_of(double v) { return v != 0.0 ? 1 : 0; }  // NaN counts as set

}  // namespace

// --- The window -----------------------------------------------------------------------------------

int TekVor4PropertyImpl::writeBack() {
    if (!window_.allocated || !window_.loaded || !window_.dirty || readOnly_) return 0;
    window_.dirty = false;
    writingBack_ = true;
    const int r = write_data(window_.first, window_.buffer.data(), window_.end - window_.first, dataType_, 0);
    writingBack_ = false;
    return r;
}

void TekVor4PropertyImpl::dropWindow() {
    window_.loaded = false;
    window_.dirty = false;
}

void TekVor4PropertyImpl::windowWritten(uint64_t offset, const void* data, uint64_t n) {
    if (!window_.loaded || writingBack_ || n == 0 || dataType_ == conv::k_bitmask) return;
    const uint64_t size = uint64_t(elemSize_);
    const uint64_t winFirst = uint64_t(window_.first) * size;
    const uint64_t winEnd = uint64_t(window_.end) * size;
    const uint64_t lo = offset > winFirst ? offset : winFirst;
    const uint64_t hi = offset + n < winEnd ? offset + n : winEnd;
    if (lo >= hi) return;
    std::memcpy(window_.buffer.data() + (lo - winFirst), static_cast<const unsigned char*>(data) + (lo - offset),
                size_t(hi - lo));
}

void TekVor4PropertyImpl::windowWrittenBits(long long bytePos, const unsigned char* packed, long long nbytes) {
    if (!window_.loaded || writingBack_ || nbytes <= 0 || dataType_ != conv::k_bitmask) return;
    const long long firstBit = bytePos * 8;
    const long long lo = firstBit > window_.first ? firstBit : window_.first;
    const long long endBit = firstBit + nbytes * 8;
    const long long hi = endBit < window_.end ? endBit : window_.end;
    for (long long o = lo; o < hi; ++o)
        window_.buffer[size_t(o - window_.first)] =
            static_cast<unsigned char>((packed[o / 8 - bytePos] >> (o % 8)) & 1u);
}

void TekVor4PropertyImpl::retireWindow() {
    if (!window_.loaded) return;
    writeBack();
    dropWindow();
}

bool TekVor4PropertyImpl::buildBuffer(long long index) {
    writeBack();
    const long long n = numObjects_ < k_window_values ? numObjects_ : k_window_values;
    if (n <= 0 || elemSize_ == 0) return false;

    long long first;
    if (index < n / 2)
        first = 0;
    else if (index - n / 2 >= numObjects_ - n)
        first = numObjects_ - n;
    else
        first = index - n / 2;

    // Sized for the data type and object count of the moment; a change of either since the
    // last allocation gets a new buffer.
    if (!window_.allocated || window_.type != dataType_ || window_.length != n) {
        try {
            window_.buffer.assign(size_t(n * elemSize_), 0);
        } catch (const std::bad_alloc&) {
            window_.allocated = false;
            window_.loaded = false;
            return false;
        }
        window_.allocated = true;
        window_.type = dataType_;
        window_.length = n;
    }
    window_.loaded = false;
    window_.dirty = false;
    window_.first = first;
    window_.end = first + n;
    if (readRawData(first, n, window_.buffer.data(), n, dataType_, 1) != 0) return false;
    window_.loaded = true;
    return true;
}

bool TekVor4PropertyImpl::flushBuffer() { return writeBack() == 0; }

bool TekVor4PropertyImpl::ensureWindow(long long index) {
    if (index < 0 || index >= numObjects_) return false;
    return buildBuffer(index);
}

// --- Getters ----------------------------------------------------------------------------------

bool TekVor4PropertyImpl::getValueBool(long long index, bool& out) {
    out = false;
    if (!inWindow(index) && !ensureWindow(index)) return false;
    const unsigned char* p = windowElement(index);
    switch (dataType_) {
        case conv::k_single: out = load<float>(p) != 0.0f; break;
        case conv::k_byte:
        case conv::k_bitmask: out = *p != 0; break;
        case conv::k_integer: out = load<int32_t>(p) != 0; break;
        case conv::k_double: out = load<double>(p) != 0.0; break;
        default: break;
    }
    return true;
}

bool TekVor4PropertyImpl::getValueByte(long long index, unsigned char& out) {
    if (!inWindow(index) && !ensureWindow(index)) return false;
    const unsigned char* p = windowElement(index);
    switch (dataType_) {
        case conv::k_single: {
            const float v = load<float>(p);
            if (std::isnan(v)) return false;
            out = conv::low_byte(conv::trunc_i32(v));
            return true;
        }
        case conv::k_byte: out = *p; return true;
        case conv::k_bitmask: out = *p != 0 ? 1 : 0; return true;
        case conv::k_integer: {
            const int32_t v = load<int32_t>(p);
            if (v == nullInt_) return false;
            out = conv::low_byte(v);
            return true;
        }
        case conv::k_double: {
            const double v = load<double>(p);
            if (std::isnan(v)) return false;
            out = conv::low_byte(conv::trunc_i32(v));
            return true;
        }
        default: return false;
    }
}

bool TekVor4PropertyImpl::getValueInt(long long index, int& out) {
    if (!inWindow(index) && !ensureWindow(index)) return false;
    const unsigned char* p = windowElement(index);
    switch (dataType_) {
        case conv::k_single: {
            const float v = load<float>(p);
            if (std::isnan(v)) return false;
            out = conv::round_half_up_i32(static_cast<double>(v));
            return true;
        }
        case conv::k_byte:
        case conv::k_bitmask: out = *p; return true;
        case conv::k_integer: {
            const int32_t v = load<int32_t>(p);
            if (v == nullInt_) return false;
            out = v;
            return true;
        }
        case conv::k_double: {
            const double v = load<double>(p);
            if (std::isnan(v)) return false;
            out = conv::round_half_up_i32(v);
            return true;
        }
        default: return false;
    }
}

bool TekVor4PropertyImpl::getValueSingle(long long index, float& out) {
    if (!inWindow(index) && !ensureWindow(index)) return false;
    const unsigned char* p = windowElement(index);
    switch (dataType_) {
        case conv::k_single: {
            const float v = load<float>(p);
            if (std::isnan(v)) return false;
            out = v;
            return true;
        }
        case conv::k_byte:
        case conv::k_bitmask: out = static_cast<float>(*p); return true;
        case conv::k_integer: {
            const int32_t v = load<int32_t>(p);
            if (v == nullInt_) return false;
            out = static_cast<float>(v);
            return true;
        }
        case conv::k_double: {
            const double v = load<double>(p);
            if (std::isnan(v)) return false;
            out = conv::to_single(v);
            return true;
        }
        default: return false;
    }
}

bool TekVor4PropertyImpl::getValueDouble(long long index, double& out) {
    if (!inWindow(index) && !ensureWindow(index)) return false;
    const unsigned char* p = windowElement(index);
    switch (dataType_) {
        case conv::k_single: {
            const float v = load<float>(p);
            if (std::isnan(v)) return false;
            out = static_cast<double>(v);
            return true;
        }
        case conv::k_byte:
        case conv::k_bitmask: out = static_cast<double>(*p); return true;
        case conv::k_integer: {
            const int32_t v = load<int32_t>(p);
            if (v == nullInt_) return false;
            out = static_cast<double>(v);
            return true;
        }
        case conv::k_double: {
            const double v = load<double>(p);
            if (std::isnan(v)) return false;
            out = v;
            return true;
        }
        default: return false;
    }
}

// --- Setters ----------------------------------------------------------------------------------
//
// Each setter refuses an index outside the property, invalidates the statistics, makes sure
// the window holds the index (storing nothing when it cannot be built), stores the converted
// value and marks the window dirty.

unsigned char* TekVor4PropertyImpl::beginSet(long long index) {
    if (index < 0 || index >= numObjects_) return nullptr;
    invalidateStatistics();
    if (!inWindow(index) && !ensureWindow(index)) return nullptr;
    return windowElement(index);
}

void TekVor4PropertyImpl::endSet() {
    window_.dirty = true;
    invalidateStatistics();
}

void TekVor4PropertyImpl::setValueBool(long long index, bool value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case conv::k_single: store<float>(p, value ? 1.0f : 0.0f); break;
        case conv::k_byte:
        case conv::k_bitmask: *p = value ? 1 : 0; break;
        case conv::k_integer: store<int32_t>(p, value ? 1 : 0); break;
        case conv::k_double: store<double>(p, value ? 1.0 : 0.0); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueByte(long long index, unsigned char value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case conv::k_single: store<float>(p, static_cast<float>(value)); break;
        case conv::k_byte: *p = value; break;
        case conv::k_bitmask: *p = value != 0 ? 1 : 0; break;
        case conv::k_integer: store<int32_t>(p, value); break;
        case conv::k_double: store<double>(p, static_cast<double>(value)); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueInt(long long index, int value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case conv::k_single: store<float>(p, value == nullInt_ ? nullSingle_ : static_cast<float>(value)); break;
        case conv::k_byte: *p = conv::low_byte(value); break;
        case conv::k_bitmask: *p = value != 0 ? 1 : 0; break;
        case conv::k_integer: store<int32_t>(p, value); break;
        case conv::k_double: store<double>(p, value == nullInt_ ? nullDouble_ : static_cast<double>(value)); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueSingle(long long index, float value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    const bool missing = std::isnan(value);
    switch (dataType_) {
        case conv::k_single: store<float>(p, missing ? nullSingle_ : value); break;
        case conv::k_byte: *p = conv::low_byte(conv::trunc_i32(value)); break;
        case conv::k_bitmask: *p = mask_of(value); break;
        case conv::k_integer:
            store<int32_t>(p, missing ? nullInt_ : conv::round_half_up_i32(static_cast<double>(value)));
            break;
        case conv::k_double: store<double>(p, missing ? nullDouble_ : static_cast<double>(value)); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueDouble(long long index, double value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    const bool missing = std::isnan(value);
    switch (dataType_) {
        case conv::k_single: store<float>(p, missing ? nullSingle_ : conv::to_single(value)); break;
        case conv::k_byte: *p = conv::low_byte(conv::trunc_i32(value)); break;
        case conv::k_bitmask: *p = mask_of(value); break;
        case conv::k_integer: store<int32_t>(p, missing ? nullInt_ : conv::round_half_up_i32(value)); break;
        case conv::k_double: store<double>(p, missing ? nullDouble_ : value); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueNull(long long index) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case conv::k_single: store<float>(p, nullSingle_); break;
        case conv::k_byte:
        case conv::k_bitmask: *p = 0; break;
        case conv::k_integer: store<int32_t>(p, nullInt_); break;
        case conv::k_double: store<double>(p, nullDouble_); break;
        default: break;
    }
    endSet();
}

