// vor4 info: the geometry of a document and one row per property.
#include <nlohmann/json.hpp>

#include <iostream>

#include "commands.h"
#include "document.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

namespace {

int geometry_class(unsigned char g) { return g == 0 ? 0 : g <= 2 ? 1 : (g == 5 || g == 6) ? 3 : 2; }

// The first `n` of three values, joined.
std::string joined(const double v[3], int n, const char* sep) {
    std::string t;
    for (int i = 0; i < n; ++i) t += (i ? sep : "") + format_number(v[i]);
    return t;
}

size_t display_width(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

void print_table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> width;
    for (const auto& r : rows) {
        width.resize(std::max(width.size(), r.size()));
        for (size_t c = 0; c < r.size(); ++c) width[c] = std::max(width[c], display_width(r[c]));
    }
    for (const auto& r : rows) {
        std::string line = " ";
        for (size_t c = 0; c < r.size(); ++c) {
            line += " " + r[c];
            if (c + 1 < r.size()) line.append(width[c] - display_width(r[c]) + 1, ' ');
        }
        std::cout << line << "\n";
    }
}

nlohmann::ordered_json statistics_json(TekVor4Property* p) {
    if (!ek_vor4_prop_get_statistic_exist(p)) return nullptr;
    return {{"min", ek_vor4_prop_get_statistic_min(p)},
            {"max", ek_vor4_prop_get_statistic_max(p)},
            {"mean", ek_vor4_prop_get_statistic_average(p)},
            {"stddev", ek_vor4_prop_get_statistic_stddev(p)},
            {"values", ek_vor4_prop_get_statistic_vals_count_64(p)},
            {"missing", ek_vor4_prop_get_statistic_indef_count_64(p)}};
}

}  // namespace

int run_info(const std::string& path, bool json) {
    Document doc(path, Access::read);
    TekVor4* h = doc.handle();
    const unsigned char g = doc.grid_type();
    const int geom = geometry_class(g);
    long long sizes[3] = {1, 1, 1};
    ek_vor4_get_dimensions_64(h, sizes);
    const double origin[3] = {ek_vor4_get_x0(h), ek_vor4_get_y0(h), ek_vor4_get_z0(h)};
    const double cell[3] = {ek_vor4_get_dx(h), ek_vor4_get_dy(h), ek_vor4_get_dz(h)};
    const int indexes[4] = {ek_vor4_get_maskpropindex(h), ek_vor4_get_xpropindex(h), ek_vor4_get_ypropindex(h),
                            ek_vor4_get_zpropindex(h)};
    const char* const index_keys[4] = {"mask", "x", "y", "z"};
    auto index_name = [&](int i) -> std::string {
        if (i < 0) return "";
        return static_cast<unsigned>(i) < doc.prop_count() ? doc.name(static_cast<unsigned>(i)) : "(no such property)";
    };

    nlohmann::ordered_json j;
    j["document"] = path;
    j["grid_type"] = grid_type_name(g);
    j["sizes"] = {sizes[0], sizes[1], sizes[2]};
    j["object_count"] = ek_vor4_get_object_count_64(h);
    j["origin"] = {origin[0], origin[1], origin[2]};
    j["cell_size"] = {cell[0], cell[1], cell[2]};
    j["azimuth"] = ek_vor4_get_azimuth(h);
    j["earth_plane"] = ek_vor4_get_earthplane(h);
    const Tek_matrix3x3 m = doc.geotransform();
    j["geotransform"] = {{m.m[0][0], m.m[0][1], m.m[0][2]}, {m.m[1][0], m.m[1][1], m.m[1][2]}};
    for (int k = 0; k < 4; ++k) {
        j[std::string(index_keys[k]) + "_property"] =
            indexes[k] < 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(index_name(indexes[k]));
    }
    j["properties"] = nlohmann::ordered_json::array();

    std::vector<std::vector<std::string>> rows = {
        {"#", "name", "caption", "kind", "type", "precision", "temp", "data", "statistics"}};
    for (unsigned i = 0; i < doc.prop_count(); ++i) {
        TekVor4Property* p = doc.property(i);
        const DataFileState data = doc.data_state(i);
        const std::string data_text = !data.present          ? "missing"
                                      : data.right_size()     ? "ok"
                                                              : std::to_string(data.bytes) + " of " +
                                                                  std::to_string(data.expected) + " bytes";
        const nlohmann::ordered_json stats = statistics_json(p);
        j["properties"].push_back({{"index", i},
                                   {"name", doc.name(i)},
                                   {"caption", doc.caption(i)},
                                   {"kind", kind_name(ek_vor4_get_prop_kind(h, i))},
                                   {"type", data_type_name(doc.data_type(i))},
                                   {"precision", doc.precision(i)},
                                   {"temporary", ek_vor4_prop_get_temp_status(h, i)},
                                   {"values", ek_vor4_prop_get_objcount_64(p)},
                                   {"data_file", {{"path", narrow(doc.data_file(i))},
                                                  {"present", data.present},
                                                  {"bytes", data.bytes},
                                                  {"expected_bytes", data.expected},
                                                  {"ok", data.right_size()}}},
                                   {"statistics", stats},
                                   {"histogram", ek_vor4_prop_get_histogram_exist(p)}});
        std::string stats_text = "-";
        if (!stats.is_null()) {
            stats_text = "min " + format_number(stats["min"].get<double>()) + ", max " +
                         format_number(stats["max"].get<double>()) + ", mean " +
                         format_number(stats["mean"].get<double>()) + ", missing " +
                         std::to_string(stats["missing"].get<long long>());
        }
        rows.push_back({std::to_string(i), doc.name(i), doc.caption(i), kind_name(ek_vor4_get_prop_kind(h, i)),
                        data_type_name(doc.data_type(i)), doc.precision(i),
                        ek_vor4_prop_get_temp_status(h, i) ? "yes" : "no", data_text, stats_text});
    }
    if (json) {
        std::cout << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
        return 0;
    }

    const double dsizes[3] = {static_cast<double>(sizes[0]), static_cast<double>(sizes[1]),
                              static_cast<double>(sizes[2])};
    std::cout << path << ": " << grid_type_name(g);
    if (geom > 0) std::cout << ", " << joined(dsizes, geom, " x ") << " cells";
    std::cout << ", " << ek_vor4_get_object_count_64(h) << " objects\n";
    if (geom > 0) {
        std::cout << "  origin       " << joined(origin, geom, ", ") << "\n";
        std::cout << "  cell size    " << joined(cell, geom, " x ") << "\n";
    }
    std::cout << "  azimuth      " << format_number(ek_vor4_get_azimuth(h)) << "\n";
    std::cout << "  earth plane  " << (ek_vor4_get_earthplane(h) ? "yes" : "no") << "\n";
    for (int k = 0; k < 4; ++k) {
        if (k == 0 || indexes[k] >= 0 || is_coordinate_grid(g)) {
            std::cout << "  " << index_keys[k] << std::string(13 - std::string(index_keys[k]).size(), ' ')
                      << (indexes[k] < 0 ? "none" : index_name(indexes[k])) << "\n";
        }
    }
    std::cout << "  " << doc.prop_count() << (doc.prop_count() == 1 ? " property" : " properties") << "\n";
    if (doc.prop_count() > 0) print_table(rows);
    return 0;
}

}  // namespace vor4
