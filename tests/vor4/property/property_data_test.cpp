// The data file and runs of values: conversions, resampling, mask bits, windows, strides, argument checks, the file's life.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>

#include "filesystem/fileio.h"
#include "property_test_support.h"
#include "vor4/property/value_conversion.h"

using namespace ek::test;

namespace {

const std::vector<unsigned char> kAllTypes = {dtSingle, dtByte, dtInteger, dtBitmask, dtDouble};

// A run read, a run write and an index read: the three result codes, then v or - for a single-value read.
std::string access(TekVor4PropertyImpl& p) {
    float f[4] = {}; long long idx[4];
    return codes({p.readRawData(0, 4, f, 4, dtSingle, 0), p.write_data(0, f, 1, dtSingle, 0), p.readRawData_index(0, 4, idx, 0, 4, 1)}) +
           (p.getValueSingle(0, f[0]) ? "v" : "-");
}

// Transfers of whole 4x1x1, 3x2x1 or 2x2x2 grids; `layout`: object per slot (-1: none); `first`: slot passed.
struct Strided { const char* name; long long ny, nz, first, stride, pitch, slicePitch; std::vector<int> layout; };

int transfer(TekVor4PropertyImpl& p, const Strided& c, bool write, unsigned char* at, unsigned char t) {
    if (c.nz > 1)
        return write ? p.write_data3d(0, 0, 0, at, 2, 2, 2, t, c.stride, c.pitch, c.slicePitch)
                     : p.readData3D(0, 0, 0, 2, 2, 2, at, 2, 2, 2, t, c.stride, c.pitch, c.slicePitch);
    if (c.ny > 1)
        return write ? p.write_data2d(0, 0, at, 3, 2, t, c.stride, c.pitch) : p.readData2D(0, 0, 3, 2, at, 3, 2, t, c.stride, c.pitch);
    return write ? p.write_data(0, at, 4, t, c.stride) : p.readRawData(0, 4, at, 4, t, c.stride);
}

// `as`: values expected as single, byte, integer, mask, double; empty: the values, a lone entry: every type.
struct Conversion {
    const char* name; std::vector<unsigned char> types; Values values; long long outputs; std::vector<Values> as;
    const Values& of(unsigned char t) const { return t < as.size() && !as[t].empty() ? as[t] : as.size() == 1 ? as[0] : values; }
};

}  // namespace

// Each stored type read as each type, at stride -2 from the end of a buffer whose gaps and ends keep 77.
TEST(RunRead, ConversionAndResamplingTable) {
    const Values singles = {NaN, 300.75, -1.5, 1e10, -0.0, 0.25}, ints = {7, inull, 0, -3, 16777217, 0x1234};
    const Values doubles = {NaN, 1e300, 0.1, 256.9, -2.5, 2147483647.5, -0.0, -2147483648.9, 2147483648.0};
    const Conversion rows[] = {  // the stored type, then outputs (0: one per value read)
        {"single", {dtSingle}, singles, 0, {{}, {255, 44, 255, 0, 0, 0}, {inull, 300, -1, imin, 0, 0}, {0, 1, 1, 1, 0, 1}, {}}},
        {"byte, 255 is a value", {dtByte}, {0, 7, 255}, 0, {}}, {"bitmask", {dtBitmask}, {0, 1, 1, 0, 1, 0, 0, 0, 1, 1}, 0, {}},
        {"integer", {dtInteger}, ints, 0,
         {{7, NaN, 0, -3, 16777217, 4660}, {7, 255, 0, 253, 1, 0x34}, {}, {1, 1, 0, 1, 1, 1}, {7, NaN, 0, -3, 16777217, 4660}}},
        {"double", {dtDouble}, doubles, 0,
         {{}, {255, 0, 0, 0, 254, 255, 0, 0, 0}, {inull, imin, 0, 256, -2, 2147483647, 0, imin, imin}, {1, 1, 1, 1, 1, 1, 0, 1, 1}, {}}},
        // Output k takes source trunc(k * count / outputs + 0.5), never past the last one; a
        // requested bitmask is a byte when resampling: missing gives 255, values their low byte.
        {"10 into 4", {dtInteger}, ramp(10, 100), 4, {Values{100, 103, 105, 108}}}, {"1 into 3", {dtByte}, {9}, 3, {Values{9, 9, 9}}},
        {"2 into 5", {dtSingle}, {1, 2}, 5, {Values{1, 1, 2, 2, 2}}}, {"bitmask resampled", {dtBitmask}, {0, 1, 1}, 2, {Values{0, 1}}},
        {"double enlarged", {dtDouble}, {300, NaN, 5}, 6, {{300, NaN, NaN, 5, 5, 5}, {44, 255, 255, 5, 5, 5}, {300, inull, inull, 5, 5, 5},
                                                           {44, 255, 255, 5, 5, 5}, {300, NaN, NaN, 5, 5, 5}}},
    };
    for (const Conversion& row : rows)
        for (unsigned char type : kAllTypes) {
            TempDir dir;
            auto p = holding(dir, row.types[0], row.values);
            const size_t n = row.values.size(), m = row.outputs ? size_t(row.outputs) : n;
            Values want(2 * m + 1, 77);  // output k in slot 2 (m - k) - 1
            for (size_t k = 0; k < m; ++k) want[2 * (m - k) - 1] = row.of(type)[k];
            Bytes got = encode(Values(want.size(), 77), type);
            ASSERT_EQ(p->readRawData(0, (long long)n, &got[(2 * m - 1) * type_size(type)], (long long)m, type, -2), 0);
            EXPECT_EQ(text(decode(got, type)), text_as(want, type)) << row.name << ", requested type " << int(type);
        }
}

