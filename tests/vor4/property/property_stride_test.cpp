// Strides and pitches of either sign in run and window reads and writes of the property object,
// and arguments whose address arithmetic overflows.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr unsigned char dtSingle = 0, dtByte = 1, dtInteger = 2, dtBitmask = 3, dtDouble = 4;
constexpr unsigned char poison = 0xAB;  // every byte no value may reach

// v as a value of `type` in memory (a mask value is one byte).
Bytes encode(unsigned char type, double v) {
    const float f = float(v);
    const int i = int(v);
    const unsigned char c = static_cast<unsigned char>(v);
    const void* from =
        type == dtSingle ? &f : type == dtInteger ? &i : type == dtDouble ? &v : static_cast<const void*>(&c);
    const size_t size = type == dtDouble ? 8 : type == dtSingle || type == dtInteger ? 4 : 1;
    return Bytes(static_cast<const unsigned char*>(from), static_cast<const unsigned char*>(from) + size);
}

// Object i holds i + 1; a mask a bit pattern that no reordering keeps.
double value(int i, bool mask) { return mask ? (0xB9 >> i) & 1 : i + 1; }

// The data file of n objects: values end to end, mask bits packed least significant bit first.
Bytes file_image(unsigned char type, int n) {
    Bytes out;
    for (int i = 0; i < n; ++i) {
        if (type != dtBitmask) {
            const Bytes v = encode(type, value(i, false));
            out.insert(out.end(), v.begin(), v.end());
        } else {
            if (i % 8 == 0) out.push_back(0);
            out.back() |= static_cast<unsigned char>(int(value(i, true)) << (i % 8));
        }
    }
    return out;
}

