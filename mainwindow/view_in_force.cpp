#include "mainwindow/view_in_force.h"

#include "pe/panel/number_text.h"
#include "pe/view/image_view.h"
#include "platform/translation.h"

namespace marlit {

ViewInForce DescribeViewInForce(const PeImage& image, Radix radix) {
  if (image.TablesInForce == 0) return {};
  const bool loader = image.View == MappingView::Loader;
  const bool rebased = Rebased(image);
  const std::u16string base = FieldNumberText(radix, AddressWidth(image), image.ImageBase);
  std::u16string text;
  if (rebased) {
    const std::u16string load = FieldNumberText(radix, AddressWidth(image), BaseInForce(image));
    text = FillIn(Translate(loader ? u"載入器映射，載入位址 %1（檔案的基位址 %2）"
                                   : u"區段表，載入位址 %1（檔案的基位址 %2）"),
                  {load, base});
  } else {
    text = FillIn(Translate(loader ? u"載入器映射，基位址 %1" : u"區段表，基位址 %1"), {base});
  }
  return {text, loader || rebased};
}

}  // namespace marlit
