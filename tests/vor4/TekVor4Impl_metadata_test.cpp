// The metadata file per grid type, other hands' and broken files, when it is written, and assign.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "support/document_fixture.h"
#include "support/temp_dir.h"
#include "vor4/vor_vocabulary.h"

namespace {

using namespace std::string_literals;
using ek::test::read_file, ek::test::write_file;

// The root and the keys before its property list, in file order.
std::string keys(const std::string& xml) {
    std::string names;
    for (size_t at = xml.find("<TGrDoc"); at < xml.find("<Properties"); at = xml.find('<', at + 1))
        if (xml[at + 1] != '/') names += xml.substr(at + 1, xml.find_first_of(" />", at) - at - 1) + " ";
    return names;
}

struct Metadata : ::testing::Test {
    ek::test::TempDir dir;
    std::string doc(const std::string& name = "field.xml") { return dir.narrow(name); }
};

// Each grid type writes its own keys with their values; a document opened for writing and saved
// again writes the very same file, so open reads every value back into its own field.
TEST_F(Metadata, EachGridTypeWritesItsKeysAndOpenReadsThemBack) {
    const char* written[] = {"", "X0 Y0 Pic DX ", "XPropIndex X0 Y0 Pic DX ", "X0 Y0 Pic Prf DX DY ",
                             "XPropIndex YPropIndex X0 Y0 Pic Prf DX DY ", "X0 Y0 Z0 Pic Prf PicZ DX DY DZ ",
                             "XPropIndex YPropIndex ZPropIndex X0 Y0 Z0 Pic Prf PicZ DX DY DZ ",
                             "X0 Y0 Pic Prf DX DY ", "X0 Y0 Pic Prf DX DY "};
    std::map<std::string, std::string> values = {
        {"PropCount", "2"}, {"EarthPlane", "False"}, {"MaskPropIndex", "1"}, {"XPropIndex", "0"}, {"YPropIndex", "1"},
        {"ZPropIndex", "0"}, {"X0", "1.5"}, {"Y0", "-2.25"}, {"Z0", "0.75"}, {"Pic", "4"}, {"DX", "0.125"},
        {"DY", "3"}, {"DZ", "7"}, {"Azim1", "33.5"}, {"Azim2", "0"}, {"Azim3", "0"}};
    for (unsigned char type = 0; type <= 8; ++type) {
        SCOPED_TRACE(int(type));
        const std::string path = doc("rt" + std::to_string(type) + ".xml");
        const bool grid = type == 3 || type == 5 || type >= 7;  // point sets keep only X of 4, 3, 2
        values["ObjCount"] = type == 5 ? "24" : grid ? "12" : "4";
        values["Prf"] = grid ? "3" : "1", values["PicZ"] = type == 5 ? "2" : "1";
        auto d = std::make_unique<TekVor4Impl>();
        const long long sizes[3] = {4, 3, 2};
        d->setGridType(type), d->setDimensions64(sizes), d->setX0(1.5), d->setY0(-2.25), d->setZ0(0.75);
        d->setDX(0.125), d->setDY(3), d->setDZ(7), d->setEarthPlane(false), d->setAzimuth(33.5);
        TekVor4Property* a = d->create(path) ? d->addProperty("Depth"s, 1, 0, false) : nullptr;
        TekVor4Property* b = d->addProperty(L"Code"s, 4, 2, false);
        ASSERT_TRUE(a && b);
        a->setCaption("Depth, m"s), a->setPrecision("%.3f"s), a->setFuncX0(2.5), a->setFuncDX(0.5), a->setFuncLX(3);
        a->setFuncY0(-1), a->setFuncDY(0.25), a->setFuncLY(2), a->setFuncZ0(5), a->setFuncDZ(6), a->setFuncLZ(7);
        a->setMin(-1), a->setMax(9), a->setAverage(4), a->setStdDev(0.125), a->setHgBndMin(-2), a->setHgBndMax(8);
        a->setHgMin(3), a->setHgMax(4), a->setHgDiapData("0000000A0000000B"), b->setTemp(true);
        d->setMaskPropIndex(1), d->setXPropIndex(0), d->setYPropIndex(1), d->setZPropIndex(0);
        d.reset();  // destruction saves
        const std::string xml = read_file(path),
                          expected = "TGrDoc GridType ObjCount PropCount EarthPlane MaskPropIndex "s + written[type] +
                                     "Azim1 Azim2 Azim3 ";
        EXPECT_EQ(keys(xml), expected);
        for (const auto& [key, value] : values)
            EXPECT_TRUE(expected.find(" " + key + " ") == std::string::npos ||
                        xml.find("<" + key + ">" + value + "</") != std::string::npos) << key << " in\n" << xml;
        EXPECT_GT(std::count(xml.begin(), xml.end(), '\n'), 20) << "one value per line";
        TekVor4Impl r;
        ASSERT_TRUE(r.open(path, false) && r.getNumProps() == 2u && r.save());
        EXPECT_EQ(read_file(path), xml);
    }
}

TEST_F(Metadata, HandWrittenFilesOpenWithDefaultsForWhatIsMissing) {
    // Grid type name in another case, unknown keys, children of any name, one without a name.
    for (const char* type : {"GT2D", "gt1D"}) {
        write_file(doc(), "<?xml version=\"1.0\"?><TGrDoc><GridType>"s + type + "</GridType>"
                          "<ObjCount>100</ObjCount><Pic>7</Pic><Prf>3</Prf><MaskPropIndex>99</MaskPropIndex>"
                          "<Mystery>1</Mystery><Properties><Other><PropName>P</PropName>"
                          "<DataType>dtdouble</DataType><PropKind>pkNope</PropKind><StatExists>True</StatExists>"
                          "<IndefCount>5</IndefCount><HistogrammExists>True</HistogrammExists><HgMin>2.9</HgMin>"
                          "<HgMax>-2.9</HgMax></Other><TGrDocProp/></Properties></TGrDoc>");
        TekVor4Impl d;
        ASSERT_TRUE(d.open(doc(), false) && d.getNumProps() == 2u) << type << ": every child counts, whatever its name";
        TekVor4Property* p = d.getProperty(0);
        const double plain = type[2] == '1';  // a 1D grid is sized by its object count
        // Missing values take their defaults; nothing enforces a relation between sizes and count.
        EXPECT_EQ(ek::test::fields(d), (std::vector<double>{3 - 2 * plain, 0, 2, 0, 0, 0, 1, 1, 1, 1, 0,
                                                            plain ? 100. : 7, 3 - 2 * plain, 1, 100, 99, -1, -1, -1}));
        // P's data type and kind (unknown names give 0), undefined count, histogram counts (truncated)
        EXPECT_EQ((std::vector<long long>{p->getDataType(), p->getPropKind(), p->getDfIndefCount(), p->getHgMin(),
                                          p->getHgMax()}), (std::vector<long long>{0, 0, 5, 2, -2}));
        EXPECT_EQ(d.getProperty(1)->getFileNameW(), dir.file("field..property")) << "no name";
    }
    // A negative object count is kept as stored, and no value access gets past the range checks.
    write_file(doc(), "<?xml version=\"1.0\"?><TGrDoc><GridType>gt2DCoord</GridType><ObjCount>-5</ObjCount>"
                      "<Properties><P><PropName>P</PropName><DataType>dtSingle</DataType></P></Properties></TGrDoc>");
    TekVor4Impl d;
    float v = 0;
    ASSERT_TRUE(d.open(doc(), false));
    EXPECT_TRUE(d.getNumObjects() == -5 && d.getProperty(0)->getNumObjects() == -5 &&
                d.getProperty(0)->readRawData(0, 1, &v, 1, ek::vor::dtSingle, 0) == 4);
}

TEST_F(Metadata, BrokenFilesDoNotOpen) {
    for (const std::string& text : {""s, "not xml at all"s, "<?xml version=\"1.0\"?><TGrDoc><GridType>gt2D"s,
                                    "<?xml version=\"1.0\"?><tgrdoc/>"s, "<?xml version=\"1.0\"?><Other/>"s,
                                    std::string("\x00\x01\x02\xFF\xFE garbage", 11), "missing"s}) {
        if (text != "missing") write_file(doc(), text);
        TekVor4Impl d;
        EXPECT_FALSE(d.open(doc(text == "missing" ? "nowhere.xml" : "field.xml"), true)) << text;
        EXPECT_TRUE(d.getPath().empty() && d.getGridType() == 0 && !d.readonly()) << "unchanged: " << text;
    }
}

TEST_F(Metadata, OnlyAWritableLiveDocumentWritesItsFile) {
    auto d = std::make_unique<TekVor4Impl>();
    ASSERT_TRUE(d->create(doc()));
    const std::string xml = read_file(doc());
    for (const char* value : {"encoding=\"Windows-1251\"", "<EarthPlane>True</EarthPlane>", "<ObjCount>1</"})
        EXPECT_NE(xml.find(value), std::string::npos) << value << " in\n" << xml;
    d = std::make_unique<TekVor4Impl>();
    ASSERT_TRUE(d->open(doc(), true));
    d->setGridType(1);
    EXPECT_TRUE(d->save()) << "read-only: nothing to write, reported as success";
    d = std::make_unique<TekVor4Impl>();
    EXPECT_EQ(read_file(doc()), xml);
    ASSERT_TRUE(d->create(doc()) && d->addProperty("A"s, 0, 0, false));
    EXPECT_FALSE(d->open(doc(), true) || d->readonly()) << "a document that holds properties is not opened again";
    std::error_code kept;  // on Windows the folder stays: the document holds its files
    std::filesystem::remove_all(dir.path(), kept);
    EXPECT_EQ(d->save(), bool(kept)) << "the folder is gone: the file cannot be written";
}

// The properties go, the count is copied rather than recomputed, the mask index is the one the
// deletion left; a read-only document, or no source, changes nothing.
TEST_F(Metadata, AssignCopiesTheDescriptionAndKeepsTheMaskIndex) {
    TekVor4Impl src, dst, saved, other;
    src.setGridType(5), src.setX0(7), src.setY0(8), src.setZ0(9), src.setDX(2), src.setDY(3), src.setDZ(4);
    src.setAzimuth(45), src.setEarthPlane(false), src.setSizeX(2), src.setSizeY(3), src.setSizeZ(4);
    src.setNumObjects(99), src.setMaskPropIndex(3);
    ASSERT_TRUE(dst.create(doc()) && dst.addProperty("Old"s, 0, 0, false));
    dst.setMaskPropIndex(0), dst.assign(&src);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "field.Old.property"));
    ASSERT_TRUE(saved.open(doc(), true));
    for (TekVor4Impl* d : {&dst, &saved})
        EXPECT_EQ(ek::test::fields(*d), (std::vector<double>{5, double(d == &saved), 0, 7, 8, 9, 2, 3, 4, 0, 45, 2, 3,
                                                             4, 99, -1, -1, -1, -1}));
    saved.assign(&other), saved.assign(nullptr);
    EXPECT_EQ(saved.getX0(), 7.0);
}

}  // namespace
