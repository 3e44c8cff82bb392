#pragma once
// The font of Marlit's windows, shared with the reference window of the start-up benchmark so that
// both lay out the same Chinese texts in the same face.

#include <QFont>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include "platform/translation.h"

namespace marlit {

// The seed's size, in points, of every text of the windows.
constexpr int kProgramFontPoints = 9;

// For Chinese, a Traditional Chinese user-interface face from whichever family is installed. For
// English, the desktop's user-interface face: the Chinese faces draw Latin letters as a
// typewriter would. Needs the application object.
[[nodiscard]] inline QFont ProgramFont(Language language = CurrentLanguage()) {
  QFont font;
  if (language == Language::English) {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  } else {
    font.setFamilies(
        QStringList{QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Sans CJK TC"),
                    QStringLiteral("Noto Sans TC"), QStringLiteral("Noto Serif CJK TC"),
                    QStringLiteral("AR PL UKai TW"), QStringLiteral("WenQuanYi Zen Hei"),
                    QStringLiteral("Droid Sans Fallback")});
  }
  font.setPointSize(kProgramFontPoints);
  return font;
}

}  // namespace marlit
