#include "mainwindow/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <cstdlib>

#include "dialogs/about_dialog.h"
#include "dialogs/placement.h"
#include "dialogs/references_dialog.h"
#include "dialogs/section_dialog.h"
#include "mainwindow/file_drop.h"
#include "mainwindow/number_field.h"
#include "mainwindow/view_in_force.h"
#include "pe/panel/key_filter.h"
#include "pe/load/loader.h"
#include "pe/load/loader_messages.h"
#include "pe/panel/messages.h"
#include "pe/panel/number_text.h"
#include "pe/view/overlap.h"
#include "pe/panel/program_extension.h"
#include "platform/errors.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The most rows the open section list shows before it scrolls.
constexpr int kSectionRowsShown = 20;

void UseTooltipBackground(QLineEdit& field) {
  QPalette p = field.palette();
  p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
  p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
  field.setPalette(p);
}

// A toggle that is on looks pressed in the selection colour, plain at a glance under any style.
void ShowCheckedPlainly(QPushButton& toggle) {
  toggle.setStyleSheet(
      QStringLiteral("QPushButton:checked { background-color: palette(highlight); "
                     "color: palette(highlighted-text); border: 1px solid palette(shadow); "
                     "border-radius: 2px; }"));
}

// Runs one step of a handler whose failing steps are skipped.
template <typename F>
void Skipping(F&& step) {
  try {
    step();
  } catch (...) {
  }
}

std::u16string ErrorDescription(const char* what) { return ToU16(QString::fromUtf8(what)); }

// Sets a control's text only when it changes, so that the field being typed into keeps its
// cursor; its own change event is blocked, as the panel has run the handler already.
void Draw(QLineEdit& control, const FieldText& text) {
  const QString wanted = ToQString(text.View());
  if (control.text() == wanted) return;
  const QSignalBlocker blocker(control);
  control.setText(wanted);
}

}  // namespace

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

