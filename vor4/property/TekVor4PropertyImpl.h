// The property object over its data file.
//
// Holds the attributes, statistics and histogram of one property and gives typed access to
// its data file: runs and 2D/3D windows with conversion between the five value types,
// nearest-index resampling on read, bit-packed masks, and single values through an in-memory
// window of up to 8192 values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filesystem/fileio.h"
#include "vor4/property/TekVor4Property.h"

class TekVor4PropertyImpl : public TekVor4Property {
public:
    static constexpr long long k_window_values = 8192;

    // The narrow path is Windows-1251 text.
    TekVor4PropertyImpl(const std::string& path, bool readOnly);
    TekVor4PropertyImpl(const std::wstring& path, bool readOnly);
    ~TekVor4PropertyImpl() override;

    TekVor4PropertyImpl(const TekVor4PropertyImpl&) = delete;
    TekVor4PropertyImpl& operator=(const TekVor4PropertyImpl&) = delete;

    // --- TekVor4Property ---------------------------------------------------------------
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

    // --- Operations of the implementation beyond the interface -------------------------
    bool openDataFileRead();
    bool buildBuffer(long long index);
    bool flushBuffer();
    // Converting write at the file's current position, for any pair of types.
    int write_any(const void* src, long long count, unsigned char srcType, long long srcStride);
    // Writes count values of the property's own type at the current position.
    int write_same(const void* src, long long count);
    int write_same(const void* src, long long count, long long srcStride);
    // Unpacks count bits from object start on into one byte (0 or 1) per value.
    bool readBit(long long start, long long count, unsigned char* dst);
    int write_bitmask(long long start, const void* src, long long count, unsigned char srcType, long long srcStride);
    int write_bit(long long bytePos, const unsigned char* bits, long long n);
    // Used when a document is opened: the saved statistics are present with this missing count.
    void setStatisticPresent(long long indefCount);

    // The missing values, fixed at construction.
    float nullSingle() const { return nullSingle_; }
    double nullDouble() const { return nullDouble_; }
    int nullInt() const { return nullInt_; }
    unsigned char nullByte() const { return nullByte_; }

private:
    struct Statistics {
        bool valid = false;
        long long indefCount = 0;
        double min = 0.0;
        double max = 0.0;
        double average = 0.0;
        double stdDev = 0.0;
    };
    struct Histogram {
        bool valid = false;
        double bndMin = 0.0;
        double bndMax = 0.0;
        long long below = 0;  // HgMin
        long long above = 0;  // HgMax
        std::string text;     // HgDiapData
        std::vector<long long> counts;
    };
    struct Window {
        std::vector<unsigned char> buffer;  // values of the data type; one byte per value for masks
        long long first = 0;
        long long end = k_window_values;
        bool dirty = false;
        bool allocated = false;
        unsigned char type = 0;  // data type the buffer was sized for
        long long length = 0;    // values the buffer was sized for
        bool loaded = false;     // [first, end) holds the file's values (false after a drop)
    };

    // Opens the data file when closed and writes a dirty window back; false when the file
    // cannot be opened.
    bool prepareFile();
    void invalidateStatistics();

    // Writes a dirty window back (never for a read-only property); the dirty flag is cleared
    // first and the result is not examined. Returns the write's result, 0 when nothing was due.
    int writeBack();
    // Forgets the window's contents (the buffer stays allocated).
    void dropWindow();
    // After bytes went to the data file at `offset` (other than by the window's own
    // write-back): the window's copy of them is updated, so that it never serves or writes
    // back values older than the file's. The window mirrors the file byte for byte.
    void windowWritten(uint64_t offset, const void* data, uint64_t n);
    // The same for packed mask bytes; the window holds one byte per bit.
    void windowWrittenBits(long long bytePos, const unsigned char* packed, long long nbytes);
    // Before a change of the data type or the object count: writes the window back and drops
    // it, so it is rebuilt for the new layout.
    void retireWindow();
    // Slow path of the single-value access: a valid index outside the window.
    bool ensureWindow(long long index);
    // The getters: the window element of index converted to T; false when it is missing or
    // the window cannot be built.
    template <class T>
    bool getWindowValue(long long index, T& out);
    // A setter's slot: refuses an index outside the property, invalidates the statistics and
    // makes sure the window holds the index; null when nothing may be stored.
    unsigned char* beginSet(long long index);
    // After a setter stored its value.
    void endSet();
    // Element of the window for index; the window holds index.
    unsigned char* windowElement(long long index) {
        return window_.buffer.data() + (index - window_.first) * elemSize_;
    }
    bool inWindow(long long index) const {
        return window_.loaded && index >= window_.first && index < window_.end;
    }

