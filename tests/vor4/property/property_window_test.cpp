// Single values through the value window: placement, getter and setter tables, write-back, coherence with runs.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "property_test_support.h"

using namespace ek::test;

// The value at index through the window; -1 when the getter fails.
static int value_at(TekVor4PropertyImpl& p, long long index) { int v = 0; return p.getValueInt(index, v) ? v : -1; }

// The window: up to 8192 values centred on the index, within the property; it keeps old values the file lost.
TEST(ValueWindow, Placement) {
    struct Step { double rewrite; long long index; int expected; };  // rewrite: the file becomes base + index first
    const std::pair<size_t, std::vector<Step>> rows[] = {
        {100, {{0, 57, 57}, {1000, 0, 0}, {0, 99, 99}}},  // one window
        {20000, {{0, 19999, 19999},                                                  // [11808, 20000)
                 {100000, 11808, 11808}, {0, 11807, 111807},                         // outside: [7711, 15903)
                 {200000, 7711, 107711}, {0, 15902, 115902}, {0, 10, 200010},        // [0, 8192)
                 {300000, 8191, 208191}, {0, 8192, 308192}}},
    };
    for (const auto& [objects, steps] : rows) {
        TempDir dir;
        for (auto p = holding(dir, dtInteger, ramp(objects, 0)); const Step& s : steps) {
            if (s.rewrite != 0) p->close(), put_bytes(p->getFileNameW(), encode(ramp(objects, s.rewrite), dtInteger));
            EXPECT_EQ(value_at(*p, s.index), s.expected) << objects << " objects, index " << s.index;
        }
    }
}

// The getter table: each stored value read by the five getters; NaN where the getter fails.
TEST(ValueWindow, GetterTable) {
    struct Row { unsigned char type; double stored; Values got; };  // bool, byte, int, single, double
    const Row rows[] = {
        {dtSingle, NaN, {1, NaN, NaN, NaN, NaN}}, {dtSingle, -1.5, {1, 255, -1, -1.5, -1.5}}, {dtSingle, -0.0, {0, 0, 0, -0.0, -0.0}},
        {dtSingle, 300.75, {1, 44, 301, 300.75, 300.75}}, {dtSingle, 2.5, {1, 2, 3, 2.5, 2.5}}, {dtByte, 255, {1, 255, 255, 255, 255}},
        {dtBitmask, 1, {1, 1, 1, 1, 1}}, {dtBitmask, 0, {0, 0, 0, 0, 0}}, {dtInteger, inull, {1, NaN, NaN, NaN, NaN}},
        {dtInteger, -3, {1, 253, -3, -3, -3}}, {dtInteger, 0x1FF, {1, 255, 511, 511, 511}}, {dtInteger, 0, {0, 0, 0, 0, 0}},
        {dtInteger, 16777217, {1, 1, 16777217, 16777216, 16777217}}, {dtDouble, NaN, {1, NaN, NaN, NaN, NaN}},
        {dtDouble, -2.7, {1, 254, -2, -2.7, -2.7}}, {dtDouble, 1e300, {1, 0, imin, Inf, 1e300}}, {dtDouble, -0.4, {1, 0, 0, -0.4, -0.4}},
    };
    const unsigned char as[5] = {dtByte, dtByte, dtInteger, dtSingle, dtDouble};
    for (const Row& row : rows) {
        TempDir dir;
        Values values(12, 0);  // the value sits among others, in a mask's second byte
        values[9] = row.stored;
        auto p = holding(dir, row.type, values);
        bool b = false; unsigned char u = 0; int i = 0; float f = 0; double d = 0;
        const bool ok[5] = {p->getValueBool(9, b), p->getValueByte(9, u), p->getValueInt(9, i), p->getValueSingle(9, f), p->getValueDouble(9, d)};
        const Values got = {double(b), double(u), double(i), double(f), d};
        std::string all, want;
        for (size_t k = 0; k < 5; ++k)
            all += (ok[k] ? text({got[k]}) : "fails") + " ", want += (std::isnan(row.got[k]) ? "fails" : text_as({row.got[k]}, as[k])) + " ";
        EXPECT_EQ(all, want) << "type " << int(row.type) << ", stored " << row.stored;
    }
}

