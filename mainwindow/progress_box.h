#pragma once
// The box that shows how far a long search of the file got and lets the user stop it: the window's
// side of the search's SearchProgress.

#include <QProgressDialog>
#include <cstdint>

#include "pe/facts/references.h"

namespace marlit {

class ProgressBox final {
 public:
  // A box over owner, window-modal, that shows itself only when the search lasts; its object name
  // is 搜尋進度.
  explicit ProgressBox(QWidget& owner);

  // The search's progress, to be handed to it: moves the bar, and answers false once the user has
  // pressed 取消.
  [[nodiscard]] SearchProgress Progress();

 private:
  QProgressDialog box_;
};

}  // namespace marlit
