// The window in English: every text translated, and each one as wide as its control lets it be,
// with no control running into the next.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "dialogs/text_fit.h"
#include "mainwindow/program_font.h"
#include "platform/translation.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

bool HasChineseCharacter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x2E80) return true;
  }
  return false;
}

QString TextOf(const QWidget& control) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
  if (const auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
  return {};
}

// Every text in English and whole in its control, the file field's hint included.
TEST(EnglishWindowTest, EveryTextIsEnglishAndFitsItsControl) {
  WindowBed bed;
  EXPECT_TRUE(bed.window->windowTitle().startsWith(QStringLiteral("Vesko Offset Converter 0.94 B")))
      << bed.window->windowTitle().toStdString();
  EXPECT_EQ(bed.Items(), QStringList{QStringLiteral("No section")});
  EXPECT_EQ(TextOf(*bed.Get<QWidget>("至剪貼簿")), QStringLiteral("To clipboard"));
  const auto* file = bed.Get<QLineEdit>("程式名");
  EXPECT_EQ(file->placeholderText(),
            QStringLiteral("Drop an .exe, .dll or .ocx file here or click “…”"));
  EXPECT_LE(file->fontMetrics().horizontalAdvance(file->placeholderText()) + 12, file->width());
  // The longest numbers of a 32-bit image show whole: ten decimal digits, four bytes of 代碼.
  for (const auto& [name, longest] :
       {std::pair{"虛偏移", "4294967295"}, {"實偏移", "2147483647"}, {"代碼", "DDDDDDDD"}}) {
    const QLineEdit* f = bed.Field(name);
    EXPECT_LT(f->fontMetrics().horizontalAdvance(QString::fromUtf8(longest)),
              f->contentsRect().width())
        << name;
  }
  for (const QWidget* w : bed.window->findChildren<QWidget*>()) {
    const std::string name = w->objectName().toStdString();
    EXPECT_FALSE(HasChineseCharacter(TextOf(*w))) << name;
    if (!TextOf(*w).isEmpty()) {
      EXPECT_LE(TextWidth(*w), w->width()) << name;
    }
  }
}

}  // namespace
}  // namespace marlit::test

int main(int argc, char* argv[]) {
  ::setenv("LANGUAGE", "en", 1);
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  ::setenv("MARLIT_LOCALEDIR", MARLIT_LOCALEDIR, 1);
  marlit::StartTranslation();
  QApplication app(argc, argv);
  QApplication::setFont(marlit::ProgramFont(marlit::Language::English));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
