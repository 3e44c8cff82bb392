#include "platform/translation.h"

#include <libintl.h>
#include <unicode/ustring.h>
#include <unicode/utf.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "platform/errors.h"

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

constexpr UChar32 kReplacement = 0xFFFD;

// ICU counts in 32 bits: a text of length units, each of which gives at most grow units.
void CheckLength(std::size_t length, std::size_t grow) {
  if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) / grow - 1) {
    throw OverflowError("text too long to convert");
  }
}

// Puts substitute in place of an invalid sequence; fails on one when substitute is U_SENTINEL.
std::optional<std::u16string> FromUtf8(std::string_view text, UChar32 substitute) {
  if (text.empty()) return std::u16string();
  // A UTF-8 byte never gives more than one UTF-16 unit.
  CheckLength(text.size(), 1);
  std::u16string out(text.size() + 1, u'\0');
  std::int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), static_cast<std::int32_t>(out.size()), &length, text.data(),
                       static_cast<std::int32_t>(text.size()), substitute, nullptr, &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<std::size_t>(length));
  return out;
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
  if (added) at->second = Utf16FromUtf8(Translate(Utf8FromUtf16(id).c_str()));
  return at->second;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  return FromUtf8(text, kReplacement).value_or(std::u16string(1, char16_t{kReplacement}));
}

std::optional<std::u16string> StrictUtf16FromUtf8(std::string_view text) {
  return FromUtf8(text, U_SENTINEL);
}

std::string Utf8FromUtf16(std::u16string_view text) {
  if (text.empty()) return {};
  // A UTF-16 unit never gives more than three UTF-8 bytes.
  CheckLength(text.size(), 3);
  std::string out(3 * text.size(), '\0');
  std::int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<std::int32_t>(out.size()), &length, text.data(),
                     static_cast<std::int32_t>(text.size()), kReplacement, nullptr, &status);
  out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
  return out;
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