void 主窗體::BuildControls() {
  setObjectName(QStringLiteral("主窗體"));
  setWindowTitle(ToQString(Translate(u"偏移量轉換器")));
  // A fixed border with a minimize button and no maximize button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  bk = new QFrame(this);
  bk->setObjectName(QStringLiteral("bk"));
  bk->setFrameShape(QFrame::NoFrame);

  auto named = [](QWidget* w, const char16_t* name) {
    w->setObjectName(QString::fromUtf16(name));
    return w;
  };
  程式名 = new FileNameField(
      bk, [this](const QMimeData& dropped) { return 程式名_OLEDragDrop(dropped); });
  named(程式名, u"程式名");
  UseTooltipBackground(*程式名);
  程式名->setPlaceholderText(ToQString(Translate(u"將 .exe、.dll、.ocx 檔案拖放到此，或按「…」瀏覽")));

  瀏覽程式名 = new QPushButton(QStringLiteral("…"), bk);
  named(瀏覽程式名, u"瀏覽程式名");

  進制0 = new QRadioButton(ToQString(Translate(u"十進制")), bk);
  named(進制0, u"進制0");
  進制1 = new QRadioButton(ToQString(Translate(u"十六進制")), bk);
  named(進制1, u"進制1");
  進制1->setChecked(true);

  區段訊息 = new QComboBox(bk);
  named(區段訊息, u"區段訊息");
  區段訊息->setEditable(false);
  區段訊息->addItem(ToQString(Translate(u"不在段內")));
  // A long table scrolls in a list of a few rows rather than in one as tall as the screen.
  區段訊息->setMaxVisibleItems(kSectionRowsShown);
  區段訊息->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));

  選擇區段訊息 = new QPushButton(ToQString(Translate(u"選擇")), bk);
  named(選擇區段訊息, u"選擇區段訊息");

  頂端 = new QPushButton(ToQString(Translate(u"頂端")), bk);
  named(頂端, u"頂端");
  頂端->setCheckable(true);

  關於 = new QPushButton(ToQString(Translate(u"關於")), bk);
  named(關於, u"關於");

  auto mode = [this] { return panel_->radix(); };
  auto clipboardFailed = [this](const char* description) { ShowClipboardError(description); };
  虛偏移 = new NumberField(bk, clipboard_, beeper_, mode, clipboardFailed);
  named(虛偏移, u"虛偏移");
  實偏移 = new NumberField(bk, clipboard_, beeper_, mode, clipboardFailed);
  named(實偏移, u"實偏移");

  代碼 = new QLineEdit(bk);
  named(代碼, u"代碼");
  代碼->setReadOnly(true);
  UseTooltipBackground(*代碼);

  至剪貼簿 = new QPushButton(ToQString(Translate(u"至剪貼簿")), bk);
  named(至剪貼簿, u"至剪貼簿");
  至剪貼簿->setCheckable(true);

  l0 = new QLabel(ToQString(Translate(u"虛偏移")), bk);
  named(l0, u"l0");
  l1 = new QLabel(ToQString(Translate(u"實偏移")), bk);
  named(l1, u"l1");
  l2 = new QLabel(ToQString(Translate(u"代碼")), bk);
  named(l2, u"l2");

  // Below the seed's frame: what the address is, where the file points to it, and the view.
  l3 = new QLabel(ToQString(Translate(u"說明")), this);
  named(l3, u"l3");
  位址說明 = new QLineEdit(this);
  named(位址說明, u"位址說明");
  位址說明->setReadOnly(true);
  l3->setBuddy(位址說明);
  列出引用 = new QPushButton(ToQString(Translate(u"引用")), this);
  named(列出引用, u"列出引用");
  列出引用->setToolTip(ToQString(Translate(u"列出檔案中引用這個位址的位置 (Ctrl+R)")));

  映射狀態 = new QLabel(this);
  named(映射狀態, u"映射狀態");
  映射狀態->setTextInteractionFlags(Qt::TextSelectableByMouse);
  映射狀態->setAutoFillBackground(true);

  for (QPushButton* toggle : {頂端, 至剪貼簿}) ShowCheckedPlainly(*toggle);
  for (QPushButton* b : {瀏覽程式名, 選擇區段訊息, 頂端, 關於, 至剪貼簿, 列出引用}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  // The new controls come after the seed's, whose order stays.
  QWidget* order[] = {程式名, 瀏覽程式名, 進制1, 區段訊息, 選擇區段訊息, 頂端,     關於,
                      虛偏移, 實偏移,     代碼,  至剪貼簿, 進制0,        位址說明, 列出引用};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  定時器.setInterval(kHotKeyTimerMs);
  定時器.setSingleShot(false);
  LayOut(0, 0);
}

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

void 主窗體::KeyboardSetUp() {
  try {
    hotKeyInput_.SetUp(static_cast<NativeWindowId>(winId()));
  } catch (const DirectInputUnavailable&) {
    // The program ends once the message is closed, without showing the window or unloading it.
    prompt_.ShowMessage(kDirectInputErrorText);
    startFailed_ = true;
    ended_ = true;
  }
}

void 主窗體::KeyboardAcquire() { hotKeyInput_.Acquire(); }

void 主窗體::KeyboardRelease() { hotKeyInput_.Release(); }

void 主窗體::定時器_Timer() {
  if (hotKeyInput_.Tick(module_, front_)) QCoreApplication::processEvents();
}

bool 主窗體::Front::IsMinimized() const {
  return (window_.windowState() & Qt::WindowMinimized) != 0;
}

void 主窗體::Front::ShowNormal() {
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
}

NativeWindowId 主窗體::Front::NativeId() const {
  return static_cast<NativeWindowId>(window_.winId());
}

void 主窗體::Front::Focus() {
  window_.raise();
  window_.activateWindow();
  // A message box open over the window keeps the focus and stays on top of it.
  if (QWidget* box = QApplication::activeModalWidget(); box != nullptr && box != &window_) {
    box->raise();
    box->activateWindow();
  }
}

void 主窗體::Form_Resize() {
  const bool normal = !(windowState() & Qt::WindowMinimized);
  // A window manager may minimize the window with its dialog and restore it while the dialog is
  // still open; only the end of the dialog's bracket turns the hot-key on again.
  if (normal && dialogOpen_) return;
  module_.HotKeyEnabled = normal;
}

