// Single values through the value window: placement, the getter and setter tables, write-back
// and coherence with run writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "property_test_support.h"

using namespace ek::test;

namespace {

constexpr int inull = 2147483647;
constexpr float fnan = std::numeric_limits<float>::quiet_NaN();
constexpr double dnan = std::numeric_limits<double>::quiet_NaN();

template <class T>
std::unique_ptr<TekVor4PropertyImpl> holding(const TempDir& dir, unsigned char type, const std::vector<T>& values,
                                             bool readOnly = false) {
    auto p = make_property(dir, "v", type, gt1D, static_cast<long long>(values.size()), 1, 1, readOnly);
    put_bytes(p->getFileNameW(), as_bytes(values));
    return p;
}

std::vector<int> ramp(int n, int base) {
    std::vector<int> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), base);
    return v;
}

// Reads index through the window; -1 when the getter fails.
int value_at(TekVor4PropertyImpl& p, long long index) {
    int v = 0;
    return p.getValueInt(index, v) ? v : -1;
}

}  // namespace

// The window's place shows after the file changes behind a closed property: indices inside the
// window still give the old values, the first one outside gives a new one.
TEST(ValueWindow, SmallPropertyIsOneWindow) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(100, 0));
    EXPECT_EQ(value_at(*p, 57), 57);
    p->close();
    put_bytes(p->getFileNameW(), as_bytes(ramp(100, 1000)));
    EXPECT_EQ(value_at(*p, 0), 0);
    EXPECT_EQ(value_at(*p, 99), 99);
}

TEST(ValueWindow, PlacementAtTheEndTheStartAndTheMiddle) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(20000, 0));
    EXPECT_EQ(value_at(*p, 19999), 19999);  // window [11808, 20000)
    p->close();
    put_bytes(p->getFileNameW(), as_bytes(ramp(20000, 100000)));
    EXPECT_EQ(value_at(*p, 11808), 11808);
    EXPECT_EQ(value_at(*p, 11807), 111807);  // outside: rebuilt around 11807, [7711, 15903)
    p->close();
    put_bytes(p->getFileNameW(), as_bytes(ramp(20000, 200000)));
    EXPECT_EQ(value_at(*p, 7711), 107711);
    EXPECT_EQ(value_at(*p, 15902), 115902);
    EXPECT_EQ(value_at(*p, 10), 200010);  // window [0, 8192)
    p->close();
    put_bytes(p->getFileNameW(), as_bytes(ramp(20000, 300000)));
    EXPECT_EQ(value_at(*p, 8191), 208191);
    EXPECT_EQ(value_at(*p, 8192), 308192);
}

TEST(ValueWindow, GettersFromSingles) {
    TempDir dir;
    auto p = holding(dir, dtSingle, std::vector<float>{fnan, 1.5f, -1.5f, 300.7f, 0.0f, 2.5f, -0.0f});
    bool b = false;
    ASSERT_TRUE(p->getValueBool(0, b));
    EXPECT_TRUE(b);  // NaN is non-zero
    ASSERT_TRUE(p->getValueBool(6, b));
    EXPECT_FALSE(b);
    unsigned char u = 9;
    EXPECT_FALSE(p->getValueByte(0, u));
    EXPECT_EQ(u, 9);
    ASSERT_TRUE(p->getValueByte(3, u));
    EXPECT_EQ(u, 44);
    ASSERT_TRUE(p->getValueByte(2, u));
    EXPECT_EQ(u, 255);  // low byte of trunc(-1.5) = -1
    int i = 0;
    EXPECT_FALSE(p->getValueInt(0, i));
    ASSERT_TRUE(p->getValueInt(1, i));
    EXPECT_EQ(i, 2);
    ASSERT_TRUE(p->getValueInt(2, i));
    EXPECT_EQ(i, -1);
    ASSERT_TRUE(p->getValueInt(5, i));
    EXPECT_EQ(i, 3);
    float f = 0;
    EXPECT_FALSE(p->getValueSingle(0, f));
    ASSERT_TRUE(p->getValueSingle(3, f));
    EXPECT_EQ(f, 300.7f);
    double d = 0;
    EXPECT_FALSE(p->getValueDouble(0, d));
    ASSERT_TRUE(p->getValueDouble(3, d));
    EXPECT_EQ(d, double(300.7f));
}

