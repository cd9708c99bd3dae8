// Undo at the property level: metadata, single values, null values and block writes through the
// property proxies of a loaded document, with block-write undo data in temporary files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>

#include "proxy_test_support.h"

namespace {

using ek::test::file_values;
using ek::test::Loaded;
using ek::test::read_values;
using ek::test::Subscriber;
using ek::test::UndoEnvironment;

class PropertyUndo : public ::testing::Test {
protected:
    void SetUp() override {
        // 10 x 3 cells; S single, Y byte, I integer, M bitmask, D double.
        ASSERT_TRUE(ek::test::make_document(path, 10, 3, {{L"S", 0}, {L"Y", 1}, {L"I", 2}, {L"M", 3}, {L"D", 4}}));
        doc = std::make_unique<Loaded>(path);
        ASSERT_TRUE(doc->opened());
    }
    TekVor4Property* handle(const wchar_t* name) {
        return (*doc)->getProperty(unsigned((*doc)->getIndexByName(std::wstring(name))));
    }
    Tek_history* history() { return doc->history(); }

    UndoEnvironment env;
    std::wstring path = env.file("doc.xml");
    std::unique_ptr<Loaded> doc;
};

TEST_F(PropertyUndo, ABlockWriteKeepsTheOverwrittenValuesInATemporaryFile) {
    TekVor4Property* s = handle(L"S");
    const float before[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(doc->own(L"S")->write_data(10, before, 5, 0, 0), 0);  // unrecorded setup
    const float data[5] = {10, 11, 12, 13, 14};
    EXPECT_EQ(s->write_data(10, data, 5, 0, 0), 0);
    EXPECT_EQ(read_values<float>(s, 10, 5, 0), (std::vector<float>{10, 11, 12, 13, 14}));

    auto files = env.undo_files();
    ASSERT_EQ(files.size(), 1u) << "one temporary file in the options' folder";
    EXPECT_EQ(std::filesystem::file_size(files[0]), 20u);
    EXPECT_EQ(file_values<float>(files[0]), (std::vector<float>{1, 2, 3, 4, 5}));

    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(read_values<float>(s, 10, 5, 0), (std::vector<float>{1, 2, 3, 4, 5}));
    EXPECT_EQ(file_values<float>(files[0]), (std::vector<float>{10, 11, 12, 13, 14}));
    ASSERT_TRUE(ek_history_redo(history(), 1));
    EXPECT_EQ(read_values<float>(s, 10, 5, 0), (std::vector<float>{10, 11, 12, 13, 14}));
    EXPECT_EQ(file_values<float>(files[0]), (std::vector<float>{1, 2, 3, 4, 5}));

    ek_history_clear(history());
    EXPECT_TRUE(env.undo_files().empty()) << "the file goes with its item";
}

TEST_F(PropertyUndo, StridesPickEveryStepthElementAndZeroOrOneMeanContiguous) {
    TekVor4Property* i = handle(L"I");
    const int source[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(i->write_data(0, source, 3, 2, 3), 0);
    EXPECT_EQ(read_values<int>(i, 0, 3, 2), (std::vector<int>{0, 3, 6}));
    EXPECT_EQ(i->write_data(5, source, 3, 2, 0), 0);
    EXPECT_EQ(read_values<int>(i, 5, 3, 2), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(i->write_data(20, source + 4, 3, 2, 1), 0);
    EXPECT_EQ(read_values<int>(i, 20, 3, 2), (std::vector<int>{4, 5, 6}));
    ASSERT_TRUE(ek_history_undo(history(), 3));
    const std::vector<int> nulls(3, 2147483647);
    EXPECT_EQ(read_values<int>(i, 0, 3, 2), nulls);
    EXPECT_EQ(read_values<int>(i, 5, 3, 2), nulls);
    EXPECT_EQ(read_values<int>(i, 20, 3, 2), nulls);
}

TEST_F(PropertyUndo, UnknownTypesAndImpossibleRangesPassThroughUnrecorded) {
    TekVor4Property* s = handle(L"S");
    const float data[4] = {1, 2, 3, 4};
    EXPECT_NE(s->write_data(0, data, 4, 7, 0), 0) << "the data layer's answer";
    EXPECT_EQ(s->write_data(28, data, 4, 0, 0), 4) << "past the end";
    EXPECT_EQ(s->write_data(-1, data, 1, 0, 0), 4);
    EXPECT_EQ(s->write_data(0, data, -1, 0, 0), 4);
    EXPECT_EQ(s->write_data(0, nullptr, 4, 0, 0), 4);
    EXPECT_EQ(s->write_data(0, data, 2, 0, -2), 4);
    EXPECT_EQ(ek_history_get_undo_count(history()), 0u);
    EXPECT_TRUE(env.undo_files().empty());
}

TEST_F(PropertyUndo, ConversionsKeepTheOverwrittenValuesInTheTypeOfTheWrite) {
    TekVor4Property* i = handle(L"I");
    const int old[3] = {7, -8, 9};
    ASSERT_EQ(doc->own(L"I")->write_data(0, old, 3, 2, 0), 0);
    const float data[3] = {1.5f, 2.5f, 3.5f};
    EXPECT_EQ(i->write_data(0, data, 3, 0, 0), 0);
    EXPECT_EQ(file_values<float>(env.undo_files().at(0)), (std::vector<float>{7, -8, 9}));
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(read_values<int>(i, 0, 3, 2), (std::vector<int>{7, -8, 9}));
}

TEST_F(PropertyUndo, ABitmaskWriteRestoresEveryElement) {
    ASSERT_TRUE(ek::test::make_document(env.file("mask.xml"), 100, 1, {{L"M", 3}}));
    Loaded m(env.file("mask.xml"));
    TekVor4Property* p = m->getProperty(0);
    std::vector<unsigned char> before(100), data(100);
    for (int k = 0; k < 100; ++k) {
        before[k] = (k % 3 == 0);
        data[k] = (k % 2 == 0) ? 5 : 0;  // nonzero means set
    }
    ASSERT_EQ(m.own(L"M")->write_data(0, before.data(), 100, 3, 0), 0);
    EXPECT_EQ(p->write_data(0, data.data(), 100, 3, 0), 0);
    std::vector<unsigned char> expected(100);
    for (int k = 0; k < 100; ++k) expected[k] = k % 2 == 0;
    EXPECT_EQ(read_values<unsigned char>(p, 0, 100, 3), expected);
    auto files = env.undo_files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(files[0]), 100u) << "one byte per element";
    ASSERT_TRUE(ek_history_undo(m.history(), 1));
    EXPECT_EQ(read_values<unsigned char>(p, 0, 100, 3), before);
}

TEST_F(PropertyUndo, EveryTypeCodeRoundTrips) {
    const unsigned char bytes[2] = {17, 200};
    const double doubles[2] = {-1.25, 1e300};
    EXPECT_EQ(handle(L"Y")->write_data(1, bytes, 2, 1, 0), 0);
    EXPECT_EQ(handle(L"D")->write_data(1, doubles, 2, 4, 0), 0);
    EXPECT_EQ(read_values<unsigned char>(handle(L"Y"), 1, 2, 1), (std::vector<unsigned char>{17, 200}));
    EXPECT_EQ(read_values<double>(handle(L"D"), 1, 2, 4), (std::vector<double>{-1.25, 1e300}));
    ASSERT_TRUE(ek_history_undo(history(), 2));
    EXPECT_EQ(read_values<unsigned char>(handle(L"Y"), 1, 2, 1), (std::vector<unsigned char>{255, 255}));
    auto d = read_values<double>(handle(L"D"), 1, 2, 4);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_TRUE(std::isnan(d[0]) && std::isnan(d[1]));
}

TEST_F(PropertyUndo, WithoutAHistoryABlockWriteLeavesNoFileBehind) {
    ek_history_manager_set_enabled(false);
    ASSERT_TRUE(ek::test::make_document(env.file("plain.xml"), 8, 1, {{L"S", 0}}));
    Loaded plain(env.file("plain.xml"));
    ASSERT_EQ(plain.history(), nullptr);
    const float data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(plain->getProperty(0)->write_data(0, data, 8, 0, 0), 0);
    EXPECT_EQ(read_values<float>(plain->getProperty(0), 0, 8, 0), std::vector<float>(data, data + 8));
    EXPECT_TRUE(env.undo_files().empty());
}

TEST_F(PropertyUndo, WithoutATemporaryFolderABlockWriteHasNoEffect) {
    ek_options_set_temp_wpath((env.folder() / "no such folder").wstring().c_str());
    const float data[2] = {1, 2};
    EXPECT_EQ(handle(L"S")->write_data(0, data, 2, 0, 0), 0);
    auto values = read_values<float>(handle(L"S"), 0, 2, 0);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_TRUE(std::isnan(values[0]) && std::isnan(values[1])) << "no undo data, no write";
}

TEST_F(PropertyUndo, ASingleValueOnANullElementIsMadeNullAgainByUndo) {
    TekVor4Property* i = handle(L"I");
    i->setValueInt(5, 7);
    int v = 0;
    ASSERT_TRUE(i->getValueInt(5, v));
    EXPECT_EQ(v, 7);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_FALSE(i->getValueInt(5, v)) << "null again, not 0";
    ASSERT_TRUE(ek_history_redo(history(), 1));
    ASSERT_TRUE(i->getValueInt(5, v));
    EXPECT_EQ(v, 7);
}

TEST_F(PropertyUndo, EverySingleValueSetterIsRecordedWhateverTheDataType) {
    TekVor4Property* d = handle(L"D");
    bool maskView = false;
    const bool maskViewDefined = d->getValueBool(4, maskView);  // how a missing double reads as a mask value
    d->setValueDouble(0, 2.5);
    d->setValueSingle(1, 1.5f);
    d->setValueInt(2, -4);
    d->setValueByte(3, 9);
    d->setValueBool(4, true);
    d->setValueDouble(0, 2.5);  // the same value again: still an item
    EXPECT_EQ(ek_history_get_undo_count(history()), 6u);
    double x = 0;
    ASSERT_TRUE(d->getValueDouble(2, x));
    EXPECT_EQ(x, -4.0);
    ASSERT_TRUE(ek_history_undo(history(), 6));
    for (long long k = 0; k < 4; ++k) EXPECT_FALSE(d->getValueDouble(k, x)) << k;
    // The old value is kept in the type of the write: undo writes back the mask view of the
    // missing double, as the data layer reported it.
    if (maskViewDefined) {
        ASSERT_TRUE(d->getValueDouble(4, x));
        EXPECT_EQ(x, maskView ? 1.0 : 0.0);
    } else {
        EXPECT_FALSE(d->getValueDouble(4, x));
    }
    ASSERT_TRUE(ek_history_redo(history(), 6));
    ASSERT_TRUE(d->getValueDouble(4, x));
    EXPECT_EQ(x, 1.0);
}

TEST_F(PropertyUndo, NullValuesAreUndoneToTheOldValue) {
    TekVor4Property* d = handle(L"D");
    doc->own(L"D")->setValueDouble(5, 2.5);
    d->setValueNull(5);
    double x = 0;
    EXPECT_FALSE(d->getValueDouble(5, x));
    ASSERT_TRUE(ek_history_undo(history(), 1));
    ASSERT_TRUE(d->getValueDouble(5, x));
    EXPECT_EQ(x, 2.5);

    TekVor4Property* m = handle(L"M");
    doc->own(L"M")->setValueBool(2, true);
    m->setValueNull(2);
    bool b = true;
    m->getValueBool(2, b);
    EXPECT_FALSE(b);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    ASSERT_TRUE(m->getValueBool(2, b));
    EXPECT_TRUE(b);

    TekVor4Property* s = handle(L"S");
    s->setValueNull(0);  // already null: undo leaves it null
    ASSERT_TRUE(ek_history_undo(history(), 1));
    float f = 0;
    EXPECT_FALSE(s->getValueSingle(0, f));
}

TEST_F(PropertyUndo, NullValuesOfAnUnknownDataTypeAreNotRecorded) {
    auto* proxy = dynamic_cast<TekVor4PropertyCachedProxy*>(handle(L"S"));
    ASSERT_NE(proxy, nullptr);
    proxy->subject()->setDataType(9);
    proxy->setValueNull(5);
    EXPECT_EQ(ek_history_get_undo_count(history()), 0u);
}

TEST_F(PropertyUndo, RenamingAlternatesWithOneUpdatePerStep) {
    TekVor4Property* p = handle(L"S");
    Subscriber events(path);
    p->setName(std::wstring(L"B"));
    EXPECT_EQ(p->getNameW(), L"B");
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getNameW(), L"S");
    ASSERT_TRUE(ek_history_redo(history(), 1));
    EXPECT_EQ(p->getNameW(), L"B");
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getNameW(), L"S");
    EXPECT_EQ(events.text(), "B U{} E B U{} E B U{} E B U{} E");
    EXPECT_EQ(handle(L"S"), p) << "the handle is the same object throughout";
}

TEST_F(PropertyUndo, NarrowRenamesFindThePropertyByTheNarrowName) {
    TekVor4Property* p = handle(L"S");
    p->setName(std::string("\xCD\xEE\xE2\xEE\xE5"));  // "Новое"
    EXPECT_EQ(p->getNameW(), L"Новое");
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getNameW(), L"S");
    ASSERT_TRUE(ek_history_redo(history(), 1));
    EXPECT_EQ(p->getName(), "\xCD\xEE\xE2\xEE\xE5");
}