// Each source type written into each stored type, tightly and backwards from every second element.
TEST(RunWrite, ConversionTable) {
    const Values singles = {Inf, NaN, 300.5, -1, 2.5, -2.75, -Inf, 0, -0.0}, ints = {inull, 16777217, 0x1234, -1, 0};
    const Values doubles = {1e300, Inf, NaN, 2.5, -2.7, 0.1, 2147483647.9, -2147483648.9, 2147483648.0, 0};
    const Conversion rows[] = {  // the source types
        {"single: an infinity is missing unless kept as it is", {dtSingle}, singles, 0, {{}, {0, 0, 44, 255, 2, 254, 0, 0, 0},
         {inull, inull, 300, -1, 2, -2, inull, 0, 0}, {1, 1, 1, 1, 1, 1, 1, 0, 0}, {NaN, NaN, 300.5, -1, 2.5, -2.75, NaN, 0, -0.0}}},
        {"byte, bitmask", {dtByte, dtBitmask}, {0, 7, 255}, 0, {{}, {}, {}, {0, 1, 1}, {}}},
        {"integer: missing is a byte 0", {dtInteger}, ints, 0,
         {{NaN, 16777217, 4660, -1, 0}, {0, 1, 0x34, 255, 0}, {}, {1, 1, 1, 1, 0}, {NaN, 16777217, 4660, -1, 0}}},
        {"double", {dtDouble}, doubles, 0, {{Inf, NaN, NaN, 2.5, -2.7, 0.1, -imin, imin, -imin, 0}, {0, 0, 0, 2, 254, 0, 255, 0, 0, 0},
         {imin, inull, inull, 2, -2, 0, 2147483647, imin, imin, 0}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, {}}},
    };
    for (const Conversion& row : rows)
        for (unsigned char srcType : row.types)
            for (unsigned char stored : kAllTypes)
                for (long long stride : {0, -2}) {
                    TempDir dir;
                    const size_t n = row.values.size();
                    auto p = make_property(dir, "w", stored, gt1D, (long long)n);
                    Values src(stride ? 2 * n - 1 : n, 99);  // at stride -2 backwards from the last element
                    for (size_t k = 0; k < n; ++k) src[stride ? 2 * (n - 1 - k) : k] = row.values[k];
                    const Bytes bytes = encode(src, srcType);
                    ASSERT_TRUE(p->init(true));
                    ASSERT_EQ(p->write_data(0, &bytes[stride ? bytes.size() - type_size(srcType) : 0], (long long)n, srcType, stride), 0);
                    EXPECT_EQ(text(file_values(*p, n)), text_as(row.of(stored), stored))
                        << row.name << ", types " << int(srcType) << ">" << int(stored) << ", stride " << stride;
                }
    // The conversion functions report whether they know both types, for every pair.
    unsigned char src[8] = {1, 2, 3, 4, 5, 6, 7, 8}, out[8];
    for (unsigned char a = 0; a <= 6; ++a)
        for (unsigned char b = 0; b <= 6; ++b)
            EXPECT_EQ(ek::vor::conv::convert_read(src, a, 1, out, b, 1) + 2 * ek::vor::conv::convert_read_space(src, a, 0, 1, 1.0, 0, 1, out, b, 1) +
                          4 * ek::vor::conv::convert_write(src, a, 1, 1, out, b), a <= dtDouble && b <= dtDouble ? 7 : 0) << int(a) << ">" << int(b);
}

// A mask write changes only its run's bits, across bytes and past a short file's end; bit 0 is the lowest.
TEST(MaskBits, WritesKeepTheBitsAroundTheRun) {
    struct Row { const char* name; Bytes before; long long start; unsigned char srcType; Values src; long long stride; Bytes after; };
    const Row rows[] = {
        {"1,0,1 at 3 over ones", {0xFF, 0}, 3, dtByte, {1, 0, 1}, 0, {0xEF, 0}}, {"1,0,1 at 3 over zeros", {0, 0}, 3, dtByte, {1, 0, 1}, 0, {0x28, 0}},
        {"singles across bytes", {0x00, 0xFF}, 6, dtSingle, {NaN, 0, -0.0, 0.5}, 0, {0x40, 0xFE}},
        {"doubles", {0x40, 0xFE}, 0, dtDouble, {NaN, 0}, 0, {0x41, 0xFE}}, {"bitmask source", {0x41, 0xBE}, 8, dtBitmask, {7, 0}, 0, {0x41, 0xBD}},
        {"integers", {0x41, 0xFE}, 13, dtInteger, {inull, 0, -5}, 0, {0x41, 0xBE}}, {"past a short file", {15}, 17, dtByte, {1, 1}, 0, {15, 0, 6}},
        {"whole byte, stride 2", {0x41, 0xBD}, 8, dtByte, {1, 9, 0, 9, 1, 9, 0, 9, 1, 9, 0, 9, 1, 9, 0, 9}, 2, {0x41, 0x55}},
    };
    TempDir dir;
    for (const Row& row : rows) {
        auto p = make_property(dir, "m", dtBitmask, gt1D, 24);
        put_bytes(p->getFileNameW(), row.before);
        const long long count = static_cast<long long>(row.src.size()) / (row.stride ? row.stride : 1);
        ASSERT_EQ(p->write_data(row.start, encode(row.src, row.srcType).data(), count, row.srcType, row.stride), 0) << row.name;
        EXPECT_EQ(file_bytes(p->getFileNameW()), row.after) << row.name;
    }
    auto p = holding(dir, dtBitmask, unpack({0xC0, 0x03, 0x00}, 24));
    Bytes bits(4), three(3);
    ASSERT_TRUE(p->readRawData(6, 4, bits.data(), 4, dtBitmask, 0) == 0 && p->readBit(5, 3, three.data()));
    EXPECT_EQ(text(decode(bits, dtByte)) + " | " + text(decode(three, dtByte)), "1 1 1 1 | 0 1 1");
    EXPECT_FALSE(p->readBit(22, 8, bits.data()));  // beyond the last byte
    ASSERT_EQ(p->write_bit(1, Bytes{1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1}.data(), 11), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (Bytes{0xC0, 0x81, 0x07}));
}

