// Reads of runs, mask bits, indices and 2D/3D windows from the data file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "property_test_support.h"

using namespace ek::test;

namespace {

constexpr int inull = 2147483647;

// A 1D property of the given type whose file holds exactly `bytes`.
std::unique_ptr<TekVor4PropertyImpl> with_file(const TempDir& dir, unsigned char type, long long n,
                                               const std::vector<unsigned char>& bytes,
                                               unsigned char grid = gt1D, long long ny = 1, long long nz = 1) {
    auto p = make_property(dir, "p", type, grid, n, ny, nz);
    put_bytes(p->getFileNameW(), bytes);
    return p;
}

}  // namespace

TEST(RunRead, OwnTypeOneToOne) {
    TempDir dir;
    const std::vector<double> values = {1.5, -2.0, std::numeric_limits<double>::infinity(), 4.0};
    auto p = with_file(dir, dtDouble, 4, as_bytes(values));
    std::vector<double> out(4, 0.0);
    ASSERT_EQ(p->readRawData(0, 4, out.data(), 4, dtDouble, 0), 0);
    EXPECT_EQ(out, values);
    std::vector<double> tail(2, 0.0);
    ASSERT_EQ(p->readRawData(2, 2, tail.data(), 2, dtDouble, 1), 0);
    EXPECT_EQ(tail[1], 4.0);
}

TEST(RunRead, IntegersAsEveryType) {
    TempDir dir;
    auto p = with_file(dir, dtInteger, 4, as_bytes(std::vector<int>{7, inull, 0, -3}));
    float s[4];
    ASSERT_EQ(p->readRawData(0, 4, s, 4, dtSingle, 0), 0);
    EXPECT_EQ(s[0], 7.0f);
    EXPECT_TRUE(std::isnan(s[1]));
    EXPECT_EQ(s[2], 0.0f);
    EXPECT_EQ(s[3], -3.0f);
    unsigned char m[4];
    ASSERT_EQ(p->readRawData(0, 4, m, 4, dtBitmask, 0), 0);
    EXPECT_EQ(std::vector<unsigned char>(m, m + 4), (std::vector<unsigned char>{1, 1, 0, 1}));
    unsigned char m2[2];
    ASSERT_EQ(p->readRawData(0, 4, m2, 2, dtBitmask, 0), 0);  // resampled: bytes of sources 0 and 2
    EXPECT_EQ(m2[0], 7);
    EXPECT_EQ(m2[1], 0);
    unsigned char b[4];
    ASSERT_EQ(p->readRawData(0, 4, b, 4, dtByte, 0), 0);
    EXPECT_EQ(std::vector<unsigned char>(b, b + 4), (std::vector<unsigned char>{7, 255, 0, 253}));
    double d[4];
    ASSERT_EQ(p->readRawData(0, 4, d, 4, dtDouble, 0), 0);
    EXPECT_TRUE(std::isnan(d[1]));
    EXPECT_EQ(d[3], -3.0);
}

TEST(RunRead, BytesAreNeverMissing) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 2, {255, 0});
    float s[2];
    ASSERT_EQ(p->readRawData(0, 2, s, 2, dtSingle, 0), 0);
    EXPECT_EQ(s[0], 255.0f);
}

TEST(RunRead, StrideAndResampling) {
    TempDir dir;
    std::vector<float> values(10);
    std::iota(values.begin(), values.end(), 100.0f);
    auto p = with_file(dir, dtSingle, 10, as_bytes(values));
    // Own type with a stride takes the converting path; gaps stay untouched.
    std::vector<float> strided(6, -1.0f);
    ASSERT_EQ(p->readRawData(4, 3, strided.data(), 3, dtSingle, 2), 0);
    EXPECT_EQ(strided, (std::vector<float>{104, -1, 105, -1, 106, -1}));
    // 10 values into 4 take sources 0, 3, 5, 8.
    std::vector<int> four(4);
    ASSERT_EQ(p->readRawData(0, 10, four.data(), 4, dtInteger, 0), 0);
    EXPECT_EQ(four, (std::vector<int>{100, 103, 105, 108}));
    // Enlarging repeats values and never reads past the run.
    std::vector<float> seven(7);
    ASSERT_EQ(p->readRawData(8, 2, seven.data(), 7, dtSingle, 0), 0);
    // ratio 2/7: sources 0,0,1,1,1,1,2->1
    EXPECT_EQ(seven, (std::vector<float>{108, 108, 109, 109, 109, 109, 109}));
}

