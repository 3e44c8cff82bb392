#pragma once

#include <QWidget>

#include "platform/program_info.h"

namespace marlit {

// 關於對話框: the About box.
class 關於對話框 {
 public:
  // Shows the dialog modally, centred over owner, until 確定 closes it.
  static void 顯示(QWidget& owner, const VersionInfo& version = ProgramVersion());
};

}  // namespace marlit
