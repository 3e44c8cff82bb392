#include "dialogs/section_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "dialogs/placement.h"
#include "pe/panel/conversion_panel.h"
#include "pe/panel/messages.h"
#include "pe/panel/number_text.h"
#include "pe/view/image_view.h"
#include "pe/view/section_choice.h"
#include "platform/errors.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The rows the table really holds: a record count that runs past the table shows only the records
// that exist.
int RowCount(const PeImage& image) { return static_cast<int>(Records(image).size()); }

constexpr int kClientWidth = 3645;
constexpr int kClientHeight = 2475;
// Under the frame a row shows the image base, which a window manager may cut from the caption;
// the rows of the view and the load address follow it, and the buttons close the dialog's foot.
constexpr int kBaseRowTop = 1940;
constexpr int kBaseRowHeight = 225;
constexpr int kButtonHeight = 375;
constexpr int kBottomMargin = 100;
// The gap between the image base's row and the rows below it, and around them.
constexpr int kRowGap = 6;
// Between a boundary's label and its box.
constexpr int kLabelGap = 4;
// The list opens tall enough for this many rows, when the table has them.
constexpr int kRowsShownAtOpening = 20;
// The list opens wide enough for names of up to this many characters; longer ones scroll.
constexpr int kNameCharsShown = 24;

class 選擇區段窗體 : public FixedForm {
 public:
  選擇區段窗體(QWidget& owner, PeImage& image, Prompt& prompt)
      : FixedForm(owner, kClientWidth, kClientHeight), image_(image), prompt_(prompt) {
    BuildControls();
    SetTabOrder();
    確定->setFocus();
    AllowResizing();
  }

  void SetCaption() {
    const QString base =
        ToQString(Translate(u"基位址=")) +
        ToQString(FieldNumberText(Radix::Hex, AddressWidth(image_), image_.ImageBase));
    setWindowTitle(ToQString(FillIn(Translate(u"選擇區段(%1)"), {ToU16(base)})));
    基位址->setText(base);
  }

  // "RVA" gives addresses without the image base, "VA" with it.
  void SelectModeInForce() { RVAmode[image_.OmitImageBase ? 0 : 1]->setChecked(true); }

  // The view in force and its records, and the base in force in the load address's field.
  void ShowViewInForce() {
    shownView_ = image_.View;
    const std::span<const SectionRecord> records = Records(image_);
    shown_.assign(records.begin(), records.end());
    const QSignalBlocker blocker(檢視[0]);
    const QSignalBlocker other(檢視[1]);
    檢視[shownView_ == MappingView::Raw ? 0 : 1]->setChecked(true);
    ShowBase(BaseInForce(image_));
  }

  void FillRows() {
    區段清單->clear();
    rows_ = static_cast<int>(shown_.size());
    for (int i = 0; i < rows_; ++i) {
      const SectionRecord& record = shown_[static_cast<std::size_t>(i)];
      auto* row = new QListWidgetItem(ToQString(ShownName(record.Name)), 區段清單);
      row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      row->setCheckState(record.Included ? Qt::Checked : Qt::Unchecked);
    }
  }

  void MakeFirstRowCurrent() { 區段清單->setCurrentRow(0); }

  // At least as wide as the caption and the names need; tall enough for the rows, up to
  // kRowsShownAtOpening of them.
  void FitToRows() {
    const int listGrowth = std::max(0, ListWidthForNames() - SeedListRect().width());
    setMinimumWidth(std::max({minimumWidth(), CaptionWidth(),
                              SeedSize().width() + boxGrowth_ + labelShift_ + listGrowth}));
    const int shown = std::min(rows_, kRowsShownAtOpening);
    const int rowHeight = shown > 0 ? 區段清單->sizeHintForRow(0) : 0;
    const int wanted = rowHeight * shown + 2 * 區段清單->frameWidth();
    resize(minimumWidth(), minimumHeight() + std::max(0, wanted - SeedListRect().height()));
  }

  bool Confirmed = false;

