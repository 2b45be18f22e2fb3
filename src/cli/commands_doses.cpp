// The dose table of the current result set from the console: the engine's summary and tables,
// the values checked by the engine with its own messages.
#include <ostream>

#include "cli/cli.h"

namespace lindora::cli {
namespace {

int Doses(Context& ctx, const std::vector<std::string>& args) {
  const AnalysisDescriptor& analysis = ListedAnalysis(ctx, "doses");
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, analysis, args, values)) return *status;
  FillDefaults(analysis, values);
  AnalysisOutput output;
  const Outcome outcome = analysis.run(ctx.session, values, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  ctx.out << output.summary << '\n';
  for (const ResultTable& table : output.tables)
    PrintTable(ctx, analysis.caption, table.caption, table);
  return kDone;
}

PresenterRegistrar doses_command("doses", Doses);

}  // namespace
}  // namespace lindora::cli
