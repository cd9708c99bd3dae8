// Statistics, histogram, histogram text and the metadata element of a property.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "ekx_basic.h"
#include "ekx_io.h"
#include "support/temp_dir.h"
#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/vor_vocabulary.h"

namespace {

constexpr double k_single_max = 3.4028234663852886e38;
constexpr unsigned char dtSingle = 0, dtByte = 1, dtInteger = 2, dtBitmask = 3, dtDouble = 4;
const float NaN = std::numeric_limits<float>::quiet_NaN();

class Stats : public ::testing::Test {
protected:
    // A fresh data file full of missing values for a grid of nx × ny × nz objects.
    std::unique_ptr<TekVor4PropertyImpl> make(unsigned char dataType, long long nx, long long ny = 1, long long nz = 1,
                                              unsigned char gridType = 3) {
        auto p = std::make_unique<TekVor4PropertyImpl>(dir_.file("doc.P" + std::to_string(++made_) + ".property"),
                                                       false);
        p->setName(std::wstring(L"P"));
        p->setDataType(dataType);
        p->setGridType(gridType);
        p->setSize(nx, ny, nz);
        EXPECT_TRUE(p->init(true));
        return p;
    }
    template <class T>
    std::unique_ptr<TekVor4PropertyImpl> with(unsigned char dataType, const std::vector<T>& values, unsigned char srcType,
                                              long long nx = -1, long long ny = 1, long long nz = 1) {
        auto p = make(dataType, nx < 0 ? static_cast<long long>(values.size()) : nx, ny, nz);
        EXPECT_EQ(p->write_data(0, values.data(), static_cast<long long>(values.size()), srcType, 1), 0);
        return p;
    }
    static long long bin_total(const TekVor4Property& p) {
        long long total = 0;
        for (unsigned b = 0; b < 100; ++b) total += p.getHgValue(b);
        return total;
    }

    ek::test::TempDir dir_;
    int made_ = 0;
};

// --- statistics ------------------------------------------------------------------------------

TEST_F(Stats, AllMissingLeavesStatisticsAndHistogramNotValid) {
    auto p = make(dtSingle, 3, 2);
    p->setHgDiapData("0000000500000006");
    p->setHgBndMin(-4.0);
    p->updateStatistic();
    EXPECT_FALSE(p->getStatisticSet());
    EXPECT_EQ(p->getDfMin(), k_single_max);
    EXPECT_EQ(p->getDfMax(), -k_single_max);
    EXPECT_EQ(p->getDfIndefCount(), 6);
    EXPECT_EQ(p->getDfValsCount(), 0);
    EXPECT_EQ(p->getDfAverage(), 0.0);
    EXPECT_EQ(p->getDfStdDev(), 0.0);

    p->updateHistogram();
    EXPECT_FALSE(p->getHistogramSet());
    // The earlier histogram stays as it was, but reads as not valid.
    EXPECT_EQ(p->getHgDiapData(), "0000000500000006");
    EXPECT_EQ(p->getHgBndMin(), -4.0);
    EXPECT_EQ(p->getHgCount(), 100);
    EXPECT_EQ(p->getHgValue(0), 0);
}

TEST_F(Stats, OneTwoThreeFour) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->updateStatistic();
    ASSERT_TRUE(p->getStatisticSet());
    EXPECT_EQ(p->getDfMin(), 1.0);
    EXPECT_EQ(p->getDfMax(), 4.0);
    EXPECT_EQ(p->getDfAverage(), 2.5);
    EXPECT_DOUBLE_EQ(p->getDfStdDev(), std::sqrt(5.0 / 3.0));
    EXPECT_NEAR(p->getDfStdDev(), 1.2910, 1e-4);
    EXPECT_EQ(p->getDfIndefCount(), 0);
    EXPECT_EQ(p->getDfValsCount(), 4);

    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_EQ(p->getHgBndMin(), 1.0);  // the minimum: 1 > 2.5 - 3.873
    EXPECT_EQ(p->getHgBndMax(), 4.0);
    EXPECT_EQ(p->getHgMin(), 0);
    EXPECT_EQ(p->getHgMax(), 0);
    EXPECT_EQ(p->getHgCount(), 100);
    EXPECT_EQ(p->getHgValue(0), 1);
    EXPECT_EQ(p->getHgValue(98), 1);
    EXPECT_EQ(p->getHgValue(99), 0);
    const double width = 3.0 / 99.0;
    EXPECT_EQ(p->getHgValue(static_cast<unsigned>(std::floor((2.0 - 1.0) / width))), 1);
    EXPECT_EQ(p->getHgValue(static_cast<unsigned>(std::floor((3.0 - 1.0) / width))), 1);
    EXPECT_EQ(bin_total(*p), 4);
}

TEST_F(Stats, SingleValueSeven) {
    auto p = with(dtSingle, std::vector<float>{7}, dtSingle);
    p->updateHistogram();  // computes the statistics first
    ASSERT_TRUE(p->getStatisticSet());
    EXPECT_EQ(p->getDfAverage(), 7.0);
    EXPECT_EQ(p->getDfStdDev(), 0.0);
    EXPECT_EQ(p->getDfMin(), 7.0);
    EXPECT_EQ(p->getDfMax(), 7.0);
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_EQ(p->getHgBndMin(), 7.0);
    EXPECT_EQ(p->getHgBndMax(), 7.0);
    EXPECT_EQ(p->getHgValue(0), 1);
    EXPECT_EQ(bin_total(*p), 1);
}

