// 主窗體 and the clipboard: 至剪貼簿 sends each new 代碼 there, and a failing clipboard says why.
#include <QLineEdit>
#include <QPushButton>

#include "mainwindow/handler_steps.h"
#include "mainwindow/main_window.h"
#include "platform/translation.h"

namespace marlit {

void 主窗體::至剪貼簿_Click() {
  Skipping([this] { 代碼->setFocus(); });
}

void 主窗體::ShowClipboardError(const char* description) {
  Skipping([&] {
    prompt_.ShowMessage(std::u16string(Translate(u"剪貼簿操作出錯：")) +
                        ErrorDescription(description));
  });
}

void 主窗體::代碼_Change() {
  std::string failure;
  bool failed = false;
  auto step = [&](auto&& run) {
    try {
      run();
    } catch (const std::exception& e) {
      failed = true;
      failure = e.what();
    } catch (...) {
      failed = true;
      failure.clear();
    }
  };
  bool copy = false;
  std::u16string text;
  step([&] {
    text = ToU16(代碼->text());
    copy = !text.empty() && 至剪貼簿->isChecked();
  });
  if (copy) {
    step([&] { clipboard_.Clear(); });
    step([&] { clipboard_.WriteText(text); });
  }
  if (failed) ShowClipboardError(failure.c_str());
}

}  // namespace marlit
