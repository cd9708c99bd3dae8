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
    double subject = 0, reference = 0;
    for (auto _ : state) {
        const double t0 = now_seconds();
        double rawSum = 0;
        for (long long at = 0; at < k_count; at += window) {
            if (!raw_pread(fd, piece.data(), window * 4, static_cast<uint64_t>(at) * 4))
                return state.SkipWithError("raw read failed");
            for (float v : piece) rawSum += v == v ? v : 0.0f;
        }
        benchmark::DoNotOptimize(rawSum);
        const double t1 = now_seconds();
        double sum = 0;
        for (long long i = 0; i < k_count; ++i) {
            float v = 0;
            if (p->getValueSingle(i, v)) sum += v;
        }
        benchmark::DoNotOptimize(sum);
        const double t2 = now_seconds();
        reference += t1 - t0;
        subject += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    ::close(fd);
    report(state, subject, reference, static_cast<double>(k_count) * 4);
    const double iters = static_cast<double>(state.iterations());
    state.counters["ns_per_value"] = 1e9 * subject / iters / static_cast<double>(k_count);
    state.counters["reference_ns_per_value"] = 1e9 * reference / iters / static_cast<double>(k_count);
}
BENCHMARK(BM_SequentialGetValueSingle)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
