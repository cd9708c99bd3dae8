// The data file's life: creation with missing values, opening, closing, deletion, and what
// the run operations report for missing, truncated and locked files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "filesystem/fileio.h"
#include "property_test_support.h"

using namespace ek::test;

TEST(PropertyInit, NewFilesHoldTheMissingPatternOfTheirType) {
    TempDir dir;
    auto mask = make_property(dir, "mask", dtBitmask, gt1D, 10);
    ASSERT_TRUE(mask->init(false));
    EXPECT_EQ(file_bytes(mask->getFileNameW()), (std::vector<unsigned char>{0, 0}));

    auto bytes = make_property(dir, "bytes", dtByte, gt1D, 3);
    ASSERT_TRUE(bytes->init(false));
    EXPECT_EQ(file_bytes(bytes->getFileNameW()), (std::vector<unsigned char>{0xFF, 0xFF, 0xFF}));

    auto ints = make_property(dir, "ints", dtInteger, gt2D, 2, 1);
    ASSERT_TRUE(ints->init(false));
    EXPECT_EQ(file_bytes(ints->getFileNameW()), (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F}));

    auto singles = make_property(dir, "singles", dtSingle, gt3D, 2, 2, 2);
    ASSERT_TRUE(singles->init(false));
    const auto s = from_bytes<float>(file_bytes(singles->getFileNameW()));
    ASSERT_EQ(s.size(), 8u);
    for (float v : s) EXPECT_TRUE(std::isnan(v));

    auto doubles = make_property(dir, "doubles", dtDouble, gt1D, 5);
    ASSERT_TRUE(doubles->init(false));
    const auto d = from_bytes<double>(file_bytes(doubles->getFileNameW()));
    ASSERT_EQ(d.size(), 5u);
    for (double v : d) EXPECT_TRUE(std::isnan(v));
}

TEST(PropertyInit, LongRowsAndManyRowsAreWrittenWhole) {
    TempDir dir;
    // A row far longer than any internal piece, and many short rows.
    auto longRow = make_property(dir, "long", dtDouble, gt1D, 300001);
    ASSERT_TRUE(longRow->init(true));
    const auto bytes = file_bytes(longRow->getFileNameW());
    ASSERT_EQ(bytes.size(), 300001u * 8);
    const auto d = from_bytes<double>(bytes);
    EXPECT_TRUE(std::isnan(d.front()) && std::isnan(d[150000]) && std::isnan(d.back()));

    auto shortRows = make_property(dir, "short", dtBitmask, gt2D, 3, 1001);
    ASSERT_TRUE(shortRows->init(true));
    EXPECT_EQ(file_bytes(shortRows->getFileNameW()), std::vector<unsigned char>((3003 + 7) / 8, 0));

    auto empty = make_property(dir, "empty", dtByte, gt2D, 0, 5);
    ASSERT_TRUE(empty->init(true));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "empty.property"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "empty.property"), 0u);
}

TEST(PropertyInit, FunctionGridsScaleTheFileAgain) {
    TempDir dir;
    // The object count is already scaled when the lengths come before the sizes; the file of a
    // function grid is scaled once more.
    auto f1 = make_property(dir, "f1", dtByte, gtFunc1D, 1, 1);
    f1->setFuncLX(2);
    f1->setSize(2, 1, 1);  // 2 * (2 + 1) = 6 objects
    ASSERT_EQ(f1->getNumObjects(), 6);
    ASSERT_TRUE(f1->init(true));
    EXPECT_EQ(file_bytes(f1->getFileNameW()).size(), 18u);

    auto f2 = make_property(dir, "f2", dtByte, gtFunc2D, 1, 1);
    f2->setFuncLX(2);
    f2->setFuncLY(3);
    f2->setNumObjects(1);  // 7 objects
    ASSERT_TRUE(f2->init(true));
    EXPECT_EQ(file_bytes(f2->getFileNameW()).size(), 49u);

    // Other grid types are not scaled in the file.
    auto plain = make_property(dir, "plain", dtByte, gt2D, 1, 1);
    plain->setFuncLX(2);
    plain->setNumObjects(2);
    ASSERT_TRUE(plain->init(true));
    EXPECT_EQ(file_bytes(plain->getFileNameW()).size(), 6u);
}