// Runs longer than any piece the reads and writes are cut into, and long mask runs whose edge bits must survive.
TEST(RunReadWrite, LongRunsCrossEveryInternalPiece) {
    TempDir dir;
    const long long n = 700003;
    Values values(size_t(n), 0), asRead(values), src(size_t(3 * n)), want(values);
    for (long long i = 0; i < n; ++i) values[size_t(i)] = i % 1000 ? double(i * 3) : inull, asRead[size_t(i)] = i % 1000 ? i * 3 : NaN;
    auto p = holding(dir, dtInteger, values);
    // Whole, sparse, grouped, nearly one to one, enlarged; a run one short of a read piece whose last group ends at
    // the last output. Nothing lands past the outputs.
    for (const auto& [count, m] : std::vector<std::pair<long long, long long>>{
             {n, n}, {n, 3}, {n, 1000}, {n, 65536}, {n, 699999}, {n, 1500000}, {65535, 1000}}) {
        Values out(size_t(m + 1), 77), resampled(out);
        ASSERT_EQ(p->readRawData(0, count, out.data(), m, dtDouble, 0), 0);
        for (long long k = 0; k < m; ++k) resampled[size_t(k)] = asRead[size_t(std::min(count - 1, (long long)(double(k) * count / m + 0.5)))];
        EXPECT_EQ(mismatches(out, resampled), 0) << count << " into " << m;
    }
    // Converted from doubles at stride 2, then the own type gathered at stride 3.
    std::vector<int> same(size_t(3 * n));
    for (long long i = 0; i < 3 * n; ++i) src[size_t(i)] = double(i) + 0.75, same[size_t(i)] = int(-i);
    for (long long i = 0; i < n; ++i) want[size_t(i)] = double(2 * i);
    ASSERT_EQ(p->write_data(0, src.data(), n, dtDouble, 2), 0);
    EXPECT_EQ(mismatches(file_values(*p, size_t(n)), want), 0);
    for (long long i = 0; i < n; ++i) want[size_t(i)] = double(-3 * i);
    ASSERT_EQ(p->write_data(0, same.data(), n, dtInteger, 3), 0);
    EXPECT_EQ(mismatches(file_values(*p, size_t(n)), want), 0);

    const long long bits = 3 * 1024 * 1024 + 5, start = 13, count = bits - 20;
    Bytes packed(static_cast<size_t>((bits + 7) / 8)), unpacked(static_cast<size_t>(count));
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<unsigned char>(i * 37 + 11);
    auto bit = [](const Bytes& b, long long o) { return (b[size_t(o / 8)] >> (o % 8)) & 1; };
    auto m = holding(dir, dtBitmask, unpack(packed, size_t(bits)), gt1D, 1, 1, "m");
    ASSERT_EQ(m->readRawData(start, count, unpacked.data(), count, dtBitmask, 0), 0);
    long long wrong = 0;
    for (long long i = 0; i < count; ++i) wrong += unpacked[size_t(i)] != bit(packed, start + i);
    for (long long outputs : {7LL, 5000LL}) {
        Values out(static_cast<size_t>(outputs));
        ASSERT_EQ(m->readRawData(start, count, out.data(), outputs, dtDouble, 0), 0);
        for (long long k = 0; k < outputs; ++k) wrong += out[size_t(k)] != bit(packed, start + (long long)(double(k) * count / outputs + 0.5));
    }
    m->close(), put_bytes(m->getFileNameW(), Bytes(packed.size(), 0xFF));
    std::vector<int> pattern(static_cast<size_t>(count));
    for (long long k = 0; k < count; ++k) pattern[size_t(k)] = k % 3 == 0;
    ASSERT_EQ(m->write_data(start, pattern.data(), count, dtInteger, 0), 0);
    const Bytes after = file_bytes(m->getFileNameW());
    ASSERT_EQ(after.size(), packed.size());
    for (long long o = 0; o < bits; ++o) wrong += bit(after, o) != (o < start || o >= start + count || (o - start) % 3 == 0);
    EXPECT_EQ(wrong, 0);
}