TEST_F(Stats, MissingValuesAreCountedNotSummed) {
    auto p = with(dtSingle, std::vector<float>{1, NaN, 2, NaN, 3, 4, NaN, 5, 6, 7}, dtSingle);
    p->updateStatistic();
    ASSERT_TRUE(p->getStatisticSet());
    EXPECT_EQ(p->getDfIndefCount(), 3);
    EXPECT_EQ(p->getDfValsCount(), 7);
    EXPECT_EQ(p->getDfAverage(), 4.0);
    EXPECT_DOUBLE_EQ(p->getDfStdDev(), std::sqrt(28.0 / 6.0));
}

TEST_F(Stats, ByteMaximumIsAValueIntegerMaximumIsMissing) {
    auto b = with(dtByte, std::vector<unsigned char>{255, 0, 9}, dtByte);
    b->updateStatistic();
    EXPECT_EQ(b->getDfIndefCount(), 0);
    EXPECT_EQ(b->getDfMax(), 255.0);
    EXPECT_EQ(b->getDfMin(), 0.0);
    EXPECT_EQ(b->getDfAverage(), 88.0);

    auto i = with(dtInteger, std::vector<int>{2147483647, -5, 11, 2147483647}, dtInteger);
    i->updateStatistic();
    EXPECT_EQ(i->getDfIndefCount(), 2);
    EXPECT_EQ(i->getDfMin(), -5.0);
    EXPECT_EQ(i->getDfMax(), 11.0);
    EXPECT_EQ(i->getDfAverage(), 3.0);
}

TEST_F(Stats, DoublesAreTakenAsSingles) {
    auto p = with(dtDouble, std::vector<double>{0.1, 0.2, std::nan("")}, dtDouble);
    p->updateStatistic();
    EXPECT_EQ(p->getDfMin(), static_cast<double>(0.1f));
    EXPECT_EQ(p->getDfMax(), static_cast<double>(0.2f));
    EXPECT_EQ(p->getDfAverage(), (static_cast<double>(0.1f) + static_cast<double>(0.2f)) / 2);
    EXPECT_EQ(p->getDfIndefCount(), 1);
}

TEST_F(Stats, MaskBitsAreNumbers) {
    auto p = with(dtBitmask, std::vector<unsigned char>{1, 0, 0, 1, 1, 0, 1, 1, 1, 0}, dtByte);
    p->updateStatistic();
    EXPECT_EQ(p->getDfIndefCount(), 0);
    EXPECT_EQ(p->getDfMin(), 0.0);
    EXPECT_EQ(p->getDfMax(), 1.0);
    EXPECT_DOUBLE_EQ(p->getDfAverage(), 0.6);
}

TEST_F(Stats, SlicesAndRowsOfA3DGrid) {
    std::vector<float> v(4 * 3 * 2);
    for (size_t k = 0; k < v.size(); ++k) v[k] = static_cast<float>(k);
    auto p = make(dtSingle, 4, 3, 2, 5);
    ASSERT_EQ(p->write_data(0, v.data(), 24, dtSingle, 1), 0);
    p->updateStatistic();
    EXPECT_EQ(p->getDfMin(), 0.0);
    EXPECT_EQ(p->getDfMax(), 23.0);
    EXPECT_EQ(p->getDfAverage(), 11.5);
    EXPECT_EQ(p->getDfIndefCount(), 0);
}

TEST_F(Stats, LongRowGivesTheSameResultAsOneSequentialSum) {
    // Longer than the scan's piece, and not a multiple of it.
    const long long n = 700001;
    std::vector<float> v(n);
    for (long long k = 0; k < n; ++k) v[k] = (k % 977 == 0) ? NaN : static_cast<float>(std::sin(k * 0.001) * 1e3 + k * 1e-3);
    auto p = with(dtSingle, v, dtSingle, n, 1, 1);
    p->updateStatistic();

    double sum = 0.0, mn = k_single_max, mx = -k_single_max;
    long long count = 0;
    for (float x : v)
        if (!std::isnan(x)) {
            sum += x;
            ++count;
            mn = std::min<double>(mn, x);
            mx = std::max<double>(mx, x);
        }
    const double average = sum / count;
    double squares = 0.0;
    for (float x : v)
        if (!std::isnan(x)) squares += (x - average) * (x - average);
    EXPECT_EQ(p->getDfAverage(), average);
    EXPECT_EQ(p->getDfStdDev(), std::sqrt(squares / (count - 1)));
    EXPECT_EQ(p->getDfMin(), mn);
    EXPECT_EQ(p->getDfMax(), mx);
    EXPECT_EQ(p->getDfIndefCount(), n - count);

    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_EQ(bin_total(*p) + p->getHgMin() + p->getHgMax(), count);
}

TEST_F(Stats, FunctionGridObjectsBeyondTheGridCountAsMissing) {
    auto p = std::make_unique<TekVor4PropertyImpl>(dir_.file("f.P.property"), false);
    p->setGridType(7);
    p->setFuncLX(2);
    p->setSize(2, 2, 1);
    ASSERT_EQ(p->getNumObjects(), 12);
    ASSERT_TRUE(p->init(true));
    std::vector<float> v(12, 5.0f);
    v[0] = 1.0f;
    ASSERT_EQ(p->write_data(0, v.data(), 12, dtSingle, 1), 0);
    p->updateStatistic();
    ASSERT_TRUE(p->getStatisticSet());
    EXPECT_EQ(p->getDfIndefCount(), 8);
    EXPECT_EQ(p->getDfValsCount(), 4);
    EXPECT_EQ(p->getDfAverage(), 4.0);  // 1, 5, 5, 5: the values beyond the 2 × 2 grid are not read
}

