#pragma once
// The arguments of one ShowFileDialog call, preset as the main window's browse button passes
// them, for tests to change what they need.

#include <cstdint>
#include <string>

#include "support/open_file.h"

namespace marlit::OpenFile {

inline constexpr char16_t kMainFilter[] =
    u"程式檔案(*.exe;*.dll;*.ocx)|*.exe;*.dll;*.ocx|全部檔案(*.*)|*.*";

struct Call {
  Perl2::Variable FileName = Perl2::Variable::TextOnly();
  std::u16string FileTitle;
  bool FileMustExist = true;
  bool MultiSelect = false;
  bool ReadOnly = false;
  bool HideReadOnly = false;
  std::u16string Filter = kMainFilter;
  std::int32_t FilterIndex = 1;
  std::u16string InitialDir;
  std::u16string Title = u"選擇程式檔案";
  std::u16string DefaultExt;
  std::intptr_t OwnerWindow = -1;
  std::int32_t Flags = FileDialogFlag::Explorer;
  bool OpenMode = true;

  bool Run(Service& service) {
    return service.ShowFileDialog(FileName, FileTitle, FileMustExist, MultiSelect, ReadOnly,
                                  HideReadOnly, Filter, FilterIndex, InitialDir, Title, DefaultExt,
                                  OwnerWindow, Flags, OpenMode);
  }
};

}  // namespace marlit::OpenFile
