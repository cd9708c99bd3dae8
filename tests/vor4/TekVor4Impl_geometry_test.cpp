// Dimensions, bounding boxes and the object indexes of windowed reads.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "vor4/TekVor4Impl.h"

namespace {

TekVor4Impl* gridOf(unsigned char gridType) {
    auto* doc = new TekVor4Impl();
    doc->setGridType(gridType);
    return doc;
}

TEST(DocumentDefaults, NewObjectHoldsTheDocumentedValues) {
    TekVor4Impl doc;
    EXPECT_EQ(doc.getGridType(), 0);
    EXPECT_FALSE(doc.readonly());
    EXPECT_EQ(doc.getNumProps(), 0u);
    EXPECT_EQ(doc.getX0(), 0.0);
    EXPECT_EQ(doc.getDX(), 1.0);
    EXPECT_EQ(doc.getDY(), 1.0);
    EXPECT_EQ(doc.getDZ(), 1.0);
    EXPECT_TRUE(doc.getEarthPlane());
    EXPECT_EQ(doc.getSizeX(), 1);
    EXPECT_EQ(doc.getNumObjects(), 1);
    EXPECT_EQ(doc.getMaskPropIndex(), -1);
    EXPECT_EQ(doc.getZPropIndex(), -1);
    EXPECT_FALSE(doc.save()) << "a document without a path cannot be saved";
}

TEST(DocumentDimensions, SizeSettersRecomputeTheObjectCountButSetNumObjectsDoesNot) {
    TekVor4Impl doc;
    doc.setSizeX(4);
    doc.setSizeY(5);
    EXPECT_EQ(doc.getNumObjects(), 20);
    doc.setSizeZ(2);
    EXPECT_EQ(doc.getNumObjects(), 40);
    doc.setNumObjects(7);
    EXPECT_EQ(doc.getNumObjects(), 7);
    EXPECT_EQ(doc.getSizeX(), 4);
}

TEST(DocumentDimensions, SetDimensions64FollowsTheGridType) {
    const long long sizes[3] = {4, 5, 6};
    std::unique_ptr<TekVor4Impl> g2(gridOf(3));
    g2->setDimensions64(sizes);
    long long out[3] = {0, 0, 0};
    g2->getDimensions64(out);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(out[2], 1);
    EXPECT_EQ(g2->getNumObjects(), 20);

    std::unique_ptr<TekVor4Impl> c1(gridOf(2));
    c1->setDimensions64(sizes);
    EXPECT_EQ(c1->getSizeX(), 4);
    EXPECT_EQ(c1->getSizeY(), 1);
    EXPECT_EQ(c1->getNumObjects(), 4);

    std::unique_ptr<TekVor4Impl> g3(gridOf(5));
    g3->setDimensions64(sizes);
    EXPECT_EQ(g3->getSizeZ(), 6);
    EXPECT_EQ(g3->getNumObjects(), 120);

    std::unique_ptr<TekVor4Impl> odd(gridOf(9));
    odd->setNumObjects(33);
    odd->setSizeX(8);
    odd->setNumObjects(33);
    odd->setDimensions64(sizes);
    EXPECT_EQ(odd->getSizeX(), 1);
    EXPECT_EQ(odd->getSizeY(), 1);
    EXPECT_EQ(odd->getSizeZ(), 1);
    EXPECT_EQ(odd->getNumObjects(), 33) << "an unknown grid type keeps its object count";
}

TEST(DocumentDimensions, SetDimensions32WidensWithoutSignAndReadsOnlyWhatTheTypeUses) {
    std::unique_ptr<TekVor4Impl> g1(gridOf(1));
    const unsigned int one[1] = {0xFFFFFFFFu};  // only one entry may be read for a 1D grid
    g1->setDimensions32(one);
    EXPECT_EQ(g1->getSizeX(), 4294967295LL);
    EXPECT_EQ(g1->getNumObjects(), 4294967295LL);

    std::unique_ptr<TekVor4Impl> g8(gridOf(8));
    const unsigned int two[2] = {3, 7};
    g8->setDimensions32(two);
    EXPECT_EQ(g8->getNumObjects(), 21);
    g8->setDimensions32(nullptr);  // must not crash
    EXPECT_EQ(g8->getSizeX(), 1);
}

TEST(DocumentIndexes, ReadIndexStepsAndResamples) {
    TekVor4Impl doc;
    doc.setGridType(1);
    doc.setSizeX(100);
    std::vector<long long> dst(8, -7);
    EXPECT_EQ(doc.read_index(10, 4, dst.data(), 0, 4, 3), 0);
    EXPECT_EQ((std::vector<long long>(dst.begin(), dst.begin() + 4)), (std::vector<long long>{10, 13, 16, 19}));
    std::fill(dst.begin(), dst.end(), -7);
    EXPECT_EQ(doc.read_index(10, 4, dst.data(), 1, 2, 3), 0);
    EXPECT_EQ(dst[0], -7);
    EXPECT_EQ(dst[1], 10);
    EXPECT_EQ(dst[2], 12);
    EXPECT_EQ(dst[3], -7);
    std::fill(dst.begin(), dst.end(), -7);
    EXPECT_EQ(doc.read_index(5, 3, dst.data(), 0, 3, 0), 0) << "a step of 0 counts as 1";
    EXPECT_EQ(dst[2], 7);
}

TEST(DocumentIndexes, ReadIndexComparesOnlyTheCount) {
    TekVor4Impl doc;
    doc.setSizeX(10);
    std::vector<long long> dst(20, -1);
    EXPECT_EQ(doc.read_index(0, 11, dst.data(), 0, 11, 1), 4);
    EXPECT_EQ(dst[0], -1) << "nothing is written before the check passes";
    EXPECT_EQ(doc.read_index(1000, 10, dst.data(), 0, 10, 1), 0);
    EXPECT_EQ(dst[9], 1009);
    EXPECT_EQ(doc.read_index(0, 5, nullptr, 0, 5, 1), 4) << "a null destination is refused";
}

TEST(DocumentIndexes, ReadIndex2dCarriesTheRowRemainder) {
    TekVor4Impl doc;
    doc.setGridType(3);
    doc.setSizeX(10);
    doc.setSizeY(20);
    std::vector<long long> dst(4, -1);
    // 10 rows into 4: q 2, r 2; the extra row is taken at the third advance only.
    ASSERT_EQ(doc.read_index2d(3, 5, 1, 10, dst.data(), 1, 4, 1, 0), 0);
    EXPECT_EQ(dst, (std::vector<long long>{5 * 10 + 3, 7 * 10 + 3, 9 * 10 + 3, 12 * 10 + 3}));
}

TEST(DocumentIndexes, ReadIndex2dChecksTypeAndRange) {
    TekVor4Impl doc;
    doc.setGridType(7);
    doc.setSizeX(10);
    doc.setSizeY(10);
    long long dst[4] = {-1, -1, -1, -1};
    EXPECT_EQ(doc.read_index2d(0, 0, 2, 2, dst, 2, 2, 1, 0), 5) << "only plain 2D grids";
    doc.setGridType(3);
    EXPECT_EQ(doc.read_index2d(9, 0, 2, 2, dst, 2, 2, 1, 0), 4);
    EXPECT_EQ(doc.read_index2d(0, 9, 2, 2, dst, 2, 2, 1, 0), 4);
    EXPECT_EQ(dst[0], -1);
    EXPECT_EQ(doc.read_index2d(0, 0, 2, 2, dst, 2, 0, 1, 0), 0) << "no output rows";
    EXPECT_EQ(dst[0], -1);
}

TEST(DocumentIndexes, ReadIndex3dTakesTheNearestLayerAndRow) {
    TekVor4Impl doc;
    doc.setGridType(5);
    doc.setSizeX(4);
    doc.setSizeY(3);
    doc.setSizeZ(12);
    std::vector<long long> dst(4, -1);
    ASSERT_EQ(doc.read_index3d(1, 2, 1, 1, 1, 10, dst.data(), 1, 1, 4, 1, 0, 0), 0);
    // Layers z0, z0+3, z0+5, z0+8 of a 4 x 3 grid, row 2, column 1.
    EXPECT_EQ(dst, (std::vector<long long>{1 * 12 + 9, 4 * 12 + 9, 6 * 12 + 9, 9 * 12 + 9}));
    EXPECT_EQ(doc.read_index3d(0, 0, 3, 1, 1, 10, dst.data(), 1, 1, 4, 1, 0, 0), 4);
    doc.setGridType(6);
    EXPECT_EQ(doc.read_index3d(0, 0, 0, 1, 1, 1, dst.data(), 1, 1, 1, 1, 0, 0), 5);
}

TEST(DocumentBox, NeedsStatisticsAndACoordinateGrid) {
    TekVor4Impl doc;
    double box[6] = {};
    EXPECT_FALSE(doc.getBox(0, box)) << "no property at index 0";
    EXPECT_FALSE(doc.getBox(0, nullptr));
}

}  // namespace
