// A console reporter that keeps every repetition's real time of each benchmark and prints, at
// the end, each benchmark's median and fastest repetition and the subject-to-reference ratios
// of the medians. Run with repetitions in random order, the median compares the code rather
// than whatever else the machine was doing.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ek::bench {

class MedianRatioReporter : public benchmark::ConsoleReporter {
public:
    struct Pair {
        std::string label, subject, reference;
        double goal;  // the ratio the subject should stay at or below; 0 for a figure without goal
    };
    MedianRatioReporter(std::string title, std::vector<Pair> pairs)
        : title_(std::move(title)), pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times_[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::map<std::string, double> medians;
        std::printf("\nReal time per call, over %s:\n", "the repetitions");
        for (auto& [name, t] : times_) {
            std::sort(t.begin(), t.end());
            const size_t n = t.size();
            medians[name] = n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
            std::printf("  %-30s median %10.2f ns   fastest %10.2f ns   (%zu runs)\n", name.c_str(), medians[name],
                        t.front(), n);
        }
        std::printf("\n%s\n", title_.c_str());
        for (const Pair& p : pairs_) {
            const auto s = medians.find(p.subject), r = medians.find(p.reference);
            if (s == medians.end() || r == medians.end() || r->second <= 0) continue;
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
    std::map<std::string, std::vector<double>> times_;
};

}  // namespace ek::bench
