#include <gtest/gtest.h>

#include <QApplication>

#include "mainwindow/program_font.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The face the program sets, so that the window is laid out as the user sees it.
  QApplication::setFont(marlit::ProgramFont(marlit::Language::TraditionalChinese));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