void 主窗體::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UntrappedOrEnd([this] { Form_Resize(); });
}

void 主窗體::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) UntrappedOrEnd([this] { Form_Resize(); });
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

void 主窗體::Trapped(PanelField field) {
  try {
    if (field == PanelField::實偏移) {
      實偏移_Change();
    } else {
      虛偏移_Change();
    }
  } catch (...) {
    Skipping([&] { ReportOverflow(); });
  }
}

// The window's active control: the child that holds, or regains with the window, the focus.
bool 主窗體::IsActiveControl(const QWidget* control) const { return focusWidget() == control; }

NumberField& 主窗體::Control(PanelField field) const {
  return field == PanelField::實偏移 ? *實偏移 : *虛偏移;
}

void 主窗體::DrawPanel() {
  Draw(*實偏移, panel_->Text(PanelField::實偏移));
  Draw(*虛偏移, panel_->Text(PanelField::虛偏移));
  Draw(*代碼, panel_->代碼());
  if (區段訊息->currentIndex() != panel_->Position()) {
    const QSignalBlocker blocker(區段訊息);
    區段訊息->setCurrentIndex(panel_->Position());
  }
  實偏移->SetInputLimit(panel_->InputLimit(PanelField::實偏移));
  虛偏移->SetInputLimit(panel_->InputLimit(PanelField::虛偏移));
  FitAddressFields();
  DrawDescription();
}

std::optional<std::int64_t> 主窗體::AddressShown() const {
  if (panel_->Text(PanelField::虛偏移).Empty()) return std::nullopt;
  return panel_->Number(PanelField::虛偏移);
}

void 主窗體::DrawDescription() {
  std::u16string line;
  try {
    if (const std::optional<std::int64_t> address = AddressShown()) {
      line = DescriptionLine(DescribeAddress(module_.Image, *address));
    } else if (!panel_->Text(PanelField::實偏移).Empty()) {
      line = DescriptionLine(DescribeFileOffset(module_.Image, panel_->Number(PanelField::實偏移)));
    }
  } catch (...) {
    // A value that cannot be described leaves the line empty; the panel has told of overflows.
    line.clear();
  }
  const QString text = ToQString(line);
  if (位址說明->text() != text) 位址說明->setText(text);
  位址說明->setCursorPosition(0);
}

void 主窗體::ReportOverflow() {
  prompt_.ShowMessage(kValueOverflowMessage);
  panel_->ClearAfterOverflow();
  DrawPanel();
}

void 主窗體::FieldChange(PanelField field) {
  NumberField& control = Control(field);
  if (!IsActiveControl(&control)) {
    panel_->SetText(field, ToFieldChars(control.text()));
    return;
  }
  const ConversionPanel::Outcome outcome = panel_->Change(field, ToFieldChars(control.text()));
  DrawPanel();
  if (outcome == ConversionPanel::Outcome::Overflowed) ReportOverflow();
}

void 主窗體::實偏移_Change() { FieldChange(PanelField::實偏移); }

void 主窗體::虛偏移_Change() { FieldChange(PanelField::虛偏移); }

void 主窗體::進制_Click(int index) {
  panel_->SetRadix(index == 0 ? Radix::Decimal : Radix::Hex);
  DrawPanel();
}

void 主窗體::區段訊息_Click() {
  if (!IsActiveControl(區段訊息)) return;
  const int k = 區段訊息->currentIndex();
  if (k < 0) return;
  panel_->Pick(k);
  DrawPanel();
}

void 主窗體::ReportSections() {
  panel_->ReportSections();
  {
    const QSignalBlocker blocker(區段訊息);
    區段訊息->clear();
    QStringList items;
    items.reserve(static_cast<qsizetype>(panel_->Items().size()));
    for (const std::u16string& item : panel_->Items()) items.push_back(ToQString(ShownName(item)));
    // In one call: a table of thousands of sections fills the list at once.
    區段訊息->addItems(items);
  }
  const std::u16string overlaps = OverlapReport(module_.Image);
  虛偏移->setFocus();
  DrawPanel();
  DrawViewInForce();
  if (!overlaps.empty()) prompt_.ShowMessage(overlaps);
}

