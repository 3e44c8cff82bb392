#pragma once
// Byte texts in code page 950 into UTF-16: section names and export names. UTF-8 has its one
// conversion in platform/translation.h.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

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

}  // namespace marlit
