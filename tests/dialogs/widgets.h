#pragma once
// Finding the controls of a dialog by their names, and an owner window to show dialogs over.

#include <gtest/gtest.h>

#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>

namespace marlit::test {

// The control called name; a missing control is a fault of the dialog, and ends the run.
template <class T>
T& Control(const QWidget& dialog, const char* name) {
  T* w = dialog.findChild<T*>(QString::fromUtf8(name));
  if (w == nullptr) {
    ADD_FAILURE() << "no control " << name;
    std::abort();
  }
  return *w;
}

// A shown window with its own icon and font, so the dialogs can be seen to take them.
class OwnerWindow : public QWidget {
 public:
  OwnerWindow() {
    QPixmap picture(16, 16);
    picture.fill(Qt::darkCyan);
    setWindowIcon(QIcon(picture));
    QFont chinese(QStringLiteral("AR PL UMing TW"));
    chinese.setPointSizeF(9);
    setFont(chinese);
    setGeometry(200, 150, 400, 300);
    show();
  }
};

}  // namespace marlit::test
