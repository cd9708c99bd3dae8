// Single values through an in-memory window of up to 8192 consecutive values of the data file.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/property/value_conversion.h"
#include "vor4/vor_vocabulary.h"

namespace conv = ek::vor::conv;
using namespace ek::vor::codes;

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
    if (!window_.loaded || writingBack_ || n == 0 || dataType_ == dtBitmask) return;
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
    if (!window_.loaded || writingBack_ || nbytes <= 0 || dataType_ != dtBitmask) return;
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
//
// One conversion per stored type, each answering for every getter type T: false when the
// stored value is missing (the boolean getter has no missing value: NaN and 2147483647 read as
// true).

namespace {

template <class T>
bool from_real(double v, T& out) {
    if constexpr (std::is_same_v<T, bool>) {
        out = v != 0.0;
        return true;
    } else {
        if (std::isnan(v)) return false;
        if constexpr (std::is_same_v<T, unsigned char>)
            out = conv::low_byte(conv::trunc_i32(v));
        else if constexpr (std::is_same_v<T, int>)
            out = conv::round_half_up_i32(v);
        else
            out = static_cast<T>(v);  // a double to the nearest float, or exact
        return true;
    }
}

template <class T>
bool from_int(int32_t v, T& out) {
    if constexpr (std::is_same_v<T, bool>) {
        out = v != 0;
        return true;
    } else {
        if (v == conv::k_null_int) return false;
        if constexpr (std::is_same_v<T, unsigned char>)
            out = conv::low_byte(v);
        else
            out = static_cast<T>(v);
        return true;
    }
}

template <class T>
bool from_byte(unsigned char v, bool mask, T& out) {
    if constexpr (std::is_same_v<T, bool>)
        out = v != 0;
    else if constexpr (std::is_same_v<T, unsigned char>)
        out = mask && v != 0 ? 1 : v;
    else
        out = static_cast<T>(v);
    return true;
}

}  // namespace

template <class T>
bool TekVor4PropertyImpl::getWindowValue(long long index, T& out) {
    if (!inWindow(index) && !ensureWindow(index)) return false;
    const unsigned char* p = windowElement(index);
    switch (dataType_) {
        case dtSingle: return from_real(static_cast<double>(load<float>(p)), out);
        case dtDouble: return from_real(load<double>(p), out);
        case dtInteger: return from_int(load<int32_t>(p), out);
        case dtByte: return from_byte(*p, false, out);
        case dtBitmask: return from_byte(*p, true, out);
        default: return std::is_same_v<T, bool>;  // the boolean getter answers for any type
    }
}

bool TekVor4PropertyImpl::getValueBool(long long index, bool& out) {
    out = false;
    return getWindowValue(index, out);
}

bool TekVor4PropertyImpl::getValueByte(long long index, unsigned char& out) { return getWindowValue(index, out); }
bool TekVor4PropertyImpl::getValueInt(long long index, int& out) { return getWindowValue(index, out); }
bool TekVor4PropertyImpl::getValueSingle(long long index, float& out) { return getWindowValue(index, out); }
bool TekVor4PropertyImpl::getValueDouble(long long index, double& out) { return getWindowValue(index, out); }

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
        case dtSingle: store<float>(p, value ? 1.0f : 0.0f); break;
        case dtByte:
        case dtBitmask: *p = value ? 1 : 0; break;
        case dtInteger: store<int32_t>(p, value ? 1 : 0); break;
        case dtDouble: store<double>(p, value ? 1.0 : 0.0); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueByte(long long index, unsigned char value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case dtSingle: store<float>(p, static_cast<float>(value)); break;
        case dtByte: *p = value; break;
        case dtBitmask: *p = value != 0 ? 1 : 0; break;
        case dtInteger: store<int32_t>(p, value); break;
        case dtDouble: store<double>(p, static_cast<double>(value)); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueInt(long long index, int value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case dtSingle: store<float>(p, value == nullInt_ ? nullSingle_ : static_cast<float>(value)); break;
        case dtByte: *p = conv::low_byte(value); break;
        case dtBitmask: *p = value != 0 ? 1 : 0; break;
        case dtInteger: store<int32_t>(p, value); break;
        case dtDouble: store<double>(p, value == nullInt_ ? nullDouble_ : static_cast<double>(value)); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueSingle(long long index, float value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    const bool missing = std::isnan(value);
    switch (dataType_) {
        case dtSingle: store<float>(p, missing ? nullSingle_ : value); break;
        case dtByte: *p = conv::low_byte(conv::trunc_i32(value)); break;
        case dtBitmask: *p = mask_of(value); break;
        case dtInteger:
            store<int32_t>(p, missing ? nullInt_ : conv::round_half_up_i32(static_cast<double>(value)));
            break;
        case dtDouble: store<double>(p, missing ? nullDouble_ : static_cast<double>(value)); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueDouble(long long index, double value) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    const bool missing = std::isnan(value);
    switch (dataType_) {
        case dtSingle: store<float>(p, missing ? nullSingle_ : conv::to_single(value)); break;
        case dtByte: *p = conv::low_byte(conv::trunc_i32(value)); break;
        case dtBitmask: *p = mask_of(value); break;
        case dtInteger: store<int32_t>(p, missing ? nullInt_ : conv::round_half_up_i32(value)); break;
        case dtDouble: store<double>(p, missing ? nullDouble_ : value); break;
        default: break;
    }
    endSet();
}

void TekVor4PropertyImpl::setValueNull(long long index) {
    unsigned char* const p = beginSet(index);
    if (p == nullptr) return;
    switch (dataType_) {
        case dtSingle: store<float>(p, nullSingle_); break;
        case dtByte:
        case dtBitmask: *p = 0; break;
        case dtInteger: store<int32_t>(p, nullInt_); break;
        case dtDouble: store<double>(p, nullDouble_); break;
        default: break;
    }
    endSet();
}