// Windows and index reads. 2D: rows by integer stepping (a row is skipped only when the remainder exceeds the
// output rows), columns by nearest index; 3D: rows and slices by nearest index. Index reads name the same objects.
TEST(WindowRead, RowsColumnsSlicesAndIndices) {
    struct Row { const char* name; std::vector<long long> w; unsigned char type; Values expected; };  // -1: untouched
    const Row rows[] = {  // 2D: x0 y0 w h, dstW dstH, stride pitch; 3D: x0 y0 z0 w h d, dstW dstH dstD, stride pitches
        {"5 rows into 2", {0, 0, 6, 5, 6, 2, 0, 0}, dtInteger, {0, 1, 2, 3, 4, 5, 20, 21, 22, 23, 24, 25}},
        {"2 rows into 4", {1, 2, 1, 2, 1, 4, 0, 0}, dtInteger, {21, 21, 21, 31}},
        {"4 columns into 2, pitch 3", {1, 1, 4, 3, 2, 3, 0, 3}, dtDouble, {11, 13, -1, 21, 23, -1, 31, 33, -1}},
        {"stride 2", {4, 3, 2, 2, 2, 2, 2, 0}, dtSingle, {34, -1, 35, -1, 44, -1, 45, -1}},
        {"4 slices and 4 rows into 2", {0, 0, 1, 3, 4, 4, 3, 2, 2, 0, 0, 0}, dtInteger, {100, 101, 102, 120, 121, 122, 300, 301, 302, 320, 321, 322}},
        {"enlarged", {2, 2, 4, 1, 2, 1, 1, 3, 2, 0, 0, 0}, dtDouble, {422, 432, 432, 422, 432, 432}},
        {"pitches", {0, 3, 0, 1, 1, 2, 1, 1, 2, 0, 4, 8}, dtSingle, {30, -1, -1, -1, -1, -1, -1, -1, 130, -1}},
    };
    TempDir dir;
    Values grid2, grid3;  // value 10 y + x on 6 x 5, 100 z + 10 y + x on 3 x 4 x 5
    for (int i = 0; i < 60; ++i) grid3.push_back(100 * (i / 12) + 10 * (i / 3 % 4) + i % 3), grid2.push_back(10 * (i / 6) + i % 6);
    auto p2 = holding(dir, dtInteger, Values(grid2.begin(), grid2.begin() + 30), gt2D, 5), p3 = holding(dir, dtDouble, grid3, gt3D, 4, 5, "p3");
    for (const Row& r : rows) {
        Bytes out = encode(Values(r.expected.size(), -1), r.type);
        const auto& w = r.w;
        ASSERT_EQ(w.size() == 8 ? p2->readData2D(w[0], w[1], w[2], w[3], out.data(), w[4], w[5], r.type, w[6], w[7])
                                : p3->readData3D(w[0], w[1], w[2], w[3], w[4], w[5], out.data(), w[6], w[7], w[8], r.type, w[9], w[10], w[11]),
                  0) << r.name;
        EXPECT_EQ(text(decode(out, r.type)), text(r.expected)) << r.name;
    }
    // Index rows follow the data rows, one after the other; the row step is ignored.
    std::vector<long long> idx(6, -1), col(4);
    ASSERT_EQ(p2->readData2D_index(1, 0, 3, 5, idx.data(), 3, 2, 0, 999) + p2->readData2D_index(2, 3, 1, 2, col.data(), 1, 4, 1, 0), 0);
    EXPECT_EQ(text(Values(idx.begin(), idx.end())) + " | " + text(Values(col.begin(), col.end())), "1 2 3 13 14 15 | 20 20 20 26");
    const std::pair<std::array<long long, 5>, std::vector<long long>> runs[] = {  // start count offset outputs step
        {{5, 3, 2, 3, 0}, {-1, -1, 5, 6, 7}}, {{5, 3, 0, 3, 4}, {5, 9, 13}},  // one to one, step 0 is 1
        {{10, 10, 0, 4, 1}, {10, 13, 15, 18}}, {{0, 2, 0, 7, 1}, {0, 0, 1, 1, 1, 1, 1}}};  // resampled
    for (const auto& [a, expected] : runs) {
        std::vector<long long> got(expected.size(), -1);
        ASSERT_EQ(p2->readRawData_index(a[0], a[1], got.data(), a[2], a[3], a[4]), 0);
        EXPECT_EQ(got, expected) << a[0] << " " << a[1] << " " << a[2] << " " << a[3];
    }
}

// Window writes go to their places; whole grids move with strides and pitches of either sign as `layout` says,
// for the own type, a conversion and mask bits on disk.
TEST(WindowWrite, RowsSlicesAndStridesOfEitherSign) {
    TempDir dir;
    auto p = make_property(dir, "w", dtInteger, gt2D, 4, 3), q = make_property(dir, "q", dtByte, gt3D, 2, 2, 3);
    ASSERT_TRUE(p->init(true) && q->init(true));
    const double src[6] = {1, 2, -9, 3, 4, -9};  // 2 x 2 at (1, 1), row pitch 3
    const unsigned char b[4] = {5, 0, 6, 0}, s[8] = {1, 2, 0, 0, 3, 4, 0, 0};
    ASSERT_EQ(codes({p->write_data2d(1, 1, src, 2, 2, dtDouble, 0, 3), p->write_data2d(3, 0, b, 1, 2, dtByte, 2, 0)}), "00");  // stride 2, pitch 2 w
    EXPECT_EQ(text(file_values(*p, 12)), text({inull, inull, inull, 5, inull, 1, 2, 6, inull, 3, 4, inull}));
    ASSERT_EQ(q->write_data3d(1, 0, 1, s, 1, 2, 2, dtByte, 0, 1, 4), 0);  // 1 x 2 x 2 at (1, 0, 1), pitches 1 and 4
    EXPECT_EQ(file_bytes(q->getFileNameW()), (Bytes{255, 255, 255, 255, 255, 1, 255, 2, 255, 3, 255, 4}));

    const Strided cases[] = {
        {"2D rows flipped", 2, 1, 3, 1, -3, 0, {3, 4, 5, 0, 1, 2}}, {"2D columns flipped", 2, 1, 2, -1, 3, 0, {2, 1, 0, 5, 4, 3}},
        {"2D stride 2, pitch -6", 2, 1, 6, 2, -6, 0, {3, -1, 4, -1, 5, -1, 0, -1, 1, -1, 2, -1}},
        {"3D slices flipped", 2, 2, 4, 1, 2, -4, {4, 5, 6, 7, 0, 1, 2, 3}},
        {"3D stride -1, default pitches", 2, 2, 7, -1, 0, 0, {7, 6, 5, 4, 3, 2, 1, 0}}};
    const unsigned char pairs[][2] = {{dtInteger, dtInteger}, {dtSingle, dtDouble}, {dtBitmask, dtByte}};  // stored, memory
    for (const Strided& c : cases)
        for (const auto& [stored, memory] : pairs) {
            SCOPED_TRACE(std::string(c.name) + ", types " + std::to_string(stored) + "/" + std::to_string(memory));
            Values objects(c.nz > 1 ? 8 : 6), want(c.layout.size() + 8, 77);  // 4 guard slots on either side
            for (size_t i = 0; i < objects.size(); ++i) objects[i] = stored == dtBitmask ? (0xB9 >> i) & 1 : i + 1.0;
            for (size_t k = 0; k < c.layout.size(); ++k)
                if (c.layout[k] >= 0) want[4 + k] = objects[size_t(c.layout[k])];
            auto r = holding(dir, stored, objects, c.nz > 1 ? gt3D : gt2D, c.ny, c.nz, "s");
            Bytes buffer = encode(Values(want.size(), 77), memory), expected = encode(want, memory);
            const size_t at = size_t(4 + c.first) * type_size(memory);
            ASSERT_EQ(transfer(*r, c, false, &buffer[at], memory), 0);
            EXPECT_EQ(buffer, expected);
            ASSERT_TRUE(r->init(true));
            ASSERT_EQ(transfer(*r, c, true, &expected[at], memory), 0);
            r->close();
            EXPECT_EQ(file_bytes(r->getFileNameW()), file_of(objects, stored));
        }
}

