#pragma once
// The message boxes of marlit-cli: every message goes to the error stream, and the one question
// (more than 20 sections) is answered by --yes, since nobody is there to press a button.

#include <ostream>

#include "platform/beep.h"
#include "platform/prompt.h"

namespace marlit::cli {

class StderrPrompt : public Prompt {
 public:
  // answerOk: the run was given --yes.
  StderrPrompt(std::ostream& err, bool answerOk) : err_(err), answerOk_(answerOk) {}
  void ShowMessage(std::u16string_view text) override;
  // OK with --yes; otherwise Cancel, the default button, and the message tells how to go on.
  [[nodiscard]] bool AskOkCancel(std::u16string_view text) override;

 private:
  std::ostream& err_;
  bool answerOk_;
};

// The key filter's beep has no place in a batch: refused value text is reported as a usage error.
class SilentBeeper : public Beeper {
 public:
  void Beep() override {}
};

}  // namespace marlit::cli