TEST(RunRead, MaskBitsAcrossByteBoundaries) {
    TempDir dir;
    auto p = with_file(dir, dtBitmask, 16, {0xC0, 0x03});
    unsigned char bits[4];
    ASSERT_EQ(p->readRawData(6, 4, bits, 4, dtBitmask, 0), 0);
    EXPECT_EQ(std::vector<unsigned char>(bits, bits + 4), (std::vector<unsigned char>{1, 1, 1, 1}));
    unsigned char all[16];
    ASSERT_EQ(p->readRawData(0, 16, all, 16, dtByte, 0), 0);
    const std::vector<unsigned char> expected = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<unsigned char>(all, all + 16), expected);
    double d[3];
    ASSERT_EQ(p->readRawData(5, 3, d, 3, dtDouble, 0), 0);
    EXPECT_EQ(d[0], 0.0);
    EXPECT_EQ(d[2], 1.0);
    // readBit itself, from the open file.
    unsigned char rb[3];
    ASSERT_TRUE(p->readBit(7, 3, rb));
    EXPECT_EQ(std::vector<unsigned char>(rb, rb + 3), (std::vector<unsigned char>{1, 1, 1}));
    EXPECT_FALSE(p->readBit(14, 8, rb));  // beyond the last byte
    EXPECT_FALSE(p->readBit(-1, 2, rb));
    EXPECT_FALSE(p->readBit(0, 2, nullptr));
}

TEST(RunRead, LongConvertedAndResampledRunsMatchTheFormula) {
    TempDir dir;
    // Longer than any internal piece, so pieces and groups are crossed.
    const long long n = 700003;
    std::vector<int> values(static_cast<size_t>(n));
    for (long long i = 0; i < n; ++i) values[size_t(i)] = int(i % 1000 == 0 ? inull : i * 3);
    auto p = with_file(dir, dtInteger, n, as_bytes(values));

    std::vector<double> all(static_cast<size_t>(n));
    ASSERT_EQ(p->readRawData(0, n, all.data(), n, dtDouble, 0), 0);
    for (long long i = 0; i < n; i += 997) {
        if (i % 1000 == 0)
            EXPECT_TRUE(std::isnan(all[size_t(i)]));
        else
            EXPECT_EQ(all[size_t(i)], double(i * 3));
    }
    EXPECT_EQ(all.back(), double((n - 1) * 3));

    for (long long dstCount : {3LL, 1000LL, 65536LL, 699999LL, 1500000LL}) {
        std::vector<float> out(static_cast<size_t>(dstCount));
        ASSERT_EQ(p->readRawData(0, n, out.data(), dstCount, dtSingle, 0), 0);
        const double ratio = double(n) / double(dstCount);
        auto check = [&](long long k) {
            long long s = static_cast<long long>(double(k) * ratio + 0.5);
            if (s > n - 1) s = n - 1;
            const int v = values[size_t(s)];
            if (v == inull)
                EXPECT_TRUE(std::isnan(out[size_t(k)])) << dstCount << " " << k;
            else
                EXPECT_EQ(out[size_t(k)], float(v)) << dstCount << " " << k;
        };
        for (long long k = 0; k < dstCount; k += 1 + dstCount / 5000) check(k);
        check(dstCount - 1);
    }
}

TEST(RunRead, LongMaskRuns) {
    TempDir dir;
    const long long n = 3 * 1024 * 1024 + 5;
    std::vector<unsigned char> packed(size_t((n + 7) / 8));
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<unsigned char>(i * 37 + 11);
    auto p = with_file(dir, dtBitmask, n, packed);
    const long long start = 13;
    const long long count = n - 20;
    std::vector<unsigned char> bits(static_cast<size_t>(count));
    ASSERT_EQ(p->readRawData(start, count, bits.data(), count, dtBitmask, 0), 0);
    long long wrong = 0;
    for (long long i = 0; i < count; ++i) {
        const long long o = start + i;
        wrong += bits[size_t(i)] != ((packed[size_t(o / 8)] >> (o % 8)) & 1);
    }
    EXPECT_EQ(wrong, 0) << "every bit of the run, whole bytes and the partial ends alike";
    const long long last = start + count - 1;
    EXPECT_EQ(bits.back(), (packed[size_t(last / 8)] >> (last % 8)) & 1);

    // Resampled, sparsely and densely: output k is bit start + trunc(k * count / dstCount + 0.5).
    for (long long dstCount : {7LL, 5000LL}) {
        std::vector<double> out(static_cast<size_t>(dstCount));
        ASSERT_EQ(p->readRawData(start, count, out.data(), dstCount, dtDouble, 0), 0);
        const double ratio = double(count) / double(dstCount);
        for (long long k = 0; k < dstCount; ++k) {
            const long long o = start + static_cast<long long>(double(k) * ratio + 0.5);
            ASSERT_EQ(out[size_t(k)], double((packed[size_t(o / 8)] >> (o % 8)) & 1)) << dstCount << " " << k;
        }
    }
}

