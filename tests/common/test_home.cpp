// Linked into every test program: it runs with a home and configuration folder of its own, made
// afresh at its start and removed at its end, so that nothing a test drives writes into the
// user's own folders (Qt's file dialog keeps its history in ~/.config/QtProject.conf).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class OwnHome {
 public:
  OwnHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "marlit-test-home-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
    // X clients look for the display's cookie in the home folder unless told where it is.
    if (const char* home = std::getenv("HOME");
        home != nullptr && std::getenv("XAUTHORITY") == nullptr) {
      ::setenv("XAUTHORITY", (std::filesystem::path(home) / ".Xauthority").c_str(), 0);
    }
    ::setenv("HOME", folder_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder_ / ".config").c_str(), 1);
  }
  ~OwnHome() {
    if (folder_.empty() || ::getpid() != owner_) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  OwnHome(const OwnHome&) = delete;
  OwnHome& operator=(const OwnHome&) = delete;

 private:
  std::filesystem::path folder_;
  pid_t owner_ = ::getpid();
};

const OwnHome ownHome;

}  // namespace
