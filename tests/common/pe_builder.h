#pragma once
// Writes PE files byte by byte for the tests: DOS header and stub, signature, file header,
// optional header (32-bit or 64-bit layout), section headers and raw data. Every field can be
// set to a malformed value, and the finished bytes can be patched or cut.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace marlit::test {

struct TestSection {
  std::string Name;  // raw name bytes, at most 8; shorter names are padded with NUL
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
};

class PeBuilder {
 public:
  PeBuilder& PeOffset(std::uint32_t v) { peOffset_ = v; return *this; }
  PeBuilder& ImageBase(std::uint64_t v) { imageBase_ = v; return *this; }
  // 0x10B: 32-bit layout (224-byte optional header); 0x20B: 64-bit layout (240 bytes).
  PeBuilder& Magic(std::uint16_t v) { magic_ = v; return *this; }
  PeBuilder& SizeOfOptionalHeader(std::uint16_t v) { sizeOfOptionalHeader_ = v; return *this; }
  // Overrides the section count field; by default it is the number of sections added.
  PeBuilder& NumberOfSections(std::uint16_t v) { numberOfSections_ = v; return *this; }
  PeBuilder& Signature(std::uint32_t v) { signature_ = v; return *this; }
  PeBuilder& AddSection(TestSection s) { sections_.push_back(std::move(s)); return *this; }
  // A typical section: name, VirtualAddress, SizeOfRawData and PointerToRawData.
  PeBuilder& AddSection(std::string name, std::uint32_t va, std::uint32_t rawSize,
                        std::uint32_t rawPointer) {
    return AddSection(TestSection{std::move(name), rawSize, va, rawSize, rawPointer});
  }
  // Optional header fields the loader's view reads; by default 1000h, 200h, 400h and 0.
  PeBuilder& SectionAlignment(std::uint32_t v) { sectionAlignment_ = v; return *this; }
  PeBuilder& FileAlignment(std::uint32_t v) { fileAlignment_ = v; return *this; }
  PeBuilder& SizeOfHeaders(std::uint32_t v) { sizeOfHeaders_ = v; return *this; }
  PeBuilder& SizeOfImage(std::uint32_t v) { sizeOfImage_ = v; return *this; }
  // PointerToSymbolTable and NumberOfSymbols of the file header; by default 0.
  PeBuilder& SymbolTable(std::uint32_t pointer, std::uint32_t count) {
    pointerToSymbolTable_ = pointer;
    numberOfSymbols_ = count;
    return *this;
  }
  // A data directory entry (index 0 .. 15) and the directory count, 16 by default.
  PeBuilder& DataDirectory(std::size_t index, std::uint32_t va, std::uint32_t size) {
    directories_.at(index) = {va, size};
    return *this;
  }
  PeBuilder& NumberOfRvaAndSizes(std::uint32_t v) { numberOfRvaAndSizes_ = v; return *this; }
  // Bytes written over the built file at offset, growing it when they reach past its end.
  PeBuilder& Bytes(std::size_t offset, std::vector<std::uint8_t> bytes) {
    patches_.push_back({offset, std::move(bytes)});
    return *this;
  }
  PeBuilder& Patch(std::size_t offset, const std::string& bytes) {
    return Bytes(offset, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  // The file length; by default the end of the furthest raw data or of the headers.
  PeBuilder& FileLength(std::size_t v) { fileLength_ = v; return *this; }

  [[nodiscard]] std::vector<std::uint8_t> Build() const;
  void WriteTo(const std::filesystem::path& path) const;

  [[nodiscard]] std::uint32_t SectionTableOffset() const;

 private:
  std::uint32_t peOffset_ = 0x80;
  std::uint64_t imageBase_ = 0x400000;
  std::uint16_t magic_ = 0x10B;
  std::optional<std::uint16_t> sizeOfOptionalHeader_;
  std::optional<std::uint16_t> numberOfSections_;
  std::uint32_t signature_ = 0x00004550;  // "PE\0\0"
  std::vector<TestSection> sections_;
  std::optional<std::size_t> fileLength_;
  std::uint32_t sectionAlignment_ = 0x1000;
  std::uint32_t fileAlignment_ = 0x200;
  std::uint32_t sizeOfHeaders_ = 0x400;
  std::uint32_t sizeOfImage_ = 0;
  std::uint32_t pointerToSymbolTable_ = 0;
  std::uint32_t numberOfSymbols_ = 0;
  std::uint32_t numberOfRvaAndSizes_ = 16;
  std::array<std::pair<std::uint32_t, std::uint32_t>, 16> directories_{};
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> patches_;
};

// count sections s0, s1, ... of 200h raw bytes each, laid out one after the other in the file and
// one 1000h page apart in memory.
[[nodiscard]] PeBuilder EvenSections(int count);

// Writes bytes to path, replacing the file.
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Little-endian stores into a byte buffer, growing it as needed.
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v);
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v);
void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v);

// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace marlit::test
