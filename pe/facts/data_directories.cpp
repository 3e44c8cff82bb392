#include "pe/facts/data_directories.h"

#include <algorithm>

#include "platform/translation.h"

namespace marlit {

namespace {

struct DirectoryNames {
  std::u16string_view shown;
  std::string_view key;
};

constexpr std::array<DirectoryNames, kDirectoryKinds> kNames = {{
    {u"匯出表", "export"},
    {u"匯入表", "import"},
    {u"資源表", "resource"},
    {u"例外表", "exception"},
    {u"憑證表", "certificate"},
    {u"基底重定位表", "base_relocation"},
    {u"偵錯目錄", "debug"},
    {u"架構表", "architecture"},
    {u"全域指標", "global_pointer"},
    {u"執行緒區域儲存表", "tls"},
    {u"載入設定表", "load_config"},
    {u"繫結匯入表", "bound_import"},
    {u"匯入位址表", "import_address_table"},
    {u"延遲匯入表", "delay_import"},
    {u"CLR 執行階段標頭", "clr_runtime_header"},
}};

struct DirectoryLayout {
  std::uint64_t count;
  std::uint64_t entries;
};

// The optional header starts at PeOffset + 24; its directories follow its fixed fields.
DirectoryLayout LayoutOf(std::int32_t peOffset, ImageKind kind) {
  const auto pe = static_cast<std::uint64_t>(static_cast<std::uint32_t>(peOffset));
  return kind == ImageKind::Pe32Plus ? DirectoryLayout{pe + 132, pe + 136}
                                     : DirectoryLayout{pe + 116, pe + 120};
}

}  // namespace

bool Holds(const DataDirectory& entry, std::uint32_t value) {
  return entry.VirtualAddress != 0 && entry.Size != 0 && entry.VirtualAddress <= value &&
         std::uint64_t{value} < std::uint64_t{entry.VirtualAddress} + entry.Size;
}

DataDirectories ReadDataDirectories(BoundedReader& reader, std::int32_t peOffset, ImageKind kind) {
  const DirectoryLayout layout = LayoutOf(peOffset, kind);
  DataDirectories directories;
  std::array<std::uint8_t, 4> count{};
  reader.ReadAt(layout.count, count);
  directories.NumberOfRvaAndSizes = LoadLe32(count, 0);
  directories.EntryCount =
      std::min<std::size_t>(directories.NumberOfRvaAndSizes, kMaxDataDirectories);
  std::array<std::uint8_t, 8 * kMaxDataDirectories> entries{};
  reader.ReadAt(layout.entries, std::span(entries).first(8 * directories.EntryCount));
  for (std::size_t i = 0; i < directories.EntryCount; ++i) {
    directories.Entries[i] = {LoadLe32(entries, 8 * i), LoadLe32(entries, 8 * i + 4)};
  }
  return directories;
}

std::optional<DataDirectory> NonEmptyEntry(const DataDirectories& directories, DirectoryKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  if (index >= directories.EntryCount) return std::nullopt;
  const DataDirectory& entry = directories.Entries[index];
  if (entry.VirtualAddress == 0 || entry.Size == 0) return std::nullopt;
  return entry;
}

std::optional<DirectoryKind> DirectoryOfRva(const DataDirectories& directories, std::uint32_t rva) {
  const std::size_t count = std::min(directories.EntryCount, kDirectoryKinds);
  for (std::size_t i = 0; i < count; ++i) {
    const auto kind = static_cast<DirectoryKind>(i);
    if (kind != DirectoryKind::Certificate && Holds(directories.Entries[i], rva)) return kind;
  }
  return std::nullopt;
}

std::optional<DirectoryKind> DirectoryOfFileOffset(const DataDirectories& directories,
                                                   std::uint32_t offset) {
  const std::optional<DataDirectory> certificate =
      NonEmptyEntry(directories, DirectoryKind::Certificate);
  if (certificate && Holds(*certificate, offset)) return DirectoryKind::Certificate;
  return std::nullopt;
}

std::u16string_view DirectoryName(DirectoryKind kind) {
  return Translate(kNames[static_cast<std::size_t>(kind)].shown);
}

std::string_view DirectoryKey(DirectoryKind kind) {
  return kNames[static_cast<std::size_t>(kind)].key;
}

}  // namespace marlit
