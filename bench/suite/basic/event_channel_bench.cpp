// Cost of one broadcast of a small update event to ten clients, against the floor of ten
// indirect calls handing over one prepared queue.
#include <benchmark/benchmark.h>

#include <vector>

#include "ekx_basic.h"

namespace {

constexpr int client_count = 10;

void on_event(Tek_table* queue, void* client) {
    // What a typical client does: look for the update event and one key.
    Tek_tuple* u = ek_event_queue_get_update_event(queue, 0);
    if (ek_update_event_prop_list_find_integer(ek_update_event_get_details(u), 5)) ++*static_cast<long*>(client);
}

void BM_Broadcast10Clients(benchmark::State& state) {
    Tek_event_channel* ch = ek_event_channel_create();
    std::vector<long> hits(client_count);
    for (auto& h : hits) ek_event_channel_add_client(ch, on_event, &h);
    Tek_tuple event;
    ek_update_event_init(&event);
    ek_update_event_add_prop_integer(&event, 5);
    ek_update_event_add_prop_string(&event, "Caption");
    for (auto _ : state) ek_event_channel_broadcast(ch, &event);
    ek_update_event_clear(&event);
    ek_event_channel_destroy(ch);
    benchmark::DoNotOptimize(hits.data());
    state.counters["time_per_broadcast"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Broadcast10Clients);

// Reference: the same ten client calls with one queue built once, no channel and no copies.
void BM_Reference10DirectCalls(benchmark::State& state) {
    std::vector<long> hits(client_count);
    Tek_table* queue = table_create();
    table_resize(queue, 1);
    Tek_tuple* event = table_get_row(queue, 0);
    ek_update_event_init(event);
    ek_update_event_add_prop_integer(event, 5);
    ek_update_event_add_prop_string(event, "Caption");
    void (*volatile callback)(Tek_table*, void*) = on_event;
    for (auto _ : state)
        for (auto& h : hits) callback(queue, &h);
    table_destroy(queue);
    benchmark::DoNotOptimize(hits.data());
    state.counters["time_per_broadcast"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Reference10DirectCalls);

}  // namespace

BENCHMARK_MAIN();
