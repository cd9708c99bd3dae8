// Statistics plus histogram of a 256 MiB single property (three scans: two for the
// statistics, one for the histogram) against one raw read of the same file, side by side in
// each iteration.
#include <memory>

#include "bench_data.h"

using namespace ek::bench;

namespace {

constexpr unsigned char dtSingle = 0;

void BM_StatisticsAndHistogram(benchmark::State& state) {
    Scratch dir;
    const std::string path = dir.narrow("s.Field.property");
    if (!write_file<float>(path, k_values, [](long long k) { return static_cast<float>(field_value(k)); }))
        return state.SkipWithError("cannot write the data file");
    auto p = open_property(std::filesystem::path(path).wstring(), dtSingle, k_side, k_side, 3);
    const uint64_t bytes = static_cast<uint64_t>(k_values) * 4;
    std::vector<char> dst = touched(bytes);
    const int fd = ::open(path.c_str(), O_RDONLY);
    measure_pair(
        state,
        [&] {
            const bool ok = raw_pread(fd, dst.data(), bytes, 0);
            benchmark::DoNotOptimize(dst.data());
            return ok;
        },
        [&] {
            p->updateStatistic();  // always recomputes; the histogram then uses its result
            p->updateHistogram();
            return p->getStatisticSet() && p->getHistogramSet();
        },
        static_cast<double>(bytes));
    ::close(fd);
    state.counters["missing"] = static_cast<double>(p->getDfIndefCount());
}
BENCHMARK(BM_StatisticsAndHistogram)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