Bytes read_file(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whole-grid transfers (dims 4 x 1 x 1, 3 x 2 x 1 or 2 x 2 x 2) through the call of the grid's
// dimension; `layout` lists, slot by slot of the caller's buffer, the object placed there (-1:
// none); `first` is the slot handed to the call.
struct Case {
    const char* name;
    int dims[3];
    int first;
    long long stride, pitch, slicePitch;
    std::vector<int> layout;
};

const Case cases[] = {
    {"run stride -1", {4, 1, 1}, 3, -1, 0, 0, {3, 2, 1, 0}},
    {"run stride -2", {4, 1, 1}, 7, -2, 0, 0, {-1, 3, -1, 2, -1, 1, -1, 0}},
    {"2D rows flipped", {3, 2, 1}, 3, 1, -3, 0, {3, 4, 5, 0, 1, 2}},
    {"2D columns flipped", {3, 2, 1}, 2, -1, 3, 0, {2, 1, 0, 5, 4, 3}},
    {"2D stride 2, pitch -6", {3, 2, 1}, 6, 2, -6, 0, {3, -1, 4, -1, 5, -1, 0, -1, 1, -1, 2, -1}},
    {"3D slices flipped", {2, 2, 2}, 4, 1, 2, -4, {4, 5, 6, 7, 0, 1, 2, 3}},
    {"3D stride -1, default pitches", {2, 2, 2}, 7, -1, 0, 0, {7, 6, 5, 4, 3, 2, 1, 0}},
};

struct Fixture {
    ek::test::TempDir dir;
    std::wstring path = dir.file("p.property");
    TekVor4PropertyImpl p{path, false};
    const Case& c;
    Fixture(const Case& cs, unsigned char stored) : c(cs) {
        p.setDataType(stored);
        p.setGridType(c.dims[2] > 1 ? 5 : c.dims[1] > 1 ? 3 : 1);  // gt3D, gt2D, gt1D
        p.setSize(c.dims[0], c.dims[1], c.dims[2]);
        p.init(true);
    }
    int read(void* dst, unsigned char t, long long outputs = 4) {
        if (c.dims[2] > 1) return p.readData3D(0, 0, 0, 2, 2, 2, dst, 2, 2, 2, t, c.stride, c.pitch, c.slicePitch);
        if (c.dims[1] > 1) return p.readData2D(0, 0, 3, 2, dst, 3, 2, t, c.stride, c.pitch);
        return p.readRawData(0, 4, dst, outputs, t, c.stride);
    }
    int write(const void* src, unsigned char t) {
        if (c.dims[2] > 1) return p.write_data3d(0, 0, 0, src, 2, 2, 2, t, c.stride, c.pitch, c.slicePitch);
        if (c.dims[1] > 1) return p.write_data2d(0, 0, src, 3, 2, t, c.stride, c.pitch);
        return p.write_data(0, src, 4, t, c.stride);
    }
};

constexpr size_t guard = 4;  // slots on either side of the buffer that no call may touch

TEST(PropertyStrides, ValuesLandWhereStridesAndPitchesOfEitherSignSay) {
    // Own type (straight copies and gathers), converting pairs and mask bits on disk.
    const unsigned char pairs[][2] = {{dtInteger, dtInteger}, {dtDouble, dtDouble}, {dtSingle, dtInteger},
                                      {dtInteger, dtDouble},  {dtByte, dtByte},     {dtBitmask, dtByte}};
    for (const Case& c : cases) {
        for (const auto& [stored, memory] : pairs) {
            SCOPED_TRACE(std::string(c.name) + ", types " + std::to_string(stored) + "/" + std::to_string(memory));
            Fixture f(c, stored);
            const int objects = int(f.p.getNumObjects());
            const bool mask = stored == dtBitmask;
            const size_t size = encode(memory, 0).size(), slots = c.layout.size() + 2 * guard;
            Bytes expected(slots * size, poison);
            for (size_t s = 0; s < c.layout.size(); ++s)
                if (c.layout[s] >= 0) {
                    const Bytes v = encode(memory, value(c.layout[s], mask));
                    std::copy(v.begin(), v.end(), expected.begin() + long((guard + s) * size));
                }
            const Bytes image = file_image(stored, objects);
            std::ofstream(std::filesystem::path(f.path), std::ios::binary)
                .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

            Bytes buffer(slots * size, poison);
            ASSERT_EQ(f.read(&buffer[(guard + size_t(c.first)) * size], memory), 0);
            EXPECT_EQ(buffer, expected);

            f.p.init(true);
            ASSERT_EQ(f.write(&expected[(guard + size_t(c.first)) * size], memory), 0);
            f.p.close();
            EXPECT_EQ(read_file(f.path), image);
        }
    }
}

// Element addresses that cannot be formed: result 4, the buffer and the file untouched.
TEST(PropertyStrides, OverflowingAddressArithmeticGivesFourAndTouchesNothing) {
    const Case rows[] = {
        {"run stride LLONG_MAX", {4, 1, 1}, 0, LLONG_MAX, 0, 0, {}},
        {"run stride LLONG_MIN", {4, 1, 1}, 0, LLONG_MIN, 0, 0, {}},
        {"run stride x value size", {4, 1, 1}, 0, LLONG_MAX / 4 + 1, 0, 0, {}},
        {"run below address 0", {4, 1, 1}, 0, -(LLONG_MAX / 16), 0, 0, {}},
        {"2D pitch LLONG_MAX", {3, 2, 1}, 0, 1, LLONG_MAX, 0, {}},
        {"2D pitch LLONG_MIN", {3, 2, 1}, 0, 1, LLONG_MIN, 0, {}},
        {"2D pitch x value size", {3, 2, 1}, 0, 1, LLONG_MAX / 4 + 1, 0, {}},
        {"2D default pitch", {3, 2, 1}, 0, LLONG_MAX / 2, 0, 0, {}},
        {"3D slice pitch LLONG_MIN", {2, 2, 2}, 0, 1, 2, LLONG_MIN, {}},
        {"3D slice below address 0", {2, 2, 2}, 0, 1, 2, -(LLONG_MAX / 16), {}},
        {"3D row and slice reach summed", {2, 2, 2}, 0, 1, LLONG_MAX / 6, LLONG_MAX / 6, {}},
        {"3D default pitches", {2, 2, 2}, 0, LLONG_MAX / 2, 0, 0, {}},
        {"run outputs x stride", {4, 1, 1}, 0, 3, 0, 0, {}},  // read only: 4 writes of stride 3 fit
    };
    for (const Case& c : rows) {
        SCOPED_TRACE(c.name);
        Fixture f(c, dtInteger);
        const Bytes image = read_file(f.path);
        Bytes mem(64 * 8, poison);
        for (unsigned char type : {dtInteger, dtDouble}) {
            const bool outputs = c.stride == 3;
            EXPECT_EQ(f.read(&mem[32 * 8], type, outputs ? LLONG_MAX / 3 + 2 : 4), 4);
            if (!outputs) {
                EXPECT_EQ(f.write(&mem[32 * 8], type), 4);
            }
        }
        EXPECT_EQ(mem, Bytes(64 * 8, poison));
        f.p.close();
        EXPECT_EQ(read_file(f.path), image);
    }
    // A buffer at the top of the address space cannot take even a plain run.
    Fixture f(cases[0], dtByte);
    void* top = reinterpret_cast<void*>(~uintptr_t(0) - 1);
    EXPECT_EQ(f.p.readRawData(0, 4, top, 4, dtByte, 1), 4);
    EXPECT_EQ(f.p.write_data(0, top, 4, dtByte, 1), 4);
    long long index[4] = {};
    EXPECT_EQ(f.p.readRawData_index(0, 1, index, LLONG_MAX, 1, 1), 4);  // an output offset beyond 64 bits
}

}  // namespace
