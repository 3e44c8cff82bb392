#include "cli/reference_rows.h"

#include "cli/row_writer.h"
#include "cli/text_utf8.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

void AppendTextRow(std::string& out, const PeImage& image, const AddressReference& r,
                   std::string_view searched, Radix radix) {
  out.append(searched).append("\t");
  out.append(NumberText(static_cast<std::int64_t>(r.FileOffset), radix, NumberWidth::Narrow));
  out += '\t';
  if (r.Address) out.append(NumberText(*r.Address, radix, AddressWidth(image)));
  out += '\t';
  if (r.Section) out.append(TabSafe(Utf8FromUtf16(*r.Section)));
  out.append(r.Relocated ? "\trelocated\n" : "\t-\n");
}

void AppendJsonRow(std::string& out, const PeImage& image, const AddressReference& r,
                   std::int64_t address, Radix radix) {
  const NumberWidth width = AddressWidth(image);
  out += '{';
  AppendJsonNumber(out, "address", address, radix, width);
  out += ',';
  AppendJsonNumber(out, "file_offset", static_cast<std::int64_t>(r.FileOffset), radix,
                   NumberWidth::Narrow);
  if (r.Address) {
    out += ',';
    AppendJsonNumber(out, "memory_address", *r.Address, radix, width);
  } else {
    out.append(R"(,"memory_address":null,"memory_address_value":null)");
  }
  out.append(R"(,"section":)");
  if (r.Section) {
    AppendJsonString(out, Utf8FromUtf16(*r.Section));
  } else {
    out.append("null");
  }
  out.append(r.Relocated ? R"(,"relocated":true})"
                           "\n"
                         : R"(,"relocated":false})"
                           "\n");
}

}  // namespace

void AppendReferenceRows(std::string& out, const PeImage& image, const AddressReferences& found,
                         const FieldText& searched, std::int64_t address, Radix radix, bool json) {
  for (const AddressReference& r : found.References) {
    if (json) {
      AppendJsonRow(out, image, r, address, radix);
    } else {
      AppendTextRow(out, image, r, searched.View(), radix);
    }
  }
}

}  // namespace marlit::cli
