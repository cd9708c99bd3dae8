// The platform parts of ekx_basic on POSIX systems: the temporary-folder option and floating-point exception control.
#include <gtest/gtest.h>

#include <cfenv>
#include <cwchar>

#include "ekx_basic.h"

namespace {

// $TMPDIR with a trailing separator, else /tmp/, until a host sets a folder (null or "" reset); an answer lasts until the next set.
TEST(Options, TemporaryFolder) {
    const char* env = std::getenv("TMPDIR");
    const std::string saved = env ? env : "";
    const struct { const char* env; const wchar_t *set, *want; } rows[] = {
        {nullptr, nullptr, L"/tmp/"},         {"", nullptr, L"/tmp/"},                  {"/var/tmp", nullptr, L"/var/tmp/"},
        {"/var/tmp/", nullptr, L"/var/tmp/"}, {"/tmp/\xD0\x93", nullptr, L"/tmp/Г/"},   {"/v", L"/data/undo/", L"/data/undo/"},
        {"/v", L"/data/undo", L"/data/undo/"}, {"/v", L"C:\\temp\\", L"C:\\temp\\"}, {"/v", L"", L"/v/"}};
    for (const auto& r : rows)
        EXPECT_STREQ((r.env ? setenv("TMPDIR", r.env, 1) : unsetenv("TMPDIR"), ek_options_set_temp_wpath(L"/x"), ek_options_set_temp_wpath(r.set),
                      ek_options_get_temp_wpath()), r.want) << (r.env ? r.env : "unset");
    ek_options_set_temp_wpath(L"/data"), setenv("TMPDIR", "/elsewhere", 1);
    EXPECT_STREQ(ek_options_get_temp_wpath(), L"/data/");  // a set folder outranks the environment
    const wchar_t* first = (ek_options_set_temp_wpath(nullptr), ek_options_get_temp_wpath());
    EXPECT_TRUE((setenv("TMPDIR", "/srv/tmp", 1), !wcscmp(ek_options_get_temp_wpath(), L"/srv/tmp/")) && !wcscmp(first, L"/elsewhere/"));
    env ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR");
}

// The state is the set of trapping exceptions; disable masks all; restore sets exactly the saved set, other bits ignored.
TEST(Fpe, DisableAndRestore) {
    const int saved = fegetexcept();
    EXPECT_EQ((fedisableexcept(FE_ALL_EXCEPT), ek_math_fpe_get_state()), 0u);
    const unsigned state = (feenableexcept(FE_DIVBYZERO | FE_OVERFLOW), ek_math_fpe_get_state());
    EXPECT_TRUE(state == unsigned(FE_DIVBYZERO | FE_OVERFLOW) && (ek_math_fpe_disable(), fegetexcept()) == 0);
    feenableexcept(FE_INVALID);
    for (unsigned s : {state, unsigned(FE_DIVBYZERO), 0u, ~0u}) EXPECT_EQ((ek_math_fpe_restore(s), fegetexcept()), int(s & FE_ALL_EXCEPT)) << s;
    fedisableexcept(FE_ALL_EXCEPT);
    if (saved > 0) feenableexcept(saved);
}

}  // namespace
