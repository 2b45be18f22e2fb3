// Formula search from the console: the formula window's query and the formula lookup.
#include <ostream>

#include "cli/cli.h"
#include "common/files.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"

namespace lindora::cli {
namespace {

constexpr const char* kQueryUsage = "query [--in-results] [--exclude] [--] TEXT...";

// Types TEXT into the formula window, sets its two switches as a user would click them and
// presses 搜索. The window is opened on first use in a run, which empties the result backup:
// a search in results needs an earlier query in the same --script run.
int Query(Context& ctx, const Args& args) {
  if (args.empty()) return UsageError(ctx, kQueryUsage);
  const bool in_results = args.Has("--in-results"), exclude = args.Has("--exclude");
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
    "searches the formula database (or, with --in-results, the previous result set) and prints "
    "the formula window's count label, caption and grid; --exclude keeps the records without "
    "the keyword",
    {"--in-results", "--exclude"}, Query);
Registrar find_formula_command("find-formula", "find-formula NAME",
                               "prints the first record of the formula database that contains "
                               "NAME, or nothing",
                               FindFormula);

}  // namespace
}  // namespace lindora::cli
