#pragma once
// Form1, Tessaly's one window: its caption shows the DirectInput code of the key that is down and
// the time of day it was last seen.

#include <QLocale>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "platform/keyboard/direct_input.h"

namespace marlit {

inline constexpr char kTessalyTitle[] = "Tessaly";
inline constexpr char kDirectInputMissingText[] =
    "Error starting Direct Input, please make sure you have DirectX installed";
inline constexpr int kKeyTimerMs = 10;

// The system's time-of-day format: its long time format without the time zone.
[[nodiscard]] QString TimeOfDayFormat(const QLocale& locale);

// "30 - This Key Was pressed Last (14:03:27)".
[[nodiscard]] QString KeyCaption(int code, const QTime& time, const QLocale& locale);

class Form1 : public QWidget {
 public:
  explicit Form1(DirectX7& dxRoot);
  ~Form1() override;

  // False when DirectInput could not be created: the message has been shown and the program ends
  // without showing the window. Later failures are thrown.
  [[nodiscard]] bool Form_Load();
  void tmrKey_Timer();

 protected:
  // Form_Unload.
  void closeEvent(QCloseEvent* event) override;

 private:
  DirectX7& DxRoot_;
  std::unique_ptr<DirectInput> DxInput_;
  std::unique_ptr<DirectInputDevice> KeyboardDevice_;
  KeyboardState KeyboardState_{};
  QTimer tmrKey_;
};

// The generic report of a failure that nothing handles, after which the program ends.
void ReportUnexpectedError(const std::exception& error);

}  // namespace marlit
