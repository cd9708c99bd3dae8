// Writes of runs, mask bits and 2D/3D windows into the data file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "property_test_support.h"

using namespace ek::test;

namespace {

constexpr int inull = 2147483647;
constexpr float fnan = std::numeric_limits<float>::quiet_NaN();

std::unique_ptr<TekVor4PropertyImpl> fresh(const TempDir& dir, unsigned char type, long long nx, long long ny = 1,
                                           long long nz = 1, unsigned char grid = gt1D) {
    auto p = make_property(dir, "w", type, grid, nx, ny, nz);
    EXPECT_TRUE(p->init(true));
    return p;
}

}  // namespace

TEST(RunWrite, SameTypeKeepsEveryBitPattern) {
    TempDir dir;
    auto p = fresh(dir, dtSingle, 4);
    uint32_t odd_nan = 0x7FC01234u;
    float patterns[4];
    std::memcpy(&patterns[0], &odd_nan, 4);
    patterns[1] = std::numeric_limits<float>::infinity();
    patterns[2] = -0.0f;
    patterns[3] = 1.25f;
    ASSERT_EQ(p->write_data(0, patterns, 4, dtSingle, 0), 0);
    const auto bytes = file_bytes(p->getFileNameW());
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(std::memcmp(bytes.data(), patterns, 16), 0);
}

TEST(RunWrite, ConvertsIntoTheStoredType) {
    TempDir dir;
    auto ints = fresh(dir, dtInteger, 4);
    const double d[4] = {2.5, -2.7, std::numeric_limits<double>::quiet_NaN(), 1e12};
    ASSERT_EQ(ints->write_data(0, d, 4, dtDouble, 0), 0);
    EXPECT_EQ(from_bytes<int>(file_bytes(ints->getFileNameW())),
              (std::vector<int>{2, -2, inull, std::numeric_limits<int>::min()}));

    TempDir dir2;
    auto bytes = fresh(dir2, dtByte, 3);
    const float f[3] = {fnan, 258.9f, -1.0f};
    ASSERT_EQ(bytes->write_data(0, f, 3, dtSingle, 0), 0);
    EXPECT_EQ(file_bytes(bytes->getFileNameW()), (std::vector<unsigned char>{0, 2, 255}));
    const int i[2] = {inull, 0x1FF};
    ASSERT_EQ(bytes->write_data(1, i, 2, dtInteger, 0), 0);
    EXPECT_EQ(file_bytes(bytes->getFileNameW()), (std::vector<unsigned char>{0, 0, 255}));

    TempDir dir3;
    auto singles = fresh(dir3, dtSingle, 3);
    const double big[3] = {1e300, -std::numeric_limits<double>::infinity(), 0.1};
    ASSERT_EQ(singles->write_data(0, big, 3, dtDouble, 0), 0);
    const auto s = from_bytes<float>(file_bytes(singles->getFileNameW()));
    EXPECT_TRUE(std::isinf(s[0]));
    EXPECT_TRUE(std::isnan(s[1]));
    EXPECT_EQ(s[2], 0.1f);
    const unsigned char m[1] = {1};
    ASSERT_EQ(singles->write_data(2, m, 1, dtBitmask, 0), 0);
    EXPECT_EQ(from_bytes<float>(file_bytes(singles->getFileNameW()))[2], 1.0f);
}

TEST(RunWrite, StridedSourcesAreGathered) {
    TempDir dir;
    auto p = fresh(dir, dtDouble, 5);
    const double src[6] = {1, -1, 2, -1, 3, -1};
    ASSERT_EQ(p->write_data(1, src, 3, dtDouble, 2), 0);
    const auto d = from_bytes<double>(file_bytes(p->getFileNameW()));
    EXPECT_TRUE(std::isnan(d[0]));
    EXPECT_EQ(d[1], 1.0);
    EXPECT_EQ(d[2], 2.0);
    EXPECT_EQ(d[3], 3.0);
    EXPECT_TRUE(std::isnan(d[4]));
    const int isrc[6] = {7, 0, 8, 0, 9, 0};
    ASSERT_EQ(p->write_data(2, isrc, 3, dtInteger, 2), 0);
    EXPECT_EQ(from_bytes<double>(file_bytes(p->getFileNameW()))[4], 9.0);
}

