#pragma once

#include <QWidget>

#include "pe/view/pe_image.h"
#include "platform/prompt.h"

namespace marlit {

// 選擇區段: the section selection dialog, built afresh for every showing.
class 選擇區段 {
 public:
  // Shows the dialog modally over owner; true when the user pressed 確定, which put the view and
  // the load address chosen in force, then wrote every Included flag and OmitImageBase. A load
  // address that a record cannot take is refused through prompt, and the dialog stays open. No
  // file analysed yet: nothing is shown and the answer is false.
  [[nodiscard]] static bool 選擇(QWidget& owner, PeImage& image, Prompt& prompt);
};

}  // namespace marlit