TEST(ValueWindow, GettersFromBytesAndMasks) {
    TempDir dir;
    auto p = holding(dir, dtByte, std::vector<unsigned char>{0, 255, 7});
    bool b = true;
    ASSERT_TRUE(p->getValueBool(0, b));
    EXPECT_FALSE(b);
    unsigned char u = 0;
    ASSERT_TRUE(p->getValueByte(1, u));
    EXPECT_EQ(u, 255);
    int i = 0;
    ASSERT_TRUE(p->getValueInt(1, i));
    EXPECT_EQ(i, 255);
    float f = 0;
    ASSERT_TRUE(p->getValueSingle(1, f));  // never missing
    EXPECT_EQ(f, 255.0f);
    double d = 0;
    ASSERT_TRUE(p->getValueDouble(2, d));
    EXPECT_EQ(d, 7.0);

    TempDir dir2;
    auto m = make_property(dir2, "m", dtBitmask, gt1D, 12);
    put_bytes(m->getFileNameW(), {0x04, 0x08});
    ASSERT_TRUE(m->getValueByte(2, u));
    EXPECT_EQ(u, 1);
    ASSERT_TRUE(m->getValueByte(3, u));
    EXPECT_EQ(u, 0);
    ASSERT_TRUE(m->getValueInt(11, i));
    EXPECT_EQ(i, 1);
    ASSERT_TRUE(m->getValueBool(11, b));
    EXPECT_TRUE(b);
    ASSERT_TRUE(m->getValueSingle(10, f));
    EXPECT_EQ(f, 0.0f);
    ASSERT_TRUE(m->getValueDouble(2, d));
    EXPECT_EQ(d, 1.0);
}

TEST(ValueWindow, GettersFromIntegersAndDoubles) {
    TempDir dir;
    auto p = holding(dir, dtInteger, std::vector<int>{inull, -3, 0x1FF, 16777217});
    bool b = false;
    ASSERT_TRUE(p->getValueBool(0, b));
    EXPECT_TRUE(b);  // the missing value counts as set
    unsigned char u = 0;
    EXPECT_FALSE(p->getValueByte(0, u));
    ASSERT_TRUE(p->getValueByte(2, u));
    EXPECT_EQ(u, 0xFF);
    int i = 0;
    EXPECT_FALSE(p->getValueInt(0, i));
    ASSERT_TRUE(p->getValueInt(1, i));
    EXPECT_EQ(i, -3);
    float f = 0;
    EXPECT_FALSE(p->getValueSingle(0, f));
    ASSERT_TRUE(p->getValueSingle(3, f));
    EXPECT_EQ(f, 16777216.0f);
    double d = 0;
    EXPECT_FALSE(p->getValueDouble(0, d));
    ASSERT_TRUE(p->getValueDouble(3, d));
    EXPECT_EQ(d, 16777217.0);

    TempDir dir2;
    auto q = holding(dir2, dtDouble, std::vector<double>{dnan, 2.5, -2.7, 1e300, -0.4});
    ASSERT_TRUE(q->getValueBool(0, b));
    EXPECT_TRUE(b);
    EXPECT_FALSE(q->getValueByte(0, u));
    ASSERT_TRUE(q->getValueByte(2, u));
    EXPECT_EQ(u, 254);
    EXPECT_FALSE(q->getValueInt(0, i));
    ASSERT_TRUE(q->getValueInt(1, i));
    EXPECT_EQ(i, 3);
    ASSERT_TRUE(q->getValueInt(2, i));
    EXPECT_EQ(i, -2);
    ASSERT_TRUE(q->getValueInt(4, i));
    EXPECT_EQ(i, 0);
    ASSERT_TRUE(q->getValueInt(3, i));
    EXPECT_EQ(i, std::numeric_limits<int>::min());
    EXPECT_FALSE(q->getValueSingle(0, f));
    ASSERT_TRUE(q->getValueSingle(3, f));
    EXPECT_TRUE(std::isinf(f));
    EXPECT_FALSE(q->getValueDouble(0, d));
    ASSERT_TRUE(q->getValueDouble(2, d));
    EXPECT_EQ(d, -2.7);
}