// The value each setter stores into each type, in the file after the write-back; the neighbours keep theirs.
TEST(ValueWindow, SetterTable) {
    enum Setter { Bool, Byte, Int, Single, Double, Null };
    struct Row { Setter setter; double value; Values stored; };  // as a single, byte, integer, bitmask, double
    const Row rows[] = {
        {Bool, 1, {1, 1, 1, 1, 1}}, {Bool, 0, {0, 0, 0, 0, 0}}, {Byte, 200, {200, 200, 200, 1, 200}}, {Byte, 0, {0, 0, 0, 0, 0}},
        {Int, inull, {NaN, 255, inull, 1, NaN}}, {Int, 16777217, {16777216, 1, 16777217, 1, 16777217}},
        {Int, -5, {-5, 251, -5, 1, -5}}, {Int, 0, {0, 0, 0, 0, 0}}, {Single, NaN, {NaN, 0, inull, 1, NaN}},
        {Single, 258.9, {258.9, 2, 259, 1, double(258.9f)}}, {Single, Inf, {Inf, 0, imin, 1, Inf}},
        {Single, 1.5, {1.5, 1, 2, 1, 1.5}}, {Single, -0.0, {-0.0, 0, 0, 0, -0.0}}, {Double, NaN, {NaN, 0, inull, 1, NaN}},
        {Double, -2.7, {-2.7, 254, -2, 1, -2.7}}, {Double, 2.5, {2.5, 2, 3, 1, 2.5}}, {Double, -0.4, {-0.4, 0, 0, 1, -0.4}},
        {Double, 0, {0, 0, 0, 0, 0}}, {Null, 0, {NaN, 0, inull, 0, NaN}},
    };
    const std::function<void(TekVor4PropertyImpl&, double)> set[] = {
        [](auto& p, double v) { p.setValueBool(9, v != 0); }, [](auto& p, double v) { p.setValueByte(9, (unsigned char)v); },
        [](auto& p, double v) { p.setValueInt(9, int(v)); }, [](auto& p, double v) { p.setValueSingle(9, float(v)); },
        [](auto& p, double v) { p.setValueDouble(9, v); }, [](auto& p, double) { p.setValueNull(9); }};
    for (const Row& row : rows)
        for (unsigned char type = dtSingle; type <= dtDouble; ++type) {
            TempDir dir;
            const double before = type == dtBitmask ? 1 - row.stored[type] : 5;  // a mask starts from the other bit
            auto p = holding(dir, type, Values(11, before));
            Values want(11, before);
            set[row.setter](*p, row.value), want[9] = row.stored[type];
            ASSERT_TRUE(p->flushBuffer());
            EXPECT_EQ(text(file_values(*p, 11)), text_as(want, type)) << "type " << int(type) << " setter " << row.setter << " " << row.value;
        }
}

// A set value reaches the file before any run access; the window serves what run writes put under it.
TEST(ValueWindow, CoherentWithRunReadsAndWrites) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(10, 0));
    int out[10]; long long idx[1];
    p->setValueInt(4, 444);
    EXPECT_EQ(file_values(*p, 10)[4], 4);  // not yet in the file
    ASSERT_EQ(p->readRawData(0, 10, out, 10, dtInteger, 0), 0);
    p->setValueInt(5, 555);
    ASSERT_EQ(p->readRawData_index(0, 1, idx, 0, 1, 1), 0);
    EXPECT_EQ(text({double(out[4]), file_values(*p, 10)[5]}), "444 555");
    const int fifty = 50, nine = 99, six = 606;
    const float singles[2] = {1.0f, 2.0f}; const double seven = 7.9;
    ASSERT_EQ(p->write_data(3, &fifty, 1, dtInteger, 0), 0);
    EXPECT_EQ(value_at(*p, 3), 50);  // a clean window does not serve the old value
    p->setValueInt(3, 77), p->setValueInt(6, 66);
    ASSERT_EQ(p->write_data(3, &nine, 1, dtInteger, 0), 0);
    EXPECT_EQ(text({double(value_at(*p, 3)), double(value_at(*p, 6))}), "99 66");
    p->setValueInt(1, 11);
    ASSERT_EQ(p->write_data(0, singles, 2, dtSingle, 0), 0);  // a converting write over the window
    p->setValueInt(2, 33);
    ASSERT_EQ(p->readRawData(5, 1, out, 1, dtInteger, 0), 0);  // the file now stands after object 5
    p->setValueInt(8, 88);                                     // dirty again, no file access
    ASSERT_EQ(p->write_same(&six, 1) + p->write_any(&seven, 1, dtDouble, 0), 0);
    EXPECT_EQ(text({double(value_at(*p, 6)), double(value_at(*p, 7))}), "606 7");
    p->close();
    EXPECT_EQ(text(file_values(*p, 10)), "1 2 33 99 444 555 606 7 88 9");

    auto m = holding(dir, dtBitmask, Values(16, 0), gt1D, 1, 1, "m");  // the same for bits from write_bit
    bool b8 = true, b9 = false;
    m->setValueBool(0, true);
    ASSERT_EQ(m->write_bit(1, Bytes{0, 1, 0, 0, 0, 0, 0, 1}.data(), 8), 0);
    EXPECT_TRUE(m->getValueBool(8, b8) && !b8 && m->getValueBool(9, b9) && b9);
    m->close();
    EXPECT_EQ(file_bytes(m->getFileNameW()), (Bytes{0x01, 0x82}));

    auto far = holding(dir, dtInteger, ramp(20000, 0), gt1D, 1, 1, "far");  // a write outside the window [0, 8192)
    far->setValueInt(10, 1010);
    ASSERT_EQ(far->write_data(15000, &six, 1, dtInteger, 0), 0);
    EXPECT_EQ(text({file_values(*far, 20000)[10], file_values(*far, 20000)[15000]}), "1010 606");  // written back
    EXPECT_EQ(text({double(value_at(*far, 10)), double(value_at(*far, 8191))}), "1010 8191");
}

