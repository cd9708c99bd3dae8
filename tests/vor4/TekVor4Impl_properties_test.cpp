// The property list: adds, finds, unique names, deletions, packing and deleting the document,
// with the metadata file on disk following every change at once.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "vor4/TekVor4Impl.h"

namespace {

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
    // What a fresh reader of the file on disk sees.
    std::vector<std::string> namesOnDisk() const {
        TekVor4Impl r;
        std::vector<std::string> names;
        if (!r.open(path(), true)) return {"<unreadable>"};
        for (unsigned i = 0; i < r.getNumProps(); ++i) names.push_back(r.getProperty(i)->getName());
        return names;
    }
    ek::test::TempDir dir;
    TekVor4Impl d;
};

TEST_F(PropertyList, AddCreatesTheDataFileAndSavesAtOnce) {
    TekVor4Property* p = d.addProperty(std::string("A"), 2, 2, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getCaption(), "A") << "a new property's caption is its name";
    EXPECT_FALSE(p->getTemp());
    EXPECT_EQ(p->getPropKind(), 2);
    EXPECT_EQ(p->getNumObjects(), 8);
    EXPECT_EQ(std::filesystem::file_size(dataFile("A")), 32u);
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"A"}));
    ASSERT_NE(d.addProperty(std::wstring(L"B"), 0, 3, false), nullptr);
    EXPECT_EQ(std::filesystem::file_size(dataFile("B")), 1u) << "8 mask bits in one byte";
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(PropertyList, AddRefusesEmptyNamesAndReadOnlyDocuments) {
    EXPECT_EQ(d.addProperty(std::string(""), 0, 0, false), nullptr);
    EXPECT_EQ(d.addProperty(std::wstring(L""), 0, 0, true), nullptr);
    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(path(), true));
    EXPECT_EQ(ro.addProperty(std::string("X"), 0, 0, true), nullptr);
    EXPECT_EQ(ro.addPropertyBinary(std::wstring(L"X"), 0, 0, L"/nonexistent", true, true), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dataFile("X")));
}

TEST_F(PropertyList, NamesDifferingInCaseCollideExceptForNarrowBinaryAdds) {
    ASSERT_NE(d.addProperty(std::string("Depth"), 0, 0, false), nullptr);
    EXPECT_EQ(d.addProperty(std::string("DEPTH"), 0, 0, false), nullptr);
    EXPECT_EQ(d.addProperty(std::wstring(L"depth"), 0, 0, false), nullptr);
    EXPECT_EQ(d.getNumProps(), 1u);
    TekVor4Property* replaced = d.addProperty(std::wstring(L"dePTH"), 1, 4, true);
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(d.getNumProps(), 1u);
    EXPECT_EQ(d.getProperty(0)->getNameW(), L"dePTH");

    // A prepared data file of 8 doubles.
    const std::string src = dir.narrow("src.bin");
    { std::ofstream(src, std::ios::binary) << std::string(64, '\0'); }
    EXPECT_EQ(d.addPropertyBinary(std::wstring(L"DEPTH"), 0, 4, dir.file("src.bin"), true, false), nullptr)
        << "the wide form compares without regard to case";
    TekVor4Property* second = d.addPropertyBinary(std::string("DEPTH"), 0, 4, src, true, false);
    ASSERT_NE(second, nullptr) << "the narrow form compares exactly and adds a second property";
    EXPECT_EQ(d.getNumProps(), 2u);
}

TEST_F(PropertyList, AddFailsWhenTheDataFileExistsUnlessOverwriting) {
    { std::ofstream(dataFile("Ghost"), std::ios::binary) << "junk"; }
    EXPECT_EQ(d.addProperty(std::string("Ghost"), 0, 1, false), nullptr);
    EXPECT_EQ(d.getNumProps(), 0u);
    ASSERT_NE(d.addProperty(std::string("Ghost"), 0, 1, true), nullptr);
    EXPECT_EQ(std::filesystem::file_size(dataFile("Ghost")), 8u) << "created anew";
}

TEST_F(PropertyList, BinaryAddCopiesOrMovesAndFailsCleanly) {
    const std::string src = dir.narrow("src.bin");
    { std::ofstream(src, std::ios::binary) << std::string(32, '\x01'); }
    TekVor4Property* copied = d.addPropertyBinary(std::string("C"), 0, 2, src, true, false);
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(std::filesystem::exists(src));
    int v = 0;
    EXPECT_TRUE(copied->getValueInt(0, v));
    EXPECT_EQ(v, 0x01010101);
    TekVor4Property* moved = d.addPropertyBinary(std::wstring(L"M"), 0, 2, dir.file("src.bin"), false, false);
    ASSERT_NE(moved, nullptr);
    EXPECT_FALSE(std::filesystem::exists(src));
    EXPECT_TRUE(std::filesystem::exists(dataFile("M")));
    EXPECT_EQ(d.addPropertyBinary(std::string("Z"), 0, 2, dir.narrow("missing.bin"), true, false), nullptr);
    EXPECT_EQ(d.getNumProps(), 2u);
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"C", "M"}));
}