TEST(ValueWindow, SettersIntoSingles) {
    TempDir dir;
    auto p = holding(dir, dtSingle, std::vector<float>(8, 5.0f));
    p->setValueBool(0, true);
    p->setValueByte(1, 7);
    p->setValueInt(2, inull);
    p->setValueInt(3, 16777217);
    p->setValueSingle(4, std::numeric_limits<float>::infinity());
    p->setValueDouble(5, 0.1);
    p->setValueNull(6);
    p->setValueDouble(7, dnan);
    ASSERT_TRUE(p->flushBuffer());
    const auto s = from_bytes<float>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(s[0], 1.0f);
    EXPECT_EQ(s[1], 7.0f);
    EXPECT_TRUE(std::isnan(s[2]));
    EXPECT_EQ(s[3], 16777216.0f);
    EXPECT_TRUE(std::isinf(s[4]));
    EXPECT_EQ(s[5], 0.1f);
    EXPECT_TRUE(std::isnan(s[6]));
    EXPECT_TRUE(std::isnan(s[7]));
}

TEST(ValueWindow, SettersIntoBytes) {
    TempDir dir;
    auto p = holding(dir, dtByte, std::vector<unsigned char>(8, 9));
    p->setValueBool(0, true);
    p->setValueByte(1, 200);
    p->setValueInt(2, 0x1FF);
    p->setValueSingle(3, fnan);
    p->setValueSingle(4, 258.9f);
    p->setValueDouble(5, -1.0);
    p->setValueNull(6);
    p->setValueInt(7, inull);
    ASSERT_TRUE(p->flushBuffer());
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{1, 200, 255, 0, 2, 255, 0, 255}));
    unsigned char u = 9;
    ASSERT_TRUE(p->getValueByte(6, u));  // a nulled byte is a plain 0
    EXPECT_EQ(u, 0);
}

TEST(ValueWindow, SettersIntoIntegers) {
    TempDir dir;
    auto p = holding(dir, dtInteger, std::vector<int>(8, 5));
    p->setValueBool(0, true);
    p->setValueByte(1, 200);
    p->setValueInt(2, -77);
    p->setValueSingle(3, fnan);
    p->setValueSingle(4, 1.5f);
    p->setValueDouble(5, 2.5);
    p->setValueDouble(6, -2.7);
    p->setValueNull(7);
    ASSERT_TRUE(p->flushBuffer());
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW())), (std::vector<int>{1, 200, -77, inull, 2, 3, -2, inull}));
}

TEST(ValueWindow, SettersIntoMasks) {
    TempDir dir;
    auto p = make_property(dir, "m", dtBitmask, gt1D, 12);
    put_bytes(p->getFileNameW(), {0xFF, 0x00});
    p->setValueBool(0, false);
    p->setValueByte(1, 0);
    p->setValueByte(8, 7);
    p->setValueInt(9, -5);
    p->setValueSingle(10, fnan);
    p->setValueDouble(2, 0.0);
    p->setValueDouble(11, -0.25);
    p->setValueNull(3);
    ASSERT_TRUE(p->flushBuffer());
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0xF0, 0x0F}));
}

TEST(ValueWindow, SettersIntoDoubles) {
    TempDir dir;
    auto p = holding(dir, dtDouble, std::vector<double>(6, 5.0));
    p->setValueBool(0, false);
    p->setValueByte(1, 255);
    p->setValueInt(2, inull);
    p->setValueSingle(3, 0.1f);
    p->setValueDouble(4, -2.7);
    p->setValueNull(5);
    ASSERT_TRUE(p->flushBuffer());
    const auto d = from_bytes<double>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(d[0], 0.0);
    EXPECT_EQ(d[1], 255.0);
    EXPECT_TRUE(std::isnan(d[2]));
    EXPECT_EQ(d[3], double(0.1f));
    EXPECT_EQ(d[4], -2.7);
    EXPECT_TRUE(std::isnan(d[5]));
}

TEST(ValueWindow, RunReadsSeeTheSetters) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(10, 0));
    p->setValueInt(4, 444);
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW()))[4], 4);  // not yet in the file
    int out[10];
    ASSERT_EQ(p->readRawData(0, 10, out, 10, dtInteger, 0), 0);
    EXPECT_EQ(out[4], 444);
    long long idx[1];
    p->setValueInt(5, 555);
    ASSERT_EQ(p->readRawData_index(0, 1, idx, 0, 1, 1), 0);  // index reads write back too
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW()))[5], 555);
    EXPECT_TRUE(p->flushBuffer());  // nothing left to write
}

