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

// Grid type names match without regard to case and an unknown code names "gtNone"; kind and
// data type names match exactly and an unknown code has no name.
TEST(Vocabulary, EnumerationsFollowTheirTables) {
    const struct { std::vector<std::wstring> names; unsigned char (*code)(const std::wstring&);  // names by code
                   std::wstring (*name)(unsigned char); bool nocase; } tables[] = {
                  {{L"gtNone", L"gt1D", L"gt1DCoord", L"gt2D", L"gt2dCoord", L"gt3D", L"gt3DCoord", L"gt2D_Func1D",
                    L"gt2D_Func2D"}, grid_type, grid_type, true},
                  {{L"pkQuantNonCriter", L"pkQuantCriter", L"pkRankNonCriter", L"pkRankCriter", L"pkNominal",
                    L"pkClass", L"pkCoord", L"pkMask"}, prop_kind, prop_kind, false},
                  {{L"dtSingle", L"dtByte", L"dtInteger", L"dtBitmask", L"dtDouble"}, data_type, data_type, false}};
    for (const auto& t : tables)
        for (unsigned code = 0; code < 256; ++code) {
            SCOPED_TRACE(testing::Message() << t.names[1] << " table, code " << code);
            const bool known = code < t.names.size();
            EXPECT_EQ(t.name(static_cast<unsigned char>(code)), known ? t.names[code] : t.nocase ? L"gtNone" : L"");
            if (!known) continue;
            const std::wstring& name = t.names[code];
            EXPECT_EQ(t.code(name), code);
            for (auto f : {towupper, towlower}) EXPECT_EQ(t.code(recase(name, f)), t.nocase ? code : 0);
            for (const std::wstring& near : {name + L" ", name.substr(0, name.size() - 1), name.substr(1)})
                EXPECT_EQ(t.code(near), 0) << near;
        }
    const int geometry[] = {0, 1, 1, 2, 2, 3, 3, 2, 2}, sizes[] = {4, 1, 4, 1, 8};
    for (unsigned code = 0; code < 256; ++code) {
        EXPECT_EQ(grid_geom_type(static_cast<unsigned char>(code)), code < 9 ? geometry[code] : 2) << code;
        EXPECT_EQ(data_type_size(static_cast<unsigned char>(code)), code < 5 ? sizes[code] : 0) << code;
    }
}

// prop_path gives the file name without its last extension; data_file_path, the whole path before
// its last dot, or nothing for a name that could lead out of the folder.
TEST(Vocabulary, DataFileNamesDropTheLastExtension) {
    const struct { std::wstring document, property, file, path; } rows[] = {
        {L"C:\\data/sub\\field.xml", L"Depth", L"field.Depth.property", L"C:\\data/sub\\field.Depth.property"},
        {L"a/b\\c/f.v1.xml", L"P", L"f.v1.P.property", L"a/b\\c/f.v1.P.property"},
        {L"/data.old/field", L"P", L"field.P.property", L"/data.P.property"},
        {L"/data/.field", L"P", L".field.P.property", L"/data/.P.property"},
        {L"field.", L"P", L"field.P.property", L"field.P.property"}, {L"", L"P", L".P.property", L".P.property"},
        {L"/data/", L"P", L".P.property", L"/data/.P.property"}, {L"d/f", L"a/b", L"f.a/b.property", L""},
        {L"f", std::wstring(L"a\0b", 3), std::wstring(L"f.a\0b.property", 14), L""},
        {L"\u0413\u043B.xml", L"\u041F", L"\u0413\u043B.\u041F.property", L"\u0413\u043B.\u041F.property"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(prop_path(r.document, r.property), r.file);
        EXPECT_EQ(data_file_path(r.document, r.property), r.path) << r.file;
    }
}

// Written: the low 32 bits of each count. Read: a short trailing group is ignored, a group that is no
// number counts 0, a NUL shifts no group, counts are widened without sign.
TEST(Vocabulary, HistogramCountsAreEightHexDigitsEach) {
    EXPECT_EQ(hist_data(std::vector<int64_t>{1, 255, (int64_t(1) << 32) + 5, -1}), "00000001000000FF00000005FFFFFFFF");
    const struct { std::string text; std::vector<int64_t> counts; } read[] = {
        {"", {}}, {"00000001000000ffFFFFFFFF", {1, 255, 4294967295LL}}, {"0000000A1234567", {10}},
        {"zzzzzzzz00000002--------", {0, 2, 0}}, {std::string("0000000\0" "00000003", 16), {0, 3}}};
    for (const auto& r : read) EXPECT_EQ(hist_data(r.text), r.counts) << r.text;
}

}  // namespace
