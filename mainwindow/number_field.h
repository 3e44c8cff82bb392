#pragma once
// The two number fields (虛偏移, 實偏移) and the file-name field (程式名): QLineEdit with every
// way of entering text routed through the key filter and the paste filter.

#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <optional>

#include "pe/panel/number_text.h"
#include "platform/beep.h"
#include "platform/clipboard.h"

class QKeyEvent;
class QMimeData;

namespace marlit {

// The key code that the key filter judges for a key press: printable characters by their UTF-16
// code, the control keys and Ctrl+letter by their control codes (Backspace 8, Tab 9, Enter 13,
// Escape 27, Ctrl+C 3, Ctrl+V 22, ...), both paste keys (Ctrl+V, Shift+Insert) as 22. Nothing
// for keys without a character (arrows, Home, Delete, function keys): they pass unfiltered.
[[nodiscard]] std::optional<std::int32_t> KeyCodeOf(const QKeyEvent& event);

class NumberField : public QLineEdit {
 public:
  // mode: the key filter's radix at the moment of the key.
  // clipboardFailed: told the description when the clipboard could not be read for a paste.
  NumberField(QWidget* parent, Clipboard& clipboard, Beeper& beeper,
              std::function<Radix()> mode,
              std::function<void(const char* description)> clipboardFailed);

  // The most characters that typing and pasting may leave in the field (8 hexadecimal, 10
  // decimal). Text that the program sets is not cut: -2147483648 shows whole.
  void SetInputLimit(int limit) { inputLimit_ = limit; }
  [[nodiscard]] int InputLimit() const { return inputLimit_; }

  // Paste from the clipboard as Ctrl+V does: through the key filter's paste path (which leaves
  // only the kept digits on the clipboard), then within the input limit.
  void PasteFiltered();
  // Inserts a text from outside (primary selection, drop) at the cursor: the characters before
  // the first refused one, within the input limit.
  void InsertFiltered(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Inserts text already filtered, replacing the selection, cut to what the limit leaves room for.
  void InsertWithinLimit(const QString& text);
  [[nodiscard]] int RoomLeft() const;

  Clipboard& clipboard_;
  Beeper& beeper_;
  std::function<Radix()> mode_;
  std::function<void(const char*)> clipboardFailed_;
  int inputLimit_ = 8;
};

// 程式名: read-only, a drop target for files. The drop handler receives the dropped data and
// answers the drop action given back to the source.
class FileNameField : public QLineEdit {
 public:
  FileNameField(QWidget* parent, std::function<Qt::DropAction(const QMimeData&)> onDrop);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::function<Qt::DropAction(const QMimeData&)> onDrop_;
};

}  // namespace marlit
