// A 64 MiB block write through a document loaded in memory (recorded for undo, undo data in a
// temporary file) against the same write through a handle of a document that is not loaded
// (direct), in the same run; then the undo and the redo of that write, and the heap memory
// the recording needs at its peak and keeps between steps.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "bench_files.h"
#include "ekx_basic.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/proxy/TekVor4CachedProxy.h"
#include "vor4/proxy/TekVor4StrategyProxy.h"

// --- heap accounting: every allocation of the process, current and peak bytes ---------------

namespace {
std::atomic<long long> g_current{0};
std::atomic<long long> g_peak{0};

void* counted_alloc(std::size_t n) {
    void* p = std::malloc(n + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    const long long now = g_current += static_cast<long long>(n);
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + 16;
}
void counted_free(void* q) noexcept {
    if (!q) return;
    void* p = static_cast<char*>(q) - 16;
    g_current -= static_cast<long long>(*static_cast<std::size_t*>(p));
    std::free(p);
}
}  // namespace

void* operator new(std::size_t n) { return counted_alloc(n); }
void* operator new[](std::size_t n) { return counted_alloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted_alloc(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted_alloc(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { counted_free(p); }
void operator delete[](void* p) noexcept { counted_free(p); }
void operator delete(void* p, std::size_t) noexcept { counted_free(p); }
void operator delete[](void* p, std::size_t) noexcept { counted_free(p); }

namespace {

constexpr long long k_side = 4096;
constexpr long long k_values = k_side * k_side;  // 16 Mi singles: 64 MiB
constexpr double k_mib = 1024.0 * 1024.0;

struct Fixture {
    ek::bench::Scratch scratch;
    std::wstring directPath = scratch.file("direct.xml");
    std::wstring loadedPath = scratch.file("loaded.xml");
    std::vector<float> data = std::vector<float>(k_values);
    TekVor4StrategyProxy direct;
    TekVor4Refcount* load = nullptr;
    TekVor4CachedProxy* loaded = nullptr;

    Fixture() {
        for (long long i = 0; i < k_values; ++i) data[i] = float(i % 1000) * 0.5f;
        for (const std::wstring& path : {directPath, loadedPath}) {
            TekVor4Impl d;
            d.setGridType(3);
            const long long sizes[3] = {k_side, k_side, 1};
            d.setDimensions64(sizes);
            d.create(path);
            d.addProperty(std::wstring(L"Values"), 0, 0, false);
        }
        std::filesystem::create_directories(scratch.file("undo"));
        ek_options_set_temp_wpath(scratch.file("undo").c_str());
        ek_history_manager_set_enabled(true);
        direct.open(directPath, false);
        load = TekVor4PoolProxy<TekVor4CachedProxy>::create_instance(loadedPath);
        load->open(loadedPath, false);
        loaded = dynamic_cast<TekVor4CachedProxy*>(load);
    }
    ~Fixture() {
        load->free();
        ek_options_set_temp_wpath(nullptr);
    }
    TekVor4Property* directProperty() { return direct.getProperty(0); }
    TekVor4Property* loadedProperty() { return loaded->getProperty(0); }
    Tek_history* history() { return loaded->history_handle(); }
};

Fixture& fixture() {
    static Fixture* f = new Fixture();
    return *f;
}

void BM_BlockWrite64MiB_Direct(benchmark::State& state) {
    Fixture& f = fixture();
    TekVor4Property* p = f.directProperty();
    for (auto _ : state) {
        if (p->write_data(0, f.data.data(), k_values, 0, 0) != 0) state.SkipWithError("write failed");
        p->close();  // the same flush to the file system as the recorded path's
    }
    state.SetBytesProcessed(state.iterations() * k_values * 4);
}

void BM_BlockWrite64MiB_Recorded(benchmark::State& state) {
    Fixture& f = fixture();
    TekVor4Property* p = f.loadedProperty();
    long long peak = 0, held = 0, heldFirst = -1;
    for (auto _ : state) {
        state.PauseTiming();
        ek_history_clear(f.history());
        const long long before = g_current.load();
        g_peak = before;
        state.ResumeTiming();
        if (p->write_data(0, f.data.data(), k_values, 0, 0) != 0) state.SkipWithError("write failed");
        p->close();
        state.PauseTiming();
        peak = std::max(peak, g_peak.load() - before);
        held = g_current.load() - before;
        if (heldFirst < 0) heldFirst = held;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * k_values * 4);
    state.counters["heap_peak_MiB"] = double(peak) / k_mib;
    // The first write grows the exchange array, which is kept for later steps; later writes of
    // the same size keep nothing more.
    state.counters["heap_kept_first_MiB"] = double(heldFirst) / k_mib;
    state.counters["heap_kept_later_MiB"] = double(held) / k_mib;
}

// The undo data of several recorded writes stays in files: the heap held does not grow with
// the number of items.
void BM_HeapHeldByFourItems(benchmark::State& state) {
    Fixture& f = fixture();
    TekVor4Property* p = f.loadedProperty();
    long long afterOne = 0, afterFour = 0;
    for (auto _ : state) {
        ek_history_clear(f.history());
        const long long before = g_current.load();
        p->write_data(0, f.data.data(), k_values, 0, 0);
        afterOne = g_current.load() - before;
        for (int k = 0; k < 3; ++k) p->write_data(0, f.data.data(), k_values, 0, 0);
        afterFour = g_current.load() - before;
    }
    ek_history_clear(f.history());
    state.counters["heap_held_1_item_MiB"] = double(afterOne) / k_mib;
    state.counters["heap_held_4_items_MiB"] = double(afterFour) / k_mib;
}

void BM_Undo64MiB(benchmark::State& state) {
    Fixture& f = fixture();
    TekVor4Property* p = f.loadedProperty();
    ek_history_clear(f.history());
    p->write_data(0, f.data.data(), k_values, 0, 0);
    long long peak = 0;
    for (auto _ : state) {
        const long long before = g_current.load();
        g_peak = before;
        if (!ek_history_undo(f.history(), 1)) state.SkipWithError("nothing to undo");
        p->close();
        state.PauseTiming();
        peak = std::max(peak, g_peak.load() - before);
        ek_history_redo(f.history(), 1);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * k_values * 4);
    state.counters["heap_peak_MiB"] = double(peak) / k_mib;
}

void BM_Redo64MiB(benchmark::State& state) {
    Fixture& f = fixture();
    TekVor4Property* p = f.loadedProperty();
    ek_history_clear(f.history());
    p->write_data(0, f.data.data(), k_values, 0, 0);
    for (auto _ : state) {
        state.PauseTiming();
        ek_history_undo(f.history(), 1);
        state.ResumeTiming();
        if (!ek_history_redo(f.history(), 1)) state.SkipWithError("nothing to redo");
        p->close();
    }
    state.SetBytesProcessed(state.iterations() * k_values * 4);
}

BENCHMARK(BM_BlockWrite64MiB_Direct)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_BlockWrite64MiB_Recorded)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Undo64MiB)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Redo64MiB)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_HeapHeldByFourItems)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