// Indices outside the property, a change of type or object count, read-only, a missing file, an unknown type.
TEST(ValueWindow, RefusalsAndNewLayouts) {
    TempDir dir;
    auto p = holding(dir, dtInteger, ramp(10, 0));
    int i = 123, out[5]; bool b = true; double d = 0; float f = 3.0f;
    EXPECT_FALSE(p->getValueInt(-1, i) || p->getValueInt(10, i) || p->getValueInt(std::numeric_limits<long long>::min(), i));
    EXPECT_FALSE(p->getValueBool(10, b) || b || i != 123);
    p->setValueInt(-1, 5), p->setValueInt(10, 5), p->setValueNull(std::numeric_limits<long long>::max()), p->setValueDouble(11, 5.0);
    EXPECT_TRUE(p->flushBuffer());
    p->close();
    EXPECT_EQ(text(file_values(*p, 10)), text(ramp(10, 0)));

    // A change of type sends the dirty window out at once, in the old layout; a new one is read after.
    EXPECT_EQ(value_at(*p, 3), 3);
    p->setValueInt(1, 42), p->setDataType(dtDouble);
    EXPECT_EQ(decode(file_bytes(p->getFileNameW()), dtInteger)[1], 42);
    p->close(), put_bytes(p->getFileNameW(), encode({0.5, 1.5, 2.5, 3.5, 4.5, 5.5}, dtDouble));
    for (const auto& [objects, index, expected] : std::vector<std::tuple<long long, long long, double>>{
             {4, 3, 3.5}, {6, 5, 5.5}, {2, 5, NaN}, {2, 1, 1.5}}) {  // more objects: the longer window reaches them
        p->setSize(objects, 1, 1);
        EXPECT_EQ(text({p->getValueDouble(index, d) ? d : NaN}), text({expected})) << objects << " objects, " << index;
    }
    {
        auto r = holding(dir, dtInteger, ramp(5, 0), gt1D, 1, 1, "ro", true);
        r->setValueInt(2, 222), r->flushBuffer();
        ASSERT_EQ(r->readRawData(0, 5, out, 5, dtInteger, 0), 0);
        EXPECT_EQ(text({double(out[2]), double(value_at(*r, 2))}), "2 222");  // the file never sees the change
    }
    EXPECT_EQ(decode(file_bytes(dir.file("ro.property")), dtInteger)[2], 2);

    auto none = make_property(dir, "none", dtSingle, gt1D, 5);
    none->setValueSingle(0, 1.0f);
    EXPECT_TRUE(none->flushBuffer() && !none->buildBuffer(0) && none->init(false));
    EXPECT_FALSE(none->getValueSingle(0, f) || f != 3.0f);  // missing, not the refused 1.0
    EXPECT_TRUE(none->buildBuffer(4));
    none->setNumObjects(0);
    EXPECT_FALSE(none->getValueInt(0, i) || none->buildBuffer(0));

    auto unknown = holding(dir, dtByte, {1, 2}, gt1D, 1, 1, "unknown");
    unknown->setDataType(7);  // no size: nothing to read or write
    EXPECT_EQ(codes({unknown->readRawData(0, 2, &i, 2, 7, 0), unknown->write_data(0, &i, 1, dtInteger, 0)}), "22");
    EXPECT_FALSE(unknown->getValueBool(0, b) || unknown->getValueInt(0, i));
    unknown->setValueInt(0, 9), unknown->flushBuffer();
    EXPECT_EQ(file_bytes(unknown->getFileNameW()), (Bytes{1, 2}));
}
