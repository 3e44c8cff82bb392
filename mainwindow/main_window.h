#pragma once
// 主窗體: Marlit's converter window. Its controls carry their names as object names: 程式名,
// 瀏覽程式名, 進制0 and 進制1 (the option pair 進制, one object per index), 區段訊息, 選擇區段訊息,
// 頂端, 關於, 虛偏移, 實偏移, 代碼, 至剪貼簿, the labels l0 .. l2 and the frame bk; below bk, the
// description 位址說明 with its label l3, the button 列出引用 (also Ctrl+R), and the line 映射狀態
// that names the view and the base in force.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "mainwindow/hotkey/hot_key.h"
#include "mainwindow/main_module.h"
#include "pe/facts/address_facts.h"
#include "pe/panel/conversion_panel.h"
#include "platform/beep.h"
#include "platform/clipboard.h"
#include "platform/program_info.h"
#include "platform/prompt.h"
#include "platform/window_level.h"
#include "support/open_file.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class QRadioButton;

namespace marlit {

class FileNameField;
class NumberField;

class 主窗體 : public QWidget {
 public:
  // The modal dialogs that the buttons open and the end of the program after an unexpected
  // error; the tests put their own in place.
  struct Hooks {
    std::function<bool(QWidget& owner, PeImage& image, Prompt& prompt)> 選擇區段;
    std::function<void(QWidget& owner)> 關於;
    // The references found of the address whose text is given; the file offset chosen, if any.
    std::function<std::optional<std::uint64_t>(QWidget& owner, const QString& address,
                                               const AddressReferences& found, Radix radix,
                                               NumberWidth addressWidth)>
        引用;
    std::function<void()> EndProgram;
  };
  // The real dialogs, and an end that leaves the event loop with a failure status.
  [[nodiscard]] static Hooks DefaultHooks();

  // The keyboard and the foreground window of the hot-key.
  struct HotKeyPlatform {
    DirectX7& DxRoot;
    Foreground& foreground;
  };

  // Creating the window runs Form_Load, which shows it.
  // Without DirectInput, Form_Load shows its message and the window is never shown: see
  // StartFailed.
  主窗體(主模組& module, Prompt& prompt, Clipboard& clipboard, Beeper& beeper,
         WindowLevel& windowLevel, OpenFile::Service& openFile, HotKeyPlatform hotKey,
         Hooks hooks = DefaultHooks());
  ~主窗體() override;
  主窗體(const 主窗體&) = delete;
  主窗體& operator=(const 主窗體&) = delete;

  // Puts the window into the topmost band (false) or takes it out (true); it keeps its place.
  void 設置窗體層次(const bool& 取消頂層);

  // Opens the file named on the command line as a drop of it on 程式名 would.
  void OpenFromCommandLine(const QString& path);

