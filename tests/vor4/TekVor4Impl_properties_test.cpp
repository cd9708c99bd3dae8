// The property list: adds, finds, unique names, deletions, packing, deleting the document and
// the bounding box of point sets, with the metadata file on disk following every change at once.
#include <gtest/gtest.h>

#include <functional>

#include "ek_text.h"
#include "support/document_fixture.h"
#include "support/host_platform.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;

class PropertyList : public ::testing::Test {
protected:
    void SetUp() override {
        d.setGridType(3);
        const long long sizes[3] = {4, 2, 1};
        d.setDimensions64(sizes);
        ASSERT_TRUE(d.create(path()));
    }
    std::string path() const { return dir.narrow("doc.xml"); }
    std::filesystem::path dataFile(const std::string& name) const { return dir.path() / ("doc." + name + ".property"); }
    void addAll(std::initializer_list<const char*> names) {
        for (const char* n : names) ASSERT_NE(d.addProperty(std::string(n), 0, 0, false), nullptr) << n;
    }
    // What a fresh reader of the file on disk sees.
    std::string namesOnDisk() const {
        TekVor4Impl r;
        if (!r.open(path(), true)) return "<unreadable>";
        std::string names;
        for (unsigned i = 0; i < r.getNumProps(); ++i) names += r.getProperty(i)->getName() + " ";
        return names;
    }
    ek::test::TempDir dir;
    TekVor4Impl d;
};

TEST_F(PropertyList, AnAddCreatesTheDataFileAndSavesAtOnce) {
    const uintmax_t sizes[] = {32, 8, 32, 1, 64};  // 8 objects of each data type; 8 mask bits in one byte
    std::string names;
    for (unsigned char type = 0; type < 5; ++type) {
        const std::string name{'T', char('0' + type)};
        TekVor4Property* p = type % 2 ? d.addProperty(ek::text::to_wide(name), 2, type, false)
                                      : d.addProperty(name, 2, type, false);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->getCaption() + (p->getTemp() ? " temp" : ""), name) << "caption is the name, not temporary";
        EXPECT_EQ(p->getPropKind() * 10 + p->getDataType(), 20 + type);
        EXPECT_EQ(p->getNumObjects(), 8);
        EXPECT_EQ(std::filesystem::file_size(dataFile(name)), sizes[type]) << name;
        EXPECT_EQ(namesOnDisk(), names += name + " ");
    }
}

