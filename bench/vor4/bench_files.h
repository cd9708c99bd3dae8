// Shared scaffolding of the property benchmarks: a scratch folder under $TMPDIR (or /tmp),
// raw POSIX transfers as the physical reference, and a clock.
#pragma once

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "vor4/property/TekVor4PropertyImpl.h"

namespace ek::bench {

inline std::filesystem::path scratch_root() {
    const char* tmp = std::getenv("TMPDIR");
    return (tmp && *tmp) ? std::filesystem::path(tmp) : std::filesystem::path("/tmp");
}

// A folder of its own, removed with everything in it.
class Scratch {
public:
    Scratch() {
        std::string pattern = (scratch_root() / "ekx_vor4_bench_XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) path_ = made;
    }
    ~Scratch() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::wstring file(const std::string& name) const { return (path_ / name).wstring(); }
    std::string narrow(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline double now_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of this thread, user and system: on a shared machine it shows the work done even
// when the wall clock also counts other processes' turns.
inline double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Whole-buffer positioned transfers, looping over short counts like any careful caller.
inline bool raw_pread(int fd, void* dst, uint64_t n, uint64_t offset) {
    auto* p = static_cast<char*>(dst);
    while (n > 0) {
        const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(offset));
        if (got <= 0) return false;
        p += got;
        n -= static_cast<uint64_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

inline bool raw_pwrite(int fd, const void* src, uint64_t n, uint64_t offset) {
    auto* p = static_cast<const char*>(src);
    while (n > 0) {
        const ssize_t put = ::pwrite(fd, p, n, static_cast<off_t>(offset));
        if (put <= 0) return false;
        p += put;
        n -= static_cast<uint64_t>(put);
        offset += static_cast<uint64_t>(put);
    }
    return true;
}

// A property over an existing or new data file, 1D of n objects unless sized otherwise.
inline std::unique_ptr<TekVor4PropertyImpl> open_property(const std::wstring& path, unsigned char type, long long nx,
                                                          long long ny = 1, unsigned char gridType = 1) {
    auto p = std::make_unique<TekVor4PropertyImpl>(path, false);
    p->setDataType(type);
    p->setGridType(gridType);
    p->setSize(nx, ny, 1);
    return p;
}

// Reports the subject's time against the reference measured in the same iterations:
// time_ratio = subject / reference (lower is better), speed_ratio = its inverse.
inline void report(benchmark::State& state, double subject, double reference, double bytes) {
    const double iters = static_cast<double>(state.iterations());
    state.counters["subject_ms"] = 1e3 * subject / iters;
    state.counters["reference_ms"] = 1e3 * reference / iters;
    state.counters["time_ratio"] = subject / reference;
    state.counters["speed_ratio"] = reference / subject;
    if (bytes > 0) state.counters["subject_GBps"] = bytes * iters / subject / 1e9;
}

// Runs the reference and the subject once untimed (the first touch of a file's cache pages
// and of fresh buffers costs far more than any later pass), then once each per iteration,
// alternating which goes first. Each callable returns false on failure. The iteration time
// is the subject's; report() adds the ratios.
template <class Reference, class Subject>
void measure_pair(benchmark::State& state, Reference&& reference, Subject&& subject, double bytes) {
    if (!reference() || !subject()) return state.SkipWithError("the warm-up run failed");
    double r = 0, s = 0, rc = 0, sc = 0;
    long long round = 0;
    for (auto _ : state) {
        double tr = 0, ts = 0;
        for (int side = 0; side < 2; ++side) {
            const bool referenceNow = (side + round) % 2 == 0;
            const double t0 = now_seconds(), c0 = cpu_seconds();
            const bool ok = referenceNow ? reference() : subject();
            const double t = now_seconds() - t0, c = cpu_seconds() - c0;
            if (!ok) return state.SkipWithError(referenceNow ? "the reference failed" : "the subject failed");
            (referenceNow ? tr : ts) = t;
            (referenceNow ? rc : sc) += c;
        }
        ++round;
        r += tr;
        s += ts;
        state.SetIterationTime(ts);
    }
    const double iters = static_cast<double>(state.iterations());
    state.counters["subject_cpu_ms"] = 1e3 * sc / iters;
    state.counters["reference_cpu_ms"] = 1e3 * rc / iters;
    state.counters["cpu_time_ratio"] = sc / rc;
    report(state, s, r, bytes);
}

}  // namespace ek::bench
