#pragma once
// A fake of the window level, and a test bed that builds the real
// window over fakes and finds its controls by name.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "mainwindow/main_window.h"
#include "platform/window_level.h"
#include "support/open_file.h"
#include "tests/fakes/fake_file_dialog.h"
#include "tests/fakes/fake_keyboard.h"
#include "tests/fakes/fakes.h"

namespace marlit::test {

class FakeWindowLevel : public WindowLevel {
 public:
  void SetTopmost(std::uintptr_t nativeWindow, bool topmost) override {
    ++calls;
    if (fail) throw PlatformError("window level refused");
    topmostWindows[nativeWindow] = topmost;
  }
  [[nodiscard]] bool IsTopmost(std::uintptr_t w) const {
    auto it = topmostWindows.find(w);
    return it != topmostWindows.end() && it->second;
  }
  std::map<std::uintptr_t, bool> topmostWindows;
  int calls = 0;
  bool fail = false;
};

// The window over fakes, with the dialogs replaced by what the test puts in place.
struct WindowBed {
  WindowBed() : openFile(dialogBackend, std::filesystem::temp_directory_path()) {
    主窗體::Hooks hooks;
    hooks.選擇區段 = [this](QWidget& owner, PeImage& image, Prompt& shownBy) {
      return chooseSections ? chooseSections(owner, image, shownBy) : false;
    };
    hooks.關於 = [this](QWidget& owner) {
      if (about) about(owner);
    };
    hooks.引用 = [this](QWidget& owner, const QString& address, const AddressReferences& found,
                        Radix radix, NumberWidth width) -> std::optional<std::uint64_t> {
      if (!referencesDialog) return std::nullopt;
      return referencesDialog(owner, address, found, radix, width);
    };
    hooks.EndProgram = [this] { ++programEnds; };
    window = std::make_unique<主窗體>(module, prompt, clipboard, beeper, windowLevel, openFile,
                                      主窗體::HotKeyPlatform{dxRoot, foreground}, std::move(hooks));
  }
  template <typename T>
  T* Get(const char* name) const {
    T* w = window->findChild<T*>(QString::fromUtf8(name));
    if (w == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return w;
  }
  QLineEdit* Field(const char* name) const { return Get<QLineEdit>(name); }
  QString Text(const char* name) const { return Field(name)->text(); }
  QComboBox* List() const { return Get<QComboBox>("區段訊息"); }
  QPushButton* Button(const char* name) const { return Get<QPushButton>(name); }
  [[nodiscard]] std::uintptr_t Wid() const { return static_cast<std::uintptr_t>(window->winId()); }
  [[nodiscard]] bool Topmost() const { return windowLevel.IsTopmost(Wid()); }
  [[nodiscard]] std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> m;
    for (const auto& s : prompt.shown) m.push_back(s.text);
    return m;
  }
  [[nodiscard]] QStringList Items() const {
    QStringList items;
    for (int i = 0; i < List()->count(); ++i) items.push_back(List()->itemText(i));
    return items;
  }

  主模組 module;
  fake::FakePrompt prompt;
  fake::FakeClipboard clipboard;
  fake::FakeBeeper beeper;
  FakeWindowLevel windowLevel;
  fake::FakeFileDialog dialogBackend;
  OpenFile::Service openFile;
  fake::FakeKeyboard keyboard;
  fake::FakeDirectX dxRoot{keyboard};
  fake::FakeForeground foreground;
  std::function<bool(QWidget&, PeImage&, Prompt&)> chooseSections;
  std::function<void(QWidget&)> about;
  std::function<std::optional<std::uint64_t>(QWidget&, const QString&, const AddressReferences&,
                                             Radix, NumberWidth)>
      referencesDialog;
  int programEnds = 0;
  std::unique_ptr<主窗體> window;
};

}  // namespace marlit::test
