#pragma once
// The system clipboard, plain text only. Every operation may fail with PlatformError, whose
// what() is the description shown to the user.

#include <optional>
#include <string>
#include <string_view>

namespace marlit {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The clipboard's text, or nothing when it holds no text (an image, or nothing at all).
  [[nodiscard]] virtual std::optional<std::u16string> ReadText() = 0;
  virtual void Clear() = 0;
  // Puts text on the clipboard as its plain-text content (an empty text included).
  virtual void WriteText(std::u16string_view text) = 0;
};

}  // namespace marlit
