// Sequential single-value reads through the value window over 16 Mi singles, in nanoseconds
// per value, against pread of the same file in window-sized pieces plus touching each value.
#include <memory>

#include "bench_data.h"

using namespace ek::bench;

namespace {

constexpr unsigned char dtSingle = 0;
constexpr long long k_count = 16LL << 20;

void BM_SequentialGetValueSingle(benchmark::State& state) {
    Scratch dir;
    const std::string path = dir.narrow("v.Field.property");
    if (!write_file<float>(path, k_count, [](long long k) { return static_cast<float>(field_value(k)); }))
        return state.SkipWithError("cannot write the data file");
    auto p = open_property(std::filesystem::path(path).wstring(), dtSingle, k_count);
    constexpr long long window = TekVor4PropertyImpl::k_window_values;
    std::vector<float> piece(window);
    const int fd = ::open(path.c_str(), O_RDONLY);
    measure_pair(
        state,
        [&] {
            double sum = 0;
            for (long long at = 0; at < k_count; at += window) {
                if (!raw_pread(fd, piece.data(), window * 4, static_cast<uint64_t>(at) * 4)) return false;
                for (float v : piece) sum += v == v ? v : 0.0f;
            }
            benchmark::DoNotOptimize(sum);
            return true;
        },
        [&] {
            double sum = 0;
            for (long long i = 0; i < k_count; ++i) {
                float v = 0;
                if (p->getValueSingle(i, v)) sum += v;
            }
            benchmark::DoNotOptimize(sum);
            return true;
        },
        static_cast<double>(k_count) * 4);
    ::close(fd);
    state.counters["ns_per_value"] = state.counters["subject_ms"] * 1e6 / static_cast<double>(k_count);
    state.counters["reference_ns_per_value"] = state.counters["reference_ms"] * 1e6 / static_cast<double>(k_count);
}
BENCHMARK(BM_SequentialGetValueSingle)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
