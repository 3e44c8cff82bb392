#include "cli/stderr_prompt.h"

#include "cli/text_utf8.h"
#include "platform/translation.h"

namespace marlit::cli {

void StderrPrompt::ShowMessage(std::u16string_view text) {
  // The file's name and its section names come from outside; they may hold control bytes.
  std::string message = TerminalText(MessageText(text));
  if (message.empty() || message.back() != '\n') message.push_back('\n');
  err_ << "marlit-cli: " << message << std::flush;
}

bool StderrPrompt::AskOkCancel(std::u16string_view text) {
  ShowMessage(text);
  if (answerOk_) {
    err_ << "marlit-cli: " << Translate("已依 --yes 回答「確定」，繼續分析。\n") << std::flush;
    return true;
  }
  err_ << "marlit-cli: "
       << Translate(
              "未指定 --yes，已取預設按鈕「取消」，分析停止；要繼續分析，請加上 --yes 再執行。\n")
       << std::flush;
  return false;
}

}  // namespace marlit::cli
