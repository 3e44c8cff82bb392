#pragma once
// The input of the value "-", read in large blocks rather than a line at a time.

#include <cstddef>
#include <string_view>

namespace marlit::cli {

class BlockInput {
 public:
  virtual ~BlockInput() = default;
  // Reads up to size bytes into to: the count read, 0 at the end of the input, -1 when the input
  // cannot be read.
  [[nodiscard]] virtual std::ptrdiff_t Read(char* to, std::size_t size) = 0;
};

// read(2) on a file descriptor: what a pipe or a terminal has at the moment, or a block of a file.
class DescriptorInput final : public BlockInput {
 public:
  explicit DescriptorInput(int fd) : fd_(fd) {}
  [[nodiscard]] std::ptrdiff_t Read(char* to, std::size_t size) override;

 private:
  int fd_;
};

// A text in memory, handed out at most chunk bytes a read, as a pipe hands out what it holds.
class TextInput final : public BlockInput {
 public:
  explicit TextInput(std::string_view text, std::size_t chunk = static_cast<std::size_t>(-1))
      : text_(text), chunk_(chunk) {}
  [[nodiscard]] std::ptrdiff_t Read(char* to, std::size_t size) override;

 private:
  std::string_view text_;
  std::size_t chunk_;
};

}  // namespace marlit::cli
