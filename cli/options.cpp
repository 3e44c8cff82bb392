#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <map>

#include "platform/program_info.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

// CLI11 keeps each option's values apart; the order of its parse record restores the order in
// which -o and -a were given.
std::vector<ValueRequest> ValuesInOrder(const CLI::App& app, const CLI::Option* offsets,
                                        const CLI::Option* addresses) {
  std::map<const CLI::Option*, std::size_t> next;
  std::vector<ValueRequest> values;
  for (const CLI::Option* option : app.parse_order()) {
    if (option != offsets && option != addresses) continue;
    const std::size_t i = next[option]++;
    if (i >= option->results().size()) continue;
    values.push_back(
        {option == offsets ? Field::FileOffset : Field::MemoryAddress, option->results()[i]});
  }
  return values;
}

constexpr const char* kFooter =
    "Output: with -o or -a, a line for each value, in the order given, of five tab-separated\n"
    "fields: file offset, memory address, position in the section list (0 = 不在段內),\n"
    "section name, 代碼 (the memory address as its bytes in memory order). An address that the\n"
    "loader's view zero-fills has an empty file offset. Without -o and -a, the section table.\n"
    "--json writes one JSON object a line instead, which also gives the address's data\n"
    "directory, the export at or before it and whether it is zero-filled; see marlit-cli(1).\n"
    "\n"
    "Views: by default the section table as its fields stand (the raw view); --loader maps the\n"
    "image as the Windows loader does: memory rounded to the section alignment, file data from\n"
    "PointerToRawData rounded down to 200h, the rest of each section zero-filled.\n"
    "--base gives the address the image was loaded at: memory addresses with the image base use\n"
    "it in the image base's place; RVAs do not change.\n"
    "\n"
    "--refs: for each value (-a, or the address that -o translates to), a line for each place\n"
    "the file holds it as a pointer (taken at the file's own image base): address searched,\n"
    "file offset, memory address, section (both empty where no section maps the offset), and\n"
    "\"relocated\" when a base relocation rewrites it there, else \"-\".\n"
    "\n"
    "Exit status:\n"
    "  0  every value was translated (or the table printed)\n"
    "  1  the file was refused (unreadable, not a PE file, a bad section table, or more\n"
    "     than 20 sections without --yes)\n"
    "  2  bad usage, or a value text the field would not take\n"
    "  3  a value overflowed; the others were translated\n"
    "  4  the input could not be read or the output written";

// Value texts on the command line are checked before the file is read; the input stream can
// be read once only.
std::optional<std::string> CheckValues(const Options& options) {
  if (options.refs && options.values.empty()) return "「--refs」要和 -a 或 -o 一起用。";
  if (options.base) {
    std::string message = ValueTextMessage(*options.base, options.radix,
                                           FieldInputLimit(options.radix, NumberWidth::Wide));
    if (!message.empty()) return message;
  }
  int fromInput = 0;
  for (const ValueRequest& request : options.values) {
    if (request.value == kFromInput) {
      if (++fromInput > 1) return Translate("「-」只能給一次：標準輸入只能讀一遍。");
      continue;
    }
    // The image is not read yet: an address may be as long as a PE32+ image's; the panel's own
    // limit decides once the file is loaded.
    const NumberWidth width =
        request.field == Field::MemoryAddress ? NumberWidth::Wide : NumberWidth::Narrow;
    std::string message =
        ValueTextMessage(request.value, options.radix, FieldInputLimit(options.radix, width));
    if (!message.empty()) return message;
  }
  return std::nullopt;
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err) {
  ParsedCommandLine parsed;
  Options& o = parsed.options;
  CLI::App app{
      "Translates between file offsets and memory addresses of a PE file, 32-bit (PE32) "
      "or 64-bit (PE32+).",
      "marlit-cli"};
  std::string file;
  std::vector<std::string> offsets;
  std::vector<std::string> addresses;
  bool decimal = false;
  app.add_option("FILE", file, "The PE file (.exe, .dll, .ocx)")->required();
  auto* offsetOption = app.add_option("-o,--offset", offsets,
                                      "File offset to translate; - reads one a line from stdin")
                           ->allow_extra_args(false);
  auto* addressOption = app.add_option("-a,--address", addresses,
                                       "Memory address to translate; - reads one a line from stdin")
                            ->allow_extra_args(false);
  app.add_flag("--decimal", decimal, "Read and write decimal instead of hexadecimal");
  app.add_flag("--rva", o.rva, "Memory addresses without the image base");
  app.add_flag("--loader", o.loader, "Map the image as the Windows loader does");
  app.add_option("--base", o.base,
                 "The address the image was loaded at, in the image base's place (hexadecimal, "
                 "or decimal with --decimal)")
      ->allow_extra_args(false);
  app.add_flag("--refs", o.refs,
               "List where the file points to each value's address instead of translating it");
  app.add_option("--exclude", o.exclude, "Leave out the sections of this name (repeatable)")
      ->allow_extra_args(false);
  app.add_flag("--json", o.json, "One JSON object a line");
  app.add_flag("--yes", o.yes, "Answer OK to the question about more than 20 sections");
  app.set_version_flag("--version", VersionText("marlit-cli"));
  app.footer(Translate(kFooter));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    parsed.exitStatus = status == 0 ? kExitOk : kExitUsage;
    // The help or the version is the whole output: a run that could not write it failed.
    if (status == 0 && !(out << std::flush)) {
      err << "marlit-cli: " << Translate("無法寫出說明。\n") << std::flush;
      parsed.exitStatus = kExitIoFailed;
    }
    return parsed;
  }
  o.file = file;
  o.radix = decimal ? Radix::Decimal : Radix::Hex;
  o.values = ValuesInOrder(app, offsetOption, addressOption);
  if (auto message = CheckValues(o)) {
    err << "marlit-cli: " << *message << '\n' << std::flush;
    parsed.exitStatus = kExitUsage;
  }
  return parsed;
}

}  // namespace marlit::cli
