#include "platform/qt/qt_prompt.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/program_info.h"

namespace marlit {

namespace {

// A message of more lines than this (a long list of overlap warnings) would grow the box past the
// screen and push 確定 out of reach; it is shown in a box that scrolls instead.
constexpr qsizetype kMaxBoxLines = 25;

QString ProgramTitle() { return QString::fromStdU16String(ProgramVersion().ProductName); }

void RunScrollingBox(QWidget* owner, const QString& text) {
  QDialog box(owner);
  box.setWindowTitle(ProgramTitle());
  auto* layout = new QVBoxLayout(&box);
  auto* view = new QPlainTextEdit(text, &box);
  view->setObjectName(QStringLiteral("messageText"));
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* ok = new QPushButton(QStringLiteral("確定"), &box);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
  layout->addWidget(view);
  layout->addWidget(ok, 0, Qt::AlignHCenter);

  const QFontMetrics metrics(view->font());
  int widest = 0;
  for (const QString& line : text.split(u'\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
  QSize size(widest + 48, metrics.lineSpacing() * static_cast<int>(kMaxBoxLines));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size() * 0.8);
  }
  view->setMinimumSize(size);
  box.exec();
}

// Runs one box; true when 確定 closed it.
bool RunBox(QWidget* owner, std::u16string_view text, bool question) {
  QMessageBox box(owner);
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(ProgramTitle());
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

void QtPrompt::ShowMessage(std::u16string_view text) {
  const QString shown = MessageBoxText(text);
  if (shown.count(u'\n') >= kMaxBoxLines) {
    RunScrollingBox(owner_.data(), shown);
    return;
  }
  RunBox(owner_.data(), text, false);
}

bool QtPrompt::AskOkCancel(std::u16string_view text) { return RunBox(owner_.data(), text, true); }

}  // namespace marlit
