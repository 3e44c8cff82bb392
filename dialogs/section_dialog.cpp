#include "dialogs/section_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <cstddef>

#include "dialogs/placement.h"
#include "pe/conversion_panel.h"
#include "pe/number_text.h"
#include "pe/section_choice.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The rows the table really holds: a record count that runs past the table shows only the records
// that exist.
int RowCount(const PeImage& image) { return static_cast<int>(Records(image).size()); }

// Below the buttons a row shows the image base, which a window manager may cut from the caption.
constexpr int kClientWidth = 3645;
constexpr int kClientHeight = 2475 + 300;
// The list opens tall enough for this many rows, when the table has them.
constexpr int kRowsShownAtOpening = 20;

class 選擇區段窗體 : public FixedForm {
 public:
  選擇區段窗體(QWidget& owner, PeImage& image)
      : FixedForm(owner, kClientWidth, kClientHeight), image_(image) {
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

  void FillRows() {
    區段清單->clear();
    rows_ = RowCount(image_);
    for (int i = 0; i < rows_; ++i) {
      const SectionRecord& record = image_.Sections[static_cast<std::size_t>(i)];
      auto* row = new QListWidgetItem(ToQString(ShownName(record.Name)), 區段清單);
      row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      row->setCheckState(record.Included ? Qt::Checked : Qt::Unchecked);
    }
  }

  void MakeFirstRowCurrent() { 區段清單->setCurrentRow(0); }

  // Opens tall enough for the rows, up to kRowsShownAtOpening of them.
  void FitToRows() {
    const int shown = std::min(rows_, kRowsShownAtOpening);
    const int rowHeight = shown > 0 ? 區段清單->sizeHintForRow(0) : 0;
    const int wanted = rowHeight * shown + 2 * 區段清單->frameWidth();
    const QSize base = TwipRect(0, 0, kClientWidth, kClientHeight).size();
    resize(width(), base.height() + std::max(0, wanted - TwipRect(120, 220, 1455, 1110).height()));
  }

  bool Confirmed = false;

 private:
  void BuildControls() {
    RVAmode[0] = new QRadioButton(QStringLiteral("RVA"), this);
    RVAmode[1] = new QRadioButton(QStringLiteral("VA"), this);
    for (std::size_t k = 0; k < 2; ++k)
      RVAmode[k]->setObjectName(QStringLiteral("RVAmode%1").arg(k));
    RVAmode[0]->setGeometry(TwipRect(840, 120, 735, 255));
    RVAmode[1]->setGeometry(TwipRect(2040, 120, 615, 255));

    f = new QGroupBox(this);
    f->setObjectName(QStringLiteral("f"));
    f->setGeometry(TwipRect(60, 400, 3495, 1480));

    區段清單 = new QListWidget(f);
    區段清單->setObjectName(QStringLiteral("區段清單"));
    區段清單->setGeometry(TwipRect(120, 220, 1455, 1110));
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

    確定 = MakeButton(QStringLiteral("確定"), TwipRect(720, 2000, 975, 375));
    取消 = MakeButton(QStringLiteral("取消"), TwipRect(1940, 2000, 975, 375));
    QObject::connect(確定, &QPushButton::clicked, this, [this] { 確定_Click(); });
    QObject::connect(取消, &QPushButton::clicked, this, [this] { 取消_Click(); });

    基位址 = new QLabel(this);
    基位址->setObjectName(QStringLiteral("基位址"));
    基位址->setGeometry(TwipRect(60, 2475, kClientWidth - 120, 225));
    基位址->setAlignment(Qt::AlignCenter);
    基位址->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }

  // The seed's size is the smallest; a 64-bit image's boxes are wider, so that every digit shows.
  void AllowResizing() {
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, false);
    setSizeGripEnabled(true);
    const int digits = FieldInputLimit(Radix::Hex, AddressWidth(image_));
    boxGrowth_ = GrowthForDigits(*t[0], digits);
    const QSize base = TwipRect(0, 0, kClientWidth, kClientHeight).size();
    setMinimumSize(base.width() + boxGrowth_, base.height());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(minimumSize());
  }

  void resizeEvent(QResizeEvent* event) override {
    FixedForm::resizeEvent(event);
    PlaceControls();
  }

  // The list takes what the window grows by; the boxes keep to its right, the buttons below.
  void PlaceControls() {
    const QSize base = TwipRect(0, 0, kClientWidth, kClientHeight).size();
    const int wider = std::max(0, width() - base.width());
    const int taller = std::max(0, height() - base.height());
    const int listWider = std::max(0, wider - boxGrowth_);
    auto grown = [](QRect r, int w, int h) { return r.adjusted(0, 0, w, h); };
    auto moved = [](QRect r, int x, int y) { return r.translated(x, y); };
    f->setGeometry(grown(TwipRect(60, 400, 3495, 1480), wider, taller));
    區段清單->setGeometry(grown(TwipRect(120, 220, 1455, 1110), listWider, taller));
    for (std::size_t k = 0; k < 4; ++k) {
      l[k]->move(moved(TwipRect(1680, kTops[k], 0, 0), listWider, 0).topLeft());
      t[k]->setGeometry(
          grown(moved(TwipRect(2400, kTops[k], 975, 270), listWider, 0), boxGrowth_, 0));
    }
    確定->setGeometry(moved(TwipRect(720, 2000, 975, 375), wider / 2, taller));
    取消->setGeometry(moved(TwipRect(1940, 2000, 975, 375), wider / 2, taller));
    基位址->setGeometry(
        grown(moved(TwipRect(60, 2475, kClientWidth - 120, 225), 0, taller), wider, 0));
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
    QWidget* order[] = {確定, 取消, 區段清單, t[0], t[1], t[2], t[3], RVAmode[0], RVAmode[1]};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  }

  void 區段清單_Click(int row) {
    if (row < 0 || row >= rows_) return;
    const SectionRecord& record = image_.Sections[static_cast<std::size_t>(row)];
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

  void 確定_Click() {
    for (int i = 0; i < rows_; ++i) {
      IncludeSection(image_, static_cast<std::size_t>(i),
                     區段清單->item(i)->checkState() == Qt::Checked);
    }
    OmitImageBase(image_, RVAmode[0]->isChecked());
    Confirmed = true;
    accept();
  }

  void 取消_Click() {
    Confirmed = false;
    reject();
  }

  static constexpr std::array<int, 4> kTops{240, 480, 840, 1080};

  PeImage& image_;
  int rows_ = 0;
  // What a 64-bit image's boxes grow by, in pixels.
  int boxGrowth_ = 0;
  std::array<QRadioButton*, 2> RVAmode{};
  QGroupBox* f = nullptr;
  QListWidget* 區段清單 = nullptr;
  std::array<QLabel*, 4> l{};
  std::array<QLineEdit*, 4> t{};
  QPushButton* 確定 = nullptr;
  QPushButton* 取消 = nullptr;
  QLabel* 基位址 = nullptr;
};

}  // namespace

bool 選擇區段::選擇(QWidget& owner, PeImage& image) {
  // Without an analysed file there is no row 0 to make current, so there is nothing to show.
  if (RowCount(image) == 0) return false;
  選擇區段窗體 form(owner, image);
  form.SetCaption();
  form.SelectModeInForce();
  form.FillRows();
  form.FitToRows();
  form.CentreOverOwner();
  form.TakeOwnerIcon();
  form.MakeFirstRowCurrent();
  form.exec();
  return form.Confirmed;
}

}  // namespace marlit
