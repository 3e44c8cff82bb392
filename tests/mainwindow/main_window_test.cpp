#include "mainwindow/main_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "mainwindow/number_field.h"
#include "pe/view/image_view.h"
#include "tests/common/pe_builder.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

constexpr char16_t kOverflow[] = u"溢出！請填寫正確的數值。";

// Image base 400000h; .text at file 400h (1000h bytes) and memory 1000h, .data at file 1400h
// (200h bytes) and memory 3000h.
PeBuilder TwoSections() {
  PeBuilder b;
  b.AddSection(".text", 0x1000, 0x1000, 0x400).AddSection(".data", 0x3000, 0x200, 0x1400);
  return b;
}

class MainWindowTest : public ::testing::Test {
 protected:
  // Opens the built file as a drop of it would; the prompt's record starts empty afterwards.
  void Load(const PeBuilder& b, const std::string& name = "a.exe") {
    path = QString::fromStdString((dir / name).string());
    b.WriteTo(path.toStdString());
    bed.window->OpenFromCommandLine(path);
    ASSERT_EQ(bed.Text("程式名"), path);
    bed.prompt.shown.clear();
  }
  void Type(const char* field, const QString& text) {
    QLineEdit* f = bed.Field(field);
    f->setFocus();
    QTest::keyClicks(f, text);
  }
  // Switches to decimal and empties the two fields.
  void Decimal() {
    QTest::mouseClick(bed.Get<QRadioButton>("進制0"), Qt::LeftButton);
    bed.Field("實偏移")->clear();
    bed.Field("虛偏移")->clear();
  }

  TempDir dir;
  WindowBed bed;
  QString path;
};

