// Opens an arbitrary metadata file and walks all of it through the exported functions. Input: the
// metadata file, then optionally a NUL (XML holds none) and the bytes every data file gets.
#include <vector>

#include "ekx_file_vor4.h"
#include "fuzz_support.h"

namespace {

using ek::fuzz::text_of, ek::fuzz::use;

constexpr unsigned k_max_props = 32;
constexpr long long k_max_stat_cells = 1 << 16;  // statistics read the whole data file

void walk_geometry(TekVor4* h) {
    for (auto get : {ek_vor4_get_x0, ek_vor4_get_y0, ek_vor4_get_z0, ek_vor4_get_dx, ek_vor4_get_dy, ek_vor4_get_dz, ek_vor4_get_azimuth})
        use(get(h));
    for (auto get : {ek_vor4_get_pic, ek_vor4_get_prf, ek_vor4_get_picz, ek_vor4_get_object_count}) use(get(h));
    for (auto get : {ek_vor4_get_pic_64, ek_vor4_get_prf_64, ek_vor4_get_picz_64, ek_vor4_get_object_count_64}) use(get(h));
    for (auto get : {ek_vor4_get_maskpropindex, ek_vor4_get_xpropindex, ek_vor4_get_ypropindex, ek_vor4_get_zpropindex}) use(get(h));
    use(ek_vor4_get_grid_type(h)), use(ek_vor4_get_earthplane(h));
    unsigned int dims[3];
    long long dims64[3], column = 0, row = 0;
    Tek_matrix3x3 m;
    ek_vor4_get_dimensions(h, dims), ek_vor4_get_dimensions_64(h, dims64), ek_vor4_get_geotransform(h, &m);
    ek_vor4_fetch_iloc2d_64(h, Tek_vtx_d2{m.m[0][2], m.m[1][2]}, &column, &row);
    ek_vor4_fetch_iloc2d_64(h, Tek_vtx_d2{1e300, -1e300}, &column, &row);
}

void walk_attributes(TekVor4* h, unsigned i) {
    use(ek_vor4_get_prop_kind(h, i)), use(ek_vor4_get_prop_data_type(h, i)), use(ek_vor4_prop_get_temp_status(h, i)), use(ek_vor4_prop_file_exists(h, i));
    for (const char* text : {ek_vor4_get_prop_name(h, i), ek_vor4_get_prop_caption(h, i), ek_vor4_get_prop_precision(h, i)})
        use(std::strlen(text));
    for (auto get : {ek_vor4_get_prop_name_w, ek_vor4_get_prop_caption_w, ek_vor4_get_prop_precision_w, ek_vor4_prop_get_prop_file_name_w})
        use(text_of([&](Tek_string_adapter* a) { get(h, i, a); }).size());
    for (auto get : {ek_vor4_get_func_x0, ek_vor4_get_func_y0, ek_vor4_get_func_z0, ek_vor4_get_func_dx, ek_vor4_get_func_dy, ek_vor4_get_func_dz})
        use(get(h, i));
    for (auto get : {ek_vor4_get_func_lx, ek_vor4_get_func_ly, ek_vor4_get_func_lz}) use(get(h, i));
    // Lookups by the property's own name and caption.
    ek_vor4_get_index_by_name(h, ek_vor4_get_prop_name(h, i)), ek_vor4_get_index_by_caption(h, ek_vor4_get_prop_caption(h, i));
}

void walk_statistics(TekVor4Property* p) {
    for (auto get : {ek_vor4_prop_get_statistic_min, ek_vor4_prop_get_statistic_max, ek_vor4_prop_get_statistic_average,
                     ek_vor4_prop_get_statistic_stddev, ek_vor4_prop_get_histogram_hgbndmin, ek_vor4_prop_get_histogram_hgbndmax})
        use(get(p));
    for (auto get : {ek_vor4_prop_get_statistic_indef_count_64, ek_vor4_prop_get_statistic_vals_count_64, ek_vor4_prop_get_histogram_hgmin,
                     ek_vor4_prop_get_histogram_hgmax}) use(get(p));
    use(ek_vor4_prop_get_statistic_indef_count(p)), use(ek_vor4_prop_get_statistic_vals_count(p)), use(ek_vor4_prop_get_statistic_exist(p));
    use(ek_vor4_prop_get_histogram_exist(p));
    if (const char* text = ek_vor4_prop_get_histogram_hgdiapdata(p)) use(std::strlen(text));
    for (unsigned int bin = 0, bins = ek_vor4_prop_get_histogram_count(p); bin <= bins && bin <= 128; ++bin) use(ek_vor4_prop_get_histogram_value(p, bin));
}

void walk_values(TekVor4Property* p) {
    unsigned int block = 0;
    const long long count = ek_vor4_prop_get_objcount_64(p);
    use(ek_vor4_prop_get_objcount(p)), use(ek_vor4_prop_get_block_size(p, &block));
    use(text_of([&](Tek_string_adapter* a) { ek_vor4_prop_get_caption_w(p, a); }).size());
    // A window of up to 8 values, and the same read resampled, in every type (and one past them).
    alignas(8) unsigned char buf[8 * 16 * 2];
    for (unsigned char type = 0; type <= 5; ++type) {
        ek_vor4_prop_read_64(p, 0, count < 8 ? count : 8, buf, 8, type, 1);
        ek_vor4_prop_read_64(p, count > 4 ? count - 4 : 0, 4, buf + 64, 2, type, -1);
        ek_vor4_prop_read2d_64(p, 0, 0, 2, 2, buf, 2, 2, type, 0, 0);
        ek_vor4_prop_read3d_64(p, 0, 0, 0, 2, 2, 2, buf, 2, 2, 2, type, 0, 0, 0);
    }
    struct { unsigned char b; int n; float f; double d; } v;
    for (unsigned int index : {0u, 1u, static_cast<unsigned int>(count > 0 ? count - 1 : 0)})
        ek_vor4_prop_get_value_byte(p, index, &v.b), ek_vor4_prop_get_value_int(p, index, &v.n),
            ek_vor4_prop_get_value_single(p, index, &v.f), ek_vor4_prop_get_value_double(p, index, &v.d);
    walk_statistics(p);  // as the file has them
    if (count >= 0 && count <= k_max_stat_cells)
        ek_vor4_prop_statistic_update(p), ek_vor4_prop_histogram_update(p), walk_statistics(p);
    ek_vor4_prop_close(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::wstring path = ek::fuzz::work_file("doc.xml"), folder = ek::fuzz::work_folder().wstring() + L"/";
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t meta = nul ? static_cast<size_t>(nul - data) : size;
    ek::fuzz::write_file(path, data, meta);
    TekVor4* h = ek_vor4_file_open_w(path.c_str(), true);
    if (!h) return 0;
    const unsigned props = ek_vor4_get_prop_count(h);
    std::vector<std::wstring> data_files;
    if (nul) {
        // Every property's data file of the work folder (a name may point anywhere) gets the bytes
        // after the NUL; then the document is opened again, as a host would find it.
        for (unsigned i = 0; i < props && i < k_max_props; ++i) {
            const std::wstring file = text_of([&](Tek_string_adapter* a) { ek_vor4_prop_get_prop_file_name_w(h, i, a); });
            if (file.rfind(folder, 0) == 0 && file.find_first_of(L"/\\", folder.size()) == std::wstring::npos) data_files.push_back(file);
        }
        ek_vor4_file_close(h);
        for (const std::wstring& f : data_files) ek::fuzz::write_file(f, nul + 1, size - meta - 1);
        if (!(h = ek_vor4_file_open_w(path.c_str(), true))) return 0;
    }
    walk_geometry(h);
    for (unsigned i = 0; i < props && i < k_max_props; ++i) {
        walk_attributes(h, i);
        if (TekVor4Property* p = ek_vor4_prop_open(h, i)) walk_values(p);
    }
    walk_attributes(h, props);  // one past the end
    alignas(8) unsigned char block[2 * 2 * 8 * 3];
    ek_vor4_read2d(h, 0, 0, 2, 2, block, 2, 2, 0, props < 3 ? static_cast<int>(props) : 3, nullptr, 0, 0, 0);
    ek_vor4_file_close(h);
    std::error_code ec;
    for (const std::wstring& f : data_files) std::filesystem::remove(ek::text::to_utf8(f), ec);
    return 0;
}