TEST(RunWrite, LongConvertedAndGatheredRuns) {
    TempDir dir;
    const long long n = 300007;
    auto p = fresh(dir, dtInteger, n);
    std::vector<double> src(static_cast<size_t>(2 * n));
    for (long long i = 0; i < 2 * n; ++i) src[size_t(i)] = double(i) + 0.75;
    ASSERT_EQ(p->write_data(0, src.data(), n, dtDouble, 2), 0);
    auto ints = from_bytes<int>(file_bytes(p->getFileNameW()));
    ASSERT_EQ(ints.size(), size_t(n));
    for (long long i = 0; i < n; i += 1009) EXPECT_EQ(ints[size_t(i)], int(2 * i));
    EXPECT_EQ(ints.back(), int(2 * (n - 1)));

    std::vector<int> same(static_cast<size_t>(3 * n));
    for (long long i = 0; i < 3 * n; ++i) same[size_t(i)] = int(-i);
    ASSERT_EQ(p->write_data(0, same.data(), n, dtInteger, 3), 0);
    ints = from_bytes<int>(file_bytes(p->getFileNameW()));
    for (long long i = 0; i < n; i += 1013) EXPECT_EQ(ints[size_t(i)], int(-3 * i));
    EXPECT_EQ(ints.back(), int(-3 * (n - 1)));
}

TEST(RunWrite, RangeAndTypeChecks) {
    TempDir dir;
    auto p = fresh(dir, dtSingle, 4);
    const float v[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(p->write_data(2, v, 2, dtSingle, 0), 0);  // ends exactly at the last object
    EXPECT_EQ(p->write_data(2, v, 3, dtSingle, 0), 4);
    EXPECT_EQ(p->write_data(-1, v, 1, dtSingle, 0), 4);
    EXPECT_EQ(p->write_data(0, v, -1, dtSingle, 0), 4);
    EXPECT_EQ(p->write_data(0, v, 1, dtSingle, -1), 4);
    EXPECT_EQ(p->write_data(0, nullptr, 1, dtSingle, 0), 4);
    EXPECT_EQ(p->write_data(std::numeric_limits<long long>::max(), v, 1, dtSingle, 0), 4);
    EXPECT_EQ(p->write_data(0, v, 0, dtSingle, 0), 0);
    EXPECT_EQ(p->write_data(0, nullptr, 0, dtSingle, 0), 0);
    // An unknown source type is refused before anything is written.
    EXPECT_EQ(p->write_data(0, v, 2, 5, 0), 3);
    EXPECT_EQ(p->write_data(0, v, 2, 255, 0), 3);
    const auto s = from_bytes<float>(file_bytes(p->getFileNameW()));
    EXPECT_TRUE(std::isnan(s[0]) && std::isnan(s[1]));
    EXPECT_EQ(s[2], 1.0f);
    EXPECT_EQ(s[3], 2.0f);
}

TEST(RunWrite, ReadOnlyPropertyCannotWrite) {
    TempDir dir;
    {
        auto w = fresh(dir, dtByte, 3);
    }
    auto p = make_property(dir, "w", dtByte, gt1D, 3, 1, 1, true);
    const unsigned char v[3] = {1, 2, 3};
    EXPECT_EQ(p->write_data(0, v, 3, dtByte, 0), 2);
    const float f[3] = {1, 2, 3};
    EXPECT_EQ(p->write_data(0, f, 3, dtSingle, 0), 2);
    p->setGridType(gt2D);
    EXPECT_EQ(p->write_data2d(0, 0, v, 3, 1, dtByte, 0, 0), 2);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{255, 255, 255}));
    unsigned char out[3];
    EXPECT_EQ(p->readRawData(0, 3, out, 3, dtByte, 0), 0);

    auto m = make_property(dir, "m", dtBitmask, gt1D, 9, 1, 1, false);
    ASSERT_TRUE(m->init(true));
    auto mr = make_property(dir, "m", dtBitmask, gt1D, 9, 1, 1, true);
    EXPECT_EQ(mr->write_data(3, v, 2, dtByte, 0), 2);
}

TEST(MaskWrite, OnlyTheRunsBitsChange) {
    TempDir dir;
    auto p = fresh(dir, dtBitmask, 16);
    put_bytes(p->getFileNameW(), {0xFF, 0x00});
    // Values 1, 0, 1 at object 3: bits 3 and 5 set, bit 4 cleared, the rest kept.
    const unsigned char v[3] = {1, 0, 1};
    ASSERT_EQ(p->write_data(3, v, 3, dtByte, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0xEF, 0x00}));

    put_bytes(p->getFileNameW(), {0x00, 0x00});
    ASSERT_EQ(p->write_data(3, v, 3, dtByte, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0x28, 0x00}));

    // Across the byte boundary, from every source type; NaN and non-zero set the bit.
    put_bytes(p->getFileNameW(), {0x00, 0xFF});
    const float f[4] = {fnan, 0.0f, -0.0f, 0.5f};
    ASSERT_EQ(p->write_data(6, f, 4, dtSingle, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0x40, 0xFE}));
    const double d[2] = {std::numeric_limits<double>::quiet_NaN(), 0.0};
    ASSERT_EQ(p->write_data(0, d, 2, dtDouble, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW())[0], 0x41);
    const int i[3] = {inull, 0, -5};
    ASSERT_EQ(p->write_data(13, i, 3, dtInteger, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW())[1], 0xBE);
    const unsigned char b[2] = {7, 0};
    ASSERT_EQ(p->write_data(8, b, 2, dtBitmask, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW())[1], 0xBD);
    // A whole byte with a stride.
    const unsigned char s[16] = {1, 9, 0, 9, 1, 9, 0, 9, 1, 9, 0, 9, 1, 9, 0, 9};
    ASSERT_EQ(p->write_data(8, s, 8, dtByte, 2), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0x41, 0x55}));
}