TEST_F(Stats, SetNumObjectsChangesTheMissingCount) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->setNumObjects(10);
    p->updateStatistic();
    EXPECT_EQ(p->getDfIndefCount(), 6);
    EXPECT_EQ(p->getDfValsCount(), 4);
}

// --- the scan as seen by the property's own reads ------------------------------------------------

// Serves reads from a formula instead of a file, so that long rows cost no disk, and records
// every read the scans make through the interface.
class FormulaProperty : public TekVor4PropertyImpl {
public:
    explicit FormulaProperty(const std::wstring& path) : TekVor4PropertyImpl(path, false) {}

    int readRawData(long long start, long long count, void* dst, long long dstCount, unsigned char dstType,
                    long long dstStride) override {
        ++reads;
        if (reads == failAt) return 2;
        if (dstType != 0 || dstStride != 1 || dstCount != count) return 99;
        if (start != expectedStart && start != 0) outOfOrder = true;  // a new pass starts at 0
        expectedStart = start + count;
        longest = std::max(longest, count);
        auto* out = static_cast<float*>(dst);
        for (long long k = 0; k < count; ++k) out[k] = static_cast<float>((start + k) % 100);
        return 0;
    }
    long long reads = 0;
    long long failAt = -1;
    long long longest = 0;
    long long expectedStart = 0;
    bool outOfOrder = false;
};

TEST_F(Stats, LongRowIsReadInBoundedPiecesInObjectOrder) {
    const long long n = 5'000'000;  // one row of a 1D grid
    FormulaProperty p(dir_.file("formula.P.property"));
    p.setGridType(1);
    p.setSize(n, 1, 1);
    p.updateStatistic();
    ASSERT_TRUE(p.getStatisticSet());
    EXPECT_FALSE(p.outOfOrder);  // each pass reads the objects once, front to back
    EXPECT_LE(p.longest, 1 << 20);
    EXPECT_GT(p.reads, 2);
    EXPECT_EQ(p.getDfMin(), 0.0);
    EXPECT_EQ(p.getDfMax(), 99.0);
    EXPECT_EQ(p.getDfAverage(), 49.5);
    // Each block of 100 values contributes the sum of (k - 49.5)^2, 83325.
    EXPECT_EQ(p.getDfStdDev(), std::sqrt(83325.0 * (n / 100) / (n - 1)));
    EXPECT_EQ(p.getDfIndefCount(), 0);

    const long long statisticReads = p.reads;
    p.updateHistogram();  // statistics valid: one more pass only
    ASSERT_TRUE(p.getHistogramSet());
    EXPECT_EQ(p.reads, statisticReads + statisticReads / 2);
    EXPECT_EQ(bin_total(p), n);
    EXPECT_EQ(p.getHgValue(0), n / 100);
    EXPECT_EQ(p.getHgValue(97), n / 100);
    EXPECT_EQ(p.getHgValue(98), 2 * n / 100);  // 98 and 99: the top edge folds into the last filled bin
}

TEST_F(Stats, FailedReadInTheSecondPassLeavesStatisticsNotValid) {
    FormulaProperty p(dir_.file("formula.P.property"));
    p.setGridType(3);
    p.setSize(10, 4, 1);  // four rows: reads 1-4 are the first pass
    p.failAt = 6;
    p.updateStatistic();
    EXPECT_FALSE(p.getStatisticSet());
    EXPECT_EQ(p.reads, 6);

    p.reads = 0;
    p.failAt = 2;  // the histogram computes the statistics first, and that fails
    p.updateHistogram();
    EXPECT_FALSE(p.getStatisticSet());
    EXPECT_FALSE(p.getHistogramSet());
    EXPECT_EQ(p.reads, 2);

    p.reads = 0;
    p.failAt = -1;
    p.updateHistogram();
    EXPECT_TRUE(p.getStatisticSet());
    EXPECT_TRUE(p.getHistogramSet());
    EXPECT_EQ(p.reads, 12);  // two statistics passes and the histogram pass, four rows each
}

TEST_F(Stats, SingleValueNeedsNoSecondPass) {
    FormulaProperty p(dir_.file("formula.P.property"));
    p.setGridType(1);
    p.setSize(1, 1, 1);
    p.updateStatistic();
    EXPECT_TRUE(p.getStatisticSet());
    EXPECT_EQ(p.reads, 1);
    EXPECT_EQ(p.getDfStdDev(), 0.0);
}

// --- failures ----------------------------------------------------------------------------------

TEST_F(Stats, MissingDataFileLeavesBothNotValid) {
    TekVor4PropertyImpl p(dir_.file("absent.P.property"), false);
    p.setGridType(3);
    p.setSize(4, 4, 1);
    p.updateStatistic();
    EXPECT_FALSE(p.getStatisticSet());
    EXPECT_EQ(p.getDfIndefCount(), 0);
    p.updateHistogram();
    EXPECT_FALSE(p.getHistogramSet());
}

