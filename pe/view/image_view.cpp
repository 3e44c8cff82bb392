#include "pe/view/image_view.h"

#include "pe/view/translate.h"
#include "platform/errors.h"

namespace marlit {

ViewTable BuildView(const RawImageHeaders& raw, ImageKind kind, MappingView view,
                    std::int64_t base) {
  return view == MappingView::Loader ? BuildLoaderView(raw, kind, base)
                                     : BuildRawView(raw, kind, base);
}

ViewChange SetViewAndLoadAddress(PeImage& image, MappingView view, std::int64_t loadAddress) {
  if (image.TablesInForce == 0) {
    image.View = view;
    return ViewChange::Done;
  }
  ViewTable table;
  try {
    table = BuildView(image.Raw, image.Kind, view, loadAddress);
  } catch (const OverflowError&) {
    return ViewChange::Overflowed;
  }
  if (view == image.View && table.Records.size() == image.Sections.size()) {
    for (std::size_t i = 0; i < table.Records.size(); ++i) {
      table.Records[i].Included = image.Sections[i].Included;
    }
  }
  image.Sections = std::move(table.Records);
  image.SectionCount = static_cast<std::int16_t>(image.Sections.size());
  image.View = view;
  image.LoadAddress = loadAddress;
  image.HeaderFromOffset = table.FromOffset;
  image.HeaderFromAddress = table.FromAddress;
  TableChanged(image);
  return ViewChange::Done;
}

ViewChange SetView(PeImage& image, MappingView view) {
  return SetViewAndLoadAddress(image, view, BaseInForce(image));
}

ViewChange SetLoadAddress(PeImage& image, std::int64_t loadAddress) {
  return SetViewAndLoadAddress(image, image.View, loadAddress);
}

}  // namespace marlit
