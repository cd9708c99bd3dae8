// The value conversions between the five types, row by row of the read and write tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "vor4/property/value_conversion.h"

namespace conv = ek::vor::conv;

namespace {

constexpr float fnan = std::numeric_limits<float>::quiet_NaN();
constexpr double dnan = std::numeric_limits<double>::quiet_NaN();
constexpr float finf = std::numeric_limits<float>::infinity();
constexpr double dinf = std::numeric_limits<double>::infinity();
constexpr int32_t inull = 2147483647;
constexpr int32_t imin = std::numeric_limits<int32_t>::min();

template <class D, class S>
std::vector<D> read_as(const std::vector<S>& src, unsigned char srcType, unsigned char dstType) {
    std::vector<D> out(src.size());
    EXPECT_TRUE(conv::convert_read(src.data(), srcType, int64_t(src.size()), out.data(), dstType, 1));
    return out;
}

template <class D, class S>
std::vector<D> write_as(const std::vector<S>& src, unsigned char srcType, unsigned char storedType) {
    std::vector<D> out(src.size());
    EXPECT_TRUE(conv::convert_write(src.data(), srcType, 1, int64_t(src.size()), out.data(), storedType));
    return out;
}

template <class D, class S>
std::vector<D> resample_as(const std::vector<S>& src, unsigned char srcType, int64_t dstCount, unsigned char dstType) {
    std::vector<D> out(static_cast<size_t>(dstCount));
    const int64_t count = int64_t(src.size());
    EXPECT_TRUE(conv::convert_read_space(src.data(), srcType, 0, count, double(count) / double(dstCount), 0, dstCount,
                                         out.data(), dstType, 1));
    return out;
}

}  // namespace

TEST(ConversionHelpers, TruncationTowardZeroWithOutOfRangeAsMinimum) {
    EXPECT_EQ(conv::trunc_i32(2.9), 2);
    EXPECT_EQ(conv::trunc_i32(-2.9), -2);
    EXPECT_EQ(conv::trunc_i32(2147483647.9), 2147483647);
    EXPECT_EQ(conv::trunc_i32(-2147483648.9), imin);
    EXPECT_EQ(conv::trunc_i32(2147483648.0), imin);
    EXPECT_EQ(conv::trunc_i32(-2147483649.0), imin);
    EXPECT_EQ(conv::trunc_i32(dnan), imin);
    EXPECT_EQ(conv::trunc_i32(dinf), imin);
    EXPECT_EQ(conv::trunc_i32(-dinf), imin);
}

TEST(ConversionHelpers, RoundHalfUpLowByteNonZero) {
    EXPECT_EQ(conv::round_half_up_i32(2.5), 3);
    EXPECT_EQ(conv::round_half_up_i32(-2.7), -2);
    EXPECT_EQ(conv::round_half_up_i32(-0.4), 0);
    EXPECT_EQ(conv::round_half_up_i32(-1.5), -1);
    EXPECT_EQ(conv::low_byte(0x1234), 0x34);
    EXPECT_EQ(conv::low_byte(-1), 0xFF);
    EXPECT_EQ(conv::low_byte(imin), 0);
    EXPECT_EQ(conv::nonzero(-0.0), 0);
    EXPECT_EQ(conv::nonzero(0.0), 0);
    EXPECT_EQ(conv::nonzero(1e-300), 1);
    EXPECT_EQ(conv::nonzero(dnan), 1);
}

// --- Reads without resampling -------------------------------------------------------------------

TEST(ReadConversion, FromSingle) {
    const std::vector<float> src = {fnan, 300.7f, -1.5f, 1e10f, -0.0f, 0.25f};
    const auto s = read_as<float>(src, conv::k_single, conv::k_single);
    EXPECT_TRUE(std::isnan(s[0]));
    EXPECT_EQ(s[1], 300.7f);
    EXPECT_TRUE(std::signbit(s[4]));

    EXPECT_EQ(read_as<unsigned char>(src, conv::k_single, conv::k_byte),
              (std::vector<unsigned char>{255, 300 & 0xFF, 255, 0, 0, 0}));
    EXPECT_EQ(read_as<int32_t>(src, conv::k_single, conv::k_integer),
              (std::vector<int32_t>{inull, 300, -1, imin, 0, 0}));
    // A missing single reads as an unset mask bit.
    EXPECT_EQ(read_as<unsigned char>(src, conv::k_single, conv::k_bitmask),
              (std::vector<unsigned char>{0, 1, 1, 1, 0, 1}));
    const auto d = read_as<double>(src, conv::k_single, conv::k_double);
    EXPECT_TRUE(std::isnan(d[0]));
    EXPECT_EQ(d[1], double(300.7f));
    EXPECT_EQ(d[2], -1.5);
}

