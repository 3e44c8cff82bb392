#include "cli/batch.h"

#include "cli/section_table.h"
#include "cli/stderr_prompt.h"
#include "cli/text_utf8.h"
#include "pe/codepage.h"
#include "pe/loader.h"
#include "pe/messages.h"
#include "pe/overlap.h"
#include "pe/section_choice.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

int RunValues(const Options& options, const PeImage& image, BlockInput& in, std::ostream& out,
              std::ostream& err) {
  ValueRunner runner(image, options.radix, out, err, options.json);
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
  OmitImageBase(image, options.rva);
  for (const std::string& name : options.exclude) {
    if (!ExcludeSections(image, Utf16FromUtf8(name))) {
      err << kPrefix << ToUtf8(NoSuchSectionMessage(Utf16FromUtf8(TerminalText(name)))) << '\n'
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
