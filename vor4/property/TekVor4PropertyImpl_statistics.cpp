// Statistics, histogram and the metadata element of a property.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "ek_text.h"
#include "ekx_basic.h"
#include "ekx_io.h"
#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/property/statistics_scan.h"
#include "vor4/vor_vocabulary.h"

using namespace ek::vor::codes;

#if defined(_MSC_VER)
#define EK_STATS_NOINLINE __declspec(noinline)
#else
#define EK_STATS_NOINLINE [[gnu::noinline]]
#endif

namespace {

constexpr double k_single_max = 3.4028234663852886e38;  // largest single-precision value
constexpr int k_bins = 100;
constexpr int k_last_bin = 98;  // the top bin is never filled
constexpr size_t k_max_groups = 100;

// Restores the floating-point exception state it found, so that a host that traps
// exceptions never sees one raised by NaN or infinite data.
class FpeQuiet {
public:
    FpeQuiet() : state_(ek_math_fpe_get_state()) { ek_math_fpe_disable(); }
    ~FpeQuiet() { ek_math_fpe_restore(state_); }
    FpeQuiet(const FpeQuiet&) = delete;
    FpeQuiet& operator=(const FpeQuiet&) = delete;

private:
    unsigned int state_;
};

std::string counts_text(const std::vector<long long>& counts) {
    std::string text;
    text.reserve(counts.size() * 8);
    char buf[16];
    for (long long c : counts) {
        std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned int>(static_cast<unsigned long long>(c)));
        text += buf;
    }
    return text;
}

// floor (or ceil for a negative width) taken as a 32-bit integer and clamped to the filled
// bins. A quotient that is not a number or lies outside the 32-bit range gives the
// processor's "integer indefinite" (the lowest int), which clamps to bin 0.
int bin_of(double value, double lower, double width) {
    if (std::fabs(width) <= 1e-6) return 0;
    const double q = (value - lower) / width;
    const double r = width < 0 ? std::ceil(q) : std::floor(q);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return 0;
    const int bin = static_cast<int>(r);
    return bin < 0 ? 0 : (bin > k_last_bin ? k_last_bin : bin);
}

// The per-value work of the scans lives in functions without calls, so that the running
// values stay in registers (no vector register survives a call, and a loop that shares a
// function with calls tends to keep them in memory).
struct RangeSum {
    float lo;
    float hi;
    double sum;
    long long count;
};

EK_STATS_NOINLINE void add_range_sum(const float* v, long long n, RangeSum& acc) {
    // One lane on purpose: with two, a -0 and a +0 minimum could be reported the other way
    // round from a value-by-value scan.
    float lo = acc.lo, hi = acc.hi;
    double s = acc.sum;
    long long c = 0;
    for (long long i = 0; i < n; ++i) {
        const float x = v[i];
        const bool value = x == x;
        lo = x < lo ? x : lo;  // a NaN never compares, so it never moves the range
        hi = x > hi ? x : hi;
        s += value ? static_cast<double>(x) : 0.0;  // adding +0 leaves the sum unchanged
        c += value;
    }
    acc.lo = lo;
    acc.hi = hi;
    acc.sum = s;
    acc.count += c;
}

EK_STATS_NOINLINE double add_squares(const float* v, long long n, double average, double sum) {
    for (long long i = 0; i < n; ++i) {
        const double d = static_cast<double>(v[i]) - average;
        sum += v[i] == v[i] ? d * d : 0.0;
    }
    return sum;
}

struct Tally {
    double lower;
    double upper;
    double width;
    long long below;
    long long above;
    // Four interleaved tallies: runs of equal bins (smooth data) would otherwise wait on the
    // previous increment of the same counter.
    long long bins[4][k_bins];
};

EK_STATS_NOINLINE void add_tally(const float* v, long long n, Tally& t) {
    const double lower = t.lower, upper = t.upper, width = t.width;
    long long below = 0, above = 0;
    if (width > 1e-6 && std::isfinite(width) && std::isfinite(lower)) {
        // Every value inside the bounds gives a finite quotient of at least +0, whose floor
        // is its truncation. Multiplying by the reciprocal is within a few units in the last
        // place of the quotient, so its truncation is the quotient's except next to an integer;
        // there the division decides.
        const double reciprocal = 1.0 / width;
        for (long long i = 0; i < n; ++i) {
            const double x = v[i];
            if (x != x) continue;
            if (x < lower) {
                ++below;
            } else if (x > upper) {
                ++above;
            } else {
                double q = (x - lower) * reciprocal;
                // Nearest integer by the 1.5 × 2^52 trick: no integer round trip, whose
                // conversion back to double would chain the iterations together.
                const double nearest = (q + 0x1.8p52) - 0x1.8p52;
                if (std::fabs(q - nearest) < 1e-9) q = (x - lower) / width;
                ++t.bins[i & 3][q < static_cast<double>(k_last_bin) ? static_cast<int>(q) : k_last_bin];
            }
        }
    } else {
        for (long long i = 0; i < n; ++i) {
            const double x = v[i];
            if (x != x) continue;
            if (x < lower)
                ++below;
            else if (x > upper)
                ++above;
            else
                ++t.bins[i & 3][bin_of(x, lower, width)];
        }
    }
    t.below += below;
    t.above += above;
}

}  // namespace

