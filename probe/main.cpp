// Tessaly: shows in its window caption the DirectInput code of the key that is down.

#include <QApplication>
#include <exception>

#include "probe/form1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(marlit::kTessalyTitle));
  auto dxRoot = marlit::MakeSystemDirectX();
  marlit::Form1 form(*dxRoot);
  try {
    if (!form.Form_Load()) return 1;
  } catch (const std::exception& error) {
    marlit::ReportUnexpectedError(error);
    return 1;
  }
  return QApplication::exec();
}