TEST(ValueWindow, RunWritesOverTheWindowWin) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(10, 0));
    EXPECT_EQ(value_at(*p, 3), 3);
    const int five = 50;
    ASSERT_EQ(p->write_data(3, &five, 1, dtInteger, 0), 0);
    EXPECT_EQ(value_at(*p, 3), 50);  // a clean window does not serve the old value

    p->setValueInt(3, 77);  // dirty window
    p->setValueInt(6, 66);
    const int nine = 99;
    ASSERT_EQ(p->write_data(3, &nine, 1, dtInteger, 0), 0);
    EXPECT_EQ(value_at(*p, 3), 99);
    EXPECT_EQ(value_at(*p, 6), 66);  // the window's own changes went out first
    p->close();
    const auto v = from_bytes<int>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(v[3], 99);  // never overwritten by a stale window
    EXPECT_EQ(v[6], 66);

    p->setValueInt(1, 11);
    const float s[2] = {1.0f, 2.0f};
    ASSERT_EQ(p->write_data(0, s, 2, dtSingle, 0), 0);  // converting write over the window
    p->close();
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW()))[1], 2);
}

TEST(ValueWindow, DirectWritersKeepTheWindowInStepAndItsChanges) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(10, 0));
    p->setValueInt(2, 33);  // builds the window [0, 10)
    int out = 0;
    ASSERT_EQ(p->readRawData(5, 1, &out, 1, dtInteger, 0), 0);  // the file now stands after object 5
    p->setValueInt(3, 44);                                       // dirty again, no file access
    const int six = 606;
    ASSERT_EQ(p->write_same(&six, 1), 0);
    EXPECT_EQ(value_at(*p, 6), 606);
    const double seven[1] = {7.9};
    ASSERT_EQ(p->write_any(seven, 1, dtDouble, 0), 0);
    EXPECT_EQ(value_at(*p, 7), 7);
    p->close();
    const auto v = from_bytes<int>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(v[2], 33);
    EXPECT_EQ(v[3], 44);  // the window's own change survived
    EXPECT_EQ(v[6], 606);
    EXPECT_EQ(v[7], 7);

    TempDir dir2;
    auto m = make_property(dir2, "m", dtBitmask, gt1D, 16);
    put_bytes(m->getFileNameW(), {0x00, 0x00});
    m->setValueBool(0, true);  // dirty
    const unsigned char bits[8] = {0, 1, 0, 0, 0, 0, 0, 1};
    ASSERT_EQ(m->write_bit(1, bits, 8), 0);
    bool b = false;
    ASSERT_TRUE(m->getValueBool(9, b));
    EXPECT_TRUE(b);
    ASSERT_TRUE(m->getValueBool(8, b));
    EXPECT_FALSE(b);
    m->close();
    EXPECT_EQ(file_bytes(m->getFileNameW()), (std::vector<unsigned char>{0x01, 0x82}));
}

TEST(ValueWindow, WritesElsewhereKeepTheWindow) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(20000, 0));
    p->setValueInt(10, 1010);  // window [0, 8192)
    const int far = 7;
    ASSERT_EQ(p->write_data(15000, &far, 1, dtInteger, 0), 0);
    const auto v = from_bytes<int>(file_bytes(p->getFileNameW()));
    EXPECT_EQ(v[10], 1010);
    EXPECT_EQ(v[15000], 7);
    EXPECT_EQ(value_at(*p, 10), 1010);
    // The window stays: a change behind a closed property is not seen inside it.
    p->close();
    put_bytes(p->getFileNameW(), as_bytes(ramp(20000, 100000)));
    EXPECT_EQ(value_at(*p, 8191), 8191);
}

TEST(ValueWindow, MaskWindowWriteBack) {
    TempDir dir;
    auto p = make_property(dir, "m", dtBitmask, gt1D, 13);
    put_bytes(p->getFileNameW(), {0xAA, 0x15});
    p->setValueBool(12, false);
    p->setValueBool(0, true);
    p->close();
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0xAB, 0x05}));
}

