// The temporary-folder option: system default, explicit setting and reset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "ekx_basic.h"

namespace {

// Restores TMPDIR and the option after each test so the order of tests does not matter.
class TempPathOption : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* v = std::getenv("TMPDIR")) saved_ = v;
    }
    void TearDown() override {
        if (saved_) setenv("TMPDIR", saved_->c_str(), 1); else unsetenv("TMPDIR");
        ek_options_set_temp_wpath(nullptr);
    }
    std::optional<std::string> saved_;
};

TEST_F(TempPathOption, DefaultIsTmpWhenTmpdirIsUnsetOrEmpty) {
    unsetenv("TMPDIR");
    ek_options_set_temp_wpath(nullptr);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/tmp/");
    setenv("TMPDIR", "", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/tmp/");
}

TEST_F(TempPathOption, DefaultFollowsTmpdirWithTrailingSeparator) {
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/var/tmp/");
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/var/tmp/");
    // The environment is UTF-8; the option is wide.
    setenv("TMPDIR", "/tmp/\xD0\x93", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/tmp/\u0413/");
}

TEST_F(TempPathOption, SetOverridesTheEnvironmentUntilReset) {
    setenv("TMPDIR", "/var/tmp", 1);
    ek_options_set_temp_wpath(L"/data/undo/");
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/data/undo/");
    setenv("TMPDIR", "/elsewhere", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/data/undo/");
    ek_options_set_temp_wpath(L"");
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/elsewhere/");
    ek_options_set_temp_wpath(L"/x");
    ek_options_set_temp_wpath(nullptr);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/elsewhere/");
}

TEST_F(TempPathOption, SetFolderGetsASeparatorWhenMissing) {
    ek_options_set_temp_wpath(L"/data/undo");
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/data/undo/");
    ek_options_set_temp_wpath(L"C:\\temp\\");
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"C:\\temp\\");
}

TEST_F(TempPathOption, AnswerStaysValidUntilTheNextSet) {
    setenv("TMPDIR", "/var/tmp", 1);
    const wchar_t* first = ek_options_get_temp_wpath();
    EXPECT_EQ(ek_options_get_temp_wpath(), first);
    // The environment changes: a new answer, and the old one still reads as it did.
    setenv("TMPDIR", "/srv/tmp", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/srv/tmp/");
    EXPECT_STREQ(first, L"/var/tmp/");
}

}  // namespace