TEST(ReadConversion, FromByteAndBitmask) {
    const std::vector<unsigned char> src = {0, 7, 255};
    for (unsigned char t : {conv::k_byte, conv::k_bitmask}) {
        SCOPED_TRACE(int(t));
        // 255 is a value, never missing.
        EXPECT_EQ(read_as<float>(src, t, conv::k_single), (std::vector<float>{0.0f, 7.0f, 255.0f}));
        EXPECT_EQ(read_as<unsigned char>(src, t, conv::k_byte), src);
        EXPECT_EQ(read_as<int32_t>(src, t, conv::k_integer), (std::vector<int32_t>{0, 7, 255}));
        // Copied, not reduced to 0/1.
        EXPECT_EQ(read_as<unsigned char>(src, t, conv::k_bitmask), src);
        EXPECT_EQ(read_as<double>(src, t, conv::k_double), (std::vector<double>{0.0, 7.0, 255.0}));
    }
}

TEST(ReadConversion, FromInteger) {
    const std::vector<int32_t> src = {7, inull, 0, -3, 16777217, 0x1234};
    const auto s = read_as<float>(src, conv::k_integer, conv::k_single);
    EXPECT_EQ(s[0], 7.0f);
    EXPECT_TRUE(std::isnan(s[1]));
    EXPECT_EQ(s[2], 0.0f);
    EXPECT_EQ(s[3], -3.0f);
    EXPECT_EQ(s[4], 16777216.0f);  // nearest float
    EXPECT_EQ(read_as<unsigned char>(src, conv::k_integer, conv::k_byte),
              (std::vector<unsigned char>{7, 255, 0, 253, 1, 0x34}));
    EXPECT_EQ(read_as<int32_t>(src, conv::k_integer, conv::k_integer), src);
    EXPECT_EQ(read_as<unsigned char>(src, conv::k_integer, conv::k_bitmask),
              (std::vector<unsigned char>{1, 1, 0, 1, 1, 1}));
    const auto d = read_as<double>(src, conv::k_integer, conv::k_double);
    EXPECT_EQ(d[0], 7.0);
    EXPECT_TRUE(std::isnan(d[1]));
    EXPECT_EQ(d[4], 16777217.0);
}

TEST(ReadConversion, FromDouble) {
    const std::vector<double> src = {dnan, 1e300, 0.1, 256.9, -2.5, 2147483647.5, -0.0};
    const auto s = read_as<float>(src, conv::k_double, conv::k_single);
    EXPECT_TRUE(std::isnan(s[0]));
    EXPECT_TRUE(std::isinf(s[1]));
    EXPECT_EQ(s[2], 0.1f);
    EXPECT_EQ(read_as<unsigned char>(src, conv::k_double, conv::k_byte),
              (std::vector<unsigned char>{255, 0, 0, 0, 254, 255, 0}));
    EXPECT_EQ(read_as<int32_t>(src, conv::k_double, conv::k_integer),
              (std::vector<int32_t>{inull, imin, 0, 256, -2, 2147483647, 0}));
    // A missing double reads as a set mask bit.
    EXPECT_EQ(read_as<unsigned char>(src, conv::k_double, conv::k_bitmask),
              (std::vector<unsigned char>{1, 1, 1, 1, 1, 1, 0}));
    const auto d = read_as<double>(src, conv::k_double, conv::k_double);
    EXPECT_TRUE(std::isnan(d[0]));
    EXPECT_EQ(d[3], 256.9);
}

TEST(ReadConversion, StrideSpacesTheOutputAndLeavesTheGaps) {
    const std::vector<int32_t> src = {1, 2, 3};
    std::vector<double> out(9, -9.0);
    ASSERT_TRUE(conv::convert_read(src.data(), conv::k_integer, 3, out.data(), conv::k_double, 3));
    EXPECT_EQ(out, (std::vector<double>{1, -9, -9, 2, -9, -9, 3, -9, -9}));
}

