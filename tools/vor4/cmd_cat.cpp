// vor4 cat: the values of a window as text rows, decimated by the library's nearest-index
// resampling. Missing values print as "nan" (floating types) or "--" (the no-value code of the
// integer and byte types).
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "document.h"
#include "failure.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

namespace {

std::string value_text(const unsigned char* at, unsigned char type) {
    switch (type) {
        case dt_single: { float v; std::memcpy(&v, at, 4); return format_number(v); }
        case dt_double: { double v; std::memcpy(&v, at, 8); return format_number(v); }
        case dt_integer: { int v; std::memcpy(&v, at, 4); return v == 2147483647 ? "--" : std::to_string(v); }
        case dt_byte: return *at == 255 ? "--" : std::to_string(*at);
        default: return std::to_string(*at);
    }
}

void check(int code, const std::string& file) {
    if (code != 0) throw Failure(file, "read failed (result code " + std::to_string(code) + ")");
}

}  // namespace

int run_cat(const CatOptions& o) {
    Document doc(o.doc, Access::read);
    const unsigned index = doc.find(o.prop);
    const Shape s = doc.shape(index);
    const unsigned char type = o.type.empty() ? doc.data_type(index) : parse_data_type(o.type);

    // Window [x0, x0+w) x [y0, y0+h) x [z0, z0+d); output size W x H x D.
    long long win[6] = {0, 0, s.nx, s.ny, 0, s.nz};
    if (!o.window.empty()) {
        const auto v = parse_counts(o.window, "--window", s.rank == 1 ? std::vector<size_t>{2}
                                                       : s.rank == 2 ? std::vector<size_t>{4}
                                                                     : std::vector<size_t>{4, 6});
        if (s.rank == 1) {
            win[0] = v[0];
            win[2] = v[1];
        } else {
            std::copy(v.begin(), v.end(), win);
        }
    }
    const long long x0 = win[0], y0 = win[1], w = win[2], h = win[3], z0 = win[4], d = win[5];
    if (x0 < 0 || y0 < 0 || z0 < 0 || w < 1 || h < 1 || d < 1 || x0 + w > s.nx || y0 + h > s.ny || z0 + d > s.nz) {
        throw Failure(o.doc, "window " + o.window + " lies outside the " + s.text() + " grid");
    }
    long long out[3] = {w, h, d};
    if (!o.size.empty()) {
        const auto v = parse_counts(o.size, "--size", s.rank == 1 ? std::vector<size_t>{1}
                                                   : s.rank == 2 ? std::vector<size_t>{2}
                                                                 : std::vector<size_t>{2, 3});
        std::copy(v.begin(), v.end(), out);
        for (long long n : v) {
            if (n < 1) throw UsageError("--size: every size must be at least 1");
        }
    }
    const long long W = out[0], H = out[1], D = out[2];

    doc.require_data(index, Access::read);
    TekVor4Property* p = doc.property(index);
    const std::string file = narrow(doc.data_file(index));
    const size_t size = static_cast<size_t>(ek_vor4_get_data_type_size(type));
    std::vector<unsigned char> buf(static_cast<size_t>(W * H * D) * size);
    if (s.rank == 1) {
        check(ek_vor4_prop_read_64(p, x0, w, buf.data(), W, type, 1), file);
    } else if (s.rank == 2) {
        check(ek_vor4_prop_read2d_64(p, x0, y0, w, h, buf.data(), W, H, type, 0, 0), file);
    } else if (doc.grid_type() == 5) {
        check(ek_vor4_prop_read3d_64(p, x0, y0, z0, w, h, d, buf.data(), W, H, D, type, 0, 0, 0), file);
    } else {
        // The layers of a function grid: a 2D read cannot reach past the first, so each row is
        // a run read, rows and layers picked by nearest index as in a 3D read.
        for (long long k = 0; k < D; ++k) {
            const long long z = z0 + static_cast<long long>(static_cast<double>(k) * d / D + 0.5);
            for (long long j = 0; j < H; ++j) {
                const long long y = y0 + static_cast<long long>(static_cast<double>(j) * h / H + 0.5);
                check(ek_vor4_prop_read_64(p, (z * s.ny + y) * s.nx + x0, w, buf.data() + ((k * H + j) * W) * size,
                                           W, type, 1),
                      file);
            }
        }
    }

    std::string text;
    const long long rows = s.rank == 1 ? W : H;
    const long long cols = s.rank == 1 ? 1 : W;
    for (long long k = 0; k < D; ++k) {
        if (s.rank == 3) text += (k ? "\n# slice " : "# slice ") + std::to_string(k) + "\n";
        for (long long r = 0; r < rows; ++r) {
            for (long long c = 0; c < cols; ++c) {
                if (c) text += ' ';
                text += value_text(buf.data() + ((k * rows + r) * cols + c) * size, type);
            }
            text += '\n';
            if (text.size() > (1 << 16)) {
                std::fwrite(text.data(), 1, text.size(), stdout);
                text.clear();
            }
        }
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace vor4
