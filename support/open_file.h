#pragma once
// OpenFile: the common Open and Save file dialogs as one service.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/file_dialog.h"
#include "support/perl2.h"

namespace marlit::OpenFile {

class Service {
 public:
  // firstFolder: where the first dialog opens when it is given no initial folder (the program's
  // working folder); an empty path leaves it to the dialog.
  Service(FileDialogBackend& backend, std::filesystem::path firstFolder);

  // True when the user confirmed a choice. FileName then holds the path, or for a
  // multi-selection the List (folder, names...). On cancel or failure the outputs are cleared
  // (FilterIndex -1, Flags 0) and the result is false. Raises OverflowError for an initial name
  // longer than the file buffer, a FileTitle over 260 characters or a filter over 32767
  // characters (the caller's variables then stay as they were), and TypeMismatchError when a
  // text-only FileName would have to take a List.
  [[nodiscard]] bool ShowFileDialog(Perl2::Variable& FileName, std::u16string& FileTitle,
                                    bool FileMustExist, bool MultiSelect, bool& ReadOnly,
                                    bool HideReadOnly, std::u16string& Filter,
                                    std::int32_t& FilterIndex, std::u16string& InitialDir,
                                    std::u16string_view Title, std::u16string_view DefaultExt,
                                    std::intptr_t OwnerWindow, std::int32_t& Flags, bool OpenMode);

  [[nodiscard]] bool ShowOpenDialog(Perl2::Variable& FileName, std::u16string& FileTitle,
                                    bool FileMustExist, bool MultiSelect, bool& ReadOnly,
                                    bool HideReadOnly, std::u16string& Filter,
                                    std::int32_t& FilterIndex, std::u16string& InitialDir,
                                    std::u16string_view Title, std::u16string_view DefaultExt,
                                    std::intptr_t OwnerWindow, std::int32_t& Flags);

  // False until the first confirmed dialog, then true for good.
  [[nodiscard]] bool FileChosenOnce() const { return fileChosenOnce_; }

 private:
  FileDialogBackend& backend_;
  std::filesystem::path firstFolder_;
  bool fileChosenOnce_ = false;
};

}  // namespace marlit::OpenFile
