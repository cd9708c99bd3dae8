// The abstract document: a grid geometry and its list of properties.
//
// The order of the virtual operations is part of the interface: proxies implement the same
// interface and forward in this order. Narrow strings are Windows-1251 text.
#pragma once

#include <string>

#include "vor4/property/TekVor4Property.h"

class TekVor4PropertyCollection {
public:
    virtual TekVor4Property* getProperty(unsigned int index) = 0;
    virtual int getIndexByName(const std::wstring& name) = 0;

protected:
    ~TekVor4PropertyCollection() = default;
};

class TekVor4 : public TekVor4PropertyCollection {
public:
    using TekVor4PropertyCollection::getIndexByName;

    virtual ~TekVor4() = default;

    virtual bool open(const std::string& path, bool readOnly) = 0;
    virtual bool open(const std::wstring& path, bool readOnly) = 0;
    virtual bool save() = 0;
    virtual bool create(const std::string& path) = 0;
    virtual bool create(const std::wstring& path) = 0;
    virtual void assign(TekVor4* source) = 0;
    virtual bool deleteVor() = 0;

    virtual unsigned char getGridType() = 0;
    virtual bool readonly() = 0;
    virtual unsigned int getNumProps() = 0;
    virtual double getX0() = 0;
    virtual double getY0() = 0;
    virtual double getZ0() = 0;
    virtual double getDX() = 0;
    virtual double getDY() = 0;
    virtual double getDZ() = 0;
    virtual bool getEarthPlane() = 0;
    virtual double getAzimuth() = 0;
    virtual void getDimensions64(long long* sizes) = 0;
    virtual long long getSizeX() = 0;
    virtual long long getSizeY() = 0;
    virtual long long getSizeZ() = 0;
    virtual long long getNumObjects() = 0;
    virtual int getMaskPropIndex() = 0;
    virtual int getXPropIndex() = 0;
    virtual int getYPropIndex() = 0;
    virtual int getZPropIndex() = 0;
    virtual bool getBox(unsigned int index, double* box) = 0;

    virtual void setGridType(unsigned char gridType) = 0;
    virtual void setX0(double value) = 0;
    virtual void setY0(double value) = 0;
    virtual void setZ0(double value) = 0;
    virtual void setDX(double value) = 0;
    virtual void setDY(double value) = 0;
    virtual void setDZ(double value) = 0;
    virtual void setEarthPlane(bool value) = 0;
    virtual void setAzimuth(double value) = 0;
    virtual void setDimensions32(const unsigned int* sizes) = 0;
    virtual void setDimensions64(const long long* sizes) = 0;
    virtual void setSizeX(long long value) = 0;
    virtual void setSizeY(long long value) = 0;
    virtual void setSizeZ(long long value) = 0;
    virtual void setNumObjects(long long value) = 0;
    virtual void setMaskPropIndex(int index) = 0;
    virtual void setXPropIndex(int index) = 0;
    virtual void setYPropIndex(int index) = 0;
    virtual void setZPropIndex(int index) = 0;

    virtual int getIndexByName(const std::string& name) = 0;
    virtual int getIndexByCaption(const std::string& caption) = 0;
    virtual int getIndexByCaption(const std::wstring& caption) = 0;
    virtual TekVor4Property* addProperty(const std::string& name, unsigned char propKind, unsigned char dataType,
                                         bool overwrite) = 0;
    virtual TekVor4Property* addProperty(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                         bool overwrite) = 0;
    virtual TekVor4Property* addPropertyBinary(const std::string& name, unsigned char propKind,
                                               unsigned char dataType, const std::string& sourceFile, bool copy,
                                               bool overwrite) = 0;
    virtual TekVor4Property* addPropertyBinary(const std::wstring& name, unsigned char propKind,
                                               unsigned char dataType, const std::wstring& sourceFile, bool copy,
                                               bool overwrite) = 0;
    virtual const char* get_unin_name(const std::string& base) = 0;
    virtual const wchar_t* get_unin_capt(const std::wstring& base) = 0;
    virtual bool deleteProperty(unsigned int index) = 0;
    virtual bool deletePropertyList(unsigned int index) = 0;
    virtual void pack() = 0;
    virtual int read_index(long long start, long long count, long long* dst, long long dstOffset, long long dstCount,
                           long long step) = 0;
    virtual int read_index2d(long long x0, long long y0, long long w, long long h, long long* dst, long long dstW,
                             long long dstH, long long step, long long dstRowStride) = 0;
    virtual int read_index3d(long long x0, long long y0, long long z0, long long w, long long h, long long d,
                             long long* dst, long long dstW, long long dstH, long long dstD, long long step,
                             long long dstRowStride, long long dstSliceStride) = 0;
};
