// The dose table of the current result set from the console.
#include <CLI/CLI.hpp>
#include <ostream>

#include "analysis/doses/doses_analysis.h"
#include "cli/cli.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

const AnalysisDescriptor& Descriptor() {
  static const AnalysisDescriptor d = DosesDescriptor();
  return d;
}

void PrintTable(Context& ctx, const ResultTable& table) {
  ctx.out << "# " << Descriptor().caption << " — " << table.caption << '\n'
          << Join(table.header, "\t") << '\n';
  for (const std::vector<TableCell>& row : table.rows) {
    std::vector<std::string> cells;
    cells.reserve(row.size());
    for (const TableCell& cell : row) cells.push_back(cell.text);
    ctx.out << Join(cells, "\t") << '\n';
  }
}

int Doses(Context& ctx, const std::vector<std::string>& args) {
  CLI::App app("doses");
  app.set_help_flag();
  OptionValues values;
  for (const AnalysisOption& option : Descriptor().options)
    app.add_option("--" + option.key, values[option.key]);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError&) {
    return UsageError(ctx, Descriptor().usage);
  }
  // Options not given take their defaults.
  for (const AnalysisOption& option : Descriptor().options)
    if (app.get_option("--" + option.key)->count() == 0) values[option.key] = option.default_value;
  AnalysisOutput output;
  const Outcome outcome = Descriptor().run(ctx.session, values, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  ctx.out << output.summary << '\n';
  for (const ResultTable& table : output.tables) PrintTable(ctx, table);
  return kDone;
}

Registrar doses_command("doses", Descriptor().usage, Descriptor().help, OwnOptions{}, Doses);

}  // namespace
}  // namespace lindora::cli