// --- statistics ------------------------------------------------------------------------

void TekVor4PropertyImpl::setMin(double value) {
    stat_.min = value;
    stat_.valid = true;
}

void TekVor4PropertyImpl::setMax(double value) {
    stat_.max = value;
    stat_.valid = true;
}

void TekVor4PropertyImpl::setAverage(double value) {
    stat_.average = value;
    stat_.valid = true;
}

void TekVor4PropertyImpl::setStdDev(double value) {
    stat_.stdDev = value;
    stat_.valid = true;
}

void TekVor4PropertyImpl::setStatisticPresent(long long indefCount) {
    stat_.indefCount = indefCount;
    stat_.valid = true;
}

bool TekVor4PropertyImpl::getStatisticSet() const { return stat_.valid; }
double TekVor4PropertyImpl::getDfMin() const { return stat_.min; }
double TekVor4PropertyImpl::getDfMax() const { return stat_.max; }
double TekVor4PropertyImpl::getDfAverage() const { return stat_.average; }
double TekVor4PropertyImpl::getDfStdDev() const { return stat_.stdDev; }
long long TekVor4PropertyImpl::getDfIndefCount() const { return stat_.indefCount; }
long long TekVor4PropertyImpl::getDfValsCount() const { return getNumObjects() - stat_.indefCount; }

void TekVor4PropertyImpl::invalidateStatistics() {
    stat_.valid = false;
    hist_.valid = false;
}

void TekVor4PropertyImpl::updateStatistic() {
    stat_.valid = false;
    stat_.min = k_single_max;
    stat_.max = -k_single_max;
    stat_.indefCount = 0;
    stat_.average = 0.0;
    stat_.stdDev = 0.0;

    // First pass: range, sum and count. The sum runs value after value in double
    // precision, so the result does not depend on how the rows are cut into pieces.
    RangeSum acc{static_cast<float>(k_single_max), -static_cast<float>(k_single_max), 0.0, 0};
    const bool firstRead = ek::vor::stats::scan_rows(*this, nx_, ny_, nz_, [&](const float* v, long long n) {
        FpeQuiet quiet;
        add_range_sum(v, n, acc);
    });
    if (!firstRead) return;
    const long long count = acc.count;
    if (count > 0) {
        stat_.min = acc.lo;
        stat_.max = acc.hi;
        const double average = acc.sum / static_cast<double>(count);
        stat_.average = average;
        if (count > 1) {
            double squares = 0.0;
            const bool secondRead = ek::vor::stats::scan_rows(*this, nx_, ny_, nz_, [&](const float* v, long long n) {
                FpeQuiet quiet;
                squares = add_squares(v, n, average, squares);
            });
            if (!secondRead) return;
            stat_.stdDev = std::sqrt(squares / static_cast<double>(count - 1));
        }
        stat_.valid = true;
    }
    stat_.indefCount = getNumObjects() - count;
}

// --- histogram -------------------------------------------------------------------------

void TekVor4PropertyImpl::setHgBndMin(double value) {
    hist_.bndMin = value;
    hist_.valid = true;
}

void TekVor4PropertyImpl::setHgBndMax(double value) {
    hist_.bndMax = value;
    hist_.valid = true;
}

void TekVor4PropertyImpl::setHgMin(long long value) {
    hist_.below = value;
    hist_.valid = true;
}

void TekVor4PropertyImpl::setHgMax(long long value) {
    hist_.above = value;
    hist_.valid = true;
}

// Groups beyond the hundredth have no bin and are ignored (the text is kept as given); a
// group that is not eight hexadecimal digits counts 0.
void TekVor4PropertyImpl::setHgDiapData(const std::string& text) {
    hist_.text = text;
    hist_.counts.clear();
    hist_.valid = !text.empty();
    if (text.empty()) return;
    hist_.counts.assign(k_bins, 0);
    const size_t groups = text.size() / 8 < k_max_groups ? text.size() / 8 : k_max_groups;
    for (size_t k = 0; k < groups; ++k) hist_.counts[k] = ek::vor::hist_group(text.data() + 8 * k);
}