// Every run and window operation at and beyond its limits: 4 out of range, 3 unknown type, 2 file error, 0 done;
// reads into no outputs, of unknown types and refused writes change nothing.
TEST(RunReadWrite, ArgumentChecksAndGridTypes) {
    TempDir dir;
    auto p = holding(dir, dtSingle, {1, 2, 3, 4}), closed = make_property(dir, "m", dtBitmask, gt1D, 24);
    auto g = holding(dir, dtByte, Values(12, 1), gt2D, 3, 1, "g"), c = holding(dir, dtByte, Values(8, 1), gt3D, 2, 2, "c");
    ASSERT_TRUE(closed->init(true));
    const long long big = LLONG_MAX;
    const float s[4] = {5, 6, 7, 8};
    float v[8] = {}; long long idx[8]; unsigned char b[8] = {}, untouched[4] = {9, 9, 9, 9};
    void* const bufs[] = {v, nullptr, untouched};
    using Args = std::vector<std::array<long long, 7>>;
    auto row = [](const std::array<long long, 7>& a) { std::string t; for (long long x : a) t += std::to_string(x) + " "; return t; };
    for (const auto& a : Args{  // start count outputs type stride buffer (v, null, untouched), result
             {0, 4, 4, 0, 0, 0, 0}, {0, 5, 5, 0, 0, 0, 4}, {3, 2, 2, 0, 0, 0, 2}, {3, 2, 2, 4, 0, 0, 2}, {big, 1, 1, 0, 0, 0, 2},
             {big, 1, 1, 4, 0, 0, 2}, {-1, 2, 2, 0, 0, 0, 4}, {0, -2, 2, 0, 0, 0, 4}, {0, 2, -2, 0, 0, 0, 4}, {0, 0, 0, 0, 0, 0, 0},
             {0, 0, 2, 4, 0, 0, 0}, {0, 2, 2, 0, 0, 1, 4}, {0, 2, 0, 1, 0, 2, 0}, {0, 0, 4, 1, 0, 2, 0}, {0, 2, 2, 5, 0, 2, 0},
             {0, 2, 1, 77, 0, 2, 0}, {0, 4, 4, 1, 3, 0, 0}, {0, 4, LLONG_MAX / 3 + 2, 1, 3, 0, 4}})
        EXPECT_EQ(p->readRawData(a[0], a[1], bufs[a[5]], a[2], static_cast<unsigned char>(a[3]), a[4]), a[6]) << "read " << row(a);
    for (const auto& a : Args{{0, 5, 0, 4, 0, 0, 4}, {-1, 2, 0, 2, 0, 0, 4}, {0, 2, -1, 2, 0, 0, 4}, {0, 2, 0, -2, 0, 0, 4},
                              {0, 2, 0, 2, 0, 1, 4}, {0, 0, 0, 0, 0, 1, 0}, {0, 2, 0, 0, 0, 1, 0}, {0, 1, big, 1, 0, 0, 4}})
        EXPECT_EQ(p->readRawData_index(a[0], a[1], a[5] ? nullptr : idx, a[2], a[3], 1), a[6]) << "index " << row(a);  // start count offset outputs
    for (const auto& a : Args{{2, 3, 0, 0, 0, 0, 4}, {-1, 1, 0, 0, 0, 0, 4}, {0, -1, 0, 0, 0, 0, 4}, {big, 1, 0, 0, 0, 0, 4},
                              {0, 2, 5, 0, 0, 0, 3}, {0, 1, 0, 0, 0, 1, 4}, {0, 0, 0, 0, 0, 1, 0}, {2, 2, 0, 0, 0, 0, 0}})
        EXPECT_EQ(p->write_data(a[0], a[5] ? nullptr : s, a[1], (unsigned char)a[2], a[3]), a[6]) << "write " << row(a);  // start count type stride
    // Windows (x y w h in 2D, y z d in 3D), null buffers, a bad output width, an unknown type, and the helpers
    // below the run write: a file not opened, bad positions, types, sources.
    const std::pair<int, int> calls[] = {
        {g->readData2D(1, 0, 4, 3, b, 1, 1, dtByte, 0, 0), 4}, {g->readData2D(0, 1, 4, 3, b, 1, 1, dtByte, 0, 0), 4},
        {g->readData2D(-1, 0, 1, 1, b, 1, 1, dtByte, 0, 0), 4}, {g->readData2D(0, 0, -1, 1, b, 1, 1, dtByte, 0, 0), 4},
        {g->readData2D(big, 0, 2, 1, b, 1, 1, dtByte, 0, 0), 4}, {g->write_data2d(1, 0, b, 4, 1, dtByte, 0, 0), 4},
        {g->write_data2d(0, 3, b, 1, 1, dtByte, 0, 0), 4}, {g->write_data2d(0, 0, b, -1, 1, dtByte, 0, 0), 4},
        {g->write_data2d(0, 0, b, 1, 0, dtByte, 0, 0), 0}, {c->readData3D(0, 0, 1, 1, 1, 2, b, 1, 1, 2, dtByte, 0, 0, 0), 4},
        {c->readData3D(0, 0, -1, 1, 1, 1, b, 1, 1, 1, dtByte, 0, 0, 0), 4}, {c->readData3D(0, 0, 0, 1, 1, 1, b, 1, 1, 0, dtByte, 0, 0, 0), 0},
        {c->write_data3d(0, 0, 2, b, 1, 1, 1, dtByte, 0, 0, 0), 4}, {c->write_data3d(0, 2, 0, b, 1, 1, 1, dtByte, 0, 0, 0), 4},
        {c->write_data3d(0, 0, 0, b, 1, 1, 0, dtByte, 0, 0, 0), 0},
        {g->readData2D(0, 0, 1, 1, b, -1, 1, dtByte, 0, 0), 4}, {g->readData2D(0, 0, 1, 1, nullptr, 1, 1, dtByte, 0, 0), 4},
        {g->readData2D(0, 0, 1, 1, nullptr, 1, -3, dtByte, 0, 0), 0}, {g->readData2D(0, 0, 1, 0, b, 1, 1, dtByte, 0, 0), 0}, {g->readData2D_index(0, 0, 5, 1, idx, 1, 1, 1, 0), 4},
        {g->readData2D_index(0, 0, 1, 1, nullptr, 1, 1, 1, 0), 4}, {g->readData2D_index(0, 0, 1, 0, idx, 1, 2, 1, 0), 0},
        {g->write_data2d(0, 0, nullptr, 1, 1, dtByte, 0, 0), 4}, {g->write_data2d(0, 0, b, 1, 1, 8, 0, 0), 3},
        {c->readData3D(0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, dtByte, 0, 0, 0), 4},
        {c->write_data3d(0, 0, 0, nullptr, 1, 1, 1, dtByte, 0, 0, 0), 4},
        {closed->write_any(s, 2, dtSingle, 0), 2}, {closed->write_same(s, 1), 2}, {closed->write_bit(0, b, 1), 2},
        {p->write_bit(-1, b, 1), 4}, {p->write_bit(0, nullptr, 1), 4}, {p->write_bitmask(0, b, 2, 9, 0), 3},
        {p->write_bitmask(0, nullptr, 2, dtByte, 0), 4}, {p->write_any(s, 2, 6, 0), 3}, {p->write_any(nullptr, 2, dtInteger, 0), 4},
        {p->write_any(s, 0, dtInteger, 0), 0}, {p->write_any(nullptr, 0, dtInteger, 0), 0}, {p->write_same(nullptr, 0, 2), 0},
        {p->write_same(nullptr, 1), 4}, {p->write_same(s, -1, 2), 4}, {p->readBit(-1, 2, b), 0}, {p->readBit(0, 2, nullptr), 0},
        {p->write_same(s, 0), 0}, {p->write_bit(0, b, 0), 0}};
    for (size_t k = 0; k < std::size(calls); ++k) EXPECT_EQ(calls[k].first, calls[k].second) << "call " << k;
    EXPECT_EQ(text(file_values(*p, 4)), "1 2 5 6");  // only the good write landed
    EXPECT_TRUE(Bytes(untouched, untouched + 4) == Bytes(4, 9) && file_bytes(closed->getFileNameW()) == Bytes(3, 0) &&
                file_bytes(c->getFileNameW()) == Bytes(8, 1));

    // Reads take every grid type of their class (2D: 3, 4, 7, 8 and above; 3D: 5, 6), writes only the plain grids:
    // one flag per operation, read 2D, write 2D, read 3D, write 3D.
    const std::pair<unsigned char, const char*> grids[] = {{0, "0000"}, {1, "0000"}, {2, "0000"}, {3, "1100"}, {4, "1000"},
                                                           {5, "0011"}, {6, "0010"}, {7, "1000"}, {8, "1000"}, {200, "1000"}};
    for (const auto& [grid, allowed] : grids) {
        c->setGridType(grid);
        EXPECT_EQ(codes({c->readData2D(0, 0, 2, 2, b, 2, 2, dtByte, 0, 0) != 5, c->write_data2d(0, 0, b, 2, 2, dtByte, 0, 0) != 5,
                         c->readData3D(0, 0, 0, 2, 2, 2, b, 2, 2, 2, dtByte, 0, 0, 0) != 5,
                         c->write_data3d(0, 0, 0, b, 2, 2, 2, dtByte, 0, 0, 0) != 5}), allowed) << "grid type " << int(grid);
    }
}

