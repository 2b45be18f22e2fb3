// The console command of every analysis in the list that has no hand-written command: options
// as "--key VALUE" (checked by the list's one option reader), then the run's summary and every
// table of its output.
#include <ostream>

#include "cli/cli.h"
#include "common/analysis_list.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

std::string GeneratedUsage(const AnalysisDescriptor& analysis) {
  std::string usage = analysis.key;
  for (const AnalysisOption& o : analysis.options) usage += " [--" + o.key + " VALUE]";
  return usage;
}

int RunAnalysis(Context& ctx, const std::string& key, const std::vector<std::string>& words) {
  const AnalysisDescriptor* analysis = FindAnalysis(ctx.session.Analyses(), key);
  if (!analysis) {
    ctx.err << "unknown command: " << key << '\n';
    return kFailed;
  }
  const std::string usage = analysis->usage.empty() ? GeneratedUsage(*analysis) : analysis->usage;
  OptionValues values;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (!word.starts_with("--") || i + 1 >= words.size()) return UsageError(ctx, usage);
    values[word.substr(2)] = words[++i];
  }
  if (std::string problem = CompleteOptions(*analysis, values); !problem.empty()) {
    ctx.err << problem << '\n';
    return UsageError(ctx, usage);
  }
  AnalysisOutput output;
  const Outcome outcome = analysis->run(ctx.session, values, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  if (!output.summary.empty()) ctx.out << output.summary << '\n';
  for (const ResultTable& table : output.tables) {
    ctx.out << "# " << analysis->caption << " — " << table.key << '\n'
            << Join(table.header, "\t") << '\n';
    for (const std::vector<TableCell>& row : table.rows) {
      std::vector<std::string> cells;
      cells.reserve(row.size());
      for (const TableCell& cell : row) cells.push_back(cell.text);
      ctx.out << Join(cells, "\t") << '\n';
    }
  }
  // --xlsx: the engine's tables as they are typed, every row.
  OfferSheets(ctx, SheetsOf(output.tables));
  return kDone;
}

}  // namespace

void RegisterAnalysisCommands(const AnalysisList& analyses) {
  for (const AnalysisDescriptor& analysis : analyses) {
    if (Commands().count(analysis.key)) continue;  // a hand-written command presents it
    Command command;
    command.usage = analysis.usage.empty() ? GeneratedUsage(analysis) : analysis.usage;
    command.help = analysis.help.empty() ? analysis.caption : analysis.help;
    command.own_options = true;
    command.run = [key = analysis.key](Context& ctx, const Args& args) {
      return RunAnalysis(ctx, key, args);
    };
    Commands().emplace(analysis.key, std::move(command));
  }
}

}  // namespace lindora::cli
