#pragma once
// What the windows share: twip geometry (the main window too), the centring over the owner, and the modal form
// without a dialog-wide meaning for Enter and Escape.

#include <QDialog>
#include <QLineEdit>
#include <QRect>
#include <QWidget>

namespace marlit {

// 15 twips are one pixel at 96 dpi.
inline constexpr float TwipsPerPixel = 15.0F;

// A control's Left, Top, Width, Height given in twips, in pixels.
[[nodiscard]] QRect TwipRect(int left, int top, int width, int height);

struct TwipPoint {
  float Left = 0;
  float Top = 0;
};

struct TwipBox {
  float Left = 0;
  float Top = 0;
  float Width = 0;
  float Height = 0;
};

// How many pixels field must grow so that a text of digits hexadecimal or decimal digits shows
// whole, without scrolling; 0 when it is wide enough.
[[nodiscard]] int GrowthForDigits(const QLineEdit& field, int digits);

// Centres a window of the given outer size over owner, in single-precision twips with a real
// division. A position below 0 becomes 0; nothing keeps it off the right or bottom screen edge.
[[nodiscard]] TwipPoint CentreOver(const TwipBox& owner, float width, float height);

// A modal form with a fixed border, a close control and no minimize or maximize button, in the
// owner's font. Enter and Escape mean nothing to the form itself; only its buttons close it.
class FixedForm : public QDialog {
 public:
  FixedForm(QWidget& owner, int clientWidthTwips, int clientHeightTwips);

  // Moves the form's outer window to CentreOver the owner's outer window.
  void CentreOverOwner();
  void TakeOwnerIcon();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget& owner_;
};

}  // namespace marlit
