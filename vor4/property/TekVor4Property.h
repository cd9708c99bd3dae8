// The abstract property: one data column of a grid document.
//
// The order of the virtual operations is part of the interface: proxies implement the same
// interface and forward in this order. Narrow strings are Windows-1251 text, wide strings
// wchar_t text.
#pragma once

#include <string>

#include "ekx_io.h"

class TekVor4Property {
public:
    virtual ~TekVor4Property() = default;

    // Attributes, statistics, histogram, sizes and function parameters.
    virtual void setName(const std::string& name) = 0;
    virtual void setName(const std::wstring& name) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setCaption(const std::wstring& caption) = 0;
    virtual void setPrecision(const std::string& precision) = 0;
    virtual void setPrecision(const std::wstring& precision) = 0;
    virtual void setPropKind(unsigned char kind) = 0;
    virtual void setDataType(unsigned char dataType) = 0;
    virtual void setGridType(unsigned char gridType) = 0;
    virtual void setTemp(bool temp) = 0;
    virtual void setMin(double value) = 0;
    virtual void setMax(double value) = 0;
    virtual void setAverage(double value) = 0;
    virtual void setStdDev(double value) = 0;
    virtual void setHgBndMin(double value) = 0;
    virtual void setHgBndMax(double value) = 0;
    virtual void setHgMin(long long value) = 0;
    virtual void setHgMax(long long value) = 0;
    virtual void setHgDiapData(const std::string& text) = 0;
    virtual void setSize(long long nx, long long ny, long long nz) = 0;
    virtual void setNumObjects(long long n) = 0;
    virtual void setFuncX0(double value) = 0;
    virtual void setFuncY0(double value) = 0;
    virtual void setFuncZ0(double value) = 0;
    virtual void setFuncDX(double value) = 0;
    virtual void setFuncDY(double value) = 0;
    virtual void setFuncDZ(double value) = 0;
    virtual void setFuncLX(long long value) = 0;
    virtual void setFuncLY(long long value) = 0;
    virtual void setFuncLZ(long long value) = 0;

    virtual const std::string& getName() const = 0;
    virtual const std::wstring& getNameW() const = 0;
    virtual const std::string& getCaption() const = 0;
    virtual const std::wstring& getCaptionW() const = 0;
    virtual const std::string& getPrecision() const = 0;
    virtual const std::wstring& getPrecisionW() const = 0;
    virtual unsigned char getPropKind() const = 0;
    virtual unsigned char getDataType() const = 0;
    virtual bool getTemp() const = 0;
    virtual const std::wstring& getFileNameW() const = 0;
    virtual bool getStatisticSet() const = 0;
    virtual double getDfMin() const = 0;
    virtual double getDfMax() const = 0;
    virtual double getDfAverage() const = 0;
    virtual double getDfStdDev() const = 0;
    virtual long long getDfIndefCount() const = 0;
    virtual long long getDfValsCount() const = 0;
    virtual bool getHistogramSet() const = 0;
    virtual double getHgBndMin() const = 0;
    virtual double getHgBndMax() const = 0;
    virtual long long getHgMin() const = 0;
    virtual long long getHgMax() const = 0;
    virtual long long getHgCount() const = 0;
    virtual long long getHgValue(unsigned int bin) const = 0;
    virtual const std::string& getHgDiapData() const = 0;
    virtual double getFuncX0() const = 0;
    virtual double getFuncY0() const = 0;
    virtual double getFuncZ0() const = 0;
    virtual double getFuncDX() const = 0;
    virtual double getFuncDY() const = 0;
    virtual double getFuncDZ() const = 0;
    virtual long long getFuncLX() const = 0;
    virtual long long getFuncLY() const = 0;
    virtual long long getFuncLZ() const = 0;

    // Computations, metadata and the data file.
    virtual void updateStatistic() = 0;
    virtual void updateHistogram() = 0;
    virtual void close() = 0;
    virtual void saveMetadata(Tek_xml_node* propertiesNode) = 0;
    virtual bool deletePropFile() = 0;
    virtual bool openDataFile() = 0;
    virtual bool getReadOnly() const = 0;

    // Reads. Result codes: 0 done, 1 no memory (read), 2 file error, 4 range outside the
    // property, 5 wrong grid type, 6 no memory (write).
    virtual int readRawData(long long start, long long count, void* dst, long long dstCount, unsigned char dstType,
                            long long dstStride) = 0;
    virtual int readRawData_index(long long start, long long count, long long* dst, long long dstOffset,
                                  long long dstCount, long long step) = 0;
    virtual int readData2D(long long x0, long long y0, long long w, long long h, void* dst, long long dstW,
                           long long dstH, unsigned char dstType, long long dstStride, long long dstRowStride) = 0;
    virtual int readData2D_index(long long x0, long long y0, long long w, long long h, long long* dst,
                                 long long dstW, long long dstH, long long step, long long rowStep) = 0;
    virtual int readData3D(long long x0, long long y0, long long z0, long long w, long long h, long long d,
                           void* dst, long long dstW, long long dstH, long long dstD, unsigned char dstType,
                           long long dstStride, long long dstRowStride, long long dstSliceStride) = 0;

    virtual bool init(bool force) = 0;

    // Writes.
    virtual int write_data(long long start, const void* src, long long count, unsigned char srcType,
                           long long srcStride) = 0;
    virtual int write_data2d(long long x0, long long y0, const void* src, long long w, long long h,
                             unsigned char srcType, long long srcStride, long long srcRowStride) = 0;
    virtual int write_data3d(long long x0, long long y0, long long z0, const void* src, long long w, long long h,
                             long long d, unsigned char srcType, long long srcStride, long long srcRowStride,
                             long long srcSliceStride) = 0;

    // Single values through the value window.
    virtual bool getValueBool(long long index, bool& out) = 0;
    virtual bool getValueByte(long long index, unsigned char& out) = 0;
    virtual bool getValueInt(long long index, int& out) = 0;
    virtual bool getValueSingle(long long index, float& out) = 0;
    virtual bool getValueDouble(long long index, double& out) = 0;
    virtual void setValueBool(long long index, bool value) = 0;
    virtual void setValueByte(long long index, unsigned char value) = 0;
    virtual void setValueInt(long long index, int value) = 0;
    virtual void setValueSingle(long long index, float value) = 0;
    virtual void setValueDouble(long long index, double value) = 0;
    virtual void setValueNull(long long index) = 0;

    virtual long long getNumObjects() const = 0;
    virtual void getBlockSize(long long* out) const = 0;
};
