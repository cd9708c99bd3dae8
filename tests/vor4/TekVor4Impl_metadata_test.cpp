// The metadata file: what save writes for each grid type, what open reads back, and how open
// treats files written by other hands or broken ones.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "ek_text.h"
#include "support/temp_dir.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
}

bool hasKey(const std::string& xml, const std::string& key) { return xml.find("<" + key + ">") != std::string::npos; }

class Metadata : public ::testing::Test {
protected:
    ek::test::TempDir dir;
    std::string doc(const std::string& name = "field.xml") { return dir.narrow(name); }
};

TEST_F(Metadata, CreateWritesTheDefaultsOfANewDocument) {
    {
        TekVor4Impl d;
        ASSERT_TRUE(d.create(doc()));
    }
    const std::string xml = slurp(doc());
    EXPECT_NE(xml.find("Windows-1251"), std::string::npos);
    EXPECT_NE(xml.find("<GridType>gtNone</GridType>"), std::string::npos);
    EXPECT_NE(xml.find("<ObjCount>1</ObjCount>"), std::string::npos);
    EXPECT_NE(xml.find("<PropCount>0</PropCount>"), std::string::npos);
    EXPECT_NE(xml.find("<EarthPlane>True</EarthPlane>"), std::string::npos);
    EXPECT_NE(xml.find("<MaskPropIndex>-1</MaskPropIndex>"), std::string::npos);
    EXPECT_FALSE(hasKey(xml, "X0"));
    EXPECT_FALSE(hasKey(xml, "Pic"));
    EXPECT_TRUE(hasKey(xml, "Azim1") && hasKey(xml, "Azim2") && hasKey(xml, "Azim3"));
    EXPECT_NE(xml.find("Properties"), std::string::npos) << "the list node is written also when empty";
}

TEST_F(Metadata, GeometryKeysFollowTheGeometryClass) {
    struct Case {
        unsigned char type;
        std::vector<std::string> present, absent;
    } cases[] = {
        {3, {"X0", "Y0", "Pic", "Prf", "DX", "DY"}, {"Z0", "PicZ", "DZ", "XPropIndex", "YPropIndex", "ZPropIndex"}},
        {1, {"X0", "Y0", "Pic", "DX"}, {"Z0", "Prf", "PicZ", "DY", "DZ", "XPropIndex"}},
        {0, {}, {"X0", "Y0", "Pic", "DX"}},
        {5, {"X0", "Y0", "Z0", "Pic", "Prf", "PicZ", "DX", "DY", "DZ"}, {"XPropIndex"}},
        {4, {"XPropIndex", "YPropIndex", "Pic", "Prf"}, {"ZPropIndex", "PicZ"}},
        {6, {"XPropIndex", "YPropIndex", "ZPropIndex", "Z0", "PicZ"}, {}},
        {2, {"XPropIndex", "Pic"}, {"YPropIndex", "Prf"}},
    };
    for (const Case& c : cases) {
        {
            TekVor4Impl d;
            d.setGridType(c.type);
            ASSERT_TRUE(d.create(doc()));
        }
        const std::string xml = slurp(doc());
        for (const auto& k : c.present) EXPECT_TRUE(hasKey(xml, k)) << "type " << int(c.type) << " key " << k;
        for (const auto& k : c.absent) EXPECT_FALSE(hasKey(xml, k)) << "type " << int(c.type) << " key " << k;
    }
}

TEST_F(Metadata, ClassThreeWritesItsGeometryInOrder) {
    {
        TekVor4Impl d;
        d.setGridType(5);
        ASSERT_TRUE(d.create(doc()));
    }
    const std::string xml = slurp(doc());
    size_t last = 0;
    for (const char* k : {"<X0>", "<Y0>", "<Z0>", "<Pic>", "<Prf>", "<PicZ>", "<DX>", "<DY>", "<DZ>", "<Azim1>"}) {
        const size_t at = xml.find(k);
        ASSERT_NE(at, std::string::npos) << k;
        EXPECT_GT(at, last) << k;
        last = at;
    }
}

