// The property list's adds, finds, deletions, packing, deleteVor and boxes; the file follows each change.
#include <gtest/gtest.h>

#include <functional>

#include "support/document_fixture.h"
#include "support/host_platform.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

class PropertyList : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ek::test::make_document(dir.file("doc.xml"), 4, 2, {}) && d.open(path(), 0)); }
    std::string path() const { return dir.narrow("doc.xml"); }
    fs::path dataFile(const std::string& name) const { return dir.path() / ("doc." + name + ".property"); }
    void addAll(std::initializer_list<const char*> names) {
        for (const char* n : names) ASSERT_NE(d.addProperty(std::string(n), 0, 0, false), nullptr) << n;
    }
    std::string namesOnDisk() const {  // what a fresh reader of the file sees
        TekVor4Impl r;
        std::string names = r.open(path(), true) ? "" : "<unreadable>";
        for (unsigned i = 0; i < r.getNumProps(); ++i) names += r.getProperty(i)->getName() + " ";
        return names;
    }
    ek::test::TempDir dir;
    TekVor4Impl d;
};

// Rows in order on one document of 8 objects: T0 to T4 are one property of each data type (8 mask
// bits in one byte); names differing in case collide, except for narrow binary adds.
TEST_F(PropertyList, AddsFollowTakenNamesExistingFilesAndTheirSources) {
    const std::string src = dir.narrow("src.bin");
    ek::test::write_file(src, std::string(64, '\x01'));  // 8 doubles, or the first 8 of 16 integers
    ek::test::write_file(dataFile("Ghost"), "junk");
    const std::wstring wsrc = dir.file("src.bin");
    const unsigned cs = ek::test::k_case_sensitive_files;  // else T0 and t0 have one data file
    const struct { const char* name; std::function<TekVor4Property*()> add; unsigned count; } rows[] = {
        {"T0", [&] { return d.addProperty("T0"s, 2, 0, false); }, 1},
        {"T1", [&] { return d.addProperty(L"T1"s, 2, 1, false); }, 2},
        {"T2", [&] { return d.addProperty("T2"s, 2, 2, false); }, 3},
        {"T3", [&] { return d.addProperty(L"T3"s, 2, 3, false); }, 4},
        {"T4", [&] { return d.addProperty("T4"s, 2, 4, false); }, 5},
        {"-other case", [&] { return d.addProperty("t0"s, 0, 0, false); }, 5},
        {"+wide overwrite replaces", [&] { return d.addProperty(L"t0"s, 1, 4, true); }, 5},
        {"-wide binary, other case", [&] { return d.addPropertyBinary(L"T0"s, 0, 4, wsrc, true, false); }, 5},
        {cs ? "+narrow binary copies" : "-narrow binary, t0's file", [&] { return d.addPropertyBinary("T0"s, 0, 2, src, true, false); }, 5 + cs},
        {"-empty name", [&] { return d.addProperty(L""s, 0, 0, true); }, 5 + cs},
        {"-data file exists", [&] { return d.addProperty("Ghost"s, 0, 1, false); }, 5 + cs},
        {"+data file exists, overwrite", [&] { return d.addProperty("Ghost"s, 0, 1, true); }, 6 + cs},
        {"+wide binary moves", [&] { return d.addPropertyBinary(L"M"s, 0, 4, wsrc, false, false); }, 7 + cs},
        {"-missing source", [&] { return d.addPropertyBinary("Z"s, 0, 2, src, true, false); }, 7 + cs},
        {"+overwrite without data file",
         [&] { return fs::remove(dataFile("M")) ? d.addProperty("M"s, 0, 4, true) : nullptr; }, 7 + cs},
    };
    const uintmax_t sizes[] = {32, 8, 32, 1, 64};
    for (const auto& r : rows) {
        TekVor4Property* p = r.add();
        EXPECT_EQ(p != nullptr, r.name[0] != '-') << r.name;
        EXPECT_EQ(d.getNumProps(), r.count) << r.name;
        if (r.name[0] != 'T') continue;
        const unsigned type = unsigned(r.name[1] - '0');
        EXPECT_EQ(p->getCaption() + (p->getTemp() ? " temp" : ""), r.name) << "caption is the name, not temporary";
        EXPECT_EQ(p->getPropKind() * 10 + p->getDataType() + p->getNumObjects() * 100, 820 + type);
        EXPECT_EQ(fs::file_size(dataFile(r.name)), sizes[type]) << r.name;
        EXPECT_NE(namesOnDisk().find(r.name), std::string::npos) << "saved at once";
    }
    EXPECT_EQ(namesOnDisk(), cs ? "T1 T2 T3 T4 t0 T0 Ghost M " : "T1 T2 T3 T4 t0 Ghost M ");
    EXPECT_EQ(fs::file_size(dataFile("Ghost")), 8u) << "created anew";
    int v = 0;
    EXPECT_TRUE(!cs || (d.getProperty(5)->getValueInt(7, v) && v == 0x01010101)) << "copied from the source";
    EXPECT_FALSE(fs::exists(dataFile("Z")) || fs::exists(src)) << "moved away";
    TekVor4Impl ro;
    EXPECT_FALSE(!ro.open(path(), true) || ro.addProperty(L"X"s, 0, 0, true) ||
                 ro.addPropertyBinary(L"X"s, 0, 4, dataFile("M").wstring(), true, true) || fs::exists(dataFile("X")));
}

