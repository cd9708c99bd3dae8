// The cost of the exported layer: a 1,000-value run read and a single-value get, each through
// the exported function, through the document handle (the strategy proxy's interface, which
// looks the property up on every call), and on the property object itself, in the same run.
// The program links the shared library exactly as a host does; the object's own operations are
// reached through its virtual interface, which is all the library's headers give it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "api/median_ratio_reporter.h"
#include "ekx_file_vor4.h"
#include "vor4/TekVor4.h"

namespace {

constexpr unsigned int nx = 1000, ny = 200;  // 200,000 singles
constexpr unsigned int run = 1000;
constexpr unsigned char dtSingle = 0;

// One document for the whole program, in a folder of its own that is removed at the end.
class Fixture {
public:
    Fixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ekx_api_bench_XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) folder_ = made;
        const std::wstring path = (folder_ / "bench.xml").wstring();
        doc = ek_vor4_file_create_w(path.c_str());
        if (!doc) return;
        ek_vor4_set_grid_type(doc, 3);
        const unsigned int dims[3] = {nx, ny, 1};
        ek_vor4_set_dimensions(doc, dims);
        prop = ek_vor4_prop_add(doc, "Values", 0, dtSingle, false);
        std::vector<float> values(size_t(nx) * ny);
        for (size_t i = 0; i < values.size(); ++i) values[i] = float(i % 977) * 0.5f;
        if (prop) ek_vor4_prop_write(prop, 0, values.data(), nx * ny, dtSingle, 1);
    }
    ~Fixture() {
        ek_vor4_file_close(doc);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    TekVor4* doc = nullptr;
    TekVor4Property* prop = nullptr;

private:
    std::filesystem::path folder_;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// Run starts that walk through the file, so that no read repeats the last one exactly.
unsigned int next_start(unsigned int& start) {
    start += 7919;
    if (start > nx * ny - run) start %= 9973;
    return start;
}

// One destination for every run read, so that no variant gets a luckier buffer alignment.
alignas(64) float runBuffer[run];

bool ready(benchmark::State& state) {
    if (fixture().prop) return true;
    state.SkipWithError("the benchmark document could not be made");
    return false;
}

void BM_RunRead_Property(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4Property* p = fixture().prop;
    float* buf = runBuffer;
    unsigned int start = 0;
    for (auto _ : state) {
        const int rc = p->readRawData(next_start(start), run, buf, run, dtSingle, 1);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(buf);
    }
    state.SetItemsProcessed(state.iterations() * run);
}

void BM_RunRead_Exported(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4Property* p = fixture().prop;
    float* buf = runBuffer;
    unsigned int start = 0;
    for (auto _ : state) {
        const int rc = ek_vor4_prop_read(p, next_start(start), run, buf, run, dtSingle, 1);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(buf);
    }
    state.SetItemsProcessed(state.iterations() * run);
}

void BM_RunRead_StrategyProxy(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4* h = fixture().doc;
    float* buf = runBuffer;
    unsigned int start = 0;
    for (auto _ : state) {
        const int rc = h->getProperty(0)->readRawData(next_start(start), run, buf, run, dtSingle, 1);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(buf);
    }
    state.SetItemsProcessed(state.iterations() * run);
}

void BM_GetValue_Property(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4Property* p = fixture().prop;
    unsigned int i = 0;
    float v = 0;
    for (auto _ : state) {
        const bool ok = p->getValueSingle((i = (i + 1) & 4095), v);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(v);
    }
}

void BM_GetValue_Exported(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4Property* p = fixture().prop;
    unsigned int i = 0;
    float v = 0;
    for (auto _ : state) {
        const bool ok = ek_vor4_prop_get_value_single(p, (i = (i + 1) & 4095), &v);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(v);
    }
}

void BM_GetValue_StrategyProxy(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4* h = fixture().doc;
    unsigned int i = 0;
    float v = 0;
    for (auto _ : state) {
        const bool ok = h->getProperty(0)->getValueSingle((i = (i + 1) & 4095), v);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(v);
    }
}

// A host that keeps only the document handle: open the property by index, then get.
void BM_GetValue_ExportedByIndex(benchmark::State& state) {
    if (!ready(state)) return;
    TekVor4* h = fixture().doc;
    unsigned int i = 0;
    float v = 0;
    for (auto _ : state) {
        const bool ok = ek_vor4_prop_get_value_single(ek_vor4_prop_open(h, 0), (i = (i + 1) & 4095), &v);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(v);
    }
}

BENCHMARK(BM_RunRead_Property);
BENCHMARK(BM_RunRead_Exported);
BENCHMARK(BM_RunRead_StrategyProxy);
BENCHMARK(BM_GetValue_Property);
BENCHMARK(BM_GetValue_Exported);
BENCHMARK(BM_GetValue_StrategyProxy);
BENCHMARK(BM_GetValue_ExportedByIndex);

}  // namespace

// Repetitions in random order unless the command line says otherwise, so that each variant sees
// the same mix of quiet and busy moments.
int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=20", interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {repetitions.data(), interleave.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    ek::bench::MedianRatioReporter reporter(
        "Against the property object itself (ratio of medians):",
        {{"run read, exported", "BM_RunRead_Exported", "BM_RunRead_Property", 1.05},
         {"run read, strategy proxy", "BM_RunRead_StrategyProxy", "BM_RunRead_Property", 0},
         {"get value, exported", "BM_GetValue_Exported", "BM_GetValue_Property", 2.0},
         {"get value, strategy proxy", "BM_GetValue_StrategyProxy", "BM_GetValue_Property", 0},
         {"get value, open by index", "BM_GetValue_ExportedByIndex", "BM_GetValue_Property", 0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
