// 列出引用 of 主窗體: the places of the analysed file that refer to the address shown, searched
// under a progress box and listed in a dialog; the place chosen goes into 實偏移.
#include <QLineEdit>

#include "mainwindow/handler_steps.h"
#include "mainwindow/main_window.h"
#include "mainwindow/number_field.h"
#include "mainwindow/progress_box.h"
#include "pe/load/loader.h"
#include "pe/panel/number_text.h"
#include "platform/errors.h"
#include "platform/translation.h"

namespace marlit {

void 主窗體::列出引用_Click() {
  const std::optional<std::int64_t> address = AddressShown();
  if (!address || analysedPath_.empty()) {
    Skipping([this] { beeper_.Beep(); });
    return;
  }
  const QString addressText = 虛偏移->text();
  DialogBracket([&] {
    AddressReferences found;
    try {
      found = SearchReferences(*address);
    } catch (const PlatformError& e) {
      prompt_.ShowMessage(std::u16string(Translate(u"無法讀取檔案以搜尋引用：")) +
                          ErrorDescription(e.what()));
      return;
    }
    const std::optional<std::uint64_t> chosen =
        hooks_.引用(*this, addressText, found, panel_->radix(), AddressWidth(module_.Image));
    if (chosen) GoToOffset(*chosen);
  });
}

AddressReferences 主窗體::SearchReferences(std::int64_t address) {
  // The search reads the whole file; on a large one the box shows how far it got and can stop it.
  ProgressBox box(*this);
  return FindAddressReferencesInFile(module_.Image, analysedPath_, address, box.Progress());
}

void 主窗體::GoToOffset(std::uint64_t offset) {
  實偏移->setFocus();
  實偏移->setText(ToQString(
      FieldNumberText(panel_->radix(), NumberWidth::Narrow, static_cast<std::int64_t>(offset))));
}

}  // namespace marlit