TEST_F(PropertyList, NamesAndCaptionsAreFoundAndMadeUnique) {
    addAll({"A", "A1", "Alpha"});
    d.getProperty(2)->setCaption("First"s);
    EXPECT_STREQ(d.get_unin_name("a"), "a2") << "compared without case";
    EXPECT_STREQ(d.get_unin_capt(L"FIRST"), L"FIRST1");
    const struct { const char* what; int got, want; } rows[] = {
        {"narrow name", d.getIndexByName("Alpha"s), 2}, {"narrow name is exact", d.getIndexByName("alpha"s), -1},
        {"wide name ignores case", d.getIndexByName(L"ALPHA"s), 2}, {"wide name, none", d.getIndexByName(L"Beta"s), -1},
        {"narrow caption", d.getIndexByCaption("A1"s), 1}, {"narrow caption exact", d.getIndexByCaption("first"s), -1},
        {"wide caption ignores case", d.getIndexByCaption(L"FIRST"s), 2}, {"none", d.getIndexByCaption(L"B"s), -1},
        {"index past the end", d.getProperty(3) != nullptr, 0}, {"last", d.getProperty(0xFFFFFFFFu) != nullptr, 0}};
    for (const auto& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

TEST_F(PropertyList, DeletionsShiftTheIndexFieldsAndPackDropsTemporaries) {
    addAll({"P0", "P1", "P2", "P3", "T4", "P5", "T6"});
    d.setXPropIndex(2), d.setYPropIndex(3), d.setZPropIndex(1), d.setMaskPropIndex(5);
    ASSERT_TRUE(d.deleteProperty(2));
    EXPECT_EQ(std::vector<int>({d.getXPropIndex(), d.getYPropIndex(), d.getZPropIndex(), d.getMaskPropIndex()}),
              std::vector<int>({-1, 2, 1, 4}));
    EXPECT_FALSE(fs::exists(dataFile("P2")) || d.deleteProperty(6)) << "gone; 6 is past the end";
    EXPECT_EQ(namesOnDisk(), "P0 P1 P3 T4 P5 T6 ");
    d.getProperty(3)->setTemp(true), d.getProperty(5)->setTemp(true), d.pack();
    EXPECT_EQ(namesOnDisk(), "P0 P1 P3 P5 ");
    fs::remove(dataFile("P1"));
    EXPECT_FALSE(d.deleteProperty(1)) << "the data file cannot be removed";
    EXPECT_TRUE(d.deletePropertyList(1)) << "it is gone already";
    EXPECT_EQ(namesOnDisk(), "P0 P3 P5 ");
    TekVor4Impl ro;
    EXPECT_FALSE(!ro.open(path(), true) || ro.deleteProperty(0) || ro.deletePropertyList(0)) << "read-only";
}

TEST_F(PropertyList, DeleteVorRemovesTheFilesAndLeavesADocumentThatWritesNothing) {
    addAll({"A"});
    TekVor4Impl ro;
    ASSERT_TRUE(ro.open(path(), true));
    EXPECT_FALSE(ro.deleteVor()) << "not while a writer holds the metadata file";
    ASSERT_TRUE(d.deleteVor());
    EXPECT_FALSE(d.getNumProps() || fs::exists(path()) || fs::exists(dataFile("A")));
    EXPECT_TRUE(d.save() && d.create(path()));
    EXPECT_FALSE(fs::exists(path())) << "not even create clears the deleted state";
    // With no writer left, a read-only document loses only its metadata file.
    ASSERT_TRUE(ek::test::make_document(dir.file("doc.xml"), 2, 2, {{L"A", 0}}) && ro.deleteVor());
    EXPECT_FALSE(ro.getNumProps() != 1 || fs::exists(path()) || !fs::exists(dataFile("A")));
    EXPECT_FALSE(ro.deleteVor()) << "the metadata file is already gone";
}

TEST_F(PropertyList, BoxesOfPointSetsComeFromTheCoordinateStatistics) {
    addAll({"P0", "P1", "P2", "P3", "V"});
    for (unsigned k = 0; k < 4; ++k) d.getProperty(k)->setMin(k * 10), d.getProperty(k)->setMax(k * 10 + 1);
    const struct { const char* name; unsigned char type; int z; unsigned index; std::vector<double> box; } rows[] = {
        {"3D points", 6, 3, 0, {10, 11, 20, 21, 30, 31}}, {"2D points", 4, 3, 2, {10, 11, 20, 21}},
        {"1D points", 2, 3, 3, {10, 11}}, {"regular grid", 3, 3, 0, {}}, {"no statistics at the index", 6, 3, 4, {}},
        {"index past the end", 6, 3, 5, {}}, {"Z names no property", 6, 5, 0, {}}, {"Z unset", 6, -1, 0, {}}};
    d.setXPropIndex(1), d.setYPropIndex(2);
    for (const auto& r : rows) {
        d.setGridType(r.type), d.setZPropIndex(r.z);
        std::vector<double> box(6, -99), want = r.box;
        want.resize(6, -99);
        EXPECT_EQ(d.getBox(r.index, box.data()), !r.box.empty()) << r.name;
        EXPECT_EQ(box, want) << r.name;
    }
    EXPECT_FALSE(d.getBox(0, nullptr));
}

}  // namespace