TEST(PropertyInit, ExistingFileIsKeptUnlessForced) {
    TempDir dir;
    auto p = make_property(dir, "keep", dtByte, gt1D, 3);
    put_bytes(p->getFileNameW(), {1, 2, 3, 4});
    EXPECT_FALSE(p->init(false));
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{1, 2, 3, 4}));
    // A folder at the path counts as existing.
    std::filesystem::create_directory(dir.path() / "folder.property");
    TekVor4PropertyImpl onFolder(dir.file("folder.property"), false);
    onFolder.setDataType(dtByte);
    onFolder.setSize(3, 1, 1);
    EXPECT_FALSE(onFolder.init(false));
    EXPECT_FALSE(onFolder.init(true));  // and a folder cannot become a data file

    EXPECT_TRUE(p->init(true));
    EXPECT_EQ(file_bytes(p->getFileNameW()), (std::vector<unsigned char>{0xFF, 0xFF, 0xFF}));
}

TEST(PropertyInit, ReplacesTheFileWhileTheOwnHandleIsOpen) {
    TempDir dir;
    auto p = make_property(dir, "open", dtInteger, gt1D, 4);
    ASSERT_TRUE(p->init(true));
    const int values[4] = {1, 2, 3, 4};
    ASSERT_EQ(p->write_data(0, values, 4, dtInteger, 0), 0);
    p->setValueInt(1, 20);  // a dirty window must not reappear in the new file
    ASSERT_TRUE(p->init(true));
    int out[4] = {};
    ASSERT_EQ(p->readRawData(0, 4, out, 4, dtInteger, 0), 0);
    for (int v : out) EXPECT_EQ(v, 2147483647);
    int one = 0;
    EXPECT_FALSE(p->getValueInt(1, one));
}

TEST(PropertyInit, UnusablePathFails) {
    TempDir dir;
    TekVor4PropertyImpl noPath(std::wstring(), false);
    noPath.setSize(2, 1, 1);
    EXPECT_FALSE(noPath.init(true));
    TekVor4PropertyImpl noFolder(dir.file("missing/sub/x.property"), false);
    noFolder.setSize(2, 1, 1);
    EXPECT_FALSE(noFolder.init(true));
}

TEST(PropertyFile, OpenRequiresAnExistingFile) {
    TempDir dir;
    auto p = make_property(dir, "absent", dtSingle, gt1D, 4);
    EXPECT_FALSE(p->openDataFile());
    EXPECT_FALSE(p->openDataFileRead());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent.property"));  // never created here
    float out[4];
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtSingle, 0), 2);
    EXPECT_EQ(p->write_data(0, out, 1, dtSingle, 0), 2);
    long long idx[4];
    EXPECT_EQ(p->readRawData_index(0, 4, idx, 0, 4, 1), 2);
    float v = 0;
    EXPECT_FALSE(p->getValueSingle(0, v));
    ASSERT_TRUE(p->init(false));
    EXPECT_TRUE(p->openDataFile());
    EXPECT_TRUE(p->openDataFile());  // already open
}

TEST(PropertyFile, TruncatedFileGivesFileError) {
    TempDir dir;
    auto p = make_property(dir, "short", dtInteger, gt1D, 4);
    ASSERT_TRUE(p->init(true));
    put_bytes(p->getFileNameW(), as_bytes(std::vector<int>{5, 6}));
    int out[4] = {};
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtInteger, 0), 2);  // direct path
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtDouble, 0), 2);   // converting path
    EXPECT_EQ(p->readRawData(0, 2, out, 2, dtInteger, 0), 0);
    EXPECT_EQ(out[1], 6);
    // The window of 4 values cannot be read either.
    int v = 0;
    EXPECT_FALSE(p->getValueInt(0, v));

    auto mask = make_property(dir, "mask", dtBitmask, gt1D, 20);
    ASSERT_TRUE(mask->init(true));
    put_bytes(mask->getFileNameW(), {0xFF});
    unsigned char bits[20];
    EXPECT_EQ(mask->readRawData(0, 20, bits, 20, dtBitmask, 0), 2);
    EXPECT_EQ(mask->readRawData(0, 8, bits, 8, dtBitmask, 0), 0);
    EXPECT_EQ(bits[7], 1);
}