TEST(MaskWrite, BytesBeyondTheEndOfAShortFileReadAsZero) {
    TempDir dir;
    auto p = fresh(dir, dtBitmask, 24);
    put_bytes(p->getFileNameW(), {0x0F});
    const unsigned char v[2] = {1, 1};
    ASSERT_EQ(p->write_data(17, v, 2, dtByte, 0), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0x0F, 0x00, 0x06}));
}

TEST(MaskWrite, LongRunsKeepTheEdgeBits) {
    TempDir dir;
    const long long n = 2 * 1024 * 1024 + 24;
    auto p = fresh(dir, dtBitmask, n);
    std::vector<unsigned char> ones(size_t(n / 8), 0xFF);
    put_bytes(p->getFileNameW(), ones);
    const long long start = 5, count = n - 13;
    std::vector<int> src(static_cast<size_t>(count));
    for (long long k = 0; k < count; ++k) src[size_t(k)] = (k % 3 == 0) ? 1 : 0;
    ASSERT_EQ(p->write_data(start, src.data(), count, dtInteger, 0), 0);
    const auto packed = file_bytes(p->getFileNameW());
    ASSERT_EQ(packed.size(), size_t(n / 8));
    auto bit = [&](long long o) { return (packed[size_t(o / 8)] >> (o % 8)) & 1; };
    for (long long o = 0; o < start; ++o) EXPECT_EQ(bit(o), 1);
    for (long long o = start + count; o < n; ++o) EXPECT_EQ(bit(o), 1);
    for (long long k = 0; k < count; k += 7) EXPECT_EQ(bit(start + k), k % 3 == 0 ? 1 : 0) << k;
    EXPECT_EQ(bit(start + count - 1), (count - 1) % 3 == 0 ? 1 : 0);
}

TEST(MaskWrite, WriteBitPacksLeastSignificantFirst) {
    TempDir dir;
    auto p = fresh(dir, dtBitmask, 24);
    ASSERT_TRUE(p->openDataFile());
    const unsigned char bits[11] = {1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1};
    ASSERT_EQ(p->write_bit(1, bits, 11), 0);
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0x00, 0x81, 0x07}));
    EXPECT_EQ(p->write_bit(-1, bits, 1), 4);
    EXPECT_EQ(p->write_bit(0, nullptr, 1), 4);
    EXPECT_EQ(p->write_bitmask(0, bits, 2, 9, 0), 3);
    EXPECT_EQ(p->write_bitmask(0, nullptr, 2, dtByte, 0), 4);
}

TEST(RunWrite, WriteAnyAndWriteSameUseTheCurrentPosition) {
    TempDir dir;
    auto p = fresh(dir, dtSingle, 4);
    const float f[2] = {std::numeric_limits<float>::infinity(), 2.0f};
    EXPECT_EQ(p->write_any(f, 2, dtSingle, 0), 2);  // file not open yet
    ASSERT_TRUE(p->openDataFile());
    // Same type through the converting writer: an infinity becomes missing.
    ASSERT_EQ(p->write_any(f, 2, dtSingle, 0), 0);
    const int i[2] = {3, inull};
    ASSERT_EQ(p->write_any(i, 2, dtInteger, 0), 0);  // continues where the last write ended
    auto s = from_bytes<float>(file_bytes(p->getFileNameW()));
    EXPECT_TRUE(std::isnan(s[0]));
    EXPECT_EQ(s[1], 2.0f);
    EXPECT_EQ(s[2], 3.0f);
    EXPECT_TRUE(std::isnan(s[3]));
    EXPECT_EQ(p->write_any(i, 2, 6, 0), 3);
    EXPECT_EQ(p->write_any(nullptr, 2, dtInteger, 0), 4);

    ASSERT_EQ(p->readRawData(0, 1, s.data(), 1, dtSingle, 0), 0);  // leaves the file after object 0
    const float g[3] = {7.0f, 8.0f, 9.0f};
    ASSERT_EQ(p->write_same(g, 1), 0);
    ASSERT_EQ(p->write_same(g, 2, 2), 0);
    s = from_bytes<float>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(s[1], 7.0f);
    EXPECT_EQ(s[2], 7.0f);
    EXPECT_EQ(s[3], 9.0f);
    EXPECT_EQ(p->write_same(nullptr, 1), 4);
    EXPECT_EQ(p->write_same(g, -1, 2), 4);
}

