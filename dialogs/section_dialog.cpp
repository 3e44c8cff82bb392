#include "dialogs/section_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <cstddef>

#include "dialogs/placement.h"
#include "pe/number_text.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The rows the table really holds: a record count that runs past the table shows only the records
// that exist.
int RowCount(const PeImage& image) {
  const std::size_t count =
      image.SectionCount > 0 ? static_cast<std::size_t>(image.SectionCount) : 0;
  return static_cast<int>(std::min(count, image.Sections.size()));
}

// Below the buttons a row shows the image base, which a window manager may cut from the caption.
constexpr int kClientWidth = 3645;
constexpr int kClientHeight = 2475 + 300;

class 選擇區段窗體 : public FixedForm {
 public:
  選擇區段窗體(QWidget& owner, PeImage& image)
      : FixedForm(owner, kClientWidth, kClientHeight), image_(image) {
    BuildControls();
    SetTabOrder();
    確定->setFocus();
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

    static constexpr std::array<const char16_t*, 4> kLabels{u"RamMin", u"RamMax", u"FileMin",
                                                            u"FileMax"};
    static constexpr std::array<int, 4> kTops{240, 480, 840, 1080};
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
    t[0]->setText(ToQString(FieldNumberText(Radix::Hex, AddressWidth(image_), record.RamMin)));
    t[1]->setText(ToQString(FieldNumberText(Radix::Hex, AddressWidth(image_), record.RamMax)));
    t[2]->setText(ToQString(HexFieldText(record.FileMin)));
    t[3]->setText(ToQString(HexFieldText(record.FileMax)));
  }

  void 確定_Click() {
    for (int i = 0; i < rows_; ++i) {
      image_.Sections[static_cast<std::size_t>(i)].Included =
          區段清單->item(i)->checkState() == Qt::Checked;
    }
    image_.OmitImageBase = RVAmode[0]->isChecked();
    Confirmed = true;
    accept();
  }

  void 取消_Click() {
    Confirmed = false;
    reject();
  }

  PeImage& image_;
  int rows_ = 0;
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
  form.CentreOverOwner();
  form.TakeOwnerIcon();
  form.FillRows();
  form.MakeFirstRowCurrent();
  form.exec();
  return form.Confirmed;
}

}  // namespace marlit
