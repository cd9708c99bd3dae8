// Statistics, histogram, histogram text, the metadata element and the attributes of a property.
#include <gtest/gtest.h>

#include <functional>

#include "ekx_basic.h"
#include "ekx_io.h"
#include "property_test_support.h"
#include "support/host_platform.h"

using namespace ek::test;

namespace {

constexpr double k_single_max = 3.4028234663852886e38;

// The histogram by hand over the bounds, values as singles: 99 bins, floor of the quotient (ceiling for a negative
// width) clamped to 0..98, all in bin 0 for a width of at most 1e-6; the counts text is "%08X" per bin.
void expect_histogram(const TekVor4Property& p, const Values& values, double lower, double upper) {
    ASSERT_TRUE(p.getHistogramSet());
    EXPECT_EQ(text({p.getHgBndMin(), p.getHgBndMax()}), text({lower, upper}));
    std::vector<long long> bins(100, 0); long long below = 0, above = 0;
    const double width = (upper - lower) / 99.0;
    for (double v : values) {
        const double x = static_cast<float>(v), q = (x - lower) / width;
        const double bin = std::fabs(width) <= 1e-6 || !(q >= 0) ? 0 : width < 0 ? std::ceil(q) : std::floor(q);
        if (!std::isnan(x)) ++(x < lower ? below : x > upper ? above : bins[size_t(std::min(98.0, bin))]);
    }
    EXPECT_EQ(text({double(p.getHgMin()), double(p.getHgMax()), double(p.getHgCount())}), text({double(below), double(above), 100}));
    std::string counts; char group[9];
    for (unsigned b = 0; b < 100; ++b) counts += (std::snprintf(group, sizeof group, "%08X", unsigned(bins[b])), group);
    EXPECT_EQ(p.getHgDiapData(), counts);
}

// Serves reads from a formula (long rows cost no disk), records the scans' reads, fails the read numbered failAt.
struct FormulaProperty : TekVor4PropertyImpl {
    explicit FormulaProperty(const std::wstring& path) : TekVor4PropertyImpl(path, false) {}
    int readRawData(long long start, long long count, void* dst, long long dstCount, unsigned char dstType,
                    long long dstStride) override {
        if (++reads == failAt) return 2;
        if (dstType != dtSingle || dstStride != 1 || dstCount != count) return 99;
        outOfOrder |= start != next && start != 0;  // a new pass starts at 0
        next = start + count, longest = std::max(longest, count);
        for (long long k = 0; k < count; ++k) static_cast<float*>(dst)[k] = static_cast<float>((start + k) % 100);
        return 0;
    }
    long long reads = 0, failAt = -1, longest = 0, next = 0;
    bool outOfOrder = false;
};

}  // namespace