TEST(Window2DWrite, RowsGoToTheirPlaces) {
    TempDir dir;
    auto p = fresh(dir, dtInteger, 4, 3, 1, gt2D);
    // 2 x 2 window at (1, 1) from a source with a row pitch of 3 doubles.
    const double src[6] = {1, 2, -9, 3, 4, -9};
    ASSERT_EQ(p->write_data2d(1, 1, src, 2, 2, dtDouble, 0, 3), 0);
    const auto v = from_bytes<int>(file_bytes(p->getFileNameW()));
    const std::vector<int> expected = {inull, inull, inull, inull, inull, 1, 2, inull, inull, 3, 4, inull};
    EXPECT_EQ(v, expected);
    const unsigned char b[4] = {5, 0, 6, 0};
    ASSERT_EQ(p->write_data2d(3, 0, b, 1, 2, dtByte, 2, 0), 0);  // stride 2, pitch = 2 * w
    const auto v2 = from_bytes<int>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(v2[3], 5);
    EXPECT_EQ(v2[7], 6);
}

TEST(Window2DWrite, Checks) {
    TempDir dir;
    auto p = fresh(dir, dtByte, 4, 3, 1, gt2D);
    const unsigned char b[12] = {};
    EXPECT_EQ(p->write_data2d(1, 0, b, 4, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->write_data2d(0, 2, b, 1, 2, dtByte, 0, 0), 4);
    EXPECT_EQ(p->write_data2d(0, 0, b, -1, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->write_data2d(0, 0, nullptr, 1, 1, dtByte, 0, 0), 4);
    EXPECT_EQ(p->write_data2d(0, 0, b, 1, 1, 8, 0, 0), 3);
    EXPECT_EQ(p->write_data2d(0, 0, b, 1, 1, dtByte, 0, -1), 4);
    EXPECT_EQ(p->write_data2d(0, 0, b, 1, 0, dtByte, 0, 0), 0);
    // Only the plain 2D grid takes window writes, although coordinate grids can be read.
    for (unsigned char g : {gt2dCoord, gtFunc1D, gtFunc2D, gt3D}) {
        p->setGridType(g);
        EXPECT_EQ(p->write_data2d(0, 0, b, 1, 1, dtByte, 0, 0), 5) << int(g);
    }
    p->setGridType(gt2dCoord);
    unsigned char out[1];
    EXPECT_EQ(p->readData2D(0, 0, 1, 1, out, 1, 1, dtByte, 0, 0), 0);
}

TEST(Window3DWrite, SlicesAndRows) {
    TempDir dir;
    auto p = fresh(dir, dtByte, 2, 2, 3, gt3D);
    // 1 x 2 x 2 window at (1, 0, 1) with a slice pitch of 4 bytes.
    const unsigned char src[8] = {1, 2, 0, 0, 3, 4, 0, 0};
    ASSERT_EQ(p->write_data3d(1, 0, 1, src, 1, 2, 2, dtByte, 0, 1, 4), 0);
    const auto v = file_bytes(p->getFileNameW());
    const std::vector<unsigned char> expected = {255, 255, 255, 255, 255, 1, 255, 2, 255, 3, 255, 4};
    EXPECT_EQ(v, expected);
    EXPECT_EQ(p->write_data3d(0, 0, 2, src, 1, 1, 2, dtByte, 0, 0, 0), 4);
    EXPECT_EQ(p->write_data3d(0, 0, 0, src, 1, 1, 1, dtByte, 0, 0, -1), 4);
    EXPECT_EQ(p->write_data3d(0, 0, 0, nullptr, 1, 1, 1, dtByte, 0, 0, 0), 4);
    EXPECT_EQ(p->write_data3d(0, 0, 0, src, 1, 1, 0, dtByte, 0, 0, 0), 0);
    p->setGridType(gt3DCoord);
    EXPECT_EQ(p->write_data3d(0, 0, 0, src, 1, 1, 1, dtByte, 0, 0, 0), 5);
}