// Every grid type: a saved document opens again with every field and property attribute.
TEST_F(Metadata, RoundTripOverEveryGridType) {
    for (unsigned char type = 0; type <= 8; ++type) {
        SCOPED_TRACE(int(type));
        const std::string path = doc("rt" + std::to_string(type) + ".xml");
        {
            TekVor4Impl d;
            d.setGridType(type);
            d.setX0(1.5);
            d.setY0(-2.25);
            d.setZ0(1e-300);
            d.setDX(0.1);
            d.setDY(3.0);
            d.setDZ(7.0);
            d.setEarthPlane(false);
            d.setAzimuth(33.3);
            const long long sizes[3] = {4, 3, 2};
            d.setDimensions64(sizes);
            ASSERT_TRUE(d.create(path));
            TekVor4Property* a = d.addProperty(std::string("Depth"), 1, 0, false);
            TekVor4Property* b = d.addProperty(std::wstring(L"Code"), 4, 2, false);
            ASSERT_TRUE(a && b);
            a->setCaption(std::string("Depth, m"));
            a->setPrecision(std::string("%.3f"));
            a->setFuncX0(2.5);
            a->setFuncDX(0.5);
            a->setFuncLX(3);
            a->setFuncY0(-1.0);
            a->setFuncDY(0.25);
            a->setFuncLY(2);
            a->setMin(-1.0);
            a->setMax(9.0);
            a->setAverage(4.0);
            a->setStdDev(0.125);
            a->setHgBndMin(-1.0);
            a->setHgBndMax(9.0);
            a->setHgMin(3);
            a->setHgMax(4);
            a->setHgDiapData("0000000A0000000B");
            b->setTemp(true);
            d.setMaskPropIndex(1);
            d.setXPropIndex(0);
            d.setYPropIndex(1);
            d.setZPropIndex(0);
            ASSERT_TRUE(d.save());
        }
        TekVor4Impl r;
        ASSERT_TRUE(r.open(path, true));
        const unsigned char geom = type == 0 ? 0 : (type <= 2 ? 1 : (type == 5 || type == 6 ? 3 : 2));
        EXPECT_EQ(r.getGridType(), type);
        EXPECT_TRUE(r.readonly());
        EXPECT_FALSE(r.getEarthPlane());
        EXPECT_DOUBLE_EQ(r.getAzimuth(), 33.3);
        EXPECT_EQ(r.getMaskPropIndex(), 1);
        EXPECT_EQ(r.getXPropIndex(), (type == 2 || type == 4 || type == 6) ? 0 : -1);
        EXPECT_EQ(r.getYPropIndex(), (type == 4 || type == 6) ? 1 : -1);
        EXPECT_EQ(r.getZPropIndex(), type == 6 ? 0 : -1);
        EXPECT_EQ(r.getX0(), geom ? 1.5 : 0.0);
        EXPECT_EQ(r.getY0(), geom ? -2.25 : 0.0);
        EXPECT_EQ(r.getZ0(), geom == 3 ? 1e-300 : 0.0);
        EXPECT_EQ(r.getDX(), geom ? 0.1 : 1.0);
        EXPECT_EQ(r.getDY(), geom >= 2 ? 3.0 : 1.0);
        EXPECT_EQ(r.getDZ(), geom == 3 ? 7.0 : 1.0);
        const long long objects = type == 5 ? 24 : (type == 3 || type == 7 || type == 8) ? 12 : (type <= 8 ? 4 : 1);
        EXPECT_EQ(r.getNumObjects(), objects);
        if (type == 3 || type == 5 || type == 7 || type == 8) {
            EXPECT_EQ(r.getSizeX(), 4);
            EXPECT_EQ(r.getSizeY(), 3);
        } else {
            EXPECT_EQ(r.getSizeX(), objects) << "point sets and 1D grids are sized by the object count";
            EXPECT_EQ(r.getSizeY(), 1);
        }
        ASSERT_EQ(r.getNumProps(), 2u);
        TekVor4Property* a = r.getProperty(0);
        TekVor4Property* b = r.getProperty(1);
        EXPECT_EQ(a->getName(), "Depth");
        EXPECT_EQ(a->getCaption(), "Depth, m");
        EXPECT_EQ(a->getPrecision(), "%.3f");
        EXPECT_EQ(a->getPropKind(), 1);
        EXPECT_EQ(a->getDataType(), 0);
        EXPECT_FALSE(a->getTemp());
        EXPECT_TRUE(a->getStatisticSet());
        EXPECT_EQ(a->getDfMin(), -1.0);
        EXPECT_EQ(a->getDfMax(), 9.0);
        EXPECT_EQ(a->getDfStdDev(), 0.125);
        EXPECT_TRUE(a->getHistogramSet());
        EXPECT_EQ(a->getHgMin(), 3);
        EXPECT_EQ(a->getHgMax(), 4);
        EXPECT_EQ(a->getHgValue(1), 11);
        const bool func1 = type == 7 || type == 8;
        EXPECT_EQ(a->getFuncX0(), func1 ? 2.5 : 0.0);
        EXPECT_EQ(a->getFuncLX(), func1 ? 3 : 0);
        EXPECT_EQ(a->getFuncLY(), type == 8 ? 2 : 0);
        EXPECT_EQ(a->getFuncDY(), type == 8 ? 0.25 : 0.0);
        EXPECT_EQ(b->getName(), "Code");
        EXPECT_EQ(b->getCaption(), "Code");
        EXPECT_EQ(b->getPropKind(), 4);
        EXPECT_EQ(b->getDataType(), 2);
        EXPECT_TRUE(b->getTemp());
        EXPECT_FALSE(b->getStatisticSet());
        EXPECT_FALSE(b->getHistogramSet());
        EXPECT_TRUE(b->getPrecision().empty());
    }
}

