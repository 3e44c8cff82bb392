#include "dialogs/references_dialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The table opens tall enough for this many rows, when it has them.
constexpr int kRowsShownAtOpening = 12;

// What the search found, in one sentence: plainly "none" when there is nothing.
QString Summary(const AddressReferences& found) {
  const std::u16string count = ToU16(QString::number(found.References.size()));
  auto sentence = [&count](std::u16string_view id) { return ToQString(FillIn(Translate(id), {count})); };
  if (found.Cancelled) return sentence(u"搜尋已取消，只列出已找到的 %1 個引用。");
  if (found.Truncated) return sentence(u"引用太多，只列出前 %1 個。");
  if (found.References.empty()) return ToQString(Translate(u"檔案中沒有任何位置引用這個位址。"));
  return sentence(u"找到 %1 個引用。");
}

class 引用清單窗體 : public QDialog {
 public:
  引用清單窗體(QWidget& owner, const QString& address, const AddressReferences& found, Radix radix,
               NumberWidth addressWidth)
      : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint),
        found_(found) {
    setFont(owner.font());
    setWindowIcon(owner.windowIcon());
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(ToQString(FillIn(Translate(u"引用 %1 的位置"), {ToU16(address)})));
    BuildControls();
    Fill(radix, addressWidth);
  }

  std::optional<std::uint64_t> Chosen;

 private:
  void BuildControls() {
    auto* column = new QVBoxLayout(this);
    摘要 = new QLabel(Summary(found_), this);
    摘要->setObjectName(QStringLiteral("引用摘要"));
    摘要->setWordWrap(true);
    column->addWidget(摘要);

    表 = new QTableWidget(0, 4, this);
    表->setObjectName(QStringLiteral("引用表"));
    表->setHorizontalHeaderLabels({ToQString(Translate(u"檔案偏移")),
                                   ToQString(Translate(u"記憶體位址")),
                                   ToQString(Translate(u"區段")), ToQString(Translate(u"重定位"))});
    表->verticalHeader()->hide();
    // Rows as tall as a line of text, so that a dozen of them fit on any screen.
    表->verticalHeader()->setDefaultSectionSize(表->fontMetrics().height() + 6);
    表->setSelectionBehavior(QAbstractItemView::SelectRows);
    表->setSelectionMode(QAbstractItemView::SingleSelection);
    表->setEditTriggers(QAbstractItemView::NoEditTriggers);
    表->setTabKeyNavigation(false);
    表->setVisible(!found_.References.empty());
    QObject::connect(表, &QTableWidget::cellActivated, this, [this](int row, int) { Choose(row); });
    column->addWidget(表);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    確定 = new QPushButton(ToQString(Translate(u"確定")), this);
    確定->setObjectName(QStringLiteral("確定"));
    取消 = new QPushButton(ToQString(Translate(u"取消")), this);
    取消->setObjectName(QStringLiteral("取消"));
    for (QPushButton* b : {確定, 取消}) {
      b->setAutoDefault(false);
      buttons->addWidget(b);
    }
    確定->setEnabled(!found_.References.empty());
    QObject::connect(確定, &QPushButton::clicked, this, [this] { Choose(表->currentRow()); });
    QObject::connect(取消, &QPushButton::clicked, this, [this] { reject(); });
    column->addLayout(buttons);
  }

  void Fill(Radix radix, NumberWidth addressWidth) {
    表->setRowCount(static_cast<int>(found_.References.size()));
    int row = 0;
    for (const AddressReference& r : found_.References) {
      const QString cells[] = {
          ToQString(FieldNumberText(radix, NumberWidth::Wide, static_cast<std::int64_t>(r.FileOffset))),
          r.Address ? ToQString(FieldNumberText(radix, addressWidth, *r.Address)) : QString(),
          ToQString(r.Section ? ShownName(*r.Section) : Translate(u"不在段內")),
          ToQString(Translate(r.Relocated ? u"是" : u"否")),
      };
      for (int c = 0; c < 4; ++c) 表->setItem(row, c, new QTableWidgetItem(cells[c]));
      ++row;
    }
    表->resizeColumnsToContents();
    表->horizontalHeader()->setStretchLastSection(true);
    if (row > 0) {
      表->setCurrentCell(0, 0);
      表->setFocus();
      const int shown = std::min(row, kRowsShownAtOpening);
      表->setMinimumHeight(表->horizontalHeader()->height() + 表->rowHeight(0) * shown +
                          2 * 表->frameWidth());
      int width = 2 * 表->frameWidth();
      for (int c = 0; c < 4; ++c) width += 表->columnWidth(c);
      表->setMinimumWidth(width + 表->verticalScrollBar()->sizeHint().width());
    } else {
      取消->setFocus();
    }
  }

  void Choose(int row) {
    if (row < 0 || row >= static_cast<int>(found_.References.size())) return;
    Chosen = found_.References[static_cast<std::size_t>(row)].FileOffset;
    accept();
  }

  const AddressReferences& found_;
  QLabel* 摘要 = nullptr;
  QTableWidget* 表 = nullptr;
  QPushButton* 確定 = nullptr;
  QPushButton* 取消 = nullptr;
};

}  // namespace

std::optional<std::uint64_t> 引用清單::選擇(QWidget& owner, const QString& address,
                                          const AddressReferences& found, Radix radix,
                                          NumberWidth addressWidth) {
  引用清單窗體 form(owner, address, found, radix, addressWidth);
  form.adjustSize();
  // Wide enough for the caption, which holds the address, in a window manager's bolder and
  // larger face, beside its buttons.
  const int caption = form.fontMetrics().horizontalAdvance(form.windowTitle());
  form.resize(std::max(form.width(), caption * 3 / 2 + 8 * form.fontMetrics().height()),
              form.height());
  const QPoint at = owner.frameGeometry().center() - form.rect().center();
  form.move(std::max(at.x(), 0), std::max(at.y(), 0));
  form.exec();
  return form.Chosen;
}

}  // namespace marlit
