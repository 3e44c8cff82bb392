#pragma once
// Message boxes of the program: plain messages with the single button OK, and questions with
// OK and Cancel where Cancel is the default button. Both carry the program's title and no icon.

#include <string_view>

namespace marlit {

class Prompt {
 public:
  virtual ~Prompt() = default;
  virtual void ShowMessage(std::u16string_view text) = 0;
  // True when the user chose OK; Cancel, closing the box or any failure is false.
  [[nodiscard]] virtual bool AskOkCancel(std::u16string_view text) = 0;
};

}  // namespace marlit