TEST(RunRead, RangeChecks) {
    TempDir dir;
    auto p = with_file(dir, dtSingle, 4, as_bytes(std::vector<float>{1, 2, 3, 4}));
    float out[8] = {};
    EXPECT_EQ(p->readRawData(0, 5, out, 5, dtSingle, 0), 4);  // count beyond the object count
    EXPECT_EQ(p->readRawData(3, 2, out, 2, dtSingle, 0), 2);  // passes the check, short read
    EXPECT_EQ(p->readRawData(3, 2, out, 2, dtDouble, 0), 2);
    EXPECT_EQ(p->readRawData(-1, 2, out, 2, dtSingle, 0), 4);
    EXPECT_EQ(p->readRawData(0, -2, out, 2, dtSingle, 0), 4);
    EXPECT_EQ(p->readRawData(0, 2, out, -2, dtSingle, 0), 4);
    EXPECT_EQ(p->readRawData(0, 2, out, 2, dtSingle, -1), 4);
    EXPECT_EQ(p->readRawData(0, 2, nullptr, 2, dtSingle, 0), 4);
    EXPECT_EQ(p->readRawData(std::numeric_limits<long long>::max(), 1, out, 1, dtDouble, 0), 2);
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtSingle, 0), 0);  // the whole property
}

TEST(RunRead, EmptyRunsAndUnknownTypesLeaveTheOutput) {
    TempDir dir;
    auto p = with_file(dir, dtSingle, 2, as_bytes(std::vector<float>{1, 2}));
    float out[2] = {-7.0f, -7.0f};
    EXPECT_EQ(p->readRawData(0, 0, out, 2, dtSingle, 0), 0);
    EXPECT_EQ(p->readRawData(0, 2, out, 0, dtSingle, 0), 0);
    EXPECT_EQ(p->readRawData(0, 0, nullptr, 0, dtSingle, 0), 0);
    EXPECT_EQ(p->readRawData(0, 2, out, 2, 5, 0), 0);
    EXPECT_EQ(p->readRawData(0, 2, out, 1, 77, 0), 0);
    EXPECT_EQ(out[0], -7.0f);
    EXPECT_EQ(out[1], -7.0f);
    // A stored type of unknown size has nothing to read.
    p->setDataType(9);
    EXPECT_EQ(p->readRawData(0, 2, out, 2, 9, 0), 2);
    EXPECT_EQ(p->readRawData(0, 2, out, 2, dtSingle, 0), 2);
}

TEST(IndexRead, OneToOneUsesTheStep) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 20, std::vector<unsigned char>(20));
    long long idx[8];
    std::fill(idx, idx + 8, -1);
    ASSERT_EQ(p->readRawData_index(5, 3, idx, 2, 3, 0), 0);  // step 0 is 1
    EXPECT_EQ(std::vector<long long>(idx, idx + 5), (std::vector<long long>{-1, -1, 5, 6, 7}));
    ASSERT_EQ(p->readRawData_index(5, 3, idx, 0, 3, 4), 0);
    EXPECT_EQ(std::vector<long long>(idx, idx + 3), (std::vector<long long>{5, 9, 13}));
}

TEST(IndexRead, ResampledIndicesMatchTheDataRead) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 20, std::vector<unsigned char>(20));
    long long idx[7];
    ASSERT_EQ(p->readRawData_index(10, 10, idx, 0, 4, 1), 0);
    EXPECT_EQ(std::vector<long long>(idx, idx + 4), (std::vector<long long>{10, 13, 15, 18}));
    ASSERT_EQ(p->readRawData_index(0, 2, idx, 0, 7, 1), 0);  // enlarged: clamped to the last
    EXPECT_EQ(std::vector<long long>(idx, idx + 7), (std::vector<long long>{0, 0, 1, 1, 1, 1, 1}));
}

