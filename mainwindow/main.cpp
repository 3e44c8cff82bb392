// Marlit: the converter window. "marlit FILE" opens FILE at start as a drop of it would, and
// says why when FILE is no regular file.

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "mainwindow/late_start.h"
#include "mainwindow/main_module.h"
#include "mainwindow/main_window.h"
#include "mainwindow/program_font.h"
#include "platform/dialog/qt_file_dialog.h"
#include "platform/keyboard/direct_input.h"
#include "platform/keyboard/foreground.h"
#include "platform/program_info.h"
#include "platform/qt/qt_beeper.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_prompt.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/x11_window_level.h"
#include "platform/standard_options.h"
#include "platform/translation.h"
#include "support/open_file.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: marlit [FILE]\n"
    "Converts between file offsets and memory addresses of a PE file (.exe, .dll, .ocx) in a\n"
    "window. FILE, when given, is opened at start as a file dropped on the window is; a file\n"
    "named --help or --version is opened by its path (./--help). Qt's own options (-display,\n"
    "-platform, ...) are taken before FILE.\n"
    "\n"
    "      --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "See marlit(1); marlit-cli(1) converts on the command line.";

}  // namespace

int main(int argc, char* argv[]) {
  const marlit::Language language = marlit::StartTranslation();
  // Answered before anything needs a display.
  if (auto status = marlit::AnswerStandardOption(argc, argv, kHelp, marlit::VersionText("marlit"),
                                                 std::cout)) {
    return *status;
  }
  QApplication app(argc, argv);
  QApplication::setFont(marlit::ProgramFont(language));
  // The icon of every window, and Qt's own texts (the file dialog, the context menus) in the
  // language of Marlit's texts: Qt's own are English, its Traditional Chinese a translation.
  QTranslator qtTexts;
  marlit::AfterFirstExposure([&qtTexts, language] {
    QApplication::setWindowIcon(marlit::ProgramIcon());
    if (language == marlit::Language::TraditionalChinese &&
        qtTexts.load(QStringLiteral("qtbase_zh_TW"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QApplication::installTranslator(&qtTexts);
    }
  });

  marlit::QtPrompt prompt;
  try {
    marlit::主模組 module;
    marlit::QtClipboard clipboard;
    marlit::QtBeeper beeper;
    auto windowLevel = marlit::MakeWindowLevel();
    marlit::QtFileDialogBackend dialogBackend;
    // The first browse starts where the user started the program, not in its installed folder; a
    // working folder that is gone leaves the choice to the dialog.
    std::error_code noWorkingFolder;
    marlit::OpenFile::Service openFile(dialogBackend,
                                       std::filesystem::current_path(noWorkingFolder));
    auto dxRoot = marlit::MakeSystemDirectX();
    auto foreground = marlit::MakeSystemForeground();
    marlit::主窗體 window(module, prompt, clipboard, beeper, *windowLevel, openFile,
                          {*dxRoot, *foreground});
    if (window.StartFailed()) return EXIT_FAILURE;
    prompt.SetOwner(&window);
    const QStringList args = QApplication::arguments();
    // A drop names the file by its full path; so does the command line's file.
    if (args.size() > 1) window.OpenFromCommandLine(QFileInfo(args.at(1)).absoluteFilePath());
    if (window.Ended()) return EXIT_FAILURE;
    return QApplication::exec();
  } catch (const std::exception& e) {
    prompt.ShowMessage(std::u16string(marlit::Translate(u"程式發生未預期的錯誤，必須結束。")) +
                       u"\r\n" + marlit::ToU16(QString::fromUtf8(e.what())));
    return EXIT_FAILURE;
  }
}
