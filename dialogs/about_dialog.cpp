#include "dialogs/about_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "dialogs/placement.h"
#include "dialogs/text_fit.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

class 關於窗體 : public FixedForm {
 public:
  explicit 關於窗體(QWidget& owner) : FixedForm(owner, 4110, 1965) {
    BuildControls();
    確定->setFocus();
  }

  void Form_Load(const VersionInfo& version) {
    const QString product = ToQString(version.ProductName);
    AppName->setText(product + u' ' + QString::number(version.Major) + u'.' +
                     QString::number(version.Minor) + ToQString(Translate(u"B 版")));
    setWindowTitle(ToQString(FillIn(Translate(u"關於%1"), {ToU16(product)})));
    if (CurrentLanguage() == Language::English) FitEnglishTexts();
  }

 private:
  void BuildControls() {
    確定 = new QPushButton(ToQString(Translate(u"確定")), this);
    確定->setObjectName(QStringLiteral("確定"));
    確定->setGeometry(TwipRect(2880, 200, 1095, 375));
    // Neither the default nor the cancel button: Enter and Escape do not close the box.
    確定->setAutoDefault(false);
    確定->setDefault(false);
    QObject::connect(確定, &QPushButton::clicked, this, [this] { 確定_Click(); });

    AppName = new QLabel(QStringLiteral("程式名"), this);
    AppName->setObjectName(QStringLiteral("AppName"));
    AppName->setGeometry(TwipRect(120, 270, 2775, 210));
    QFont larger = font();
    larger.setPointSizeF(10.5);
    AppName->setFont(larger);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(TwipRect(120, 720, 3855, 1095));

    Creator =
        MakeLine(QStringLiteral("Creator"), ToQString(Translate(u"作者：Marlit 的開發者")), 240);
    Label1 =
        MakeLine(QStringLiteral("Label1"), ToQString(Translate(u"專案說明與安裝：見 README")), 480);
    Label2 = MakeLine(QStringLiteral("Label2"),
                      ToQString(Translate(u"問題回報：Marlit 的問題追蹤系統")), 720);
  }

  QLabel* MakeLine(const QString& name, const QString& text, int top) {
    auto* label = new QLabel(text, Frame1);
    label->setObjectName(name);
    label->setGeometry(TwipRect(120, top, 3540, 225));
    return label;
  }

  // The English name and version need more room than the Chinese: the box grows to the right.
  void FitEnglishTexts() {
    constexpr int kGapBeforeButton = 8;
    const int growth =
        FitRow({{AppName, AppName->width() - kGapBeforeButton}, {確定, 確定->width()}});
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Creator, Label1, Label2}) {
      w->resize(w->width() + growth, w->height());
    }
    setFixedSize(width() + growth, height());
  }

  void 確定_Click() { accept(); }

  QPushButton* 確定 = nullptr;
  QLabel* AppName = nullptr;
  QGroupBox* Frame1 = nullptr;
  QLabel* Creator = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
};

}  // namespace

void 關於對話框::顯示(QWidget& owner, const VersionInfo& version) {
  關於窗體 form(owner);
  form.Form_Load(version);
  form.CentreOverOwner();
  form.TakeOwnerIcon();
  form.exec();
}

}  // namespace marlit
