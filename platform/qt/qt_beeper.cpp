#include "platform/qt/qt_beeper.h"

#include <QApplication>

namespace marlit {

void QtBeeper::Beep() { QApplication::beep(); }

}  // namespace marlit
