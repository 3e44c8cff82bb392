#include "cli/batch.h"

#include "cli/section_table.h"
#include "cli/stderr_prompt.h"
#include "cli/text_utf8.h"
#include "pe/view/image_view.h"
#include "pe/load/loader.h"
#include "pe/load/loader_messages.h"
#include "pe/panel/messages.h"
#include "pe/view/overlap.h"
#include "pe/view/section_choice.h"
#include "platform/errors.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

// "溢出！請填寫正確的數值。" of a value given.
std::string OverflowSentence(std::string_view value) {
  return Utf8FromUtf16(FillIn(Translate(u"數值「%1」：溢出！請填寫正確的數值。"),
                       {Utf16FromUtf8(TerminalText(value))}));
}

// The load address given, read by the rules of the image's memory addresses; none after its
// message, when it does not fit them.
std::optional<std::int64_t> ReadBase(const std::string& text, Radix radix, const PeImage& image,
                                     std::ostream& err) {
  const NumberWidth width = AddressWidth(image);
  const std::string message = ValueTextMessage(text, radix, FieldInputLimit(radix, width));
  if (!message.empty()) {
    err << kPrefix << message << '\n' << std::flush;
    return std::nullopt;
  }
  try {
    return ParseFieldNumber(FieldTextOf(text, radix), radix, width);
  } catch (const OverflowError&) {
    err << kPrefix << OverflowSentence(text) << '\n' << std::flush;
    return std::nullopt;
  }
}

// Puts the view and the load address asked for in force; an exit status when they are refused.
std::optional<int> ChooseView(const Options& options, PeImage& image, std::ostream& err) {
  std::int64_t base = image.ImageBase;
  if (options.base) {
    const std::optional<std::int64_t> given = ReadBase(*options.base, options.radix, image, err);
    if (!given) return kExitUsage;
    base = *given;
  }
  const MappingView view = options.loader ? MappingView::Loader : MappingView::Raw;
  if (SetViewAndLoadAddress(image, view, base) == ViewChange::Done) return std::nullopt;
  if (options.base) {
    err << kPrefix << OverflowSentence(*options.base) << '\n' << std::flush;
    return kExitUsage;
  }
  // The file's own image base does not fit the loader's view of its section table.
  err << kPrefix << Utf8FromUtf16(kOverflowMessage) << '\n' << std::flush;
  return kExitRefusedFile;
}

int RunValues(const Options& options, const PeImage& image, BlockInput& in, std::ostream& out,
              std::ostream& err) {
  ValueRunner runner(image, options.radix, out, err, options.json);
  if (options.refs) runner.ListReferences(options.file);
  for (const ValueRequest& request : options.values) {
    const bool taken = request.value == kFromInput ? runner.Lines(request.field, in)
                                                   : runner.Value(request.field, request.value);
    if (!taken) {
      const int status = runner.Finish();
      return status == kExitIoFailed ? status : kExitUsage;
    }
  }
  return runner.Finish();
}

}  // namespace

int Run(const Options& options, BlockInput& in, std::ostream& out, std::ostream& err) {
  StderrPrompt prompt(err, options.yes);
  PeImage image;
  if (!AnalyzePeFile(image, options.file, prompt)) return kExitRefusedFile;
  if (const std::optional<int> refused = ChooseView(options, image, err)) return *refused;
  OmitImageBase(image, options.rva);
  for (const std::string& name : options.exclude) {
    if (!ExcludeSections(image, Utf16FromUtf8(name))) {
      err << kPrefix << Utf8FromUtf16(NoSuchSectionMessage(Utf16FromUtf8(TerminalText(name)))) << '\n'
          << std::flush;
      return kExitUsage;
    }
  }
  const std::u16string overlaps = OverlapReport(image);
  if (!overlaps.empty()) prompt.ShowMessage(overlaps);

  if (options.values.empty()) {
    PrintSectionTable(image, options.radix, options.json, out);
    out.flush();
    if (!out) {
      err << kPrefix << Translate("無法寫出區段表。\n") << std::flush;
      return kExitIoFailed;
    }
    return kExitOk;
  }
  return RunValues(options, image, in, out, err);
}

}  // namespace marlit::cli
