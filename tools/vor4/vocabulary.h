// The format's codes and their text names, and what each value type is called elsewhere
// (numpy, GDAL).
#pragma once

#include <string>

namespace vor4 {

enum DataType : unsigned char { dt_single = 0, dt_byte = 1, dt_integer = 2, dt_bitmask = 3, dt_double = 4 };

std::string grid_type_name(unsigned char code);  // "gt2D"; "gtNone" for unknown codes
std::string kind_name(unsigned char code);       // "pkQuantNonCriter"; "" for unknown codes
std::string data_type_name(unsigned char code);  // "dtSingle"; "" for unknown codes

// A value type by its format name ("dtSingle") or short name ("single", "float32", "f4", ...),
// letter case ignored; throws UsageError otherwise.
unsigned char parse_data_type(const std::string& text);
// A property kind by its format name, letter case ignored; throws UsageError otherwise.
unsigned char parse_kind(const std::string& text);

// Point sets keep their coordinates in properties.
bool is_coordinate_grid(unsigned char grid_type);
// Regular grids whose cells are placed by the geotransform.
bool is_regular_grid(unsigned char grid_type);

// numpy's description of the type in memory ("<f4"; "|b1" for a mask, one byte per value).
std::string numpy_descr(unsigned char data_type);
// The type of a numpy description, or 255 when the tool does not read it.
unsigned char data_type_of_numpy(const std::string& descr);
// GDAL's name of the type as a VRT band holds it (a mask is unpacked to bytes).
std::string gdal_type_name(unsigned char data_type);
// The value that stands for "no value", as text; empty for a mask, which has none.
std::string nodata_text(unsigned char data_type);

}  // namespace vor4
