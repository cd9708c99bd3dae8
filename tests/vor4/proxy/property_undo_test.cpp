// Undo at the property level: block writes with their undo data in temporary files, single and
// null values, and metadata, through the property proxies of a loaded document.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "proxy_test_support.h"

namespace {

using namespace std::string_literals;
using namespace ek::test;

class PropertyUndo : public ProxyTest {
protected:
    void SetUp() override {
        // 10 x 3 cells; S single, Y byte, I integer, M bitmask, D double.
        ASSERT_TRUE(make_document(path, 10, 3, {{L"S", 0}, {L"Y", 1}, {L"I", 2}, {L"M", 3}, {L"D", 4}}));
        doc = std::make_unique<Loaded>(path);
    }
    TekVor4Property* handle(const wchar_t* name) {
        return (*doc)->getProperty(unsigned((*doc)->getIndexByName(std::wstring(name))));
    }
    Tek_history* history() { return doc->history(); }
    size_t items() { return ek_history_get_undo_count(history()) + ek_history_get_redo_count(history()); }

    // Writes data from element 2 over `before` (written unrecorded unless empty). The undo file holds the
    // range's values that are not in the property: undo and redo exchange them; the file goes with its item.
    template <class T>
    void exchange(const wchar_t* name, unsigned char code, const std::vector<T>& before, const std::vector<T>& data,
                  const std::vector<T>& written, const std::vector<T>& kept) {
        SCOPED_TRACE(testing::Message() << "property " << char(name[0]) << ", type code " << int(code));
        const long long n = static_cast<long long>(data.size());
        if (!before.empty()) { ASSERT_EQ(doc->own(name)->write_data(2, before.data(), n, code, 0), 0); }
        TekVor4Property* p = handle(name);
        ASSERT_EQ(p->write_data(2, data.data(), n, code, 0), 0);
        ASSERT_EQ(undo_files(), 1u);
        for (int step = 0; step < 3; ++step) {  // written, undone, redone
            EXPECT_EQ(read_values<T>(p, 2, n, code), step == 1 ? kept : written) << step;
            EXPECT_EQ(file_values<T>(undo_file()), step == 1 ? written : kept) << step;
            ASSERT_TRUE(step == 2 || (step ? ek_history_redo(history(), 1) : ek_history_undo(history(), 1)));
        }
        ek_history_clear(history());
        EXPECT_EQ(undo_files(), 0u);
    }
    std::unique_ptr<Loaded> doc;
};

TEST_F(PropertyUndo, ABlockWriteExchangesTheRangeWithItsUndoFile) {
    exchange<float>(L"S", 0, {1, 2, 3, 4, 5}, {10, 11, 12, 13, 14}, {10, 11, 12, 13, 14}, {1, 2, 3, 4, 5});
    exchange<unsigned char>(L"Y", 1, {}, {17, 200}, {17, 200}, {255, 255});  // over nulls
    exchange<int>(L"I", 2, {7, -8}, {-1, 2147483646}, {-1, 2147483646}, {7, -8});
    std::vector<unsigned char> before(28), data(28), set(28);  // one byte per element, nonzero = set
    for (size_t k = 0; k < 28; ++k) before[k] = k % 3 == 0, data[k] = k % 2 ? 0 : 5, set[k] = k % 2 == 0;
    exchange<unsigned char>(L"M", 3, before, data, set, before);
    exchange<double>(L"D", 4, {-1.25, 1e300}, {3.5, -7}, {3.5, -7}, {-1.25, 1e300});
    // Kept in the type of the write: floats over integers are kept and written back as floats.
    exchange<float>(L"I", 0, {7, -8, 9}, {1, 2, 3}, {1, 2, 3}, {7, -8, 9});
}

TEST_F(PropertyUndo, StridesPickElementsAndRefusedWritesPassThroughUnrecorded) {
    TekVor4Property* i = handle(L"I");
    const int source[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    // code -1: any failure the data layer reports
    const struct { const char* name; long long start; const void* data; long long count; unsigned char type; int code; }
        refused[] = {{"past the end", 28, source, 4, 2, 4}, {"negative start", -1, source, 1, 2, 4},
                     {"negative count", 0, source, -1, 2, 4}, {"no data", 0, nullptr, 4, 2, 4},
                     {"unknown type", 0, source, 4, 7, -1}};
    for (const auto& r : refused) {
        const int code = i->write_data(r.start, r.data, r.count, r.type, 0);
        EXPECT_TRUE(r.code < 0 ? code != 0 : code == r.code) << r.name << ": the data layer's answer " << code;
    }
    EXPECT_EQ(items() + undo_files(), 0u);
    const struct { long long stride, start; std::vector<int> values; } strided[] = {
        {3, 0, {0, 3, 6}}, {0, 5, {0, 1, 2}}, {1, 20, {0, 1, 2}}};  // 0 and 1 mean contiguous
    for (const auto& s : strided) {
        EXPECT_EQ(i->write_data(s.start, source, 3, 2, s.stride), 0);
        EXPECT_EQ(read_values<int>(i, s.start, 3, 2), s.values) << "stride " << s.stride;
    }
    ASSERT_TRUE(ek_history_undo(history(), 3));
    for (const auto& s : strided) EXPECT_EQ(read_values<int>(i, s.start, 3, 2), std::vector<int>(3, 2147483647));
    TekVor4Property* p = handle(L"S");
    for (int k = 0; k < 3; ++k) {  // overlapping ranges: each item keeps its own values
        const float v[3] = {float(k), k + 0.5f, k + 0.25f};
        ASSERT_EQ(p->write_data(k, v, 3, 0, 0), 0);
    }
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(read_values<float>(p, 2, 2, 0), (std::vector<float>{1.5f, 1.25f})) << "the values of the write before";
    EXPECT_EQ(p->write_data(30, source, 0, 0, 0), 0) << "an empty range is harmless";
    ASSERT_TRUE(ek_history_undo(history(), 1) && ek_history_redo(history(), 1));
}

TEST_F(PropertyUndo, WithoutATemporaryFolderNothingIsWritten) {
    ek_options_set_temp_wpath((dir.path() / "no such folder").wstring().c_str());
    const float data[2] = {1, 2};
    EXPECT_EQ(handle(L"S")->write_data(0, data, 2, 0, 0), 0);
    const auto values = read_values<float>(handle(L"S"), 0, 2, 0);
    EXPECT_TRUE(values.size() == 2 && std::isnan(values[0]) && std::isnan(values[1])) << "no undo data, no write";
}

TEST_F(PropertyUndo, SingleValuesAndNullsAreUndoneToWhatWasThere) {
    TekVor4Property* d = handle(L"D");
    d->setValueDouble(0, 2.5), d->setValueSingle(1, 1.5f), d->setValueInt(2, -4), d->setValueByte(3, 9);
    d->setValueBool(4, true), d->setValueDouble(0, 2.5);  // the same value again: still an item
    EXPECT_EQ(ek_history_get_undo_count(history()), 6u) << "whatever the data type";
    double x = 0;
    ASSERT_TRUE(d->getValueDouble(2, x) && x == -4);
    ASSERT_TRUE(ek_history_undo(history(), 6));
    for (long long k = 0; k < 4; ++k) EXPECT_FALSE(d->getValueDouble(k, x)) << "null again, not 0: " << k;
    ASSERT_TRUE(ek_history_redo(history(), 6));
    ASSERT_TRUE(d->getValueDouble(4, x) && x == 1.0);

    const struct { const wchar_t* name; double old; } rows[] = {
        {L"S", NAN}, {L"Y", 9}, {L"I", 7}, {L"M", 1}, {L"D", -2.5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << char(r.name[0]));
        if (!std::isnan(r.old)) doc->own(r.name)->setValueDouble(5, r.old);  // S stays null: null after undo
        handle(r.name)->setValueNull(5);
        EXPECT_TRUE(!handle(r.name)->getValueDouble(5, x) || x == 0) << "null or, for a mask, clear";
        ASSERT_TRUE(ek_history_undo(history(), 1));
        EXPECT_EQ(handle(r.name)->getValueDouble(5, x), !std::isnan(r.old));
        EXPECT_TRUE(std::isnan(r.old) || x == r.old);
    }
    auto* s = dynamic_cast<TekVor4PropertyCachedProxy*>(handle(L"S"));
    const size_t before = items();
    s->subject()->setDataType(9), s->setValueNull(5);
    EXPECT_EQ(items(), before) << "no value type for an unknown data type: nothing recorded";
}

// Caption, precision, kind, data type and name, through both text widths where they have them;
// every change changes the property's state.
TEST_F(PropertyUndo, MetadataChangesAreUndoneOneAnnouncementPerStep) {
    using P = TekVor4Property*;
    const std::function<void(P)> sets[] = {
        [](P p) { p->setCaption(L"\u0413\u043B"s); }, [](P p) { p->setCaption("Depth"s); },
        [](P p) { p->setPrecision(L"0.00"s); }, [](P p) { p->setPrecision("0.0"s); }, [](P p) { p->setPropKind(4); },
        [](P p) { p->setDataType(0); }, [](P p) { p->setName(L"B"s); }, [](P p) { p->setName("\xD0\x9D\xD0\xBE"s); }};
    const auto state = [](P p) {
        return p->getCaptionW() + L"|" + p->getPrecisionW() + L"|" + std::to_wstring(p->getPropKind()) +
               std::to_wstring(p->getDataType()) + L"|" + p->getNameW();
    };
    TekVor4Property* p = handle(L"I");
    Subscriber events(path);
    std::vector<std::wstring> states = {state(p)};
    for (const auto& set : sets) {
        set(p), states.push_back(state(p));
        EXPECT_NE(states.back(), states[states.size() - 2]);
    }
    EXPECT_EQ(states.back(), L"Depth|0.0|40|\u041D\u043E");
    for (size_t k = std::size(sets); k-- > 0;) {
        ASSERT_TRUE(ek_history_undo(history(), 1));
        EXPECT_EQ(state(p), states[k]) << k;
    }
    std::string steps = "B U{} E";
    for (int k = 1; k < 16; ++k) steps += " B U{} E";
    EXPECT_EQ(events.take(), steps);
    ASSERT_TRUE(ek_history_redo(history(), std::size(sets)));
    EXPECT_EQ(state(p), states.back());
    EXPECT_EQ(handle(L"\u041D\u043E"), p) << "the handle is the same object throughout";
}

TEST_F(PropertyUndo, UnrecordedOperationsAndStepsThatFindNoProperty) {
    TekVor4Property* s = handle(L"S");
    const float row[3] = {1, 2, 3}, data[2] = {5, 6};
    EXPECT_EQ(s->write_data2d(0, 0, row, 3, 1, 0, 0, 0), 0);
    EXPECT_EQ(items(), 0u) << "window writes are not recorded";
    s->setValueSingle(0, 7), s->write_data(2, data, 2, 0, 0), s->setCaption(L"cap"s);
    doc->own(L"S")->setName(L"Elsewhere"s);  // renamed outside the history
    ASSERT_TRUE(ek_history_undo(history(), 3));
    EXPECT_EQ(s->getCaptionW(), L"cap");
    EXPECT_EQ(read_values<float>(s, 0, 4, 0), (std::vector<float>{7, 2, 5, 6})) << "no step found S";
    doc->own(L"Elsewhere")->setName(L"S"s);
    ASSERT_TRUE(ek_history_redo(history(), 3) && ek_history_undo(history(), 3));  // the redo changes nothing
    EXPECT_EQ(s->getCaptionW(), L"S");
    const auto values = read_values<float>(s, 0, 4, 0);
    EXPECT_TRUE(values.size() == 4 && values[0] == 1 && values[2] == 3 && std::isnan(values[3]));
}

TEST_F(PropertyUndo, AnUndoFileOrRangeThatCannotBeReadChangesNothing) {
    const int ints[4] = {1, 2, 3, 4};
    ASSERT_EQ(handle(L"I")->write_data(0, ints, 4, 2, 0), 0);
    std::filesystem::resize_file(undo_file(), 8);  // two of four kept values left
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(read_values<int>(handle(L"I"), 0, 4, 2), std::vector<int>(ints, ints + 4)) << "no part of the range";
    ek_history_clear(history());

    TekVor4Property* s = handle(L"S");
    const std::vector<float> data = {1, 2, 3};
    const auto nulls = [](const std::vector<float>& v) {
        return v.size() == 3 && std::isnan(v[0]) && std::isnan(v[2]);
    };
    ASSERT_EQ(s->write_data(0, data.data(), 3, 0, 0), 0);
    doc->own(L"S")->close();
    TekVor4Impl other;  // another document object of the same files holds the data file for writing
    ASSERT_TRUE(other.open(path, false) && other.getProperty(0)->openDataFile());
    Subscriber events(path);
    ASSERT_TRUE(ek_history_undo(history(), 1));
    EXPECT_EQ(events.take(), "B U{} E");
    EXPECT_EQ(read_values<float>(other.getProperty(0), 0, 3, 0), data);
    EXPECT_TRUE(nulls(file_values<float>(undo_file()))) << "the kept values stay in the file";
    other.getProperty(0)->close();
    ASSERT_TRUE(ek_history_redo(history(), 1) && ek_history_undo(history(), 1));  // the redo has nothing to do
    EXPECT_TRUE(nulls(read_values<float>(s, 0, 3, 0))) << "now undone";
    ASSERT_TRUE(ek_history_redo(history(), 1));
    EXPECT_EQ(read_values<float>(s, 0, 3, 0), data);

    // A write recorded while the range cannot be read keeps its values for the next redo.
    doc->own(L"S")->close();
    ASSERT_TRUE(other.getProperty(0)->openDataFile());
    std::vector<float> buffer = {7, 8, 9};
    EXPECT_EQ(s->write_data(0, buffer.data(), 3, 0, 0), 0);
    buffer.assign(3, 0);  // the caller reuses its buffer
    EXPECT_EQ(read_values<float>(other.getProperty(0), 0, 3, 0), data);
    other.getProperty(0)->close();
    ASSERT_TRUE(ek_history_undo(history(), 1) && ek_history_redo(history(), 1));
    EXPECT_EQ(read_values<float>(s, 0, 3, 0), (std::vector<float>{7, 8, 9}));
}

}  // namespace
