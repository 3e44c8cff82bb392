#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/keyboard/backends.h"
#include "platform/keyboard/key_table.h"
#include "platform/keyboard/keyboard_device.h"

namespace marlit {
namespace {

using KeyBits = std::array<std::uint8_t, KEY_MAX / 8 + 1>;

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_;
};

[[nodiscard]] bool BitSet(const KeyBits& bits, unsigned code) {
  return ((bits[code / 8] >> (code % 8)) & 1) != 0;
}

// Mice, power buttons and lid switches report keys too; a keyboard has letters and Enter.
[[nodiscard]] bool IsKeyboard(int fd) {
  KeyBits capable{};
  if (::ioctl(fd, EVIOCGBIT(EV_KEY, sizeof capable), capable.data()) < 0) return false;
  return BitSet(capable, KEY_A) && BitSet(capable, KEY_Z) && BitSet(capable, KEY_ENTER);
}

[[nodiscard]] std::vector<UniqueFd> OpenKeyboards(const std::filesystem::path& folder) {
  std::vector<UniqueFd> keyboards;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return keyboards;
  for (const auto& entry : it) {
    if (entry.path().filename().string().rfind("event", 0) != 0) continue;
    UniqueFd fd(::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() >= 0 && IsKeyboard(fd.get())) keyboards.push_back(std::move(fd));
  }
  return keyboards;
}

class EvdevKeyboard final : public KeyboardDeviceBase {
 public:
  explicit EvdevKeyboard(std::vector<UniqueFd> keyboards) : keyboards_(std::move(keyboards)) {}

 private:
  void ReadKeys(KeyboardState& state) override {
    // The system keyboard is all keyboards together; one that was unplugged simply has no key
    // down any more.
    all_.fill(0);
    for (const UniqueFd& fd : keyboards_) {
      if (::ioctl(fd.get(), EVIOCGKEY(sizeof one_), one_.data()) < 0) continue;
      std::transform(all_.begin(), all_.end(), one_.begin(), all_.begin(),
                     [](std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(a | b); });
    }
    FillKeyboardState(all_, 0, state);
  }

  std::vector<UniqueFd> keyboards_;
  KeyBits one_{};
  KeyBits all_{};
};

class EvdevInput final : public DirectInput {
 public:
  EvdevInput(std::filesystem::path folder, std::vector<UniqueFd> keyboards)
      : folder_(std::move(folder)), keyboards_(std::move(keyboards)) {}

  std::unique_ptr<DirectInputDevice> CreateDevice(std::string_view guid) override {
    if (guid != GUID_SysKeyboard) throw DirectInputError("no such input device");
    std::vector<UniqueFd> keyboards =
        keyboards_.empty() ? OpenKeyboards(folder_) : std::exchange(keyboards_, {});
    if (keyboards.empty()) throw DirectInputError("no readable keyboard under " + folder_.string());
    return std::make_unique<EvdevKeyboard>(std::move(keyboards));
  }

 private:
  std::filesystem::path folder_;
  std::vector<UniqueFd> keyboards_;  // opened by the create call, handed to the first device
};

}  // namespace

std::unique_ptr<DirectInput> MakeEvdevDirectInput(const std::filesystem::path& folder) {
  std::vector<UniqueFd> keyboards = OpenKeyboards(folder);
  if (keyboards.empty()) {
    throw DirectInputUnavailable("no readable keyboard under " + folder.string());
  }
  return std::make_unique<EvdevInput>(folder, std::move(keyboards));
}

}  // namespace marlit