// Element addresses that cannot be formed: result 4, the buffer and the file untouched.
TEST(RunReadWrite, OverflowingAddressArithmeticGivesFourAndTouchesNothing) {
    const Strided rows[] = {
        {"run stride LLONG_MAX", 1, 1, 0, LLONG_MAX, 0, 0, {}}, {"run stride LLONG_MIN", 1, 1, 0, LLONG_MIN, 0, 0, {}},
        {"run stride x value size", 1, 1, 0, LLONG_MAX / 4 + 1, 0, 0, {}}, {"run below address 0", 1, 1, 0, -(LLONG_MAX / 16), 0, 0, {}},
        {"2D pitch LLONG_MAX", 2, 1, 0, 1, LLONG_MAX, 0, {}}, {"2D pitch LLONG_MIN", 2, 1, 0, 1, LLONG_MIN, 0, {}},
        {"2D pitch x value size", 2, 1, 0, 1, LLONG_MAX / 4 + 1, 0, {}}, {"2D default pitch", 2, 1, 0, LLONG_MAX / 2, 0, 0, {}},
        {"3D slice pitch LLONG_MIN", 2, 2, 0, 1, 2, LLONG_MIN, {}}, {"3D slice below address 0", 2, 2, 0, 1, 2, -(LLONG_MAX / 16), {}},
        {"3D row and slice reach summed", 2, 2, 0, 1, LLONG_MAX / 6, LLONG_MAX / 6, {}}, {"3D default pitches", 2, 2, 0, LLONG_MAX / 2, 0, 0, {}}};
    TempDir dir;
    Bytes mem(64 * 8, 0xAB);
    for (const Strided& c : rows) {
        auto p = make_property(dir, "p", dtInteger, c.nz > 1 ? gt3D : c.ny > 1 ? gt2D : gt1D, c.nz > 1 ? 2 : c.ny > 1 ? 3 : 4, c.ny, c.nz);
        ASSERT_TRUE(p->init(true));
        for (unsigned char type : {dtInteger, dtDouble})
            EXPECT_EQ(codes({transfer(*p, c, false, &mem[32 * 8], type), transfer(*p, c, true, &mem[32 * 8], type)}), "44") << c.name;
        p->close();
        EXPECT_EQ(file_bytes(p->getFileNameW()), encode(Values(size_t(p->getNumObjects()), inull), dtInteger)) << c.name;
    }
    EXPECT_EQ(mem, Bytes(64 * 8, 0xAB));
    // A buffer at the top of the address space cannot take even a plain run.
    auto p = holding(dir, dtByte, {1, 2, 3, 4});
    void* top = reinterpret_cast<void*>(~uintptr_t(0) - 1);
    EXPECT_EQ(codes({p->readRawData(0, 4, top, 4, dtByte, 1), p->write_data(0, top, 4, dtByte, 1)}), "44");
}

