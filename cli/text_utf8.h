#pragma once
// Conversions between the core's UTF-16 texts and the UTF-8 of the terminal and the arguments.

#include <string>
#include <string_view>

namespace marlit::cli {

// A message for the terminal: UTF-8, with the message boxes' CR LF line ends turned into \n.
[[nodiscard]] std::string MessageText(std::u16string_view text);

// A name byte that decodes to a control character (a tab, a line end, a C1 control such as
// U+009B from byte 80h..9Fh of some code pages) would break the one line of tab-separated fields
// per row or act on the terminal; the tab-separated output shows U+FFFD in its place.
[[nodiscard]] std::string TabSafe(std::string_view text);

// A message for the error stream, which is most often a terminal: control characters but the line
// end and the tab (C0, DEL and C1) and bytes that are not UTF-8 are shown as \xNN, one a byte, so
// that no escape sequence of a file name or an input line reaches the terminal. Valid text stays
// as it is.
[[nodiscard]] std::string TerminalText(std::string_view text);

}  // namespace marlit::cli
