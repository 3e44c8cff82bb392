// The face of the windows' texts in each language, at the seed's size.
#include "mainwindow/program_font.h"

#include <gtest/gtest.h>

#include <QFontInfo>

namespace marlit::test {
namespace {

struct FontCase {
  const char* name;
  Language language;
  // The face the texts are drawn in; empty: the desktop's user-interface face.
  const char* face;
};

class ProgramFontTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(ProgramFontTest, DrawsTheLanguageInItsFaceAtNinePoints) {
  const FontCase& c = GetParam();
  const QFont font = ProgramFont(c.language);
  const QString desktop = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
  const QString face = *c.face == '\0' ? desktop : QString::fromUtf8(c.face);
  EXPECT_EQ(QFontInfo(font).family(), face) << "the desktop's face: " << desktop.toStdString();
  EXPECT_EQ(font.pointSize(), 9);
}

INSTANTIATE_TEST_SUITE_P(Languages, ProgramFontTest,
                         ::testing::Values(FontCase{"Chinese", Language::TraditionalChinese,
                                                    "AR PL UMing TW"},
                                           FontCase{"English", Language::English, ""}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace marlit::test