  // True when Form_Load could not create the keyboard input; the program is to end at once.
  [[nodiscard]] bool StartFailed() const { return startFailed_; }
  // True once an unexpected error has been reported; the program is to end.
  [[nodiscard]] bool Ended() const { return ended_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // main_window.cpp
  void ConnectHandlers();
  void Form_Load();
  void Form_Unload();
  // Handlers that trap nothing: an unexpected error ends the program with a report.
  void UntrappedOrEnd(const std::function<void()>& handler);

  // main_window_controls.cpp, main_window_layout.cpp, english_layout.cpp
  void BuildControls();
  // How many pixels 虛偏移, 實偏移 and 代碼 grow beyond the seed's places.
  struct FieldGrowth {
    int memory = 0;
    int file = 0;
    int code = 0;
  };
  void PlaceControls(const FieldGrowth& growth);
  // Places the controls so that the fields show every digit of addresses of the given width.
  void LayOut(NumberWidth addressWidth);
  void FitEnglishTexts();
  // The layout of the loaded image's kind.
  void FitAddressFields();

  // main_window_panel.cpp
  // Sets a control's text only when it changes, so that the field being typed into keeps its
  // cursor; its own change event is blocked, as the panel has run the handler already.
  static void Draw(QLineEdit& control, const FieldText& text);
  // A change handler's error trap: any error ends the handler with ReportOverflow.
  void Trapped(PanelField field);
  [[nodiscard]] bool IsActiveControl(const QWidget* control) const;
  [[nodiscard]] NumberField& Control(PanelField field) const;
  // Draws the panel's texts, selected item and input limits into the controls.
  void DrawPanel();
  void FieldChange(PanelField field);
  void ReportOverflow();
  void 實偏移_Change();
  void 虛偏移_Change();
  void 進制_Click(int index);
  void 區段訊息_Click();
  void ReportSections();
  // Names the view and the base in force in 映射狀態, marked when they are not the defaults.
  void DrawViewInForce();
  // The address the panel shows in 虛偏移, which the description and the references are of.
  [[nodiscard]] std::optional<std::int64_t> AddressShown() const;
  // Describes the address shown, or else the file offset in 實偏移, in 位址說明.
  void DrawDescription();

  // main_window_open.cpp
  void 瀏覽程式名_Click();
  void BrowseStep();
  void OpenProgramFile(const std::u16string& FileName);
  // A local file dropped anywhere on the window opens as one dropped on 程式名.
  void AcceptFileDrops();
  Qt::DropAction 程式名_OLEDragDrop(const QMimeData& Data);
  // Opens the file that a drop or the command line names; a path that names no regular file (a
  // folder, a device) is refused with a message.
  void OpenNamedFile(const QString& path);

  // main_window_dialogs.cpp
  // The frame of a dialog opened by a button. The browse dialog's frame leaves the focus where it
  // is and skips no failing step: its failures end the program as the browse handler's do.
  enum class Bracket { Button, Browse };
  void DialogBracket(const std::function<void()>& dialogStep, Bracket kind = Bracket::Button);
  void 選擇區段訊息_Click();
  void 關於_Click();
  void 頂端_Click();

  // main_window_clipboard.cpp
  void 至剪貼簿_Click();
  void 代碼_Change();
  void ShowClipboardError(const char* description);

  // main_window_hot_key.cpp: the keyboard's set-up and acquisition while the window loads, its
  // release when it closes, the timer's tick, and the pause while minimized.
  void KeyboardSetUp();
  void KeyboardAcquire();
  void KeyboardRelease();
  void 定時器_Timer();
  void Form_Resize();

  // main_window_references.cpp
  void 列出引用_Click();
  // Searches the analysed file for the address, with a progress box that can cancel it.
  [[nodiscard]] AddressReferences SearchReferences(std::int64_t address);
  // Puts offset into 實偏移 and translates it, as if the user had typed it there.
  void GoToOffset(std::uint64_t offset);

  主模組& module_;
  Prompt& prompt_;
  Clipboard& clipboard_;
  Beeper& beeper_;
  WindowLevel& windowLevel_;
  OpenFile::Service& openFile_;
  Hooks hooks_;
  // The conversion steps behind 實偏移, 虛偏移, 代碼, 進制 and 區段訊息; made by Form_Load with the
  // main module's byte texts.
  std::optional<ConversionPanel> panel_;
  NumberWidth layoutWidth_ = NumberWidth::Narrow;
  // The file whose table is in force, searched again for references.
  std::filesystem::path analysedPath_;
  bool ended_ = false;
  bool startFailed_ = false;
  // While a dialog bracket is open, only its end turns the hot-key on.
  bool dialogOpen_ = false;

  // What BringFormToFront asks of this window.
  class Front final : public FrontWindow {
   public:
    explicit Front(主窗體& window) : window_(window) {}
    [[nodiscard]] bool IsMinimized() const override;
    void ShowNormal() override;
    [[nodiscard]] NativeWindowId NativeId() const override;
    void Focus() override;

   private:
    主窗體& window_;
  };
  Front front_{*this};
  HotKeyInput hotKeyInput_;

  QFrame* bk = nullptr;
  FileNameField* 程式名 = nullptr;
  QPushButton* 瀏覽程式名 = nullptr;
  QRadioButton* 進制0 = nullptr;
  QRadioButton* 進制1 = nullptr;
  QComboBox* 區段訊息 = nullptr;
  QPushButton* 選擇區段訊息 = nullptr;
  QPushButton* 頂端 = nullptr;
  QPushButton* 關於 = nullptr;
  NumberField* 虛偏移 = nullptr;
  NumberField* 實偏移 = nullptr;
  QLineEdit* 代碼 = nullptr;
  QPushButton* 至剪貼簿 = nullptr;
  QLabel* l0 = nullptr;
  QLabel* l1 = nullptr;
  QLabel* l2 = nullptr;
  QLabel* l3 = nullptr;
  QLineEdit* 位址說明 = nullptr;
  QPushButton* 列出引用 = nullptr;
  QLabel* 映射狀態 = nullptr;
  QTimer 定時器;
};

// The caption: product name, a blank, major "." minor, and "B 版".
[[nodiscard]] std::u16string WindowCaption(const VersionInfo& version);

}  // namespace marlit
