// Attributes of a property: texts in both forms, kind and types, sizes and the object count
// with its function multiplier, function parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "property_test_support.h"

using namespace ek::test;

TEST(PropertyAttributes, DefaultsAfterConstruction) {
    TekVor4PropertyImpl p(std::wstring(L"/nowhere/doc.Depth.property"), false);
    EXPECT_EQ(p.getFileNameW(), L"/nowhere/doc.Depth.property");
    EXPECT_FALSE(p.getReadOnly());
    EXPECT_EQ(p.getDataType(), dtSingle);
    EXPECT_EQ(p.getPropKind(), 0);
    EXPECT_FALSE(p.getTemp());
    EXPECT_EQ(p.getNumObjects(), 0);
    EXPECT_TRUE(p.getName().empty());
    EXPECT_TRUE(p.getNameW().empty());
    long long nx = -5;
    p.getBlockSize(&nx);
    EXPECT_EQ(nx, 1);
    p.getBlockSize(nullptr);  // tolerated
    EXPECT_TRUE(std::isnan(p.nullSingle()));
    EXPECT_TRUE(std::isnan(p.nullDouble()));
    EXPECT_EQ(p.nullInt(), 2147483647);
    EXPECT_EQ(p.nullByte(), 255);
    EXPECT_EQ(p.getFuncX0(), 0.0);
    EXPECT_EQ(p.getFuncLZ(), 0);
}

TEST(PropertyAttributes, NarrowPathIsConvertedWithTheCodePage) {
    // "Глубина" in Windows-1251.
    const std::string narrow = "/data/\xC3\xEB\xF3\xE1\xE8\xED\xE0.property";
    TekVor4PropertyImpl p(narrow, true);
    EXPECT_EQ(p.getFileNameW(), L"/data/\u0413\u043B\u0443\u0431\u0438\u043D\u0430.property");
    EXPECT_TRUE(p.getReadOnly());
    TekVor4PropertyImpl empty(std::string(), false);
    EXPECT_TRUE(empty.getFileNameW().empty());
}

TEST(PropertyAttributes, TextsAreKeptInBothForms) {
    TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
    p.setName(std::wstring(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430"));
    EXPECT_EQ(p.getName(), "\xC3\xEB\xF3\xE1\xE8\xED\xE0");
    p.setCaption(std::string("\xC3\xEB"));
    EXPECT_EQ(p.getCaptionW(), L"\u0413\u043B");
    EXPECT_EQ(p.getCaption(), "\xC3\xEB");
    p.setPrecision(std::wstring(L"%.2f \u20AC\u4E2D"));  // the code page has the euro, not the CJK sign
    EXPECT_EQ(p.getPrecisionW(), L"%.2f \u20AC\u4E2D");
    EXPECT_EQ(p.getPrecision(), "%.2f \x88?");
    p.setPrecision(std::string());
    EXPECT_TRUE(p.getPrecisionW().empty());
}

TEST(PropertyAttributes, KindTypesAndGeometryClass) {
    TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
    p.setPropKind(7);
    p.setDataType(dtDouble);
    p.setTemp(true);
    EXPECT_EQ(p.getPropKind(), 7);
    EXPECT_EQ(p.getDataType(), dtDouble);
    EXPECT_TRUE(p.getTemp());

    // The geometry class decides which window reads are allowed: 2D reads need class 2.
    double out[1];
    p.setSize(1, 1, 1);
    for (unsigned char g : {gt2D, gt2dCoord, gtFunc1D, gtFunc2D, (unsigned char)200}) {
        p.setGridType(g);
        EXPECT_NE(p.readData2D(0, 0, 2, 1, out, 1, 1, dtDouble, 0, 0), 5) << int(g);
    }
    for (unsigned char g : {gt1D, gt3D, gt3DCoord, (unsigned char)0}) {
        p.setGridType(g);
        EXPECT_EQ(p.readData2D(0, 0, 1, 1, out, 1, 1, dtDouble, 0, 0), 5) << int(g);
    }
    p.setGridType(gt3DCoord);
    EXPECT_NE(p.readData3D(0, 0, 0, 2, 1, 1, out, 1, 1, 1, dtDouble, 0, 0, 0), 5);
}

TEST(PropertyAttributes, SizesGiveTheObjectCount) {
    TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
    p.setSize(4, 3, 2);
    EXPECT_EQ(p.getNumObjects(), 24);
    long long nx = 0;
    p.getBlockSize(&nx);
    EXPECT_EQ(nx, 4);
    p.setNumObjects(10);
    EXPECT_EQ(p.getNumObjects(), 10);
}

TEST(PropertyAttributes, FunctionLengthsMultiplyTheObjectCount) {
    TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
    struct Case {
        long long lx, ly, expected;
    };
    // m = 1 (LX <= 0), LX + 1 (LY = 0), LX * LY + 1 (LY > 0), 1 (LY < 0)
    for (const Case c : {Case{0, 5, 10}, Case{-3, 5, 10}, Case{4, 0, 50}, Case{4, 3, 130}, Case{4, -1, 10}}) {
        p.setFuncLX(c.lx);
        p.setFuncLY(c.ly);
        p.setNumObjects(10);
        EXPECT_EQ(p.getNumObjects(), c.expected) << c.lx << " " << c.ly;
    }
    // The grid type plays no part, nor does FuncLZ.
    p.setGridType(gt3D);
    p.setFuncLZ(100);
    p.setFuncLX(2);
    p.setFuncLY(0);
    p.setSize(5, 1, 1);
    EXPECT_EQ(p.getNumObjects(), 15);
}

TEST(PropertyAttributes, FunctionParametersAreStored) {
    TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
    p.setFuncX0(1.5);
    p.setFuncY0(-2.5);
    p.setFuncZ0(3.25);
    p.setFuncDX(0.1);
    p.setFuncDY(0.2);
    p.setFuncDZ(0.3);
    p.setFuncLX(7);
    p.setFuncLY(8);
    p.setFuncLZ(9);
    EXPECT_EQ(p.getFuncX0(), 1.5);
    EXPECT_EQ(p.getFuncY0(), -2.5);
    EXPECT_EQ(p.getFuncZ0(), 3.25);
    EXPECT_EQ(p.getFuncDX(), 0.1);
    EXPECT_EQ(p.getFuncDY(), 0.2);
    EXPECT_EQ(p.getFuncDZ(), 0.3);
    EXPECT_EQ(p.getFuncLX(), 7);
    EXPECT_EQ(p.getFuncLY(), 8);
    EXPECT_EQ(p.getFuncLZ(), 9);
}

TEST(PropertyAttributes, NegativeAndHugeSizesStayUsable) {
    TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
    p.setSize(-4, 3, 2);
    EXPECT_EQ(p.getNumObjects(), 0);
    long long nx = 7;
    p.getBlockSize(&nx);
    EXPECT_EQ(nx, 0);
    p.setNumObjects(-10);
    EXPECT_EQ(p.getNumObjects(), 0);
    // The product saturates instead of wrapping into a negative count.
    p.setSize(1LL << 40, 1LL << 40, 1);
    EXPECT_EQ(p.getNumObjects(), std::numeric_limits<long long>::max());
}
