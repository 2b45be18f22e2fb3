// Named result sets: save the current one, list them, compare two.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/result_sets.h"
#include "cli/cli.h"
#include "common/picture_save.h"
#include "common/safe_write.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

// `listing_only`: the list is what the command is for, so an unreadable set fails it; after a
// save it is only told (the save itself succeeded).
int PrintSets(Context& ctx, bool listing_only = true) {
  std::vector<SavedSet> sets = ListResultSets(ctx.session);
  Grid grid(1, 3);
  grid.SetTextMatrix(0, 0, "名称");
  grid.SetTextMatrix(0, 1, "方剂数");
  grid.SetTextMatrix(0, 2, "搜索历史");
  for (const SavedSet& set : sets) {
    grid.AddRow();
    const int r = grid.Rows() - 1;
    grid.SetTextMatrix(r, 0, set.name);
    grid.SetTextMatrix(r, 1, set.problem.empty() ? std::to_string(set.formulas) : "?");
    grid.SetTextMatrix(r, 2, set.history);
  }
  PrintGrid(ctx, "结果集", "Sets", grid);
  std::string problems = UnreadableSetsMessage(sets);
  if (problems.empty()) return kDone;
  if (!listing_only) {
    ctx.session.Message(problems);
    return kDone;
  }
  ctx.session.ReportFailure(problems);
  return kFailed;
}

constexpr std::string_view kSaveUsage = "save-set NAME [--replace]";

int SaveSet(Context& ctx, const std::vector<std::string>& args) {
  CLI::App app{"saves the current result set under a name", "save-set"};
  std::string name;
  bool replace = false;
  app.add_option("NAME", name, "name of the set")->required();
  app.add_flag("--replace", replace, "replace a set of the same name");
  if (auto parsed = ParseWords(ctx, app, args, kSaveUsage, Complaint::kExplained, true))
    return *parsed;
  // The replace question is answered by the flag.
  ctx.dialogs.QueueAnswer(replace ? "Y" : "N");
  Outcome outcome = SaveResultSet(ctx.session, name);
  // The set exists and the flag said No to replacing it.
  if (outcome == Outcome::kRefused && !replace && ctx.dialogs.PendingAnswers() == 0) {
    ctx.session.Message("结果集“" + Trim(name) + "”已存在；要替换它请加 --replace。");
    return kRefused;
  }
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  // What was saved, so that a set saved after a refused query is seen for what it is.
  for (const SavedSet& set : ListResultSets(ctx.session))
    if (set.name == Trim(name))
      ctx.out << "已保存结果集“" << set.name << "”：" << set.formulas << " 首方剂，方剂库“"
              << set.library << "”，搜索历史："
              << (set.history.empty() ? std::string("（无）") : set.history) << '\n';
  return PrintSets(ctx, false);
}

int Sets(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "sets");
  return PrintSets(ctx);
}

int CompareSets(Context& ctx, const std::vector<std::string>& args) {
  CLI::App app{"compares two result sets", "compare-sets"};
  std::string a, b, min_count = SetComparisonOptions{}.min_count, png, table;
  bool symptoms = false, doses = false;
  app.add_option("A", a, "set A ('.' = the current result set)")->required();
  app.add_option("B", b, "set B ('.' = the current result set)")->required();
  app.add_flag("--symptoms", symptoms, "compare symptoms instead of herbs");
  app.add_option("--min-count", min_count, "test items found at least K times in A and B");
  app.add_option("--png", png, "write the chart of the 20 items with the smallest q");
  app.add_flag("--doses", doses, "also compare the doses of the herbs dosed in both sets");
  app.add_option("--table", table, "conversion of weights to grams for --doses");
  if (auto parsed =
          ParseWords(ctx, app, args, SetComparisonAnalysis().usage, Complaint::kExplained, true))
    return *parsed;
  // Without --table (or with "library") the open library's default table is used.
  const bool library_table = table.empty() || table == kLibraryDoseTableKey;
  std::optional<DoseTable> dose_table =
      library_table ? DefaultDoseTable(ctx.session) : DoseTableFromKey(table);
  if (!dose_table) {
    ctx.session.Message("换算表须是 modern、han-13.8 或 han-15.625，“" + table + "”不是。");
    return kRefused;
  }

  // A chart file that cannot be written is known before the comparison file is replaced.
  if (!png.empty()) {
    std::string problem = PictureFileProblem(ctx.session, png, {".png"});
    if (!problem.empty()) {
      ctx.session.Message(problem);
      return kRefused;
    }
  }
  CompareSetsWindow& window = ctx.session.Window<CompareSetsWindow>();
  window.SetSetA(a);
  window.SetSetB(b);
  window.SetKind(symptoms ? ItemKind::kSymptoms : ItemKind::kHerbs);
  window.SetMinCountText(min_count);
  window.SetCompareDoses(doses);
  if (!library_table) window.SetDoseTable(*dose_table);
  Outcome outcome = window.Cmd_Compare_Click();
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  ctx.out << "# " << window.Caption() << " — Label_Summary\n" << window.LabelSummary() << '\n';
  PrintGrid(ctx, window.Caption(), "FlexGrid_Compare", window.FlexGridCompare());
  if (doses) PrintGrid(ctx, window.Caption(), "FlexGrid_Doses", window.FlexGridDoses());
  if (ctx.tables) OfferSheets(ctx, window.ExcelSheets());
  return png.empty() ? kDone : ExitStatus(window.SaveChart(png));
}

Registrar save_set_command("save-set", std::string(kSaveUsage),
                           "saves the current result set and its search history as "
                           "\\Result\\Sets\\NAME.DB; an existing set is kept unless --replace",
                           OwnOptions{}, SaveSet);
Registrar sets_command("sets", "sets", "lists the saved result sets", Sets);
PresenterRegistrar compare_sets_command("compare-sets", CompareSets);

}  // namespace
}  // namespace lindora::cli
