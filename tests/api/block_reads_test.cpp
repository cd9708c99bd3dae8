// One window of several properties into one buffer: the index list, skipped blocks, the pitch
// defaults, and where reading stops.
#include <gtest/gtest.h>

#include <vector>

#include "ekx_file_vor4.h"
#include "support/temp_dir.h"

namespace {

constexpr float untouched = -7.0f;

class ApiBlockReads : public ::testing::Test {
protected:
    void SetUp() override {
        h = ek_vor4_file_create_w(dir.file("doc.xml").c_str());
        ASSERT_NE(h, nullptr);
        ek_vor4_set_grid_type(h, 3);
        const long long dims[3] = {4, 3, 1};
        ek_vor4_set_dimensions_64(h, dims);
        for (int k = 0; k < 3; ++k) {
            const char name[3] = {'P', static_cast<char>('0' + k), 0};
            TekVor4Property* p = ek_vor4_prop_add(h, name, 0, 0, false);
            ASSERT_NE(p, nullptr);
            float values[12];
            for (int i = 0; i < 12; ++i) values[i] = value(k, i);
            ASSERT_EQ(ek_vor4_prop_write(p, 0, values, 12, 0, 1), 0);
        }
    }
    void TearDown() override { ek_vor4_file_close(h); }
    static float value(int property, int object) { return static_cast<float>(100 * property + object); }
    ek::test::TempDir dir;
    TekVor4* h = nullptr;
};

TEST_F(ApiBlockReads, IndexListPicksPropertiesAndSkipsMinusOne) {
    std::vector<float> dst(36, untouched);
    int list[3] = {2, -1, 0};
    ASSERT_EQ(ek_vor4_read(h, 0, 12, dst.data(), 12, 0, 3, list, 0, 0), 0);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(dst[i], value(2, i));
        EXPECT_EQ(dst[12 + i], untouched) << "block of -1 left as it was";
        EXPECT_EQ(dst[24 + i], value(0, i));
    }
}

TEST_F(ApiBlockReads, WithoutAListBlockKReadsPropertyK) {
    std::vector<double> dst(6, untouched);
    ASSERT_EQ(ek_vor4_read(h, 5, 2, dst.data(), 2, 4, 3, nullptr, 0, 0), 0);
    EXPECT_EQ(dst, (std::vector<double>{5, 6, 105, 106, 205, 206}));
}

TEST_F(ApiBlockReads, AnIndexPastTheListStopsWithOne) {
    std::vector<float> dst(36, untouched);
    int list[3] = {1, 3, 0};
    EXPECT_EQ(ek_vor4_read(h, 0, 12, dst.data(), 12, 0, 3, list, 0, 0), 1);
    EXPECT_EQ(dst[0], value(1, 0)) << "the block before stays read";
    EXPECT_EQ(dst[12], untouched);
    EXPECT_EQ(dst[24], untouched) << "later blocks are not read";
    int negative[1] = {-2};
    EXPECT_EQ(ek_vor4_read(h, 0, 12, dst.data(), 12, 0, 1, negative, 0, 0), 1);
}

TEST_F(ApiBlockReads, AFailingReadPassesItsCodeOn) {
    std::vector<float> dst(8, untouched);
    EXPECT_EQ(ek_vor4_read(h, 0, 13, dst.data(), 4, 0, 2, nullptr, 0, 0), 4) << "more values than there are";
    EXPECT_EQ(dst[0], untouched);
    int list[2] = {1, 1};
    EXPECT_EQ(ek_vor4_read(h, 10, 4, dst.data(), 4, 0, 2, list, 0, 0), 2) << "a run past the end of the file";
    EXPECT_EQ(dst[4], untouched) << "reading stopped at the first block";
    EXPECT_EQ(ek_vor4_read(h, 0, 4, dst.data(), 4, 0, 0, nullptr, 0, 0), 0) << "no block asked for";
    EXPECT_EQ(ek_vor4_read(h, 0, 4, dst.data(), 4, 0, -3, nullptr, 0, 0), 0);
}

TEST_F(ApiBlockReads, ExplicitPitchAndStrideInterleave) {
    std::vector<float> dst(8, untouched);
    ASSERT_EQ(ek_vor4_read(h, 0, 4, dst.data(), 4, 0, 2, nullptr, 2, 1), 0);
    EXPECT_EQ(dst, (std::vector<float>{0, 100, 1, 101, 2, 102, 3, 103}));
    std::vector<float> spaced(10, untouched);
    int list[2] = {0, 2};
    ASSERT_EQ(ek_vor4_read(h, 0, 2, spaced.data(), 2, 0, 2, list, 0, 5), 0);
    EXPECT_EQ(spaced, (std::vector<float>{0, 1, untouched, untouched, untouched, 200, 201, untouched, untouched,
                                          untouched}));
}

TEST_F(ApiBlockReads, TwoDimensionalBlocksFollowEachOther) {
    std::vector<int> dst(3 * 4, -1);
    // The 4 x 3 grid decimated to 2 x 2 per property: columns 0 and 2, rows 0 and 1 or 2.
    ASSERT_EQ(ek_vor4_read2d(h, 0, 0, 4, 3, dst.data(), 2, 2, 2, 3, nullptr, 0, 0, 0), 0);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(dst[4 * k + 0], 100 * k + 0);
        EXPECT_EQ(dst[4 * k + 1], 100 * k + 2);
        EXPECT_GT(dst[4 * k + 2], 100 * k + 3) << "second row of block " << k;
    }
    std::vector<int> padded(2 * 6, -1);
    int list[2] = {1, 0};
    ASSERT_EQ(ek_vor4_read2d(h, 1, 1, 2, 2, padded.data(), 2, 2, 2, 2, list, 0, 3, 0), 0);
    EXPECT_EQ(padded, (std::vector<int>{105, 106, -1, 109, 110, -1, 5, 6, -1, 9, 10, -1}))
        << "row pitch 3 makes blocks of 3 x 2";
}

TEST_F(ApiBlockReads, ThreeDimensionalDefaults) {
    ek_vor4_set_grid_type(h, 5);
    const long long dims[3] = {2, 2, 2};
    ek_vor4_set_dimensions_64(h, dims);
    TekVor4Property* cube = ek_vor4_prop_add(h, "Cube", 0, 2, false);
    ASSERT_NE(cube, nullptr);
    const int values[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ek_vor4_prop_write(cube, 0, values, 8, 2, 1), 0);
    const int index = ek_vor4_get_index_by_name(h, "Cube");
    ASSERT_GE(index, 0);
    int list[2] = {index, index};
    std::vector<int> dst(16, -1);
    ASSERT_EQ(ek_vor4_read3d(h, 0, 0, 0, 2, 2, 2, dst.data(), 2, 2, 2, 2, 2, list, 0, 0, 0, 0), 0);
    EXPECT_EQ(dst, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7}));
    std::vector<int> sliced(2 * 10, -1);
    ASSERT_EQ(ek_vor4_read3d(h, 0, 0, 0, 2, 2, 2, sliced.data(), 2, 2, 2, 2, 1, list, 0, 0, 5, 0), 0);
    EXPECT_EQ(sliced, (std::vector<int>{0, 1, 2, 3, -1, 4, 5, 6, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}))
        << "slice pitch 5, block pitch 10";
}

}  // namespace