 private:
  // A window manager's title bar holds the window's icon and three buttons beside the caption,
  // each about a title bar's height wide, and gaps of about one more; it draws the caption in a
  // bold sans face of about the dialog's size.
  [[nodiscard]] int CaptionWidth() const {
    QFont bold(QStringLiteral("Sans Serif"));
    bold.setPointSizeF(font().pointSizeF());
    bold.setBold(true);
    const int controls = 5 * style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    return QFontMetrics(bold).horizontalAdvance(windowTitle()) + controls;
  }

  // The list's width for its names, up to kNameCharsShown characters each, and a scroll bar when
  // it opens with more rows than it shows.
  [[nodiscard]] int ListWidthForNames() const {
    if (rows_ == 0) return 0;
    const QFontMetrics metrics = 區段清單->fontMetrics();
    int widest = 0;
    for (int i = 0; i < rows_; ++i) {
      widest = std::max(widest,
                        metrics.horizontalAdvance(區段清單->item(i)->text().left(kNameCharsShown)));
    }
    // The check mark and the margins around a row's text.
    const int decoration = 區段清單->sizeHintForIndex(區段清單->model()->index(0, 0)).width() -
                           metrics.horizontalAdvance(區段清單->item(0)->text());
    const int scrollBar =
        rows_ > kRowsShownAtOpening ? 區段清單->verticalScrollBar()->sizeHint().width() : 0;
    return decoration + widest + scrollBar + 2 * 區段清單->frameWidth();
  }

  void BuildControls() {
    RVAmode[0] = new QRadioButton(QStringLiteral("RVA"), this);
    RVAmode[1] = new QRadioButton(QStringLiteral("VA"), this);
    // Auto-exclusive options take every option inside their parent, the view's too, for one set; a
    // group of their own keeps each pair apart, so that clicking the selected option keeps it and
    // Tab stops at each pair.
    auto* modes = new QButtonGroup(this);
    for (std::size_t k = 0; k < 2; ++k) {
      RVAmode[k]->setObjectName(QStringLiteral("RVAmode%1").arg(k));
      modes->addButton(RVAmode[k]);
    }
    RVAmode[0]->setGeometry(TwipRect(840, 120, 735, 255));
    RVAmode[1]->setGeometry(TwipRect(2040, 120, 615, 255));

    f = new QGroupBox(this);
    f->setObjectName(QStringLiteral("f"));
    f->setGeometry(TwipRect(60, 400, 3495, 1480));

    區段清單 = new QListWidget(f);
    區段清單->setObjectName(QStringLiteral("區段清單"));
    區段清單->setGeometry(SeedListRect());
    區段清單->setSortingEnabled(false);
    QObject::connect(區段清單, &QListWidget::currentRowChanged, this,
                     [this](int row) { 區段清單_Click(row); });
    // The boundaries follow the option: addresses without the image base under "RVA".
    QObject::connect(RVAmode[0], &QRadioButton::toggled, this,
                     [this] { 區段清單_Click(區段清單->currentRow()); });

    static constexpr std::array<const char16_t*, 4> kLabels{u"RamMin", u"RamMax", u"FileMin",
                                                            u"FileMax"};
    for (std::size_t k = 0; k < 4; ++k) {
      l[k] = new QLabel(QString::fromUtf16(kLabels[k]), f);
      l[k]->setObjectName(QStringLiteral("l%1").arg(k));
      l[k]->move(TwipRect(1680, kTops[k], 0, 0).topLeft());
      l[k]->adjustSize();

      t[k] = new QLineEdit(f);
      t[k]->setObjectName(QStringLiteral("t%1").arg(k));
      t[k]->setGeometry(TwipRect(2400, kTops[k], 975, 270));
      t[k]->setReadOnly(true);
      // The boxes only show the boundaries; the button-highlight colour tells them from inputs.
      QPalette palette = t[k]->palette();
      palette.setColor(QPalette::Base, palette.color(QPalette::Light));
      t[k]->setPalette(palette);
    }

    確定 = MakeButton(QStringLiteral("確定"), TwipRect(720, 0, 975, kButtonHeight));
    取消 = MakeButton(QStringLiteral("取消"), TwipRect(1940, 0, 975, kButtonHeight));
    QObject::connect(確定, &QPushButton::clicked, this, [this] { 確定_Click(); });
    QObject::connect(取消, &QPushButton::clicked, this, [this] { 取消_Click(); });

    基位址 = new QLabel(this);
    基位址->setObjectName(QStringLiteral("基位址"));
    基位址->setGeometry(TwipRect(60, kBaseRowTop, kClientWidth - 120, kBaseRowHeight));
    基位址->setAlignment(Qt::AlignCenter);
    基位址->setTextInteractionFlags(Qt::TextSelectableByMouse);

    BuildViewAndLoadAddressRows();
  }

