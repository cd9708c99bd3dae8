// What the vor4 tool costs over the work it asks of the library or the file system:
// - stats --update of a 256 MiB single property against ek_vor4_prop_statistic_update and
//   ek_vor4_prop_histogram_update called directly (goal: within 1.1x);
// - export to .vrt of a 256 MiB property against a 1 MiB one (goal: the same time);
// - export to .npy and import of that .npy against a plain write of the same bytes (goal: at
//   least 0.8x its speed, i.e. at most 1.25x its time).
// Every tool run is a whole process, as a user starts it. Files live in $TMPDIR (or /tmp).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ekx_file_vor4.h"
#include "support/ratio_reporter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
const fs::path work = fs::path(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") / "vor4_tool_bench";
constexpr long long big_side = 8192;    // 8192 x 8192 singles: 256 MiB
constexpr long long small_side = 512;   // 1 MiB

std::string doc(const char* name) { return (work / name).string(); }

// A gt2D document of side x side singles with a smooth field.
void make(const std::string& path, long long side) {
    TekVor4* d = ek_vor4_file_create_w(fs::path(path).wstring().c_str());
    ek_vor4_set_grid_type(d, 3);
    const long long dims[3] = {side, side, 1};
    ek_vor4_set_dimensions_64(d, dims);
    TekVor4Property* p = ek_vor4_prop_add_w(d, L"V", 0, 0, false);
    std::vector<float> row(static_cast<size_t>(side));
    for (long long y = 0; y < side; ++y) {
        for (long long x = 0; x < side; ++x) row[static_cast<size_t>(x)] = static_cast<float>((x * 7 + y * 13) % 1000) * 0.5f;
        ek_vor4_prop_write_64(p, y * side, row.data(), side, 0, 1);
    }
    ek_vor4_file_close(d);
}

void tool(std::vector<std::string> args) {
    args.insert(args.begin(), VOR4_BINARY);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // What the tool prints is not part of the measure.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int status = 0;
    const int spawned = posix_spawn(&pid, VOR4_BINARY, &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0 || waitpid(pid, &status, 0) != pid ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "vor4 %s failed\n", args[1].c_str());
        std::exit(1);
    }
}

void BM_StatsDirect(benchmark::State& state) {
    for (auto _ : state) {
        TekVor4* d = ek_vor4_file_open_w(fs::path(doc("big.xml")).wstring().c_str(), false);
        TekVor4Property* p = ek_vor4_prop_open(d, 0);
        ek_vor4_prop_statistic_update(p);
        ek_vor4_prop_histogram_update(p);
        ek_vor4_file_close(d);
    }
}

void BM_StatsTool(benchmark::State& state) {
    for (auto _ : state) tool({"stats", doc("big.xml"), "V", "--update", "--quiet"});
}

void BM_ExportVrt(benchmark::State& state) {
    const std::string source = state.range(0) == big_side ? doc("big.xml") : doc("small.xml");
    for (auto _ : state) tool({"export", source, "V", "-o", doc("v.vrt")});
}

void BM_RawWrite(benchmark::State& state) {
    const std::vector<char> bytes(static_cast<size_t>(big_side * big_side * 4), 1);
    for (auto _ : state) {
        const int fd = ::open(doc("raw.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        size_t done = 0;
        while (done < bytes.size()) done += static_cast<size_t>(::write(fd, bytes.data() + done, bytes.size() - done));
        ::close(fd);
    }
    fs::remove(doc("raw.bin"));
}

void BM_ExportNpy(benchmark::State& state) {
    for (auto _ : state) tool({"export", doc("big.xml"), "V", "-o", doc("v.npy"), "--quiet"});
}

void BM_ImportNpy(benchmark::State& state) {
    for (auto _ : state) {
        tool({"import", doc("imported.xml"), "V", doc("v.npy"), "--quiet"});
        state.PauseTiming();
        ek_vor4_delete_files(fs::path(doc("imported.xml")).wstring().c_str());
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_StatsDirect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_StatsTool)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ExportVrt)->Arg(small_side)->Arg(big_side)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ExportNpy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ImportNpy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    fs::remove_all(work);
    fs::create_directories(work);
    make(doc("big.xml"), big_side);
    make(doc("small.xml"), small_side);
    ek::bench::RatioReporter reporter(
        "same-run ratios (time of the tool / time of the reference):",
        {{"stats --update / direct", "BM_StatsTool/iterations:5/real_time", "BM_StatsDirect/iterations:5/real_time", 1.1},
         {"export .vrt 256 MiB / 1 MiB", "BM_ExportVrt/8192/iterations:20/real_time",
          "BM_ExportVrt/512/iterations:20/real_time", 1.2},
         {"export .npy / raw write", "BM_ExportNpy/iterations:5/real_time", "BM_RawWrite/iterations:5/real_time", 1.25},
         {"import .npy / raw write", "BM_ImportNpy/iterations:5/real_time", "BM_RawWrite/iterations:5/real_time", 1.25}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    fs::remove_all(work);
    return 0;
}
