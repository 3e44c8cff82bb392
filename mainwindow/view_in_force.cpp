#include "mainwindow/view_in_force.h"

#include "pe/image_view.h"
#include "pe/number_text.h"

namespace marlit {

namespace {

// Puts each text in the place of its placeholder %1, %2 .. in order.
std::u16string Fill(std::u16string message, std::initializer_list<std::u16string> values) {
  char16_t number = u'1';
  for (const std::u16string& value : values) {
    const std::u16string mark{u'%', number++};
    if (const auto at = message.find(mark); at != std::u16string::npos) {
      message.replace(at, mark.size(), value);
    }
  }
  return message;
}

}  // namespace

ViewInForce DescribeViewInForce(const PeImage& image) {
  if (image.TablesInForce == 0) return {};
  const bool loader = image.View == MappingView::Loader;
  const bool rebased = Rebased(image);
  auto hex = [&](std::int64_t value) {
    return FieldNumberText(Radix::Hex, AddressWidth(image), value);
  };
  std::u16string text;
  if (rebased) {
    text = Fill(loader ? u"載入器映射，載入位址 %1（檔案的基位址 %2）"
                       : u"區段表，載入位址 %1（檔案的基位址 %2）",
                {hex(BaseInForce(image)), hex(image.ImageBase)});
  } else {
    text = Fill(loader ? u"載入器映射，基位址 %1" : u"區段表，基位址 %1", {hex(image.ImageBase)});
  }
  return {text, loader || rebased};
}

}  // namespace marlit
