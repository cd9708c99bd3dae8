// Strides and pitches of either sign in run and window reads and writes of the property object,
// and arguments whose address arithmetic overflows.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace {

using ek::test::TempDir;
using Bytes = std::vector<unsigned char>;
constexpr unsigned char dtSingle = 0, dtByte = 1, dtInteger = 2, dtBitmask = 3, dtDouble = 4;
constexpr unsigned char gt1D = 1, gt2D = 3, gt3D = 5;
constexpr int sizes[] = {4, 1, 4, 1, 8};
constexpr unsigned char poison = 0xAB;  // bytes of every slot no value may reach

Bytes encode(unsigned char type, double v) {
    Bytes b(size_t(sizes[type]));
    const float f = float(v);
    const int i = int(v);
    const unsigned char c = static_cast<unsigned char>(v);
    if (type == dtSingle) std::memcpy(b.data(), &f, 4);
    if (type == dtInteger) std::memcpy(b.data(), &i, 4);
    if (type == dtDouble) std::memcpy(b.data(), &v, 8);
    if (type == dtByte || type == dtBitmask) b[0] = c;
    return b;
}

// Values of the objects: 1..8, or for masks (on disk or in memory) a pattern no reordering keeps.
double value(int i, bool mask) {
    static const int bits[] = {1, 0, 0, 1, 1, 1, 0, 1};
    return mask ? bits[i] : i + 1;
}

// The data file of n objects holding value(i) in `type`; masks packed one bit a value, LSB first.
Bytes file_image(unsigned char type, int n, bool mask) {
    Bytes out;
    if (type == dtBitmask) {
        out.assign(size_t((n + 7) / 8), 0);
        for (int i = 0; i < n; ++i) out[size_t(i / 8)] |= static_cast<unsigned char>(int(value(i, true)) << (i % 8));
        return out;
    }
    for (int i = 0; i < n; ++i) {
        const Bytes v = encode(type, value(i, mask));
        out.insert(out.end(), v.begin(), v.end());
    }
    return out;
}

