// The format's enumerations, data file names and histogram text, each against its table.
#include "vor4/vor_vocabulary.h"

#include <gtest/gtest.h>

#include <cwctype>

using namespace ek::vor;

namespace {

std::wstring recase(std::wstring s, wint_t (*f)(wint_t)) {
    for (auto& c : s) c = static_cast<wchar_t>(f(c));
    return s;
}

TEST(Vocabulary, GridTypesMatchWithoutRegardToCase) {
    const wchar_t* names[] = {L"gtNone", L"gt1D",      L"gt1DCoord",   L"gt2D",       L"gt2dCoord",
                              L"gt3D",   L"gt3DCoord", L"gt2D_Func1D", L"gt2D_Func2D"};
    const int geometry[] = {0, 1, 1, 2, 2, 3, 3, 2, 2};
    for (unsigned code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const auto c = static_cast<unsigned char>(code);
        EXPECT_EQ(grid_type(c), code < 9 ? names[code] : L"gtNone");
        EXPECT_EQ(grid_geom_type(c), code < 9 ? geometry[code] : 2);
        if (code > 8) continue;
        for (const std::wstring& name : {std::wstring(names[code]), recase(names[code], towupper),
                                         recase(names[code], towlower)})
            EXPECT_EQ(grid_type(name), code) << name;
    }
    for (const wchar_t* unknown : {L"", L"gt2D ", L" gt2D", L"gt2", L"gt2D_Func3D", L"3"})
        EXPECT_EQ(grid_type(std::wstring(unknown)), 0) << unknown;
}

TEST(Vocabulary, KindsAndDataTypesMatchExactly) {
    const struct {
        std::vector<std::wstring> names;  // by code
        unsigned char (*code)(const std::wstring&);
        std::wstring (*name)(unsigned char);
    } tables[] = {
        {{L"pkQuantNonCriter", L"pkQuantCriter", L"pkRankNonCriter", L"pkRankCriter", L"pkNominal", L"pkClass",
          L"pkCoord", L"pkMask"},
         [](const std::wstring& n) { return prop_kind(n); }, [](unsigned char c) { return prop_kind(c); }},
        {{L"dtSingle", L"dtByte", L"dtInteger", L"dtBitmask", L"dtDouble"},
         [](const std::wstring& n) { return data_type(n); }, [](unsigned char c) { return data_type(c); }},
    };
    for (const auto& t : tables) {
        EXPECT_EQ(t.code(L""), 0);
        for (unsigned code = 0; code < 256; ++code) {
            const std::wstring name = code < t.names.size() ? t.names[code] : L"";
            SCOPED_TRACE(name.empty() ? std::to_wstring(code) : name);
            EXPECT_EQ(t.name(static_cast<unsigned char>(code)), name);
            if (name.empty()) continue;
            EXPECT_EQ(t.code(name), code);
            for (const std::wstring& near : {recase(name, towupper), recase(name, towlower), name + L" ", L" " + name,
                                             name.substr(0, name.size() - 1)})
                EXPECT_EQ(t.code(near), 0) << near;
        }
    }
    const int sizes[] = {4, 1, 4, 1, 8};
    for (unsigned code = 0; code < 256; ++code)
        EXPECT_EQ(data_type_size(static_cast<unsigned char>(code)), code < 5 ? sizes[code] : 0) << code;
}

TEST(Vocabulary, DataFileNameIsTheFileNameWithoutItsLastExtension) {
    const struct { const wchar_t *document, *property, *expected; } rows[] = {
        {L"C:\\data/sub\\field.xml", L"Depth", L"field.Depth.property"},
        {L"a/b\\c/field.v1.xml", L"P", L"field.v1.P.property"},
        {L"/data/maps.v2/field", L"P", L"field.P.property"}, {L"C:\\data.old\\field", L"P", L"field.P.property"},
        {L"/data/.field", L"P", L".field.P.property"},       {L".field", L"P", L".field.P.property"},
        {L"field.", L"P", L"field.P.property"},              {L"field.xml", L"", L"field..property"},
        {L"", L"P", L".P.property"},                         {L"/data/", L"P", L".P.property"},
        {L"\u0413\u043B.xml", L"\u041F", L"\u0413\u043B.\u041F.property"},
    };
    for (const auto& r : rows) EXPECT_EQ(prop_path(r.document, r.property), r.expected) << r.document;
}

TEST(Vocabulary, HistogramCountsAreEightHexDigitsEach) {
    const struct { std::vector<int64_t> counts; std::string text; } written[] = {
        {{1, 255, (int64_t(1) << 32) + 5}, "00000001000000FF00000005"}, {{}, ""}, {{-1}, "FFFFFFFF"},
        {{0xABCDEF, INT64_MIN}, "00ABCDEF00000000"}};
    for (const auto& w : written) EXPECT_EQ(hist_data(w.counts), w.text);
    const struct { std::string text; std::vector<int64_t> counts; } read[] = {
        {"00000001000000FF00000005", {1, 255, 5}}, {"", {}}, {"0000000", {}}, {"000000ff", {255}},
        {"0000000A1234567", {10}},                // a short trailing group is ignored
        {"FFFFFFFF", {4294967295LL}},             // widened without sign
        {"zzzzzzzz00000002--------", {0, 2, 0}},  // no number: 0
        {std::string("0000000\0" "00000003", 16), {0, 3}},  // a NUL shifts no group
    };
    for (const auto& r : read) EXPECT_EQ(hist_data(r.text), r.counts) << r.text;
    std::vector<int64_t> counts;
    for (int i = 0; i < 100; ++i) counts.push_back(int64_t(i) * 40503 % 4294967296LL);
    EXPECT_EQ(hist_data(hist_data(counts)), counts);
}

}  // namespace
