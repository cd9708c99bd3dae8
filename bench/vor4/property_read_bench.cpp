// Property reads against raw pread of the same bytes, measured side by side in each iteration:
// own-type runs (straight into the caller's buffer), converting runs, and the decimating 2D
// window read, which is also measured against a strided copy out of a fresh mapping of the
// file (what numpy.memmap(...)[::8, ::8].copy() does).
#include <sys/mman.h>

#include <memory>

#include "bench_data.h"

using namespace ek::bench;

namespace {

constexpr unsigned char dtSingle = 0, dtByte = 1, dtInteger = 2, dtBitmask = 3, dtDouble = 4;

struct Files {
    Scratch dir;
    std::string single, integer, dbl, mask;
    long long maskValues = 4 * k_values;  // 32 MiB of bits
    bool ok = false;

    Files() {
        single = dir.narrow("b.Single.property");
        integer = dir.narrow("b.Integer.property");
        dbl = dir.narrow("b.Double.property");
        mask = dir.narrow("b.Mask.property");
        ok = write_file<float>(single, k_values, [](long long k) { return static_cast<float>(field_value(k)); }) &&
             write_file<int32_t>(integer, k_values,
                                 [](long long k) {
                                     const double v = field_value(k);
                                     return std::isnan(v) ? 2147483647 : static_cast<int32_t>(v);
                                 }) &&
             write_file<double>(dbl, k_values / 2, [](long long k) { return field_value(k); }) &&
             write_file<uint8_t>(mask, maskValues / 8,
                                 [](long long k) { return static_cast<uint8_t>(k * 2654435761u >> 13); });
    }
};

Files& files() {
    static Files f;
    return f;
}

std::wstring wide(const std::string& path) { return std::filesystem::path(path).wstring(); }

// One run of the whole 256 MiB single property into the caller's buffer, against one pread.
void BM_OwnTypeRunRead(benchmark::State& state) {
    Files& f = files();
    if (!f.ok) return state.SkipWithError("cannot write the data files");
    auto p = open_property(wide(f.single), dtSingle, k_values);
    const uint64_t bytes = static_cast<uint64_t>(k_values) * 4;
    std::vector<char> dst = touched(bytes);
    const int fd = ::open(f.single.c_str(), O_RDONLY);
    measure_pair(
        state, [&] { return raw_pread(fd, dst.data(), bytes, 0); },
        [&] { return p->readRawData(0, k_values, dst.data(), k_values, dtSingle, 1) == 0; }, static_cast<double>(bytes));
    ::close(fd);
}
BENCHMARK(BM_OwnTypeRunRead)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

// The whole file in runs of 1 Mi values converted to another type, against pread of the same
// byte ranges into one reused buffer.
void converting(benchmark::State& state, const std::string& path, unsigned char stored, long long values,
                unsigned char requested) {
    auto p = open_property(wide(path), stored, values);
    const bool bits = stored == dtBitmask;
    const uint64_t srcSize = bits ? 1 : static_cast<uint64_t>(ek::vor::data_type_size(stored));
    const uint64_t pieceBytes = bits ? static_cast<uint64_t>(k_piece / 8) : static_cast<uint64_t>(k_piece) * srcSize;
    std::vector<char> dst = touched(static_cast<uint64_t>(k_piece) * ek::vor::data_type_size(requested));
    std::vector<char> raw = touched(pieceBytes);
    const int fd = ::open(path.c_str(), O_RDONLY);
    measure_pair(
        state,
        [&] {
            for (long long at = 0; at < values; at += k_piece) {
                const uint64_t from = bits ? static_cast<uint64_t>(at / 8) : static_cast<uint64_t>(at) * srcSize;
                if (!raw_pread(fd, raw.data(), pieceBytes, from)) return false;
                benchmark::DoNotOptimize(raw.data());
            }
            return true;
        },
        [&] {
            for (long long at = 0; at < values; at += k_piece) {
                if (p->readRawData(at, k_piece, dst.data(), k_piece, requested, 1) != 0) return false;
                benchmark::DoNotOptimize(dst.data());
            }
            return true;
        },
        static_cast<double>(file_bytes(path)));
    ::close(fd);
    state.counters["values_M"] = static_cast<double>(values) / 1e6;
}

void BM_ConvertingRead_Int32ToDouble(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the data files");
    converting(state, files().integer, dtInteger, k_values, dtDouble);
}
void BM_ConvertingRead_DoubleToSingle(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the data files");
    converting(state, files().dbl, dtDouble, k_values / 2, dtSingle);
}
void BM_ConvertingRead_SingleToInt32(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the data files");
    converting(state, files().single, dtSingle, k_values, dtInteger);
}
void BM_ConvertingRead_BitmaskToByte(benchmark::State& state) {
    if (!files().ok) return state.SkipWithError("cannot write the data files");
    converting(state, files().mask, dtBitmask, files().maskValues, dtByte);
}
BENCHMARK(BM_ConvertingRead_Int32ToDouble)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertingRead_DoubleToSingle)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertingRead_SingleToInt32)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertingRead_BitmaskToByte)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