TEST(IndexRead, Failures) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 20, std::vector<unsigned char>(20));
    long long idx[4];
    EXPECT_EQ(p->readRawData_index(0, 21, idx, 0, 4, 1), 4);
    EXPECT_EQ(p->readRawData_index(-1, 2, idx, 0, 2, 1), 4);
    EXPECT_EQ(p->readRawData_index(0, 2, idx, -1, 2, 1), 4);
    EXPECT_EQ(p->readRawData_index(0, 2, idx, 0, -2, 1), 4);
    EXPECT_EQ(p->readRawData_index(0, 2, nullptr, 0, 2, 1), 4);
    EXPECT_EQ(p->readRawData_index(0, 0, nullptr, 0, 0, 1), 0);
}

TEST(Window2DRead, RowsByIntegerSteppingColumnsByNearestIndex) {
    TempDir dir;
    // 6 x 5 grid, value = 10 * row + column.
    std::vector<int> values;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) values.push_back(10 * y + x);
    auto p = with_file(dir, dtInteger, 6, as_bytes(values), gt2D, 5);

    // 5 rows into 2: q = 2, r = 1 -> rows 0 and 2.
    int two[2 * 6];
    ASSERT_EQ(p->readData2D(0, 0, 6, 5, two, 6, 2, dtInteger, 0, 0), 0);
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[6], 20);

    // 2 rows into 4: rows 0, 0, 0, 1 (a row is skipped only when the remainder exceeds 4).
    int four[4];
    ASSERT_EQ(p->readData2D(1, 2, 1, 2, four, 1, 4, dtInteger, 0, 0), 0);
    EXPECT_EQ(std::vector<int>(four, four + 4), (std::vector<int>{21, 21, 21, 31}));

    // Columns 1..4 into 2 values: sources 1 and 3; row pitch with room to spare; converted.
    std::vector<double> out(3 * 3, -1.0);
    ASSERT_EQ(p->readData2D(1, 1, 4, 3, out.data(), 2, 3, dtDouble, 0, 3), 0);
    EXPECT_EQ(out, (std::vector<double>{11, 13, -1, 21, 23, -1, 31, 33, -1}));

    // Element stride 2, default pitch = 2 * dstW.
    std::vector<float> wide(2 * 2 * 2, -1.0f);
    ASSERT_EQ(p->readData2D(4, 3, 2, 2, wide.data(), 2, 2, dtSingle, 2, 0), 0);
    EXPECT_EQ(wide, (std::vector<float>{34, -1, 35, -1, 44, -1, 45, -1}));
}

TEST(Window2DRead, ChecksAndCoordinateGrids) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 4, std::vector<unsigned char>(12, 1), gt2dCoord, 3);
    unsigned char out[12];
    EXPECT_EQ(p->readData2D(0, 0, 4, 3, out, 4, 3, dtByte, 0, 0), 0);
    EXPECT_EQ(p->readData2D(1, 0, 4, 3, out, 4, 3, dtByte, 0, 0), 4);
    EXPECT_EQ(p->readData2D(0, 1, 4, 3, out, 4, 3, dtByte, 0, 0), 4);
    EXPECT_EQ(p->readData2D(-1, 0, 1, 1, out, 1, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->readData2D(0, 0, -1, 1, out, 1, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, out, -1, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, nullptr, 1, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, out, 1, 1, dtByte, -2, 0), 4);
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, out, 1, 0, dtByte, 0, 0), 0);  // no output rows
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, nullptr, 1, -3, dtByte, 0, 0), 0);
    EXPECT_EQ(p->readData2D(std::numeric_limits<long long>::max(), 0, 2, 1, out, 1, 1, dtByte, 0, 0), 4);
    p->setGridType(gt1D);
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, out, 1, 1, dtByte, 0, 0), 5);
    p->setGridType(gt3D);
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, out, 1, 1, dtByte, 0, 0), 5);
}

TEST(Window2DRead, IndexRowsFollowTheDataRows) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 6, std::vector<unsigned char>(30), gt2D, 5);
    long long idx[2 * 3];
    ASSERT_EQ(p->readData2D_index(1, 0, 3, 5, idx, 3, 2, 0, 999), 0);
    EXPECT_EQ(std::vector<long long>(idx, idx + 6), (std::vector<long long>{1, 2, 3, 13, 14, 15}));
    long long col[4];
    ASSERT_EQ(p->readData2D_index(2, 3, 1, 2, col, 1, 4, 1, 0), 0);
    EXPECT_EQ(std::vector<long long>(col, col + 4), (std::vector<long long>{20, 20, 20, 26}));
    EXPECT_EQ(p->readData2D_index(0, 0, 7, 1, idx, 1, 1, 1, 0), 4);
    EXPECT_EQ(p->readData2D_index(0, 0, 1, 1, nullptr, 1, 1, 1, 0), 4);
    p->setGridType(gt3D);
    EXPECT_EQ(p->readData2D_index(0, 0, 1, 1, idx, 1, 1, 1, 0), 5);
}

