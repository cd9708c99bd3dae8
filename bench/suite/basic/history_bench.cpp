// Undo history with 100,000 items: adding them, then undoing and redoing one step at a time
// and all in one step. The reference is the floor: storing the item and calling its callback.
#include <benchmark/benchmark.h>

#include <vector>

#include "ekx_basic.h"

namespace {

constexpr size_t item_count = 100'000;

long counter = 0;
void redo(void*) { ++counter; }
void undo(void*) { --counter; }
void erase(void*) {}

void per_operation(benchmark::State& state) {
    state.counters["time_per_op"] =
        benchmark::Counter(static_cast<double>(state.iterations() * item_count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

Tek_history* filled_history() {
    Tek_history* h = ek_history_manager_create_history(ek_history_manager_get_instance(), nullptr, nullptr, nullptr);
    for (size_t i = 0; i < item_count; ++i) ek_history_add_item(h, redo, undo, erase, nullptr);
    return h;
}

void BM_HistoryAdd(benchmark::State& state) {
    for (auto _ : state) {
        Tek_history* h = filled_history();
        state.PauseTiming();
        ek_history_destroy(h);
        state.ResumeTiming();
    }
    per_operation(state);
}
BENCHMARK(BM_HistoryAdd)->Unit(benchmark::kMillisecond);

void BM_HistoryUndoRedoSingleSteps(benchmark::State& state) {
    Tek_history* h = filled_history();
    for (auto _ : state) {
        for (size_t i = 0; i < item_count; ++i) ek_history_undo(h, 1);
        for (size_t i = 0; i < item_count; ++i) ek_history_redo(h, 1);
    }
    ek_history_destroy(h);
    state.counters["time_per_op"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 2 * item_count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HistoryUndoRedoSingleSteps)->Unit(benchmark::kMillisecond);

void BM_HistoryUndoRedoOneCall(benchmark::State& state) {
    Tek_history* h = filled_history();
    for (auto _ : state) {
        ek_history_undo(h, item_count);
        ek_history_redo(h, item_count);
    }
    ek_history_destroy(h);
    state.counters["time_per_op"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 2 * item_count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HistoryUndoRedoOneCall)->Unit(benchmark::kMillisecond);

void BM_HistoryDestroy(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Tek_history* h = filled_history();
        state.ResumeTiming();
        ek_history_destroy(h);
    }
    per_operation(state);
}
BENCHMARK(BM_HistoryDestroy)->Unit(benchmark::kMillisecond);

// Reference: append the same record to a vector and call its callback, 100,000 times.
struct Record {
    void (*redo)(void*);
    void (*undo)(void*);
    void (*erase)(void*);
    void* item;
};

void BM_ReferenceVectorPushAndCall(benchmark::State& state) {
    void (*volatile r)(void*) = redo;
    for (auto _ : state) {
        std::vector<Record> records;
        for (size_t i = 0; i < item_count; ++i) {
            records.push_back(Record{r, undo, erase, nullptr});
            records.back().redo(records.back().item);
        }
        benchmark::DoNotOptimize(records.data());
    }
    per_operation(state);
}
BENCHMARK(BM_ReferenceVectorPushAndCall)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
