#include "mainwindow/late_start.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QWindow>
#include <utility>

namespace marlit {
namespace {

class FirstExposure final : public QObject {
 public:
  FirstExposure(QObject* parent, std::function<void()> step)
      : QObject(parent), step_(std::move(step)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && watched->isWindowType() &&
        static_cast<const QWindow*>(watched)->isExposed()) {
      QCoreApplication::instance()->removeEventFilter(this);
      // Queued, so that the exposed window paints first.
      QMetaObject::invokeMethod(
          this,
          [this] {
            step_();
            deleteLater();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  std::function<void()> step_;
};

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (const QFileInfo& image : QDir(QStringLiteral(":/marlit/icons")).entryInfoList(QDir::Files)) {
    icon.addFile(image.filePath());
  }
  return icon;
}

void AfterFirstExposure(std::function<void()> step) {
  QCoreApplication* app = QCoreApplication::instance();
  app->installEventFilter(new FirstExposure(app, std::move(step)));
}

}  // namespace marlit
