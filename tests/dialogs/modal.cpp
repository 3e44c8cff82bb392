#include "modal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

namespace marlit::test {

bool WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& act) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    seen = true;
    act(*dialog);
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the dialog was left open";
      dialog->done(QDialog::Rejected);
    }
  });
  open();
  // A call that showed nothing leaves the timer pending; let it look for a dialog now.
  QCoreApplication::processEvents();
  return seen;
}

}  // namespace marlit::test
