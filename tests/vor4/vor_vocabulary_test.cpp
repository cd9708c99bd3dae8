#include "vor4/vor_vocabulary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ek::vor;

namespace {

const wchar_t* const k_grid_names[] = {L"gtNone",    L"gt1D",      L"gt1DCoord",   L"gt2D",       L"gt2dCoord",
                                       L"gt3D",      L"gt3DCoord", L"gt2D_Func1D", L"gt2D_Func2D"};
const wchar_t* const k_kind_names[] = {L"pkQuantNonCriter", L"pkQuantCriter", L"pkRankNonCriter", L"pkRankCriter",
                                       L"pkNominal",        L"pkClass",       L"pkCoord",         L"pkMask"};
const wchar_t* const k_type_names[] = {L"dtSingle", L"dtByte", L"dtInteger", L"dtBitmask", L"dtDouble"};

std::wstring upper(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towupper(c));
    return s;
}
std::wstring lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

}  // namespace

// --- grid type ---------------------------------------------------------------------------

TEST(GridType, EveryNameRoundTrips) {
    for (unsigned code = 0; code <= 8; ++code) {
        EXPECT_EQ(grid_type(static_cast<unsigned char>(code)), k_grid_names[code]);
        EXPECT_EQ(grid_type(std::wstring(k_grid_names[code])), code) << code;
    }
}

TEST(GridType, NamesMatchWithoutRegardToCase) {
    for (unsigned code = 1; code <= 8; ++code) {
        EXPECT_EQ(grid_type(upper(k_grid_names[code])), code) << code;
        EXPECT_EQ(grid_type(lower(k_grid_names[code])), code) << code;
    }
    EXPECT_EQ(grid_type(std::wstring(L"GT2D")), 3);
    EXPECT_EQ(grid_type(std::wstring(L"gt2DCoord")), 4);
    EXPECT_EQ(grid_type(std::wstring(L"GT2DCOORD")), 4);
    EXPECT_EQ(grid_type(std::wstring(L"Gt2dCoOrD")), 4);
    EXPECT_EQ(grid_type(std::wstring(L"gt2d_func2d")), 8);
}

TEST(GridType, CodeFourIsAlwaysWrittenWithLowerCaseD) { EXPECT_EQ(grid_type(static_cast<unsigned char>(4)), L"gt2dCoord"); }

TEST(GridType, UnknownNamesGiveNone) {
    EXPECT_EQ(grid_type(std::wstring()), 0);
    EXPECT_EQ(grid_type(std::wstring(L"gtNone")), 0);
    EXPECT_EQ(grid_type(std::wstring(L"gt2D ")), 0);
    EXPECT_EQ(grid_type(std::wstring(L" gt2D")), 0);
    EXPECT_EQ(grid_type(std::wstring(L"gt2")), 0);
    EXPECT_EQ(grid_type(std::wstring(L"gt2D_Func3D")), 0);
    EXPECT_EQ(grid_type(std::wstring(L"3")), 0);
}

TEST(GridType, UnknownCodesGiveNone) {
    for (unsigned code = 9; code <= 255; ++code) EXPECT_EQ(grid_type(static_cast<unsigned char>(code)), L"gtNone");
}

TEST(GridType, GeometryClass) {
    const unsigned char expected[] = {0, 1, 1, 2, 2, 3, 3, 2, 2};
    for (unsigned code = 0; code <= 8; ++code)
        EXPECT_EQ(grid_geom_type(static_cast<unsigned char>(code)), expected[code]) << code;
    for (unsigned code = 9; code <= 255; ++code) EXPECT_EQ(grid_geom_type(static_cast<unsigned char>(code)), 2) << code;
}

// --- property kind and data type -----------------------------------------------------------

TEST(PropKind, EveryNameRoundTrips) {
    for (unsigned code = 0; code < 8; ++code) {
        EXPECT_EQ(prop_kind(static_cast<unsigned char>(code)), k_kind_names[code]);
        EXPECT_EQ(prop_kind(std::wstring(k_kind_names[code])), code) << code;
    }
}

TEST(PropKind, NamesAreCaseSensitiveAndExact) {
    for (unsigned code = 1; code < 8; ++code) {
        EXPECT_EQ(prop_kind(upper(k_kind_names[code])), 0) << code;
        EXPECT_EQ(prop_kind(lower(k_kind_names[code])), 0) << code;
        EXPECT_EQ(prop_kind(std::wstring(k_kind_names[code]) + L" "), 0) << code;
    }
    EXPECT_EQ(prop_kind(std::wstring(L"pkMas")), 0);
    EXPECT_EQ(prop_kind(std::wstring()), 0);
}

TEST(PropKind, UnknownCodesGiveEmptyText) {
    for (unsigned code = 8; code <= 255; ++code) EXPECT_EQ(prop_kind(static_cast<unsigned char>(code)), L"");
}

TEST(DataType, EveryNameRoundTrips) {
    for (unsigned code = 0; code < 5; ++code) {
        EXPECT_EQ(data_type(static_cast<unsigned char>(code)), k_type_names[code]);
        EXPECT_EQ(data_type(std::wstring(k_type_names[code])), code) << code;
    }
}

TEST(DataType, NamesAreCaseSensitiveAndExact) {
    for (unsigned code = 1; code < 5; ++code) {
        EXPECT_EQ(data_type(upper(k_type_names[code])), 0) << code;
        EXPECT_EQ(data_type(lower(k_type_names[code])), 0) << code;
        EXPECT_EQ(data_type(std::wstring(k_type_names[code]) + L" "), 0) << code;
        EXPECT_EQ(data_type(L" " + std::wstring(k_type_names[code])), 0) << code;
    }
    EXPECT_EQ(data_type(std::wstring(L"dtDoubl")), 0);
    EXPECT_EQ(data_type(std::wstring()), 0);
}

