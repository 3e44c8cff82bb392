#include "platform/translation.h"

#include <libintl.h>
#include <unicode/ustring.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace marlit {

namespace {

constexpr const char* kDomain = "marlit";

Language chosen = Language::TraditionalChinese;

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view{} : std::string_view{value};
}

// "en_US.UTF-8@euro" -> "en".
std::string_view LanguageCode(std::string_view locale) {
  return locale.substr(0, locale.find_first_of("_.@"));
}

bool IsCLocale(std::string_view locale) {
  return locale.empty() || locale == "POSIX" || LanguageCode(locale) == "C";
}

std::optional<Language> CatalogueFor(std::string_view locale) {
  const std::string_view code = LanguageCode(locale);
  if (code == "zh") return Language::TraditionalChinese;
  if (code == "en") return Language::English;
  return std::nullopt;
}

std::filesystem::path CatalogueFolder() {
  if (const std::string_view folder = Variable("MARLIT_LOCALEDIR"); !folder.empty()) {
    return std::filesystem::path(folder);
  }
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return program.parent_path().parent_path() / "share" / "locale";
}

std::string Utf8(std::u16string_view text) {
  std::string utf8(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, text.data(),
              static_cast<int32_t>(text.size()), &status);
  utf8.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
  return utf8;
}

std::u16string Utf16(std::string_view utf8) {
  std::u16string text(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(text.data(), static_cast<int32_t>(text.size()), &length, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  text.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
  return text;
}

}  // namespace

Language ChooseLanguage(const LocaleVariables& variables) {
  std::string_view locale = variables.lcAll;
  if (locale.empty()) locale = variables.lcMessages;
  if (locale.empty()) locale = variables.lang;
  if (IsCLocale(locale)) return Language::TraditionalChinese;
  std::string_view preferences = variables.language;
  while (!preferences.empty()) {
    const std::size_t colon = preferences.find(':');
    if (auto language = CatalogueFor(preferences.substr(0, colon))) return *language;
    preferences =
        colon == std::string_view::npos ? std::string_view{} : preferences.substr(colon + 1);
  }
  return CatalogueFor(locale).value_or(Language::English);
}

Language StartTranslation() {
  chosen = ChooseLanguage(
      {Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG")});
  if (chosen != Language::English) return chosen;
  // gettext reads LANGUAGE only outside the C locale: a locale that is not installed leaves the
  // messages in C, where the UTF-8 C locale stands in.
  ::setenv("LANGUAGE", "en", 1);
  const char* messages = std::setlocale(LC_MESSAGES, "");
  if (messages == nullptr || IsCLocale(messages)) std::setlocale(LC_MESSAGES, "C.UTF-8");
  ::bindtextdomain(kDomain, CatalogueFolder().c_str());
  ::bind_textdomain_codeset(kDomain, "UTF-8");
  return chosen;
}

Language CurrentLanguage() { return chosen; }

const char* Translate(const char* id) {
  if (chosen != Language::English || *id == '\0') return id;
  return ::dgettext(kDomain, id);
}

std::u16string_view Translate(std::u16string_view id) {
  if (chosen != Language::English || id.empty()) return id;
  static std::mutex guard;
  static std::unordered_map<std::u16string, std::u16string> translations;
  const std::lock_guard lock(guard);
  auto [at, added] = translations.try_emplace(std::u16string(id));
  if (added) at->second = Utf16(Translate(Utf8(id).c_str()));
  return at->second;
}

std::u16string_view ShownName(std::u16string_view name) {
  if (name == u"不在段內" || name == u"檔案頭") return Translate(name);
  return name;
}

std::u16string FillIn(std::u16string_view sentence,
                      std::initializer_list<std::u16string_view> values) {
  std::u16string text;
  for (std::size_t i = 0; i < sentence.size(); ++i) {
    const char16_t c = sentence[i];
    if (c == u'%' && i + 1 < sentence.size() && sentence[i + 1] >= u'1' &&
        sentence[i + 1] <= u'9') {
      const auto place = static_cast<std::size_t>(sentence[i + 1] - u'1');
      if (place < values.size()) {
        text += values.begin()[place];
        ++i;
        continue;
      }
    }
    text += c;
  }
  return text;
}

}  // namespace marlit
