// The dialogs that 主窗體's buttons open (選擇, 關於), in the bracket that pauses the hot-key and
// takes the window out of the topmost band while they are open; and 頂端, which sets that band.
#include <QLineEdit>
#include <QPushButton>

#include "mainwindow/handler_steps.h"
#include "mainwindow/main_window.h"

namespace marlit {

void 主窗體::設置窗體層次(const bool& 取消頂層) {
  windowLevel_.SetTopmost(static_cast<std::uintptr_t>(winId()), !取消頂層);
}

void 主窗體::頂端_Click() {
  Skipping([this] { 代碼->setFocus(); });
  Skipping([this] {
    const bool 取消頂層 = !頂端->isChecked();
    設置窗體層次(取消頂層);
  });
}

void 主窗體::DialogBracket(const std::function<void()>& dialogStep, Bracket kind) {
  const bool browse = kind == Bracket::Browse;
  auto run = [browse](const std::function<void()>& step) {
    if (browse) {
      step();
    } else {
      Skipping(step);
    }
  };
  dialogOpen_ = true;
  run([this] { module_.HotKeyEnabled = false; });
  if (!browse) run([this] { 代碼->setFocus(); });
  run([this] {
    if (頂端->isChecked()) 設置窗體層次(true);
  });
  run(dialogStep);
  run([this] {
    if (頂端->isChecked()) 設置窗體層次(false);
  });
  dialogOpen_ = false;
  module_.HotKeyEnabled = true;
}

void 主窗體::選擇區段訊息_Click() {
  DialogBracket([this] {
    const bool r = hooks_.選擇區段(*this, module_.Image, prompt_);
    if (r) ReportSections();
  });
}

void 主窗體::關於_Click() {
  DialogBracket([this] { hooks_.關於(*this); });
}

}  // namespace marlit
