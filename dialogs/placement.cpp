#include "dialogs/placement.h"

#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace marlit {

namespace {

int ToPixels(float twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel)); }

float ToTwips(int pixels) { return static_cast<float>(pixels) * TwipsPerPixel; }

TwipBox ToTwips(const QRect& r) {
  return TwipBox{ToTwips(r.x()), ToTwips(r.y()), ToTwips(r.width()), ToTwips(r.height())};
}

}  // namespace

QRect TwipRect(int left, int top, int width, int height) {
  return QRect(ToPixels(static_cast<float>(left)), ToPixels(static_cast<float>(top)),
               ToPixels(static_cast<float>(width)), ToPixels(static_cast<float>(height)));
}

int GrowthForDigits(const QLineEdit& field, int digits) {
  // A line edit's own margin on each side of its text, and room for the cursor, in pixels.
  constexpr int kTextMargin = 2;
  constexpr int kCursorWidth = 2;
  int widest = 0;
  for (const QChar c : QStringLiteral("0123456789ABCDEF")) {
    widest = std::max(widest, field.fontMetrics().horizontalAdvance(c));
  }
  const int frame = 2 * (field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &field) +
                         kTextMargin) +
                    kCursorWidth;
  return std::max(0, widest * digits + frame - field.width());
}

TwipPoint CentreOver(const TwipBox& owner, float width, float height) {
  TwipPoint p;
  p.Left = owner.Left + (owner.Width - width) / 2.0F;
  if (p.Left < 0) p.Left = 0;
  p.Top = owner.Top + (owner.Height - height) / 2.0F;
  if (p.Top < 0) p.Top = 0;
  return p;
}

FixedForm::FixedForm(QWidget& owner, int clientWidthTwips, int clientHeightTwips)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      owner_(owner) {
  setFont(owner.font());
  setFixedSize(TwipRect(0, 0, clientWidthTwips, clientHeightTwips).size());
  setWindowModality(Qt::ApplicationModal);
}

void FixedForm::CentreOverOwner() {
  QSize outer = frameGeometry().size();
  if (!isVisible()) {
    // The window manager tells a window's frame only once it is mapped; the owner's frame is of
    // the same kind.
    outer = size() + (owner_.frameGeometry().size() - owner_.geometry().size());
  }
  const TwipPoint p =
      CentreOver(ToTwips(owner_.frameGeometry()), ToTwips(outer.width()), ToTwips(outer.height()));
  // For a window, move() places its outer frame.
  move(ToPixels(p.Left), ToPixels(p.Top));
}

void FixedForm::TakeOwnerIcon() { setWindowIcon(owner_.windowIcon()); }

void FixedForm::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace marlit
