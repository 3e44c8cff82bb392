#pragma once
// What is at an address: the record that holds it, the data directory and the export, read once
// per analysis from the tables where the loader maps them; and where the file points to it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pe/facts/base_relocations.h"
#include "pe/read/bounded_reader.h"
#include "pe/facts/data_directories.h"
#include "pe/facts/export_names.h"
#include "pe/facts/loader_mapping.h"
#include "pe/view/pe_image.h"
#include "pe/facts/references.h"

namespace marlit {

// The tables of one analysis, kept with the table it put in force (PeImage::Facts). They are read
// where the loader maps them, whatever view is shown, and do not change with the view or the
// load address.
struct AddressFacts {
  LoaderMapping Mapping;
  DataDirectories Directories;
  ExportNames Exports;
  BaseRelocations Relocations;
};

// Reads the directories, the export table and the relocation table of the file behind reader,
// whose header fields are raw. The tables are untrusted: a corrupt one gives nothing, never a
// wrong answer.
[[nodiscard]] AddressFacts ReadAddressFacts(BoundedReader& reader, const RawImageHeaders& raw,
                                            std::int32_t peOffset, ImageKind kind);

// What the tables say of a value; each part is empty when nothing gives it.
struct ValueFacts {
  // The directory of the address's RVA; for a file offset, the certificate table by the offset.
  std::optional<DirectoryKind> Directory;
  // The export at or before the address within the record that holds it ("Name", "Name+HEX",
  // "#ORDINAL").
  std::optional<std::u16string> Export;
  friend bool operator==(const ValueFacts&, const ValueFacts&) = default;
};

// A memory address in the mode in force (with the base in force, or its RVA). Its time does not
// grow with the section count: marlit-cli asks it of every value.
[[nodiscard]] ValueFacts FactsOfAddress(const PeImage& image, std::int64_t address);
// A file offset: what describes the address it translates to, and the certificate table.
[[nodiscard]] ValueFacts FactsOfFileOffset(const PeImage& image, std::int64_t offset);
// The same when the offset's translation is known: address, in the mode in force, or none.
[[nodiscard]] ValueFacts FactsOfTranslatedOffset(const PeImage& image, std::int64_t offset,
                                                 std::optional<std::int64_t> address);

// A value as the window describes it: the included record that holds it in the view in force,
// by its rank in the section list (0: none) and its name, and the facts.
struct AddressDescription {
  std::int32_t Position = 0;
  std::optional<std::u16string> Section;
  ValueFacts Facts;
  friend bool operator==(const AddressDescription&, const AddressDescription&) = default;
};

[[nodiscard]] AddressDescription DescribeAddress(const PeImage& image, std::int64_t address);
// The record is the one that holds the offset, as the section list shows it.
[[nodiscard]] AddressDescription DescribeFileOffset(const PeImage& image, std::int64_t offset);
// The window's one line: ".idata · 匯入位址表 · CreateFileW+1A", the empty parts left out.
[[nodiscard]] std::u16string DescriptionLine(const AddressDescription& description);

// A place in the file that holds the address as a pointer, and where the view in force puts it.
struct AddressReference {
  std::uint64_t FileOffset = 0;
  bool Relocated = false;
  // Its memory address in the mode in force and its record; none when no included record maps
  // the offset (the overlay, header slack).
  std::optional<std::int64_t> Address;
  std::int32_t Position = 0;
  std::optional<std::u16string> Section;
  friend bool operator==(const AddressReference&, const AddressReference&) = default;
};

struct AddressReferences {
  std::vector<AddressReference> References;  // by file offset
  bool Cancelled = false;
  bool Truncated = false;
};

// The bytes the file stores for address, given in the mode in force: the address at the file's
// own image base, whatever load address is in force.
[[nodiscard]] StoredPointer StoredPointerOf(const PeImage& image, std::int64_t address);

// The references of address (in the mode in force) in the file behind reader, which is the file
// image was analysed from. goOn is asked before each block and can cancel the search.
[[nodiscard]] AddressReferences FindAddressReferences(const PeImage& image, BoundedReader& reader,
                                                      std::int64_t address,
                                                      const SearchProgress& goOn = {},
                                                      std::size_t limit = kMaxReferences);
}  // namespace marlit