TEST_F(PropertyUndo, CaptionPrecisionKindAndDataTypeAreUndoneAndRedone) {
    TekVor4Property* p = handle(L"I");
    p->setCaption(std::wstring(L"Глубина"));
    p->setCaption(std::string("Depth"));
    p->setPrecision(std::wstring(L"0.00"));
    p->setPrecision(std::string("0.0"));
    p->setPropKind(4);
    p->setDataType(0);
    EXPECT_EQ(p->getCaption(), "Depth");
    EXPECT_EQ(p->getPrecisionW(), L"0.0");
    EXPECT_EQ(p->getPropKind(), 4);
    EXPECT_EQ(p->getDataType(), 0);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getDataType(), 2);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getPropKind(), 1);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getPrecisionW(), L"0.00");
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getPrecisionW(), L"");
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getCaptionW(), L"Глубина");
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(p->getCaptionW(), L"I");
    ASSERT_TRUE(ek_history_redo(history(), 6));
    EXPECT_EQ(p->getCaptionW(), L"Depth");
    EXPECT_EQ(p->getPrecision(), "0.0");
    EXPECT_EQ(p->getPropKind(), 4);
    EXPECT_EQ(p->getDataType(), 0);
}

TEST_F(PropertyUndo, UnrecordedOperationsAreForwarded) {
    TekVor4Property* p = handle(L"S");
    p->setTemp(true);
    EXPECT_TRUE(doc->own(L"S")->getTemp());
    const float row[3] = {1, 2, 3};
    EXPECT_EQ(p->write_data2d(0, 0, row, 3, 1, 0, 0, 0), 0);
    EXPECT_EQ(ek_history_get_undo_count(history()), 0u);
    EXPECT_EQ(read_values<float>(p, 0, 3, 0), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(p->getNumObjects(), 30);
    EXPECT_EQ(p->getFileNameW(), doc->own(L"S")->getFileNameW());
}

TEST_F(PropertyUndo, StepsWhosePropertyIsGoneDoNothing) {
    TekVor4Property* s = handle(L"S");
    s->setValueSingle(0, 1.0f);
    const float data[2] = {5, 6};
    s->write_data(2, data, 2, 0, 0);
    s->setCaption(std::wstring(L"cap"));
    // Renamed outside the history: no step finds "S" any more.
    doc->own(L"S")->setName(std::wstring(L"Elsewhere"));
    ASSERT_TRUE(ek_history_undo(history(), 3));
    EXPECT_EQ(s->getCaptionW(), L"cap");
    EXPECT_EQ(read_values<float>(s, 2, 2, 0), (std::vector<float>{5, 6}));
    // Back under its name, the steps find it again; the redone steps change nothing more.
    doc->own(L"Elsewhere")->setName(std::wstring(L"S"));
    ASSERT_TRUE(ek_history_redo(history(), 3));
    ASSERT_TRUE(ek_history_undo(history(), 3));
    EXPECT_EQ(s->getCaptionW(), L"S");
    auto values = read_values<float>(s, 2, 2, 0);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_TRUE(std::isnan(values[0]) && std::isnan(values[1]));
}

TEST_F(PropertyUndo, AnUnreadableRangeLeavesTheStorageAndThePropertyAsTheyAre) {
    TekVor4Property* s = handle(L"S");
    const float data[3] = {1, 2, 3};
    ASSERT_EQ(s->write_data(0, data, 3, 0, 0), 0);
    const auto file = env.undo_files().at(0);
    const auto kept = file_values<float>(file);  // three nulls

    // Another document object of the same files holds the data file for writing.
    doc->own(L"S")->close();
    TekVor4Impl other;
    ASSERT_TRUE(other.open(path, false));
    ASSERT_TRUE(other.getProperty(0)->openDataFile());
    Subscriber events(path);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(events.text(), "B U{} E");
    EXPECT_EQ(read_values<float>(other.getProperty(0), 0, 3, 0), (std::vector<float>{1, 2, 3}));
    auto stillKept = file_values<float>(file);
    ASSERT_EQ(stillKept.size(), kept.size());
    for (float v : stillKept) EXPECT_TRUE(std::isnan(v)) << "the kept values were not replaced by zeros";
    other.getProperty(0)->close();

    // Once the file is free again, the same step undoes the write, and a redo repeats it.
    ASSERT_TRUE(ek_history_redo(history(), 1));  // still in the written state: nothing to do
    ASSERT_TRUE(ek_history_undo(history(), 1));
    auto values = read_values<float>(s, 0, 3, 0);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_TRUE(std::isnan(values[0]) && std::isnan(values[2]));
    ASSERT_TRUE(ek_history_redo(history(), 1));
    EXPECT_EQ(read_values<float>(s, 0, 3, 0), (std::vector<float>{1, 2, 3}));
}

TEST_F(PropertyUndo, ATruncatedUndoFileNeverOverwritesPartOfTheRange) {
    TekVor4Property* s = handle(L"S");
    const float data[4] = {1, 2, 3, 4};
    ASSERT_EQ(s->write_data(0, data, 4, 0, 0), 0);
    std::filesystem::resize_file(env.undo_files().at(0), 8);  // two of four values left
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(read_values<float>(s, 0, 4, 0), (std::vector<float>{1, 2, 3, 4}));
}

TEST_F(PropertyUndo, AZeroLengthWriteIsHarmless) {
    const float data[1] = {1};
    EXPECT_EQ(handle(L"S")->write_data(30, data, 0, 0, 0), 0);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    ASSERT_TRUE(ek_history_redo(history(), 1));
}

TEST_F(PropertyUndo, ManyWritesOfOneKindKeepTheirOwnValues) {
    TekVor4Property* s = handle(L"S");
    for (int k = 0; k < 10; ++k) {
        const float v[3] = {float(k), float(k) + 0.5f, float(k) + 0.25f};
        ASSERT_EQ(s->write_data(k, v, 3, 0, 0), 0);
    }
    for (int k = 9; k >= 1; --k) {
        ASSERT_TRUE(ek_history_undo(history(), 1));
        // Element k-1 was last written by write k-1 (third value of k-3 .. first of k-1).
        EXPECT_EQ(read_values<float>(s, k - 1, 1, 0), std::vector<float>{float(k - 1)});
    }
    ASSERT_TRUE(ek_history_redo(history(), 9));
    EXPECT_EQ(read_values<float>(s, 9, 3, 0), (std::vector<float>{9, 9.5f, 9.25f}));
    EXPECT_EQ(env.undo_files().size(), 10u);
}

}  // namespace