TEST_F(Stats, DeletedFileAfterStatisticsLeavesHistogramNotValid) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->updateStatistic();
    ASSERT_TRUE(p->getStatisticSet());
    ASSERT_TRUE(p->deletePropFile());
    p->updateHistogram();  // statistics valid, so only the histogram scan runs, and fails
    EXPECT_TRUE(p->getStatisticSet());
    EXPECT_FALSE(p->getHistogramSet());
    EXPECT_EQ(p->getHgValue(0), 0);
    p->updateStatistic();
    EXPECT_FALSE(p->getStatisticSet());
}

TEST_F(Stats, ShortDataFileFailsTheScan) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->close();
    std::filesystem::resize_file(std::filesystem::path(p->getFileNameW()), 10);
    p->updateStatistic();
    EXPECT_FALSE(p->getStatisticSet());
}

TEST_F(Stats, RowLongerThanTheObjectCountFails) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->setNumObjects(2);  // the row of 4 values is refused as out of range
    p->updateStatistic();
    EXPECT_FALSE(p->getStatisticSet());
}

TEST_F(Stats, NonsenseSizesNeverCrash) {
    TekVor4PropertyImpl p(dir_.file("odd.P.property"), false);
    for (long long s : {-1LL, 0LL, std::numeric_limits<long long>::max()}) {
        p.setSize(s, s, s);
        p.updateStatistic();
        EXPECT_FALSE(p.getStatisticSet());
        p.updateHistogram();
        EXPECT_FALSE(p.getHistogramSet());
    }
}

TEST_F(Stats, FloatingPointTrapsAreRestoredAfterTheScan) {
    // Infinite and missing values raise "invalid" in the second pass; a host that traps it
    // must neither see the trap nor lose its setting.
    auto p = with(dtSingle, std::vector<float>{1, std::numeric_limits<float>::infinity(), NaN, 2}, dtSingle);
    const unsigned int before = ek_math_fpe_get_state();
    feenableexcept(FE_INVALID);
    p->updateStatistic();
    const int traps = fegetexcept();
    ek_math_fpe_restore(before);
    EXPECT_TRUE(traps & FE_INVALID);
    EXPECT_TRUE(p->getStatisticSet());
    EXPECT_TRUE(std::isnan(p->getDfStdDev()));
    EXPECT_EQ(p->getDfIndefCount(), 1);
}

// --- validity ------------------------------------------------------------------------------------

TEST_F(Stats, SettersMakeValid) {
    TekVor4PropertyImpl p(dir_.file("v.P.property"), false);
    EXPECT_FALSE(p.getStatisticSet());
    EXPECT_FALSE(p.getHistogramSet());
    for (int k = 0; k < 4; ++k) {
        TekVor4PropertyImpl q(dir_.file("v.P.property"), false);
        if (k == 0) q.setMin(-1.5);
        if (k == 1) q.setMax(2.5);
        if (k == 2) q.setAverage(0.5);
        if (k == 3) q.setStdDev(0.25);
        EXPECT_TRUE(q.getStatisticSet()) << k;
        EXPECT_FALSE(q.getHistogramSet()) << k;
    }
    for (int k = 0; k < 4; ++k) {
        TekVor4PropertyImpl q(dir_.file("v.P.property"), false);
        if (k == 0) q.setHgBndMin(-1.5);
        if (k == 1) q.setHgBndMax(2.5);
        if (k == 2) q.setHgMin(3);
        if (k == 3) q.setHgMax(4);
        EXPECT_TRUE(q.getHistogramSet()) << k;
        EXPECT_FALSE(q.getStatisticSet()) << k;
        EXPECT_EQ(q.getHgCount(), 0) << k;
    }
    p.setMin(-1.5);
    p.setMax(2.5);
    p.setAverage(0.5);
    p.setStdDev(0.25);
    p.setHgBndMin(-3.0);
    p.setHgBndMax(3.0);
    p.setHgMin(7);
    p.setHgMax(-8);
    EXPECT_EQ(p.getDfMin(), -1.5);
    EXPECT_EQ(p.getDfMax(), 2.5);
    EXPECT_EQ(p.getDfAverage(), 0.5);
    EXPECT_EQ(p.getDfStdDev(), 0.25);
    EXPECT_EQ(p.getHgBndMin(), -3.0);
    EXPECT_EQ(p.getHgBndMax(), 3.0);
    EXPECT_EQ(p.getHgMin(), 7);
    EXPECT_EQ(p.getHgMax(), -8);
}

TEST_F(Stats, StatisticPresentFromADocument) {
    TekVor4PropertyImpl p(dir_.file("s.P.property"), false);
    p.setSize(5, 2, 1);
    p.setStatisticPresent(3);
    EXPECT_TRUE(p.getStatisticSet());
    EXPECT_EQ(p.getDfIndefCount(), 3);
    EXPECT_EQ(p.getDfValsCount(), 7);
}

TEST_F(Stats, WritesSingleValuesAndInitMakeNotValid) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    auto computeBoth = [&] {
        p->updateHistogram();
        ASSERT_TRUE(p->getStatisticSet());
        ASSERT_TRUE(p->getHistogramSet());
    };
    const float two = 2.0f;
    computeBoth();
    ASSERT_EQ(p->write_data(1, &two, 1, dtSingle, 1), 0);
    EXPECT_FALSE(p->getStatisticSet());
    EXPECT_FALSE(p->getHistogramSet());

    computeBoth();
    p->setValueSingle(2, 9.0f);
    EXPECT_FALSE(p->getStatisticSet());
    EXPECT_FALSE(p->getHistogramSet());

    computeBoth();
    p->setValueNull(0);
    EXPECT_FALSE(p->getStatisticSet());
    EXPECT_FALSE(p->getHistogramSet());

    computeBoth();
    ASSERT_TRUE(p->init(true));
    EXPECT_FALSE(p->getStatisticSet());
    EXPECT_FALSE(p->getHistogramSet());
}

