// Shows one dialog over a plain window for a few seconds, to look at the layout:
//   dialog_preview section|about [seconds [hexadecimal image base | PE file]]
#include <QApplication>
#include <QFont>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <string>

#include "dialogs/about_dialog.h"
#include "dialogs/section_dialog.h"
#include "pe/load/loader.h"
#include "platform/qt/qt_prompt.h"
#include "platform/translation.h"

int main(int argc, char** argv) {
  // In the language of the environment, as the program shows them.
  marlit::StartTranslation();
  QApplication app(argc, argv);
  QFont chinese(QStringLiteral("AR PL UMing TW"));
  chinese.setPointSizeF(9);
  QApplication::setFont(chinese);
  const bool about = argc > 1 && std::strcmp(argv[1], "about") == 0;
  const int seconds = argc > 2 ? std::stoi(argv[2]) : 4;

  QWidget owner;
  owner.setWindowTitle(QStringLiteral("Vesko偏移量轉換器 0.94B 版"));
  owner.setFixedSize(384, 95);
  owner.move(400, 300);
  owner.show();

  QTimer::singleShot(seconds * 1000, [] {
    if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  });
  QTimer::singleShot(300, [&] {
    if (about) {
      marlit::關於對話框::顯示(owner);
    } else if (argc > 3 && std::strchr(argv[3], '/') != nullptr) {
      marlit::QtPrompt prompt;
      marlit::PeImage image;
      if (marlit::AnalyzePeFile(image, argv[3], prompt)) {
        (void)marlit::選擇區段::選擇(owner, image, prompt);
      }
    } else {
      marlit::QtPrompt prompt;
      marlit::PeImage image;
      image.ImageBase =
          argc > 3 ? static_cast<std::int32_t>(std::stoul(argv[3], nullptr, 16)) : 0x68CC0000;
      const char16_t* names[] = {u"檔案頭", u".text", u".rdata", u".data", u".rsrc",
                                 u".reloc", u".tls",  u"UPX0",   u"UPX1"};
      std::int32_t at = 0;
      for (const char16_t* name : names) {
        image.Sections.push_back(marlit::SectionRecord{name, 0x400000 + at, 0x401000 + at, at,
                                                       at + 0x200, 0, 0, at != 0x600});
        at += 0x200;
      }
      image.SectionCount = static_cast<std::int16_t>(image.Sections.size());
      (void)marlit::選擇區段::選擇(owner, image, prompt);
    }
    QApplication::quit();
  });
  return QApplication::exec();
}