TEST(PropertyFile, LockedFileGivesFileError) {
    TempDir dir;
    auto p = make_property(dir, "locked", dtSingle, gt1D, 4);
    ASSERT_TRUE(p->init(true));
    ek::fileio other;
    ASSERT_TRUE(other.open(p->getFileNameW(), L"rb+"));  // another handle holds it for writing
    float out[4];
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtSingle, 0), 2);
    EXPECT_EQ(p->write_data(0, out, 1, dtSingle, 0), 2);
    float v = 0;
    EXPECT_FALSE(p->getValueSingle(0, v));
    EXPECT_FALSE(p->init(true));  // cannot be recreated under someone else's hands
    other.close();
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtSingle, 0), 0);
}

TEST(PropertyFile, ReadOnlyPropertySharesTheFileWithReaders) {
    TempDir dir;
    auto w = make_property(dir, "shared", dtByte, gt1D, 2);
    ASSERT_TRUE(w->init(true));
    auto r1 = make_property(dir, "shared", dtByte, gt1D, 2, 1, 1, true);
    auto r2 = make_property(dir, "shared", dtByte, gt1D, 2, 1, 1, true);
    unsigned char out[2];
    EXPECT_EQ(r1->readRawData(0, 2, out, 2, dtByte, 0), 0);
    EXPECT_EQ(r2->readRawData(0, 2, out, 2, dtByte, 0), 0);
    EXPECT_EQ(out[0], 255);
    // A writer is excluded while readers hold the file.
    const unsigned char one = 1;
    EXPECT_EQ(w->write_data(0, &one, 1, dtByte, 0), 2);
    r1->close();
    r2->close();
    EXPECT_EQ(w->write_data(0, &one, 1, dtByte, 0), 0);
}

TEST(PropertyFile, CloseWritesTheWindowBackAndReleasesTheFile) {
    TempDir dir;
    auto p = make_property(dir, "close", dtInteger, gt1D, 3);
    ASSERT_TRUE(p->init(true));
    p->setValueInt(1, 42);
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW()))[1], 2147483647);  // still in the window
    p->close();
    EXPECT_EQ(from_bytes<int>(file_bytes(p->getFileNameW())), (std::vector<int>{2147483647, 42, 2147483647}));
    // The file is free for others now, and the window still serves values.
    ek::fileio other;
    ASSERT_TRUE(other.open(p->getFileNameW(), L"rb+"));
    int v = 0;
    EXPECT_TRUE(p->getValueInt(1, v));
    EXPECT_EQ(v, 42);
    other.close();
    p->close();  // twice is harmless
}

TEST(PropertyFile, DestructionWritesTheWindowBack) {
    TempDir dir;
    std::wstring path;
    {
        auto p = make_property(dir, "dtor", dtDouble, gt1D, 2);
        ASSERT_TRUE(p->init(true));
        p->setValueDouble(0, 2.5);
        path = p->getFileNameW();
    }
    const auto d = from_bytes<double>(file_bytes(path));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0], 2.5);
    EXPECT_TRUE(std::isnan(d[1]));
}

TEST(PropertyFile, DeleteClosesThenRemoves) {
    TempDir dir;
    auto p = make_property(dir, "gone", dtSingle, gt1D, 4);
    ASSERT_TRUE(p->init(true));
    float out[4];
    ASSERT_EQ(p->readRawData(0, 4, out, 4, dtSingle, 0), 0);  // the file is open now
    p->setValueSingle(0, 1.0f);
    EXPECT_TRUE(p->deletePropFile());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone.property"));
    EXPECT_EQ(p->readRawData(0, 4, out, 4, dtSingle, 0), 2);
    float v = 0;
    EXPECT_FALSE(p->getValueSingle(0, v));  // the window does not outlive its file
    EXPECT_FALSE(p->deletePropFile());      // nothing left to delete
}
