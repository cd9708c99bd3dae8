// vor4 export: a property to .csv (world coordinates of each cell, then the value), .npy (the
// grid's shape, the property's own type) or .vrt (export_vrt.cpp). Every output is written
// under a temporary name and renamed when complete.
#include <cstring>

#include "commands.h"
#include "export.h"
#include "failure.h"
#include "npy.h"
#include "output_file.h"
#include "progress.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

void read_pieces(const Document& doc, unsigned index, unsigned char type, const std::string& label,
                 const std::function<void(long long, const unsigned char*, long long)>& sink) {
    TekVor4Property* p = doc.property(index);
    const long long total = ek_vor4_prop_get_objcount_64(p);
    const long long size = ek_vor4_get_data_type_size(type);
    const long long piece = std::max<long long>(1, (4 << 20) / size);
    std::vector<unsigned char> buf(static_cast<size_t>(std::min(piece, std::max<long long>(total, 1)) * size));
    Progress progress(label, total);
    for (long long first = 0; first < total; first += piece) {
        const long long n = std::min(piece, total - first);
        const int code = ek_vor4_prop_read_64(p, first, n, buf.data(), n, type, 1);
        if (code != 0) {
            throw Failure(narrow(doc.data_file(index)), "read failed (result code " + std::to_string(code) + ")");
        }
        sink(first, buf.data(), n);
        progress.advance(n);
    }
    ek_vor4_prop_close(p);
}

namespace {

void export_npy(const Document& doc, unsigned index, const std::string& out) {
    const Shape shape = doc.shape(index);
    const unsigned char type = doc.data_type(index);
    const long long size = ek_vor4_get_data_type_size(type);
    OutputFile file(out);
    file.write(npy_header(numpy_descr(type), shape.dims()));
    read_pieces(doc, index, type, "export", [&](long long, const unsigned char* v, long long n) {
        file.write(v, static_cast<size_t>(n * size));
    });
    file.commit();
}

// One CSV field of a value; missing values leave the field empty.
void append_value(std::string& line, const unsigned char* at, unsigned char type) {
    switch (type) {
        case dt_single: { float v; std::memcpy(&v, at, 4); if (v == v) line += format_number(v); break; }
        case dt_double: { double v; std::memcpy(&v, at, 8); if (v == v) line += format_number(v); break; }
        case dt_integer: { int v; std::memcpy(&v, at, 4); if (v != 2147483647) line += std::to_string(v); break; }
        case dt_byte: if (*at != 255) line += std::to_string(*at); break;
        default: line += std::to_string(*at);
    }
}

void export_csv(const Document& doc, unsigned index, const std::string& out) {
    TekVor4* h = doc.handle();
    const unsigned char g = doc.grid_type();
    const unsigned char type = doc.data_type(index);
    const long long size = ek_vor4_get_data_type_size(type);
    const Shape shape = doc.shape(index);
    const Tek_matrix3x3 m = doc.geotransform();
    const double z0 = ek_vor4_get_z0(h), dz = ek_vor4_get_dz(h);

    // Point sets take their coordinates from their coordinate properties.
    std::vector<int> coord;
    if (is_coordinate_grid(g)) {
        const int indexes[3] = {ek_vor4_get_xpropindex(h), ek_vor4_get_ypropindex(h), ek_vor4_get_zpropindex(h)};
        const int axes = g == 2 ? 1 : g == 4 ? 2 : 3;
        for (int a = 0; a < axes; ++a) {
            if (indexes[a] < 0 || static_cast<unsigned>(indexes[a]) >= doc.prop_count()) {
                throw Failure(doc.path(), std::string("the ") + "xyz"[a] + " coordinate property index names no property");
            }
            doc.require_data(static_cast<unsigned>(indexes[a]), Access::read);
            coord.push_back(indexes[a]);
        }
    }
    const std::string header = g == 0                   ? "index"
                               : is_coordinate_grid(g)  ? std::string("x,y,z").substr(0, coord.size() * 2 - 1)
                               : g == 5                 ? "x,y,z"
                               : shape.rank == 3        ? "x,y,layer"
                                                        : "x,y";
    OutputFile file(out);
    file.write(header + ",value\n");
    std::vector<std::vector<double>> coords(coord.size());
    std::string line;
    read_pieces(doc, index, type, "export", [&](long long first, const unsigned char* v, long long n) {
        for (size_t a = 0; a < coord.size(); ++a) {
            coords[a].resize(static_cast<size_t>(n));
            const int code = ek_vor4_prop_read_64(doc.property(static_cast<unsigned>(coord[a])), first, n,
                                                  coords[a].data(), n, dt_double, 1);
            if (code != 0) throw Failure(doc.path(), "coordinates cannot be read (result code " + std::to_string(code) + ")");
        }
        for (long long k = 0; k < n; ++k) {
            const long long i = first + k;
            line.clear();
            if (g == 0) {
                line += std::to_string(i);
            } else if (!coord.empty()) {
                for (size_t a = 0; a < coord.size(); ++a) {
                    if (a) line += ',';
                    line += format_number(coords[a][k]);
                }
            } else {
                const double c = static_cast<double>(i % shape.nx);
                const double r = static_cast<double>((i / shape.nx) % shape.ny);
                const long long layer = i / (shape.nx * shape.ny);
                line += format_number(m.m[0][0] * c + m.m[0][1] * r + m.m[0][2]);
                line += ',';
                line += format_number(m.m[1][0] * c + m.m[1][1] * r + m.m[1][2]);
                if (g == 5 || shape.rank == 3) line += ',';
                if (g == 5) line += format_number(z0 + static_cast<double>(layer) * dz);
                else if (shape.rank == 3) line += std::to_string(layer);
            }
            line += ',';
            append_value(line, v + k * size, type);
            line += '\n';
            file.write(line);
        }
    });
    for (int c : coord) ek_vor4_prop_close(doc.property(static_cast<unsigned>(c)));
    file.commit();
}

std::string extension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return lower_ascii(path.substr(dot));
}

}  // namespace

int run_export(const std::string& path, const std::string& prop, const std::string& out) {
    const std::string ext = extension(out);
    if (ext != ".csv" && ext != ".npy" && ext != ".vrt") {
        throw UsageError("-o " + out + ": the extension must be .csv, .npy or .vrt");
    }
    Document doc(path, Access::read);
    const unsigned index = doc.find(prop);
    doc.shape(index);  // fails early when the values do not fill the grid
    doc.require_data(index, Access::read);
    if (ext == ".npy") export_npy(doc, index, out);
    else if (ext == ".csv") export_csv(doc, index, out);
    else export_vrt(doc, index, out);
    return 0;
}

}  // namespace vor4
