// Single-herb commands: herb search, herb types, the type distribution of the herb grid and
// the formulas related to a herb.
#include <ostream>

#include "cli/cli.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "herb/related_formulas.h"

namespace lindora::cli {
namespace {

void PrintHerbGrid(Context& ctx) {
  DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
  PrintGrid(ctx, danti.Caption(), "FlexGrid", danti.FlexGrid());
}

int HerbSearch(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(ctx, "herb-search TEXT");
  DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
  // Several words are one search text, as if typed with blanks between them.
  danti.SetTextInput(Join(args, " "));
  const Outcome outcome = danti.Cmd_Search_Text_Click();
  PrintHerbGrid(ctx);
  return ExitStatus(outcome);
}

int HerbType(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "herb-type NAME");
  DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
  return ExitStatus(Guard(ctx.session, [&] { return danti.ShowHerbType(args[0]); }));
}

int TypeDistribution(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "type-distribution THRESHOLD");
  ctx.dialogs.QueueAnswer(args[0]);
  DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
  return ExitStatus(Guard(ctx.session, [&] { return danti.HerbTypeAnalysis(); }));
}

int RelatedFormulas(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "related-formulas HERB");
  std::int64_t found = 0;
  const Outcome outcome = Guard(ctx.session, [&] {
    found = FindRelatedFormulas(ctx.session, args[0]);
    return found > 0;
  });
  if (found == 0) return ExitStatus(outcome);
  FangjiAnalysis& fangji = ctx.session.Window<FangjiAnalysis>();
  ctx.out << "# Label_Count\t" << fangji.LabelCount() << '\n';
  PrintGrid(ctx, fangji.Caption(), "FlexGrid", fangji.FlexGrid());
  return ExitStatus(outcome);
}

Registrar herb_search_command("herb-search", "herb-search TEXT",
                              "finds herbs by name or pinyin (blanks separate keywords) into the "
                              "herb grid and prints it",
                              HerbSearch);
Registrar herb_type_command("herb-type", "herb-type NAME", "shows the herb type of one herb",
                            HerbType);
Registrar type_distribution_command(
    "type-distribution", "type-distribution THRESHOLD",
    "the herb types of the herb grid's herbs whose frequency reaches THRESHOLD (the herb grid "
    "holds what earlier commands of the script put there)",
    TypeDistribution);
Registrar related_formulas_command(
    "related-formulas", "related-formulas HERB",
    "makes every formula that mentions HERB the current result set and prints the formula grid",
    RelatedFormulas);

}  // namespace
}  // namespace lindora::cli
