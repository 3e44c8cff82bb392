#pragma once
// The font of Marlit's windows, shared with the reference window of the start-up benchmark so that
// both lay out the same Chinese texts in the same face.

#include <QFont>
#include <QString>

namespace marlit {

// A Traditional Chinese user-interface face of 9 points, from whichever family is installed.
[[nodiscard]] inline QFont ProgramFont() {
  QFont font;
  font.setFamilies({QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Sans CJK TC"),
                    QStringLiteral("Noto Sans TC"), QStringLiteral("Noto Serif CJK TC"),
                    QStringLiteral("AR PL UKai TW"), QStringLiteral("WenQuanYi Zen Hei"),
                    QStringLiteral("Droid Sans Fallback")});
  font.setPointSize(9);
  return font;
}

}  // namespace marlit
