// Marlit: the converter window. "marlit FILE" opens FILE at start as a drop of it would.

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

#include "mainwindow/main_module.h"
#include "mainwindow/main_window.h"
#include "platform/dialog/qt_file_dialog.h"
#include "platform/keyboard/direct_input.h"
#include "platform/keyboard/foreground.h"
#include "platform/program_info.h"
#include "platform/qt/qt_beeper.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_prompt.h"
#include "platform/qt/x11_window_level.h"
#include "support/open_file.h"

namespace {

// A Traditional Chinese user-interface face of 9 points, from whichever family is installed.
QFont ProgramFont() {
  QFont font;
  font.setFamilies({QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Sans CJK TC"),
                    QStringLiteral("Noto Sans TC"), QStringLiteral("Noto Serif CJK TC"),
                    QStringLiteral("AR PL UKai TW"), QStringLiteral("WenQuanYi Zen Hei"),
                    QStringLiteral("Droid Sans Fallback")});
  font.setPointSize(9);
  return font;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/marlit/marlit.svg")));
  QApplication::setFont(ProgramFont());
  // Qt's own texts (the file dialog, the context menus) in Traditional Chinese.
  QTranslator qtTexts;
  if (qtTexts.load(QStringLiteral("qtbase_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }

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
    if (args.size() > 1) window.OpenAsDropped(QFileInfo(args.at(1)).absoluteFilePath());
    if (window.Ended()) return EXIT_FAILURE;
    return QApplication::exec();
  } catch (const std::exception& e) {
    prompt.ShowMessage(u"程式發生未預期的錯誤，必須結束。\r\n" + QString::fromUtf8(e.what()).toStdU16String());
    return EXIT_FAILURE;
  }
}