TEST_F(MainWindowTest, StartsWithTheCaptionAnEmptyPanelAndTheStartUpState) {
  EXPECT_EQ(bed.window->windowTitle(), QStringLiteral("Vesko偏移量轉換器 0.94B 版"));
  EXPECT_EQ(bed.Items(), QStringList{QStringLiteral("不在段內")});
  EXPECT_EQ(bed.List()->currentIndex(), 0);
  EXPECT_TRUE(bed.Get<QRadioButton>("進制1")->isChecked());
  EXPECT_FALSE(bed.Button("頂端")->isChecked());
  EXPECT_FALSE(bed.Button("至剪貼簿")->isChecked());
  EXPECT_EQ(bed.windowLevel.calls, 0);
  EXPECT_EQ(bed.module.HotKeyCodes, (std::array<std::int32_t, 3>{88, 0, 0}));
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  EXPECT_EQ(bed.module.MainThreadId, static_cast<std::int64_t>(getpid()));
  EXPECT_EQ(bed.module.HexByteText[0], u"00");
  EXPECT_EQ(bed.module.HexByteText[10], u"0A");
  EXPECT_EQ(bed.module.HexByteText[255], u"FF");
  EXPECT_EQ(bed.window->width(), 384);
  EXPECT_EQ(bed.Get<QWidget>("bk")->geometry(), QRect(3, 0, 377, 90)) << "the seed's frame stays";
  EXPECT_GE(bed.Get<QWidget>("映射狀態")->geometry().top(), 90) << "new rows come below it";
  EXPECT_FALSE(bed.window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(bed.window->windowFlags() & Qt::WindowMinimizeButtonHint);
}

struct TypingCase {
  const char* name;
  bool decimal;
  const char* field;
  const char* typed;
  const char* other;
  int item;
  const char* code;
};

class TypingTest : public MainWindowTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TypingTest, TranslatesAtEveryKey) {
  const TypingCase& c = GetParam();
  Load(TwoSections());
  if (c.decimal) Decimal();
  Type(c.field, QString::fromUtf8(c.typed));
  const char* other = std::string_view(c.field) == "實偏移" ? "虛偏移" : "實偏移";
  EXPECT_EQ(bed.Text(c.field), QString::fromUtf8(c.typed)) << "the typed field is never rewritten";
  EXPECT_EQ(bed.Text(other), QString::fromUtf8(c.other));
  EXPECT_EQ(bed.List()->currentIndex(), c.item);
  EXPECT_EQ(bed.Text("代碼"), QString::fromUtf8(c.code));
  EXPECT_TRUE(bed.prompt.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    BothFieldsBothRadices, TypingTest,
    ::testing::Values(
        TypingCase{"HexOffsetInText", false, "實偏移", "1000", "401C00", 2, "001C4000"},
        TypingCase{"HexOffsetLowerCase", false, "實偏移", "13ff", "401FFF", 2, "FF1F4000"},
        TypingCase{"HexOffsetInData", false, "實偏移", "1400", "403000", 3, "00304000"},
        TypingCase{"HexOffsetInNoSection", false, "實偏移", "FFFFFF", "", 0, ""},
        TypingCase{"HexAddressInText", false, "虛偏移", "401C00", "1000", 2, "001C4000"},
        TypingCase{"HexAddressInNoSection", false, "虛偏移", "500000", "", 0, ""},
        TypingCase{"HexAddressOfFileStart", false, "虛偏移", "400000", "0", 1, "00004000"},
        TypingCase{"DecimalOffset", true, "實偏移", "4096", "4201472", 2, "001C4000"},
        TypingCase{"DecimalAddress", true, "虛偏移", "4201472", "4096", 2, "001C4000"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, A64BitImageWidensTheAddressFieldsUntilA32BitOneIsLoaded) {
  const QSize narrow = bed.window->size();
  Load(TwoSections().Magic(0x20B).ImageBase(0xFFFFF80000000000ull), "wide.exe");
  Type("實偏移", "1000");
  EXPECT_EQ(bed.Text("虛偏移"), "FFFFF80000001C00");
  EXPECT_EQ(bed.Text("代碼"), "001C000000F8FFFF");
  Decimal();
  Type("虛偏移", "184467440737095516159");  // the 21st digit is over the limit
  EXPECT_EQ(bed.Text("虛偏移"), "18446744073709551615");
  for (const char* name : {"虛偏移", "代碼"}) {
    const QLineEdit* f = bed.Field(name);
    EXPECT_LT(f->fontMetrics().horizontalAdvance(f->text()), f->contentsRect().width()) << name;
  }
  EXPECT_GT(bed.window->width(), narrow.width());
  Load(TwoSections());
  EXPECT_EQ(bed.window->size(), narrow);
  EXPECT_EQ(static_cast<NumberField*>(bed.Field("虛偏移"))->InputLimit(), 10);
}

TEST_F(MainWindowTest, ProgramUpdatesNeverCascade) {
  Load(TwoSections());
  // Typed into the file field, the memory field is emptied: translated back, that would empty
  // the file field.
  Type("實偏移", "FFFFFF");
  EXPECT_EQ(bed.Text("實偏移"), "FFFFFF");
  // Text set while the field does not hold the focus translates nothing.
  bed.Field("虛偏移")->setText("401C00");
  EXPECT_EQ(bed.Text("實偏移"), "FFFFFF");
  EXPECT_EQ(bed.List()->currentIndex(), 0);
}

TEST_F(MainWindowTest, ClearingAFieldTranslatesNothing) {
  Load(TwoSections());
  for (const char* field : {"實偏移", "虛偏移"}) {
    Type(field, field == std::string("實偏移") ? "12" : "401C00");
    QTest::keyClick(bed.Field(field), Qt::Key_Backspace);
    bed.Field(field)->selectAll();
    QTest::keyClick(bed.Field(field), Qt::Key_Backspace);
    EXPECT_EQ(bed.Text("虛偏移"), "") << field;
    EXPECT_EQ(bed.Text("實偏移"), "") << field;
    EXPECT_EQ(bed.Text("代碼"), "") << field;
    EXPECT_EQ(bed.List()->currentIndex(), 0) << field;
  }
}

struct OverflowCase {
  const char* name;
  bool loaded;
  const char* field;
  const char* fileText;
  const char* memoryText;
  int item;
};

class OverflowTest : public MainWindowTest, public ::testing::WithParamInterface<OverflowCase> {};

TEST_P(OverflowTest, ReportsAndLeavesTheFinalTexts) {
  const OverflowCase& c = GetParam();
  if (c.loaded) Load(TwoSections());
  Decimal();
  Type(c.field, "2147483648");
  EXPECT_EQ(bed.Messages(), std::vector<std::u16string>{kOverflow});
  EXPECT_EQ(bed.Text("實偏移"), QString::fromUtf8(c.fileText));
  EXPECT_EQ(bed.Text("虛偏移"), QString::fromUtf8(c.memoryText));
  EXPECT_EQ(bed.Text("代碼"), "");
  EXPECT_EQ(bed.List()->currentIndex(), c.item);
}

INSTANTIATE_TEST_SUITE_P(
    EitherField, OverflowTest,
    ::testing::Values(OverflowCase{"FileFieldLoaded", true, "實偏移", "", "", 0},
                      OverflowCase{"FileFieldNoFile", false, "實偏移", "", "", 0},
                      OverflowCase{"MemoryFieldLoaded", true, "虛偏移", "", "", 0},
                      OverflowCase{"MemoryFieldNoFile", false, "虛偏移", "", "", 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, LargestDecimalIsNoOverflow) {
  Decimal();
  Type("實偏移", "2147483647");
  EXPECT_TRUE(bed.prompt.shown.empty());
  EXPECT_EQ(bed.Text("虛偏移"), "") << "no file: no answer";
}

TEST_F(MainWindowTest, RadixSwitchRewritesBothFieldsOnly) {
  Load(TwoSections());
  Type("實偏移", "1000");
  bed.Field("代碼")->setFocus();
  bed.Field("虛偏移")->setText("FFFFFFFF");
  bed.Field("實偏移")->setText("80000000");
  QTest::mouseClick(bed.Get<QRadioButton>("進制0"), Qt::LeftButton);
  EXPECT_EQ(bed.Text("實偏移"), "-2147483648") << "11 characters, longer than the typing limit";
  EXPECT_EQ(bed.Text("虛偏移"), "-1");
  EXPECT_EQ(bed.Text("代碼"), "001C4000");
  EXPECT_EQ(bed.List()->currentIndex(), 2);
  QTest::mouseClick(bed.Get<QRadioButton>("進制1"), Qt::LeftButton);
  EXPECT_EQ(bed.Text("實偏移"), "80000000") << "a negative decimal keeps its value";
  EXPECT_EQ(bed.Text("虛偏移"), "FFFFFFFF");
}

TEST_F(MainWindowTest, RadixSwitchKeepsEmptyFieldsEmptyAndSetsTheLimit) {
  QTest::mouseClick(bed.Get<QRadioButton>("進制0"), Qt::LeftButton);
  EXPECT_EQ(bed.Text("實偏移"), "");
  EXPECT_EQ(bed.Text("虛偏移"), "");
  EXPECT_EQ(bed.Text("代碼"), "");
  bed.Field("實偏移")->clear();
  Type("實偏移", "123456789012");
  EXPECT_EQ(bed.Text("實偏移"), "1234567890");
  QTest::mouseClick(bed.Get<QRadioButton>("進制1"), Qt::LeftButton);
  bed.Field("實偏移")->clear();
  Type("實偏移", "123456789");
  EXPECT_EQ(bed.Text("實偏移"), "12345678");
}

// The line under the converter writes the image base and the load address in the radix of the
// fields.
struct ViewLineCase {
  const char* name;
  bool decimal;
  bool rebased;  // loaded at 10000000h
  const char* line;
};

class ViewLineTest : public MainWindowTest, public ::testing::WithParamInterface<ViewLineCase> {};

TEST_P(ViewLineTest, WritesItsNumbersInTheRadixInForce) {
  const ViewLineCase& c = GetParam();
  Load(TwoSections());
  if (c.rebased) {
    bed.chooseSections = [](QWidget&, PeImage& image, Prompt&) {
      return SetLoadAddress(image, 0x10000000) == ViewChange::Done;
    };
    QTest::mouseClick(bed.Button("選擇區段訊息"), Qt::LeftButton);
  }
  if (c.decimal) QTest::mouseClick(bed.Get<QRadioButton>("進制0"), Qt::LeftButton);
  EXPECT_EQ(bed.Get<QLabel>("映射狀態")->text(), QString::fromUtf8(c.line));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Radices, ViewLineTest, ::testing::Values(
    ViewLineCase{"Hex", false, false, "區段表，基位址 400000"},
    ViewLineCase{"Decimal", true, false, "區段表，基位址 4194304"},
    ViewLineCase{"DecimalLoadAddress", true, true, "區段表，載入位址 268435456（檔案的基位址 4194304）"}),
    [](const auto& param) { return std::string(param.param.name); });
// clang-format on

TEST_F(MainWindowTest, ClickingTheSelectedRadixChangesNothing) {
  Type("實偏移", "1F");
  QTest::mouseClick(bed.Get<QRadioButton>("進制1"), Qt::LeftButton);
  EXPECT_EQ(bed.Text("實偏移"), "1F");
}

struct PickCase {
  const char* name;
  bool decimal;
  int item;
  const char* file;
  const char* memory;
  const char* code;
};

class SectionPickTest : public MainWindowTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(SectionPickTest, ShowsTheStartOfThePickedSection) {
  const PickCase& c = GetParam();
  Load(TwoSections());
  if (c.decimal) Decimal();
  Type("實偏移", "1");
  bed.Field("代碼")->setFocus();
  bed.List()->setCurrentIndex((c.item + 1) % bed.List()->count());
  bed.List()->setFocus();
  bed.List()->setCurrentIndex(c.item);
  EXPECT_EQ(bed.Text("實偏移"), QString::fromUtf8(c.file));
  EXPECT_EQ(bed.Text("虛偏移"), QString::fromUtf8(c.memory));
  EXPECT_EQ(bed.Text("代碼"), QString::fromUtf8(c.code));
}

INSTANTIATE_TEST_SUITE_P(Items, SectionPickTest,
                         ::testing::Values(PickCase{"NotInASection", false, 0, "", "", ""},
                                           PickCase{"Header", false, 1, "0", "400000", "00004000"},
                                           PickCase{"Text", false, 2, "400", "401000", "00104000"},
                                           PickCase{"DataDecimal", true, 3, "5120", "4206592",
                                                    "00304000"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, ProgramSelectionOfAnItemChangesNoField) {
  Load(TwoSections());
  Type("實偏移", "1000");
  bed.List()->setCurrentIndex(3);
  EXPECT_EQ(bed.Text("實偏移"), "1000");
  EXPECT_EQ(bed.Text("虛偏移"), "401C00");
}

TEST_F(MainWindowTest, OverlapReportIsShownOverTheClearedPanel) {
  PeBuilder b;
  b.AddSection(".a", 0x1000, 0x200, 0x400).AddSection(".b", 0x2000, 0x200, 0x400);
  Load(b);
  Type("實偏移", "5");
  bed.window->OpenFromCommandLine(path);
  ASSERT_EQ(bed.prompt.shown.size(), 1u);
  const std::u16string& text = bed.prompt.shown[0].text;
  EXPECT_FALSE(bed.prompt.shown[0].question);
  EXPECT_NE(
      text.find(u"★ 區段「.a      」的 FileMin 和區段「.b      」的 FileOffset 部分重疊 ★\r\n"),
      std::u16string::npos);
  EXPECT_TRUE(text.ends_with(
      u"\r\n\r\n\r\n         ～～～～ 請用「選擇區段」功能去除其中的非法區段 ～～～～"));
  EXPECT_EQ(bed.Items(), (QStringList{"不在段內", "檔案頭", ".a", ".b"}));
  EXPECT_EQ(bed.List()->currentIndex(), 0);
  EXPECT_EQ(bed.Text("實偏移"), "");
  EXPECT_EQ(bed.Text("虛偏移"), "");
  EXPECT_EQ(bed.Text("代碼"), "");
  EXPECT_EQ(bed.window->focusWidget(), bed.Field("虛偏移"));
}

TEST_F(MainWindowTest, FileWithoutOverlapsShowsNoMessage) {
  Load(TwoSections());
  bed.window->OpenFromCommandLine(path);
  EXPECT_TRUE(bed.prompt.shown.empty());
}

QMimeData* Files(const QStringList& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const auto& p : paths) urls.push_back(QUrl::fromLocalFile(p));
  data->setUrls(urls);
  return data;
}

// A drag entering target, then, when target takes it, the drop; the drop action given back.
std::optional<Qt::DropAction> Drop(QWidget* target, QMimeData* data) {
  std::unique_ptr<QMimeData> owned(data);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, owned.get(), Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return std::nullopt;
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, owned.get(), Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.dropAction();
}

TEST_F(MainWindowTest, DropOpensTheFirstFileOnly) {
  const auto first = (dir / "first.exe").string();
  const auto second = (dir / "second.exe").string();
  TwoSections().WriteTo(first);
  TwoSections().WriteTo(second);
  const auto action =
      Drop(bed.Field("程式名"),
           Files({QString::fromStdString(first), QString::fromStdString(second), "/nowhere.exe"}));
  EXPECT_EQ(action, Qt::CopyAction);
  EXPECT_EQ(bed.Text("程式名"), QString::fromStdString(first));
  EXPECT_TRUE(bed.prompt.shown.empty());
}

TEST_F(MainWindowTest, DropsWithoutAFileAreIgnored) {
  Load(TwoSections());
  auto* text = new QMimeData;
  text->setText("hello");
  EXPECT_EQ(Drop(bed.Field("程式名"), text), std::nullopt) << "a text is not taken";
  auto* remote = new QMimeData;
  remote->setUrls({QUrl("https://example.org/a.exe")});
  EXPECT_EQ(Drop(bed.Field("程式名"), remote), Qt::CopyAction);
  const QString second = QString::fromStdString((dir / "second.exe").string());
  TwoSections().WriteTo(second.toStdString());
  auto* remoteFirst = new QMimeData;
  remoteFirst->setUrls({QUrl("https://example.org/a.exe"), QUrl::fromLocalFile(second)});
  EXPECT_EQ(Drop(bed.Field("程式名"), remoteFirst), Qt::CopyAction);
  EXPECT_EQ(bed.Text("程式名"), path) << "only the first dropped item counts";
  EXPECT_TRUE(bed.prompt.shown.empty());
}

// A drag at a point of the window reaches the widget there that takes drops, or the nearest of its
// parents that does, as the window system's drags do; the drop action, or nothing when refused.
std::optional<Qt::DropAction> DropOnWindowAt(QWidget& window, QPoint at, QMimeData* data) {
  std::unique_ptr<QMimeData> owned(data);
  QWidget* target = window.childAt(at);
  if (target == nullptr) target = &window;
  while (target != &window && !target->acceptDrops()) target = target->parentWidget();
  if (!target->acceptDrops()) return std::nullopt;
  const QPoint local = target->mapFrom(&window, at);
  QDragEnterEvent enter(local, Qt::CopyAction | Qt::MoveAction, owned.get(), Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return std::nullopt;
  QDropEvent drop(local, Qt::CopyAction | Qt::MoveAction, owned.get(), Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  if (!drop.isAccepted()) return std::nullopt;
  return drop.dropAction();
}

TEST_F(MainWindowTest, AFileDroppedAnywhereOnTheWindowOpens) {
  const QString file = QString::fromStdString((dir / "dropped.exe").string());
  TwoSections().WriteTo(file.toStdString());
  QWidget& window = *bed.window;
  for (const char* place : {"實偏移", "虛偏移", "代碼", "區段訊息", "關於", "l0", "bk"}) {
    SCOPED_TRACE(place);
    bed.Field("程式名")->clear();
    QWidget* w = bed.Get<QWidget>(place);
    // The frame's own ground: its left edge, beside the controls.
    const QPoint at = std::string(place) == "bk" ? w->mapTo(&window, QPoint(2, w->height() / 2))
                                                 : w->mapTo(&window, w->rect().center());
    EXPECT_EQ(DropOnWindowAt(window, at, Files({file})), Qt::CopyAction);
    EXPECT_EQ(bed.Text("程式名"), file);
    EXPECT_EQ(bed.Items().size(), 4);
  }
  auto* remote = new QMimeData;
  remote->setUrls({QUrl("https://example.org/a.exe")});
  remote->setText("https://example.org/a.exe");
  EXPECT_EQ(DropOnWindowAt(window, bed.Get<QWidget>("關於")->geometry().center(), remote),
            std::nullopt);
  // Dropped text still goes into a number field through its filter.
  auto* text = new QMimeData;
  text->setText("1g2");
  QWidget* field = bed.Field("實偏移");
  EXPECT_EQ(DropOnWindowAt(window, field->mapTo(&window, QPoint(2, 2)), text), Qt::CopyAction);
  EXPECT_EQ(bed.Text("實偏移"), "1");
  EXPECT_EQ(bed.Text("程式名"), file);
  EXPECT_TRUE(bed.prompt.shown.empty());
}

struct ExtensionCase {
  const char* name;
  const char* file;
  bool asks;
  bool answer;
  bool opens;
};

class ExtensionTest : public MainWindowTest, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(ExtensionTest, AsksOnlyForAnUnexpectedExtension) {
  const ExtensionCase& c = GetParam();
  const auto file = (dir / c.file).string();
  TwoSections().WriteTo(file);
  bed.prompt.answers.push_back(c.answer);
  bed.window->OpenFromCommandLine(QString::fromStdString(file));
  if (c.asks) {
    ASSERT_EQ(bed.prompt.shown.size(), 1u);
    EXPECT_EQ(bed.prompt.shown[0].text, u"所選檔案副檔名不正確，堅持打開嗎？");
    EXPECT_TRUE(bed.prompt.shown[0].question);
  } else {
    EXPECT_TRUE(bed.prompt.shown.empty());
  }
  EXPECT_EQ(bed.Text("程式名"), c.opens ? QString::fromStdString(file) : QString());
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExtensionTest,
    ::testing::Values(ExtensionCase{"UpperCaseExe", "A.EXE", false, false, true},
                      ExtensionCase{"Dll", "a.dll", false, false, true},
                      ExtensionCase{"OcxMixedCase", "a.OcX", false, false, true},
                      ExtensionCase{"ScrCancelled", "a.scr", true, false, false},
                      ExtensionCase{"ScrConfirmed", "a.scr", true, true, true},
                      ExtensionCase{"TrailingBlank", "a.exe ", true, false, false},
                      ExtensionCase{"ShortEx", "a.ex", true, false, false}),
    [](const auto& param) { return std::string(param.param.name); });

// A path that names no regular file is refused with the loader's reason, whether it is named on
// the command line or dropped.
struct NotRegularFileCase {
  const char* name;
  const char* path;
  bool dropped;
};

class NotRegularFileTest : public MainWindowTest,
                           public ::testing::WithParamInterface<NotRegularFileCase> {};

TEST_P(NotRegularFileTest, SaysWhyItCannotBeAnalysed) {
  const NotRegularFileCase& c = GetParam();
  Load(TwoSections());
  const QString named =
      QString::fromUtf8(c.path).replace("{dir}", QString::fromStdString(dir.path().string()));
  if (c.dropped) {
    EXPECT_EQ(Drop(bed.Field("程式名"), Files({named})), Qt::CopyAction);
  } else {
    bed.window->OpenFromCommandLine(named);
  }
  EXPECT_EQ(bed.Messages(),
            std::vector<std::u16string>{u"「" + named.toStdU16String() +
                                        u"」不是一般的檔案（資料夾、管道或裝置），無法分析！"});
  EXPECT_EQ(bed.Text("程式名"), path) << "the file before stays";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NotRegularFileTest,
    ::testing::Values(NotRegularFileCase{"FolderNamed", "{dir}", false},
                      NotRegularFileCase{"DeviceNamed", "/dev/null", false},
                      NotRegularFileCase{"FolderDropped", "{dir}", true},
                      NotRegularFileCase{"DeviceDropped", "/dev/null", true}),
    [](const auto& param) { return std::string(param.param.name); });

// The file field says how to open a file, and the checked state of a toggle differs plainly in
// lightness under the default style.
TEST_F(MainWindowTest, TheLooksSayWhatToDoAndWhatIsOn) {
  const QString hint = bed.Field("程式名")->placeholderText();
  for (const char* part : {"拖放", "…", ".exe", ".dll", ".ocx"}) {
    EXPECT_TRUE(hint.contains(QString::fromUtf8(part))) << part;
  }
  for (const char* name : {"頂端", "至剪貼簿"}) {
    QPushButton* toggle = bed.Button(name);
    auto lightness = [toggle] {
      const QImage image = toggle->grab().toImage();
      return image.pixelColor(4, image.height() / 2).lightness();
    };
    const int off = lightness();
    toggle->setChecked(true);
    EXPECT_GT(std::abs(off - lightness()), 60) << name;
  }
  // A section list row holds the font's descent, where ".debug_aranges" has its underscore.
  QComboBox* list = bed.List();
  list->addItem(".debug_aranges");
  list->view()->ensurePolished();
  EXPECT_GE(list->view()->sizeHintForRow(1), list->fontMetrics().height() + 4);
}

TEST_F(MainWindowTest, FileThatIsNotAPeImageKeepsThePreviousName) {
  Load(TwoSections());
  const auto bad = (dir / "bad.exe").string();
  WriteFile(bad, {'n', 'o', 't', ' ', 'p', 'e'});
  bed.window->OpenFromCommandLine(QString::fromStdString(bad));
  EXPECT_EQ(bed.prompt.shown.size(), 1u) << "only the loader's own message";
  EXPECT_EQ(bed.Text("程式名"), path);
  EXPECT_EQ(bed.Items().size(), 4);
}

// A format error found at the end of the analysis puts no table of the file in force: name, list
// and translation stay those of the previous file.
TEST_F(MainWindowTest, AFileWithAFormatErrorKeepsThePreviousFile) {
  Load(TwoSections());
  PeBuilder cut;
  cut.ImageBase(0x10000000).AddSection(".text", 0x1000, 0x200, 0x400);
  cut.FileLength(cut.SectionTableOffset());  // the file ends where its section table begins
  const QString refused = QString::fromStdString((dir / "cut.exe").string());
  cut.WriteTo(refused.toStdString());
  bed.window->OpenFromCommandLine(refused);
  EXPECT_EQ(bed.Messages(), std::vector<std::u16string>{u"此檔案格式不正確，不能繼續分析！"});
  EXPECT_EQ(bed.Text("程式名"), path);
  EXPECT_EQ(bed.Items().size(), 4);
  Type("實偏移", "1000");
  EXPECT_EQ(bed.Text("虛偏移"), "401C00");
}

TEST_F(MainWindowTest, BrowseOpensTheChosenFileOutsideTheTopmostBand) {
  const auto file = (dir / "chosen.dll").string();
  TwoSections().WriteTo(file);
  bed.dialogBackend.choice = fake::FakeFileDialog::Path(
      QString::fromStdString(file).toStdU16String());
  QTest::mouseClick(bed.Button("頂端"), Qt::LeftButton);
  ASSERT_TRUE(bed.Topmost());
  bool topmostDuring = true, hotKeyDuring = true;
  bed.dialogBackend.during = [&] {
    topmostDuring = bed.Topmost();
    hotKeyDuring = bed.module.HotKeyEnabled;
  };
  bed.Field("實偏移")->setFocus();
  QTest::mouseClick(bed.Button("瀏覽程式名"), Qt::LeftButton);
  EXPECT_FALSE(topmostDuring);
  EXPECT_FALSE(hotKeyDuring);
  EXPECT_TRUE(bed.Topmost());
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  EXPECT_EQ(bed.Text("程式名"), QString::fromStdString(file));
  const FileDialogRecord& r = bed.dialogBackend.received.back();
  EXPECT_EQ(r.lpstrTitle, u"選擇程式檔案");
  EXPECT_EQ(FilterPairs(r.lpstrFilter), (std::vector<std::pair<std::u16string, std::u16string>>{
                                            {u"程式檔案(*.exe;*.dll;*.ocx)", u"*.exe;*.dll;*.ocx"},
                                            {u"全部檔案(*.*)", u"*.*"}}));
  EXPECT_EQ(r.nFilterIndex, 1);
  EXPECT_EQ(r.Flags & (FileDialogFlag::Explorer | FileDialogFlag::FileMustExist),
            FileDialogFlag::Explorer | FileDialogFlag::FileMustExist);
  EXPECT_EQ(r.Flags & FileDialogFlag::AllowMultiSelect, 0);
  EXPECT_EQ(r.hwndOwner, static_cast<std::intptr_t>(bed.Wid()));
}

// The file dialog hands back paths as long as the system allows; one of 259 characters filled the
// 260 of the system call's buffer with its NUL.
TEST_F(MainWindowTest, BrowseOpensEveryPathTheDialogReturns) {
  for (const std::size_t length : {std::size_t{259}, std::size_t{260}, std::size_t{4095}}) {
    std::string folder = dir.path().string();
    while (folder.size() + 1 + 200 + 6 < length) folder += "/" + std::string(200, 'd');
    folder += "/" + std::string(length - folder.size() - 1 - 6, 'e');
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/a.exe";
    ASSERT_EQ(file.size(), length);
    TwoSections().WriteTo(file);
    bed.dialogBackend.choice = fake::FakeFileDialog::Path(
        QString::fromStdString(file).toStdU16String());
    QTest::mouseClick(bed.Button("瀏覽程式名"), Qt::LeftButton);
    EXPECT_EQ(bed.programEnds, 0) << length;
    EXPECT_EQ(bed.Text("程式名"), QString::fromStdString(file)) << length;
    EXPECT_EQ(bed.Items().size(), 4) << length;
  }
}

TEST_F(MainWindowTest, CancelledBrowseChangesNothing) {
  Load(TwoSections());
  QTest::mouseClick(bed.Button("瀏覽程式名"), Qt::LeftButton);
  EXPECT_EQ(bed.Text("程式名"), path);
  EXPECT_FALSE(bed.Topmost());
  EXPECT_EQ(bed.windowLevel.calls, 0) << "頂端 is off: the band is left alone";
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

TEST_F(MainWindowTest, FailingDialogServiceEndsTheProgramWithAReport) {
  bed.Button("頂端")->setChecked(true);
  bed.windowLevel.fail = true;
  QTest::mouseClick(bed.Button("瀏覽程式名"), Qt::LeftButton);
  EXPECT_EQ(bed.programEnds, 1);
  ASSERT_EQ(bed.prompt.shown.size(), 1u);
  EXPECT_NE(bed.prompt.shown[0].text.find(u"window level refused"), std::u16string::npos);
}

enum class DialogButton { Select, About };

class DialogBracketTest : public MainWindowTest,
                          public ::testing::WithParamInterface<DialogButton> {};

TEST_P(DialogBracketTest, PausesTheHotKeyAndLeavesTheTopmostBandWhileOpen) {
  const bool select = GetParam() == DialogButton::Select;
  QTest::mouseClick(bed.Button("頂端"), Qt::LeftButton);
  struct {
    bool topmost = true, hotKey = true;
    QWidget* focus = nullptr;
    QWidget* owner = nullptr;
  } during;
  auto note = [&](QWidget& owner) {
    during = {bed.Topmost(), bed.module.HotKeyEnabled, bed.window->focusWidget(), &owner};
    throw std::runtime_error("a failing dialog is skipped");
  };
  bed.chooseSections = [&](QWidget& owner, PeImage&, Prompt&) -> bool {
    note(owner);
    return true;
  };
  bed.about = note;
  bed.Field("實偏移")->setFocus();
  QTest::mouseClick(bed.Button(select ? "選擇區段訊息" : "關於"), Qt::LeftButton);
  EXPECT_FALSE(during.topmost);
  EXPECT_FALSE(during.hotKey);
  EXPECT_EQ(during.focus, bed.Field("代碼"));
  EXPECT_EQ(during.owner, bed.window.get());
  EXPECT_TRUE(bed.Topmost());
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  EXPECT_EQ(bed.window->focusWidget(), bed.Field("代碼"));
  EXPECT_TRUE(bed.prompt.shown.empty());
}

TEST_P(DialogBracketTest, EndsWithTheHotKeyOnEvenWhenTheWindowLevelFails) {
  bed.windowLevel.fail = true;
  bed.Button("頂端")->setChecked(true);
  bed.module.HotKeyEnabled = false;
  QTest::mouseClick(bed.Button(GetParam() == DialogButton::Select ? "選擇區段訊息" : "關於"),
                    Qt::LeftButton);
  EXPECT_EQ(bed.windowLevel.calls, 2);
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

// A window manager minimizes the window with its dialog; restoring it while the dialog is open
// leaves the hot-key off until the dialog ends.
TEST_P(DialogBracketTest, RestoringTheWindowUnderTheDialogLeavesTheHotKeyOff) {
  bool hotKeyAfterRestore = true;
  auto minimizeAndRestore = [&] {
    bed.window->showMinimized();
    bed.window->showNormal();
    hotKeyAfterRestore = bed.module.HotKeyEnabled;
  };
  bed.chooseSections = [&](QWidget&, PeImage&, Prompt&) {
    minimizeAndRestore();
    return false;
  };
  bed.about = [&](QWidget&) { minimizeAndRestore(); };
  QTest::mouseClick(bed.Button(GetParam() == DialogButton::Select ? "選擇區段訊息" : "關於"),
                    Qt::LeftButton);
  EXPECT_FALSE(hotKeyAfterRestore);
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  bed.dialogBackend.during = minimizeAndRestore;
  hotKeyAfterRestore = true;
  QTest::mouseClick(bed.Button("瀏覽程式名"), Qt::LeftButton);
  EXPECT_FALSE(hotKeyAfterRestore) << "browse";
  EXPECT_TRUE(bed.module.HotKeyEnabled);
  bed.window->showMinimized();
  EXPECT_FALSE(bed.module.HotKeyEnabled) << "without a dialog, minimizing still stops it";
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogBracketTest,
                         ::testing::Values(DialogButton::Select, DialogButton::About));

TEST_F(MainWindowTest, ConfirmedSectionDialogRebuildsTheReport) {
  Load(TwoSections());
  bed.chooseSections = [](QWidget&, PeImage& image, Prompt&) {
    image.Sections[1].Included = false;
    return true;
  };
  QTest::mouseClick(bed.Button("選擇區段訊息"), Qt::LeftButton);
  EXPECT_EQ(bed.Items(), (QStringList{"不在段內", "檔案頭", ".data"}));
  bed.chooseSections = [](QWidget&, PeImage& image, Prompt&) {
    image.Sections[1].Included = true;
    return false;
  };
  QTest::mouseClick(bed.Button("選擇區段訊息"), Qt::LeftButton);
  EXPECT_EQ(bed.Items().size(), 3) << "a cancelled dialog refreshes nothing";
}

TEST_F(MainWindowTest, TopmostFollowsTheToggleAndKeepsTheFocusInTheCodeField) {
  QTest::mouseClick(bed.Button("頂端"), Qt::LeftButton);
  EXPECT_TRUE(bed.Topmost());
  EXPECT_EQ(bed.window->focusWidget(), bed.Field("代碼"));
  QTest::mouseClick(bed.Button("頂端"), Qt::LeftButton);
  EXPECT_FALSE(bed.Topmost());
  QTest::mouseClick(bed.Button("至剪貼簿"), Qt::LeftButton);
  EXPECT_EQ(bed.window->focusWidget(), bed.Field("代碼"));
}

TEST_F(MainWindowTest, CodeGoesToTheClipboardOnEveryNonEmptyChange) {
  Load(TwoSections());
  Type("實偏移", "10");
  bed.clipboard.text = u"before";
  QTest::mouseClick(bed.Button("至剪貼簿"), Qt::LeftButton);
  EXPECT_EQ(bed.clipboard.text, u"before") << "checking the toggle copies nothing";
  Type("實偏移", "0");
  EXPECT_EQ(bed.Text("代碼"), "00014000");
  EXPECT_EQ(bed.clipboard.text, u"00014000");
  EXPECT_EQ(bed.clipboard.clears, 1);
  bed.Field("虛偏移")->setFocus();
  bed.Field("虛偏移")->selectAll();
  Type("虛偏移", "400004");  // the header
  EXPECT_EQ(bed.clipboard.text, u"04004000");
  Type("虛偏移", "5");  // 4000045h is in no section: 代碼 empties, the clipboard stays
  EXPECT_EQ(bed.Text("代碼"), "");
  EXPECT_EQ(bed.clipboard.text, u"04004000");
  EXPECT_EQ(bed.clipboard.writes, 2);
}

TEST_F(MainWindowTest, FailingClipboardShowsItsDescription) {
  Load(TwoSections());
  Type("實偏移", "1000");
  bed.Button("至剪貼簿")->setChecked(true);
  bed.clipboard.failWith = "剪貼簿被占用";
  QTest::keyClick(bed.Field("實偏移"), Qt::Key_Backspace);
  EXPECT_EQ(bed.Messages(), std::vector<std::u16string>{u"剪貼簿操作出錯：剪貼簿被占用"});
  EXPECT_EQ(bed.Text("代碼"), "00014000");
}

TEST_F(MainWindowTest, MinimizingStopsTheHotKeyAndRestoringStartsIt) {
  bed.window->showMinimized();
  EXPECT_FALSE(bed.module.HotKeyEnabled);
  bed.window->showNormal();
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

TEST_F(MainWindowTest, ClosingShowsNothing) {
  Load(TwoSections());
  Type("實偏移", "1000");
  EXPECT_TRUE(bed.window->close());
  EXPECT_TRUE(bed.prompt.shown.empty());
  EXPECT_EQ(bed.programEnds, 0);
}

// "marlit FILE" opens the file before the event loop runs; an unexpected error there must still
// end the program once the loop starts, not leave the window running after the report.
TEST(MainWindowEnd, EndBeforeTheEventLoopRunsEndsItWithAFailure) {
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(0); });
  主窗體::DefaultHooks().EndProgram();
  guard.start(3000);
  EXPECT_EQ(QCoreApplication::exec(), EXIT_FAILURE);
}

}  // namespace
}  // namespace marlit::test
