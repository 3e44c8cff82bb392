#pragma once
// A file dialog backend for tests: keeps the record it was given and answers as scripted,
// confirming a choice, cancelling, or failing with PlatformError; what the user does while it is
// open can run in it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/file_dialog.h"

namespace marlit::fake {

class FakeFileDialog : public FileDialogBackend {
 public:
  struct Choice {
    std::u16string folder;
    std::vector<std::u16string> names;
    bool readOnlyChecked = false;
    std::optional<std::int32_t> filterIndex;  // the pair in use; unchanged when not set
  };

  static Choice Files(std::u16string folder, std::vector<std::u16string> names) {
    Choice c;
    c.folder = std::move(folder);
    c.names = std::move(names);
    return c;
  }
  // One file chosen by its full path.
  static Choice Path(const std::u16string& path) {
    const auto slash = path.rfind(u'/');
    return Files(path.substr(0, slash), {path.substr(slash + 1)});
  }

  bool GetOpenFileName(FileDialogRecord& record) override { return Answer(record, true); }
  bool GetSaveFileName(FileDialogRecord& record) override { return Answer(record, false); }

  std::optional<Choice> choice;  // nothing chosen: the dialog is cancelled
  bool fail = false;             // throw PlatformError instead of answering
  std::function<void()> during;  // runs while the dialog is open
  std::vector<FileDialogRecord> received;
  std::vector<bool> openMode;

 private:
  bool Answer(FileDialogRecord& record, bool open) {
    received.push_back(record);
    openMode.push_back(open);
    if (during) during();
    if (fail) throw PlatformError("the file dialog could not be shown");
    if (!choice) return false;
    if (choice->readOnlyChecked) record.Flags |= FileDialogFlag::ReadOnly;
    if (choice->filterIndex) record.nFilterIndex = *choice->filterIndex;
    return StoreChosenFiles(record, choice->folder, choice->names);
  }
};

}  // namespace marlit::fake