// Rows in order on one document: names differing in case collide, except for narrow binary adds.
TEST_F(PropertyList, AddsFollowTakenNamesExistingFilesAndTheirSources) {
    const std::string src = dir.narrow("src.bin");
    ek::test::write_file(src, std::string(64, '\x01'));  // 8 doubles, or the first 8 of 16 integers
    ek::test::write_file(dataFile("Ghost"), "junk");
    const std::wstring wsrc = dir.file("src.bin");
    const unsigned cs = ek::test::k_case_sensitive_files;
    const struct { const char* name; std::function<TekVor4Property*()> add; bool added; unsigned count; } rows[] = {
        {"narrow add", [&] { return d.addProperty("Depth"s, 0, 0, false); }, true, 1},
        {"narrow, other case", [&] { return d.addProperty("DEPTH"s, 0, 0, false); }, false, 1},
        {"wide, other case", [&] { return d.addProperty(L"depth"s, 0, 0, false); }, false, 1},
        {"wide overwrite replaces", [&] { return d.addProperty(L"dePTH"s, 1, 4, true); }, true, 1},
        {"wide binary, other case", [&] { return d.addPropertyBinary(L"DEPTH"s, 0, 4, wsrc, true, false); }, false, 1},
        // ...where the file system tells the data files of names differing in case apart (not Windows).
        {"narrow binary copies", [&] { return d.addPropertyBinary("DEPTH"s, 0, 2, src, true, false); }, cs == 1, 1 + cs},
        {"empty narrow name", [&] { return d.addProperty(""s, 0, 0, false); }, false, 1 + cs},
        {"empty wide name", [&] { return d.addProperty(L""s, 0, 0, true); }, false, 1 + cs},
        {"data file exists", [&] { return d.addProperty("Ghost"s, 0, 1, false); }, false, 1 + cs},
        {"data file exists, overwrite", [&] { return d.addProperty("Ghost"s, 0, 1, true); }, true, 2 + cs},
        {"wide binary moves", [&] { return d.addPropertyBinary(L"M"s, 0, 4, wsrc, false, false); }, true, 3 + cs},
        {"missing source", [&] { return d.addPropertyBinary("Z"s, 0, 2, src, true, false); }, false, 3 + cs},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.add() != nullptr, r.added) << r.name;
        EXPECT_EQ(d.getNumProps(), r.count) << r.name;
    }
    EXPECT_EQ(namesOnDisk(), cs ? "dePTH DEPTH Ghost M " : "dePTH Ghost M ");
    EXPECT_EQ(std::filesystem::file_size(dataFile("Ghost")), 8u) << "created anew";
    EXPECT_EQ(ek::test::read_file(dataFile("M")), std::string(64, '\x01'));
    int v = 0;
    EXPECT_TRUE(!cs || (d.getProperty(1)->getValueInt(7, v) && v == 0x01010101));
    EXPECT_FALSE(std::filesystem::exists(dataFile("Z")) || std::filesystem::exists(src));

    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(path(), true));
    EXPECT_EQ(ro.addProperty("X"s, 0, 0, true), nullptr);
    EXPECT_EQ(ro.addProperty(L"X"s, 0, 0, true), nullptr);
    EXPECT_EQ(ro.addPropertyBinary(L"X"s, 0, 4, dir.file("M.bin"), true, true), nullptr);
    EXPECT_EQ(ro.addPropertyBinary("X"s, 0, 4, dataFile("M").string(), true, true), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dataFile("X")));
}

TEST_F(PropertyList, NamesAndCaptionsAreFoundAndMadeUnique) {
    EXPECT_STREQ(d.get_unin_name("A"), "A");
    addAll({"A", "A1", "Alpha"});
    d.getProperty(2)->setCaption("First"s);
    EXPECT_STREQ(d.get_unin_name("A"), "A2");
    EXPECT_STREQ(d.get_unin_name("a"), "a2") << "compared without regard to case";
    EXPECT_STREQ(d.get_unin_capt(L"FIRST"), L"FIRST1");
    EXPECT_STREQ(d.get_unin_capt(L"Free"), L"Free");
    const struct { const char* what; int got, want; } rows[] = {
        {"narrow name", d.getIndexByName("Alpha"s), 2},
        {"narrow name is exact", d.getIndexByName("alpha"s), -1},
        {"wide name ignores case", d.getIndexByName(L"ALPHA"s), 2},
        {"wide name, none", d.getIndexByName(L"Beta"s), -1},
        {"narrow caption", d.getIndexByCaption("A1"s), 1},
        {"narrow caption is exact", d.getIndexByCaption("first"s), -1},
        {"wide caption ignores case", d.getIndexByCaption(L"FIRST"s), 2},
        {"wide caption, none", d.getIndexByCaption(L"Alpha"s), -1},
    };
    for (const auto& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
    EXPECT_EQ(d.getProperty(3), nullptr);
    EXPECT_EQ(d.getProperty(0xFFFFFFFFu), nullptr);
}

TEST_F(PropertyList, DeletionsShiftTheIndexFieldsAndPackDropsTemporaries) {
    addAll({"P0", "P1", "P2", "P3", "T4", "P5", "T6"});
    d.setXPropIndex(2); d.setYPropIndex(3); d.setZPropIndex(1); d.setMaskPropIndex(5);
    ASSERT_TRUE(d.deleteProperty(2));
    EXPECT_EQ(std::vector<int>({d.getXPropIndex(), d.getYPropIndex(), d.getZPropIndex(), d.getMaskPropIndex()}),
              std::vector<int>({-1, 2, 1, 4}));
    EXPECT_FALSE(std::filesystem::exists(dataFile("P2")));
    EXPECT_EQ(namesOnDisk(), "P0 P1 P3 T4 P5 T6 ");
    EXPECT_FALSE(d.deleteProperty(6)) << "past the end";
    d.getProperty(3)->setTemp(true);
    d.getProperty(5)->setTemp(true);
    d.pack();
    EXPECT_EQ(namesOnDisk(), "P0 P1 P3 P5 ");

    std::filesystem::remove(dataFile("P1"));
    EXPECT_FALSE(d.deleteProperty(1)) << "the data file cannot be removed";
    EXPECT_TRUE(d.deletePropertyList(1)) << "it is gone already";
    EXPECT_EQ(namesOnDisk(), "P0 P3 P5 ");
    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(path(), true));
    EXPECT_FALSE(ro.deleteProperty(0) || ro.deletePropertyList(0)) << "read-only";
}