TEST_F(Stats, StatisticsSeeValuesStillInTheValueWindow) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->setValueSingle(3, 40.0f);  // held in the window until the next run access
    p->updateStatistic();
    EXPECT_EQ(p->getDfMax(), 40.0);
}

TEST_F(Stats, HistogramUsesStatisticsAsSetAndIsNotRecomputedWithThem) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4}, dtSingle);
    p->setMin(0.0);
    p->setMax(10.0);
    p->setAverage(5.0);
    p->setStdDev(0.0);
    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_EQ(p->getDfAverage(), 5.0);  // not recomputed: the statistics were valid
    EXPECT_EQ(p->getHgBndMin(), 5.0);
    EXPECT_EQ(p->getHgBndMax(), 5.0);
    EXPECT_EQ(p->getHgMin(), 4);  // every value lies below the single-point range
    EXPECT_EQ(p->getHgMax(), 0);
    EXPECT_EQ(bin_total(*p), 0);

    p->setAverage(1.0);
    EXPECT_TRUE(p->getHistogramSet());
    EXPECT_EQ(p->getHgBndMin(), 5.0);
}

TEST_F(Stats, MinimumAboveMaximumStopsTheHistogram) {
    auto p = with(dtSingle, std::vector<float>{1, 2}, dtSingle);
    p->setMin(3.0);
    p->setMax(2.0);
    p->setHgBndMin(9.0);
    p->updateHistogram();
    EXPECT_FALSE(p->getHistogramSet());
    EXPECT_EQ(p->getHgBndMin(), 9.0);
}

TEST_F(Stats, BoundsAndOutliers) {
    // 1000 values near 0 and two far outliers: the ±3σ range is narrower than [min, max].
    std::vector<float> v(1000);
    for (size_t k = 0; k < v.size(); ++k) v[k] = static_cast<float>(k % 10) - 4.5f;
    v[0] = -1000.0f;
    v[1] = 1000.0f;
    auto p = with(dtSingle, v, dtSingle);
    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    const double avg = p->getDfAverage(), sd = p->getDfStdDev();
    EXPECT_EQ(p->getHgBndMin(), avg - 3 * sd);
    EXPECT_EQ(p->getHgBndMax(), avg + 3 * sd);
    EXPECT_EQ(p->getHgMin(), 1);
    EXPECT_EQ(p->getHgMax(), 1);
    EXPECT_EQ(bin_total(*p), 998);
    EXPECT_EQ(p->getHgValue(99), 0);
}

TEST_F(Stats, BoundCloserThanOneDeviationToTheExtremeSnapsToIt) {
    // avg 0.5, sd ≈ 0.5003: avg ± 3 sd lies beyond the data, so both bounds become min and max.
    std::vector<float> v(1000);
    for (size_t k = 0; k < v.size(); ++k) v[k] = static_cast<float>(k % 2);
    auto p = with(dtSingle, v, dtSingle);
    p->updateHistogram();
    EXPECT_EQ(p->getHgBndMin(), 0.0);
    EXPECT_EQ(p->getHgBndMax(), 1.0);
    EXPECT_EQ(p->getHgValue(0), 500);
    EXPECT_EQ(p->getHgValue(98), 500);
}

TEST_F(Stats, TinyWidthPutsEverythingInTheFirstBin) {
    auto p = with(dtDouble, std::vector<double>{1.0, 1.00001, 1.00002}, dtDouble);
    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_LE(std::fabs(p->getHgBndMax() - p->getHgBndMin()) / 99.0, 1e-6);
    EXPECT_EQ(p->getHgValue(0), 3);
}

TEST_F(Stats, BinsAreTheFloorOfTheQuotient) {
    // Values on and next to the bin edges of a width that has no exact binary form.
    std::vector<float> v;
    for (int j = 0; j <= 99; ++j) {
        const float edge = static_cast<float>(1.0 + j * (3.0 / 99.0));
        v.push_back(edge);
        if (j > 0) v.push_back(std::nextafter(edge, 0.0f));
        if (j < 99) v.push_back(std::nextafter(edge, 10.0f));
    }
    for (int k = 0; k < 3000; ++k) v.push_back(static_cast<float>(1.0 + 3.0 * std::fabs(std::sin(k * 0.7))));
    v.push_back(1.0f);
    v.push_back(4.0f);
    auto p = with(dtSingle, v, dtSingle);
    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    const double lower = p->getHgBndMin(), upper = p->getHgBndMax(), width = (upper - lower) / 99.0;
    ASSERT_EQ(lower, 1.0);
    ASSERT_EQ(upper, 4.0);
    long long expected[100] = {}, below = 0, above = 0;
    for (float f : v) {
        const double x = f;
        if (x < lower)
            ++below;
        else if (x > upper)
            ++above;
        else
            ++expected[std::clamp(static_cast<int>(std::floor((x - lower) / width)), 0, 98)];
    }
    for (unsigned b = 0; b < 100; ++b) EXPECT_EQ(p->getHgValue(b), expected[b]) << b;
    EXPECT_EQ(p->getHgMin(), below);
    EXPECT_EQ(p->getHgMax(), above);
}

