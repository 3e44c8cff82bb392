#include "platform/translation.h"

#include <gtest/gtest.h>

namespace marlit {
namespace {

struct LanguageCase {
  const char* name;
  LocaleVariables variables;
  Language expected;
};

class ChooseLanguageTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(ChooseLanguageTest, AsGettextReadsTheEnvironment) {
  EXPECT_EQ(ChooseLanguage(GetParam().variables), GetParam().expected);
}

constexpr Language zh = Language::TraditionalChinese;
constexpr Language en = Language::English;

const LanguageCase kLanguageCases[] = {
    {"NothingSet", {}, zh},
    {"CLocale", {"", "", "", "C"}, zh},
    {"CUtf8Locale", {"", "", "", "C.UTF-8"}, zh},
    {"LanguageIgnoredInTheCLocale", {"en", "C", "", "en_US.UTF-8"}, zh},
    {"AnyChinese", {"", "", "", "zh_CN.GB2312"}, zh},
    {"English", {"", "", "", "en_US.UTF-8"}, en},
    {"GermanHasNoCatalogue", {"", "de_DE.UTF-8", "", ""}, en},
    {"LcAllOverLang", {"", "en_US.UTF-8", "", "zh_TW.UTF-8"}, en},
    {"LcMessagesOverLang", {"", "", "zh_TW.UTF-8", "en_US.UTF-8"}, zh},
    {"LanguageFirst", {"en", "", "", "zh_TW.UTF-8"}, en},
    {"LanguageListSkipsMissingCatalogues", {"de:fr:zh_TW:en", "", "", "en_US.UTF-8"}, zh},
    {"LanguageListWithoutCatalogueGivesWayToLocale", {"de:fr", "", "", "zh_TW.UTF-8"}, zh},
    {"EmptyEntriesInLanguage", {"::en", "", "", "zh_TW.UTF-8"}, en},
};

INSTANTIATE_TEST_SUITE_P(Variables, ChooseLanguageTest, testing::ValuesIn(kLanguageCases),
                         [](const auto& row) { return std::string(row.param.name); });

struct FillCase {
  const char* name;
  std::u16string_view sentence;
  std::u16string expected;
};

class FillInTest : public testing::TestWithParam<FillCase> {};

TEST_P(FillInTest, PutsEachValueInItsPlace) {
  EXPECT_EQ(FillIn(GetParam().sentence, {u"a.exe", u"denied"}), GetParam().expected);
}

const FillCase kFillCases[] = {
    {"InOrder", u"無法打開檔案「%1」：%2", u"無法打開檔案「a.exe」：denied"},
    {"Reordered", u"%2 while opening “%1”", u"denied while opening “a.exe”"},
    {"PlaceWithoutValue", u"%3%1", u"%3a.exe"},
    {"PercentBeforeAPlace", u"%%1", u"%a.exe"},
};

INSTANTIATE_TEST_SUITE_P(Sentences, FillInTest, testing::ValuesIn(kFillCases),
                         [](const auto& row) { return std::string(row.param.name); });

// Before StartTranslation, and in Chinese, every text is its own message id.
TEST(TranslateTest, ChineseTextsAreTheirIds) {
  ASSERT_EQ(CurrentLanguage(), Language::TraditionalChinese);
  EXPECT_EQ(Translate(u"不在段內"), u"不在段內");
  EXPECT_EQ(std::string(Translate("無法寫出說明。\n")), "無法寫出說明。\n");
}

}  // namespace
}  // namespace marlit
