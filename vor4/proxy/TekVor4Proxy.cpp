#include "vor4/proxy/TekVor4Proxy.h"

#include <utility>

// Forwards to the subject; without one the operation answers with its failure value.
#define EK_FORWARD(fail, call)                \
    do {                                      \
        TekVor4* s = subject();               \
        return s ? s->call : fail;            \
    } while (0)
#define EK_FORWARD_VOID(call)                 \
    do {                                      \
        if (TekVor4* s = subject()) s->call;  \
    } while (0)

TekVor4Proxy::~TekVor4Proxy() {
    // The proxies in the table belong to whoever created them; the table only forgets them.
    proxies_.clear();
}

TekVor4Property* TekVor4Proxy::get_property_proxy(TekVor4Property* property) {
    if (!property) return nullptr;
    TekVor4Property*& entry = proxies_[property];
    if (!entry) entry = create_property_proxy(property);
    return entry;
}

TekVor4Property* TekVor4Proxy::create_property_proxy(TekVor4Property* property) { return property; }

void TekVor4Proxy::destroy_property_proxy(TekVor4Property*) {}

void TekVor4Proxy::broadcast_begin_update_event() { ++nesting_; }

void TekVor4Proxy::broadcast_end_update_event() {
    if (nesting_ == 0) return;
    if (--nesting_ == 0) resynchronise();
}

void TekVor4Proxy::resynchronise() {
    property_table_t previous;
    previous.swap(proxies_);
    try {
        if (TekVor4* s = subject()) {
            // The count is read again at every step: nothing here may change it, but a subject
            // that misbehaves must not make the loop run past its end.
            for (unsigned int i = 0; i < s->getNumProps(); ++i) {
                TekVor4Property* property = s->getProperty(i);
                if (!property) continue;
                const auto it = previous.find(property);
                if (it != previous.end() && it->second) {
                    proxies_[property] = it->second;
                    it->second = nullptr;
                }
            }
        }
    } catch (...) {
        // Runs at the end of an update, possibly while an exception passes: keep the table as it
        // was (the entries moved so far go back without allocating) and destroy nothing.
        for (auto& [property, proxy] : proxies_) previous.find(property)->second = proxy;
        proxies_.swap(previous);
        return;
    }
    for (auto& [property, proxy] : previous)
        if (proxy) destroy_property_proxy(std::exchange(proxy, nullptr));
}

TekVor4Property* TekVor4Proxy::getProperty(unsigned int index) {
    TekVor4* s = subject();
    return s ? get_property_proxy(s->getProperty(index)) : nullptr;
}

int TekVor4Proxy::getIndexByName(const std::wstring& name) { EK_FORWARD(-1, getIndexByName(name)); }
bool TekVor4Proxy::open(const std::string& path, bool readOnly) { EK_FORWARD(false, open(path, readOnly)); }
bool TekVor4Proxy::open(const std::wstring& path, bool readOnly) { EK_FORWARD(false, open(path, readOnly)); }
bool TekVor4Proxy::save() { EK_FORWARD(false, save()); }
bool TekVor4Proxy::create(const std::string& path) { EK_FORWARD(false, create(path)); }
bool TekVor4Proxy::create(const std::wstring& path) { EK_FORWARD(false, create(path)); }

void TekVor4Proxy::assign(TekVor4* source) {
    update_guard guard(*this);
    EK_FORWARD_VOID(assign(source));
}

bool TekVor4Proxy::deleteVor() {
    update_guard guard(*this);
    EK_FORWARD(false, deleteVor());
}