TEST_F(Stats, ValuesExactlyOnBinEdges) {
    // With this maximum, every eleventh edge is a single whose quotient by the width is an
    // exact integer, a hair above what a multiplication by the reciprocal would give.
    const float top = 1.0256949663162231f;
    const double width = static_cast<double>(top) / 99.0;
    std::vector<float> v{0.0f, top};
    for (int k = 1; k < 99; ++k) v.push_back(static_cast<float>(k * width));
    auto p = with(dtSingle, v, dtSingle);
    p->updateHistogram();
    ASSERT_EQ(p->getHgBndMin(), 0.0);
    ASSERT_EQ(p->getHgBndMax(), static_cast<double>(top));
    long long expected[100] = {};
    for (float f : v) ++expected[std::clamp(static_cast<int>(std::floor(f / width)), 0, 98)];
    for (unsigned b = 0; b < 100; ++b) EXPECT_EQ(p->getHgValue(b), expected[b]) << b;
    EXPECT_EQ(bin_total(*p), 100);
}

TEST_F(Stats, InfiniteValuesGiveAnUnboundedHistogram) {
    // The deviation is not a number, so are both bounds: every value lands in the first bin.
    auto p = with(dtSingle, std::vector<float>{1, std::numeric_limits<float>::infinity(), 2, NaN}, dtSingle);
    p->updateHistogram();
    ASSERT_TRUE(p->getStatisticSet());
    EXPECT_TRUE(std::isnan(p->getDfStdDev()));
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_EQ(p->getHgValue(0), 3);
    EXPECT_EQ(bin_total(*p), 3);
}

TEST_F(Stats, NegativeDeviationSetByHandPutsEverythingOutside) {
    auto p = with(dtSingle, std::vector<float>{1, 2, 3, 4, 5}, dtSingle);
    p->setMin(1.0);
    p->setMax(5.0);
    p->setAverage(3.0);
    p->setStdDev(-1.0);  // bounds 6 and 0: an empty, reversed range
    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    EXPECT_EQ(p->getHgBndMin(), 6.0);
    EXPECT_EQ(p->getHgBndMax(), 0.0);
    EXPECT_EQ(p->getHgMin(), 5);
    EXPECT_EQ(bin_total(*p), 0);
}

// --- histogram text ------------------------------------------------------------------------------

TEST_F(Stats, BinTextIs800CharactersEndingInEightZeros) {
    std::vector<float> v(5000);
    for (size_t k = 0; k < v.size(); ++k) v[k] = static_cast<float>(k);
    auto p = with(dtSingle, v, dtSingle);
    p->updateHistogram();
    const std::string& text = p->getHgDiapData();
    ASSERT_EQ(text.size(), 800u);
    EXPECT_EQ(text.substr(792), "00000000");
    // The text is the counts, bin by bin, as eight upper-case hexadecimal digits.
    const auto counts = ek::vor::hist_data(text);
    for (unsigned b = 0; b < 100; ++b) EXPECT_EQ(counts[b], p->getHgValue(b)) << b;
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(bin_total(*p), 5000);
}

TEST_F(Stats, SetHgDiapData) {
    TekVor4PropertyImpl p(dir_.file("h.P.property"), false);
    p.setHgDiapData("0000000AFFFFFFFF");
    EXPECT_TRUE(p.getHistogramSet());
    EXPECT_EQ(p.getHgDiapData(), "0000000AFFFFFFFF");
    ASSERT_EQ(p.getHgCount(), 100);
    EXPECT_EQ(p.getHgValue(0), 10);
    EXPECT_EQ(p.getHgValue(1), -1);  // signed, unlike the vocabulary's reading
    for (unsigned b = 2; b < 100; ++b) EXPECT_EQ(p.getHgValue(b), 0) << b;
    EXPECT_EQ(p.getHgValue(100), 0);
    EXPECT_EQ(p.getHgValue(0xFFFFFFFFu), 0);

    p.setHgDiapData("");
    EXPECT_FALSE(p.getHistogramSet());
    EXPECT_EQ(p.getHgCount(), 0);
    EXPECT_EQ(p.getHgValue(0), 0);
}

TEST_F(Stats, SetHgDiapDataOddTexts) {
    TekVor4PropertyImpl p(dir_.file("h.P.property"), false);
    p.setHgDiapData("0000000");  // no complete group, but not empty
    EXPECT_TRUE(p.getHistogramSet());
    EXPECT_EQ(p.getHgCount(), 100);
    EXPECT_EQ(p.getHgValue(0), 0);

    p.setHgDiapData("0000000a7FFFFFFF123");  // lower case digits; the tail is ignored
    EXPECT_EQ(p.getHgValue(0), 10);
    EXPECT_EQ(p.getHgValue(1), 2147483647);
    EXPECT_EQ(p.getHgValue(2), 0);

    p.setHgDiapData("0000001G 00000020000003-0000004");  // not eight hexadecimal digits: 0
    EXPECT_EQ(p.getHgValue(0), 0);
    EXPECT_EQ(p.getHgValue(1), 0);
    EXPECT_EQ(p.getHgValue(2), 0);
    EXPECT_EQ(p.getHgValue(3), 0);

    std::string many;
    for (int k = 0; k < 130; ++k) {
        char g[9];
        std::snprintf(g, sizeof g, "%08X", k + 1);
        many += g;
    }
    p.setHgDiapData(many);  // groups past the hundredth have no bin
    EXPECT_EQ(p.getHgCount(), 100);
    EXPECT_EQ(p.getHgValue(0), 1);
    EXPECT_EQ(p.getHgValue(99), 100);
    EXPECT_EQ(p.getHgDiapData(), many);

    p.setHgDiapData(std::string("0000000\0" "00000005", 16));
    EXPECT_EQ(p.getHgValue(0), 0);
    EXPECT_EQ(p.getHgValue(1), 5);
}

