// Documents and files on disk for the document and proxy tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "vor4/TekVor4Impl.h"

namespace ek::test {

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// A document's fields in the order of its interface: grid type, read-only, properties, X0, Y0, Z0,
// DX, DY, DZ, earth plane, azimuth, sizes X, Y, Z, objects, mask, X, Y, Z property indexes.
inline std::vector<double> fields(TekVor4& d) {
    return {double(d.getGridType()), double(d.readonly()), double(d.getNumProps()), d.getX0(), d.getY0(), d.getZ0(),
            d.getDX(), d.getDY(), d.getDZ(), double(d.getEarthPlane()), d.getAzimuth(), double(d.getSizeX()),
            double(d.getSizeY()), double(d.getSizeZ()), double(d.getNumObjects()), double(d.getMaskPropIndex()),
            double(d.getXPropIndex()), double(d.getYPropIndex()), double(d.getZPropIndex())};
}

struct PropertySpec {
    std::wstring name;
    unsigned char dataType;
};

// A "gt2D" document of nx by ny cells with empty (null-filled) properties of kind 1, written to disk.
inline bool make_document(const std::wstring& path, long long nx, long long ny,
                          const std::vector<PropertySpec>& properties) {
    TekVor4Impl d;
    d.setGridType(3);
    const long long sizes[3] = {nx, ny, 1};
    d.setDimensions64(sizes);
    if (!d.create(path)) return false;
    for (const PropertySpec& p : properties)
        if (!d.addProperty(p.name, 1, p.dataType, false)) return false;
    return true;
}

}  // namespace ek::test