TEST(Window2DRead, DecimatingAWideGridReadsTheRightCells) {
    TempDir dir;
    const long long nx = 1024, ny = 512;
    std::vector<float> values(static_cast<size_t>(nx * ny));
    for (long long i = 0; i < nx * ny; ++i) values[size_t(i)] = float(i);
    auto p = with_file(dir, dtSingle, nx, as_bytes(values), gt2D, ny);
    std::vector<float> out(128 * 64);
    ASSERT_EQ(p->readData2D(0, 0, nx, ny, out.data(), 128, 64, dtSingle, 0, 0), 0);
    // Exact divisions: row j is 8 j, column k is trunc(8 k + 0.5) = 8 k.
    for (long long j = 0; j < 64; ++j)
        for (long long k = 0; k < 128; k += 17) EXPECT_EQ(out[size_t(j * 128 + k)], float(8 * j * nx + 8 * k));
}

TEST(Window3DRead, RowsAndSlicesByNearestIndex) {
    TempDir dir;
    // 3 x 4 x 5 grid, value = 100 z + 10 y + x.
    std::vector<double> values;
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 3; ++x) values.push_back(100 * z + 10 * y + x);
    auto p = with_file(dir, dtDouble, 3, as_bytes(values), gt3D, 4, 5);

    // Slices 1..4 into 2: trunc(k * 2 + 0.5) -> 0, 2 -> z 1, 3; rows 0..3 into 2 -> 0, 2.
    std::vector<int> out(2 * 2 * 3);
    ASSERT_EQ(p->readData3D(0, 0, 1, 3, 4, 4, out.data(), 3, 2, 2, dtInteger, 0, 0, 0), 0);
    EXPECT_EQ(out, (std::vector<int>{100, 101, 102, 120, 121, 122, 300, 301, 302, 320, 321, 322}));

    // Enlarging: 1 slice into 2 and 2 rows into 3 stay inside the window.
    std::vector<double> big(2 * 3);
    ASSERT_EQ(p->readData3D(2, 2, 4, 1, 2, 1, big.data(), 1, 3, 2, dtDouble, 0, 0, 0), 0);
    // rows: trunc(j * 2/3 + 0.5) = 0, 1, 1; slice 4 each time.
    EXPECT_EQ(big, (std::vector<double>{422, 432, 432, 422, 432, 432}));

    // Explicit pitches.
    std::vector<float> padded(2 * 8, -1.0f);
    ASSERT_EQ(p->readData3D(0, 3, 0, 1, 1, 2, padded.data(), 1, 1, 2, dtSingle, 0, 4, 8), 0);
    EXPECT_EQ(padded[0], 30.0f);
    EXPECT_EQ(padded[8], 130.0f);
    EXPECT_EQ(padded[1], -1.0f);
}

TEST(Window3DRead, Checks) {
    TempDir dir;
    auto p = with_file(dir, dtByte, 2, std::vector<unsigned char>(8), gt3DCoord, 2, 2);
    unsigned char out[8];
    EXPECT_EQ(p->readData3D(0, 0, 0, 2, 2, 2, out, 2, 2, 2, dtByte, 0, 0, 0), 0);
    EXPECT_EQ(p->readData3D(0, 0, 1, 2, 2, 2, out, 2, 2, 2, dtByte, 0, 0, 0), 4);
    EXPECT_EQ(p->readData3D(0, 0, -1, 1, 1, 1, out, 1, 1, 1, dtByte, 0, 0, 0), 4);
    EXPECT_EQ(p->readData3D(0, 0, 0, 1, 1, 1, nullptr, 1, 1, 1, dtByte, 0, 0, 0), 4);
    EXPECT_EQ(p->readData3D(0, 0, 0, 1, 1, 1, out, 1, 1, 0, dtByte, 0, 0, 0), 0);
    EXPECT_EQ(p->readData3D(0, 0, 0, 1, 1, 1, out, 1, 1, 1, dtByte, 0, 0, -4), 4);
    p->setGridType(gt2D);
    EXPECT_EQ(p->readData3D(0, 0, 0, 1, 1, 1, out, 1, 1, 1, dtByte, 0, 0, 0), 5);
}
