// Writes the seed corpora of the fuzz targets with the library itself:
//   <corpus>/open_document  metadata files of documents of every grid type and data type, each
//                           followed by a NUL and the bytes of its first data file;
//   <corpus>/xml            the same metadata files, and files written through the XML service;
//   <corpus>/edit_history   scripts of edits, undo and redo (one byte per choice).
// Usage: fuzz_make_seeds <corpus folder>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ekx_file_vor4.h"
#include "ekx_io.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

std::string read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void save(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
}

struct Prop {
    const wchar_t* name;
    unsigned char kind, type;
    const wchar_t* caption;
};

// A document with the given geometry and properties, values written and statistics computed.
fs::path make_document(const fs::path& folder, const std::string& name, unsigned char grid,
                       const std::vector<long long>& dims, const std::vector<Prop>& props) {
    const fs::path path = folder / (name + ".xml");
    TekVor4* h = ek_vor4_file_create_w(path.wstring().c_str());
    if (!h) return {};
    ek_vor4_set_grid_type(h, grid);
    ek_vor4_set_dimensions_64(h, dims.data());
    ek_vor4_set_x0(h, 1000.5);
    ek_vor4_set_y0(h, -20.25);
    ek_vor4_set_dx(h, 2.5);
    ek_vor4_set_dy(h, 0.5);
    ek_vor4_set_azimuth(h, 30);
    ek_vor4_set_earthplane(h, true);
    for (size_t i = 0; i < props.size(); ++i) {
        TekVor4Property* p = ek_vor4_prop_add_w(h, props[i].name, props[i].kind, props[i].type, false);
        if (!p) continue;
        const unsigned idx = static_cast<unsigned>(ek_vor4_get_index_by_name_w(h, props[i].name));
        ek_vor4_set_prop_caption_w(h, idx, props[i].caption);
        ek_vor4_set_prop_precision(h, idx, "0.00");
        std::vector<double> values(static_cast<size_t>(ek_vor4_prop_get_objcount_64(p)));
        for (size_t k = 0; k < values.size(); ++k) values[k] = (k % 7 == 3) ? std::nan("") : double(k) * 1.5 - 3;
        ek_vor4_prop_write_64(p, 0, values.data(), static_cast<long long>(values.size()), 4, 1);
        ek_vor4_prop_statistic_update(p);
        ek_vor4_prop_histogram_update(p);
        if (grid == 7 || grid == 8) {
            ek_vor4_set_func_x0(h, idx, 5);
            ek_vor4_set_func_dx(h, idx, 0.25);
            ek_vor4_set_func_lx(h, idx, 3);
        }
    }
    if (grid == 2 || grid == 4 || grid == 6) {
        ek_vor4_set_xpropindex(h, 0);
        ek_vor4_set_ypropindex(h, props.size() > 1 ? 1 : -1);
        ek_vor4_set_maskpropindex(h, props.size() > 2 ? 2 : -1);
    }
    ek_vor4_prop_set_temp_status(h, 0, props.size() > 3);
    ek_vor4_file_close(h);
    return path;
}

std::string first_data_file(const fs::path& doc) {
    TekVor4* h = ek_vor4_file_open_w(doc.wstring().c_str(), true);
    std::wstring file;
    Tek_string_adapter* a = ek_string_adp_create(
        nullptr, [](const wchar_t* t, void* f) { *static_cast<std::wstring*>(f) = t ? t : L""; }, &file);
    ek_vor4_prop_get_prop_file_name_w(h, 0, a);
    ek_string_adp_destroy(a);
    ek_vor4_file_close(h);
    return file.empty() ? std::string() : read_all(ek::fuzz::os_path(file));
}

