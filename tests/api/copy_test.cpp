// Copying documents with ek_vor4_copy_files: description, properties, data bytes and captions
// arrive; a missing source, an existing destination without overwrite and a copy onto itself
// are refused; an overwritten destination leaves none of its old data files behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ekx_file_vor4.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ApiCopy : public ::testing::Test {
protected:
    void SetUp() override {
        TekVor4* h = ek_vor4_file_create_w(source().c_str());
        ASSERT_NE(h, nullptr);
        ek_vor4_set_grid_type(h, 3);
        const long long dims[3] = {5, 4, 1};
        ek_vor4_set_dimensions_64(h, dims);
        ek_vor4_set_x0(h, 1000.0);
        ek_vor4_set_dy(h, 2.5);
        ek_vor4_set_azimuth(h, 30.0);
        TekVor4Property* depth = ek_vor4_prop_add_w(h, L"Depth", 1, 4, false);
        TekVor4Property* mask = ek_vor4_prop_add_w(h, L"Mask", 7, 3, false);
        ASSERT_NE(depth, nullptr);
        ASSERT_NE(mask, nullptr);
        double values[20];
        unsigned char bits[20];
        for (int i = 0; i < 20; ++i) {
            values[i] = i * 1.5 - 3;
            bits[i] = i % 3 == 0;
        }
        ASSERT_EQ(ek_vor4_prop_write(depth, 0, values, 20, 4, 1), 0);
        ASSERT_EQ(ek_vor4_prop_write(mask, 0, bits, 20, 3, 1), 0);
        ek_vor4_set_prop_caption_w(h, 0, L"Глубина, м");
        ek_vor4_set_prop_caption_w(h, 1, L"Mask of cells");
        ek_vor4_file_close(h);
    }
    std::wstring source() const { return dir.file("src.xml"); }
    std::wstring destination() const { return dir.file("dst.xml"); }
    fs::path data(const std::string& doc, const std::string& prop) const {
        return dir.path() / (doc + "." + prop + ".property");
    }
    // A destination document with one property of its own.
    void makeOldDestination() {
        TekVor4* h = ek_vor4_file_create_w(destination().c_str());
        ASSERT_NE(h, nullptr);
        ek_vor4_set_grid_type(h, 3);
        const long long dims[3] = {2, 2, 1};
        ek_vor4_set_dimensions_64(h, dims);
        ASSERT_NE(ek_vor4_prop_add_w(h, L"Old", 0, 0, false), nullptr);
        ek_vor4_file_close(h);
        ASSERT_TRUE(fs::exists(data("dst", "Old")));
    }
    ek::test::TempDir dir;
};

TEST_F(ApiCopy, CopyCarriesDescriptionPropertiesDataAndCaptions) {
    ASSERT_TRUE(ek_vor4_copy_files(source().c_str(), destination().c_str(), false));
    TekVor4* s = ek_vor4_file_open_w(source().c_str(), true);
    TekVor4* d = ek_vor4_file_open_w(destination().c_str(), true);
    ASSERT_NE(s, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ek_vor4_get_grid_type(d), 3);
    EXPECT_EQ(ek_vor4_get_pic(d), 5u);
    EXPECT_EQ(ek_vor4_get_prf(d), 4u);
    EXPECT_EQ(ek_vor4_get_x0(d), 1000.0);
    EXPECT_EQ(ek_vor4_get_dy(d), 2.5);
    EXPECT_EQ(ek_vor4_get_azimuth(d), 30.0);
    ASSERT_EQ(ek_vor4_get_prop_count(d), 2u);
    for (unsigned int i = 0; i < 2; ++i) {
        EXPECT_STREQ(ek_vor4_get_prop_name(d, i), ek_vor4_get_prop_name(s, i));
        EXPECT_STREQ(ek_vor4_get_prop_caption(d, i), ek_vor4_get_prop_caption(s, i));
        EXPECT_EQ(ek_vor4_get_prop_kind(d, i), ek_vor4_get_prop_kind(s, i));
        EXPECT_EQ(ek_vor4_get_prop_data_type(d, i), ek_vor4_get_prop_data_type(s, i));
    }
    EXPECT_STREQ(ek_vor4_get_prop_caption(d, 0), "\xC3\xEB\xF3\xE1\xE8\xED\xE0, \xEC");
    ek_vor4_file_close(s);
    ek_vor4_file_close(d);
    EXPECT_EQ(bytes(data("dst", "Depth")), bytes(data("src", "Depth")));
    EXPECT_EQ(bytes(data("dst", "Mask")), bytes(data("src", "Mask")));
    EXPECT_EQ(bytes(data("dst", "Depth")).size(), 160u);
    EXPECT_TRUE(fs::exists(data("src", "Depth"))) << "the source keeps its files";
}

