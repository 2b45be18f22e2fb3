// Association rules of the current result set from the console.
#include <CLI/CLI.hpp>
#include <ostream>

#include "analysis/rules/rules_window.h"
#include "cli/cli.h"

namespace lindora::cli {
namespace {

constexpr const char* kRulesUsage =
    "rules [--min-support P%|COUNT] [--min-confidence C] [--min-lift L] [--max-size K]";

// Fills the window's threshold fields (defaults for the options not given) and presses the
// run button; the thresholds are checked by the window, with its messages.
int Rules(Context& ctx, const std::vector<std::string>& args) {
  std::string support(AssociationRulesWindow::kDefaultMinSupport);
  std::string confidence(AssociationRulesWindow::kDefaultMinConfidence);
  std::string lift(AssociationRulesWindow::kDefaultMinLift);
  std::string size(AssociationRulesWindow::kDefaultMaxSize);
  CLI::App app("rules");
  app.set_help_flag();
  app.add_option("--min-support", support);
  app.add_option("--min-confidence", confidence);
  app.add_option("--min-lift", lift);
  app.add_option("--max-size", size);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError&) {
    return UsageError(ctx, kRulesUsage);
  }

  AssociationRulesWindow& w = ctx.session.Window<AssociationRulesWindow>();
  w.SetTextMinSupport(support);
  w.SetTextMinConfidence(confidence);
  w.SetTextMinLift(lift);
  w.SetTextMaxSize(size);
  if (const Outcome outcome = w.Cmd_Run_Click(); outcome != Outcome::kDone)
    return ExitStatus(outcome);
  ctx.out << w.LabelCount() << '\n';
  PrintGrid(ctx, w.Caption(), "FlexGrid", w.FlexGrid());
  if (ctx.tables) OfferSheets(ctx, w.ExcelSheets());
  return kDone;
}

Registrar rules_command(
    "rules", kRulesUsage,
    "mines the herbs of the current result set (\\Result\\Result.DB) for association rules, "
    "prints the counts and the rule table (at most 1000 rules) and writes all rules to "
    "\\Result\\关联规则.csv and the frequent itemsets to \\Result\\频繁项集.csv; defaults: 10%, "
    "0.6, 0, 4",
    OwnOptions{}, Rules);

}  // namespace
}  // namespace lindora::cli
