// The forwarding base of every document proxy: each operation of the document interface goes
// to subject(). Property handles are wrapped through a table of property proxies, one per
// property of the subject, kept in step with the subject at the outermost end of an update.
#pragma once

#include <map>

#include "base/Tek_extensible_obj.h"
#include "vor4/TekVor4.h"

class TekVor4Proxy : public virtual TekVor4, public Tek_extensible_obj {
public:
    // Holds an update open for its lifetime, so that the end of the update runs also when the
    // bracketed call leaves by an exception.
    class update_guard {
    public:
        explicit update_guard(Iek_updatable& object) : object_(object) { object_.begin_update(); }
        ~update_guard() { object_.end_update(); }
        update_guard(const update_guard&) = delete;
        update_guard& operator=(const update_guard&) = delete;

    private:
        Iek_updatable& object_;
    };

    using property_table_t = std::map<TekVor4Property*, TekVor4Property*>;

    TekVor4Proxy() = default;
    ~TekVor4Proxy() override;

    // The document every operation is forwarded to; null when there is none (the operations
    // then answer with their failure values).
    virtual TekVor4* subject() = 0;
    virtual TekVor4Property* get_property_proxy(TekVor4Property* property);
    virtual TekVor4Property* create_property_proxy(TekVor4Property* property);
    virtual void destroy_property_proxy(TekVor4Property* proxy);

    // --- TekVor4 ----------------------------------------------------------------------------
    TekVor4Property* getProperty(unsigned int index) override;
    int getIndexByName(const std::wstring& name) override;
    bool open(const std::string& path, bool readOnly) override;
    bool open(const std::wstring& path, bool readOnly) override;
    bool save() override;
    bool create(const std::string& path) override;
    bool create(const std::wstring& path) override;
    void assign(TekVor4* source) override;
    bool deleteVor() override;

    unsigned char getGridType() override;
    bool readonly() override;
    unsigned int getNumProps() override;
    double getX0() override;
    double getY0() override;
    double getZ0() override;
    double getDX() override;
    double getDY() override;
    double getDZ() override;
    bool getEarthPlane() override;
    double getAzimuth() override;
    void getDimensions64(long long* sizes) override;
    long long getSizeX() override;
    long long getSizeY() override;
    long long getSizeZ() override;
    long long getNumObjects() override;
    int getMaskPropIndex() override;
    int getXPropIndex() override;
    int getYPropIndex() override;
    int getZPropIndex() override;
    bool getBox(unsigned int index, double* box) override;

    void setGridType(unsigned char gridType) override;
    void setX0(double value) override;
    void setY0(double value) override;
    void setZ0(double value) override;
    void setDX(double value) override;
    void setDY(double value) override;
    void setDZ(double value) override;
    void setEarthPlane(bool value) override;
    void setAzimuth(double value) override;
    void setDimensions32(const unsigned int* sizes) override;
    void setDimensions64(const long long* sizes) override;
    void setSizeX(long long value) override;
    void setSizeY(long long value) override;
    void setSizeZ(long long value) override;
    void setNumObjects(long long value) override;
    void setMaskPropIndex(int index) override;
    void setXPropIndex(int index) override;
    void setYPropIndex(int index) override;
    void setZPropIndex(int index) override;

    int getIndexByName(const std::string& name) override;
    int getIndexByCaption(const std::string& caption) override;
    int getIndexByCaption(const std::wstring& caption) override;
    TekVor4Property* addProperty(const std::string& name, unsigned char propKind, unsigned char dataType,
                                 bool overwrite) override;
    TekVor4Property* addProperty(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                 bool overwrite) override;
    TekVor4Property* addPropertyBinary(const std::string& name, unsigned char propKind, unsigned char dataType,
                                       const std::string& sourceFile, bool copy, bool overwrite) override;
    TekVor4Property* addPropertyBinary(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                       const std::wstring& sourceFile, bool copy, bool overwrite) override;
    const char* get_unin_name(const std::string& base) override;
    const wchar_t* get_unin_capt(const std::wstring& base) override;
    bool deleteProperty(unsigned int index) override;
    bool deletePropertyList(unsigned int index) override;
    void pack() override;
    int read_index(long long start, long long count, long long* dst, long long dstOffset, long long dstCount,
                   long long step) override;
    int read_index2d(long long x0, long long y0, long long w, long long h, long long* dst, long long dstW,
                     long long dstH, long long step, long long dstRowStride) override;
    int read_index3d(long long x0, long long y0, long long z0, long long w, long long h, long long d,
                     long long* dst, long long dstW, long long dstH, long long dstD, long long step,
                     long long dstRowStride, long long dstSliceStride) override;

    // --- Tek_extensible_obj -----------------------------------------------------------------
    void assign(Tek_basic_obj* object) override;
    void broadcast_begin_update_event() override;
    void broadcast_end_update_event() override;

    unsigned int update_nesting() const { return nesting_; }
    const property_table_t& property_proxies() const { return proxies_; }

protected:
    // Rebuilds the table from the subject's current properties; proxies of properties that are
    // gone are destroyed.
    void resynchronise();
    property_table_t& property_table() { return proxies_; }

private:
    property_table_t proxies_;
    unsigned int nesting_ = 0;
};
