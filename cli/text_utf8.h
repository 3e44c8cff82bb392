#pragma once
// Conversions between the core's UTF-16 texts and the UTF-8 of the terminal and the arguments.

#include <string>
#include <string_view>

namespace marlit::cli {

// Unpaired surrogates become U+FFFD.
[[nodiscard]] std::string ToUtf8(std::u16string_view text);
// Malformed bytes become U+FFFD.
[[nodiscard]] std::u16string FromUtf8(std::string_view text);
// A message for the terminal: UTF-8, with the message boxes' CR LF line ends turned into \n.
[[nodiscard]] std::string MessageText(std::u16string_view text);

// A name byte that decodes to a control character (a tab, a line end) would break the one line of
// tab-separated fields per row; the tab-separated output shows U+FFFD in its place.
[[nodiscard]] std::string TabSafe(std::string_view text);

}  // namespace marlit::cli
