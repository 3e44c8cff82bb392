#include "mainwindow/number_field.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <memory>

#include "pe/panel/key_filter.h"
#include "platform/errors.h"
#include "platform/qt/qt_text.h"

namespace marlit {

namespace {

constexpr std::int32_t kBackspace = 8;
constexpr std::int32_t kTab = 9;
constexpr std::int32_t kEnter = 13;
constexpr std::int32_t kEscape = 27;
using UseString::kLastControlCode;

// The standard menu's paste entry, by its name where Qt gives one, else by its (translated) text.
bool IsPasteAction(const QAction& action) {
  if (action.objectName() == QLatin1String("edit-paste")) return true;
  const QString paste = QCoreApplication::translate("QLineEdit", "&Paste");
  return action.text() == paste || action.text().startsWith(paste + QLatin1Char('\t'));
}

// Drags over a field: taken as a copy when the field can use what they carry.
void AcceptAsCopy(QDragMoveEvent& event, bool usable) {
  if (!usable) {
    event.ignore();
    return;
  }
  event.setDropAction(Qt::CopyAction);
  event.accept();
}

}  // namespace

std::optional<std::int32_t> KeyCodeOf(const QKeyEvent& event) {
  if (event.matches(QKeySequence::Paste) ||
      (event.key() == Qt::Key_Insert && event.modifiers() == Qt::ShiftModifier)) {
    return UseString::kPasteKey;
  }
  const auto mods = event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
  const int key = event.key();
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A &&
      key <= Qt::Key_Z) {
    return static_cast<std::int32_t>(key - Qt::Key_A + 1);
  }
  switch (key) {
    case Qt::Key_Backspace:
      return kBackspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kEnter;
    case Qt::Key_Escape:
      return kEscape;
    default:
      break;
  }
  const QString text = event.text();
  if (text.isEmpty()) return std::nullopt;
  const char16_t c = text.at(0).unicode();
  // Other control characters have no key of their own here; Delete (127) moves no character in.
  if (c < 0x20 || c == 0x7F) return std::nullopt;
  return static_cast<std::int32_t>(c);
}

NumberField::NumberField(QWidget* parent, Clipboard& clipboard, Beeper& beeper,
                         std::function<Radix()> mode,
                         std::function<void(const char*)> clipboardFailed)
    : QLineEdit(parent),
      clipboard_(clipboard),
      beeper_(beeper),
      mode_(std::move(mode)),
      clipboardFailed_(std::move(clipboardFailed)) {
  // An input method would commit characters that no key press brought to the filter.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setAcceptDrops(true);
}

int NumberField::RoomLeft() const {
  const auto used = text().size() - selectedText().size();
  return std::max(0, inputLimit_ - static_cast<int>(used));
}

void NumberField::InsertWithinLimit(const QString& text) {
  const QString fitting = text.left(RoomLeft());
  if (!fitting.isEmpty()) insert(fitting);
}

void NumberField::PasteFiltered() {
  try {
    std::int32_t code = UseString::kPasteKey;
    UseString::FilterNumericKey(code, mode_(), clipboard_, beeper_);
    if (code == 0) return;
    const auto kept = clipboard_.ReadText();
    if (kept) InsertWithinLimit(ToQString(*kept));
  } catch (const PlatformError& e) {
    clipboardFailed_(e.what());
  } catch (...) {
    // Nothing is pasted; the field keeps its text.
  }
}

void NumberField::InsertFiltered(const QString& text) {
  try {
    const std::u16string kept = UseString::KeptPasteText(ToU16(text), mode_(), beeper_);
    InsertWithinLimit(ToQString(kept));
  } catch (...) {
    // Nothing is inserted; the field keeps its text.
  }
}

void NumberField::keyPressEvent(QKeyEvent* event) {
  try {
    const auto judged = KeyCodeOf(*event);
    if (!judged) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    std::int32_t code = *judged;
    if (code == UseString::kPasteKey) {
      event->accept();
      PasteFiltered();
      return;
    }
    UseString::FilterNumericKey(code, mode_(), clipboard_, beeper_);
    if (code == 0) {
      event->accept();
      return;
    }
    if (code > kLastControlCode && event->text().size() > 1) {
      // A composed key that brings several characters: each one passes the filter.
      event->accept();
      InsertFiltered(event->text());
      return;
    }
    // A character that the filter let through is typed only while the limit leaves room for it.
    if (code > kLastControlCode && RoomLeft() < static_cast<int>(event->text().size())) {
      event->accept();
      return;
    }
    QLineEdit::keyPressEvent(event);
  } catch (...) {
    event->accept();
  }
}

void NumberField::contextMenuEvent(QContextMenuEvent* event) {
  try {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    for (QAction* action : menu->actions()) {
      // A submenu (such as the Unicode control characters) would insert what no key could type.
      if (action->menu() != nullptr) menu->removeAction(action);
      if (IsPasteAction(*action)) {
        action->disconnect();
        QObject::connect(action, &QAction::triggered, this, [this] { PasteFiltered(); });
      }
    }
    menu->exec(event->globalPos());
  } catch (...) {
  }
  event->accept();
}

void NumberField::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::MiddleButton) {
    QLineEdit::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  try {
    QClipboard* c = QGuiApplication::clipboard();
    if (c == nullptr || !c->supportsSelection() || isReadOnly()) return;
    const QString selection = c->text(QClipboard::Selection);
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    setFocus(Qt::MouseFocusReason);
    InsertFiltered(selection);
  } catch (...) {
  }
}

void NumberField::dragEnterEvent(QDragEnterEvent* event) {
  AcceptAsCopy(*event, event->mimeData()->hasText());
}

void NumberField::dragMoveEvent(QDragMoveEvent* event) {
  AcceptAsCopy(*event, event->mimeData()->hasText());
}

void NumberField::dropEvent(QDropEvent* event) {
  try {
    if (!event->mimeData()->hasText()) {
      event->ignore();
      return;
    }
    const QString dropped = event->mimeData()->text();
    // The field takes the focus, so that its change handler translates the dropped digits.
    setFocus(Qt::OtherFocusReason);
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    InsertFiltered(dropped);
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } catch (...) {
    event->ignore();
  }
}

FileNameField::FileNameField(QWidget* parent,
                             std::function<Qt::DropAction(const QMimeData&)> onDrop)
    : QLineEdit(parent), onDrop_(std::move(onDrop)) {
  setReadOnly(true);
  setAcceptDrops(true);
}

void FileNameField::dragEnterEvent(QDragEnterEvent* event) {
  AcceptAsCopy(*event, event->mimeData()->hasUrls());
}

void FileNameField::dragMoveEvent(QDragMoveEvent* event) {
  AcceptAsCopy(*event, event->mimeData()->hasUrls());
}

void FileNameField::dropEvent(QDropEvent* event) {
  event->setDropAction(onDrop_(*event->mimeData()));
  event->accept();
}

}  // namespace marlit
