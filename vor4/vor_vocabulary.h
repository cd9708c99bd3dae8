// The format's enumerations (grid type, property kind, data type) and their text names,
// value sizes, geometry classes, data file names and the histogram count text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ek::vor {

// The codes by name; `using namespace ek::vor::codes;` brings just these into a file.
inline namespace codes {

// Data type codes; the code is the value type of a property's data file.
inline constexpr unsigned char dtSingle = 0;
inline constexpr unsigned char dtByte = 1;
inline constexpr unsigned char dtInteger = 2;
inline constexpr unsigned char dtBitmask = 3;  // one byte per value in memory, one bit in the file
inline constexpr unsigned char dtDouble = 4;

// Grid type codes.
inline constexpr unsigned char gtNone = 0;
inline constexpr unsigned char gt1D = 1;
inline constexpr unsigned char gt1DCoord = 2;
inline constexpr unsigned char gt2D = 3;
inline constexpr unsigned char gt2dCoord = 4;
inline constexpr unsigned char gt3D = 5;
inline constexpr unsigned char gt3DCoord = 6;
inline constexpr unsigned char gt2D_Func1D = 7;
inline constexpr unsigned char gt2D_Func2D = 8;

// Geometry classes of the grid types (grid_geom_type).
inline constexpr unsigned char geomNone = 0;
inline constexpr unsigned char geom1D = 1;
inline constexpr unsigned char geom2D = 2;
inline constexpr unsigned char geom3D = 3;

}  // namespace codes

// Name <-> code. Grid type names are matched without regard to letter case; kind and data
// type names exactly. An unknown name gives 0; an unknown code gives "gtNone" (grid type) or
// the empty text (kind, data type).
unsigned char grid_type(const std::wstring& name);
std::wstring grid_type(unsigned char code);
unsigned char prop_kind(const std::wstring& name);
std::wstring prop_kind(unsigned char code);
unsigned char data_type(const std::wstring& name);
std::wstring data_type(unsigned char code);

// Bytes of one value in memory: 4, 1, 4, 1, 8 for codes 0..4; 0 for any other code.
int data_type_size(unsigned char code);

// Geometry class 0..3 of a grid type.
unsigned char grid_geom_type(unsigned char gridType);

// The two rules that name a property's data file, side by side on purpose:
// prop_path gives the file name alone: the document's file name without its last extension,
// ".", the property name, ".property".
std::wstring prop_path(const std::wstring& documentPath, const std::wstring& propertyName);
// data_file_path gives the full path the document uses: the document path before its last "."
// (searched over the whole path, folders included), ".", the name, ".property"; empty when
// the name could lead out of the document's folder (see safe_property_name).
std::wstring data_file_path(const std::wstring& documentPath, const std::wstring& propertyName);

// A name that stays one file name when put into a path: no separator ('/', '\\') and no NUL.
bool safe_property_name(std::wstring_view name);

// Histogram counts <-> text of eight upper-case hexadecimal digits per count. Two readers, side
// by side on purpose: hist_data widens each group without sign; hist_group, with which a
// property reads its own stored counts, widens with sign. A group that is not eight hexadecimal
// digits gives 0 in both.
std::vector<int64_t> hist_data(const std::string& text);
std::string hist_data(const std::vector<int64_t>& counts);
long long hist_group(const char* group);

}  // namespace ek::vor