unsigned char TekVor4Proxy::getGridType() { EK_FORWARD(0, getGridType()); }
bool TekVor4Proxy::readonly() { EK_FORWARD(false, readonly()); }
unsigned int TekVor4Proxy::getNumProps() { EK_FORWARD(0u, getNumProps()); }
double TekVor4Proxy::getX0() { EK_FORWARD(0.0, getX0()); }
double TekVor4Proxy::getY0() { EK_FORWARD(0.0, getY0()); }
double TekVor4Proxy::getZ0() { EK_FORWARD(0.0, getZ0()); }
double TekVor4Proxy::getDX() { EK_FORWARD(1.0, getDX()); }
double TekVor4Proxy::getDY() { EK_FORWARD(1.0, getDY()); }
double TekVor4Proxy::getDZ() { EK_FORWARD(1.0, getDZ()); }
bool TekVor4Proxy::getEarthPlane() { EK_FORWARD(false, getEarthPlane()); }
double TekVor4Proxy::getAzimuth() { EK_FORWARD(0.0, getAzimuth()); }
void TekVor4Proxy::getDimensions64(long long* sizes) { EK_FORWARD_VOID(getDimensions64(sizes)); }
long long TekVor4Proxy::getSizeX() { EK_FORWARD(1LL, getSizeX()); }
long long TekVor4Proxy::getSizeY() { EK_FORWARD(1LL, getSizeY()); }
long long TekVor4Proxy::getSizeZ() { EK_FORWARD(1LL, getSizeZ()); }
long long TekVor4Proxy::getNumObjects() { EK_FORWARD(0LL, getNumObjects()); }
int TekVor4Proxy::getMaskPropIndex() { EK_FORWARD(-1, getMaskPropIndex()); }
int TekVor4Proxy::getXPropIndex() { EK_FORWARD(-1, getXPropIndex()); }
int TekVor4Proxy::getYPropIndex() { EK_FORWARD(-1, getYPropIndex()); }
int TekVor4Proxy::getZPropIndex() { EK_FORWARD(-1, getZPropIndex()); }
bool TekVor4Proxy::getBox(unsigned int index, double* box) { EK_FORWARD(false, getBox(index, box)); }

void TekVor4Proxy::setGridType(unsigned char gridType) { EK_FORWARD_VOID(setGridType(gridType)); }
void TekVor4Proxy::setX0(double value) { EK_FORWARD_VOID(setX0(value)); }
void TekVor4Proxy::setY0(double value) { EK_FORWARD_VOID(setY0(value)); }
void TekVor4Proxy::setZ0(double value) { EK_FORWARD_VOID(setZ0(value)); }
void TekVor4Proxy::setDX(double value) { EK_FORWARD_VOID(setDX(value)); }
void TekVor4Proxy::setDY(double value) { EK_FORWARD_VOID(setDY(value)); }
void TekVor4Proxy::setDZ(double value) { EK_FORWARD_VOID(setDZ(value)); }
void TekVor4Proxy::setEarthPlane(bool value) { EK_FORWARD_VOID(setEarthPlane(value)); }
void TekVor4Proxy::setAzimuth(double value) { EK_FORWARD_VOID(setAzimuth(value)); }
void TekVor4Proxy::setDimensions32(const unsigned int* sizes) { EK_FORWARD_VOID(setDimensions32(sizes)); }
void TekVor4Proxy::setDimensions64(const long long* sizes) { EK_FORWARD_VOID(setDimensions64(sizes)); }
void TekVor4Proxy::setSizeX(long long value) { EK_FORWARD_VOID(setSizeX(value)); }
void TekVor4Proxy::setSizeY(long long value) { EK_FORWARD_VOID(setSizeY(value)); }
void TekVor4Proxy::setSizeZ(long long value) { EK_FORWARD_VOID(setSizeZ(value)); }
void TekVor4Proxy::setNumObjects(long long value) { EK_FORWARD_VOID(setNumObjects(value)); }
void TekVor4Proxy::setMaskPropIndex(int index) { EK_FORWARD_VOID(setMaskPropIndex(index)); }
void TekVor4Proxy::setXPropIndex(int index) { EK_FORWARD_VOID(setXPropIndex(index)); }
void TekVor4Proxy::setYPropIndex(int index) { EK_FORWARD_VOID(setYPropIndex(index)); }
void TekVor4Proxy::setZPropIndex(int index) { EK_FORWARD_VOID(setZPropIndex(index)); }

