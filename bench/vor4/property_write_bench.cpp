// Property writes against raw pwrite of the same bytes, side by side in each iteration: an
// own-type run over an existing data file, and init (a new data file full of missing values).
#include <memory>

#include "bench_data.h"

using namespace ek::bench;

namespace {

constexpr unsigned char dtSingle = 0;

struct Files {
    Scratch dir;
    std::string subject, reference;
    bool ok = false;
    Files() {
        subject = dir.narrow("w.Subject.property");
        reference = dir.narrow("w.Reference.property");
        auto make = [](long long k) { return static_cast<float>(field_value(k)); };
        ok = write_file<float>(subject, k_values, make) && write_file<float>(reference, k_values, make);
    }
};

Files& files() {
    static Files f;
    return f;
}

// One run of 256 MiB of singles written over the existing data file.
void BM_OwnTypeRunWrite(benchmark::State& state) {
    Files& f = files();
    if (!f.ok) return state.SkipWithError("cannot write the data files");
    auto p = open_property(std::filesystem::path(f.subject).wstring(), dtSingle, k_values);
    const uint64_t bytes = static_cast<uint64_t>(k_values) * 4;
    std::vector<float> src(static_cast<size_t>(k_values));
    for (long long k = 0; k < k_values; ++k) src[static_cast<size_t>(k)] = static_cast<float>(k % 5000) * 0.5f;
    const int fd = ::open(f.reference.c_str(), O_RDWR);
    measure_pair(
        state, [&] { return raw_pwrite(fd, src.data(), bytes, 0); },
        [&] { return p->write_data(0, src.data(), k_values, dtSingle, 1) == 0; }, static_cast<double>(bytes));
    ::close(fd);
}
BENCHMARK(BM_OwnTypeRunWrite)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

// init of an 8192 × 8192 single property (the file is created anew, 32 KiB rows of NaN),
// against creating the same file with one pwrite of a prepared 256 MiB NaN buffer.
void BM_Init(benchmark::State& state) {
    Files& f = files();
    if (!f.ok) return state.SkipWithError("cannot write the data files");
    auto p = open_property(std::filesystem::path(f.subject).wstring(), dtSingle, k_side, k_side, 3);
    const uint64_t bytes = static_cast<uint64_t>(k_values) * 4;
    std::vector<float> nan(static_cast<size_t>(k_values), std::numeric_limits<float>::quiet_NaN());
    measure_pair(
        state,
        [&] {
            const int fd = ::open(f.reference.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            if (fd < 0) return false;
            const bool ok = raw_pwrite(fd, nan.data(), bytes, 0);
            ::close(fd);
            return ok;
        },
        [&] { return p->init(true); }, static_cast<double>(bytes));
    if (file_bytes(f.subject) != bytes) state.SkipWithError("init wrote a file of the wrong length");
}
BENCHMARK(BM_Init)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
