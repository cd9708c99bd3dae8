// Opening and saving a document of 1,000 properties against pugixml's own parse and save of the
// same metadata file, and the object-index computation of a 4096 x 4096 decimation.
#include <benchmark/benchmark.h>

#include <memory>
#include <pugixml.hpp>
#include <vector>

#include "../support/ratio_reporter.h"
#include "support/temp_dir.h"
#include "vor4/TekVor4Impl.h"

namespace {

constexpr int k_properties = 1000;

const ek::test::TempDir& folder() {
    static const ek::test::TempDir dir;
    return dir;
}

// A document of 1,000 single properties over a tiny grid, each with statistics and a histogram,
// written once through the library itself.
const std::string& document() {
    static const std::string path = [] {
        const std::string p = folder().narrow("big.xml");
        TekVor4Impl d;
        d.setGridType(3);
        const long long sizes[3] = {2, 2, 1};
        d.setDimensions64(sizes);
        d.create(p);
        for (int i = 0; i < k_properties; ++i) {
            // Appending avoids a false -Wrestrict of GCC 12 on literal + string.
            std::string name = "P";
            name += std::to_string(i);
            TekVor4Property* prop = d.addProperty(name, 0, 0, false);
            if (!prop) continue;
            std::string caption = "\xC3\xEB\xF3\xE1\xE8\xED\xE0 ";
            caption += std::to_string(i);
            prop->setCaption(caption);
            prop->setPrecision(std::string("0.00"));
            prop->updateStatistic();
            prop->setMin(-1.5 * i);
            prop->setMax(2.5 * i);
            prop->setAverage(i / 3.0);
            prop->setStdDev(0.1 * i);
            prop->setHgBndMin(-1.0);
            prop->setHgBndMax(1.0);
            prop->setHgMin(i);
            prop->setHgMax(2 * i);
            prop->setHgDiapData(std::string(800, '1'));
        }
        d.save();
        return p;
    }();
    return path;
}

void BM_DocumentOpen(benchmark::State& state) {
    const std::string& path = document();
    for (auto _ : state) {
        TekVor4Impl d;
        benchmark::DoNotOptimize(d.open(path, true));
    }
}
BENCHMARK(BM_DocumentOpen)->Unit(benchmark::kMillisecond);

void BM_PugiParse(benchmark::State& state) {
    const std::string& path = document();
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_file(path.c_str()));
    }
}
BENCHMARK(BM_PugiParse)->Unit(benchmark::kMillisecond);

void BM_DocumentSave(benchmark::State& state) {
    const std::string& path = document();
    TekVor4Impl d;
    d.open(path, false);
    for (auto _ : state) benchmark::DoNotOptimize(d.save());
}
BENCHMARK(BM_DocumentSave)->Unit(benchmark::kMillisecond);

void BM_PugiSave(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_file(document().c_str());
    const std::string out = folder().narrow("pugi.xml");
    for (auto _ : state) benchmark::DoNotOptimize(doc.save_file(out.c_str(), "  "));
}
BENCHMARK(BM_PugiSave)->Unit(benchmark::kMillisecond);

// Indexes of a 4096 x 4096 window decimated to 1024 x 1024; time per index written.
void BM_ReadIndex2d(benchmark::State& state) {
    TekVor4Impl d;
    d.setGridType(3);
    const long long sizes[3] = {4096, 4096, 1};
    d.setDimensions64(sizes);
    std::vector<long long> dst(1024 * 1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.read_index2d(0, 0, 4096, 4096, dst.data(), 1024, 1024, 1, 0));
        benchmark::ClobberMemory();
    }
    state.counters["sec_per_index"] = benchmark::Counter(static_cast<double>(dst.size()),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadIndex2d)->Unit(benchmark::kMillisecond);

void BM_ReadIndex3d(benchmark::State& state) {
    TekVor4Impl d;
    d.setGridType(5);
    const long long sizes[3] = {256, 256, 256};
    d.setDimensions64(sizes);
    std::vector<long long> dst(64 * 64 * 64);
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.read_index3d(0, 0, 0, 256, 256, 256, dst.data(), 64, 64, 64, 1, 0, 0));
        benchmark::ClobberMemory();
    }
    state.counters["sec_per_index"] = benchmark::Counter(static_cast<double>(dst.size()),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadIndex3d)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ek::bench::RatioReporter reporter("document time / pugixml time of the same file",
                                      {{"open 1,000 properties", "BM_DocumentOpen", "BM_PugiParse", 2.0},
                                       {"save 1,000 properties", "BM_DocumentSave", "BM_PugiSave", 2.0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