TEST_F(ApiCopy, MissingSourceCreatesNothing) {
    EXPECT_FALSE(ek_vor4_copy_files(dir.file("none.xml").c_str(), destination().c_str(), true));
    EXPECT_FALSE(fs::exists(destination()));
}

TEST_F(ApiCopy, ExistingDestinationWithoutOverwriteIsLeftUntouched) {
    makeOldDestination();
    const std::string before = bytes(destination());
    EXPECT_FALSE(ek_vor4_copy_files(source().c_str(), destination().c_str(), false));
    EXPECT_EQ(bytes(destination()), before);
    EXPECT_TRUE(fs::exists(data("dst", "Old")));
}

TEST_F(ApiCopy, OverwriteRemovesTheOldPropertiesDataFiles) {
    makeOldDestination();
    ASSERT_TRUE(ek_vor4_copy_files(source().c_str(), destination().c_str(), true));
    EXPECT_FALSE(fs::exists(data("dst", "Old"))) << "no stray data file of the old destination";
    TekVor4* d = ek_vor4_file_open_w(destination().c_str(), true);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ek_vor4_get_prop_count(d), 2u);
    EXPECT_EQ(ek_vor4_get_index_by_name(d, "Old"), -1);
    EXPECT_EQ(ek_vor4_get_pic(d), 5u);
    ek_vor4_file_close(d);
    EXPECT_EQ(bytes(data("dst", "Depth")), bytes(data("src", "Depth")));
}

TEST_F(ApiCopy, OverwriteOfADestinationInUseIsRefused) {
    makeOldDestination();
    TekVor4* user = ek_vor4_file_open_w(destination().c_str(), true);
    ASSERT_NE(user, nullptr);
    EXPECT_FALSE(ek_vor4_copy_files(source().c_str(), destination().c_str(), true));
    EXPECT_EQ(ek_vor4_get_prop_count(user), 1u);
    ek_vor4_file_close(user);
    EXPECT_TRUE(fs::exists(data("dst", "Old")));
    TekVor4* writer = ek_vor4_file_open_w(destination().c_str(), false);
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(ek_vor4_copy_files(source().c_str(), destination().c_str(), true))
        << "a writable user would keep a deleted document";
    ek_vor4_file_close(writer);
    EXPECT_TRUE(fs::exists(data("dst", "Old")));
}

TEST_F(ApiCopy, OverwriteReplacesAFileThatIsNoDocument) {
    std::ofstream(dir.path() / "dst.xml") << "plain text";
    ASSERT_TRUE(ek_vor4_copy_files(source().c_str(), destination().c_str(), true));
    TekVor4* d = ek_vor4_file_open_w(destination().c_str(), true);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ek_vor4_get_prop_count(d), 2u);
    ek_vor4_file_close(d);
}

TEST_F(ApiCopy, CopyOntoItselfIsRefusedAndLosesNothing) {
    const std::string before = bytes(data("src", "Depth"));
    EXPECT_FALSE(ek_vor4_copy_files(source().c_str(), source().c_str(), true));
    const std::wstring other = dir.file("./src.xml");
    EXPECT_FALSE(ek_vor4_copy_files(source().c_str(), other.c_str(), true));
    EXPECT_EQ(bytes(data("src", "Depth")), before);
    TekVor4* s = ek_vor4_file_open_w(source().c_str(), true);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(ek_vor4_get_prop_count(s), 2u);
    ek_vor4_file_close(s);
}

TEST_F(ApiCopy, ACopyCanBeDeletedWithoutTouchingTheSource) {
    ASSERT_TRUE(ek_vor4_copy_files(source().c_str(), destination().c_str(), false));
    EXPECT_TRUE(ek_vor4_delete_files(destination().c_str()));
    EXPECT_FALSE(fs::exists(destination()));
    EXPECT_FALSE(fs::exists(data("dst", "Depth")));
    EXPECT_FALSE(fs::exists(data("dst", "Mask")));
    EXPECT_TRUE(fs::exists(data("src", "Mask")));
}

}  // namespace
