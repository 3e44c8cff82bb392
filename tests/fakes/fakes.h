#pragma once
// Fakes of the platform services for the tests: they record what was asked of them, answer as
// told, and can fail on demand.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/beep.h"
#include "platform/clipboard.h"
#include "platform/errors.h"
#include "platform/prompt.h"

namespace marlit::fake {

class FakePrompt : public Prompt {
 public:
  struct Shown {
    std::u16string text;
    bool question = false;
  };
  void ShowMessage(std::u16string_view text) override { shown.push_back({std::u16string(text), false}); }
  bool AskOkCancel(std::u16string_view text) override {
    shown.push_back({std::u16string(text), true});
    if (answers.empty()) return false;  // Cancel is the default button.
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<Shown> shown;
  std::deque<bool> answers;
};

class FakeClipboard : public Clipboard {
 public:
  std::optional<std::u16string> ReadText() override {
    Check();
    return text;
  }
  void Clear() override {
    Check();
    ++clears;
    text.reset();
  }
  void WriteText(std::u16string_view t) override {
    Check();
    ++writes;
    text = std::u16string(t);
  }
  std::optional<std::u16string> text;
  int clears = 0;
  int writes = 0;
  std::optional<std::string> failWith;  // when set, every operation throws this description

 private:
  void Check() const {
    if (failWith) throw PlatformError(*failWith);
  }
};

class FakeBeeper : public Beeper {
 public:
  void Beep() override { ++beeps; }
  int beeps = 0;
};

}  // namespace marlit::fake
