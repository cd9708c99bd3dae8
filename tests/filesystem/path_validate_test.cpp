// Name validation, repair and virtual paths.
#include <gtest/gtest.h>

#include "filesystem/paths.h"

namespace fs = ek::filesystem;

TEST(PathValidate, SingleCharacters) {
    for (wchar_t c : std::wstring(L"<>:\"|?*")) {
        EXPECT_FALSE(fs::is_valid(c)) << int(c);
        EXPECT_FALSE(fs::is_valid_file_name(c)) << int(c);
    }
    EXPECT_FALSE(fs::is_valid(L'\0'));
    EXPECT_FALSE(fs::is_valid_file_name(L'\0'));
    EXPECT_TRUE(fs::is_valid(L'\\'));
    EXPECT_TRUE(fs::is_valid(L'/'));
    EXPECT_FALSE(fs::is_valid_file_name(L'\\'));
    EXPECT_FALSE(fs::is_valid_file_name(L'/'));
    EXPECT_TRUE(fs::is_valid(L'a'));
    EXPECT_TRUE(fs::is_valid_file_name(L'Ж'));
    EXPECT_TRUE(fs::is_valid_file_name(L'.'));
}

TEST(PathValidate, WholePaths) {
    EXPECT_TRUE(fs::is_valid(L"C:\\data\\x.property"));
    EXPECT_TRUE(fs::is_valid(L"/data/x"));
    EXPECT_TRUE(fs::is_valid(L""));
    EXPECT_FALSE(fs::is_valid(L"C:\\da:ta"));
    EXPECT_FALSE(fs::is_valid(L"1:\\x"));  // only a letter makes a drive
    EXPECT_FALSE(fs::is_valid(L"a*b"));
    EXPECT_FALSE(fs::is_valid(L"a?"));
    EXPECT_TRUE(fs::is_valid_file_name(L"field.Depth.property"));
    EXPECT_TRUE(fs::is_valid_file_name(L""));
    EXPECT_FALSE(fs::is_valid_file_name(L"a/b"));
    EXPECT_FALSE(fs::is_valid_file_name(L"a\\b"));
    EXPECT_FALSE(fs::is_valid_file_name(L"C:x"));
}

TEST(PathValidate, Repair) {
    EXPECT_EQ(fs::make_valid_filename(L"a:b/c"), L"a_b_c");
    EXPECT_EQ(fs::make_valid_filename(L"<>:\"|?*\\/"), L"_________");
    EXPECT_EQ(fs::make_valid_filename(L""), L"");
    EXPECT_EQ(fs::make_valid_filename(L"Глубина"), L"Глубина");
    EXPECT_EQ(fs::make_valid(L"C:\\a:b\\c?"), L"C:\\a_b\\c_");
    EXPECT_EQ(fs::make_valid(L"1:\\x"), L"1_\\x");
    EXPECT_EQ(fs::make_valid(L""), L"");
    EXPECT_TRUE(fs::is_valid(fs::make_valid(L"x:|<>*")));
    EXPECT_TRUE(fs::is_valid_file_name(fs::make_valid_filename(L"C:\\x|y")));
    EXPECT_EQ(fs::mangle_filename(L"a:b"), L"a:b");
}

TEST(PathValidate, VirtualPaths) {
    EXPECT_TRUE(fs::is_virtual(L"*mem"));
    EXPECT_FALSE(fs::is_virtual(L""));
    EXPECT_FALSE(fs::is_virtual(L"a*"));
    EXPECT_EQ(fs::from_virtual(L"*mem"), L"mem");
    EXPECT_EQ(fs::from_virtual(L"**mem"), L"*mem");
    EXPECT_EQ(fs::from_virtual(L"mem"), L"mem");
    EXPECT_EQ(fs::from_virtual(L""), L"");
    EXPECT_EQ(fs::make_virtual(L"mem"), L"*mem");
    EXPECT_EQ(fs::make_virtual(L"*mem"), L"*mem");
    EXPECT_EQ(fs::make_virtual(L""), L"*");
}
