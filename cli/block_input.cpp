#include "cli/block_input.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace marlit::cli {

std::ptrdiff_t DescriptorInput::Read(char* to, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, to, size);
    if (n >= 0 || errno != EINTR) return n < 0 ? -1 : n;
  }
}

std::ptrdiff_t TextInput::Read(char* to, std::size_t size) {
  const std::size_t n = std::min({size, chunk_, text_.size()});
  std::copy_n(text_.data(), n, to);
  text_.remove_prefix(n);
  return static_cast<std::ptrdiff_t>(n);
}

}  // namespace marlit::cli
