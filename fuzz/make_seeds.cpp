// Writes the seed corpora of the fuzz targets with the library itself:
//   <corpus>/open_document  metadata files of documents of every grid type and data type, each
//                           also followed by a NUL and the bytes of its first data file;
//   <corpus>/xml            the same metadata files, as written and again indented in UTF-8;
//   <corpus>/edit_history   scripts of edits, undo and redo (one byte per choice).
// Usage: fuzz_make_seeds <corpus folder>
#include <cmath>
#include <cstdio>
#include <vector>

#include "ekx_file_vor4.h"
#include "ekx_io.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;
using ek::fuzz::read_file;

void save(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes; }

struct Prop { const wchar_t* name; unsigned char kind, type; const wchar_t* caption; };

// A document with the given geometry and properties, values written and statistics computed, saved
// as seeds: its metadata file alone and followed by a NUL and its first data file, and again in UTF-8.
bool make_document(const fs::path& corpus, const std::string& name, unsigned char grid, const std::vector<long long>& dims, const std::vector<Prop>& props) {
    const std::wstring path = ek::fuzz::work_file(name + ".xml"), utf8 = ek::fuzz::work_file("seed.xml");
    TekVor4* h = ek_vor4_file_create_w(path.c_str());
    if (!h) return false;
    ek_vor4_set_grid_type(h, grid), ek_vor4_set_dimensions_64(h, dims.data()), ek_vor4_set_x0(h, 1000.5), ek_vor4_set_y0(h, -20.25);
    ek_vor4_set_dx(h, 2.5), ek_vor4_set_dy(h, 0.5), ek_vor4_set_azimuth(h, 30), ek_vor4_set_earthplane(h, true);
    for (const Prop& prop : props) {
        TekVor4Property* p = ek_vor4_prop_add_w(h, prop.name, prop.kind, prop.type, false);
        if (!p) continue;
        const auto idx = static_cast<unsigned>(ek_vor4_get_index_by_name_w(h, prop.name));
        ek_vor4_set_prop_caption_w(h, idx, prop.caption), ek_vor4_set_prop_precision(h, idx, "0.00");
        std::vector<double> values(static_cast<size_t>(ek_vor4_prop_get_objcount_64(p)));
        for (size_t k = 0; k < values.size(); ++k) values[k] = (k % 7 == 3) ? std::nan("") : double(k) * 1.5 - 3;
        ek_vor4_prop_write_64(p, 0, values.data(), static_cast<long long>(values.size()), 4, 1);
        ek_vor4_prop_statistic_update(p), ek_vor4_prop_histogram_update(p);
        if (grid == 7 || grid == 8) ek_vor4_set_func_x0(h, idx, 5), ek_vor4_set_func_dx(h, idx, 0.25), ek_vor4_set_func_lx(h, idx, 3);
    }
    if (grid == 2 || grid == 4 || grid == 6)
        ek_vor4_set_xpropindex(h, 0), ek_vor4_set_ypropindex(h, props.size() > 1 ? 1 : -1), ek_vor4_set_maskpropindex(h, props.size() > 2 ? 2 : -1);
    ek_vor4_prop_set_temp_status(h, 0, props.size() > 3);
    const std::wstring data_file = ek::fuzz::text_of([&](Tek_string_adapter* a) { ek_vor4_prop_get_prop_file_name_w(h, 0, a); });
    ek_vor4_file_close(h);
    // The metadata file again through the XML service, indented and in UTF-8.
    Tek_xml_doc* doc = ek_xml_create();
    const bool ok = ek_xml_load_from_file_w(doc, path.c_str()) && (ek_xml_set_encoding_w(doc, L"UTF-8"), ek_xml_set_whitespaces(doc, true),
                                                                 ek_xml_save_to_file_w(doc, utf8.c_str()));
    ek_xml_destroy(doc);
    const std::string meta = read_file(path);
    save(corpus / "open_document" / name, meta + '\0' + (data_file.empty() ? std::string() : read_file(data_file)));
    save(corpus / "open_document" / (name + "_meta"), meta), save(corpus / "xml" / name, meta), save(corpus / "xml" / (name + "_utf8"), read_file(utf8));
    return ok && !meta.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]), 2;
    const fs::path corpus = argv[1];
    for (const char* target : {"open_document", "xml", "edit_history"}) fs::create_directories(corpus / target);
    const std::vector<Prop> all_types = {{L"Single", 0, 0, L"Значение"}, {L"Byte", 4, 1, L"Byte"}, {L"Integer", 5, 2, L"数据"},
                                         {L"Mask", 7, 3, L""}, {L"Double", 1, 4, L"Двойное"}};
    const struct { const char* name; unsigned char grid; std::vector<long long> dims; std::vector<Prop> props; } docs[] = {
        {"grid2d", 3, {4, 3, 1}, all_types},
        {"grid3d", 5, {2, 2, 2}, {{L"Depth", 0, 0, L"Depth"}, {L"Class", 5, 1, L"Класс"}}},
        {"points2d", 4, {6, 1, 1}, {{L"X", 6, 4, L"X"}, {L"Y", 6, 4, L"Y"}, {L"M", 7, 3, L"Mask"}}},
        {"points3d", 6, {5, 1, 1}, {{L"X", 6, 4, L""}, {L"Y", 6, 4, L""}, {L"Z", 6, 0, L""}}},
        {"func1d", 7, {3, 2, 1}, {{L"F", 0, 0, L"Func"}}}, {"line", 1, {9, 1, 1}, {{L"V", 2, 2, L"V"}}}, {"empty", 0, {1, 1, 1}, {}},
    };
    int written = 0;
    for (const auto& d : docs) written += make_document(corpus, d.name, d.grid, d.dims, d.props);
    // Scripts for the edit target (property, operation, arguments per step): each operation alone with
    // a spread of arguments, then mixed runs with an undo or a redo every fifth step (a fixed
    // pseudo-random sequence, so that every run writes the same).
    unsigned state = 12345;
    auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
    for (int n = 0, ops = ek::fuzz::k_edit_ops; n < ops + 8; ++n) {
        std::string s;
        for (int step = 0; step < (n < ops ? 4 : 40); ++step) {
            s += n < ops ? std::string{char(step), char(n)} : std::string{char(next() % 4), char(step % 5 == 4 ? 15 + next() % 2 : next() % ops)};
            for (int k = 0; k < (n < ops ? 12 : 10); ++k) s += char(n < ops ? k * 37 + step * 11 + n : int(next()));
        }
        save(corpus / "edit_history" / (n < ops ? "op" + std::to_string(n) : "mix" + std::to_string(n - ops)), s);
    }
    std::printf("seed documents written: %d\n", written);
    return written == static_cast<int>(std::size(docs)) ? 0 : 1;
}
