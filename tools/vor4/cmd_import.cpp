// vor4 import: a .npy file, or a raw file in the property's own layout, becomes a property. A
// missing document is created (gt1D, gt2D or gt3D by the array's shape or --grid); an existing
// one must have the array's shape. Values of the property's type are written to a file beside
// the document that the library then takes over; other numpy types go through the library's
// converting writes.
#include <cstdio>
#include <memory>

#include "commands.h"
#include "document.h"
#include "failure.h"
#include "npy.h"
#include "output_file.h"
#include "progress.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

namespace {

struct Input {
    bool npy = false;
    unsigned char type = 0;         // of the values in the file (a raw file: the property's)
    std::vector<long long> shape;   // numpy order; empty for a raw file
    long long offset = 0;
    long long bytes = 0;            // of the whole file
};

std::string shape_text(const std::vector<long long>& shape) {
    std::string t = "(";
    for (size_t i = 0; i < shape.size(); ++i) t += (i ? ", " : "") + std::to_string(shape[i]);
    return t + (shape.size() == 1 ? ",)" : ")");
}

Input read_input(std::FILE* f, const std::string& path, const std::string& type_option) {
    Input in;
    in.bytes = file_size(path);
    const size_t dot = path.rfind('.');
    in.npy = dot != std::string::npos && lower_ascii(path.substr(dot)) == ".npy";
    if (!in.npy) {
        if (type_option.empty()) throw UsageError("a raw file needs --type");
        in.type = parse_data_type(type_option);
        return in;
    }
    const NpyHeader h = read_npy_header(f, path);
    if (h.fortran_order) throw Failure(path, "Fortran-ordered arrays are not supported");
    in.type = data_type_of_numpy(h.descr);
    if (in.type > 4) {
        throw Failure(path, "numpy type '" + h.descr + "' is not supported (float32, float64, int32, uint8, bool)");
    }
    if (h.shape.empty() || h.shape.size() > 3) throw Failure(path, "a " + std::to_string(h.shape.size()) + "-dimensional array is no grid");
    in.shape = h.shape;
    in.offset = h.data_offset;
    const long long need = in.offset + h.count() * ek_vor4_get_data_type_size(in.type);
    if (in.bytes < need) {
        throw Failure(path, "truncated: " + std::to_string(in.bytes) + " bytes, the array needs " + std::to_string(need));
    }
    return in;
}

// The values of a new property as numpy would shape them, or its byte count for a raw file.
std::vector<long long> document_shape(TekVor4* h) {
    long long d[3] = {1, 1, 1};
    ek_vor4_get_dimensions_64(h, d);
    const unsigned char g = ek_vor4_get_grid_type(h);
    if (g == 3 || g == 7 || g == 8) return {d[1], d[0]};
    if (g == 5) return {d[2], d[1], d[0]};
    return {ek_vor4_get_object_count_64(h)};
}

long long packed_bytes(long long count, unsigned char type) {
    return type == dt_bitmask ? (count + 7) / 8 : count * ek_vor4_get_data_type_size(type);
}

// Creates the document from --grid (or the array's shape) and the other geometry options.
void create_document(const ImportOptions& o, const Input& in) {
    std::vector<long long> dims;  // X first
    if (!o.grid.empty()) {
        dims = parse_counts(o.grid, "--grid", {2, 3});
        for (long long n : dims) {
            if (n < 1) throw UsageError("--grid: every size must be at least 1");
        }
    } else if (in.npy) {
        dims.assign(in.shape.rbegin(), in.shape.rend());
    } else {
        throw UsageError("--grid is needed to make a new document from a raw file");
    }
    if (in.npy && std::vector<long long>(dims.rbegin(), dims.rend()) != in.shape) {
        throw Failure(o.file, "shape " + shape_text(in.shape) + " does not match --grid " + o.grid);
    }
    const size_t n = dims.size();
    const auto origin = o.origin.empty() ? std::vector<double>(n, 0.0) : parse_numbers(o.origin, "--origin", {n});
    const auto cell = o.cell.empty() ? std::vector<double>(n, 1.0) : parse_numbers(o.cell, "--cell", {n});
    TekVor4* h = ek_vor4_file_create_w(widen(o.doc).c_str());
    if (!h) throw Failure(o.doc, "cannot be created");
    ek_vor4_set_grid_type(h, n == 1 ? 1 : n == 2 ? 3 : 5);
    long long sizes[3] = {dims[0], n > 1 ? dims[1] : 1, n > 2 ? dims[2] : 1};
    ek_vor4_set_dimensions_64(h, sizes);
    void (*const set_origin[3])(TekVor4*, double) = {ek_vor4_set_x0, ek_vor4_set_y0, ek_vor4_set_z0};
    void (*const set_cell[3])(TekVor4*, double) = {ek_vor4_set_dx, ek_vor4_set_dy, ek_vor4_set_dz};
    for (size_t a = 0; a < n; ++a) {
        set_origin[a](h, origin[a]);
        set_cell[a](h, cell[a]);
    }
    ek_vor4_set_azimuth(h, o.azimuth.value_or(0.0));
    ek_vor4_file_close(h);  // the last handle saves the geometry
}

// Removes a document made by this import when the import does not complete.
struct CreatedGuard {
    std::string path;
    bool armed = false;
    ~CreatedGuard() {
        if (armed) ek_vor4_delete_files(widen(path).c_str());
    }
};

}  // namespace

