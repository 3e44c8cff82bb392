#include "cli/section_table.h"

#include <string>
#include <string_view>

#include "cli/row_writer.h"
#include "cli/text_utf8.h"
#include "pe/view/section_choice.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

std::string_view KindName(ImageKind kind) { return kind == ImageKind::Pe32Plus ? "PE32+" : "PE32"; }

void PrintJson(const PeImage& image, Radix radix, std::ostream& out) {
  const NumberWidth addressWidth = AddressWidth(image);
  std::string text = R"({"kind":")" + std::string(KindName(image.Kind)) + "\",";
  AppendJsonNumber(text, "image_base", image.ImageBase, radix, addressWidth);
  text += ',';
  AppendJsonNumber(text, "load_address", BaseInForce(image), radix, addressWidth);
  text += R"(,"sections":[)";
  const std::span<const SectionRecord> records = Records(image);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SectionRecord& r = records[i];
    text += (i == 0 ? R"({"index":)" : R"(,{"index":)") + std::to_string(i);
    text += r.Included ? R"(,"included":true,"name":)" : R"(,"included":false,"name":)";
    AppendJsonString(text, Utf8FromUtf16(r.Name));
    text += ',';
    AppendJsonNumber(text, "file_min", r.FileMin, radix, NumberWidth::Narrow);
    text += ',';
    AppendJsonNumber(text, "file_max", r.FileMax, radix, NumberWidth::Narrow);
    text += ',';
    AppendJsonNumber(text, "ram_min", AddressInMode(image, r.RamMin), radix, addressWidth);
    text += ',';
    AppendJsonNumber(text, "ram_max", AddressInMode(image, r.RamMax), radix, addressWidth);
    text += '}';
  }
  text += "]}\n";
  out << text;
}

}  // namespace

void PrintSectionTable(const PeImage& image, Radix radix, bool json, std::ostream& out) {
  if (json) {
    PrintJson(image, radix, out);
    return;
  }
  const NumberWidth addressWidth = AddressWidth(image);
  out << "Kind\t" << KindName(image.Kind) << '\n'
      << "ImageBase\t" << NumberText(image.ImageBase, radix, addressWidth) << '\n'
      << "LoadAddress\t" << NumberText(BaseInForce(image), radix, addressWidth) << '\n'
      << "Index\tIncluded\tName\tFileMin\tFileMax\tRamMin\tRamMax\n";
  const std::span<const SectionRecord> records = Records(image);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SectionRecord& r = records[i];
    out << i << '\t' << (r.Included ? "yes" : "no") << '\t' << TabSafe(Utf8FromUtf16(ShownName(r.Name)))
        << '\t' << NumberText(r.FileMin, radix, NumberWidth::Narrow) << '\t'
        << NumberText(r.FileMax, radix, NumberWidth::Narrow) << '\t'
        << NumberText(AddressInMode(image, r.RamMin), radix, addressWidth) << '\t'
        << NumberText(AddressInMode(image, r.RamMax), radix, addressWidth) << '\n';
  }
}

}  // namespace marlit::cli
