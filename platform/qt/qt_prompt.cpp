#include "platform/qt/qt_prompt.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/program_info.h"

namespace marlit {

namespace {

// Runs one box; true when 確定 closed it.
bool RunBox(QWidget* owner, std::u16string_view text, bool question) {
  QMessageBox box(owner);
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(QString::fromStdU16String(ProgramVersion().ProductName));
  box.setTextFormat(Qt::PlainText);
  box.setText(MessageBoxText(text));
  QPushButton* ok = box.addButton(QStringLiteral("確定"), QMessageBox::AcceptRole);
  if (question) {
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
  } else {
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
  }
  box.exec();
  return box.clickedButton() == ok;
}

}  // namespace

QString MessageBoxText(std::u16string_view text) {
  QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

void QtPrompt::ShowMessage(std::u16string_view text) { RunBox(owner_.data(), text, false); }

bool QtPrompt::AskOkCancel(std::u16string_view text) { return RunBox(owner_.data(), text, true); }

}  // namespace marlit