  // The view's own option pair (apart from "RVA" and "VA") and the load address, under the base.
  void BuildViewAndLoadAddressRows() {
    rowsBelow_ = new QWidget(this);
    rowsBelow_->setObjectName(QStringLiteral("檢視與載入位址"));
    auto* grid = new QGridLayout(rowsBelow_);
    grid->setContentsMargins(TwipRect(60, 0, 0, 0).x(), 0, TwipRect(60, 0, 0, 0).x(), 0);
    grid->setVerticalSpacing(kRowGap);

    auto* viewLabel = new QLabel(ToQString(Translate(u"檢視")), rowsBelow_);
    viewLabel->setObjectName(QStringLiteral("l檢視"));
    檢視[0] = new QRadioButton(ToQString(Translate(u"區段表")), rowsBelow_);
    檢視[1] = new QRadioButton(ToQString(Translate(u"載入器映射")), rowsBelow_);
    auto* views = new QButtonGroup(rowsBelow_);
    for (std::size_t k = 0; k < 2; ++k) {
      檢視[k]->setObjectName(QStringLiteral("檢視%1").arg(k));
      views->addButton(檢視[k]);
      const MappingView view = k == 0 ? MappingView::Raw : MappingView::Loader;
      QObject::connect(檢視[k], &QRadioButton::toggled, this, [this, view](bool on) {
        if (on) ShowView(view);
      });
    }

    auto* loadLabel = new QLabel(ToQString(Translate(u"載入位址")), rowsBelow_);
    loadLabel->setObjectName(QStringLiteral("l載入位址"));
    載入位址 = new QLineEdit(rowsBelow_);
    載入位址->setObjectName(QStringLiteral("載入位址"));
    const int digits = FieldInputLimit(Radix::Hex, AddressWidth(image_));
    載入位址->setMaxLength(digits);
    載入位址->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]*")), 載入位址));
    載入位址->resize(0, 載入位址->height());
    載入位址->setMinimumWidth(GrowthForDigits(*載入位址, digits));
    loadLabel->setBuddy(載入位址);
    還原基位址 = new QPushButton(ToQString(Translate(u"還原基位址")), rowsBelow_);
    還原基位址->setObjectName(QStringLiteral("還原基位址"));
    還原基位址->setAutoDefault(false);
    QObject::connect(還原基位址, &QPushButton::clicked, this,
                     [this] { ShowBase(image_.ImageBase); });

