// Formula search from the console: the formula window's query and the formula lookup.
#include <ostream>

#include "cli/cli.h"
#include "common/files.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"

namespace lindora::cli {
namespace {

constexpr const char* kQueryUsage = "query --all | query [--in-results] [--exclude] [--] TEXT...";

// Types TEXT into the formula window, sets its two switches as a user would click them and
// presses 搜索 (or, with --all, presses 全部方剂). A search in results reads the result set
// with the history kept beside it, so it may follow a query of an earlier run.
int Query(Context& ctx, const Args& args) {
  const bool in_results = args.Has("--in-results"), exclude = args.Has("--exclude");
  if (args.Has("--all")) {
    if (!args.empty() || in_results || exclude) return UsageError(ctx, kQueryUsage);
    FangjiAnalysis& w = ctx.session.Window<FangjiAnalysis>();
    const Outcome outcome = w.Cmd_All_Click();
    ctx.out << w.LabelCount() << '\n';
    PrintGrid(ctx, w.Caption(), "FlexGrid", w.FlexGrid());
    return ExitStatus(outcome);
  }
  if (args.empty()) return UsageError(ctx, kQueryUsage);
  // Several words are one text joined by blanks, as if typed.
  std::string text = Join(args, " ");
  // Opening the window empties the backup; when that fails (a link or a folder in its place,
  // a rename refused) the run has failed, and no new result set is written beside it.
  const int failures = ctx.session.Failures();
  FangjiAnalysis& w = ctx.session.Window<FangjiAnalysis>();
  if (ctx.session.Failures() > failures) return kFailed;
  w.SetCheckSearchInResult(in_results ? 1 : 0);
  w.SetCheckFilter(exclude ? 1 : 0);
  w.Check_Filter_Click();
  w.SetTextInput(text);
  const Outcome outcome = w.Cmd_Search_Text_Click();
  ctx.out << w.LabelCount() << '\n';
  PrintGrid(ctx, w.Caption(), "FlexGrid", w.FlexGrid());
  return ExitStatus(outcome);
}

int FindFormula(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(ctx, "find-formula NAME");
  return ExitStatus(Guard(ctx.session, [&] {
    std::string record = FindFormulaRecord(ctx.session, args[0]);
    if (!record.empty()) ctx.out << record << '\n';
  }));
}

Registrar query_command(
    "query", kQueryUsage,
    "searches the open formula library (or, with --in-results, the current result set, also "
    "one made by an earlier run) and prints the formula window's count label, caption and "
    "grid; --exclude keeps the records without the keyword; --all takes every formula of the "
    "library",
    {"--in-results", "--exclude", "--all"}, Query);
Registrar find_formula_command("find-formula", "find-formula NAME",
                               "prints the first record of the formula database that contains "
                               "NAME, or nothing",
                               FindFormula);

}  // namespace
}  // namespace lindora::cli
