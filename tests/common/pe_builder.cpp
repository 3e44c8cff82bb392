#include "tests/common/pe_builder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace marlit::test {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
  Put32(b, at, static_cast<std::uint32_t>(v));
  Put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t PeBuilder::SectionTableOffset() const {
  std::uint16_t optSize = sizeOfOptionalHeader_.value_or(magic_ == 0x20B ? 240 : 224);
  return peOffset_ + 24 + optSize;
}

std::vector<std::uint8_t> PeBuilder::Build() const {
  std::vector<std::uint8_t> b(64, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 60, peOffset_);
  // A DOS stub so that the bytes between the DOS header and the signature look like a real file.
  const std::string stub = "This program cannot be run in DOS mode.\r\r\n$";
  for (std::size_t i = 0; i < stub.size() && 64 + 14 + i < peOffset_; ++i) {
    if (b.size() < 64 + 14 + i + 1) b.resize(64 + 14 + i + 1);
    b[64 + 14 + i] = static_cast<std::uint8_t>(stub[i]);
  }

  const std::size_t pe = peOffset_;
  const bool is64 = magic_ == 0x20B;
  const std::uint16_t optSize = sizeOfOptionalHeader_.value_or(is64 ? 240 : 224);
  Put32(b, pe, signature_);
  Put16(b, pe + 4, is64 ? 0x8664 : 0x014C);
  Put16(b, pe + 6, numberOfSections_.value_or(static_cast<std::uint16_t>(sections_.size())));
  Put32(b, pe + 12, pointerToSymbolTable_);
  Put32(b, pe + 16, numberOfSymbols_);
  Put16(b, pe + 20, optSize);
  Put16(b, pe + 22, 0x0102);

  const std::size_t opt = pe + 24;
  Put16(b, opt, magic_);
  if (is64) {
    Put64(b, opt + 24, imageBase_);
    Put32(b, opt + 108, numberOfRvaAndSizes_);
  } else {
    Put32(b, opt + 28, static_cast<std::uint32_t>(imageBase_));
    Put32(b, opt + 92, numberOfRvaAndSizes_);
  }
  const std::size_t directories = opt + (is64 ? 112 : 96);
  for (std::size_t i = 0; i < directories_.size(); ++i) {
    if (directories_[i] == std::pair<std::uint32_t, std::uint32_t>{}) continue;
    Put32(b, directories + 8 * i, directories_[i].first);
    Put32(b, directories + 8 * i + 4, directories_[i].second);
  }
  // At the same places in both layouts.
  Put32(b, opt + 32, sectionAlignment_);
  Put32(b, opt + 36, fileAlignment_);
  Put32(b, opt + 56, sizeOfImage_);
  Put32(b, opt + 60, sizeOfHeaders_);
  if (b.size() < opt + optSize) b.resize(opt + optSize);

  std::size_t at = SectionTableOffset();
  std::size_t end = at + 40 * sections_.size();
  for (const auto& s : sections_) {
    if (b.size() < at + 40) b.resize(at + 40);
    for (std::size_t i = 0; i < 8; ++i) {
      b[at + i] = i < s.Name.size() ? static_cast<std::uint8_t>(s.Name[i]) : 0;
    }
    Put32(b, at + 8, s.VirtualSize);
    Put32(b, at + 12, s.VirtualAddress);
    Put32(b, at + 16, s.SizeOfRawData);
    Put32(b, at + 20, s.PointerToRawData);
    Put32(b, at + 36, 0x60000020);
    at += 40;
    if (s.PointerToRawData != 0) {
      end = std::max<std::size_t>(end, std::size_t{s.PointerToRawData} + s.SizeOfRawData);
    }
  }

  std::size_t length = fileLength_.value_or(std::max<std::size_t>(end, b.size()));
  std::size_t headerEnd = b.size();
  b.resize(length, 0);
  // Raw data: a recognisable pattern, so that a wrong read shows.
  for (std::size_t i = headerEnd; i < length; ++i) b[i] = static_cast<std::uint8_t>(0xCC ^ (i & 0xFF));
  for (const auto& [offset, bytes] : patches_) {
    if (b.size() < offset + bytes.size()) b.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  return b;
}

PeBuilder EvenSections(int count) {
  PeBuilder b;
  for (std::uint32_t n = 0; n < static_cast<std::uint32_t>(count); ++n) {
    b.AddSection("s" + std::to_string(n), 0x1000 + 0x1000 * n, 0x200, 0x400 + 0x200 * n);
  }
  return b;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void PeBuilder::WriteTo(const std::filesystem::path& path) const { WriteFile(path, Build()); }

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "marlit-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace marlit::test
