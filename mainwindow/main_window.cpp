// 主窗體's life: its making and loading, the wiring of its handlers, its unloading, and the end
// of the program after an unexpected error. Its handlers live beside it, one concern a file, as
// main_window.h lists them.
#include "mainwindow/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <cstdlib>

#include "dialogs/about_dialog.h"
#include "dialogs/references_dialog.h"
#include "dialogs/section_dialog.h"
#include "mainwindow/handler_steps.h"
#include "mainwindow/number_field.h"
#include "platform/translation.h"

namespace marlit {

std::u16string WindowCaption(const VersionInfo& version) {
  return version.ProductName + u" " + ToU16(QString::number(version.Major)) + u"." +
         ToU16(QString::number(version.Minor)) + std::u16string(Translate(u"B 版"));
}

主窗體::Hooks 主窗體::DefaultHooks() {
  return Hooks{
      [](QWidget& owner, PeImage& image, Prompt& prompt) {
        return 選擇區段::選擇(owner, image, prompt);
      },
      [](QWidget& owner) { 關於對話框::顯示(owner); },
      [](QWidget& owner, const QString& address, const AddressReferences& found, Radix radix,
         NumberWidth addressWidth) {
        return 引用清單::選擇(owner, address, found, radix, addressWidth);
      },
      [] {
        // exit() reaches only the loops that run now; before the program's own loop has started
        // (a file named on the command line) it is told again as soon as that loop runs.
        QCoreApplication::exit(EXIT_FAILURE);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(EXIT_FAILURE); },
            Qt::QueuedConnection);
      },
  };
}

主窗體::主窗體(主模組& module, Prompt& prompt, Clipboard& clipboard, Beeper& beeper,
               WindowLevel& windowLevel, OpenFile::Service& openFile, HotKeyPlatform hotKey,
               Hooks hooks)
    : QWidget(nullptr),
      module_(module),
      prompt_(prompt),
      clipboard_(clipboard),
      beeper_(beeper),
      windowLevel_(windowLevel),
      openFile_(openFile),
      hooks_(std::move(hooks)),
      hotKeyInput_(hotKey.DxRoot, hotKey.foreground) {
  BuildControls();
  AcceptFileDrops();
  ConnectHandlers();
  Form_Load();
}

主窗體::~主窗體() { 定時器.stop(); }

void 主窗體::ConnectHandlers() {
  connect(實偏移, &QLineEdit::textChanged, this, [this] { Trapped(PanelField::實偏移); });
  connect(虛偏移, &QLineEdit::textChanged, this, [this] { Trapped(PanelField::虛偏移); });

  connect(進制0, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Skipping([this] { 進制_Click(0); });
  });
  connect(進制1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Skipping([this] { 進制_Click(1); });
  });
  connect(區段訊息, &QComboBox::currentIndexChanged, this,
          [this] { Skipping([this] { 區段訊息_Click(); }); });
  connect(頂端, &QPushButton::clicked, this, [this] { 頂端_Click(); });
  connect(至剪貼簿, &QPushButton::clicked, this, [this] { 至剪貼簿_Click(); });
  connect(選擇區段訊息, &QPushButton::clicked, this, [this] { 選擇區段訊息_Click(); });
  connect(關於, &QPushButton::clicked, this, [this] { 關於_Click(); });
  connect(列出引用, &QPushButton::clicked, this, [this] { 列出引用_Click(); });
  auto* references = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
  connect(references, &QShortcut::activated, this, [this] { 列出引用_Click(); });
  connect(瀏覽程式名, &QPushButton::clicked, this,
          [this] { UntrappedOrEnd([this] { 瀏覽程式名_Click(); }); });
  connect(&定時器, &QTimer::timeout, this, [this] { UntrappedOrEnd([this] { 定時器_Timer(); }); });
}

void 主窗體::Form_Load() {
  InitMainModule(module_);
  panel_.emplace(module_.Image, module_.HexByteText);
  // 代碼 is written by the panel only; each of its changes may go to the clipboard.
  panel_->On代碼Change([this] {
    Draw(*代碼, panel_->代碼());
    代碼_Change();
  });
  區段訊息->setCurrentIndex(0);
  setWindowTitle(ToQString(WindowCaption(ProgramVersion())));
  KeyboardSetUp();
  if (startFailed_) return;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  KeyboardAcquire();
  定時器.start();
}

void 主窗體::Form_Unload() {
  KeyboardRelease();
  定時器.stop();
  QCoreApplication::processEvents();
}

void 主窗體::closeEvent(QCloseEvent* event) {
  UntrappedOrEnd([this] { Form_Unload(); });
  event->accept();
}

void 主窗體::UntrappedOrEnd(const std::function<void()>& handler) {
  if (ended_) return;
  std::u16string what;
  try {
    handler();
    return;
  } catch (const std::exception& e) {
    what = ErrorDescription(e.what());
  } catch (...) {
    what = Translate(u"不明的錯誤");
  }
  ended_ = true;
  定時器.stop();
  Skipping([&] {
    prompt_.ShowMessage(std::u16string(Translate(u"程式發生未預期的錯誤，必須結束。")) + u"\r\n" +
                        what);
  });
  hooks_.EndProgram();
}

}  // namespace marlit
