// Opening a file in 主窗體: browsed for with 瀏覽程式名, dropped on the window, or named on the
// command line.
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include "mainwindow/file_drop.h"
#include "mainwindow/main_window.h"
#include "mainwindow/number_field.h"
#include "pe/load/loader.h"
#include "pe/load/loader_messages.h"
#include "pe/panel/program_extension.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

void 主窗體::瀏覽程式名_Click() {
  DialogBracket([this] { BrowseStep(); }, Bracket::Browse);
}

void 主窗體::BrowseStep() {
  Perl2::Variable FileName = Perl2::Variable::TextOnly();
  std::u16string FileTitle;
  bool ReadOnly = false;
  std::u16string Filter(
      Translate(u"程式檔案(*.exe;*.dll;*.ocx)|*.exe;*.dll;*.ocx|全部檔案(*.*)|*.*"));
  std::int32_t FilterIndex = 1;
  std::u16string InitialDir;
  std::int32_t Flags = 0x80000;
  const bool chosen = openFile_.ShowOpenDialog(
      FileName, FileTitle, true, false, ReadOnly, false, Filter, FilterIndex, InitialDir,
      std::u16string(Translate(u"選擇程式檔案")), u"", static_cast<std::intptr_t>(winId()), Flags);
  if (chosen) OpenProgramFile(Perl2::TextOf(FileName.Get()));
}

void 主窗體::OpenProgramFile(const std::u16string& FileName) {
  if (!HasProgramExtension(FileName) &&
      !prompt_.AskOkCancel(Translate(u"所選檔案副檔名不正確，堅持打開嗎？"))) {
    return;
  }
  const QString name = ToQString(FileName);
  const std::filesystem::path path(QFile::encodeName(name).toStdString());
  // A refused file leaves the previous table, its name and its section list as they were.
  if (!AnalyzePeFile(module_.Image, path, prompt_)) return;
  analysedPath_ = path;
  程式名->setText(name);
  ReportSections();
}

void 主窗體::AcceptFileDrops() {
  // The fields take drops of their own (the number fields dropped text); a file goes to the window.
  auto* drop =
      new FileDrop(*this, [this](const QMimeData& dropped) { return 程式名_OLEDragDrop(dropped); });
  for (QLineEdit* field :
       {static_cast<QLineEdit*>(虛偏移), static_cast<QLineEdit*>(實偏移), 代碼}) {
    drop->Watch(*field);
  }
}

Qt::DropAction 主窗體::程式名_OLEDragDrop(const QMimeData& Data) {
  UntrappedOrEnd([&] {
    // A drop without a local file (dropped text, a remote address) names nothing to open.
    if (const std::optional<QString> first = FileDrop::FirstLocalFile(Data)) OpenNamedFile(*first);
  });
  return Qt::CopyAction;
}

void 主窗體::OpenFromCommandLine(const QString& path) {
  UntrappedOrEnd([&] { OpenNamedFile(path); });
}

void 主窗體::OpenNamedFile(const QString& path) {
  // A folder or a device was asked for all the same: say why nothing opens.
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    prompt_.ShowMessage(NotRegularFileMessage(ToU16(path)));
    return;
  }
  OpenProgramFile(ToU16(path));
}

}  // namespace marlit
