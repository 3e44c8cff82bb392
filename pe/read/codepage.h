#pragma once
// Byte texts into UTF-16: section names in code page 950, paths and system messages in UTF-8.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct UConverter;

namespace marlit {

// Decodes bytes in code page 950, the Traditional Chinese system code page. Bytes that form no
// character are replaced, never dropped. Raises PlatformError when ICU has no such converter.
class Cp950Decoder {
 public:
  Cp950Decoder();
  ~Cp950Decoder();
  Cp950Decoder(const Cp950Decoder&) = delete;
  Cp950Decoder& operator=(const Cp950Decoder&) = delete;

  [[nodiscard]] std::u16string Decode(std::span<const std::uint8_t> bytes) const;

 private:
  UConverter* converter_;
};

// UTF-8 into UTF-16; invalid sequences become U+FFFD.
[[nodiscard]] std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace marlit