Bytes read_file(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::wstring& path, const Bytes& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

enum class Shape { Run, Window2D, Window3D };

// Whole-grid transfers: runs of 4, windows of 3 x 2 and 2 x 2 x 2. `layout` lists, slot by
// slot of the caller's buffer, which object lands there (-1: nothing). `first` is the slot
// handed to the call.
struct Case {
    const char* name;
    Shape shape;
    int first;
    long long stride, pitch, slicePitch;
    std::vector<int> layout;
};

const Case cases[] = {
    {"run stride 2", Shape::Run, 0, 2, 0, 0, {0, -1, 1, -1, 2, -1, 3, -1}},
    {"run stride -1", Shape::Run, 3, -1, 0, 0, {3, 2, 1, 0, -1, -1}},
    {"run stride -2", Shape::Run, 7, -2, 0, 0, {-1, 3, -1, 2, -1, 1, -1, 0}},
    {"2D rows flipped", Shape::Window2D, 3, 1, -3, 0, {3, 4, 5, 0, 1, 2, -1}},
    {"2D columns flipped", Shape::Window2D, 2, -1, 3, 0, {2, 1, 0, 5, 4, 3, -1}},
    {"2D stride -1, default pitch", Shape::Window2D, 5, -1, 0, 0, {5, 4, 3, 2, 1, 0, -1}},
    {"2D stride 2, pitch -6", Shape::Window2D, 6, 2, -6, 0, {3, -1, 4, -1, 5, -1, 0, -1, 1, -1, 2, -1}},
    {"3D slices flipped", Shape::Window3D, 4, 1, 2, -4, {4, 5, 6, 7, 0, 1, 2, 3}},
    {"3D stride -1, default pitches", Shape::Window3D, 7, -1, 0, 0, {7, 6, 5, 4, 3, 2, 1, 0, -1}},
    {"3D rows flipped", Shape::Window3D, 2, 1, -2, 4, {2, 3, 0, 1, 6, 7, 4, 5}},
};

struct Types {
    unsigned char stored, memory;
};
// Own type (straight copies and gathers), converting pairs, and mask bits on disk.
const Types type_pairs[] = {{dtInteger, dtInteger}, {dtDouble, dtDouble}, {dtByte, dtByte},
                            {dtSingle, dtInteger},  {dtInteger, dtDouble}, {dtBitmask, dtByte}};

struct Fixture {
    TempDir dir;
    std::wstring path = dir.file("p.property");
    std::unique_ptr<TekVor4PropertyImpl> p;
    int objects = 0;

    Fixture(Shape shape, unsigned char stored) {
        p = std::make_unique<TekVor4PropertyImpl>(path, false);
        p->setDataType(stored);
        if (shape == Shape::Run) p->setGridType(gt1D), p->setSize(4, 1, 1);
        if (shape == Shape::Window2D) p->setGridType(gt2D), p->setSize(3, 2, 1);
        if (shape == Shape::Window3D) p->setGridType(gt3D), p->setSize(2, 2, 2);
        objects = int(p->getNumObjects());
        p->init(true);
    }

    int read(const Case& c, void* dst, unsigned char type) {
        switch (c.shape) {
            case Shape::Run: return p->readRawData(0, 4, dst, 4, type, c.stride);
            case Shape::Window2D: return p->readData2D(0, 0, 3, 2, dst, 3, 2, type, c.stride, c.pitch);
            default: return p->readData3D(0, 0, 0, 2, 2, 2, dst, 2, 2, 2, type, c.stride, c.pitch, c.slicePitch);
        }
    }
    int write(const Case& c, const void* src, unsigned char type) {
        switch (c.shape) {
            case Shape::Run: return p->write_data(0, src, 4, type, c.stride);
            case Shape::Window2D: return p->write_data2d(0, 0, src, 3, 2, type, c.stride, c.pitch);
            default: return p->write_data3d(0, 0, 0, src, 2, 2, 2, type, c.stride, c.pitch, c.slicePitch);
        }
    }
};

// Guard slots on either side of the caller's buffer, which no call may touch.
constexpr int guard = 4;

TEST(PropertyStrides, ReadsAndWritesPlaceEveryValueWhereTheStridesSay) {
    for (const Case& c : cases) {
        for (const Types& t : type_pairs) {
            SCOPED_TRACE(std::string(c.name) + ", stored " + std::to_string(t.stored) + ", memory " +
                         std::to_string(t.memory));
            const bool mask = t.stored == dtBitmask;
            const size_t size = size_t(sizes[t.memory]);
            const size_t slots = c.layout.size() + 2 * guard;
            Fixture f(c.shape, t.stored);

            // Read: each layout slot holds its object's value; everything else keeps its poison.
            write_file(f.path, file_image(t.stored, f.objects, mask));
            Bytes buffer(slots * size, poison);
            ASSERT_EQ(f.read(c, &buffer[(guard + c.first) * size], t.memory), 0);
            for (size_t s = 0; s < slots; ++s) {
                const int object = s < guard || s >= guard + c.layout.size() ? -1 : c.layout[s - guard];
                const Bytes expected = object < 0 ? Bytes(size, poison) : encode(t.memory, value(object, mask));
                EXPECT_EQ(Bytes(buffer.begin() + long(s * size), buffer.begin() + long((s + 1) * size)), expected)
                    << "slot " << long(s) - guard;
            }

            // Write: the poisoned slots must not reach the file, the values land in object order.
            f.p->init(true);
            Bytes source(slots * size, poison);
            for (size_t s = 0; s < c.layout.size(); ++s)
                if (c.layout[s] >= 0) {
                    const Bytes v = encode(t.memory, value(c.layout[s], mask));
                    std::memcpy(&source[(guard + s) * size], v.data(), size);
                }
            ASSERT_EQ(f.write(c, &source[(guard + c.first) * size], t.memory), 0);
            f.p->close();
            EXPECT_EQ(read_file(f.path), file_image(t.stored, f.objects, mask));
        }
    }
}

// Arguments whose element addresses cannot be formed: result 4, the buffer and the file untouched.
TEST(PropertyStrides, OverflowingAddressArithmeticGivesFourAndTouchesNothing) {
    struct Row {
        const char* name;
        Shape shape;
        long long stride, pitch, slicePitch;
        long long outputs = 4;  // of a run read; a write of 4 values with stride 3 is fine
    };
    const Row rows[] = {
        {"run stride LLONG_MAX", Shape::Run, LLONG_MAX, 0, 0},
        {"run stride LLONG_MIN", Shape::Run, LLONG_MIN, 0, 0},
        {"run stride x size overflows", Shape::Run, LLONG_MAX / 4 + 1, 0, 0},
        {"run reaches below address 0", Shape::Run, -(LLONG_MAX / 16), 0, 0},
        {"run outputs x stride overflows", Shape::Run, 3, 0, 0, LLONG_MAX / 3 + 2},
        {"2D pitch LLONG_MAX", Shape::Window2D, 1, LLONG_MAX, 0},
        {"2D pitch LLONG_MIN", Shape::Window2D, 1, LLONG_MIN, 0},
        {"2D pitch x size overflows", Shape::Window2D, 1, LLONG_MAX / 4 + 1, 0},
        {"2D stride overflows the default pitch", Shape::Window2D, LLONG_MAX / 2, 0, 0},
        {"3D slice pitch LLONG_MIN", Shape::Window3D, 1, 2, LLONG_MIN},
        {"3D slice pitch reaches below address 0", Shape::Window3D, 1, 2, -(LLONG_MAX / 16)},
        {"3D row and slice reach sum past the limit", Shape::Window3D, 1, LLONG_MAX / 6, LLONG_MAX / 6},
        {"3D stride overflows the default pitches", Shape::Window3D, LLONG_MAX / 2, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Fixture f(r.shape, dtInteger);
        const Bytes image = file_image(dtInteger, f.objects, false);
        write_file(f.path, image);
        Bytes mem(64 * 4, poison);
        void* at = &mem[32 * 4];
        const Case c{r.name, r.shape, 0, r.stride, r.pitch, r.slicePitch, {}};
        // Own type and converting, reads and writes.
        for (unsigned char type : {dtInteger, dtDouble}) {
            if (r.shape == Shape::Run) {
                EXPECT_EQ(f.p->readRawData(0, 4, at, r.outputs, type, r.stride), 4);
                if (r.outputs == 4) {
                    EXPECT_EQ(f.write(c, at, type), 4);
                }
            } else {
                EXPECT_EQ(f.read(c, at, type), 4);
                EXPECT_EQ(f.write(c, at, type), 4);
            }
        }
        EXPECT_EQ(mem, Bytes(64 * 4, poison));
        f.p->close();
        EXPECT_EQ(read_file(f.path), image);
    }
    // A buffer at the top of the address space cannot hold even a plain run.
    Fixture f(Shape::Run, dtByte);
    void* top = reinterpret_cast<void*>(~uintptr_t(0) - 1);
    EXPECT_EQ(f.p->readRawData(0, 4, top, 4, dtByte, 1), 4);
    EXPECT_EQ(f.p->write_data(0, top, 4, dtByte, 1), 4);
}

// An object count below zero, as a metadata file may hold it, is kept; no access succeeds.
TEST(PropertyStrides, NegativeObjectCountIsKeptAndEveryAccessFails) {
    TempDir dir;
    TekVor4PropertyImpl p(dir.file("n.property"), false);
    p.setDataType(dtInteger);
    p.setGridType(gt2D);
    p.setSize(3, 2, 1);
    p.setNumObjects(-5);
    EXPECT_EQ(p.getNumObjects(), -5);
    ASSERT_TRUE(p.init(true));
    int buf[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(p.readRawData(0, 0, buf, 0, dtInteger, 1), 4);
    EXPECT_EQ(p.readRawData(0, 1, buf, 1, dtInteger, 1), 4);
    EXPECT_EQ(p.readData2D(0, 0, 3, 2, buf, 3, 2, dtInteger, 0, 0), 4);
    EXPECT_EQ(p.write_data(0, buf, 1, dtInteger, 1), 4);
    int v = 0;
    EXPECT_FALSE(p.getValueInt(0, v));
    p.setValueInt(0, 3);
    p.close();
    EXPECT_EQ(read_file(dir.file("n.property")), Bytes{});
    EXPECT_EQ(std::vector<int>(buf, buf + 8), std::vector<int>(8, 7));
}

}  // namespace