TEST_F(PropertyList, DeleteVorRemovesTheFilesAndLeavesADocumentThatWritesNothing) {
    addAll({"A", "B"});
    {
        TekVor4Impl ro;
        ASSERT_TRUE(ro.open(path(), true));
        EXPECT_FALSE(ro.deleteVor()) << "not while a writer holds the metadata file";
        EXPECT_TRUE(std::filesystem::exists(path()));
    }
    ASSERT_TRUE(d.save());
    ASSERT_TRUE(d.deleteVor());
    EXPECT_EQ(d.getNumProps(), 0u);
    EXPECT_FALSE(std::filesystem::exists(path()) || std::filesystem::exists(dataFile("A")));
    EXPECT_TRUE(d.save());
    EXPECT_TRUE(d.create(path()));
    EXPECT_FALSE(std::filesystem::exists(path())) << "not even create clears the deleted state";

    // With no writer left, a read-only document loses only its metadata file.
    const std::string other = dir.narrow("other.xml");
    {
        TekVor4Impl w;
        ASSERT_TRUE(w.create(other));
        ASSERT_NE(w.addProperty(std::string("A"), 0, 0, false), nullptr);
    }
    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(other, true));
    ASSERT_TRUE(ro.deleteVor());
    EXPECT_EQ(ro.getNumProps(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "other.A.property"));
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_FALSE(ro.deleteVor()) << "the metadata file is already gone";
}

TEST_F(PropertyList, BoxesOfPointSetsComeFromTheCoordinateStatistics) {
    addAll({"P0", "P1", "P2", "P3", "V"});
    for (unsigned k = 0; k < 4; ++k) {
        d.getProperty(k)->setMin(k * 10);
        d.getProperty(k)->setMax(k * 10 + 1);
    }
    const double N = -99;
    const struct { const char* name; unsigned char type; int z; unsigned index; bool ok; std::vector<double> box; }
        rows[] = {
        {"3D points", 6, 3, 0, true, {10, 11, 20, 21, 30, 31}},
        {"2D points", 4, 3, 2, true, {10, 11, 20, 21, N, N}},
        {"1D points", 2, 3, 3, true, {10, 11, N, N, N, N}},
        {"regular grid", 3, 3, 0, false, {N, N, N, N, N, N}},
        {"no statistics at the index", 6, 3, 4, false, {N, N, N, N, N, N}},
        {"index past the end", 6, 3, 5, false, {N, N, N, N, N, N}},
        {"Z names no property", 6, 5, 0, false, {N, N, N, N, N, N}},
        {"Z unset", 6, -1, 0, false, {N, N, N, N, N, N}},
    };
    d.setXPropIndex(1); d.setYPropIndex(2);
    for (const auto& r : rows) {
        d.setGridType(r.type);
        d.setZPropIndex(r.z);
        std::vector<double> box(6, N);
        EXPECT_EQ(d.getBox(r.index, box.data()), r.ok) << r.name;
        EXPECT_EQ(box, r.box) << r.name;
    }
    EXPECT_FALSE(d.getBox(0, nullptr));
}

}  // namespace