TEST_F(PropertyList, UniqueNamesAndCaptions) {
    EXPECT_STREQ(d.get_unin_name("A"), "A");
    ASSERT_NE(d.addProperty(std::string("A"), 0, 0, false), nullptr);
    ASSERT_NE(d.addProperty(std::string("A1"), 0, 0, false), nullptr);
    EXPECT_STREQ(d.get_unin_name("A"), "A2");
    EXPECT_STREQ(d.get_unin_name("a"), "a2") << "compared without regard to case";
    d.getProperty(0)->setCaption(std::wstring(L"Cap"));
    EXPECT_STREQ(d.get_unin_capt(L"CAP"), L"CAP1");
    EXPECT_STREQ(d.get_unin_capt(L"Free"), L"Free");
}

TEST_F(PropertyList, LookupsNarrowExactWideWithoutCase) {
    ASSERT_NE(d.addProperty(std::string("Alpha"), 0, 0, false), nullptr);
    d.getProperty(0)->setCaption(std::string("First"));
    EXPECT_EQ(d.getIndexByName(std::string("Alpha")), 0);
    EXPECT_EQ(d.getIndexByName(std::string("alpha")), -1);
    EXPECT_EQ(d.getIndexByName(std::wstring(L"ALPHA")), 0);
    EXPECT_EQ(d.getIndexByCaption(std::string("first")), -1);
    EXPECT_EQ(d.getIndexByCaption(std::wstring(L"FIRST")), 0);
    EXPECT_EQ(d.getProperty(1), nullptr);
    EXPECT_EQ(d.getProperty(0xFFFFFFFFu), nullptr);
}

TEST_F(PropertyList, DeletionShiftsTheIndexFields) {
    for (const char* n : {"P0", "P1", "P2", "P3"}) ASSERT_NE(d.addProperty(std::string(n), 0, 0, false), nullptr);
    d.setXPropIndex(2);
    d.setYPropIndex(3);
    d.setZPropIndex(1);
    d.setMaskPropIndex(-1);
    ASSERT_TRUE(d.deleteProperty(2));
    EXPECT_EQ(d.getXPropIndex(), -1);
    EXPECT_EQ(d.getYPropIndex(), 2);
    EXPECT_EQ(d.getZPropIndex(), 1);
    EXPECT_EQ(d.getMaskPropIndex(), -1);
    EXPECT_FALSE(std::filesystem::exists(dataFile("P2")));
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"P0", "P1", "P3"}));
    EXPECT_FALSE(d.deleteProperty(3)) << "past the end";
}

TEST_F(PropertyList, AMissingDataFileBlocksDeletePropertyButNotDeletePropertyList) {
    ASSERT_NE(d.addProperty(std::string("Gone"), 0, 0, false), nullptr);
    std::filesystem::remove(dataFile("Gone"));
    EXPECT_FALSE(d.deleteProperty(0));
    EXPECT_EQ(d.getNumProps(), 1u);
    EXPECT_TRUE(d.deletePropertyList(0));
    EXPECT_EQ(d.getNumProps(), 0u);
    EXPECT_TRUE(namesOnDisk().empty());
}

TEST_F(PropertyList, PackRemovesTemporaryPropertiesInOrder) {
    for (const char* n : {"K0", "T1", "K2", "T3", "K4"}) ASSERT_NE(d.addProperty(std::string(n), 0, 0, false), nullptr);
    d.getProperty(1)->setTemp(true);
    d.getProperty(3)->setTemp(true);
    d.pack();
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"K0", "K2", "K4"}));
}

TEST_F(PropertyList, DeleteVorRemovesEverythingAndLaterSavesWriteNothing) {
    ASSERT_NE(d.addProperty(std::string("A"), 0, 0, false), nullptr);
    ASSERT_NE(d.addProperty(std::string("B"), 0, 0, false), nullptr);
    ASSERT_TRUE(d.deleteVor());
    EXPECT_EQ(d.getNumProps(), 0u);
    EXPECT_FALSE(std::filesystem::exists(path()));
    EXPECT_FALSE(std::filesystem::exists(dataFile("A")));
    EXPECT_TRUE(d.save());
    EXPECT_FALSE(std::filesystem::exists(path())) << "a deleted document writes nothing";
    EXPECT_TRUE(d.create(path()));
    EXPECT_FALSE(std::filesystem::exists(path())) << "not even create clears the deleted state";
}

TEST_F(PropertyList, DeleteVorOnAReadOnlyDocumentRemovesOnlyTheMetadataFile) {
    ASSERT_NE(d.addProperty(std::string("A"), 0, 0, false), nullptr);
    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(path(), true));
    EXPECT_TRUE(ro.deleteVor());
    EXPECT_EQ(ro.getNumProps(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dataFile("A")));
    EXPECT_FALSE(std::filesystem::exists(path()));
    EXPECT_FALSE(ro.deleteVor()) << "the metadata file is already gone";
}

}  // namespace
