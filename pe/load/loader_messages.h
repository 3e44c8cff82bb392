#pragma once
// The loader's messages, shown through the Prompt.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/translation.h"

namespace marlit {

inline constexpr Text kNotPeMessage = u"這不是一個 PE 檔案，無法分析！";
inline constexpr Text kNoSectionsMessage = u"此檔案沒有區段，不能分析！";
// The pending LoadError of a seek outside the file.
inline constexpr Text kBadFormatMessage = u"此檔案格式不正確，不能繼續分析！";
// Counts above this are questioned first.
inline constexpr std::int32_t kSectionQuestionLimit = 20;

inline constexpr Text kBadPeOffsetMessage = u"PE 標頭的位置不正確（負數或過大），無法分析！";
inline constexpr Text kTooManySectionsMessage =
    u"此檔案的區段數目不正確（32767 或以上），無法分析！";
inline constexpr Text kOverflowMessage = u"計算區段的位址時溢出！此檔案的區段表不正確，無法分析！";

// "區段數目大於20，繼續進行分析嗎？"
[[nodiscard]] std::u16string ManySectionsQuestion();
[[nodiscard]] std::u16string CannotOpenMessage(std::u16string_view path,
                                               std::u16string_view reason);
[[nodiscard]] std::u16string NotRegularFileMessage(std::u16string_view path);
[[nodiscard]] std::u16string TooLargeMessage(std::u16string_view path);
[[nodiscard]] std::u16string ReadFailedMessage(std::u16string_view path,
                                               std::u16string_view reason);

}  // namespace marlit
