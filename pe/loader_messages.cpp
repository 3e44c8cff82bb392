#include "pe/loader_messages.h"

#include <string>

namespace marlit {

namespace {

std::u16string Join(std::initializer_list<std::u16string_view> parts) {
  std::u16string text;
  for (std::u16string_view p : parts) text += p;
  return text;
}

std::u16string DecimalDigits(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string ManySectionsQuestion() {
  return Join({u"區段數目大於", DecimalDigits(kSectionQuestionLimit), u"，繼續進行分析嗎？"});
}

std::u16string CannotOpenMessage(std::u16string_view path, std::u16string_view reason) {
  return Join({u"無法打開檔案「", path, u"」：", reason});
}

std::u16string NotRegularFileMessage(std::u16string_view path) {
  return Join({u"「", path, u"」不是一般的檔案（資料夾、管道或裝置），無法分析！"});
}

std::u16string TooLargeMessage(std::u16string_view path) {
  return Join({u"檔案「", path, u"」大於 2147483647 位元組，無法分析！"});
}

std::u16string ReadFailedMessage(std::u16string_view path, std::u16string_view reason) {
  return Join({u"讀取檔案「", path, u"」時發生錯誤：", reason});
}

}  // namespace marlit
