// A scripted sequence of edits, undo and redo over a small document in memory: per step a byte for
// the property, one for the operation, then its arguments; at the end all is undone and redone.
#include <array>

#include "ekx_file_vor4.h"
#include "fuzz_support.h"

namespace {

using ek::fuzz::Bytes;

constexpr int k_max_steps = 64;
const wchar_t* const k_names[] = {L"A", L"B", L"Depth", L"Поле", L"x_1"};
const wchar_t* const k_captions[] = {L"", L"Caption", L"Глубина", L"数据"};
const char* const k_precisions[] = {"", "0.00", "#", "12"};
void (*const k_set_geometry[])(TekVor4*, double) = {ek_vor4_set_x0, ek_vor4_set_y0, ek_vor4_set_z0, ek_vor4_set_dx, ek_vor4_set_dy, ek_vor4_set_dz};
void (*const k_set_index[])(TekVor4*, int) = {ek_vor4_set_maskpropindex, ek_vor4_set_xpropindex, ek_vor4_set_ypropindex, ek_vor4_set_zpropindex};

// A fresh document of 3 x 2 cells with two properties, made on disk and closed.
bool make_document(const std::wstring& path) {
    ek_vor4_delete_files(path.c_str());
    TekVor4* h = ek_vor4_file_create_w(path.c_str());
    const long long dims[3] = {3, 2, 1};
    ek_vor4_set_grid_type(h, 3), ek_vor4_set_dimensions_64(h, dims);
    const bool ok = h && ek_vor4_prop_add_w(h, L"A", 0, 0, false) && ek_vor4_prop_add_w(h, L"B", 1, 2, false);
    return ek_vor4_file_close(h), ok;
}

void step(TekVor4* h, Tek_history* history, Bytes& in) {
    const unsigned props = ek_vor4_get_prop_count(h);
    const unsigned index = in.pick(props + 1);  // one past the end too
    TekVor4Property* p = ek_vor4_prop_open(h, index);
    const long long cells = p ? ek_vor4_prop_get_objcount_64(p) : 0;
    auto cell = [&](long long past) { return in.pick(static_cast<unsigned>(cells < 200 ? cells + past : 200)); };
    alignas(8) unsigned char values[64 * 8];
    switch (in.pick(ek::fuzz::k_edit_ops)) {
        case 0: {  // the value is read before the choice of field
            const double v = in.value<double>();
            return k_set_geometry[in.pick(6)](h, v);
        }
        case 1: return ek_vor4_set_dimensions_64(h, std::array<long long, 3>{in.pick(7), in.pick(7), in.pick(4)}.data());
        case 2: ek_vor4_set_grid_type(h, static_cast<unsigned char>(in.pick(10))); break;
        case 3: {
            const wchar_t* name = k_names[in.pick(5)];
            const auto kind = static_cast<unsigned char>(in.pick(9)), type = static_cast<unsigned char>(in.pick(6));
            return (void)ek_vor4_prop_add_w(h, name, kind, type, in.byte() & 1);
        }
        case 4: ek_vor4_prop_delete(h, index); break;
        case 5: ek_vor4_prop_delete_list(h, index); break;
        case 6: ek_vor4_set_prop_caption_w(h, index, k_captions[in.pick(4)]); break;
        case 7: ek_vor4_set_prop_data_type(h, index, static_cast<unsigned char>(in.pick(6))); break;
        case 8: ek_vor4_set_prop_kind(h, index, static_cast<unsigned char>(in.pick(9))); break;
        case 9: ek_vor4_set_prop_precision(h, index, k_precisions[in.pick(4)]); break;
        case 10: (in.byte() & 1) ? ek_vor4_prop_set_temp_status(h, index, in.byte() & 1) : ek_vor4_pack(h); break;
        case 11: {
            const unsigned at = cell(1), how = in.pick(5);
            return (void)(how == 0 ? ek_vor4_prop_set_value_double(p, at, in.value<double>()) : how == 1 ? ek_vor4_prop_set_value_single(p, at, in.value<float>())
                        : how == 2 ? ek_vor4_prop_set_value_int(p, at, in.value<int>()) : how == 3 ? ek_vor4_prop_set_value_byte(p, at, in.byte())
                                   : ek_vor4_prop_set_value_nodata(p, at));
        }
        case 12: {
            for (unsigned char& b : values) b = in.byte();
            const long long count = in.pick(9), start = cell(2), stride = in.byte() & 1 ? -1 : 1 + in.pick(3);
            return (void)ek_vor4_prop_write_64(p, start, stride < 0 ? values + 8 * 8 : values, count, static_cast<unsigned char>(in.pick(6)), stride);
        }
        case 13:
            for (unsigned char& b : values) b = in.byte();
            return (void)ek_vor4_prop_write2d_64(p, in.pick(4), in.pick(3), values, in.pick(4), in.pick(3), static_cast<unsigned char>(in.pick(6)), 0, 0);
        case 14: {
            const auto type = static_cast<unsigned char>(in.pick(6));
            double d = 0;
            ek_vor4_prop_read_64(p, in.pick(4), in.pick(8), values, in.pick(9), type, 1);
            return (void)(ek_vor4_prop_read2d_64(p, 0, 0, in.pick(4), in.pick(3), values, 3, 2, type, 0, 0), ek_vor4_prop_get_value_double(p, in.pick(8), &d));
        }
        case 15: ek_history_undo(history, 1 + in.pick(3)); break;
        case 16: ek_history_redo(history, 1 + in.pick(3)); break;
        case 17: (void)(ek_vor4_prop_statistic_update(p), ek_vor4_prop_histogram_update(p), ek_vor4_prop_get_histogram_value(p, in.pick(101))); break;
        case 18: {
            const double v = in.value<double>();
            const unsigned which = in.pick(4), n = in.pick(9);
            return which == 0 ? ek_vor4_set_func_x0(h, index, v) : which == 1 ? ek_vor4_set_func_dy(h, index, v)
                 : which == 2 ? ek_vor4_set_func_lx(h, index, n) : ek_vor4_set_func_ly(h, index, n);
        }
        case 19: return k_set_index[in.pick(4)](h, static_cast<int>(in.pick(props + 2)) - 1);  // the callee is chosen first
        case 20: ek_vor4_set_azimuth(h, in.value<double>()), ek_vor4_set_earthplane(h, in.byte() & 1); break;
        default: {  // a second handle on the same path shares the loaded instance
            TekVor4* other = ek_vor4_file_open_w(ek::fuzz::work_file("edit.xml").c_str(), false);
            return ek_vor4_set_prop_caption_w(other, index, k_captions[in.pick(4)]), ek_vor4_file_close(other);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::wstring path = ek::fuzz::work_file("edit.xml");
    [[maybe_unused]] static const bool once = (ek_options_set_temp_wpath(ek::fuzz::work_folder().wstring().c_str()), true);  // undo files
    if (!make_document(path)) return 0;
    TekVor4* h = ek_vor4_load_memory_w(path.c_str());
    Tek_history_manager* m = ek_history_manager_get_instance();  // the document's history is the newest
    Tek_history* history = ek_history_manager_get_history(m, ek_history_manager_get_history_count(m) - 1);
    Bytes in{data, size};
    for (int i = 0; h && history && i < k_max_steps && !in.empty(); ++i) step(h, history, in);
    while (h && history && ek_history_undo(history, 1)) {}
    while (h && history && ek_history_redo(history, 1)) {}
    ek_vor4_free_memory(h);
    return 0;
}
