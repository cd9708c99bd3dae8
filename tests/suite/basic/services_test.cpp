// The platform parts of ekx_basic: the temporary-folder option and floating-point exception control.
#include <gtest/gtest.h>

#include <filesystem>

#include "ekx_basic.h"
#include "support/host_platform.h"

namespace {

using ek::test::system_path;

// The system's temporary folder ($TMPDIR, else /tmp/; Windows: TMP, else TEMP) with a trailing
// separator, until a host sets a folder (null or "" reset); an answer lasts until the next set.
TEST(Options, TemporaryFolder) {
    const std::wstring sep(1, std::filesystem::path::preferred_separator), fallback = ek::test::default_temp_folder();
    ek::test::ScopedEnv tmp(ek::test::k_temp_variable, nullptr);
    const struct { const wchar_t *env, *set; std::wstring want; } rows[] = {
        {nullptr, nullptr, fallback}, {L"", nullptr, fallback}, {L"/var/tmp", nullptr, system_path(L"/var/tmp/")},
        {L"/var/tmp/", nullptr, system_path(L"/var/tmp/")}, {L"/tmp/Г", nullptr, system_path(L"/tmp/Г/")},
        {L"/v", L"/data/undo/", L"/data/undo/"}, {L"/v", L"/data/undo", L"/data/undo" + sep},
        {L"/v", L"C:\\temp\\", L"C:\\temp\\"}, {L"/v", L"", system_path(L"/v/")}};
    for (const auto& r : rows)
        EXPECT_EQ((tmp.set(r.env && *r.env ? system_path(r.env).c_str() : r.env), ek_options_set_temp_wpath(L"/x"),
                   ek_options_set_temp_wpath(r.set), ek_options_get_temp_wpath()), r.want)
            << testing::PrintToString(std::wstring(r.env ? r.env : L"unset"));
    ek_options_set_temp_wpath(L"/data"), tmp.set(system_path(L"/elsewhere"));
    EXPECT_EQ(ek_options_get_temp_wpath(), L"/data" + sep);  // a set folder outranks the environment
    const wchar_t* first = (ek_options_set_temp_wpath(nullptr), ek_options_get_temp_wpath());
    EXPECT_TRUE((tmp.set(system_path(L"/srv/tmp")), ek_options_get_temp_wpath() == system_path(L"/srv/tmp/")) &&
                first == system_path(L"/elsewhere/"));
}

// The state is the set of trapping exceptions; disable masks all; restore sets exactly the saved set, other bits ignored.
TEST(Fpe, DisableAndRestore) {
    using ek::test::k_fp, ek::test::trapping_fp, ek::test::trap_fp;
    const unsigned saved = trapping_fp();
    EXPECT_EQ((trap_fp(0), ek_math_fpe_get_state()), 0u);
    const unsigned state = (trap_fp(k_fp.divide_by_zero | k_fp.overflow), ek_math_fpe_get_state());
    EXPECT_TRUE(state == (k_fp.divide_by_zero | k_fp.overflow) && (ek_math_fpe_disable(), trapping_fp()) == 0);
    trap_fp(k_fp.invalid);
    for (unsigned s : {state, k_fp.divide_by_zero, 0u, ~0u}) EXPECT_EQ((ek_math_fpe_restore(s), trapping_fp()), s & k_fp.all) << s;
    trap_fp(saved);
}

}  // namespace
