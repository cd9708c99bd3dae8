// The forwarding property proxy: every operation of the property interface goes to subject().
#pragma once

#include "vor4/property/TekVor4Property.h"

class TekVor4PropertyProxy : public TekVor4Property {
public:
    // The property every operation is forwarded to.
    virtual TekVor4Property* subject() const = 0;

    void setName(const std::string& name) override;
    void setName(const std::wstring& name) override;
    void setCaption(const std::string& caption) override;
    void setCaption(const std::wstring& caption) override;
    void setPrecision(const std::string& precision) override;
    void setPrecision(const std::wstring& precision) override;
    void setPropKind(unsigned char kind) override;
    void setDataType(unsigned char dataType) override;
    void setGridType(unsigned char gridType) override;
    void setTemp(bool temp) override;
    void setMin(double value) override;
    void setMax(double value) override;
    void setAverage(double value) override;
    void setStdDev(double value) override;
    void setHgBndMin(double value) override;
    void setHgBndMax(double value) override;
    void setHgMin(long long value) override;
    void setHgMax(long long value) override;
    void setHgDiapData(const std::string& text) override;
    void setSize(long long nx, long long ny, long long nz) override;
    void setNumObjects(long long n) override;
    void setFuncX0(double value) override;
    void setFuncY0(double value) override;
    void setFuncZ0(double value) override;
    void setFuncDX(double value) override;
    void setFuncDY(double value) override;
    void setFuncDZ(double value) override;
    void setFuncLX(long long value) override;
    void setFuncLY(long long value) override;
    void setFuncLZ(long long value) override;

    const std::string& getName() const override;
    const std::wstring& getNameW() const override;
    const std::string& getCaption() const override;
    const std::wstring& getCaptionW() const override;
    const std::string& getPrecision() const override;
    const std::wstring& getPrecisionW() const override;
    unsigned char getPropKind() const override;
    unsigned char getDataType() const override;
    bool getTemp() const override;
    const std::wstring& getFileNameW() const override;
    bool getStatisticSet() const override;
    double getDfMin() const override;
    double getDfMax() const override;
    double getDfAverage() const override;
    double getDfStdDev() const override;
    long long getDfIndefCount() const override;
    long long getDfValsCount() const override;
    bool getHistogramSet() const override;
    double getHgBndMin() const override;
    double getHgBndMax() const override;
    long long getHgMin() const override;
    long long getHgMax() const override;
    long long getHgCount() const override;
    long long getHgValue(unsigned int bin) const override;
    const std::string& getHgDiapData() const override;
    double getFuncX0() const override;
    double getFuncY0() const override;
    double getFuncZ0() const override;
    double getFuncDX() const override;
    double getFuncDY() const override;
    double getFuncDZ() const override;
    long long getFuncLX() const override;
    long long getFuncLY() const override;
    long long getFuncLZ() const override;

    void updateStatistic() override;
    void updateHistogram() override;
    void close() override;
    void saveMetadata(Tek_xml_node* propertiesNode) override;
    bool deletePropFile() override;
    bool openDataFile() override;
    bool getReadOnly() const override;

    int readRawData(long long start, long long count, void* dst, long long dstCount, unsigned char dstType,
                    long long dstStride) override;
    int readRawData_index(long long start, long long count, long long* dst, long long dstOffset, long long dstCount,
                          long long step) override;
    int readData2D(long long x0, long long y0, long long w, long long h, void* dst, long long dstW, long long dstH,
                   unsigned char dstType, long long dstStride, long long dstRowStride) override;
    int readData2D_index(long long x0, long long y0, long long w, long long h, long long* dst, long long dstW,
                         long long dstH, long long step, long long rowStep) override;
    int readData3D(long long x0, long long y0, long long z0, long long w, long long h, long long d, void* dst,
                   long long dstW, long long dstH, long long dstD, unsigned char dstType, long long dstStride,
                   long long dstRowStride, long long dstSliceStride) override;

    bool init(bool force) override;

    int write_data(long long start, const void* src, long long count, unsigned char srcType,
                   long long srcStride) override;
    int write_data2d(long long x0, long long y0, const void* src, long long w, long long h, unsigned char srcType,
                     long long srcStride, long long srcRowStride) override;
    int write_data3d(long long x0, long long y0, long long z0, const void* src, long long w, long long h,
                     long long d, unsigned char srcType, long long srcStride, long long srcRowStride,
                     long long srcSliceStride) override;

    bool getValueBool(long long index, bool& out) override;
    bool getValueByte(long long index, unsigned char& out) override;
    bool getValueInt(long long index, int& out) override;
    bool getValueSingle(long long index, float& out) override;
    bool getValueDouble(long long index, double& out) override;
    void setValueBool(long long index, bool value) override;
    void setValueByte(long long index, unsigned char value) override;
    void setValueInt(long long index, int value) override;
    void setValueSingle(long long index, float value) override;
    void setValueDouble(long long index, double value) override;
    void setValueNull(long long index) override;

    long long getNumObjects() const override;
    void getBlockSize(long long* out) const override;
};
