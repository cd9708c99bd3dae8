// Transliteration of names: Cyrillic to Latin, everything else not allowed to '_'.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ekx_basic.h"

namespace {

void collect(const wchar_t* text, void* context) { static_cast<std::vector<std::wstring>*>(context)->push_back(text); }

// Everything fed for one call.
std::vector<std::wstring> fed(const wchar_t* text) {
    std::vector<std::wstring> got;
    Tek_string_adapter* adp = ek_string_adp_create(nullptr, collect, &got);
    ek_translit(text, adp);
    ek_string_adp_destroy(adp);
    return got;
}

std::wstring translit(const wchar_t* text) {
    const std::vector<std::wstring> got = fed(text);
    EXPECT_EQ(got.size(), 1u) << "exactly one name is fed";
    return got.empty() ? L"<nothing>" : got[0];
}

TEST(Translit, RussianAlphabetUpperAndLower) {
    EXPECT_EQ(translit(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430"), L"Glubina");  // Глубина
    EXPECT_EQ(translit(L"\u0410\u0411\u0412\u0413\u0414\u0415\u0401\u0416\u0417\u0418\u0419\u041A\u041B\u041C\u041D\u041E"
                       L"\u041F\u0420\u0421\u0422\u0423\u0424\u0425\u0426\u0427\u0428\u0429\u042A\u042B\u042C\u042D\u042E\u042F"),
              L"ABVGDEEZhZIYKLMNOPRSTUFKhTsChShShchYEYuYa");
    EXPECT_EQ(translit(L"\u0430\u0431\u0432\u0433\u0434\u0435\u0451\u0436\u0437\u0438\u0439\u043A\u043B\u043C\u043D\u043E"
                       L"\u043F\u0440\u0441\u0442\u0443\u0444\u0445\u0446\u0447\u0448\u0449\u044A\u044B\u044C\u044D\u044E\u044F"),
              L"abvgdeezhziyklmnoprstufkhtschshshchyeyuya");
}

TEST(Translit, SignsAreDroppedAndMultiLetterSoundsKeepCase) {
    EXPECT_EQ(translit(L"\u041E\u0431\u044A\u0451\u043C"), L"Obem");         // Объём
    EXPECT_EQ(translit(L"\u0421\u043E\u043B\u044C"), L"Sol");                // Соль
    EXPECT_EQ(translit(L"\u0429\u0443\u043A\u0430"), L"Shchuka");            // Щука
    EXPECT_EQ(translit(L"\u042E\u0433"), L"Yug");                            // Юг
    EXPECT_EQ(translit(L"\u044C"), L"");                                     // a lone soft sign
}

TEST(Translit, UkrainianAndBelarusianLetters) {
    EXPECT_EQ(translit(L"\u0404\u0454\u0406\u0456\u0407\u0457\u0490\u0491\u040E\u045E"), L"YeyeIiYiyiGgUu");
    EXPECT_EQ(translit(L"\u041A\u0438\u0457\u0432"), L"Kiyiv");  // Київ
}

TEST(Translit, AllowedCharactersPassUnchanged) {
    EXPECT_EQ(translit(L"Depth_2024"), L"Depth_2024");
    EXPECT_EQ(translit(L"_"), L"_");
    EXPECT_EQ(translit(L"9lives"), L"9lives");
}

TEST(Translit, EveryOtherCharacterBecomesOneUnderscore) {
    EXPECT_EQ(translit(L"a b-c.d"), L"a_b_c_d");
    EXPECT_EQ(translit(L"\u00E9t\u00E9"), L"_t_");           // Latin letters with accents are not ASCII
    EXPECT_EQ(translit(L"\u4E2D\u0413"), L"_G");
    EXPECT_EQ(translit(L"x\U0001F600y"), L"x_y");            // one character outside the basic plane
    EXPECT_EQ(translit(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430 (m)"), L"Glubina__m_");
}

TEST(Translit, ResultAlwaysPassesTheNameRule) {
    std::wstring all;
    for (wchar_t c = 1; c < 0x500; ++c) all.push_back(c);
    const std::wstring name = translit(all.c_str());
    for (wchar_t c : name) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
        ASSERT_TRUE(ok) << "character " << static_cast<int>(c);
    }
}

TEST(Translit, EmptyOrNullTextFeedsTheEmptyName) {
    EXPECT_EQ(translit(L""), L"");
    EXPECT_EQ(translit(nullptr), L"");
}

TEST(Translit, NarrowAdapterReceivesTheNameToo) {
    std::vector<std::string> got;
    Tek_string_adapter* adp = ek_string_adp_create(
        [](const char* t, void* c) { static_cast<std::vector<std::string>*>(c)->push_back(t); }, nullptr, &got);
    ek_translit(L"\u0413\u043B\u0443\u0431\u0438\u043D\u0430", adp);
    ek_string_adp_destroy(adp);
    EXPECT_EQ(got, std::vector<std::string>{"Glubina"});
}

TEST(Translit, NullAdapterDoesNothing) { ek_translit(L"x", nullptr); }

}  // namespace