    grid->addWidget(viewLabel, 0, 0);
    grid->addWidget(檢視[0], 0, 1);
    grid->addWidget(檢視[1], 0, 2);
    grid->addWidget(loadLabel, 1, 0);
    grid->addWidget(載入位址, 1, 1);
    grid->addWidget(還原基位址, 1, 2);
    grid->setColumnStretch(1, 1);
  }

  void ShowBase(std::int64_t base) {
    載入位址->setText(ToQString(FieldNumberText(Radix::Hex, AddressWidth(image_), base)));
  }

  // The records of view and their Included flags: those in force for the view in force, the
  // view's defaults at the base in force for the other. A view that a record cannot take at that
  // base is refused, and the view shown stays.
  void ShowView(MappingView view) {
    if (view == shownView_) return;
    if (view == image_.View) {
      const std::span<const SectionRecord> records = Records(image_);
      shown_.assign(records.begin(), records.end());
    } else {
      try {
        shown_ = BuildView(image_.Raw, image_.Kind, view, BaseInForce(image_)).Records;
      } catch (const OverflowError&) {
        prompt_.ShowMessage(kValueOverflowMessage);
        const QSignalBlocker blocker(檢視[0]);
        const QSignalBlocker other(檢視[1]);
        檢視[shownView_ == MappingView::Raw ? 0 : 1]->setChecked(true);
        return;
      }
    }
    shownView_ = view;
    const int row = std::max(0, 區段清單->currentRow());
    FillRows();
    區段清單->setCurrentRow(std::min(row, rows_ - 1));
  }

  // The load address typed; an empty field asks for the file's image base.
  [[nodiscard]] std::int64_t LoadAddressTyped() const {
    const QString text = 載入位址->text();
    if (text.isEmpty()) return image_.ImageBase;
    return ParseFieldNumber(ToFieldChars(text), Radix::Hex, AddressWidth(image_));
  }

  [[nodiscard]] int LabelOverhang() const {
    const int room = TwipRect(2400, 0, 0, 0).x() - TwipRect(1680, 0, 0, 0).x();
    int widest = 0;
    for (const QLabel* label : l) widest = std::max(widest, label->sizeHint().width());
    return std::max(0, widest + kLabelGap - room);
  }

  // The seed's width is the smallest; a 64-bit image's boxes are wider, so that every digit shows.
  // The rows of the view and the load address add their height to the seed's.
  void AllowResizing() {
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, false);
    setSizeGripEnabled(true);
    const int digits = FieldInputLimit(Radix::Hex, AddressWidth(image_));
    boxGrowth_ = GrowthForDigits(*t[0], digits);
    labelShift_ = LabelOverhang();
    rowsBelowHeight_ = rowsBelow_->sizeHint().height() + 2 * kRowGap;
    const QSize base = SeedSize();
    setMinimumSize(
        std::max(base.width() + boxGrowth_ + labelShift_, rowsBelow_->minimumSizeHint().width()),
        base.height() + rowsBelowHeight_);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(minimumSize());
  }

  [[nodiscard]] static QRect SeedListRect() { return TwipRect(120, 220, 1455, 1110); }

  // The seed's client area, with the image base's row between the frame and the buttons.
  [[nodiscard]] static QSize SeedSize() {
    return TwipRect(0, 0, kClientWidth,
                    kBaseRowTop + kBaseRowHeight + kButtonHeight + kBottomMargin)
        .size();
  }

  void resizeEvent(QResizeEvent* event) override {
    FixedForm::resizeEvent(event);
    PlaceControls();
  }

  // The list takes what the window grows by; the boxes keep to its right; the image base, the view,
  // the load address and the buttons follow the frame down, the buttons at the foot.
  void PlaceControls() {
    const QSize base = SeedSize();
    const int wider = std::max(0, width() - base.width());
    const int taller = std::max(0, height() - base.height() - rowsBelowHeight_);
    const int listWider = std::max(0, wider - boxGrowth_ - labelShift_);
    auto grown = [](QRect r, int w, int h) { return r.adjusted(0, 0, w, h); };
    auto moved = [](QRect r, int x, int y) { return r.translated(x, y); };
    f->setGeometry(grown(TwipRect(60, 400, 3495, 1480), wider, taller));
    區段清單->setGeometry(grown(SeedListRect(), listWider, taller));
    for (std::size_t k = 0; k < 4; ++k) {
      l[k]->move(moved(TwipRect(1680, kTops[k], 0, 0), listWider, 0).topLeft());
      t[k]->setGeometry(grown(moved(TwipRect(2400, kTops[k], 975, 270), listWider + labelShift_, 0),
                              boxGrowth_, 0));
    }
    const QRect baseRow = grown(
        moved(TwipRect(60, kBaseRowTop, kClientWidth - 120, kBaseRowHeight), 0, taller), wider, 0);
    基位址->setGeometry(baseRow);
    rowsBelow_->setGeometry(0, baseRow.bottom() + 1 + kRowGap, width(),
                            rowsBelowHeight_ - 2 * kRowGap);
    const int buttonsTop = rowsBelow_->geometry().bottom() + 1 + kRowGap;
    確定->setGeometry(moved(TwipRect(720, 0, 975, kButtonHeight), wider / 2, buttonsTop));
    取消->setGeometry(moved(TwipRect(1940, 0, 975, kButtonHeight), wider / 2, buttonsTop));
  }

  QPushButton* MakeButton(const QString& caption, const QRect& where) {
    auto* button = new QPushButton(ToQString(Translate(ToU16(caption))), this);
    button->setObjectName(caption);
    button->setGeometry(where);
    // Neither button answers Enter for the whole dialog.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
  }

  void SetTabOrder() {
    // Frame and labels take no focus; their places in the order are kept by the chain around them.
    // The view and the load address come after the seed's controls.
    QWidget* order[] = {確定,       取消,       區段清單, t[0],    t[1],     t[2],      t[3],
                        RVAmode[0], RVAmode[1], 檢視[0],  檢視[1], 載入位址, 還原基位址};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  }

  void 區段清單_Click(int row) {
    if (row < 0 || row >= rows_) return;
    const SectionRecord& record = shown_[static_cast<std::size_t>(row)];
    const bool omitImageBase = RVAmode[0]->isChecked();
    auto address = [&](std::int64_t value) {
      return ToQString(FieldNumberText(Radix::Hex, AddressWidth(image_),
                                       AddressInMode(image_, value, omitImageBase)));
    };
    t[0]->setText(address(record.RamMin));
    t[1]->setText(address(record.RamMax));
    t[2]->setText(ToQString(HexFieldText(record.FileMin)));
    t[3]->setText(ToQString(HexFieldText(record.FileMax)));
  }

  // The view and the load address first, so that the checks apply to the records they give.
  void 確定_Click() {
    if (!PutViewAndLoadAddressInForce()) return;
    for (int i = 0; i < rows_; ++i) {
      IncludeSection(image_, static_cast<std::size_t>(i),
                     區段清單->item(i)->checkState() == Qt::Checked);
    }
    OmitImageBase(image_, RVAmode[0]->isChecked());
    Confirmed = true;
    accept();
  }

  // A load address that does not fit a record is refused; the one in force stays, and the dialog
  // stays open.
  [[nodiscard]] bool PutViewAndLoadAddressInForce() {
    ViewChange change = ViewChange::Overflowed;
    try {
      change = SetViewAndLoadAddress(image_, shownView_, LoadAddressTyped());
    } catch (const OverflowError&) {
    }
    if (change == ViewChange::Done) return true;
    prompt_.ShowMessage(kValueOverflowMessage);
    ShowBase(BaseInForce(image_));
    載入位址->setFocus();
    return false;
  }

  void 取消_Click() {
    Confirmed = false;
    reject();
  }

  static constexpr std::array<int, 4> kTops{240, 480, 840, 1080};

  PeImage& image_;
  Prompt& prompt_;
  // The view chosen and its records as the list shows them; they come into force only at 確定.
  MappingView shownView_ = MappingView::Raw;
  std::vector<SectionRecord> shown_;
  int rows_ = 0;
  // The height of the rows below the image base, with their gaps, in pixels.
  int rowsBelowHeight_ = 0;
  // What a 64-bit image's boxes grow by, in pixels.
  int boxGrowth_ = 0;
  // How far the boxes move right so that a label wider than the seed's gap (a Latin face in
  // English) does not run into its box.
  int labelShift_ = 0;
  std::array<QRadioButton*, 2> RVAmode{};
  QGroupBox* f = nullptr;
  QListWidget* 區段清單 = nullptr;
  std::array<QLabel*, 4> l{};
  std::array<QLineEdit*, 4> t{};
  QPushButton* 確定 = nullptr;
  QPushButton* 取消 = nullptr;
  QLabel* 基位址 = nullptr;
  QWidget* rowsBelow_ = nullptr;
  std::array<QRadioButton*, 2> 檢視{};
  QLineEdit* 載入位址 = nullptr;
  QPushButton* 還原基位址 = nullptr;
};

}  // namespace

bool 選擇區段::選擇(QWidget& owner, PeImage& image, Prompt& prompt) {
  // Without an analysed file there is no row 0 to make current, so there is nothing to show.
  if (RowCount(image) == 0) return false;
  選擇區段窗體 form(owner, image, prompt);
  form.SetCaption();
  form.SelectModeInForce();
  form.ShowViewInForce();
  form.FillRows();
  form.FitToRows();
  form.CentreOverOwner();
  form.TakeOwnerIcon();
  form.MakeFirstRowCurrent();
  form.exec();
  return form.Confirmed;
}

}  // namespace marlit