TEST(ReadConversion, UnknownTypesLeaveTheOutputUntouched) {
    const std::vector<float> src = {1.0f, 2.0f};
    std::vector<unsigned char> out(16, 0xAB);
    EXPECT_FALSE(conv::convert_read(src.data(), conv::k_single, 2, out.data(), 5, 1));
    EXPECT_FALSE(conv::convert_read(src.data(), 9, 2, out.data(), conv::k_byte, 1));
    EXPECT_FALSE(conv::convert_read_space(src.data(), conv::k_single, 0, 2, 2.0, 0, 1, out.data(), 200, 1));
    for (unsigned char b : out) EXPECT_EQ(b, 0xAB);
}

// --- Reads with resampling --------------------------------------------------------------------

TEST(ResampledRead, NearestIndexWithHalfAdded) {
    std::vector<int32_t> src(10);
    for (int i = 0; i < 10; ++i) src[size_t(i)] = 100 + i;
    // trunc(k * 2.5 + 0.5): 0, 3, 5, 8
    EXPECT_EQ(resample_as<int32_t>(src, conv::k_integer, 4, conv::k_integer),
              (std::vector<int32_t>{100, 103, 105, 108}));
    EXPECT_EQ(conv::resample_index(1, 2.5, 10), 3);
}

TEST(ResampledRead, EnlargingTakesTheNearestValidValueAtTheEnd) {
    const std::vector<float> src = {1.0f, 2.0f};
    // ratio 0.4: 0.5, 0.9, 1.3, 1.7, 2.1 -> 0, 0, 1, 1, and 2 clamped to the last value 1
    EXPECT_EQ(resample_as<float>(src, conv::k_single, 5, conv::k_single),
              (std::vector<float>{1.0f, 1.0f, 2.0f, 2.0f, 2.0f}));
    EXPECT_EQ(conv::resample_index(4, 0.4, 2), 1);
    const std::vector<unsigned char> one = {9};
    EXPECT_EQ(resample_as<unsigned char>(one, conv::k_byte, 3, conv::k_byte), (std::vector<unsigned char>{9, 9, 9}));
}

TEST(ResampledRead, RequestedBitmaskBehavesLikeByte) {
    const std::vector<int32_t> ints = {7, inull, 0, -3};
    // dstCount 2 takes sources 0 and trunc(2.5) = 2.
    EXPECT_EQ(resample_as<unsigned char>(ints, conv::k_integer, 2, conv::k_bitmask),
              (std::vector<unsigned char>{7, 0}));
    // A missing value gives 255, a value its low byte, unlike the plain read's 0/1.
    const std::vector<float> singles = {fnan, 300.0f};
    EXPECT_EQ(resample_as<unsigned char>(singles, conv::k_single, 1, conv::k_bitmask),
              (std::vector<unsigned char>{255}));
    const std::vector<double> doubles = {300.0, dnan, 5.0};
    EXPECT_EQ(resample_as<unsigned char>(doubles, conv::k_double, 6, conv::k_bitmask),
              (std::vector<unsigned char>{44, 255, 255, 5, 5, 5}));
    const std::vector<unsigned char> bytes = {0, 9};
    EXPECT_EQ(resample_as<unsigned char>(bytes, conv::k_bitmask, 1, conv::k_bitmask),
              (std::vector<unsigned char>{0}));
}

TEST(ResampledRead, PieceOfTheSourceWithStride) {
    // The piece holds source values 4..7 of a run of 8, resampled to 4 outputs (ratio 2):
    // outputs 2 and 3 take sources trunc(4.5) = 4 and trunc(6.5) = 6.
    const std::vector<double> piece = {40.0, 50.0, 60.0, 70.0};
    std::vector<float> out(8, -1.0f);
    ASSERT_TRUE(conv::convert_read_space(piece.data(), conv::k_double, 4, 8, 2.0, 2, 4, out.data(), conv::k_single, 2));
    EXPECT_EQ(out, (std::vector<float>{-1, -1, -1, -1, 40, -1, 60, -1}));
}

// --- Converting writes -------------------------------------------------------------------------

TEST(WriteConversion, FromSingle) {
    const std::vector<float> src = {finf, fnan, 300.5f, -1.0f, 2.5f, -2.7f, -finf};
    const auto s = write_as<float>(src, conv::k_single, conv::k_single);
    EXPECT_TRUE(std::isnan(s[0]));  // an infinity is not a value
    EXPECT_TRUE(std::isnan(s[1]));
    EXPECT_EQ(s[2], 300.5f);
    EXPECT_EQ(write_as<unsigned char>(src, conv::k_single, conv::k_byte),
              (std::vector<unsigned char>{0, 0, 44, 255, 2, 254, 0}));
    EXPECT_EQ(write_as<int32_t>(src, conv::k_single, conv::k_integer),
              (std::vector<int32_t>{inull, inull, 300, -1, 2, -2, inull}));
    const auto d = write_as<double>(src, conv::k_single, conv::k_double);
    EXPECT_TRUE(std::isnan(d[0]));
    EXPECT_TRUE(std::isnan(d[6]));
    EXPECT_EQ(d[4], 2.5);
}

