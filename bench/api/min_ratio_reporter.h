// A console reporter that keeps, for each benchmark, the fastest repetition's real time and
// prints, at the end, subject-to-reference ratios of those times. On a shared machine the
// fastest repetition is the one least disturbed by others, so the ratios of minima compare the
// code rather than the neighbours.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ek::bench {

class MinRatioReporter : public benchmark::ConsoleReporter {
public:
    struct Pair {
        std::string label, subject, reference;
        double goal;  // the ratio the subject should stay at or below; 0 for a figure without goal
    };
    MinRatioReporter(std::string title, std::vector<Pair> pairs) : title_(std::move(title)), pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            const std::string name = r.run_name.function_name;
            const double t = r.GetAdjustedRealTime();
            auto it = best_.find(name);
            if (it == best_.end()) best_.emplace(name, t);
            else it->second = std::min(it->second, t);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nFastest repetition of each (real time):\n");
        for (const auto& [name, t] : best_) std::printf("  %-30s %10.2f ns\n", name.c_str(), t);
        std::printf("\n%s\n", title_.c_str());
        for (const Pair& p : pairs_) {
            const auto s = best_.find(p.subject), r = best_.find(p.reference);
            if (s == best_.end() || r == best_.end() || r->second <= 0) continue;
            const double ratio = s->second / r->second;
            if (p.goal <= 0) {
                std::printf("  %-30s %6.3f\n", p.label.c_str(), ratio);
                continue;
            }
            std::printf("  %-30s %6.3f  (goal <= %.2f)%s\n", p.label.c_str(), ratio, p.goal,
                        ratio <= p.goal ? "" : "  MISSED");
        }
    }

private:
    std::string title_;
    std::vector<Pair> pairs_;
    std::map<std::string, double> best_;
};

}  // namespace ek::bench