void 主窗體::DrawViewInForce() {
  const ViewInForce shown = DescribeViewInForce(module_.Image);
  映射狀態->setText(ToQString(shown.Text));
  映射狀態->setToolTip(映射狀態->text());
  // Answers of another view or base look different at once: bold, in the selection colours.
  QFont font = 映射狀態->font();
  font.setBold(shown.Unusual);
  映射狀態->setFont(font);
  QPalette palette = this->palette();
  if (shown.Unusual) {
    palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
  }
  映射狀態->setPalette(palette);
}

void 主窗體::設置窗體層次(const bool& 取消頂層) {
  windowLevel_.SetTopmost(static_cast<std::uintptr_t>(winId()), !取消頂層);
}

void 主窗體::頂端_Click() {
  Skipping([this] { 代碼->setFocus(); });
  Skipping([this] {
    const bool 取消頂層 = !頂端->isChecked();
    設置窗體層次(取消頂層);
  });
}

void 主窗體::至剪貼簿_Click() {
  Skipping([this] { 代碼->setFocus(); });
}

void 主窗體::ShowClipboardError(const char* description) {
  Skipping([&] {
    prompt_.ShowMessage(std::u16string(Translate(u"剪貼簿操作出錯：")) +
                        ErrorDescription(description));
  });
}

void 主窗體::代碼_Change() {
  std::string failure;
  bool failed = false;
  auto step = [&](auto&& run) {
    try {
      run();
    } catch (const std::exception& e) {
      failed = true;
      failure = e.what();
    } catch (...) {
      failed = true;
      failure.clear();
    }
  };
  bool copy = false;
  std::u16string text;
  step([&] {
    text = ToU16(代碼->text());
    copy = !text.empty() && 至剪貼簿->isChecked();
  });
  if (copy) {
    step([&] { clipboard_.Clear(); });
    step([&] { clipboard_.WriteText(text); });
  }
  if (failed) ShowClipboardError(failure.c_str());
}

void 主窗體::DialogBracket(const std::function<void()>& dialogStep, Bracket kind) {
  const bool browse = kind == Bracket::Browse;
  auto run = [browse](const std::function<void()>& step) {
    if (browse) {
      step();
    } else {
      Skipping(step);
    }
  };
  dialogOpen_ = true;
  run([this] { module_.HotKeyEnabled = false; });
  if (!browse) run([this] { 代碼->setFocus(); });
  run([this] {
    if (頂端->isChecked()) 設置窗體層次(true);
  });
  run(dialogStep);
  run([this] {
    if (頂端->isChecked()) 設置窗體層次(false);
  });
  dialogOpen_ = false;
  module_.HotKeyEnabled = true;
}

void 主窗體::選擇區段訊息_Click() {
  DialogBracket([this] {
    const bool r = hooks_.選擇區段(*this, module_.Image, prompt_);
    if (r) ReportSections();
  });
}

void 主窗體::關於_Click() {
  DialogBracket([this] { hooks_.關於(*this); });
}

void 主窗體::列出引用_Click() {
  const std::optional<std::int64_t> address = AddressShown();
  if (!address || analysedPath_.empty()) {
    Skipping([this] { beeper_.Beep(); });
    return;
  }
  const QString addressText = 虛偏移->text();
  DialogBracket([&] {
    AddressReferences found;
    try {
      found = SearchReferences(*address);
    } catch (const PlatformError& e) {
      prompt_.ShowMessage(std::u16string(Translate(u"無法讀取檔案以搜尋引用：")) +
                          ErrorDescription(e.what()));
      return;
    }
    const std::optional<std::uint64_t> chosen = hooks_.引用(
        *this, addressText, found, panel_->radix(), AddressWidth(module_.Image));
    if (chosen) GoToOffset(*chosen);
  });
}