TEST(DataType, UnknownCodesGiveEmptyText) {
    for (unsigned code = 5; code <= 255; ++code) EXPECT_EQ(data_type(static_cast<unsigned char>(code)), L"");
}

TEST(DataType, Sizes) {
    EXPECT_EQ(data_type_size(0), 4);
    EXPECT_EQ(data_type_size(1), 1);
    EXPECT_EQ(data_type_size(2), 4);
    EXPECT_EQ(data_type_size(3), 1);
    EXPECT_EQ(data_type_size(4), 8);
    for (unsigned code = 5; code <= 255; ++code) EXPECT_EQ(data_type_size(static_cast<unsigned char>(code)), 0);
}

// --- data file name ------------------------------------------------------------------------

TEST(PropPath, UsesFileNameWithoutItsExtension) {
    EXPECT_EQ(prop_path(L"field.xml", L"Depth"), L"field.Depth.property");
    EXPECT_EQ(prop_path(L"/data/maps/field.xml", L"Depth"), L"field.Depth.property");
    EXPECT_EQ(prop_path(L"C:\\data\\field.xml", L"Depth"), L"field.Depth.property");
}

TEST(PropPath, BothSeparatorsCountAndTheLastOneWins) {
    EXPECT_EQ(prop_path(L"C:\\data/sub\\field.vor", L"P"), L"field.P.property");
    EXPECT_EQ(prop_path(L"a/b\\c/field.vor", L"P"), L"field.P.property");
}

TEST(PropPath, OnlyTheLastDotOfTheFileNameIsCut) {
    EXPECT_EQ(prop_path(L"field.v1.xml", L"P"), L"field.v1.P.property");
}

TEST(PropPath, DotInFolderIsNoExtension) {
    EXPECT_EQ(prop_path(L"/data/maps.v2/field", L"P"), L"field.P.property");
    EXPECT_EQ(prop_path(L"C:\\data.old\\field", L"P"), L"field.P.property");
}

TEST(PropPath, LeadingDotKeepsWholeName) {
    EXPECT_EQ(prop_path(L"/data/.field", L"P"), L".field.P.property");
    EXPECT_EQ(prop_path(L".field", L"P"), L".field.P.property");
}

TEST(PropPath, EdgeNames) {
    EXPECT_EQ(prop_path(L"field", L"P"), L"field.P.property");
    EXPECT_EQ(prop_path(L"field.", L"P"), L"field.P.property");
    EXPECT_EQ(prop_path(L"field.xml", L""), L"field..property");
    EXPECT_EQ(prop_path(L"", L"P"), L".P.property");
    EXPECT_EQ(prop_path(L"/data/", L"P"), L".P.property");
    EXPECT_EQ(prop_path(L"\u0413\u043B.xml", L"\u041F"), L"\u0413\u043B.\u041F.property");
}

// --- histogram text --------------------------------------------------------------------------

TEST(HistData, CountsToText) {
    EXPECT_EQ(hist_data(std::vector<int64_t>{1, 255, (int64_t(1) << 32) + 5}), "00000001000000FF00000005");
    EXPECT_EQ(hist_data(std::vector<int64_t>{}), "");
    EXPECT_EQ(hist_data(std::vector<int64_t>{-1}), "FFFFFFFF");
    EXPECT_EQ(hist_data(std::vector<int64_t>{0xABCDEF, INT64_MIN}), "00ABCDEF00000000");
}

TEST(HistData, TextToCounts) {
    EXPECT_EQ(hist_data(std::string("00000001000000FF00000005")), (std::vector<int64_t>{1, 255, 5}));
    EXPECT_EQ(hist_data(std::string("")), std::vector<int64_t>{});
    EXPECT_EQ(hist_data(std::string("0000000")), std::vector<int64_t>{});
    EXPECT_EQ(hist_data(std::string("000000ff")), std::vector<int64_t>{255});
}

TEST(HistData, TrailingShortGroupIsIgnored) {
    EXPECT_EQ(hist_data(std::string("0000000A1234567")), std::vector<int64_t>{10});
}

TEST(HistData, AllOnesReadsUnsigned) {
    EXPECT_EQ(hist_data(std::string("FFFFFFFF")), std::vector<int64_t>{4294967295LL});
    EXPECT_EQ(hist_data(hist_data(std::vector<int64_t>{-1})), std::vector<int64_t>{4294967295LL});
}

TEST(HistData, GroupWithoutNumberGivesZero) {
    const auto counts = hist_data(std::string("zzzzzzzz00000002--------"));
    EXPECT_EQ(counts, (std::vector<int64_t>{0, 2, 0}));
}

TEST(HistData, GroupsAreReadIndependently) {
    // A NUL inside the text must neither end the text early nor shift the groups.
    const std::string text("0000000\0" "00000003", 16);
    const auto counts = hist_data(text);
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[1], 3);
}

TEST(HistData, RoundTripOfHundredCounts) {
    std::vector<int64_t> counts;
    for (int i = 0; i < 100; ++i) counts.push_back(int64_t(i) * 40503 % 4294967296LL);
    const std::string text = hist_data(counts);
    EXPECT_EQ(text.size(), 800u);
    EXPECT_EQ(hist_data(text), counts);
}
