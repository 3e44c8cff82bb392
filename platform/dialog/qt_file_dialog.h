#pragma once
// The common Open and Save dialogs on Qt: a non-native QFileDialog, so that it looks and behaves
// the same on every desktop and can be driven in tests.

#include <QString>

#include "platform/file_dialog.h"

namespace marlit {

class QtFileDialogBackend : public FileDialogBackend {
 public:
  // Object name of the read-only box that the dialog gains unless the record hides it.
  static constexpr const char* kReadOnlyBoxName = "readOnlyBox";

  [[nodiscard]] bool GetOpenFileName(FileDialogRecord& record) override;
  [[nodiscard]] bool GetSaveFileName(FileDialogRecord& record) override;

 private:
  bool Run(FileDialogRecord& record, bool open);
};

// A filter pair as a Qt name filter: the description as shown, then the patterns in
// parentheses and separated by blanks, which is where Qt reads them from.
[[nodiscard]] QString QtNameFilter(std::u16string_view description, std::u16string_view patterns);

}  // namespace marlit
