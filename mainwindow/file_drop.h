#pragma once
// Drops of files on the converter window: a local file dragged over any part of the window, its
// fields included, is taken as a copy and dropped on 程式名.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QMimeData;
class QWidget;

namespace marlit {

class FileDrop final : public QObject {
 public:
  // onDrop: the drop handler of 程式名, given the dropped data; its answer is the drop action.
  FileDrop(QWidget& window, std::function<Qt::DropAction(const QMimeData&)> onDrop);

  // A widget that takes drops of its own (a number field takes dropped text): its drags of local
  // files go to the window instead.
  void Watch(QWidget& widget);

  // The file a drop names: its first item, when that is a local file. Later items are ignored,
  // and so is a first item that is not a local file.
  [[nodiscard]] static std::optional<QString> FirstLocalFile(const QMimeData& data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<Qt::DropAction(const QMimeData&)> onDrop_;
};

}  // namespace marlit