// The library's side of the overview benchmarks: the whole grid into out x out singles.
template <class Property>
bool read_overview(Property& p, void* dst, long long out) {
    const bool ok = p.readData2D(0, 0, k_side, k_side, dst, out, out, dtSingle, 0, 0) == 0;
    benchmark::DoNotOptimize(dst);
    return ok;
}

// 8192 × 8192 singles shown as 1024 × 1024: every eighth row, every eighth value of it. The
// reference reads exactly the rows the window visits.
void BM_DecimatingWindowRead(benchmark::State& state) {
    Files& f = files();
    if (!f.ok) return state.SkipWithError("cannot write the data files");
    constexpr long long out = 1024;
    auto p = open_property(wide(f.single), dtSingle, k_side, k_side, 3);
    std::vector<char> dst = touched(out * out * 4);
    std::vector<char> row = touched(k_side * 4);
    const int fd = ::open(f.single.c_str(), O_RDONLY);
    measure_pair(
        state,
        [&] {
            for (long long r = 0; r < out; ++r) {
                const uint64_t y = static_cast<uint64_t>(r * (k_side / out));
                if (!raw_pread(fd, row.data(), k_side * 4, y * k_side * 4)) return false;
                benchmark::DoNotOptimize(row.data());
            }
            return true;
        },
        [&] { return read_overview(*p, dst.data(), out); },
        static_cast<double>(out * k_side * 4));
    ::close(fd);
}
BENCHMARK(BM_DecimatingWindowRead)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The same overview against mapping the file, copying every eighth value of every eighth row
// and unmapping it again.
void BM_DecimatingWindowReadVsMapping(benchmark::State& state) {
    Files& f = files();
    if (!f.ok) return state.SkipWithError("cannot write the data files");
    constexpr long long out = 1024, step = k_side / out;
    const size_t bytes = static_cast<size_t>(k_values) * 4;
    auto p = open_property(wide(f.single), dtSingle, k_side, k_side, 3);
    std::vector<float> dst(out * out, 1.f);
    const int fd = ::open(f.single.c_str(), O_RDONLY);
    measure_pair(
        state,
        [&] {
            void* const m = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
            if (m == MAP_FAILED) return false;
            const auto* src = static_cast<const float*>(m);
            for (long long r = 0; r < out; ++r)
                for (long long c = 0; c < out; ++c) dst[size_t(r * out + c)] = src[r * step * k_side + c * step];
            benchmark::DoNotOptimize(dst.data());
            return ::munmap(m, bytes) == 0;
        },
        [&] { return read_overview(*p, dst.data(), out); },
        static_cast<double>(out * k_side * 4));
    ::close(fd);
}
BENCHMARK(BM_DecimatingWindowReadVsMapping)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
