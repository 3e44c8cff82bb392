// 主窗體 and its conversion panel: the field events go to the panel, and the panel's state is
// drawn back into the controls, with the description and the view line below them.
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "mainwindow/handler_steps.h"
#include "mainwindow/main_window.h"
#include "mainwindow/number_field.h"
#include "mainwindow/view_in_force.h"
#include "pe/panel/messages.h"
#include "pe/view/overlap.h"
#include "platform/translation.h"

namespace marlit {

void 主窗體::Draw(QLineEdit& control, const FieldText& text) {
  const QString wanted = ToQString(text.View());
  if (control.text() == wanted) return;
  const QSignalBlocker blocker(control);
  control.setText(wanted);
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
  DrawViewInForce();
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
  const ViewInForce shown = DescribeViewInForce(module_.Image, panel_->radix());
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

}  // namespace marlit
