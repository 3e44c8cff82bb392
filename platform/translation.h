#pragma once
// The program's texts in the user's language, through GNU gettext. The message ids are the
// Traditional Chinese texts as they stand in the code; the English catalogue translates them.
// Until StartTranslation runs, and whenever the language chosen is Traditional Chinese, a text is
// its own id.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace marlit {

enum class Language { TraditionalChinese, English };

// The variables gettext reads, as the environment gives them (empty when unset).
struct LocaleVariables {
  std::string_view language;  // LANGUAGE
  std::string_view lcAll;     // LC_ALL
  std::string_view lcMessages;
  std::string_view lang;
};

// Traditional Chinese in the C and POSIX locales, English under en_*, Traditional Chinese under
// zh_*; LANGUAGE is a list of preferences and counts only outside the C locale, as in gettext.
// A language with no catalogue gives way to the next; when none is left, English.
[[nodiscard]] Language ChooseLanguage(const LocaleVariables& variables);

// Chooses the language from the environment and makes gettext read the English catalogue when
// English is chosen, whatever the locale. The catalogues are looked for in $MARLIT_LOCALEDIR, or
// else in share/locale beside the program's bin folder (the build tree and the package alike).
Language StartTranslation();

[[nodiscard]] Language CurrentLanguage();

// The text of a message id in the language chosen. The UTF-16 form keeps its translations for
// the whole run, so the view stays valid.
[[nodiscard]] std::u16string_view Translate(std::u16string_view id);
[[nodiscard]] const char* Translate(const char* id);

// A message id that is translated wherever it is read as a text.
class Text {
 public:
  constexpr Text(const char16_t* id) : id_(id) {}  // NOLINT: a literal stands for its text
  operator std::u16string_view() const { return Translate(id_); }
  [[nodiscard]] constexpr std::u16string_view Id() const { return id_; }
  friend bool operator==(const Text& text, std::u16string_view other) {
    return std::u16string_view(text) == other;
  }

 private:
  std::u16string_view id_;
};

// The texts of the sections' list as the user reads them: the pseudo-items of the program
// ("不在段內", "檔案頭") translated, the names from the file as they are.
[[nodiscard]] std::u16string_view ShownName(std::u16string_view name);

// The one conversion between the core's UTF-16 texts and UTF-8 (gettext's catalogue, paths, the
// system's messages, the file's long names). Invalid sequences and unpaired surrogates become
// U+FFFD; a text too long for ICU raises OverflowError.
[[nodiscard]] std::u16string Utf16FromUtf8(std::string_view text);
[[nodiscard]] std::string Utf8FromUtf16(std::u16string_view text);
// None where text is not UTF-8 throughout, for the file's own texts, which are then unreadable.
[[nodiscard]] std::optional<std::u16string> StrictUtf16FromUtf8(std::string_view text);

// A whole sentence with its places %1 to %9 filled, so that a translation can reorder them.
[[nodiscard]] std::u16string FillIn(std::u16string_view sentence,
                                    std::initializer_list<std::u16string_view> values);

}  // namespace marlit
