#include "vor4/vor_vocabulary.h"

#include <array>
#include <cstdio>

#include "ek_text.h"

namespace ek::vor {
namespace {

const wchar_t* const k_grid_names[] = {L"gtNone",    L"gt1D",      L"gt1DCoord",   L"gt2D",       L"gt2dCoord",
                                       L"gt3D",      L"gt3DCoord", L"gt2D_Func1D", L"gt2D_Func2D"};
const wchar_t* const k_kind_names[] = {L"pkQuantNonCriter", L"pkQuantCriter", L"pkRankNonCriter", L"pkRankCriter",
                                       L"pkNominal",        L"pkClass",       L"pkCoord",         L"pkMask"};
const wchar_t* const k_type_names[] = {L"dtSingle", L"dtByte", L"dtInteger", L"dtBitmask", L"dtDouble"};

}  // namespace

unsigned char grid_type(const std::wstring& name) {
    // Tried in this order; the first case-insensitive match wins.
    static const unsigned char order[] = {3, 5, 1, 4, 6, 2, 7, 8};
    for (unsigned char code : order)
        if (ek::text::equal_nocase(name, k_grid_names[code])) return code;
    return 0;
}

std::wstring grid_type(unsigned char code) { return code <= 8 ? k_grid_names[code] : k_grid_names[0]; }

unsigned char prop_kind(const std::wstring& name) {
    for (unsigned char code = 0; code < 8; ++code)
        if (name == k_kind_names[code]) return code;
    return 0;
}

std::wstring prop_kind(unsigned char code) { return code < 8 ? k_kind_names[code] : L""; }

unsigned char data_type(const std::wstring& name) {
    static const unsigned char order[] = {0, 4, 2, 1, 3};
    for (unsigned char code : order)
        if (name == k_type_names[code]) return code;
    return 0;
}

std::wstring data_type(unsigned char code) { return code <= dtDouble ? k_type_names[code] : L""; }

int data_type_size(unsigned char code) {
    switch (code) {
        case dtSingle: return 4;
        case dtByte: return 1;
        case dtInteger: return 4;
        case dtBitmask: return 1;
        case dtDouble: return 8;
        default: return 0;
    }
}

unsigned char grid_geom_type(unsigned char gridType) {
    switch (gridType) {
        case gtNone: return geomNone;
        case gt1D:
        case gt1DCoord: return geom1D;
        case gt3D:
        case gt3DCoord: return geom3D;
        default: return geom2D;
    }
}

std::wstring prop_path(const std::wstring& documentPath, const std::wstring& propertyName) {
    const size_t sep = documentPath.find_last_of(L"\\/");
    std::wstring file = sep == std::wstring::npos ? documentPath : documentPath.substr(sep + 1);
    const size_t dot = file.rfind(L'.');
    if (dot != std::wstring::npos && dot != 0) file.resize(dot);
    return file + L"." + propertyName + L".property";
}

bool safe_property_name(std::wstring_view name) { return name.find_first_of(std::wstring_view(L"/\\\0", 3)) == std::wstring_view::npos; }

std::wstring data_file_path(const std::wstring& documentPath, const std::wstring& propertyName) {
    if (!safe_property_name(propertyName)) return std::wstring();
    const size_t dot = documentPath.rfind(L'.');
    return (dot == std::wstring::npos ? documentPath : documentPath.substr(0, dot)) + L"." + propertyName +
           L".property";
}

std::vector<int64_t> hist_data(const std::string& text) {
    std::vector<int64_t> counts;
    counts.reserve(text.size() / 8);
    for (size_t pos = 0; pos + 8 <= text.size(); pos += 8) {
        const std::string group = text.substr(pos, 8);
        unsigned int value = 0;
        if (std::sscanf(group.c_str(), "%08X", &value) != 1) value = 0;
        counts.push_back(static_cast<int64_t>(static_cast<uint64_t>(value)));
    }
    return counts;
}

namespace {

// Digit values of the 256 byte values; 0xFF marks a byte that is not a hexadecimal digit.
// A table keeps the parse of a document's histogram texts off the profile of opening it.
const std::array<unsigned char, 256>& hex_table() {
    static const auto table = [] {
        std::array<unsigned char, 256> t;
        t.fill(0xFF);
        for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = static_cast<unsigned char>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c) t[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 'A' + 10);
        for (int c = 'a'; c <= 'f'; ++c) t[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 'a' + 10);
        return t;
    }();
    return table;
}

}  // namespace

long long hist_group(const char* group) {
    const auto& table = hex_table();
    unsigned int value = 0;
    unsigned int invalid = 0;
    for (int i = 0; i < 8; ++i) {
        const unsigned int d = table[static_cast<unsigned char>(group[i])];
        invalid |= d & 0xF0u;
        value = (value << 4) | (d & 0x0Fu);
    }
    return invalid ? 0 : static_cast<int>(value);
}

std::string hist_data(const std::vector<int64_t>& counts) {
    std::string text;
    text.reserve(counts.size() * 8);
    char buf[16];
    for (int64_t c : counts) {
        std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned int>(static_cast<uint64_t>(c) & 0xFFFFFFFFu));
        text += buf;
    }
    return text;
}

}  // namespace ek::vor
