// String transfer: which callback a feed reaches, and how the text is converted on the way.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ekx_basic.h"

namespace {

struct Received {
    std::vector<std::string> narrow;
    std::vector<std::wstring> wide;
};

void on_narrow(const char* text, void* context) { static_cast<Received*>(context)->narrow.emplace_back(text); }
void on_wide(const wchar_t* text, void* context) { static_cast<Received*>(context)->wide.emplace_back(text); }

TEST(StringAdapter, FeedReachesCallbackOfItsOwnFormWhenBothExist) {
    Received got;
    Tek_string_adapter* adp = ek_string_adp_create(on_narrow, on_wide, &got);
    ASSERT_NE(adp, nullptr);
    ek_string_adp_feed_c(adp, "abc");
    ek_string_adp_feed(adp, L"\u0413\u043B");
    ek_string_adp_destroy(adp);
    ASSERT_EQ(got.narrow, std::vector<std::string>{"abc"});
    ASSERT_EQ(got.wide, std::vector<std::wstring>{L"\u0413\u043B"});
}

TEST(StringAdapter, WideFeedIsConvertedToCodePageForNarrowOnlyAdapter) {
    Received got;
    Tek_string_adapter* adp = ek_string_adp_create(on_narrow, nullptr, &got);
    ek_string_adp_feed(adp, L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430 1");  // "Глубина 1"
    // A character missing from Windows-1251 becomes '?'.
    ek_string_adp_feed(adp, L"a\u4E2Db");
    ek_string_adp_destroy(adp);
    ASSERT_EQ(got.narrow.size(), 2u);
    EXPECT_EQ(got.narrow[0], "\xC3\xEB\xF3\xE1\xE8\xED\xE0 1");
    EXPECT_EQ(got.narrow[1], "a?b");
    EXPECT_TRUE(got.wide.empty());
}

TEST(StringAdapter, NarrowFeedIsConvertedFromCodePageForWideOnlyAdapter) {
    Received got;
    Tek_string_adapter* adp = ek_string_adp_create(nullptr, on_wide, &got);
    ek_string_adp_feed_c(adp, "\xC3\xEB\xF3\xE1\xE8\xED\xE0");
    ek_string_adp_destroy(adp);
    ASSERT_EQ(got.wide, std::vector<std::wstring>{L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430"});
    EXPECT_TRUE(got.narrow.empty());
}

TEST(StringAdapter, NullTextIsFedAsEmptyTextExactlyOnce) {
    Received got;
    Tek_string_adapter* adp = ek_string_adp_create(on_narrow, nullptr, &got);
    ek_string_adp_feed_c(adp, nullptr);
    ek_string_adp_feed(adp, nullptr);
    ek_string_adp_destroy(adp);
    EXPECT_EQ(got.narrow, (std::vector<std::string>{"", ""}));

    Received wide_got;
    adp = ek_string_adp_create(nullptr, on_wide, &wide_got);
    ek_string_adp_feed_c(adp, nullptr);
    ek_string_adp_feed(adp, nullptr);
    ek_string_adp_destroy(adp);
    EXPECT_EQ(wide_got.wide, (std::vector<std::wstring>{L"", L""}));
}

TEST(StringAdapter, ContextIsPassedThrough) {
    struct Ctx { void* seen = nullptr; } ctx;
    Tek_string_adapter* adp =
        ek_string_adp_create([](const char*, void* c) { static_cast<Ctx*>(c)->seen = c; }, nullptr, &ctx);
    ek_string_adp_feed(adp, L"x");  // converted, then handed over with the same context
    ek_string_adp_destroy(adp);
    EXPECT_EQ(ctx.seen, &ctx);
}

TEST(StringAdapter, CallbackMayDestroyItsOwnAdapter) {
    struct Ctx { Tek_string_adapter* self; std::string got; } ctx{nullptr, {}};
    auto callback = [](const char* text, void* c) {
        Ctx* x = static_cast<Ctx*>(c);
        x->got = text;
        ek_string_adp_destroy(x->self);
    };
    ctx.self = ek_string_adp_create(callback, nullptr, &ctx);
    ek_string_adp_feed(ctx.self, L"\u0413");  // through the conversion path
    EXPECT_EQ(ctx.got, "\xC3");
    ctx.self = ek_string_adp_create(callback, nullptr, &ctx);
    ek_string_adp_feed_c(ctx.self, "direct");
    EXPECT_EQ(ctx.got, "direct");
}

TEST(StringAdapter, BadInputDoesNothing) {
    ek_string_adp_feed_c(nullptr, "x");
    ek_string_adp_feed(nullptr, L"x");
    ek_string_adp_feed_c(nullptr, nullptr);
    ek_string_adp_destroy(nullptr);
    // An adapter with no callback at all accepts feeds and drops them.
    Tek_string_adapter* adp = ek_string_adp_create(nullptr, nullptr, nullptr);
    ASSERT_NE(adp, nullptr);
    ek_string_adp_feed_c(adp, "x");
    ek_string_adp_feed(adp, L"x");
    ek_string_adp_destroy(adp);
}

TEST(StringAdapter, ThrowingCallbackDoesNotEscape) {
    Tek_string_adapter* adp = ek_string_adp_create([](const char*, void*) { throw std::runtime_error("host"); },
                                                   [](const wchar_t*, void*) { throw 7; }, nullptr);
    EXPECT_NO_THROW(ek_string_adp_feed_c(adp, "x"));
    EXPECT_NO_THROW(ek_string_adp_feed(adp, L"x"));
    ek_string_adp_destroy(adp);
}

}  // namespace
