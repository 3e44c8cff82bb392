#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/prompt.h"

namespace marlit {

// Message boxes with the program's title, no icon and the buttons "確定" and "取消", wide enough
// for a window manager to show the whole title.
class QtPrompt : public Prompt {
 public:
  // The boxes are centred over owner while it exists (the main window sets itself once built).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  void ShowMessage(std::u16string_view text) override;
  [[nodiscard]] bool AskOkCancel(std::u16string_view text) override;

 private:
  QPointer<QWidget> owner_;
};

// The message text as a box shows it: CR LF line ends become line breaks.
[[nodiscard]] QString MessageBoxText(std::u16string_view text);

}  // namespace marlit
