#pragma once

#include "platform/clipboard.h"

namespace marlit {

// The system clipboard through Qt (on X11 the CLIPBOARD selection).
class QtClipboard : public Clipboard {
 public:
  [[nodiscard]] std::optional<std::u16string> ReadText() override;
  void Clear() override;
  // Reads the text back, so that a clipboard that did not take it is reported.
  void WriteText(std::u16string_view text) override;
};

}  // namespace marlit
