#include "vor4/proxy/TekVor4PropertyProxy.h"

void TekVor4PropertyProxy::setName(const std::string& name) { subject()->setName(name); }
void TekVor4PropertyProxy::setName(const std::wstring& name) { subject()->setName(name); }
void TekVor4PropertyProxy::setCaption(const std::string& caption) { subject()->setCaption(caption); }
void TekVor4PropertyProxy::setCaption(const std::wstring& caption) { subject()->setCaption(caption); }
void TekVor4PropertyProxy::setPrecision(const std::string& precision) { subject()->setPrecision(precision); }
void TekVor4PropertyProxy::setPrecision(const std::wstring& precision) { subject()->setPrecision(precision); }
void TekVor4PropertyProxy::setPropKind(unsigned char kind) { subject()->setPropKind(kind); }
void TekVor4PropertyProxy::setDataType(unsigned char dataType) { subject()->setDataType(dataType); }
void TekVor4PropertyProxy::setGridType(unsigned char gridType) { subject()->setGridType(gridType); }
void TekVor4PropertyProxy::setTemp(bool temp) { subject()->setTemp(temp); }
void TekVor4PropertyProxy::setMin(double value) { subject()->setMin(value); }
void TekVor4PropertyProxy::setMax(double value) { subject()->setMax(value); }
void TekVor4PropertyProxy::setAverage(double value) { subject()->setAverage(value); }
void TekVor4PropertyProxy::setStdDev(double value) { subject()->setStdDev(value); }
void TekVor4PropertyProxy::setHgBndMin(double value) { subject()->setHgBndMin(value); }
void TekVor4PropertyProxy::setHgBndMax(double value) { subject()->setHgBndMax(value); }
void TekVor4PropertyProxy::setHgMin(long long value) { subject()->setHgMin(value); }
void TekVor4PropertyProxy::setHgMax(long long value) { subject()->setHgMax(value); }
void TekVor4PropertyProxy::setHgDiapData(const std::string& text) { subject()->setHgDiapData(text); }
void TekVor4PropertyProxy::setSize(long long nx, long long ny, long long nz) { subject()->setSize(nx, ny, nz); }
void TekVor4PropertyProxy::setNumObjects(long long n) { subject()->setNumObjects(n); }
void TekVor4PropertyProxy::setFuncX0(double value) { subject()->setFuncX0(value); }
void TekVor4PropertyProxy::setFuncY0(double value) { subject()->setFuncY0(value); }
void TekVor4PropertyProxy::setFuncZ0(double value) { subject()->setFuncZ0(value); }
void TekVor4PropertyProxy::setFuncDX(double value) { subject()->setFuncDX(value); }
void TekVor4PropertyProxy::setFuncDY(double value) { subject()->setFuncDY(value); }
void TekVor4PropertyProxy::setFuncDZ(double value) { subject()->setFuncDZ(value); }
void TekVor4PropertyProxy::setFuncLX(long long value) { subject()->setFuncLX(value); }
void TekVor4PropertyProxy::setFuncLY(long long value) { subject()->setFuncLY(value); }
void TekVor4PropertyProxy::setFuncLZ(long long value) { subject()->setFuncLZ(value); }
const std::string& TekVor4PropertyProxy::getName() const { return subject()->getName(); }
const std::wstring& TekVor4PropertyProxy::getNameW() const { return subject()->getNameW(); }
const std::string& TekVor4PropertyProxy::getCaption() const { return subject()->getCaption(); }
const std::wstring& TekVor4PropertyProxy::getCaptionW() const { return subject()->getCaptionW(); }
const std::string& TekVor4PropertyProxy::getPrecision() const { return subject()->getPrecision(); }
const std::wstring& TekVor4PropertyProxy::getPrecisionW() const { return subject()->getPrecisionW(); }
unsigned char TekVor4PropertyProxy::getPropKind() const { return subject()->getPropKind(); }
unsigned char TekVor4PropertyProxy::getDataType() const { return subject()->getDataType(); }
bool TekVor4PropertyProxy::getTemp() const { return subject()->getTemp(); }
const std::wstring& TekVor4PropertyProxy::getFileNameW() const { return subject()->getFileNameW(); }
bool TekVor4PropertyProxy::getStatisticSet() const { return subject()->getStatisticSet(); }
double TekVor4PropertyProxy::getDfMin() const { return subject()->getDfMin(); }
double TekVor4PropertyProxy::getDfMax() const { return subject()->getDfMax(); }
double TekVor4PropertyProxy::getDfAverage() const { return subject()->getDfAverage(); }
double TekVor4PropertyProxy::getDfStdDev() const { return subject()->getDfStdDev(); }
long long TekVor4PropertyProxy::getDfIndefCount() const { return subject()->getDfIndefCount(); }
long long TekVor4PropertyProxy::getDfValsCount() const { return subject()->getDfValsCount(); }
bool TekVor4PropertyProxy::getHistogramSet() const { return subject()->getHistogramSet(); }
double TekVor4PropertyProxy::getHgBndMin() const { return subject()->getHgBndMin(); }
double TekVor4PropertyProxy::getHgBndMax() const { return subject()->getHgBndMax(); }
long long TekVor4PropertyProxy::getHgMin() const { return subject()->getHgMin(); }
long long TekVor4PropertyProxy::getHgMax() const { return subject()->getHgMax(); }
long long TekVor4PropertyProxy::getHgCount() const { return subject()->getHgCount(); }
long long TekVor4PropertyProxy::getHgValue(unsigned int bin) const { return subject()->getHgValue(bin); }
const std::string& TekVor4PropertyProxy::getHgDiapData() const { return subject()->getHgDiapData(); }
double TekVor4PropertyProxy::getFuncX0() const { return subject()->getFuncX0(); }
double TekVor4PropertyProxy::getFuncY0() const { return subject()->getFuncY0(); }
double TekVor4PropertyProxy::getFuncZ0() const { return subject()->getFuncZ0(); }
double TekVor4PropertyProxy::getFuncDX() const { return subject()->getFuncDX(); }
double TekVor4PropertyProxy::getFuncDY() const { return subject()->getFuncDY(); }
double TekVor4PropertyProxy::getFuncDZ() const { return subject()->getFuncDZ(); }
long long TekVor4PropertyProxy::getFuncLX() const { return subject()->getFuncLX(); }
long long TekVor4PropertyProxy::getFuncLY() const { return subject()->getFuncLY(); }
long long TekVor4PropertyProxy::getFuncLZ() const { return subject()->getFuncLZ(); }
void TekVor4PropertyProxy::updateStatistic() { subject()->updateStatistic(); }
void TekVor4PropertyProxy::updateHistogram() { subject()->updateHistogram(); }
void TekVor4PropertyProxy::close() { subject()->close(); }
void TekVor4PropertyProxy::saveMetadata(Tek_xml_node* propertiesNode) { subject()->saveMetadata(propertiesNode); }
bool TekVor4PropertyProxy::deletePropFile() { return subject()->deletePropFile(); }
bool TekVor4PropertyProxy::openDataFile() { return subject()->openDataFile(); }
bool TekVor4PropertyProxy::getReadOnly() const { return subject()->getReadOnly(); }
int TekVor4PropertyProxy::readRawData(long long start, long long count, void* dst, long long dstCount, unsigned char dstType, long long dstStride) { return subject()->readRawData(start, count, dst, dstCount, dstType, dstStride); }
int TekVor4PropertyProxy::readRawData_index(long long start, long long count, long long* dst, long long dstOffset, long long dstCount, long long step) { return subject()->readRawData_index(start, count, dst, dstOffset, dstCount, step); }
int TekVor4PropertyProxy::readData2D(long long x0, long long y0, long long w, long long h, void* dst, long long dstW, long long dstH, unsigned char dstType, long long dstStride, long long dstRowStride) { return subject()->readData2D(x0, y0, w, h, dst, dstW, dstH, dstType, dstStride, dstRowStride); }
int TekVor4PropertyProxy::readData2D_index(long long x0, long long y0, long long w, long long h, long long* dst, long long dstW, long long dstH, long long step, long long rowStep) { return subject()->readData2D_index(x0, y0, w, h, dst, dstW, dstH, step, rowStep); }
int TekVor4PropertyProxy::readData3D(long long x0, long long y0, long long z0, long long w, long long h, long long d, void* dst, long long dstW, long long dstH, long long dstD, unsigned char dstType, long long dstStride, long long dstRowStride, long long dstSliceStride) { return subject()->readData3D(x0, y0, z0, w, h, d, dst, dstW, dstH, dstD, dstType, dstStride, dstRowStride, dstSliceStride); }
bool TekVor4PropertyProxy::init(bool force) { return subject()->init(force); }
int TekVor4PropertyProxy::write_data(long long start, const void* src, long long count, unsigned char srcType, long long srcStride) { return subject()->write_data(start, src, count, srcType, srcStride); }
int TekVor4PropertyProxy::write_data2d(long long x0, long long y0, const void* src, long long w, long long h, unsigned char srcType, long long srcStride, long long srcRowStride) { return subject()->write_data2d(x0, y0, src, w, h, srcType, srcStride, srcRowStride); }
int TekVor4PropertyProxy::write_data3d(long long x0, long long y0, long long z0, const void* src, long long w, long long h, long long d, unsigned char srcType, long long srcStride, long long srcRowStride, long long srcSliceStride) { return subject()->write_data3d(x0, y0, z0, src, w, h, d, srcType, srcStride, srcRowStride, srcSliceStride); }
bool TekVor4PropertyProxy::getValueBool(long long index, bool& out) { return subject()->getValueBool(index, out); }
bool TekVor4PropertyProxy::getValueByte(long long index, unsigned char& out) { return subject()->getValueByte(index, out); }
bool TekVor4PropertyProxy::getValueInt(long long index, int& out) { return subject()->getValueInt(index, out); }
bool TekVor4PropertyProxy::getValueSingle(long long index, float& out) { return subject()->getValueSingle(index, out); }
bool TekVor4PropertyProxy::getValueDouble(long long index, double& out) { return subject()->getValueDouble(index, out); }
void TekVor4PropertyProxy::setValueBool(long long index, bool value) { subject()->setValueBool(index, value); }
void TekVor4PropertyProxy::setValueByte(long long index, unsigned char value) { subject()->setValueByte(index, value); }
void TekVor4PropertyProxy::setValueInt(long long index, int value) { subject()->setValueInt(index, value); }
void TekVor4PropertyProxy::setValueSingle(long long index, float value) { subject()->setValueSingle(index, value); }
void TekVor4PropertyProxy::setValueDouble(long long index, double value) { subject()->setValueDouble(index, value); }
void TekVor4PropertyProxy::setValueNull(long long index) { subject()->setValueNull(index); }
long long TekVor4PropertyProxy::getNumObjects() const { return subject()->getNumObjects(); }
void TekVor4PropertyProxy::getBlockSize(long long* out) const { subject()->getBlockSize(out); }