// A new data file holds the missing pattern of its type; its length is the product of the sizes (none when
// negative) times the multiplier of LX and LY (not LZ), twice for function grids. Existing files stay unless forced.
TEST(PropertyInit, NewFilesExistingFilesAndUnusablePaths) {
    struct Row { const char* name; unsigned char type, grid; long long nx, ny, nz, lx, ly; size_t values; };
    const Row rows[] = {
        {"mask", dtBitmask, gt1D, 10, 1, 1, 0, 0, 16}, {"byte", dtByte, gt1D, 3, 1, 1, 0, 0, 3},
        {"integer", dtInteger, gt2D, 2, 1, 1, 0, 0, 2}, {"single", dtSingle, gt3D, 2, 2, 2, 0, 0, 8},
        {"double", dtDouble, gt1D, 5, 1, 1, 0, 0, 5}, {"many short mask rows", dtBitmask, gt2D, 3, 1001, 1, 0, 0, 3008},
        {"longer than one piece", dtDouble, gt1D, 600001, 1, 1, 0, 0, 600001}, {"empty", dtDouble, gt2D, 0, 5, 1, 0, 0, 0},
        {"negative x", dtByte, gt2D, -4, 3, 2, 0, 0, 0}, {"negative z", dtByte, gt2D, 2, 3, -1, 0, 0, 0},
        {"LX 0: LY plays no part", dtByte, gt2D, 10, 1, 1, 0, 5, 10}, {"LX below 0", dtByte, gt2D, 10, 1, 1, -3, 5, 10},
        {"LX 4, LY 0: x 5", dtByte, gt2D, 10, 1, 1, 4, 0, 50}, {"LX 4, LY 3: x 13", dtByte, gt2D, 10, 1, 1, 4, 3, 130},
        {"LY below 0: x 1", dtByte, gt2D, 10, 1, 1, 4, -1, 10}, {"function 1D: 2 x (2 + 1), again x 3", dtByte, gtFunc1D, 2, 1, 1, 2, 0, 18},
        {"function 2D: 1 x (2 x 3 + 1), again x 7", dtByte, gtFunc2D, 1, 1, 1, 2, 3, 49}};
    const double missing[] = {NaN, 255, inull, 0, NaN};
    for (const Row& r : rows) {
        TempDir dir;
        auto p = make_property(dir, "p", r.type, r.grid, 1);
        p->setFuncLX(r.lx), p->setFuncLY(r.ly), p->setFuncLZ(9), p->setSize(r.nx, r.ny, r.nz);  // the count is scaled already
        ASSERT_TRUE(p->init(false)) << r.name;
        const Bytes bytes = file_bytes(p->getFileNameW());
        ASSERT_EQ(bytes.size(), r.type == dtBitmask ? r.values / 8 : r.values * type_size(r.type)) << r.name;
        EXPECT_EQ(mismatches(r.type == dtBitmask ? unpack(bytes, r.values) : decode(bytes, r.type), Values(r.values, missing[r.type])), 0) << r.name;
    }
    TempDir dir;
    auto p = holding(dir, dtByte, {1, 2, 3, 4});
    p->setSize(3, 1, 1);
    EXPECT_TRUE(!p->init(false) && file_bytes(p->getFileNameW()) == (Bytes{1, 2, 3, 4}));  // there already: it stays
    unsigned char u = 0;
    p->setValueByte(1, 20);  // a dirty window never reappears in a new file
    EXPECT_TRUE(p->init(true) && p->getValueByte(1, u) && u == 255);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (Bytes{255, 255, 255}));
    std::filesystem::create_directory(dir.path() / "folder.property");
    auto onFolder = make_property(dir, "folder", dtByte, gt1D, 3);
    EXPECT_FALSE(onFolder->init(false) || onFolder->init(true));  // a folder exists and cannot become a data file
    TekVor4PropertyImpl noPath(std::wstring(), false), noFolder(dir.file("missing/sub/x.property"), false);
    auto huge = make_property(dir, "huge", dtSingle, gt2D, 1LL << 40, 1LL << 40);  // its count saturates, not wraps to 0
    noPath.setSize(2, 1, 1), noFolder.setSize(2, 1, 1);
    EXPECT_FALSE(noPath.init(true) || noFolder.init(true) || huge->init(true));
}