// XML files written through the service: nesting, every value type, text the code page lacks.
void xml_seeds(const fs::path& work, const fs::path& out) {
    int n = 0;
    for (const wchar_t* encoding : {L"Windows-1251", L"UTF-8"}) {
        for (bool indent : {false, true}) {
            Tek_xml_doc* doc = ek_xml_create();
            Tek_xml_node* root = ek_xml_set_root_w(doc, L"TGrDoc");
            ek_xnode_add_node_wstr(root, L"Text", L"Поле & <数据> \"é\"\t\r\n end ");
            ek_xnode_add_node_int(root, L"Int", -2147483647 - 1);
            ek_xnode_add_node_int64(root, L"Int64", 9007199254740993LL);
            ek_xnode_add_node_dbl(root, L"Dbl", 1.0 / 3);
            ek_xnode_add_node_bool(root, L"Bool", false);
            ek_xnode_add_node_wstr(root, L"Spaces", L"   ");
            Tek_xml_node* props = ek_xnode_set_node_w(root, L"Properties");
            for (int k = 0; k < 3; ++k) {
                Tek_xml_node* p = ek_xnode_set_node_w(props, L"TGrDocProp");
                ek_xnode_add_node_wstr(p, L"PropName", (L"Имя" + std::to_wstring(k)).c_str());
                ek_xnode_add_node_dbl(p, L"Min", -k * 1e300);
                ek_xnode_close(p);
            }
            ek_xnode_close(props);
            ek_xnode_close(root);
            ek_xml_set_whitespaces(doc, indent);
            ek_xml_set_encoding_w(doc, encoding);
            const fs::path file = work / "seed.xml";
            if (ek_xml_save_to_file_w(doc, file.wstring().c_str())) save(out, "service" + std::to_string(n++), read_all(file));
            ek_xml_destroy(doc);
        }
    }
}

// Scripts for the edit target: each operation alone with a spread of arguments, then mixed runs
// with undo and redo in between (a fixed pseudo-random sequence, so every run writes the same).
void edit_seeds(const fs::path& out) {
    constexpr int k_ops = 22;
    for (int op = 0; op < k_ops; ++op) {
        std::string s;
        for (int rep = 0; rep < 4; ++rep) {
            s.push_back(static_cast<char>(rep));  // property index
            s.push_back(static_cast<char>(op));
            for (int k = 0; k < 12; ++k) s.push_back(static_cast<char>(k * 37 + rep * 11 + op));
        }
        save(out, "op" + std::to_string(op), s);
    }
    unsigned state = 12345;
    auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
    for (int n = 0; n < 8; ++n) {
        std::string s;
        for (int step = 0; step < 40; ++step) {
            s.push_back(static_cast<char>(next() % 4));
            s.push_back(static_cast<char>(step % 5 == 4 ? 15 + next() % 2 : next() % k_ops));
            for (int k = 0; k < 10; ++k) s.push_back(static_cast<char>(next()));
        }
        save(out, "mix" + std::to_string(n), s);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    const fs::path work = ek::fuzz::work_folder();
    const std::vector<Prop> all_types = {{L"Single", 0, 0, L"Значение"}, {L"Byte", 4, 1, L"Byte"},
                                         {L"Integer", 5, 2, L"数据"},     {L"Mask", 7, 3, L""},
                                         {L"Double", 1, 4, L"Двойное"}};
    const struct {
        const char* name;
        unsigned char grid;
        std::vector<long long> dims;
        std::vector<Prop> props;
    } docs[] = {
        {"grid2d", 3, {4, 3, 1}, all_types},
        {"grid3d", 5, {2, 2, 2}, {{L"Depth", 0, 0, L"Depth"}, {L"Class", 5, 1, L"Класс"}}},
        {"points2d", 4, {6, 1, 1}, {{L"X", 6, 4, L"X"}, {L"Y", 6, 4, L"Y"}, {L"M", 7, 3, L"Mask"}}},
        {"points3d", 6, {5, 1, 1}, {{L"X", 6, 4, L""}, {L"Y", 6, 4, L""}, {L"Z", 6, 0, L""}}},
        {"func1d", 7, {3, 2, 1}, {{L"F", 0, 0, L"Func"}}},
        {"line", 1, {9, 1, 1}, {{L"V", 2, 2, L"V"}}},
        {"empty", 0, {1, 1, 1}, {}},
    };
    int written = 0;
    for (const auto& d : docs) {
        const fs::path doc = make_document(work, d.name, d.grid, d.dims, d.props);
        if (doc.empty()) continue;
        const std::string meta = read_all(doc);
        save(corpus / "open_document", d.name, meta + std::string(1, '\0') + first_data_file(doc));
        save(corpus / "open_document", std::string(d.name) + "_meta", meta);
        save(corpus / "xml", d.name, meta);
        ++written;
    }
    xml_seeds(work, corpus / "xml");
    edit_seeds(corpus / "edit_history");
    std::printf("seed documents written: %d\n", written);
    return written == static_cast<int>(std::size(docs)) ? 0 : 1;
}
