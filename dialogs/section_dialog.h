#pragma once

#include <QWidget>

#include "pe/pe_image.h"

namespace marlit {

// 選擇區段: the section selection dialog, built afresh for every showing.
class 選擇區段 {
 public:
  // Shows the dialog modally over owner; true when the user pressed 確定, which wrote every
  // Included flag and OmitImageBase. No file analysed yet: nothing is shown and the answer is false.
  [[nodiscard]] static bool 選擇(QWidget& owner, PeImage& image);
};

}  // namespace marlit