int run_import(const ImportOptions& o) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(o.file.c_str(), "rb"), &std::fclose);
    if (!f) throw Failure(o.file, path_exists(o.file) ? "cannot be read" : "not found");
    const Input in = read_input(f.get(), o.file, o.type);
    const unsigned char type = o.type.empty() ? in.type : parse_data_type(o.type);
    const unsigned char kind = o.kind.empty() ? 0 : parse_kind(o.kind);

    CreatedGuard created{o.doc};
    if (!path_exists(o.doc)) {
        create_document(o, in);
        created.armed = true;
    } else if (!o.origin.empty() || !o.cell.empty() || o.azimuth) {
        throw UsageError("--origin, --cell and --azimuth describe a new document, and " + o.doc + " exists");
    }
    Document doc(o.doc, Access::write);
    TekVor4* h = doc.handle();
    const std::vector<long long> shape = document_shape(h);
    long long count = 1;
    for (long long d : shape) count *= d;
    if (in.npy && in.shape != shape) {
        throw Failure(o.file, "shape " + shape_text(in.shape) + " does not match the document's grid " + shape_text(shape));
    }
    if (!in.npy && in.bytes != packed_bytes(count, type)) {
        throw Failure(o.file, "holds " + std::to_string(in.bytes) + " bytes, the grid needs " +
                                  std::to_string(packed_bytes(count, type)) + " of " + data_type_name(type));
    }
    const int existing = ek_vor4_get_index_by_name_w(h, widen(o.prop).c_str());
    if (existing >= 0) {
        if (!o.overwrite) throw Failure(o.doc, "property '" + o.prop + "' exists (--overwrite replaces it)");
        if (locked_by_other(narrow(doc.data_file(static_cast<unsigned>(existing))), Access::write)) {
            throw Failure(narrow(doc.data_file(static_cast<unsigned>(existing))), "locked by another process");
        }
    }
    if (!ek_vor4_prop_name_ok(widen(o.prop).c_str())) {
        throw Failure(o.doc, "'" + o.prop + "' is not a property name (ASCII letters, digits and _)");
    }

    const std::wstring name = widen(o.prop);
    const long long in_size = ek_vor4_get_data_type_size(in.type);
    const long long piece = (4 << 20) / in_size;
    std::vector<unsigned char> buf(static_cast<size_t>(std::min(piece, std::max<long long>(count, 1)) * in_size));
    std::fseek(f.get(), static_cast<long>(in.offset), SEEK_SET);
    auto read_piece = [&](long long n) {
        if (std::fread(buf.data(), static_cast<size_t>(in_size), static_cast<size_t>(n), f.get()) != static_cast<size_t>(n)) {
            throw Failure(o.file, "cannot be read");
        }
    };
    TekVor4Property* p = nullptr;
    if (!in.npy) {
        p = ek_vor4_prop_add_binary_w(h, name.c_str(), kind, type, widen(o.file).c_str(), true, o.overwrite);
    } else if (in.type == type) {
        // The property's own layout, written beside the document and moved into place.
        OutputFile data(o.doc + ".import");
        Progress progress("import", count);
        std::vector<unsigned char> bits;
        for (long long first = 0; first < count; first += piece) {
            const long long n = std::min(piece, count - first);
            read_piece(n);
            if (type == dt_bitmask) {
                // `piece` is a multiple of 8, so every piece starts on a byte boundary.
                bits.assign(static_cast<size_t>((n + 7) / 8), 0);
                for (long long k = 0; k < n; ++k) bits[k >> 3] |= static_cast<unsigned char>((buf[k] != 0) << (k & 7));
                data.write(bits.data(), bits.size());
            } else {
                data.write(buf.data(), static_cast<size_t>(n * in_size));
            }
            progress.advance(n);
        }
        p = ek_vor4_prop_add_binary_w(h, name.c_str(), kind, type, widen(data.close_temporary()).c_str(), false,
                                      o.overwrite);
    } else {
        // Another type: the library converts as it writes.
        p = ek_vor4_prop_add_w(h, name.c_str(), kind, type, o.overwrite);
        Progress progress("import", count);
        try {
            for (long long first = 0; p && first < count; first += piece) {
                const long long n = std::min(piece, count - first);
                read_piece(n);
                const int code = ek_vor4_prop_write_64(p, first, buf.data(), n, in.type, 1);
                if (code != 0) throw Failure(o.doc, "write failed (result code " + std::to_string(code) + ")");
                progress.advance(n);
            }
        } catch (...) {
            // A property half written is worse than none.
            ek_vor4_prop_delete(h, ek_vor4_get_prop_count(h) - 1);
            throw;
        }
    }
    if (!p) throw Failure(o.doc, "property '" + o.prop + "' cannot be added");
    created.armed = false;
    if (!Progress::quiet()) {
        std::string grid;
        for (auto d = shape.rbegin(); d != shape.rend(); ++d) grid += (grid.empty() ? "" : " x ") + std::to_string(*d);
        std::printf("%s: property '%s' imported (%s, %s)\n", o.doc.c_str(), o.prop.c_str(), data_type_name(type).c_str(),
                    grid.c_str());
    }
    return 0;
}

}  // namespace vor4
