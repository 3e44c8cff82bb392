#pragma once
// marlit-cli's lines for --refs: where the file points to an address.

#include <cstdint>
#include <string>

#include "pe/facts/address_facts.h"
#include "pe/panel/conversion_panel.h"
#include "pe/view/pe_image.h"

namespace marlit::cli {

// A line for each reference of the address searched (its text as the panel wrote it, and its
// number): tab-separated address searched, file offset, memory address, section and "relocated"
// or "-", the memory address and the section empty where no record maps the offset; or one JSON
// object each.
void AppendReferenceRows(std::string& out, const PeImage& image, const AddressReferences& found,
                         const FieldText& searched, std::int64_t address, Radix radix, bool json);

}  // namespace marlit::cli