    // Positioned read of the data file; false unless exactly n bytes arrived.
    bool readAt(uint64_t offset, void* data, uint64_t n);
    // Writes n bytes at the current position and keeps the window in step with them.
    bool writeHere(const void* data, uint64_t n);
    // Reads n packed mask bytes from bytePos, taking bytes beyond the end of the file as 0;
    // false only when the file reports a failure.
    bool readPackedZeroPast(long long bytePos, long long n, unsigned char* out);
    // Values [first, first + n) of the own type (not a mask) in a mapping of the data file;
    // null when the file does not hold them all or cannot be mapped. Ends a row plan, whose
    // view the call may replace.
    const unsigned char* mappedValues(long long first, long long n);
    // For the rest of a 2D or 3D window read whose rows of `count` values are resampled to
    // dstCount outputs: maps objects [first, end), which hold all its rows, once, and works out
    // the sources of a row's outputs, the same for every row. No plan when the file cannot be
    // mapped or the rows are not resampled.
    void planRows(long long first, long long end, long long count, long long dstCount);
    // Hints that values [start, start + n) of the next `rows` rows, whose starts nextRow() gives
    // in ascending order, are about to be read: a window read that follows a row plan names its
    // rows up front, so that a cold file is read in parallel, not row by row.
    template <class NextRow>
    void prefetchRows(long long rows, long long n, NextRow nextRow) const;
    // The converting and resampling part of readRawData (data file already prepared).
    int readConverted(long long start, long long count, void* dst, long long dstCount, unsigned char dstType,
                      long long stride);

    // A window read's resampled rows, taken from one view without a file call or index
    // arithmetic of their own; valid only while that read runs.
    struct RowPlan {
        const unsigned char* base = nullptr;  // objects [first, end) of the data file; null: no plan
        long long first = 0;
        long long end = 0;
        long long count = 0;          // values of a row
        std::vector<int64_t> picks;   // the source in the row of each output
    };
    RowPlan rowPlan_;

    // Value size of the data type in the file (1 for masks, 0 for an unknown type).
    long long elemSize_ = 4;
    bool writingBack_ = false;  // write_data is the window's own write-back

    bool readOnly_;
    std::string name_;
    std::wstring nameW_;
    std::string caption_;
    std::wstring captionW_;
    std::string precision_;
    std::wstring precisionW_;
    unsigned char geomType_ = 0;
    unsigned char propKind_ = 0;
    unsigned char dataType_ = 0;
    unsigned char gridType_ = 0;
    bool temp_ = false;
    std::wstring fileName_;
    Statistics stat_;
    Histogram hist_;
    double funcX0_ = 0.0, funcY0_ = 0.0, funcZ0_ = 0.0;
    double funcDX_ = 0.0, funcDY_ = 0.0, funcDZ_ = 0.0;
    long long funcLX_ = 0, funcLY_ = 0, funcLZ_ = 0;
    ek::fileio file_;
    float nullSingle_;
    double nullDouble_;
    int nullInt_ = 2147483647;
    unsigned char nullByte_ = 255;
    long long numObjects_ = 0;
    long long nx_ = 1, ny_ = 1, nz_ = 1;
    Window window_;
};