// Statistics and histogram, values read as singles: NaN, integer 2147483647 and objects beyond the grid are missing.
// Bounds: average -+ 3 deviations, moved to the extreme when inside or within one deviation; preset statistics stay.
TEST(Statistics, AndHistogramTable) {
    Values outliers(49, -1.0), alternating, edges, onEdges = {0.0};
    outliers.resize(98, 1.0), outliers.insert(outliers.end(), {-10.0, 10.0});
    for (int k = 0; k < 1000; ++k) alternating.push_back(k % 2);
    for (int j = 0; j <= 99; ++j) {  // on and next to the edges of a width with no exact binary form
        const float edge = static_cast<float>(1.0 + j * (3.0 / 99.0));
        edges.insert(edges.end(), {edge, std::nextafter(edge, j > 0 ? 0.0f : 1.0f), std::nextafter(edge, j < 99 ? 9.f : 4.f)});
    }
    for (int k = 0; k < 3000; ++k) edges.push_back(static_cast<float>(1.0 + 3.0 * std::fabs(std::sin(k * 0.7))));
    // Every eleventh edge: a quotient by the width that is an integer, a hair above the product with the reciprocal.
    const double top = 1.0256949663162231f, sd = std::sqrt(298.0 / 99);
    for (int k = 1; k <= 99; ++k) onEdges.push_back(k == 99 ? top : static_cast<float>(k * (top / 99.0)));
    const double f1 = float(0.1), f2 = float(0.2), fm = (f1 + f2) / 2, fd = std::sqrt(2 * (f2 - fm) * (f2 - fm));
    const Values none = {k_single_max, -k_single_max, 0, 0};  // not valid: no histogram either; grid 0: 1D of the values
    struct Row { const char* name; unsigned char type; Values values; double lower, upper; Values stats = {};  // min max average deviation
                 long long indef = 0; Values preset = {}; unsigned char grid = 0; long long nx = 0, ny = 0, nz = 0, lx = 0, objects = 0; };
    const Row rows[] = {
        {"all missing", dtSingle, Values(6, NaN), 0, 0, none, 6, {}, gt2D, 3, 2, 1}, {"one value: width 0", dtSingle, {7}, 7, 7, {7, 7, 7, 0}, 0},
        {"3 of 10 missing", dtSingle, {1, NaN, 2, NaN, 3, 4, NaN, 5, 6, 7}, 1, 7, {1, 7, 4, std::sqrt(28.0 / 6)}, 3},
        {"byte 255 is a value", dtByte, {255, 0, 9}, 0, 255, {0, 255, 88, std::sqrt(20937.0)}, 0},
        {"integer missing", dtInteger, {inull, -5, 11, inull}, -5, 11, {-5, 11, 3, std::sqrt(128.0)}, 2},
        {"doubles as singles", dtDouble, {0.1, 0.2, NaN}, f1, f2, {f1, f2, fm, fd}, 1},
        {"mask bits", dtBitmask, {1, 0, 0, 1, 1, 0, 1, 1, 1, 0}, 0, 1, {0, 1, 0.6, std::sqrt(2.4 / 9)}, 0},
        {"slices and rows", dtSingle, ramp(24, 0), 0, 23, {0, 23, 11.5, std::sqrt(50.0)}, 0, {}, gt3D, 4, 3, 2},
        {"function grid: 2 x 2 of 12", dtSingle, {1, 5, 5, 5, 9, 9, 9, 9, 9, 9, 9, 9}, 1, 5, {1, 5, 4, 2}, 8, {}, gtFunc1D, 2, 2, 1, 2},
        {"more objects than read", dtSingle, {1, 2, 3, 4}, 1, 4, {1, 4, 2.5, std::sqrt(5.0 / 3)}, 6, {}, gt1D, 4, 1, 1, 0, 10},
        {"no rows", dtSingle, {1, 2, 3, 4, 5}, 0, 0, none, 5, {}, gt3D, 3, 0, 2, 0, 5},
        {"no columns", dtSingle, {1, 2, 3, 4}, 0, 0, none, 4, {}, gt3D, 0, 2, 1, 0, 4},
        {"outliers beyond 3 deviations", dtSingle, outliers, -3 * sd, 3 * sd},
        {"bounds within one deviation of the extremes", dtSingle, alternating, 0, 1},
        {"width below 1e-6", dtDouble, {1.0, 1.00001, 1.00002}, 1.0, float(1.00002)}, {"values next to bin edges", dtSingle, edges, 1, 4},
        {"values on bin edges", dtSingle, onEdges, 0, top}, {"an infinite value: no bounds", dtSingle, {1, Inf, 2, NaN}, NaN, NaN},
        {"deviation 0 around 5, as set", dtSingle, {1, 2, 3, 4}, 5, 5, {0, 10, 5, 0}, 0, {0, 10, 5, 0}},
        {"negative deviation, as set: reversed bounds", dtSingle, {1, 2, 3, 4, 5}, 6, 0, {1, 5, 3, -1}, 0, {1, 5, 3, -1}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempDir dir;
        const long long nx = r.grid ? r.nx : static_cast<long long>(r.values.size()), ny = r.grid ? r.ny : 1, nz = r.grid ? r.nz : 1;
        auto p = make_property(dir, "p", r.type, r.grid ? r.grid : gt1D, 1);
        p->setFuncLX(r.lx), p->setSize(nx, ny, nz);
        if (r.objects) p->setNumObjects(r.objects);
        if (!r.preset.empty()) p->setMin(r.preset[0]), p->setMax(r.preset[1]), p->setAverage(r.preset[2]), p->setStdDev(r.preset[3]);
        put_bytes(p->getFileNameW(), file_of(r.values, r.type)), p->updateHistogram();
        if (!r.stats.empty()) {
            EXPECT_EQ(text({double(p->getStatisticSet()), p->getDfMin(), p->getDfMax(), double(p->getDfIndefCount()), double(p->getDfValsCount())}),
                      text({double(r.stats[0] <= r.stats[1]), r.stats[0], r.stats[1], double(r.indef), double(p->getNumObjects() - r.indef)}));
            EXPECT_NEAR(p->getDfAverage(), r.stats[2], 1e-12 * std::fabs(r.stats[2]));
            EXPECT_NEAR(p->getDfStdDev(), r.stats[3], 1e-12 * std::fabs(r.stats[3]));
            if (r.stats[0] > r.stats[1]) { EXPECT_FALSE(p->getHistogramSet()); continue; }
        }
        Values scanned(r.values.begin(), r.values.begin() + std::min<long long>(static_cast<long long>(r.values.size()), nx * ny * nz));
        for (double& v : scanned) v = r.type == dtInteger && v == inull ? NaN : v;
        expect_histogram(*p, scanned, r.lower, r.upper);
        p->setAverage(1.0);  // a valid histogram is not recomputed when the statistics change
        EXPECT_TRUE(p->getHistogramSet());
    }
    // No histogram without values (or with a minimum above the maximum): the earlier one stays, not valid.
    for (const Values& stats : {Values{3, 2}, Values{}}) {
        TempDir dir;
        auto p = holding(dir, dtSingle, stats.empty() ? Values(6, NaN) : Values{1, 2});
        p->setHgDiapData("0000000500000006"), p->setHgBndMin(9.0);
        if (!stats.empty()) p->setMin(stats[0]), p->setMax(stats[1]);
        p->updateHistogram();
        EXPECT_EQ(text({double(p->getHistogramSet()), p->getHgBndMin(), double(p->getHgCount()), double(p->getHgValue(0))}), "0 9 100 0");
        EXPECT_EQ(p->getHgDiapData(), "0000000500000006");
    }
}

// The scans read through the interface in bounded pieces, in order, once per pass; a failed read leaves its block not valid.
TEST(Statistics, ScansThroughTheInterface) {
    TempDir dir;
    const long long n = 5'000'000;
    FormulaProperty p(dir.file("formula.property"));
    p.setGridType(gt1D), p.setSize(n, 1, 1), p.updateStatistic();
    ASSERT_TRUE(p.getStatisticSet() && !p.outOfOrder && p.longest <= 1 << 20 && p.reads > 2);
    EXPECT_EQ(text({p.getDfMin(), p.getDfMax(), p.getDfAverage(), double(p.getDfIndefCount())}), "0 99 49.5 0");
    EXPECT_EQ(p.getDfStdDev(), std::sqrt(83325.0 * (n / 100) / (n - 1)));  // each block of 100: 83325
    const long long statisticReads = p.reads;
    p.updateHistogram();  // the statistics are valid: one more pass only
    ASSERT_TRUE(p.getHistogramSet());
    EXPECT_EQ(p.reads, statisticReads + statisticReads / 2);
    for (unsigned b : {0u, 1u, 50u, 97u}) EXPECT_EQ(p.getHgValue(b), n / 100) << b;
    EXPECT_EQ(codes({int(p.getHgValue(98)), int(p.getHgValue(99))}), codes({2 * n / 100, 0}));  // the top edge folds into the last bin

    struct Row { const char* name; long long objects, failAt; bool histogram, statsValid, histValid; long long reads; };
    const Row rows[] = {
        {"fails in the second pass", 10, 6, false, false, false, 6}, {"histogram: fails in the statistics", 10, 2, true, false, false, 2},
        {"histogram: fails in its own pass", 10, 10, true, true, false, 10}, {"histogram: no failure", 10, -1, true, true, true, 12},
        {"one value needs no second pass", 1, -1, false, true, false, 1},
    };
    for (const Row& r : rows) {
        FormulaProperty q(dir.file("formula.property"));
        q.setGridType(gt2D), q.setSize(r.objects, r.objects > 1 ? 4 : 1, 1), q.failAt = r.failAt;
        r.histogram ? q.updateHistogram() : q.updateStatistic();
        EXPECT_EQ(codes({q.getStatisticSet(), q.getHistogramSet(), -1, int(q.reads)}), codes({r.statsValid, r.histValid, -1, int(r.reads)})) << r.name;
    }
}

TEST(Statistics, UnreadableDataNonsenseSizesAndTraps) {
    TempDir dir;
    auto absent = make_property(dir, "absent", dtSingle, gt2D, 4, 4), shortFile = holding(dir, dtSingle, {1, 2, 3, 4}, gt1D, 1, 1, "short");
    std::filesystem::resize_file(shortFile->getFileNameW(), 10);
    auto fewObjects = holding(dir, dtSingle, {1, 2, 3, 4}, gt1D, 1, 1, "few"), odd = make_property(dir, "odd", dtSingle, gt2D, 1);
    fewObjects->setNumObjects(2);  // the row of 4 values is refused as out of range
    for (long long s : {-1LL, 0LL, std::numeric_limits<long long>::max(), 1LL}) {
        odd->setSize(s, s, s);
        for (TekVor4PropertyImpl* p : {absent.get(), shortFile.get(), fewObjects.get(), odd.get()}) {
            p->updateHistogram();
            EXPECT_FALSE(p->getStatisticSet() || p->getHistogramSet()) << p->getName() << " " << s;
        }
    }
    EXPECT_EQ(absent->getDfIndefCount(), 0);

    // Infinite and missing values raise "invalid"; a host that traps it neither sees the trap nor loses its setting.
    auto p = holding(dir, dtSingle, {1, Inf, NaN, 2});
    const unsigned int before = ek::test::trapping_fp();
    ek::test::trap_fp(ek::test::k_fp.invalid), p->updateStatistic();
    const unsigned traps = ek::test::trapping_fp();
    ek::test::trap_fp(before);
    EXPECT_TRUE((traps & ek::test::k_fp.invalid) && p->getStatisticSet() && std::isnan(p->getDfStdDev()) && p->getDfIndefCount() == 1);
}

// Every change of the values makes the statistics and the histogram not valid; the scan sees the value window.
TEST(Statistics, Validity) {
    TempDir dir;
    auto p = holding(dir, dtSingle, {1, 2, 3, 4});
    const float two = 2.0f;
    const std::function<void()> changes[] = {[&] { ASSERT_EQ(p->write_data(1, &two, 1, dtSingle, 1), 0); }, [&] { p->setValueSingle(2, 9.0f); },
                                             [&] { p->setValueNull(0); }, [&] { ASSERT_TRUE(p->init(true)); }};
    for (int k = 0; k < 4; ++k) {
        p->updateHistogram(), p->setValueInt(4, 1);  // outside the property: refused, nothing changes
        ASSERT_TRUE(p->getStatisticSet() && p->getHistogramSet()) << k;
        changes[k]();
        EXPECT_FALSE(p->getStatisticSet() || p->getHistogramSet()) << k;
    }
    ASSERT_EQ(p->write_data(0, &two, 1, dtSingle, 0), 0);
    p->setValueSingle(3, 40.0f), p->updateStatistic();  // the value is held in the window until the next run access
    EXPECT_EQ(p->getDfMax(), 40.0);
}

// Counts text: signed groups of 8 hex digits, 100 counts at any length (a partial tail ignored); empty: not valid.
TEST(Histogram, CountsFromText) {
    std::string many; char g[9];
    for (int k = 1; k <= 130; ++k) many += (std::snprintf(g, sizeof g, "%08X", k), g);
    struct Row { std::string text; bool valid; std::vector<long long> first; };  // the rest 0
    const Row rows[] = {{"0000000AFFFFFFFF123", true, {10, -1, 0}}, {"", false, {}}, {"0000000", true, {0}}, {many, true, {1, 2, 3}}};
    for (const Row& r : rows) {
        TekVor4PropertyImpl p(std::wstring(L"x.property"), false);
        p.setHgDiapData("00000001"), p.setHgDiapData(r.text);
        EXPECT_TRUE(p.getHistogramSet() == r.valid && p.getHgDiapData() == r.text) << r.text;
        ASSERT_EQ(p.getHgCount(), r.valid ? 100 : 0);
        for (unsigned b = 0; b < 100; ++b)
            EXPECT_EQ(p.getHgValue(b), b < r.first.size() ? r.first[b] : r.text == many ? b + 1 : 0) << r.text << ", bin " << b;
        EXPECT_EQ(p.getHgValue(100) + p.getHgValue(0xFFFFFFFFu), 0);
    }
}

// The metadata element: its values in order, as text, for every kind of property.
TEST(Metadata, ElementValuesInOrder) {
    const std::string none = "StatExists=False HistogrammExists=False";
    std::vector<std::pair<std::function<void(TekVor4PropertyImpl&)>, std::string>> rows = {
        {[](auto& p) {
             p.setTemp(true), p.setName(std::string("Amp")), p.setPrecision(std::wstring(L"0.00")), p.setPropKind(7);
             p.setDataType(dtBitmask), p.setMin(1), p.setMax(4), p.setAverage(2.5), p.setStdDev(0.5), p.setStatisticPresent(6);
             p.setHgBndMin(1.5), p.setHgBndMax(3.5), p.setHgMin(2), p.setHgMax(3), p.setHgDiapData("0000000A00000001");
             p.setGridType(gtFunc2D), p.setFuncX0(1.5), p.setFuncDX(0.5), p.setFuncLX(4), p.setFuncY0(-2);
             p.setFuncDY(0.25), p.setFuncLY(6000000000LL), p.setFuncZ0(7), p.setFuncDZ(3), p.setFuncLZ(9);
         }, "IsTemp=True PropName=Amp Caption= PropKind=pkMask DataType=dtBitmask Precision=0.00 FuncX0=1.5 FuncDX=0.5 "
            "FuncLX=4 FuncY0=-2 FuncDY=0.25 FuncLY=6000000000 StatExists=True IndefCount=6 Min=1 Max=4 Average=2.5 StDev=0.5 "
            "HistogrammExists=True HgBndMin=1.5 HgBndMax=3.5 HgMin=2 HgMax=3 HgDiapData=0000000A00000001"},
        {[](auto& p) {
             p.setName(std::wstring(L"Depth")), p.setCaption(std::wstring(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430"));
             p.setPropKind(4), p.setDataType(dtInteger), p.setGridType(gtFunc1D), p.setFuncX0(1.5), p.setFuncDX(0.5);
             p.setFuncLX(4), p.setFuncY0(9), p.setFuncDY(1), p.setFuncLY(2);
         }, "IsTemp=False PropName=Depth Caption=\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0 PropKind=pkNominal "
            "DataType=dtInteger FuncX0=1.5 FuncDX=0.5 FuncLX=4 " + none},
        {[](auto& p) { p.setPropKind(200), p.setDataType(9), p.setHgMin(5); },
         "IsTemp=False PropName= Caption= PropKind= DataType= StatExists=False HistogrammExists=True HgBndMin=0 "
         "HgBndMax=0 HgMin=5 HgMax=0 HgDiapData="}};
    for (unsigned char g : {0, 1, 2, 3, 4, 5, 6, 9, 255})  // no function attributes for the other grid types
        rows.push_back({[g](auto& p) { p.setGridType(g), p.setFuncX0(1), p.setFuncLX(1); },
                        "IsTemp=False PropName= Caption= PropKind=pkQuantNonCriter DataType=dtSingle " + none});
    auto take = [](const char* t, void* ctx) { *static_cast<std::string*>(ctx) = t ? t : ""; };
    std::string name, value;
    Tek_string_adapter *nameOut = ek_string_adp_create(take, nullptr, &name), *valueOut = ek_string_adp_create(take, nullptr, &value);
    for (const auto& [setup, expected] : rows) {
        TekVor4PropertyImpl p(std::wstring(L"m.property"), false);
        Tek_xml_doc* doc = ek_xml_create();
        Tek_xml_node* root = (setup(p), ek_xml_set_root_w(doc, L"Properties"));
        p.saveMetadata(root), p.saveMetadata(nullptr);  // nothing to write into
        Tek_xml_node* node = ek_xnode_get_node_by_no(root, 0);
        EXPECT_EQ(ek_xnode_get_node_by_no(root, 1), nullptr);  // one element per save
        std::string all = (ek_xnode_get_name_adp(node, nameOut), name + ":");
        for (int i = 0; Tek_xml_node* child = ek_xnode_get_node_by_no(node, i); ++i) {
            ek_xnode_get_name_adp(child, nameOut);
            ek_xnode_get_node_str(node, name.c_str(), "<absent>", valueOut);
            all += (i ? " " : "") + name + "=" + value, ek_xnode_close(child);
        }
        EXPECT_EQ(all, "TGrDocProp:" + expected);
        ek_xnode_close(node), ek_xnode_close(root), ek_xml_destroy(doc);
    }
    ek_string_adp_destroy(nameOut), ek_string_adp_destroy(valueOut);
}

// The path and the precision kept wide, narrow in the host's encoding (UTF-8 here; names and captions go through
// the exported functions elsewhere). The block size is nx; a negative size is an empty grid.
TEST(Attributes, TextsBlockSizeAndObjectCount) {
    TekVor4PropertyImpl p(std::string("/data/\xD0\x93\xD0\xBB.property"), true);
    EXPECT_TRUE(p.getFileNameW() == L"/data/\u0413\u043B.property" && p.getReadOnly());
    p.setPrecision(std::wstring(L"%.2f \u4E2D"));
    const std::string narrow = p.getPrecision();
    p.setPrecision(std::string("\xE2\x82\xAC"));
    EXPECT_TRUE(narrow == "%.2f \xE4\xB8\xAD" && p.getPrecisionW() == L"\u20AC");
    long long nx = -5;
    p.getBlockSize(&nx), p.getBlockSize(nullptr);  // a null target is tolerated
    EXPECT_EQ(text({double(nx), double(p.getNumObjects())}), "1 0");
    p.setSize(7, -2, 3), p.getBlockSize(&nx);
    EXPECT_EQ(text({double(nx), double(p.getNumObjects())}), "7 0");
}