TEST_F(Metadata, AzimuthTwoAndThreeAreAlwaysWrittenAsZero) {
    spit(doc(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TGrDoc><GridType>gt2D</GridType>"
                "<Azim1>12</Azim1><Azim2>5</Azim2><Azim3>6</Azim3></TGrDoc>");
    {
        TekVor4Impl d;
        ASSERT_TRUE(d.open(doc(), false));
        EXPECT_EQ(d.getAzimuth(), 12.0);
    }  // destruction saves
    const std::string xml = slurp(doc());
    EXPECT_NE(xml.find("<Azim2>0</Azim2>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Azim3>0</Azim3>"), std::string::npos);
}

TEST_F(Metadata, HandWrittenFileWithAttributesUtf8AndUnknownKeysOpens) {
    // Values as attributes, UTF-8, an unknown key, Cyrillic text, no "Properties" in one case.
    spit(doc(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<TGrDoc GridType=\"GT2D\" ObjCount=\"100\" Pic=\"7\" Prf=\"3\" Mystery=\"1\">\n"
                " <Properties>\n"
                "  <TGrDocProp PropName=\"\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0\" "
                "DataType=\"dtDouble\" PropKind=\"pkClass\" StatExists=\"True\" Min=\"1\" Max=\"2\" "
                "IndefCount=\"5\"/>\n"
                "  <Other><PropName>second</PropName><DataType>dtdouble</DataType></Other>\n"
                " </Properties>\n"
                "</TGrDoc>\n");
    TekVor4Impl d;
    ASSERT_TRUE(d.open(doc(), true));
    EXPECT_EQ(d.getGridType(), 3) << "grid type names match without regard to case";
    EXPECT_EQ(d.getSizeX(), 7);
    EXPECT_EQ(d.getSizeY(), 3);
    EXPECT_EQ(d.getNumObjects(), 100) << "no relation between sizes and count is enforced";
    ASSERT_EQ(d.getNumProps(), 2u) << "every child counts, whatever its name";
    TekVor4Property* p = d.getProperty(0);
    EXPECT_EQ(p->getNameW(), L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430");
    EXPECT_EQ(p->getName(), "\xC3\xEB\xF3\xE1\xE8\xED\xE0");
    EXPECT_EQ(p->getDataType(), 4);
    EXPECT_EQ(p->getPropKind(), 5);
    EXPECT_TRUE(p->getStatisticSet());
    EXPECT_EQ(p->getDfIndefCount(), 5);
    EXPECT_EQ(d.getProperty(1)->getDataType(), 0) << "data type names are case-sensitive";

    spit(doc("bare.xml"), "<?xml version=\"1.0\"?><TGrDoc><GridType>gt1D</GridType><ObjCount>100</ObjCount>"
                          "<Pic>7</Pic></TGrDoc>");
    TekVor4Impl bare;
    ASSERT_TRUE(bare.open(doc("bare.xml"), true));
    EXPECT_EQ(bare.getNumProps(), 0u);
    EXPECT_EQ(bare.getSizeX(), 100) << "a 1D grid is sized by its object count";
    EXPECT_EQ(bare.getSizeY(), 1);
}

TEST_F(Metadata, OpenFailsCleanlyOnBrokenFiles) {
    const char* bad[] = {
        "",                                              // empty
        "not xml at all",                                //
        "<?xml version=\"1.0\"?><TGrDoc><GridType>gt2D", // truncated
        "<?xml version=\"1.0\"?><tgrdoc/>",              // root differs in case
        "<?xml version=\"1.0\"?><Other/>",               // another root
        "\x00\x01\x02\xFF\xFE garbage",
    };
    for (const char* text : bad) {
        spit(doc(), text);
        TekVor4Impl d;
        EXPECT_FALSE(d.open(doc(), true)) << text;
        EXPECT_TRUE(d.getPath().empty());
        EXPECT_EQ(d.getGridType(), 0);
    }
    TekVor4Impl missing;
    EXPECT_FALSE(missing.open(doc("nowhere.xml"), true));
}

TEST_F(Metadata, AbsurdValuesOpenAndLaterReadsAnswerWithResultCodes) {
    spit(doc(), "<?xml version=\"1.0\"?><TGrDoc><GridType>gt2D</GridType><ObjCount>-5</ObjCount>"
                "<Pic>-3</Pic><Prf>0</Prf><MaskPropIndex>99</MaskPropIndex>"
                "<Properties><TGrDocProp><PropName>P</PropName><DataType>dtWhatever</DataType>"
                "<PropKind>pkNope</PropKind><FuncLX>-4</FuncLX><HgMin>2.9</HgMin>"
                "<HistogrammExists>True</HistogrammExists><HgMax>-2.9</HgMax></TGrDocProp></Properties></TGrDoc>");
    TekVor4Impl d;
    ASSERT_TRUE(d.open(doc(), true));
    EXPECT_EQ(d.getMaskPropIndex(), 99);
    TekVor4Property* p = d.getProperty(0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getDataType(), 0);
    EXPECT_EQ(p->getPropKind(), 0);
    EXPECT_EQ(p->getHgMin(), 2) << "read as a double and truncated toward zero";
    EXPECT_EQ(p->getHgMax(), -2);
    float buf[4] = {};
    EXPECT_NE(p->readRawData(0, 4, buf, 4, 0, 1), 0) << "no data file, absurd sizes: a result code";
    EXPECT_NE(p->readData2D(0, 0, 2, 2, buf, 2, 2, 0, 1, 0), 0);
    float v = 0;
    EXPECT_FALSE(p->getValueSingle(0, v));
    double box[6];
    EXPECT_FALSE(d.getBox(0, box));
}

TEST_F(Metadata, DataFilesLieBesideTheMetadataFileAndShareItsBase) {
    TekVor4Impl d;
    d.setGridType(1);
    d.setSizeX(3);
    ASSERT_TRUE(d.create(doc("field.xml")));
    TekVor4Property* p = d.addProperty(std::string("Depth"), 0, 1, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getFileNameW(), dir.file("field.Depth.property"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "field.Depth.property"));
    EXPECT_EQ(slurp(dir.path() / "field.Depth.property"), std::string("\xFF\xFF\xFF"));
}

TEST_F(Metadata, PathWithoutDotAndFolderWithDot) {
    std::filesystem::create_directory(dir.path() / "set.v2");
    TekVor4Impl d;
    d.setGridType(1);
    ASSERT_TRUE(d.create(dir.narrow("set.v2/meta")));
    ASSERT_NE(d.addProperty(std::string("A"), 0, 0, false), nullptr);
    // The base ends at the folder's dot: the data file goes to the folder's parent.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "set.A.property"));

    TekVor4Impl e;
    e.setGridType(1);
    ASSERT_TRUE(e.create(dir.narrow("plain")));
    ASSERT_NE(e.addProperty(std::string("B"), 0, 0, false), nullptr);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "plain.B.property"));
}

TEST_F(Metadata, CyrillicNamesSurviveAndNameUtf8DataFiles) {
    const std::wstring wname = L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430";  // Глубина
    const std::string nname = "\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC";                // Скорость
    {
        TekVor4Impl d;
        d.setGridType(1);
        d.setSizeX(2);
        ASSERT_TRUE(d.create(doc()));
        TekVor4Property* a = d.addProperty(wname, 0, 0, false);
        TekVor4Property* b = d.addProperty(nname, 0, 4, false);
        ASSERT_TRUE(a && b);
        a->setCaption(std::wstring(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430, \u043C"));
        ASSERT_TRUE(d.save());
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / u8"field.Глубина.property"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / u8"field.Скорость.property"));
    TekVor4Impl r;
    ASSERT_TRUE(r.open(ek::text::to_wide(doc()), true));
    ASSERT_EQ(r.getNumProps(), 2u);
    EXPECT_EQ(r.getProperty(0)->getNameW(), wname);
    EXPECT_EQ(r.getProperty(0)->getCaptionW(), L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430, \u043C");
    EXPECT_EQ(r.getProperty(1)->getName(), nname);
    EXPECT_EQ(r.getIndexByName(std::wstring(L"\u0433\u043B\u0443\u0431\u0438\u043D\u0430")), 0)
        << "wide lookup ignores letter case";
}

TEST_F(Metadata, DestructionSavesOnlyWritableLiveDocuments) {
    {
        TekVor4Impl d;
        ASSERT_TRUE(d.create(doc()));
        d.setX0(5.0);
    }
    {
        TekVor4Impl r;
        ASSERT_TRUE(r.open(doc(), true));
        EXPECT_EQ(r.getX0(), 0.0) << "gtNone writes no geometry";
    }
    const std::string before = slurp(doc());
    {
        TekVor4Impl r;
        ASSERT_TRUE(r.open(doc(), true));
        r.setGridType(3);
        EXPECT_TRUE(r.save()) << "read-only: nothing to write, reported as success";
    }
    EXPECT_EQ(slurp(doc()), before);
}

TEST_F(Metadata, OpenRefusesADocumentThatHoldsProperties) {
    TekVor4Impl d;
    d.setGridType(1);
    ASSERT_TRUE(d.create(doc()));
    ASSERT_NE(d.addProperty(std::string("A"), 0, 0, false), nullptr);
    EXPECT_FALSE(d.open(doc(), true));
    EXPECT_FALSE(d.readonly());
}

TEST_F(Metadata, SaveReportsAFailedWrite) {
    TekVor4Impl d;
    ASSERT_TRUE(d.create(doc()));
    std::filesystem::remove_all(dir.path());
    EXPECT_FALSE(d.save()) << "the folder is gone: the file cannot be written";
}

TEST_F(Metadata, AssignCopiesTheDescriptionAndKeepsTheMaskIndex) {
    TekVor4Impl src;
    src.setGridType(5);
    src.setX0(7.0);
    src.setDZ(2.0);
    src.setAzimuth(45.0);
    src.setEarthPlane(false);
    const long long sizes[3] = {2, 3, 4};
    src.setDimensions64(sizes);
    src.setNumObjects(99);
    src.setMaskPropIndex(3);

    TekVor4Impl dst;
    dst.setGridType(1);
    dst.setSizeX(5);
    ASSERT_TRUE(dst.create(doc()));
    ASSERT_NE(dst.addProperty(std::string("Old"), 0, 0, false), nullptr);
    dst.setMaskPropIndex(0);
    dst.assign(&src);
    EXPECT_EQ(dst.getNumProps(), 0u) << "the old properties are deleted";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "field.Old.property"));
    EXPECT_EQ(dst.getGridType(), 5);
    EXPECT_EQ(dst.getX0(), 7.0);
    EXPECT_EQ(dst.getDZ(), 2.0);
    EXPECT_EQ(dst.getAzimuth(), 45.0);
    EXPECT_FALSE(dst.getEarthPlane());
    EXPECT_EQ(dst.getSizeZ(), 4);
    EXPECT_EQ(dst.getNumObjects(), 99) << "the count is copied, not recomputed";
    EXPECT_EQ(dst.getMaskPropIndex(), -1) << "the deletion cleared it; the source's is not taken";

    TekVor4Impl other;
    other.setGridType(1);
    other.setX0(-100.0);
    other.setNumObjects(3);
    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(doc(), true));
    ASSERT_EQ(ro.getX0(), 7.0) << "the assigned description was saved";
    ro.assign(&other);
    EXPECT_EQ(ro.getX0(), 7.0) << "assign on a read-only document does nothing";
    EXPECT_EQ(ro.getGridType(), 5);
    EXPECT_EQ(ro.getNumObjects(), 99);
    ro.assign(nullptr);  // must not crash
}

}  // namespace
