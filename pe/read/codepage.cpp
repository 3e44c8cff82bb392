#include "pe/read/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/utypes.h>

#include <iterator>
#include <limits>
#include <string>

#include "platform/errors.h"

namespace marlit {

Cp950Decoder::Cp950Decoder() {
  UErrorCode status = U_ZERO_ERROR;
  converter_ = ucnv_open("windows-950", &status);
  if (U_FAILURE(status) || converter_ == nullptr) {
    throw PlatformError(std::string("code page 950 converter: ") + u_errorName(status));
  }
}

Cp950Decoder::~Cp950Decoder() { ucnv_close(converter_); }

std::u16string Cp950Decoder::Decode(std::span<const std::uint8_t> bytes) const {
  if (bytes.empty()) return {};
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2)) {
    throw OverflowError("text too long to decode");
  }
  // Code page 950 gives at most one UTF-16 unit a byte; room for two keeps any substitution safe.
  // Section names are 8 bytes: they are decoded on the stack, a table of thousands allocates less.
  constexpr std::size_t kSmall = 32;
  char16_t small[2 * kSmall + 1];
  std::u16string large;
  char16_t* out = small;
  std::size_t capacity = std::size(small);
  if (bytes.size() > kSmall) {
    large.resize(2 * bytes.size() + 1);
    out = large.data();
    capacity = large.size();
  }
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t length = ucnv_toUChars(converter_, out, static_cast<std::int32_t>(capacity),
                                            reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<std::int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) throw PlatformError(std::string("code page 950: ") + u_errorName(status));
  return std::u16string(out, static_cast<std::size_t>(length));
}

}  // namespace marlit
