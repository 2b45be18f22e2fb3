// Association rules of the current result set from the console: what the rule window shows.
#include <ostream>

#include "analysis/rules/rules_window.h"
#include "cli/cli.h"

namespace lindora::cli {
namespace {

// Fills the window's threshold fields (defaults for the options not given) and presses the
// run button; the thresholds are checked by the window, with its messages.
int Rules(Context& ctx, const std::vector<std::string>& args) {
  const AnalysisDescriptor& analysis = ListedAnalysis(ctx, "rules");
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, analysis, args, values)) return *status;
  FillDefaults(analysis, values);  // the window checks them

  AssociationRulesWindow& w = ctx.session.Window<AssociationRulesWindow>();
  w.SetTextMinSupport(values.at("min-support"));
  w.SetTextMinConfidence(values.at("min-confidence"));
  w.SetTextMinLift(values.at("min-lift"));
  w.SetTextMaxSize(values.at("max-size"));
  if (const Outcome outcome = w.Cmd_Run_Click(); outcome != Outcome::kDone)
    return ExitStatus(outcome);
  ctx.out << w.LabelCount() << '\n';
  PrintGrid(ctx, w.Caption(), "FlexGrid", w.FlexGrid());
  if (ctx.tables) OfferSheets(ctx, w.ExcelSheets());
  return kDone;
}

PresenterRegistrar rules_command("rules", Rules);

}  // namespace
}  // namespace lindora::cli
