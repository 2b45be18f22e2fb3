// Formula-set analyses and the list import: standardisation, herb frequency, herb groups,
// symptoms, and importing a typed list of formulas or herbs.
#include <fstream>
#include <ostream>

#include "analysis/formula_set_actions.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/standardize.h"
#include "analysis/symptoms/symptoms_window.h"
#include "app/input.h"
#include "cli/cli.h"
#include "common/files.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"
#include "herb/danti_analysis.h"

namespace lindora::cli {
namespace {

struct AnalysisRun {
  Outcome outcome;
  bool show_grids;  // the analysis filled its window (a failure on the way may follow)
};

// In a script the formula window of an earlier search decides, as in the program: the menu
// item either refuses or runs the analysis, whose window is then shown. A single command has no
// window yet: it works on the result file a search left, if it holds a record.
AnalysisRun RunOnResultSet(Context& ctx, Outcome (*menu_item)(Session&),
                           Outcome (*analysis)(Session&)) {
  if (ctx.session.FindWindow<FangjiAnalysis>()) {
    const Outcome outcome = menu_item(ctx.session);
    return {outcome, outcome != Outcome::kRefused};
  }
  const Outcome outcome = analysis(ctx.session);
  return {outcome, outcome == Outcome::kDone};
}

int Standardize(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "standardize");
  return ExitStatus(Guard(ctx.session, [&] {
    StandardResultReport r = StandardResult(ctx.session);
    ctx.out << "# " << ctx.session.Path("\\Result\\Result.DB.stand").string() << '\n'
            << "written\t" << r.written << "\nblank lines\t" << r.blank
            << "\nlines without indications\t" << r.too_short << '\n';
  }));
}

int HerbFrequency(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "herb-frequency");
  const AnalysisRun run = RunOnResultSet(ctx, DanweiyaoAnalysis, RunDanweiyaoAnalysis);
  if (!run.show_grids) return ExitStatus(run.outcome);
  DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
  PrintGrid(ctx, danti.Caption(), "FlexGrid", danti.FlexGrid());
  if (ctx.tables) OfferSheets(ctx, danti.ExcelSheets());
  return ExitStatus(run.outcome);
}

int HerbPairs(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "herb-pairs");
  const AnalysisRun run = RunOnResultSet(ctx, YaoduiAnalysisOfResults, RunYaoduiAnalysis);
  if (!run.show_grids) return ExitStatus(run.outcome);
  YaoduiAnalysisWindow& w = ctx.session.Window<YaoduiAnalysisWindow>();
  for (int i = 1; i <= 3; ++i)
    PrintGrid(ctx, w.Caption(), "FlexGrid(" + std::to_string(i) + ")", w.FlexGrid(i));
  if (ctx.tables) OfferSheets(ctx, w.ExcelSheets());
  return ExitStatus(run.outcome);
}

int Symptoms(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "symptoms");
  const AnalysisRun run = RunOnResultSet(ctx, SymptomAnalysisOfResults, RunSymptomAnalysis);
  if (!run.show_grids) return ExitStatus(run.outcome);
  SymptomAnalysisWindow& w = ctx.session.Window<SymptomAnalysisWindow>();
  PrintGrid(ctx, w.Caption(), "FlexGrid_Symptom", w.FlexGridSymptom());
  if (ctx.tables) OfferSheets(ctx, w.ExcelSheets());
  return ExitStatus(run.outcome);
}

int ExportPairs(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "export-pairs");
  // The window's menu exists only after an analysis; from the console it can come first.
  const auto file = ctx.session.Path(YaoduiAnalysisWindow::kPairNameFile);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    ctx.dialogs.Message("还没有药对文件 " + file.string() + "：请先做药对分析（herb-pairs）。");
    return kRefused;
  }
  return ExitStatus(ctx.session.Window<YaoduiAnalysisWindow>().Menu_ExportYaodui2List_Click());
}

// Several arguments are several records, as if typed one per line.
Input& TypeList(Context& ctx, std::string_view mode, const std::vector<std::string>& args) {
  Input& input = ctx.session.Window<Input>();
  input.OpenInMode(mode);
  input.SetTextInput(Join(args, "\r\n"));
  return input;
}

int ImportFormulas(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(ctx, "import-formulas LIST");
  const Outcome outcome = TypeList(ctx, Input::kFormulaMode, args).Cmd_Input_Click();
  if (FangjiAnalysis* fangji = ctx.session.FindWindow<FangjiAnalysis>())
    PrintGrid(ctx, fangji->Caption(), "FlexGrid", fangji->FlexGrid());
  return ExitStatus(outcome);
}

int ImportHerbs(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(ctx, "import-herbs LIST");
  const Outcome outcome = TypeList(ctx, Input::kHerbMode, args).Cmd_Input_Click();
  if (DantiAnalysis* danti = ctx.session.FindWindow<DantiAnalysis>())
    PrintGrid(ctx, danti->Caption(), "FlexGrid", danti->FlexGrid());
  return ExitStatus(outcome);
}

int StandardizeList(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(ctx, "standardize-list LIST");
  Input& input = TypeList(ctx, Input::kHerbMode, args);
  const Outcome outcome = input.Menu_StandardData_Click();
  ctx.out << "# " << input.Caption() << " — Text_Input\n" << input.TextInput() << '\n';
  return ExitStatus(outcome);
}

Registrar standardize_command("standardize", "standardize",
                              "writes the standardised copy \\Result\\Result.DB.stand of the "
                              "current result set and tells how many lines it holds",
                              Standardize);
PresenterRegistrar herb_frequency_command("herb-frequency", {}, HerbFrequency);
PresenterRegistrar herb_pairs_command("herb-pairs", {}, HerbPairs);
PresenterRegistrar symptoms_command("symptoms", {}, Symptoms);
Registrar export_pairs_command("export-pairs", "export-pairs",
                               "tells where the herb-pair file for network tools lies",
                               ExportPairs);
Registrar import_formulas_command(
    "import-formulas", "import-formulas LIST",
    "makes the formulas named in LIST (separated by commas or line breaks; several arguments "
    "are several names) the current result set and prints the formula grid",
    ImportFormulas);
Registrar import_herbs_command("import-herbs", "import-herbs LIST",
                               "puts the herbs named in LIST into the herb grid and prints it",
                               ImportHerbs);
Registrar standardize_list_command("standardize-list", "standardize-list LIST",
                                   "cleans a typed herb list (doses, notes, units) and prints it",
                                   StandardizeList);

}  // namespace
}  // namespace lindora::cli
