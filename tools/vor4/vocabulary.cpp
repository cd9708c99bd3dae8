#include "vocabulary.h"

#include "failure.h"
#include "text.h"

namespace vor4 {

namespace {
const char* const grid_names[] = {"gtNone", "gt1D", "gt1DCoord", "gt2D", "gt2dCoord",
                                  "gt3D", "gt3DCoord", "gt2D_Func1D", "gt2D_Func2D"};
const char* const kind_names[] = {"pkQuantNonCriter", "pkQuantCriter", "pkRankNonCriter", "pkRankCriter",
                                  "pkNominal", "pkClass", "pkCoord", "pkMask"};
const char* const type_names[] = {"dtSingle", "dtByte", "dtInteger", "dtBitmask", "dtDouble"};
}  // namespace

std::string grid_type_name(unsigned char code) { return code <= 8 ? grid_names[code] : grid_names[0]; }
std::string kind_name(unsigned char code) { return code <= 7 ? kind_names[code] : ""; }
std::string data_type_name(unsigned char code) { return code <= 4 ? type_names[code] : ""; }

unsigned char parse_data_type(const std::string& text) {
    static const struct { const char* name; DataType type; } names[] = {
        {"dtsingle", dt_single}, {"single", dt_single}, {"float32", dt_single}, {"f4", dt_single},
        {"dtbyte", dt_byte}, {"byte", dt_byte}, {"uint8", dt_byte}, {"u1", dt_byte},
        {"dtinteger", dt_integer}, {"integer", dt_integer}, {"int32", dt_integer}, {"i4", dt_integer},
        {"dtbitmask", dt_bitmask}, {"bitmask", dt_bitmask}, {"bool", dt_bitmask}, {"mask", dt_bitmask},
        {"dtdouble", dt_double}, {"double", dt_double}, {"float64", dt_double}, {"f8", dt_double}};
    const std::string key = lower_ascii(text);
    for (const auto& n : names) {
        if (key == n.name) return n.type;
    }
    throw UsageError("unknown value type '" + text + "' (single, byte, integer, bitmask, double)");
}

unsigned char parse_kind(const std::string& text) {
    const std::string key = lower_ascii(text);
    for (unsigned char k = 0; k <= 7; ++k) {
        if (key == lower_ascii(kind_names[k])) return k;
    }
    throw UsageError("unknown property kind '" + text + "' (pkQuantNonCriter ... pkMask)");
}

bool is_coordinate_grid(unsigned char g) { return g == 2 || g == 4 || g == 6; }
bool is_regular_grid(unsigned char g) { return g == 1 || g == 3 || g == 5 || g == 7 || g == 8; }

std::string numpy_descr(unsigned char t) {
    static const char* const d[] = {"<f4", "|u1", "<i4", "|b1", "<f8"};
    return t <= 4 ? d[t] : "";
}

unsigned char data_type_of_numpy(const std::string& descr) {
    static const struct { const char* descr; DataType type; } known[] = {
        {"<f4", dt_single}, {"|u1", dt_byte}, {"u1", dt_byte}, {"<u1", dt_byte}, {"<i4", dt_integer},
        {"|b1", dt_bitmask}, {"b1", dt_bitmask}, {"<f8", dt_double}};
    for (const auto& k : known) {
        if (descr == k.descr) return k.type;
    }
    return 255;
}

std::string gdal_type_name(unsigned char t) {
    static const char* const g[] = {"Float32", "Byte", "Int32", "Byte", "Float64"};
    return t <= 4 ? g[t] : "";
}

std::string nodata_text(unsigned char t) {
    switch (t) {
        case dt_single: case dt_double: return "nan";
        case dt_byte: return "255";
        case dt_integer: return "2147483647";
        default: return "";
    }
}

}  // namespace vor4