// --- metadata element ----------------------------------------------------------------------------

namespace xml {

void take_narrow(const char* text, void* ctx) { *static_cast<std::string*>(ctx) = text ? text : ""; }
void take_wide(const wchar_t* text, void* ctx) { *static_cast<std::wstring*>(ctx) = text ? text : L""; }

std::string name(Tek_xml_node* node) {
    std::string out;
    Tek_string_adapter* a = ek_string_adp_create(take_narrow, nullptr, &out);
    ek_xnode_get_name_adp(node, a);
    ek_string_adp_destroy(a);
    return out;
}

std::string str(Tek_xml_node* node, const char* key) {
    std::string out;
    Tek_string_adapter* a = ek_string_adp_create(take_narrow, nullptr, &out);
    ek_xnode_get_node_str(node, key, "<absent>", a);
    ek_string_adp_destroy(a);
    return out;
}

std::wstring wstr(Tek_xml_node* node, const char* key) {
    std::wstring out;
    Tek_string_adapter* a = ek_string_adp_create(nullptr, take_wide, &out);
    ek_xnode_get_node_str(node, key, "<absent>", a);
    ek_string_adp_destroy(a);
    return out;
}

// The keys of a node's values, in the order they were written.
std::vector<std::string> keys(Tek_xml_node* node) {
    std::vector<std::string> out;
    for (int i = 0;; ++i) {
        Tek_xml_node* child = ek_xnode_get_node_by_no(node, i);
        if (!child) break;
        out.push_back(name(child));
        ek_xnode_close(child);
    }
    return out;
}

// Saves the property under a fresh "Properties" node and hands the element over.
class Saved {
public:
    explicit Saved(TekVor4Property& p) : doc_(ek_xml_create()) {
        root_ = ek_xml_set_root_w(doc_, L"Properties");
        p.saveMetadata(root_);
        node_ = ek_xnode_get_node_by_no(root_, 0);
    }
    ~Saved() {
        ek_xnode_close(node_);
        ek_xnode_close(root_);
        ek_xml_destroy(doc_);
    }
    Saved(const Saved&) = delete;
    Saved& operator=(const Saved&) = delete;
    Tek_xml_node* node() const { return node_; }
    Tek_xml_node* root() const { return root_; }

private:
    Tek_xml_doc* doc_;
    Tek_xml_node* root_ = nullptr;
    Tek_xml_node* node_ = nullptr;
};

}  // namespace xml

using Keys = std::vector<std::string>;

TEST_F(Stats, MetadataOfAPlainPropertyWithoutStatistics) {
    TekVor4PropertyImpl p(dir_.file("m.P.property"), false);
    p.setName(std::wstring(L"Depth"));
    p.setCaption(std::wstring(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430"));  // Глубина
    p.setPropKind(4);
    p.setDataType(dtInteger);
    p.setGridType(3);
    p.setFuncX0(1.0);
    p.setFuncLX(3);
    xml::Saved s(p);
    ASSERT_NE(s.node(), nullptr);
    EXPECT_EQ(xml::name(s.node()), "TGrDocProp");
    EXPECT_EQ(xml::keys(s.node()),
              (Keys{"IsTemp", "PropName", "Caption", "PropKind", "DataType", "StatExists", "HistogrammExists"}));
    EXPECT_EQ(xml::str(s.node(), "IsTemp"), "False");
    EXPECT_FALSE(ek_xnode_get_node_bool(s.node(), L"IsTemp", true));
    EXPECT_EQ(xml::str(s.node(), "PropName"), "Depth");
    EXPECT_EQ(xml::str(s.node(), "Caption"), "\xC3\xEB\xF3\xE1\xE8\xED\xE0");
    EXPECT_EQ(xml::wstr(s.node(), "Caption"), L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430");
    EXPECT_EQ(xml::wstr(s.node(), "PropKind"), L"pkNominal");
    EXPECT_EQ(xml::wstr(s.node(), "DataType"), L"dtInteger");
    EXPECT_EQ(xml::str(s.node(), "StatExists"), "False");
    EXPECT_EQ(xml::str(s.node(), "HistogrammExists"), "False");
    // Exactly one element per save.
    Tek_xml_node* second = ek_xnode_get_node_by_no(s.root(), 1);
    EXPECT_EQ(second, nullptr);
    ek_xnode_close(second);
}

TEST_F(Stats, MetadataWithEverything) {
    auto p = with(dtSingle, std::vector<float>{1, NaN, 2, 4}, dtSingle);
    p->setName(std::string("Amp"));
    p->setTemp(true);
    p->setPrecision(std::wstring(L"0.00"));
    p->updateHistogram();
    ASSERT_TRUE(p->getHistogramSet());
    xml::Saved s(*p);
    ASSERT_NE(s.node(), nullptr);
    EXPECT_EQ(xml::keys(s.node()),
              (Keys{"IsTemp", "PropName", "Caption", "PropKind", "DataType", "Precision", "StatExists", "IndefCount",
                    "Min", "Max", "Average", "StDev", "HistogrammExists", "HgBndMin", "HgBndMax", "HgMin", "HgMax",
                    "HgDiapData"}));
    EXPECT_EQ(xml::str(s.node(), "IsTemp"), "True");
    EXPECT_TRUE(ek_xnode_get_node_bool(s.node(), L"IsTemp", false));
    EXPECT_EQ(xml::str(s.node(), "Caption"), "");
    EXPECT_EQ(xml::wstr(s.node(), "Precision"), L"0.00");
    EXPECT_EQ(xml::str(s.node(), "StatExists"), "True");
    EXPECT_EQ(ek_xnode_get_node_int64(s.node(), L"IndefCount", -1), 1);
    EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"Min", -1), 1.0);
    EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"Max", -1), 4.0);
    EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"Average", -1), p->getDfAverage());
    EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"StDev", -1), p->getDfStdDev());
    EXPECT_EQ(xml::str(s.node(), "HistogrammExists"), "True");
    EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"HgBndMin", -1), p->getHgBndMin());
    EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"HgBndMax", -1), p->getHgBndMax());
    EXPECT_EQ(ek_xnode_get_node_int64(s.node(), L"HgMin", -1), 0);
    EXPECT_EQ(ek_xnode_get_node_int64(s.node(), L"HgMax", -1), 0);
    EXPECT_EQ(xml::str(s.node(), "HgDiapData"), p->getHgDiapData());
    EXPECT_EQ(xml::str(s.node(), "HgDiapData").size(), 800u);
}

