#include "pe/read/bounded_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/errors.h"

namespace marlit {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t BoundedReader::ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      char buffer[256];
      throw PlatformError(strerror_r(errno, buffer, sizeof buffer));
    }
    if (n == 0) break;  // The file became shorter than it was measured; the rest reads as zeros.
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void BoundedReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  if (offset >= length_) return;
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), length_ - offset));
  if (inMemory_) {
    std::copy_n(memory_.subspan(static_cast<std::size_t>(offset)).begin(), wanted, out.begin());
    return;
  }
  if (wanted > kWindowSize) {
    (void)ReadFromFile(offset, out.first(wanted));
    return;
  }
  const bool inWindow = offset >= windowStart_ && offset - windowStart_ <= window_.size() &&
                        wanted <= window_.size() - (offset - windowStart_);
  if (!inWindow) {
    window_.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, length_ - offset)));
    windowStart_ = offset;
    window_.resize(ReadFromFile(offset, window_));
  }
  const std::size_t from = static_cast<std::size_t>(offset - windowStart_);
  const std::size_t available = std::min(wanted, window_.size() - from);
  std::copy_n(window_.begin() + static_cast<std::ptrdiff_t>(from), available, out.begin());
}

void FileCursor::Read(std::span<std::uint8_t> out) {
  reader_.ReadAt(position_, out);
  position_ += out.size();
}

std::int16_t FileCursor::ReadInt16() {
  std::array<std::uint8_t, 2> b{};
  Read(b);
  return static_cast<std::int16_t>(LoadLe16(b, 0));
}

std::int32_t FileCursor::ReadInt32() {
  std::array<std::uint8_t, 4> b{};
  Read(b);
  return static_cast<std::int32_t>(LoadLe32(b, 0));
}

std::uint16_t LoadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t LoadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | (std::uint32_t{bytes[at + 1]} << 8) |
         (std::uint32_t{bytes[at + 2]} << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}

}  // namespace marlit
