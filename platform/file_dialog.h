#pragma once
// The common Open and Save dialogs, reached through the dialog record that the service fills.
// A backend fills the record's buffers and flags as the system call would and answers whether
// the user confirmed a choice.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/nul_text.h"

namespace marlit {

namespace FileDialogFlag {
inline constexpr std::int32_t ReadOnly = 0x1;
inline constexpr std::int32_t OverwritePrompt = 0x2;
inline constexpr std::int32_t HideReadOnly = 0x4;
inline constexpr std::int32_t AllowMultiSelect = 0x200;
inline constexpr std::int32_t FileMustExist = 0x1000;
inline constexpr std::int32_t Explorer = 0x80000;
}  // namespace FileDialogFlag

// The dialog record. Texts are UTF-16 throughout; lpstrFilter holds its pairs each followed by a
// NUL, then one more NUL. lpstrFile and lpstrFileTitle are buffers of nMaxFile and nMaxFileTitle
// characters, holding the initial name and title followed by NULs.
struct FileDialogRecord {
  std::intptr_t hwndOwner = 0;  // 0 = no owner
  std::int32_t Flags = 0;
  std::u16string lpstrFilter;
  std::int32_t nFilterIndex = 0;  // 1-based pair
  std::u16string lpstrInitialDir;
  std::u16string lpstrTitle;
  std::u16string lpstrDefExt;
  std::u16string lpstrFile;
  std::int32_t nMaxFile = 0;
  std::u16string lpstrFileTitle;
  std::int32_t nMaxFileTitle = 260;
};

class FileDialogBackend {
 public:
  virtual ~FileDialogBackend() = default;
  // True when the user confirmed; false on cancel or any failure of the dialog. On true the file
  // buffer holds, from its start, the full path and a NUL for one file, or the folder, a NUL,
  // each name followed by a NUL and a final NUL for several; the rest of the buffer is NULs.
  // Flags and nFilterIndex hold the read-only state and the filter pair in use.
  [[nodiscard]] virtual bool GetOpenFileName(FileDialogRecord& record) = 0;
  [[nodiscard]] virtual bool GetSaveFileName(FileDialogRecord& record) = 0;
};

// Helpers for backends: reading the record's texts and writing the result as the call would.

// The filter pairs (description, patterns) of lpstrFilter, up to the first empty entry.
[[nodiscard]] inline std::vector<std::pair<std::u16string, std::u16string>> FilterPairs(
    std::u16string_view filter) {
  std::vector<std::u16string> entries;
  while (!filter.empty()) {
    auto entry = CutAtNul(filter);
    if (entry.empty()) break;
    entries.emplace_back(entry);
    filter.remove_prefix(std::min(filter.size(), entry.size() + 1));
  }
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  for (std::size_t i = 0; i + 1 < entries.size(); i += 2)
    pairs.emplace_back(entries[i], entries[i + 1]);
  return pairs;
}

// Writes the chosen files into the file buffer and the first name into the title buffer. A path
// on Linux may be as long as the system allows (4096 bytes), longer than the buffer that the
// caller sized for the system call: the buffer then grows, so that every choice comes back whole
// and is followed by at least one more NUL. False without a name or a buffer.
[[nodiscard]] inline bool StoreChosenFiles(FileDialogRecord& record, std::u16string_view folder,
                                           const std::vector<std::u16string>& names) {
  if (names.empty() || record.nMaxFile <= 0) return false;
  std::u16string content;
  if (names.size() == 1) {
    content = std::u16string(folder);
    if (content.empty() || content.back() != u'/') content += u'/';
    content += names.front();
    content += u'\0';
  } else {
    content = std::u16string(folder) + u'\0';
    for (const auto& n : names) content += n + u'\0';
    content += u'\0';
  }
  const std::size_t size = std::max(static_cast<std::size_t>(record.nMaxFile), content.size() + 1);
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return false;
  content.resize(size, u'\0');
  record.lpstrFile = std::move(content);
  record.nMaxFile = static_cast<std::int32_t>(size);

  std::u16string title = names.front();
  const auto titleSize = static_cast<std::size_t>(std::max(record.nMaxFileTitle, 1));
  if (title.size() > titleSize - 1) title.resize(titleSize - 1);
  title.resize(titleSize, u'\0');
  record.lpstrFileTitle = std::move(title);
  return true;
}

}  // namespace marlit
