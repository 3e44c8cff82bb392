#pragma once
// Drives a modal dialog from inside its own event loop.

#include <QDialog>
#include <functional>

namespace marlit::test {

// Runs open(), which shows a modal dialog and waits for it; once the dialog is up, act gets it.
// A dialog that act leaves open is a test failure and is closed, so no test can hang on it.
// Returns whether a modal dialog was seen at all.
bool WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& act);

}  // namespace marlit::test
