// Helpers of the property tests: a property over a fresh data file in a temporary folder, and
// direct access to the bytes of a data file.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace ek::test {

inline constexpr unsigned char dtSingle = 0, dtByte = 1, dtInteger = 2, dtBitmask = 3, dtDouble = 4;
inline constexpr unsigned char gt1D = 1, gt2D = 3, gt2dCoord = 4, gt3D = 5, gt3DCoord = 6, gtFunc1D = 7, gtFunc2D = 8;

inline std::vector<unsigned char> file_bytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void put_bytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

template <class T>
std::vector<unsigned char> as_bytes(const std::vector<T>& values) {
    std::vector<unsigned char> out(values.size() * sizeof(T));
    if (!values.empty()) std::memcpy(out.data(), values.data(), out.size());
    return out;
}

template <class T>
std::vector<T> from_bytes(const std::vector<unsigned char>& bytes) {
    std::vector<T> out(bytes.size() / sizeof(T));
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
    return out;
}

// A property of the given type and sizes whose data file has just been created.
inline std::unique_ptr<TekVor4PropertyImpl> make_property(const TempDir& dir, const std::string& name,
                                                          unsigned char dataType, unsigned char gridType,
                                                          long long nx, long long ny = 1, long long nz = 1,
                                                          bool readOnly = false) {
    auto p = std::make_unique<TekVor4PropertyImpl>(dir.file(name + ".property"), readOnly);
    p->setName(std::wstring(name.begin(), name.end()));
    p->setDataType(dataType);
    p->setGridType(gridType);
    p->setSize(nx, ny, nz);
    return p;
}

}  // namespace ek::test
