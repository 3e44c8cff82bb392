#include "platform/qt/qt_prompt.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/program_info.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// A message of more lines than this (a long list of overlap warnings) would grow the box past the
// screen and push 確定 out of reach; it is shown in a box that scrolls instead.
constexpr qsizetype kMaxBoxLines = 25;

QString ProgramTitle() { return ToQString(ProgramVersion().ProductName); }

// The width that the program's title needs in the title bar of a window manager, which draws it in
// a bold font of its own beside an icon and three buttons (and cuts what does not fit): the title
// in the wider of the program's and the system's title font, made bold, and a square of the bar's
// height for each of the icon and the buttons.
int TitleBarWidth(const QString& title) {
  int widest = 0;
  int bar = 0;
  for (QFont font : {QApplication::font(), QFontDatabase::systemFont(QFontDatabase::TitleFont)}) {
    font.setBold(true);
    const QFontMetrics metrics(font);
    widest = std::max(widest, metrics.horizontalAdvance(title));
    bar = std::max(bar, metrics.height() + 8);
  }
  return widest + 4 * bar;
}

void RunScrollingBox(QWidget* owner, const QString& text) {
  QDialog box(owner);
  box.setWindowTitle(ProgramTitle());
  auto* layout = new QVBoxLayout(&box);
  auto* view = new QPlainTextEdit(text, &box);
  view->setObjectName(QStringLiteral("messageText"));
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* ok = new QPushButton(ToQString(Translate(u"確定")), &box);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
  layout->addWidget(view);
  layout->addWidget(ok, 0, Qt::AlignHCenter);

  const QFontMetrics metrics(view->font());
  int widest = 0;
  for (const QString& line : text.split(u'\n'))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  QSize size(std::max(widest + 48, TitleBarWidth(box.windowTitle())),
             metrics.lineSpacing() * static_cast<int>(kMaxBoxLines));
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
  // The box sizes itself to its text and buttons; a row as wide as the title needs keeps it wider.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(TitleBarWidth(box.windowTitle()), 0), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  QPushButton* ok = box.addButton(ToQString(Translate(u"確定")), QMessageBox::AcceptRole);
  if (question) {
    QPushButton* cancel = box.addButton(ToQString(Translate(u"取消")), QMessageBox::RejectRole);
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
  QString s = ToQString(text);
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