AddressReferences 主窗體::SearchReferences(std::int64_t address) {
  // The search reads the whole file; on a large one the box shows how far it got and can stop it.
  constexpr int kSteps = 1000;
  QProgressDialog progress(ToQString(Translate(u"正在搜尋引用這個位址的位置…")),
                           ToQString(Translate(u"取消")), 0, kSteps, this);
  progress.setObjectName(QStringLiteral("搜尋進度"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  const SearchProgress goOn = [&progress](std::uint64_t searched, std::uint64_t total) {
    const auto step = total == 0 ? 0 : static_cast<int>(searched * kSteps / total);
    progress.setValue(std::min(step, kSteps - 1));
    return !progress.wasCanceled();
  };
  return FindAddressReferencesInFile(module_.Image, analysedPath_, address, goOn);
}

void 主窗體::GoToOffset(std::uint64_t offset) {
  實偏移->setFocus();
  實偏移->setText(
      ToQString(FieldNumberText(panel_->radix(), NumberWidth::Narrow, static_cast<std::int64_t>(offset))));
}

void 主窗體::瀏覽程式名_Click() {
  DialogBracket([this] { BrowseStep(); }, Bracket::Browse);
}

void 主窗體::BrowseStep() {
  Perl2::Variable FileName = Perl2::Variable::TextOnly();
  std::u16string FileTitle;
  bool ReadOnly = false;
  std::u16string Filter(
      Translate(u"程式檔案(*.exe;*.dll;*.ocx)|*.exe;*.dll;*.ocx|全部檔案(*.*)|*.*"));
  std::int32_t FilterIndex = 1;
  std::u16string InitialDir;
  std::int32_t Flags = 0x80000;
  const bool chosen = openFile_.ShowOpenDialog(
      FileName, FileTitle, true, false, ReadOnly, false, Filter, FilterIndex, InitialDir,
      std::u16string(Translate(u"選擇程式檔案")), u"", static_cast<std::intptr_t>(winId()), Flags);
  if (chosen) OpenProgramFile(Perl2::TextOf(FileName.Get()));
}

void 主窗體::OpenProgramFile(const std::u16string& FileName) {
  if (!HasProgramExtension(FileName) &&
      !prompt_.AskOkCancel(Translate(u"所選檔案副檔名不正確，堅持打開嗎？"))) {
    return;
  }
  const QString name = ToQString(FileName);
  const std::filesystem::path path(QFile::encodeName(name).toStdString());
  const std::uint32_t tables = module_.Image.TablesInForce;
  // A file refused only at the end of its analysis leaves its table in force all the same; the
  // name and the section list then follow that table, so that everything shown comes from it.
  if (!AnalyzePeFile(module_.Image, path, prompt_) && module_.Image.TablesInForce == tables) return;
  analysedPath_ = path;
  程式名->setText(name);
  ReportSections();
}

void 主窗體::AcceptFileDrops() {
  // The fields take drops of their own (the number fields dropped text); a file goes to the window.
  auto* drop =
      new FileDrop(*this, [this](const QMimeData& dropped) { return 程式名_OLEDragDrop(dropped); });
  for (QLineEdit* field :
       {static_cast<QLineEdit*>(虛偏移), static_cast<QLineEdit*>(實偏移), 代碼}) {
    drop->Watch(*field);
  }
}

Qt::DropAction 主窗體::程式名_OLEDragDrop(const QMimeData& Data) {
  UntrappedOrEnd([&] {
    // A drop without a local file (dropped text, a remote address) is ignored like a folder.
    const std::optional<QString> first = FileDrop::FirstLocalFile(Data);
    if (!first || QFileInfo(*first).isDir()) return;
    OpenProgramFile(ToU16(*first));
  });
  return Qt::CopyAction;
}

void 主窗體::OpenFromCommandLine(const QString& path) {
  UntrappedOrEnd([&] {
    // A folder dropped is ignored, but one named on the command line was asked for: say why
    // nothing opens.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
      prompt_.ShowMessage(NotRegularFileMessage(ToU16(path)));
      return;
    }
    OpenProgramFile(ToU16(path));
  });
}

}  // namespace marlit
