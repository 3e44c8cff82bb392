#include "probe/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <cstdint>

#include "probe/native_caption.h"

namespace marlit {

QString TimeOfDayFormat(const QLocale& locale) {
  const QString longFormat = locale.timeFormat(QLocale::LongFormat);
  QString format;
  bool quoted = false;
  for (const QChar ch : longFormat) {
    if (ch == u'\'') quoted = !quoted;
    if (!quoted && ch == u't') continue;
    format += ch;
  }
  return format.trimmed();
}

QString KeyCaption(int code, const QTime& time, const QLocale& locale) {
  return QString::number(code) + QStringLiteral(" - This Key Was pressed Last (") +
         locale.toString(time, TimeOfDayFormat(locale)) + u')';
}

Form1::Form1(DirectX7& dxRoot)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      DxRoot_(dxRoot) {
  setObjectName(QStringLiteral("Form1"));
  // 6195 x 30 twips at 15 twips a pixel.
  setFixedSize(413, 2);
  tmrKey_.setObjectName(QStringLiteral("tmrKey"));
  connect(&tmrKey_, &QTimer::timeout, this, [this] {
    try {
      tmrKey_Timer();
    } catch (const std::exception& error) {
      tmrKey_.stop();
      ReportUnexpectedError(error);
    }
  });
}

Form1::~Form1() = default;

bool Form1::Form_Load() {
  try {
    DxInput_ = DxRoot_.DirectInputCreate();
  } catch (const DirectInputUnavailable&) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kTessalyTitle),
                    QString::fromLatin1(kDirectInputMissingText), QMessageBox::Ok);
    box.exec();
    return false;
  }
  KeyboardDevice_ = DxInput_->CreateDevice(GUID_SysKeyboard);
  KeyboardDevice_->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  KeyboardDevice_->SetCooperativeLevel(static_cast<NativeWindowId>(winId()),
                                       kBackgroundSharedLevel);
  ClearNativeCaption(static_cast<NativeWindowId>(winId()));
  show();
  KeyboardDevice_->Acquire();
  tmrKey_.start(kKeyTimerMs);
  return true;
}

void Form1::tmrKey_Timer() {
  KeyboardDevice_->GetDeviceStateKeyboard(KeyboardState_);
  const QLocale locale = QLocale::system();
  for (std::int16_t i = 0; i <= 255; ++i) {
    if (KeyboardState_[static_cast<std::size_t>(i)] != 0) {
      setWindowTitle(KeyCaption(i, QTime::currentTime(), locale));
    }
  }
  QCoreApplication::processEvents();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (KeyboardDevice_) KeyboardDevice_->Unacquire();
  tmrKey_.stop();
  event->accept();
}

void ReportUnexpectedError(const std::exception& error) {
  QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kTessalyTitle),
                  QStringLiteral("Run-time error: ") + QString::fromUtf8(error.what()),
                  QMessageBox::Ok);
  box.exec();
  QCoreApplication::exit(1);
}

}  // namespace marlit
