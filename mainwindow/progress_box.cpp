#include "mainwindow/progress_box.h"

#include <algorithm>

#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The bar's steps; the last is left for the end of the search, which closes the box.
constexpr int kSteps = 1000;

}  // namespace

ProgressBox::ProgressBox(QWidget& owner)
    : box_(ToQString(Translate(u"正在搜尋引用這個位址的位置…")), ToQString(Translate(u"取消")), 0,
           kSteps, &owner) {
  box_.setObjectName(QStringLiteral("搜尋進度"));
  box_.setWindowModality(Qt::WindowModal);
  box_.setMinimumDuration(300);
}

SearchProgress ProgressBox::Progress() {
  return [this](std::uint64_t searched, std::uint64_t total) {
    const auto step = total == 0 ? 0 : static_cast<int>(searched * kSteps / total);
    box_.setValue(std::min(step, kSteps - 1));
    return !box_.wasCanceled();
  };
}

}  // namespace marlit
