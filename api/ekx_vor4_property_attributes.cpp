// Exported attribute functions of a property picked by its document and index. An index that
// is not below the property count is refused before anything is called.
#include "api/ek_vor4_boundary.h"
#include "ekx_file_vor4.h"
#include "filesystem/paths.h"
#include "vor4/vor_vocabulary.h"

using ek::vor4_api::text_arg;
using ek::vor4_api::wide_arg;
using ek::vor4_api::with_property;
using P = TekVor4Property;

namespace {

unsigned int low32(long long value) { return static_cast<unsigned int>(static_cast<unsigned long long>(value)); }

}  // namespace

extern "C" {

unsigned char ek_vor4_get_prop_kind(TekVor4* h, unsigned int index) {
    return with_property(h, index, (unsigned char)0, [](P& p) { return p.getPropKind(); });
}

unsigned char ek_vor4_get_prop_data_type(TekVor4* h, unsigned int index) {
    // The failure value is the bitmask code, as hosts of the format expect.
    return with_property(h, index, ek::vor::dtBitmask, [](P& p) { return p.getDataType(); });
}

void ek_vor4_set_prop_kind(TekVor4* h, unsigned int index, unsigned char propKind) {
    with_property(h, index, [&](P& p) { p.setPropKind(propKind); });
}

void ek_vor4_set_prop_data_type(TekVor4* h, unsigned int index, unsigned char dataType) {
    with_property(h, index, [&](P& p) { p.setDataType(dataType); });
}

const char* ek_vor4_get_prop_name(TekVor4* h, unsigned int index) {
    return with_property(h, index, "", [](P& p) { return p.getName().c_str(); });
}

// The wide getters deliver the wide texts, so a name beyond the narrow encoding arrives whole.
void ek_vor4_get_prop_name_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter) {
    ek_string_adp_feed(adapter, with_property(h, index, L"", [](P& p) { return p.getNameW().c_str(); }));
}

const char* ek_vor4_get_prop_caption(TekVor4* h, unsigned int index) {
    return with_property(h, index, "", [](P& p) { return p.getCaption().c_str(); });
}

void ek_vor4_get_prop_caption_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter) {
    ek_string_adp_feed(adapter, with_property(h, index, L"", [](P& p) { return p.getCaptionW().c_str(); }));
}

void ek_vor4_set_prop_caption(TekVor4* h, unsigned int index, const char* caption) {
    with_property(h, index, [&](P& p) { p.setCaption(wide_arg(caption)); });
}

void ek_vor4_set_prop_caption_w(TekVor4* h, unsigned int index, const wchar_t* caption) {
    with_property(h, index, [&](P& p) { p.setCaption(text_arg(caption)); });
}

const char* ek_vor4_get_prop_precision(TekVor4* h, unsigned int index) {
    return with_property(h, index, "", [](P& p) { return p.getPrecision().c_str(); });
}

void ek_vor4_get_prop_precision_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter) {
    ek_string_adp_feed(adapter, with_property(h, index, L"", [](P& p) { return p.getPrecisionW().c_str(); }));
}

void ek_vor4_set_prop_precision(TekVor4* h, unsigned int index, const char* precision) {
    with_property(h, index, [&](P& p) { p.setPrecision(text_arg(precision)); });
}

void ek_vor4_set_prop_precision_w(TekVor4* h, unsigned int index, const wchar_t* precision) {
    with_property(h, index, [&](P& p) { p.setPrecision(text_arg(precision)); });
}

void ek_vor4_prop_set_temp_status(TekVor4* h, unsigned int index, bool temp) {
    with_property(h, index, [&](P& p) { p.setTemp(temp); });
}

bool ek_vor4_prop_get_temp_status(TekVor4* h, unsigned int index) {
    return with_property(h, index, false, [](P& p) { return p.getTemp(); });
}

void ek_vor4_prop_get_prop_file_name_w(TekVor4* h, unsigned int index, Tek_string_adapter* adapter) {
    with_property(h, index, [&](P& p) { ek_string_adp_feed(adapter, p.getFileNameW().c_str()); });
}

bool ek_vor4_prop_file_exists(TekVor4* h, unsigned int index) {
    return with_property(h, index, false, [](P& p) { return ek::filesystem::is_file(p.getFileNameW()); });
}

double ek_vor4_get_func_x0(TekVor4* h, unsigned int index) { return with_property(h, index, 0.0, [](P& p) { return p.getFuncX0(); }); }
double ek_vor4_get_func_y0(TekVor4* h, unsigned int index) { return with_property(h, index, 0.0, [](P& p) { return p.getFuncY0(); }); }
double ek_vor4_get_func_z0(TekVor4* h, unsigned int index) { return with_property(h, index, 0.0, [](P& p) { return p.getFuncZ0(); }); }
double ek_vor4_get_func_dx(TekVor4* h, unsigned int index) { return with_property(h, index, 0.0, [](P& p) { return p.getFuncDX(); }); }
double ek_vor4_get_func_dy(TekVor4* h, unsigned int index) { return with_property(h, index, 0.0, [](P& p) { return p.getFuncDY(); }); }
double ek_vor4_get_func_dz(TekVor4* h, unsigned int index) { return with_property(h, index, 0.0, [](P& p) { return p.getFuncDZ(); }); }
unsigned int ek_vor4_get_func_lx(TekVor4* h, unsigned int index) { return with_property(h, index, 0u, [](P& p) { return low32(p.getFuncLX()); }); }
unsigned int ek_vor4_get_func_ly(TekVor4* h, unsigned int index) { return with_property(h, index, 0u, [](P& p) { return low32(p.getFuncLY()); }); }
unsigned int ek_vor4_get_func_lz(TekVor4* h, unsigned int index) { return with_property(h, index, 0u, [](P& p) { return low32(p.getFuncLZ()); }); }

void ek_vor4_set_func_x0(TekVor4* h, unsigned int index, double value) { with_property(h, index, [&](P& p) { p.setFuncX0(value); }); }
void ek_vor4_set_func_y0(TekVor4* h, unsigned int index, double value) { with_property(h, index, [&](P& p) { p.setFuncY0(value); }); }
void ek_vor4_set_func_z0(TekVor4* h, unsigned int index, double value) { with_property(h, index, [&](P& p) { p.setFuncZ0(value); }); }
void ek_vor4_set_func_dx(TekVor4* h, unsigned int index, double value) { with_property(h, index, [&](P& p) { p.setFuncDX(value); }); }
void ek_vor4_set_func_dy(TekVor4* h, unsigned int index, double value) { with_property(h, index, [&](P& p) { p.setFuncDY(value); }); }
void ek_vor4_set_func_dz(TekVor4* h, unsigned int index, double value) { with_property(h, index, [&](P& p) { p.setFuncDZ(value); }); }
void ek_vor4_set_func_lx(TekVor4* h, unsigned int index, unsigned int value) { with_property(h, index, [&](P& p) { p.setFuncLX(value); }); }
void ek_vor4_set_func_ly(TekVor4* h, unsigned int index, unsigned int value) { with_property(h, index, [&](P& p) { p.setFuncLY(value); }); }
void ek_vor4_set_func_lz(TekVor4* h, unsigned int index, unsigned int value) { with_property(h, index, [&](P& p) { p.setFuncLZ(value); }); }

}  // extern "C"
