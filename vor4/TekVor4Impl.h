// The document object: geometry, property list, and the metadata file that holds them.
#pragma once

#include <string>
#include <vector>

#include "filesystem/writer_lock.h"
#include "vor4/TekVor4.h"

class TekVor4PropertyImpl;

class TekVor4Impl : public virtual TekVor4 {
public:
    TekVor4Impl() = default;
    ~TekVor4Impl() override;
    TekVor4Impl(const TekVor4Impl&) = delete;
    TekVor4Impl& operator=(const TekVor4Impl&) = delete;

    // --- property collection ------------------------------------------------------------
    TekVor4Property* getProperty(unsigned int index) override;
    int getIndexByName(const std::wstring& name) override;

    // --- document lifecycle (metadata file) ----------------------------------------------
    bool open(const std::string& path, bool readOnly) override;
    bool open(const std::wstring& path, bool readOnly) override;
    bool save() override;
    bool create(const std::string& path) override;
    bool create(const std::wstring& path) override;
    void assign(TekVor4* source) override;
    bool deleteVor() override;

    // --- geometry ---------------------------------------------------------------------------
    unsigned char getGridType() override { return gridType; }
    bool readonly() override { return readOnly; }
    unsigned int getNumProps() override { return static_cast<unsigned int>(properties.size()); }
    double getX0() override { return x0; }
    double getY0() override { return y0; }
    double getZ0() override { return z0; }
    double getDX() override { return dx; }
    double getDY() override { return dy; }
    double getDZ() override { return dz; }
    bool getEarthPlane() override { return earthPlane; }
    double getAzimuth() override { return azimuth; }
    void getDimensions64(long long* sizes) override;
    long long getSizeX() override { return sizeX; }
    long long getSizeY() override { return sizeY; }
    long long getSizeZ() override { return sizeZ; }
    long long getNumObjects() override { return numObjects; }
    int getMaskPropIndex() override { return maskPropIndex; }
    int getXPropIndex() override { return xPropIndex; }
    int getYPropIndex() override { return yPropIndex; }
    int getZPropIndex() override { return zPropIndex; }
    bool getBox(unsigned int index, double* box) override;

    void setGridType(unsigned char value) override { gridType = value; }
    void setX0(double value) override { x0 = value; }
    void setY0(double value) override { y0 = value; }
    void setZ0(double value) override { z0 = value; }
    void setDX(double value) override { dx = value; }
    void setDY(double value) override { dy = value; }
    void setDZ(double value) override { dz = value; }
    void setEarthPlane(bool value) override { earthPlane = value; }
    void setAzimuth(double value) override { azimuth = value; }
    void setDimensions32(const unsigned int* sizes) override;
    void setDimensions64(const long long* sizes) override;
    void setSizeX(long long value) override;
    void setSizeY(long long value) override;
    void setSizeZ(long long value) override;
    void setNumObjects(long long value) override { numObjects = value; }
    void setMaskPropIndex(int index) override { maskPropIndex = index; }
    void setXPropIndex(int index) override { xPropIndex = index; }
    void setYPropIndex(int index) override { yPropIndex = index; }
    void setZPropIndex(int index) override { zPropIndex = index; }

    // --- property list ----------------------------------------------------------------------
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

    // The metadata file's path.
    const std::wstring& getPath() const { return path; }

private:
    enum class NameMatch { exact, nocase };

    int findByName(const std::wstring& name, NameMatch match) const;
    // The shared part of the four adds: checks, clearing a same-named entry, the new object.
    TekVor4PropertyImpl* prepareAdd(const std::wstring& name, NameMatch match, unsigned char propKind,
                                    unsigned char dataType, bool overwrite);
    TekVor4Property* addBinary(const std::wstring& name, NameMatch match, unsigned char propKind,
                               unsigned char dataType, const std::wstring& sourceFile, bool copy, bool overwrite);
    TekVor4Property* appendProperty(TekVor4PropertyImpl* property);
    bool removeProperty(unsigned int index, bool allowMissingFile);
    void destroyProperties();

    // Fields of the document, in their order, with the values a new document holds.
    std::wstring path;
    bool readOnly = false;
    bool deleted = false;
    unsigned char gridType = 0;
    double x0 = 0.0, y0 = 0.0, z0 = 0.0;
    double dx = 1.0, dy = 1.0, dz = 1.0;
    bool earthPlane = true;
    double azimuth = 0.0;
    long long sizeX = 1, sizeY = 1, sizeZ = 1;
    long long numObjects = 1;
    int maskPropIndex = -1, xPropIndex = -1, yPropIndex = -1, zPropIndex = -1;
    std::vector<TekVor4Property*> properties;

    // The claim on the metadata file while the document is open for writing.
    ek::filesystem::writer_lock writerLock;
};
