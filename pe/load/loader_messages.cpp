#include "pe/load/loader_messages.h"

#include <string>

namespace marlit {

namespace {

std::u16string DecimalDigits(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string ManySectionsQuestion() {
  return FillIn(Translate(u"區段數目大於%1，繼續進行分析嗎？"),
                {DecimalDigits(kSectionQuestionLimit)});
}

std::u16string CannotOpenMessage(std::u16string_view path, std::u16string_view reason) {
  return FillIn(Translate(u"無法打開檔案「%1」：%2"), {path, reason});
}

std::u16string NotRegularFileMessage(std::u16string_view path) {
  return FillIn(Translate(u"「%1」不是一般的檔案（資料夾、管道或裝置），無法分析！"), {path});
}

std::u16string TooLargeMessage(std::u16string_view path) {
  return FillIn(Translate(u"檔案「%1」大於 2147483647 位元組，無法分析！"), {path});
}

std::u16string ReadFailedMessage(std::u16string_view path, std::u16string_view reason) {
  return FillIn(Translate(u"讀取檔案「%1」時發生錯誤：%2"), {path, reason});
}

}  // namespace marlit