int TekVor4Proxy::getIndexByName(const std::string& name) { EK_FORWARD(-1, getIndexByName(name)); }
int TekVor4Proxy::getIndexByCaption(const std::string& caption) { EK_FORWARD(-1, getIndexByCaption(caption)); }
int TekVor4Proxy::getIndexByCaption(const std::wstring& caption) { EK_FORWARD(-1, getIndexByCaption(caption)); }

TekVor4Property* TekVor4Proxy::addProperty(const std::string& name, unsigned char propKind, unsigned char dataType,
                                           bool overwrite) {
    update_guard guard(*this);
    TekVor4* s = subject();
    return s ? create_property_proxy(s->addProperty(name, propKind, dataType, overwrite)) : nullptr;
}

TekVor4Property* TekVor4Proxy::addProperty(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                           bool overwrite) {
    update_guard guard(*this);
    TekVor4* s = subject();
    return s ? create_property_proxy(s->addProperty(name, propKind, dataType, overwrite)) : nullptr;
}

TekVor4Property* TekVor4Proxy::addPropertyBinary(const std::string& name, unsigned char propKind,
                                                 unsigned char dataType, const std::string& sourceFile, bool copy,
                                                 bool overwrite) {
    update_guard guard(*this);
    TekVor4* s = subject();
    return s ? create_property_proxy(s->addPropertyBinary(name, propKind, dataType, sourceFile, copy, overwrite))
             : nullptr;
}

TekVor4Property* TekVor4Proxy::addPropertyBinary(const std::wstring& name, unsigned char propKind,
                                                 unsigned char dataType, const std::wstring& sourceFile, bool copy,
                                                 bool overwrite) {
    update_guard guard(*this);
    TekVor4* s = subject();
    return s ? create_property_proxy(s->addPropertyBinary(name, propKind, dataType, sourceFile, copy, overwrite))
             : nullptr;
}

const char* TekVor4Proxy::get_unin_name(const std::string& base) { EK_FORWARD(nullptr, get_unin_name(base)); }
const wchar_t* TekVor4Proxy::get_unin_capt(const std::wstring& base) { EK_FORWARD(nullptr, get_unin_capt(base)); }

// The proxy of a deleted property is destroyed by the table's resynchronisation at the end of
// the update, and only when the property is really gone; the document's own property object
// is never handed to destroy_property_proxy.
bool TekVor4Proxy::deleteProperty(unsigned int index) {
    update_guard guard(*this);
    EK_FORWARD(false, deleteProperty(index));
}

bool TekVor4Proxy::deletePropertyList(unsigned int index) {
    update_guard guard(*this);
    EK_FORWARD(false, deletePropertyList(index));
}

void TekVor4Proxy::pack() {
    update_guard guard(*this);
    EK_FORWARD_VOID(pack());
}

int TekVor4Proxy::read_index(long long start, long long count, long long* dst, long long dstOffset,
                             long long dstCount, long long step) {
    EK_FORWARD(2, read_index(start, count, dst, dstOffset, dstCount, step));
}

int TekVor4Proxy::read_index2d(long long x0, long long y0, long long w, long long h, long long* dst, long long dstW,
                               long long dstH, long long step, long long dstRowStride) {
    EK_FORWARD(2, read_index2d(x0, y0, w, h, dst, dstW, dstH, step, dstRowStride));
}

int TekVor4Proxy::read_index3d(long long x0, long long y0, long long z0, long long w, long long h, long long d,
                               long long* dst, long long dstW, long long dstH, long long dstD, long long step,
                               long long dstRowStride, long long dstSliceStride) {
    EK_FORWARD(2, read_index3d(x0, y0, z0, w, h, d, dst, dstW, dstH, dstD, step, dstRowStride, dstSliceStride));
}

void TekVor4Proxy::assign(Tek_basic_obj* object) {
    if (auto* document = dynamic_cast<TekVor4*>(object)) assign(document);
}