TEST(PropertyFile, MissingShortLockedSharedClosedAndDeletedFiles) {
    TempDir dir;
    auto absent = make_property(dir, "absent", dtSingle, gt1D, 4);
    EXPECT_FALSE(absent->openDataFile() || absent->openDataFileRead());
    EXPECT_EQ(access(*absent), "222-");
    EXPECT_FALSE(std::filesystem::exists(absent->getFileNameW()));  // never created by opening
    EXPECT_TRUE(absent->init(false) && absent->openDataFile() && absent->openDataFile());  // the second finds it open
    EXPECT_EQ(access(*absent), "000-");

    // Short files: straight into the output, through a buffer, mask bits; the window of 4 values cannot be read.
    int i[4]; Bytes bits(20);
    auto shortFile = holding(dir, dtInteger, {5, 6}, gt1D, 1, 1, "short"), shortMask = holding(dir, dtBitmask, Values(8, 1), gt1D, 1, 1, "mask");
    shortFile->setSize(4, 1, 1), shortMask->setSize(20, 1, 1);
    EXPECT_EQ(codes({shortFile->readRawData(0, 4, i, 4, dtInteger, 0), shortFile->readRawData(0, 4, i, 4, dtDouble, 0),
                     shortMask->readRawData(0, 20, bits.data(), 20, dtBitmask, 0)}), "222");
    EXPECT_FALSE(shortFile->getValueInt(0, i[0]));
    EXPECT_EQ(codes({shortFile->readRawData(0, 2, i, 2, dtInteger, 0), shortMask->readRawData(0, 8, bits.data(), 8, dtBitmask, 0)}), "00");
    EXPECT_EQ(i[1] * 10 + bits[7], 61);

    auto locked = holding(dir, dtSingle, {1, 2, 3, 4}, gt1D, 1, 1, "locked");
    ek::fileio other;
    ASSERT_TRUE(other.open(locked->getFileNameW(), L"rb+"));  // another writer holds it
    EXPECT_EQ(access(*locked) + std::to_string(locked->init(true)), "222-0");
    other.close();
    EXPECT_EQ(access(*locked), "000v");

    // Readers share a file; a writer is excluded while they hold it, and read-only never writes.
    auto writer = holding(dir, dtByte, Values(4, 255), gt1D, 1, 1, "shared"), r1 = holding(dir, dtByte, Values(4, 255), gt2D, 1, 1, "shared", true);
    auto r2 = make_property(dir, "shared", dtBitmask, gt2D, 9, 1, 1, true);
    const unsigned char one[4] = {1, 2, 3, 4};
    EXPECT_EQ(access(*r1), "020v");
    EXPECT_EQ(r2->readRawData(0, 9, bits.data(), 3, dtByte, 0), 0);
    EXPECT_EQ(codes({writer->write_data(0, one, 1, dtByte, 0), r1->write_data(0, one, 3, dtByte, 0),
                     r1->write_data2d(0, 0, one, 3, 1, dtByte, 0, 0), r2->write_data(3, one, 2, dtByte, 0)}), "2222");
    r1->close(), r2->close();
    EXPECT_EQ(writer->write_data(0, one, 1, dtByte, 0), 0);
    EXPECT_EQ(file_bytes(writer->getFileNameW()), (Bytes{1, 255, 255, 255}));

    // close and the destructor write a dirty window back; deletion closes first.
    auto p = holding(dir, dtInteger, {inull, inull, inull});
    p->setValueInt(1, 42), p->close();
    EXPECT_EQ(text(file_values(*p, 3)), "2147483647 42 2147483647");
    ASSERT_TRUE(other.open(p->getFileNameW(), L"rb+"));  // the file is free for others now
    EXPECT_TRUE(p->getValueInt(1, i[0]) && i[0] == 42);  // and the window still serves values
    other.close(), p->close();  // closing twice is harmless
    holding(dir, dtDouble, {NaN, NaN}, gt1D, 1, 1, "dtor")->setValueDouble(0, 2.5);
    EXPECT_EQ(text(decode(file_bytes(dir.file("dtor.property")), dtDouble)), "2.5 nan");
    auto g = holding(dir, dtSingle, {1, 2, 3, 4}, gt1D, 1, 1, "gone");
    EXPECT_EQ(access(*g), "000v");  // the file is open now
    g->setValueSingle(0, 9.0f);
    EXPECT_TRUE(g->deletePropFile());
    EXPECT_FALSE(std::filesystem::exists(g->getFileNameW()));
    EXPECT_EQ(access(*g), "222-");      // nothing is served from the deleted file
    EXPECT_FALSE(g->deletePropFile());  // nothing left to delete
    EXPECT_FALSE(TekVor4PropertyImpl(std::wstring(), false).deletePropFile());  // nor with no file named
}
