#include "mainwindow/file_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace marlit {

FileDrop::FileDrop(QWidget& window, std::function<Qt::DropAction(const QMimeData&)> onDrop)
    : QObject(&window), onDrop_(std::move(onDrop)) {
  window.setAcceptDrops(true);
  Watch(window);
}

void FileDrop::Watch(QWidget& widget) { widget.installEventFilter(this); }

std::optional<QString> FileDrop::FirstLocalFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return std::nullopt;
  return urls.front().toLocalFile();
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QObject::eventFilter(watched, event);
  }
  auto* drag = static_cast<QDropEvent*>(event);
  // Anything else (dropped text, a remote address) is left to the widget under the cursor.
  if (!FirstLocalFile(*drag->mimeData())) return QObject::eventFilter(watched, event);
  drag->setDropAction(type == QEvent::Drop ? onDrop_(*drag->mimeData()) : Qt::CopyAction);
  drag->accept();
  return true;
}

}  // namespace marlit
