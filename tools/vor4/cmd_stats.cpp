// vor4 stats: stored statistics and histograms, or computed and stored with --update; the
// histogram drawn as a bar chart of block characters, one column per bin.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>

#include "commands.h"
#include "document.h"
#include "progress.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

namespace {

constexpr int chart_rows = 8;

// Rows of the chart, top first; each column rises in eighths of a row, and a bin that holds
// anything shows at least one eighth.
std::vector<std::string> bar_chart(const std::vector<long long>& counts) {
    static const char* const eighths[] = {" ", "▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
    const long long top = std::max<long long>(1, *std::max_element(counts.begin(), counts.end()));
    std::vector<std::string> rows(chart_rows);
    for (long long c : counts) {
        long long h = c * chart_rows * 8 / top;
        if (c > 0 && h == 0) h = 1;
        for (int r = 0; r < chart_rows; ++r) {
            const long long part = std::clamp<long long>(h - (chart_rows - 1 - r) * 8, 0, 8);
            rows[r] += eighths[part];
        }
    }
    return rows;
}

std::vector<long long> histogram_counts(TekVor4Property* p) {
    std::vector<long long> counts(ek_vor4_prop_get_histogram_count(p));
    for (unsigned b = 0; b < counts.size(); ++b) counts[b] = ek_vor4_prop_get_histogram_value(p, b);
    return counts;
}

void print_text(const Document& doc, unsigned i, TekVor4Property* p) {
    std::cout << doc.name(i) << " (" << data_type_name(doc.data_type(i)) << ", "
              << ek_vor4_prop_get_objcount_64(p) << " values)\n";
    if (!ek_vor4_prop_get_statistic_exist(p)) {
        std::cout << "  no statistics stored (vor4 stats --update computes them)\n";
        return;
    }
    std::cout << "  min " << format_number(ek_vor4_prop_get_statistic_min(p)) << "  max "
              << format_number(ek_vor4_prop_get_statistic_max(p)) << "  mean "
              << format_number(ek_vor4_prop_get_statistic_average(p)) << "  stddev "
              << format_number(ek_vor4_prop_get_statistic_stddev(p)) << "  missing "
              << ek_vor4_prop_get_statistic_indef_count_64(p) << "\n";
    if (!ek_vor4_prop_get_histogram_exist(p)) {
        std::cout << "  no histogram stored\n";
        return;
    }
    const std::vector<long long> counts = histogram_counts(p);
    std::cout << "  histogram: " << counts.size() << " bins over ["
              << format_number(ek_vor4_prop_get_histogram_hgbndmin(p)) << ", "
              << format_number(ek_vor4_prop_get_histogram_hgbndmax(p)) << "], "
              << ek_vor4_prop_get_histogram_hgmin(p) << " below, " << ek_vor4_prop_get_histogram_hgmax(p)
              << " above\n";
    if (counts.empty()) return;
    for (const std::string& row : bar_chart(counts)) std::cout << "  |" << row << "|\n";
    const std::string lo = format_number(ek_vor4_prop_get_histogram_hgbndmin(p));
    const std::string hi = format_number(ek_vor4_prop_get_histogram_hgbndmax(p));
    const size_t gap = counts.size() + 2 > lo.size() + hi.size() ? counts.size() + 2 - lo.size() - hi.size() : 1;
    std::cout << "  " << lo << std::string(gap, ' ') << hi << "\n";
}

nlohmann::ordered_json to_json(const Document& doc, unsigned i, TekVor4Property* p) {
    nlohmann::ordered_json j = {{"name", doc.name(i)},
                                {"type", data_type_name(doc.data_type(i))},
                                {"values", ek_vor4_prop_get_objcount_64(p)}};
    j["statistics"] = nullptr;
    j["histogram"] = nullptr;
    if (ek_vor4_prop_get_statistic_exist(p)) {
        j["statistics"] = {{"min", ek_vor4_prop_get_statistic_min(p)},
                           {"max", ek_vor4_prop_get_statistic_max(p)},
                           {"mean", ek_vor4_prop_get_statistic_average(p)},
                           {"stddev", ek_vor4_prop_get_statistic_stddev(p)},
                           {"valid", ek_vor4_prop_get_statistic_vals_count_64(p)},
                           {"missing", ek_vor4_prop_get_statistic_indef_count_64(p)}};
    }
    if (ek_vor4_prop_get_histogram_exist(p)) {
        j["histogram"] = {{"lower", ek_vor4_prop_get_histogram_hgbndmin(p)},
                          {"upper", ek_vor4_prop_get_histogram_hgbndmax(p)},
                          {"below", ek_vor4_prop_get_histogram_hgmin(p)},
                          {"above", ek_vor4_prop_get_histogram_hgmax(p)},
                          {"counts", histogram_counts(p)}};
    }
    return j;
}

}  // namespace

int run_stats(const std::string& path, const std::vector<std::string>& names, bool update, bool json) {
    Document doc(path, update ? Access::write : Access::read);
    std::vector<unsigned> indexes;
    for (const std::string& n : names) indexes.push_back(doc.find(n));
    if (names.empty()) {
        for (unsigned i = 0; i < doc.prop_count(); ++i) indexes.push_back(i);
    }
    if (update) {
        Progress progress("statistics", static_cast<long long>(indexes.size()));
        for (unsigned i : indexes) {
            doc.require_data(i, Access::write);
            TekVor4Property* p = doc.property(i);
            ek_vor4_prop_statistic_update(p);
            ek_vor4_prop_histogram_update(p);
            // Closed at once so that the data file is free again for the next check.
            ek_vor4_prop_close(p);
            progress.advance(1);
        }
    }
    nlohmann::ordered_json out = {{"document", path}, {"properties", nlohmann::ordered_json::array()}};
    for (unsigned i : indexes) {
        TekVor4Property* p = doc.property(i);
        if (json) {
            out["properties"].push_back(to_json(doc, i, p));
        } else {
            print_text(doc, i, p);
        }
    }
    if (json) std::cout << out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    return 0;
}

}  // namespace vor4