bool TekVor4PropertyImpl::getHistogramSet() const { return hist_.valid; }
double TekVor4PropertyImpl::getHgBndMin() const { return hist_.bndMin; }
double TekVor4PropertyImpl::getHgBndMax() const { return hist_.bndMax; }
long long TekVor4PropertyImpl::getHgMin() const { return hist_.below; }
long long TekVor4PropertyImpl::getHgMax() const { return hist_.above; }
long long TekVor4PropertyImpl::getHgCount() const { return static_cast<long long>(hist_.counts.size()); }
const std::string& TekVor4PropertyImpl::getHgDiapData() const { return hist_.text; }

long long TekVor4PropertyImpl::getHgValue(unsigned int bin) const {
    if (!hist_.valid || bin >= hist_.counts.size()) return 0;
    return hist_.counts[bin];
}

void TekVor4PropertyImpl::updateHistogram() {
    if (!stat_.valid) updateStatistic();
    hist_.valid = false;
    if (stat_.min > stat_.max) return;

    const double sd = stat_.stdDev;
    double lower = stat_.average - 3.0 * sd;
    double upper = stat_.average + 3.0 * sd;
    if (stat_.min > lower || std::fabs(lower - stat_.min) < sd) lower = stat_.min;
    if (upper > stat_.max || std::fabs(upper - stat_.max) < sd) upper = stat_.max;
    hist_.bndMin = lower;
    hist_.bndMax = upper;
    hist_.counts.assign(k_bins, 0);
    hist_.below = 0;
    hist_.above = 0;

    Tally tally{};
    tally.lower = lower;
    tally.upper = upper;
    tally.width = (upper - lower) / 99.0;
    const bool read = ek::vor::stats::scan_rows(*this, nx_, ny_, nz_,
                                                [&](const float* v, long long n) { add_tally(v, n, tally); });
    if (!read) return;
    for (int b = 0; b < k_bins; ++b)
        hist_.counts[b] = tally.bins[0][b] + tally.bins[1][b] + tally.bins[2][b] + tally.bins[3][b];
    hist_.below = tally.below;
    hist_.above = tally.above;
    hist_.text = counts_text(hist_.counts);
    hist_.valid = true;
}

// --- metadata element ------------------------------------------------------------------

void TekVor4PropertyImpl::saveMetadata(Tek_xml_node* propertiesNode) {
    if (!propertiesNode) return;
    Tek_xml_node* node = ek_xnode_set_node_w(propertiesNode, L"TGrDocProp");
    if (!node) return;
    auto flag = [](bool b) { return b ? L"True" : L"False"; };

    ek_xnode_add_node_wstr(node, L"IsTemp", flag(temp_));
    // Wide, so that names and captions beyond the file's code page survive as character references.
    ek_xnode_add_node_wstr(node, L"PropName", nameW_.c_str());
    ek_xnode_add_node_wstr(node, L"Caption", captionW_.c_str());
    ek_xnode_add_node_wstr(node, L"PropKind", ek::vor::prop_kind(propKind_).c_str());
    ek_xnode_add_node_wstr(node, L"DataType", ek::vor::data_type(dataType_).c_str());
    if (!precisionW_.empty()) ek_xnode_add_node_wstr(node, L"Precision", precisionW_.c_str());

    if (gridType_ == gt2D_Func1D || gridType_ == gt2D_Func2D) {
        ek_xnode_add_node_dbl(node, L"FuncX0", funcX0_);
        ek_xnode_add_node_dbl(node, L"FuncDX", funcDX_);
        ek_xnode_add_node_int64(node, L"FuncLX", funcLX_);
    }
    if (gridType_ == gt2D_Func2D) {
        ek_xnode_add_node_dbl(node, L"FuncY0", funcY0_);
        ek_xnode_add_node_dbl(node, L"FuncDY", funcDY_);
        ek_xnode_add_node_int64(node, L"FuncLY", funcLY_);
    }

    ek_xnode_add_node_wstr(node, L"StatExists", flag(stat_.valid));
    if (stat_.valid) {
        ek_xnode_add_node_int64(node, L"IndefCount", stat_.indefCount);
        ek_xnode_add_node_dbl(node, L"Min", stat_.min);
        ek_xnode_add_node_dbl(node, L"Max", stat_.max);
        ek_xnode_add_node_dbl(node, L"Average", stat_.average);
        ek_xnode_add_node_dbl(node, L"StDev", stat_.stdDev);
    }

    ek_xnode_add_node_wstr(node, L"HistogrammExists", flag(hist_.valid));
    if (hist_.valid) {
        ek_xnode_add_node_dbl(node, L"HgBndMin", hist_.bndMin);
        ek_xnode_add_node_dbl(node, L"HgBndMax", hist_.bndMax);
        ek_xnode_add_node_int64(node, L"HgMin", hist_.below);
        ek_xnode_add_node_int64(node, L"HgMax", hist_.above);
        ek_xnode_add_node_wstr(node, L"HgDiapData", ek::text::to_wide(hist_.text).c_str());
    }
    ek_xnode_close(node);
}
