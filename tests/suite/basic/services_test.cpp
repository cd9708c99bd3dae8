// String transfer, transliteration of names, the temporary-folder option and floating-point
// exception control.
#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <stdexcept>

#include "ekx_basic.h"
#include "support/host_platform.h"

namespace {

// What an adapter's callbacks received: "c:<bytes>;" for narrow text (each byte as the character of
// its value) and "w:<text>;" for wide text.
struct Received {
    std::wstring log;
    static void narrow(const char* text, void* self) {
        std::wstring& log = static_cast<Received*>(self)->log += L"c:";
        for (const char* p = text; *p; ++p) log += wchar_t(static_cast<unsigned char>(*p));
        log += L";";
    }
    static void wide(const wchar_t* text, void* self) { static_cast<Received*>(self)->log.append(L"w:").append(text).append(L";"); }
};

// A feed reaches the callback of its own form; without one it is converted through the narrow
// encoding (UTF-8 here; a bad byte becomes U+FFFD); a null text is fed as the empty text, once.
// A callback may destroy its own adapter, also on the conversion path; throwing ones are contained.
TEST(StringAdapter, FeedsReachOneCallbackConvertedWhenNeeded) {
    const struct { bool has_narrow, has_wide; const char* narrow; const wchar_t* wide; bool feed_null; const wchar_t* want; } rows[] = {
        {true, true, "abc", L"Гл", false, L"c:abc;w:Гл;"},        {true, false, nullptr, L"Гл 1", false, L"c:\u00D0\u0093\u00D0\u00BB 1;"},
        {true, false, nullptr, L"a\u4E2Db", false, L"c:a\u00E4\u00B8\u00ADb;"}, {false, true, "\xD0\x93\xD0\xBB\xFF", nullptr, false, L"w:Гл\uFFFD;"},
        {true, false, nullptr, nullptr, true, L"c:;c:;"},         {false, true, nullptr, nullptr, true, L"w:;w:;"},
        {false, false, "x", L"x", false, L""},
    };
    for (const auto& r : rows) {
        Received got;
        Tek_string_adapter* adp = ek_string_adp_create(r.has_narrow ? Received::narrow : nullptr, r.has_wide ? Received::wide : nullptr, &got);
        ASSERT_NE(adp, nullptr);
        if (r.narrow || r.feed_null) ek_string_adp_feed_c(adp, r.narrow);
        if (r.wide || r.feed_null) ek_string_adp_feed(adp, r.wide);
        ek_string_adp_destroy(adp);
        EXPECT_EQ(got.log, r.want);
    }
    struct Self { Tek_string_adapter* adp; std::string got; } self{nullptr, {}};
    auto destroying = [](const char* text, void* c) { static_cast<Self*>(c)->got += text, ek_string_adp_destroy(static_cast<Self*>(c)->adp); };
    self.adp = ek_string_adp_create(destroying, nullptr, &self), ek_string_adp_feed(self.adp, L"Г");
    self.adp = ek_string_adp_create(destroying, nullptr, &self), ek_string_adp_feed_c(self.adp, "direct");
    EXPECT_EQ(self.got, "\xD0\x93" "direct");
    Tek_string_adapter* thrower = ek_string_adp_create([](const char*, void*) { throw std::runtime_error("host"); },
                                                       [](const wchar_t*, void*) { throw 7; }, nullptr);
    EXPECT_NO_THROW((ek_string_adp_feed_c(thrower, "x"), ek_string_adp_feed(thrower, L"x")));
    ek_string_adp_destroy(thrower), ek_string_adp_feed_c(nullptr, "x"), ek_string_adp_feed(nullptr, L"x"), ek_string_adp_destroy(nullptr);
}

// One name made of ASCII letters, digits and '_' is fed: Cyrillic letters become Latin, the signs are
// dropped, every other character (one outside the basic plane too) becomes one '_'; null is the empty text.
TEST(Translit, NamesOfLettersDigitsAndUnderscores) {
    const struct { const wchar_t *text, *want; } rows[] = {
        {L"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", L"ABVGDEEZhZIYKLMNOPRSTUFKhTsChShShchYEYuYa"},
        {L"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", L"abvgdeezhziyklmnoprstufkhtschshshchyeyuya"},
        {L"ЄєІіЇїҐґЎў Київ", L"YeyeIiYiyiGgUu_Kiyiv"}, {L"ЀЏѐџ", L"EDzhedzh"}, {L"Объём Соль", L"Obem_Sol"},
        {L"azAZ09_`{@[/:", L"azAZ09_______"}, {L"été", L"_t_"} /* accented Latin is not ASCII */,
        {L"中\U0001F600Г", L"__G"}, {L"", L""}, {nullptr, L""},
    };
    for (const auto& r : rows) {
        Received got;
        Tek_string_adapter* adp = ek_string_adp_create(nullptr, Received::wide, &got);
        ek_translit(r.text, adp), ek_string_adp_destroy(adp);
        EXPECT_EQ(got.log, L"w:" + std::wstring(r.want) + L";") << ::testing::PrintToString(std::wstring(r.text ? r.text : L"null"));
    }
    ek_translit(L"x", nullptr);
}

// $TMPDIR with a trailing separator, else /tmp/, until a host sets a folder; null or "" reset. An
// answer stays valid until the next set, even when $TMPDIR changes in between.
TEST(Options, TemporaryFolder) {
    using ek::test::system_path;
    const std::wstring sep(1, std::filesystem::path::preferred_separator), fallback = ek::test::default_temp_folder();
    ek::test::ScopedEnv tmp(ek::test::k_temp_variable, nullptr);
    const struct { const wchar_t *env, *set; std::wstring want; } rows[] = {
        {nullptr, nullptr, fallback}, {L"", nullptr, fallback}, {L"/var/tmp", nullptr, system_path(L"/var/tmp/")},
        {L"/var/tmp/", nullptr, system_path(L"/var/tmp/")}, {L"/tmp/Г", nullptr, system_path(L"/tmp/Г/")},
        {L"/v", L"/data/undo/", L"/data/undo/"}, {L"/v", L"/data/undo", L"/data/undo" + sep},
        {L"/v", L"C:\\temp\\", L"C:\\temp\\"}, {L"/v", L"", system_path(L"/v/")},
    };
    for (const auto& r : rows) {
        tmp.set(r.env && *r.env ? system_path(r.env).c_str() : r.env);
        ek_options_set_temp_wpath(L"/x"), ek_options_set_temp_wpath(r.set);
        EXPECT_EQ(ek_options_get_temp_wpath(), r.want) << testing::PrintToString(std::wstring(r.env ? r.env : L"unset"));
    }
    ek_options_set_temp_wpath(L"/data"), tmp.set(system_path(L"/elsewhere"));
    EXPECT_EQ(ek_options_get_temp_wpath(), L"/data" + sep);  // a set folder outranks the environment
    ek_options_set_temp_wpath(nullptr);
    const wchar_t* first = ek_options_get_temp_wpath();
    tmp.set(system_path(L"/srv/tmp"));
    EXPECT_TRUE(ek_options_get_temp_wpath() == system_path(L"/srv/tmp/") && first == system_path(L"/elsewhere/"));
}

// The state is the set of trapping exceptions (as the processor's mask shows it); disable masks all;
// restore reinstates exactly the saved set, bits that name no exception ignored.
TEST(Fpe, DisableAndRestore) {
    using ek::test::k_fp, ek::test::trapping_fp, ek::test::trap_fp;
    const unsigned saved = trapping_fp();
    trap_fp(0);
    EXPECT_EQ(ek_math_fpe_get_state(), 0u);
    trap_fp(k_fp.divide_by_zero | k_fp.overflow);
    const unsigned state = ek_math_fpe_get_state();
    ek_math_fpe_disable();
    EXPECT_TRUE(state == (k_fp.divide_by_zero | k_fp.overflow) && trapping_fp() == 0);
    trap_fp(k_fp.invalid);
    for (unsigned s : {state, k_fp.divide_by_zero, 0u, ~0u}) {
        ek_math_fpe_restore(s);
        EXPECT_EQ(trapping_fp(), s & k_fp.all) << s;
    }
    trap_fp(saved);
}

}  // namespace
