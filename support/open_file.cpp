#include "support/open_file.h"

#include <limits>
#include <string>
#include <utility>

#include "platform/errors.h"

namespace marlit::OpenFile {

namespace {

constexpr std::int32_t kSingleFileBuffer = 260;
constexpr std::int32_t kMultiFileBuffer = 4096;
constexpr std::int32_t kFileTitleBuffer = 260;

// A text followed by NULs up to size characters in all.
std::u16string Padded(std::u16string text, std::int32_t size, const char* what) {
  if (text.size() > static_cast<std::size_t>(size)) {
    throw OverflowError(std::string(what) + " is longer than its buffer of " +
                        std::to_string(size) + " characters");
  }
  text.resize(static_cast<std::size_t>(size), u'\0');
  return text;
}

// "|" and ":" end a filter entry. The walk counts characters in 16 bits, so a filter over 32767
// characters is an overflow.
std::u16string ConvertFilter(std::u16string_view filter) {
  if (filter.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw OverflowError("the filter is longer than 32767 characters");
  }
  std::u16string converted;
  converted.reserve(filter.size() + 2);
  for (const char16_t c : filter) converted += (c == u'|' || c == u':') ? u'\0' : c;
  converted += u'\0';
  converted += u'\0';
  return converted;
}

std::int32_t RequestedFlags(std::int32_t flags, bool fileMustExist, bool multiSelect, bool readOnly,
                            bool hideReadOnly) {
  if (fileMustExist) flags |= FileDialogFlag::FileMustExist;
  if (multiSelect) flags |= FileDialogFlag::AllowMultiSelect;
  if (readOnly) flags |= FileDialogFlag::ReadOnly;
  if (hideReadOnly) flags |= FileDialogFlag::HideReadOnly;
  return flags;
}

std::u16string FolderText(const std::filesystem::path& folder) {
  try {
    return folder.u16string();
  } catch (const std::exception&) {
    return {};  // a folder name that is not valid UTF-8 leaves the choice to the dialog
  }
}

// The parts of the file buffer: the text before the first double NUL, cut at every NUL. A result
// that fills the buffer to its last character (a path of 259 characters and its NUL in 260) ends
// at the buffer's end.
Perl2::List CutFileBuffer(const std::u16string& buffer) {
  const std::u16string ended = buffer + std::u16string(2, u'\0');
  const Perl2::Value firstPart =
      std::get<Perl2::List>(Perl2::Split(std::u16string(2, u'\0'), ended, 2)).At(0);
  return std::get<Perl2::List>(Perl2::Split(std::u16string(1, u'\0'), firstPart, -1));
}

// One path chosen in multi-selection mode, turned into the List (folder, name).
void StoreAsFolderAndName(Perl2::Variable& FileName, const std::u16string& path) {
  Perl2::Value components = Perl2::Split(u"/", path, 0);
  const Perl2::Value name = Perl2::Pop(components);
  Perl2::PushAll(FileName, {name});
  Perl2::Value folder = Perl2::JoinAll(u"/", {components});
  // A file in the root folder: its folder is "/", not the empty text.
  if (Perl2::TextOf(folder).empty() && !path.empty() && path.front() == u'/') folder = u"/";
  Perl2::Unshift(FileName, {folder});
}

}  // namespace

Service::Service(FileDialogBackend& backend, std::filesystem::path firstFolder)
    : backend_(backend), firstFolder_(std::move(firstFolder)) {}

bool Service::ShowFileDialog(Perl2::Variable& FileName, std::u16string& FileTitle,
                             bool FileMustExist, bool MultiSelect, bool& ReadOnly,
                             bool HideReadOnly, std::u16string& Filter, std::int32_t& FilterIndex,
                             std::u16string& InitialDir, std::u16string_view Title,
                             std::u16string_view DefaultExt, std::intptr_t OwnerWindow,
                             std::int32_t& Flags, bool OpenMode) {
  std::u16string initialDir = InitialDir;
  if (!fileChosenOnce_ && initialDir.empty()) initialDir = FolderText(firstFolder_);

  const bool multi = (Flags & FileDialogFlag::AllowMultiSelect) != 0;
  const std::int32_t bufferSize = multi ? kMultiFileBuffer : kSingleFileBuffer;

  // The record is complete before any caller variable changes, so a refused input leaves them.
  FileDialogRecord record;
  record.hwndOwner = OwnerWindow == -1 ? 0 : OwnerWindow;
  record.Flags = RequestedFlags(Flags, FileMustExist, MultiSelect, ReadOnly, HideReadOnly);
  record.lpstrInitialDir = initialDir;
  record.lpstrTitle = std::u16string(Title);
  record.lpstrDefExt = std::u16string(DefaultExt);
  record.lpstrFilter = ConvertFilter(Filter);
  record.nFilterIndex = FilterIndex;
  record.lpstrFile = Padded(Perl2::TextOf(FileName), bufferSize, "the initial file name");
  record.nMaxFile = bufferSize;
  record.lpstrFileTitle = Padded(FileTitle, kFileTitleBuffer, "the file title");
  record.nMaxFileTitle = kFileTitleBuffer;
  InitialDir = std::move(initialDir);

  bool confirmed = false;
  try {
    confirmed = OpenMode ? backend_.GetOpenFileName(record) : backend_.GetSaveFileName(record);
  } catch (const PlatformError&) {
    confirmed = false;  // a failing dialog answers like a cancelled one
  }
  if (!confirmed) {
    FileName = std::u16string();
    FileTitle.clear();
    Flags = 0;
    FilterIndex = -1;
    Filter.clear();
    return false;
  }

  Perl2::List parts = CutFileBuffer(record.lpstrFile);
  if (parts.Upper() != 0) {
    FileName = std::move(parts);
  } else if (!multi) {
    FileName = parts.At(0);
  } else {
    StoreAsFolderAndName(FileName, std::get<std::u16string>(parts.At(0)));
  }

  // The title ends at its NUL: the NULs behind it are buffer, not name.
  FileTitle = std::u16string(CutAtNul(record.lpstrFileTitle));
  Flags = record.Flags;
  FilterIndex = record.nFilterIndex;
  if ((record.Flags & FileDialogFlag::ReadOnly) != 0) ReadOnly = true;

  fileChosenOnce_ = true;
  return true;
}

bool Service::ShowOpenDialog(Perl2::Variable& FileName, std::u16string& FileTitle,
                             bool FileMustExist, bool MultiSelect, bool& ReadOnly,
                             bool HideReadOnly, std::u16string& Filter, std::int32_t& FilterIndex,
                             std::u16string& InitialDir, std::u16string_view Title,
                             std::u16string_view DefaultExt, std::intptr_t OwnerWindow,
                             std::int32_t& Flags) {
  return ShowFileDialog(FileName, FileTitle, FileMustExist, MultiSelect, ReadOnly, HideReadOnly,
                        Filter, FilterIndex, InitialDir, Title, DefaultExt, OwnerWindow, Flags,
                        true);
}

}  // namespace marlit::OpenFile