TEST(WriteConversion, FromByteAndBitmask) {
    const std::vector<unsigned char> src = {0, 7, 255};
    for (unsigned char t : {conv::k_byte, conv::k_bitmask}) {
        SCOPED_TRACE(int(t));
        EXPECT_EQ(write_as<float>(src, t, conv::k_single), (std::vector<float>{0.0f, 7.0f, 255.0f}));
        EXPECT_EQ(write_as<unsigned char>(src, t, conv::k_byte), src);
        EXPECT_EQ(write_as<int32_t>(src, t, conv::k_integer), (std::vector<int32_t>{0, 7, 255}));
        EXPECT_EQ(write_as<double>(src, t, conv::k_double), (std::vector<double>{0.0, 7.0, 255.0}));
    }
}

TEST(WriteConversion, FromInteger) {
    const std::vector<int32_t> src = {inull, 16777217, 0x1234, -1};
    const auto s = write_as<float>(src, conv::k_integer, conv::k_single);
    EXPECT_TRUE(std::isnan(s[0]));
    EXPECT_EQ(s[1], 16777216.0f);
    // A missing integer becomes byte 0, not 255.
    EXPECT_EQ(write_as<unsigned char>(src, conv::k_integer, conv::k_byte),
              (std::vector<unsigned char>{0, 1, 0x34, 255}));
    EXPECT_EQ(write_as<int32_t>(src, conv::k_integer, conv::k_integer), src);
    const auto d = write_as<double>(src, conv::k_integer, conv::k_double);
    EXPECT_TRUE(std::isnan(d[0]));
    EXPECT_EQ(d[1], 16777217.0);
}

TEST(WriteConversion, FromDouble) {
    const std::vector<double> src = {1e300, dinf, dnan, 2.5, -2.7, 0.1};
    const auto s = write_as<float>(src, conv::k_double, conv::k_single);
    EXPECT_TRUE(std::isinf(s[0]) && s[0] > 0);  // finite beyond the single range
    EXPECT_TRUE(std::isnan(s[1]));
    EXPECT_TRUE(std::isnan(s[2]));
    EXPECT_EQ(s[5], 0.1f);
    EXPECT_EQ(write_as<unsigned char>(src, conv::k_double, conv::k_byte),
              (std::vector<unsigned char>{0, 0, 0, 2, 254, 0}));
    EXPECT_EQ(write_as<int32_t>(src, conv::k_double, conv::k_integer),
              (std::vector<int32_t>{imin, inull, inull, 2, -2, 0}));
    const auto d = write_as<double>(src, conv::k_double, conv::k_double);
    EXPECT_EQ(d[0], 1e300);
    EXPECT_TRUE(std::isnan(d[1]));
}

TEST(WriteConversion, StoredBitmaskUsesTheByteWriters) {
    const std::vector<int32_t> ints = {inull, 5, 256};
    EXPECT_EQ(write_as<unsigned char>(ints, conv::k_integer, conv::k_bitmask), (std::vector<unsigned char>{0, 5, 0}));
    const std::vector<float> singles = {fnan, 1.7f};
    EXPECT_EQ(write_as<unsigned char>(singles, conv::k_single, conv::k_bitmask), (std::vector<unsigned char>{0, 1}));
}

TEST(WriteConversion, SourceStrideAndUnknownTypes) {
    const std::vector<double> src = {1.0, -5.0, 2.0, -5.0, 3.0};
    std::vector<int32_t> out(3, 0);
    ASSERT_TRUE(conv::convert_write(src.data(), conv::k_double, 2, 3, out.data(), conv::k_integer));
    EXPECT_EQ(out, (std::vector<int32_t>{1, 2, 3}));

    std::vector<unsigned char> untouched(8, 0xCD);
    EXPECT_FALSE(conv::convert_write(src.data(), 5, 1, 1, untouched.data(), conv::k_single));
    EXPECT_FALSE(conv::convert_write(src.data(), conv::k_double, 1, 1, untouched.data(), 7));
    for (unsigned char b : untouched) EXPECT_EQ(b, 0xCD);
}
