#pragma once
// The one layer through which the loader reads the untrusted bytes of a file. Nothing outside the
// file is ever read: bytes past its end read as zeros, and every bound is checked in unsigned
// 64-bit arithmetic so that the check itself cannot overflow.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace marlit {

// An open file descriptor, closed when the object goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  [[nodiscard]] int get() const noexcept { return fd_; }

 private:
  int fd_;
};

// Positional reads of a file of known length, through a small read-ahead window so that the
// 40-byte section headers do not cost one system call each; or of bytes already in memory, which
// are read in place under the same bounds.
class BoundedReader {
 public:
  BoundedReader(int fd, std::uint64_t length) : fd_(fd), length_(length) {}
  explicit BoundedReader(std::span<const std::uint8_t> bytes)
      : fd_(-1), length_(bytes.size()), memory_(bytes), inMemory_(true) {}

  // Fills out with the bytes at offset; the part that lies past the end of the file is zeros.
  // A failing read raises PlatformError with the system's reason.
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);
  [[nodiscard]] std::uint64_t Length() const noexcept { return length_; }

 private:
  static constexpr std::size_t kWindowSize = 64 * 1024;
  // Reads up to out.size() bytes at offset (offset < length_); fewer when the file shrank.
  std::size_t ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> out) const;

  int fd_;
  std::uint64_t length_;
  std::span<const std::uint8_t> memory_;
  bool inMemory_ = false;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
};

// A read position over a BoundedReader: consecutive reads go on where the last one ended.
class FileCursor {
 public:
  explicit FileCursor(BoundedReader& reader) : reader_(reader) {}
  void Seek(std::uint64_t position) noexcept { position_ = position; }
  [[nodiscard]] std::uint64_t Position() const noexcept { return position_; }
  void Read(std::span<std::uint8_t> out);
  [[nodiscard]] std::int16_t ReadInt16();
  [[nodiscard]] std::int32_t ReadInt32();

 private:
  BoundedReader& reader_;
  std::uint64_t position_ = 0;
};

// Little-endian values decoded byte by byte.
[[nodiscard]] std::uint16_t LoadLe16(std::span<const std::uint8_t> bytes, std::size_t at);
[[nodiscard]] std::uint32_t LoadLe32(std::span<const std::uint8_t> bytes, std::size_t at);

}  // namespace marlit
