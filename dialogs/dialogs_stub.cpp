// Placeholder until the dialogs are built.
#include "dialogs/about_dialog.h"
#include "dialogs/section_dialog.h"

namespace marlit {

bool 選擇區段::選擇(QWidget&, PeImage& image) { return image.SectionCount != 0 && false; }

void 關於對話框::顯示(QWidget&, const VersionInfo&) {}

}  // namespace marlit
