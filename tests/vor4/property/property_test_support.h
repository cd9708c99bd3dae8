// Helpers of the property tests: properties over data files in a temporary folder, file bytes, values as doubles.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace ek::test {

inline constexpr unsigned char dtSingle = 0, dtByte = 1, dtInteger = 2, dtBitmask = 3, dtDouble = 4;
inline constexpr unsigned char gt1D = 1, gt2D = 3, gt3D = 5, gtFunc1D = 7, gtFunc2D = 8;
inline constexpr double NaN = std::numeric_limits<double>::quiet_NaN(), Inf = std::numeric_limits<double>::infinity();
inline constexpr double inull = 2147483647, imin = -2147483648.0;
using Bytes = std::vector<unsigned char>;
using Values = std::vector<double>;

inline Bytes file_bytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void put_bytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline size_t type_size(unsigned char t) { return t == dtDouble ? 8 : t == dtSingle || t == dtInteger ? 4 : 1; }

template <class T> T load(const unsigned char* p) { T v; std::memcpy(&v, p, sizeof v); return v; }
template <class T> void store(unsigned char* p, T v) { std::memcpy(p, &v, sizeof v); }

// Values as a buffer of the type in memory (one byte per mask value), and back.
inline Bytes encode(const Values& values, unsigned char type) {
    Bytes out(values.size() * type_size(type));
    for (size_t i = 0; i < values.size(); ++i) {
        unsigned char* p = out.data() + i * type_size(type);
        if (type == dtSingle) store(p, static_cast<float>(values[i]));
        else if (type == dtDouble) store(p, values[i]);
        else if (type == dtInteger) store(p, static_cast<int32_t>(values[i]));  // values in range only
        else *p = static_cast<unsigned char>(values[i]);
    }
    return out;
}

inline Values decode(const Bytes& bytes, unsigned char type) {
    Values out(bytes.size() / type_size(type));
    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned char* p = &bytes[i * type_size(type)];
        out[i] = type == dtSingle ? load<float>(p) : type == dtInteger ? load<int32_t>(p) : type == dtDouble ? load<double>(p) : *p;
    }
    return out;
}

// A data file's bytes for values of the type: mask value i is bit i mod 8 of byte i div 8.
inline Bytes file_of(const Values& values, unsigned char type) {
    if (type != dtBitmask) return encode(values, type);
    Bytes out((values.size() + 7) / 8, 0);
    for (size_t i = 0; i < values.size(); ++i) out[i / 8] |= static_cast<unsigned char>((values[i] != 0) << (i % 8));
    return out;
}

inline Values unpack(const Bytes& packed, size_t n) {
    Values out(n);
    for (size_t i = 0; i < n; ++i) out[i] = (packed[i / 8] >> (i % 8)) & 1;
    return out;
}

inline Values file_values(const TekVor4Property& p, size_t n) {
    const Bytes bytes = file_bytes(p.getFileNameW());
    return p.getDataType() == dtBitmask ? unpack(bytes, n) : decode(bytes, p.getDataType());
}

// Values as text: every NaN reads "nan", a negative zero "-0"; text_as: as the type holds them (rounded).
inline std::string text(const Values& values) {
    std::string out; char buf[40];
    for (double v : values) out += (std::snprintf(buf, sizeof buf, std::isnan(v) ? "%snan" : "%s%.17g", out.empty() ? "" : " ", v), buf);
    return out;
}
inline std::string text_as(const Values& values, unsigned char type) { return text(decode(encode(values, type), type)); }

// How many values differ (a NaN equals a NaN), for runs too long to compare as text.
inline long long mismatches(const Values& got, const Values& want) {
    long long n = got.size() != want.size();
    for (size_t i = 0; i < got.size() && i < want.size(); ++i) n += !(got[i] == want[i] || (std::isnan(got[i]) && std::isnan(want[i])));
    return n;
}

// Result codes as text, in the order given (a braced list runs its calls left to right).
inline std::string codes(std::initializer_list<int> results) { std::string out; for (int r : results) out += std::to_string(r); return out; }
inline Values ramp(size_t n, double base) { Values v(n); for (size_t i = 0; i < n; ++i) v[i] = base + double(i); return v; }

// A property of the given type and sizes, with no data file yet; `holding`: with exactly the values in its file.
inline std::unique_ptr<TekVor4PropertyImpl> make_property(const TempDir& dir, const std::string& name, unsigned char type, unsigned char grid,
                                                          long long nx, long long ny = 1, long long nz = 1, bool readOnly = false) {
    auto p = std::make_unique<TekVor4PropertyImpl>(dir.file(name + ".property"), readOnly);
    p->setName(name), p->setDataType(type), p->setGridType(grid), p->setSize(nx, ny, nz);
    return p;
}
inline std::unique_ptr<TekVor4PropertyImpl> holding(const TempDir& dir, unsigned char type, const Values& values, unsigned char grid = gt1D,
                                                    long long ny = 1, long long nz = 1, const std::string& name = "p", bool readOnly = false) {
    auto p = make_property(dir, name, type, grid, static_cast<long long>(values.size()) / (ny * nz), ny, nz, readOnly);
    put_bytes(p->getFileNameW(), file_of(values, type));
    return p;
}

}  // namespace ek::test
