// A console reporter that also prints, after the runs, the real time of each subject
// benchmark as a ratio to the reference benchmark measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ek::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Pair {
        std::string label, subject, reference;
        double goal;      // the ratio the subject should stay at or below
    };
    RatioReporter(std::string title, std::vector<Pair> pairs) : title_(std::move(title)), pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%s\n", title_.c_str());
        for (const Pair& p : pairs_) {
            const auto s = times_.find(p.subject), r = times_.find(p.reference);
            if (s == times_.end() || r == times_.end() || r->second <= 0) continue;
            const double ratio = s->second / r->second;
            std::printf("  %-28s %6.2f  (goal <= %.2f)%s\n", p.label.c_str(), ratio, p.goal,
                        ratio <= p.goal ? "" : "  MISSED");
        }
    }

private:
    std::string title_;
    std::vector<Pair> pairs_;
    std::map<std::string, double> times_;
};

}  // namespace ek::bench