TEST(ValueWindow, IndicesOutsideThePropertyAreRefused) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(10, 0));
    int i = 123;
    EXPECT_FALSE(p->getValueInt(-1, i));
    EXPECT_FALSE(p->getValueInt(10, i));
    EXPECT_FALSE(p->getValueInt(std::numeric_limits<long long>::min(), i));
    EXPECT_EQ(i, 123);
    bool b = true;
    EXPECT_FALSE(p->getValueBool(10, b));
    EXPECT_FALSE(b);
    p->setValueInt(-1, 5);
    p->setValueInt(10, 5);
    p->setValueNull(std::numeric_limits<long long>::max());
    p->setValueDouble(11, 5.0);
    EXPECT_TRUE(p->flushBuffer());
    p->close();
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW())), ramp(10, 0));

    TempDir dir2;
    auto empty = make_property(dir2, "e", dtInteger, gt1D, 0);
    ASSERT_TRUE(empty->init(true));
    EXPECT_FALSE(empty->getValueInt(0, i));
    EXPECT_FALSE(empty->buildBuffer(0));
}

TEST(ValueWindow, ChangedTypeOrCountGetsANewWindow) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(4, 0));
    EXPECT_EQ(value_at(*p, 3), 3);
    p->setValueInt(1, 42);
    p->setDataType(dtDouble);  // the dirty window goes out in the old layout first
    p->close();
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW()))[1], 42);

    put_bytes(p->getFileNameW(), as_bytes(std::vector<double>{0.5, 1.5, 2.5, 3.5}));
    double d = 0;
    ASSERT_TRUE(p->getValueDouble(3, d));
    EXPECT_EQ(d, 3.5);
    // More objects: the longer window reaches them.
    p->close();
    put_bytes(p->getFileNameW(), as_bytes(std::vector<double>{0.5, 1.5, 2.5, 3.5, 4.5, 5.5}));
    p->setSize(6, 1, 1);
    ASSERT_TRUE(p->getValueDouble(5, d));
    EXPECT_EQ(d, 5.5);
    p->setSize(2, 1, 1);
    EXPECT_FALSE(p->getValueDouble(5, d));
    ASSERT_TRUE(p->getValueDouble(1, d));
    EXPECT_EQ(d, 1.5);
}

TEST(ValueWindow, ReadOnlySettersStayInTheWindow) {
    TempDir dir;
    {
        auto p = holding(dir, dtInteger, ramp(5, 0), true);
        p->setValueInt(2, 222);
        EXPECT_EQ(value_at(*p, 2), 222);
        EXPECT_TRUE(p->flushBuffer());
        int out[5];
        ASSERT_EQ(p->readRawData(0, 5, out, 5, dtInteger, 0), 0);
        EXPECT_EQ(out[2], 2);  // the file never sees the change
        EXPECT_EQ(value_at(*p, 2), 222);
        p->close();
    }
    TekVor4PropertyImpl again(dir.file("v.property"), false);
    again.setDataType(dtInteger);
    again.setSize(5, 1, 1);
    EXPECT_EQ(value_at(again, 2), 2);
}

TEST(ValueWindow, MissingFile) {
    TempDir dir;
    auto p = make_property(dir, "none", dtSingle, gt1D, 5);
    float f = 3.0f;
    EXPECT_FALSE(p->getValueSingle(0, f));
    EXPECT_EQ(f, 3.0f);
    p->setValueSingle(0, 1.0f);
    EXPECT_TRUE(p->flushBuffer());
    EXPECT_FALSE(p->buildBuffer(0));
    ASSERT_TRUE(p->init(false));
    EXPECT_FALSE(p->getValueSingle(0, f));  // missing, not the refused 1.0
    EXPECT_TRUE(p->buildBuffer(4));
}

TEST(ValueWindow, UnknownStoredTypeHasNoWindow) {
    TempDir dir;
    auto p = holding(dir, dtByte, std::vector<unsigned char>{1, 2});
    p->setDataType(7);
    bool b = true;
    EXPECT_FALSE(p->getValueBool(0, b));
    int i = 0;
    EXPECT_FALSE(p->getValueInt(0, i));
    p->setValueInt(0, 9);
    EXPECT_TRUE(p->flushBuffer());
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{1, 2}));
}
