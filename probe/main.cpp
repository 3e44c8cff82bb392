// Tessaly: shows in its window caption the DirectInput code of the key that is down.

#include <QApplication>
#include <exception>
#include <iostream>
#include <string>

#include "platform/standard_options.h"
#include "probe/form1.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: tessaly\n"
    "Shows in its window caption the DirectInput code of the key that is down and the time of\n"
    "day it was last seen, also while another program has the focus. Other arguments are\n"
    "ignored; Qt's own options (-display, -platform, ...) are taken.\n"
    "\n"
    "      --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "See tessaly(1).";

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before anything needs a display.
  const std::string version = std::string("tessaly (") + marlit::kTessalyTitle + ") " +
                              TESSALY_VERSION + "\n" + std::string(marlit::kLicenceLines);
  if (auto status = marlit::AnswerStandardOption(argc, argv, kHelp, version, std::cout)) {
    return *status;
  }
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
