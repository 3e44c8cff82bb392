#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/errors.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

QClipboard& SystemClipboard() {
  QClipboard* c = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                      ? QGuiApplication::clipboard()
                      : nullptr;
  if (c == nullptr) throw PlatformError(Translate("沒有可用的剪貼簿"));
  return *c;
}

}  // namespace

std::optional<std::u16string> QtClipboard::ReadText() {
  const QMimeData* data = SystemClipboard().mimeData(QClipboard::Clipboard);
  if (data == nullptr || !data->hasText()) return std::nullopt;
  return ToU16(data->text());
}

void QtClipboard::Clear() { SystemClipboard().clear(QClipboard::Clipboard); }

void QtClipboard::WriteText(std::u16string_view text) {
  QClipboard& c = SystemClipboard();
  const QString wanted = ToQString(text);
  c.setText(wanted, QClipboard::Clipboard);
  if (c.text(QClipboard::Clipboard) != wanted) throw PlatformError(Translate("剪貼簿未能接受文字"));
}

}  // namespace marlit