TEST_F(Stats, MetadataOfFunctionGrids) {
    TekVor4PropertyImpl f1(dir_.file("f1.P.property"), false);
    f1.setGridType(7);
    f1.setFuncX0(1.5);
    f1.setFuncDX(0.5);
    f1.setFuncLX(4);
    f1.setFuncY0(9.0);
    f1.setFuncZ0(9.0);
    f1.setFuncLZ(9);
    {
        xml::Saved s(f1);
        EXPECT_EQ(xml::keys(s.node()), (Keys{"IsTemp", "PropName", "Caption", "PropKind", "DataType", "FuncX0", "FuncDX",
                                             "FuncLX", "StatExists", "HistogrammExists"}));
        EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"FuncX0", 0), 1.5);
        EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"FuncDX", 0), 0.5);
        EXPECT_EQ(ek_xnode_get_node_int64(s.node(), L"FuncLX", 0), 4);
    }
    TekVor4PropertyImpl f2(dir_.file("f2.P.property"), false);
    f2.setGridType(8);
    f2.setFuncX0(1.5);
    f2.setFuncDX(0.5);
    f2.setFuncLX(4);
    f2.setFuncY0(-2.0);
    f2.setFuncDY(0.25);
    f2.setFuncLY(6000000000LL);
    f2.setFuncDZ(3.0);
    f2.setMin(1.0);
    {
        xml::Saved s(f2);
        EXPECT_EQ(xml::keys(s.node()),
                  (Keys{"IsTemp", "PropName", "Caption", "PropKind", "DataType", "FuncX0", "FuncDX", "FuncLX", "FuncY0",
                        "FuncDY", "FuncLY", "StatExists", "IndefCount", "Min", "Max", "Average", "StDev",
                        "HistogrammExists"}));
        EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"FuncY0", 0), -2.0);
        EXPECT_EQ(ek_xnode_get_node_dbl(s.node(), L"FuncDY", 0), 0.25);
        EXPECT_EQ(ek_xnode_get_node_int64(s.node(), L"FuncLY", 0), 6000000000LL);
    }
    for (unsigned char g : {0, 1, 2, 3, 4, 5, 6, 9, 255}) {
        TekVor4PropertyImpl q(dir_.file("g.P.property"), false);
        q.setGridType(g);
        q.setFuncX0(1.0);
        q.setFuncLX(1);
        xml::Saved s(q);
        EXPECT_EQ(xml::keys(s.node()).size(), 7u) << int(g);
    }
}

TEST_F(Stats, MetadataHistogramOnlyAndUnknownCodes) {
    TekVor4PropertyImpl p(dir_.file("o.P.property"), false);
    p.setPropKind(200);
    p.setDataType(9);
    p.setHgMin(5);
    xml::Saved s(p);
    EXPECT_EQ(xml::keys(s.node()), (Keys{"IsTemp", "PropName", "Caption", "PropKind", "DataType", "StatExists",
                                         "HistogrammExists", "HgBndMin", "HgBndMax", "HgMin", "HgMax", "HgDiapData"}));
    EXPECT_EQ(xml::str(s.node(), "PropKind"), "");
    EXPECT_EQ(xml::str(s.node(), "DataType"), "");
    EXPECT_EQ(ek_xnode_get_node_int64(s.node(), L"HgMin", 0), 5);
    EXPECT_EQ(xml::str(s.node(), "HgDiapData"), "");
}

TEST_F(Stats, MetadataToNullNodeWritesNothing) {
    TekVor4PropertyImpl p(dir_.file("n.P.property"), false);
    p.setMin(1.0);
    p.saveMetadata(nullptr);
    EXPECT_TRUE(p.getStatisticSet());
}

}  // namespace
