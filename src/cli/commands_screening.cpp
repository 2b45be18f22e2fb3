// Ingredient screening: the drug-likeness table of a herb's ingredients and the ingredients
// similar to a reference set of actives, each from batch converter runs.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "chem/chem_analysis.h"
#include "chem/compound_data.h"
#include "chem/herb_chem_actions.h"
#include "chem/ingredient_screening_window.h"
#include "chem/screening_analysis.h"
#include "cli/cli.h"
#include "common/session.h"
#include "common/text.h"
#include "herb/danti_analysis.h"

namespace lindora::cli {
namespace {

// Parses the arguments with the app; false (after the usage line) when they do not fit.
bool Parse(Context& ctx, CLI::App& app, const std::vector<std::string>& args,
           std::string_view usage) {
  return !ParseWords(ctx, app, args, usage, Complaint::kExplained);
}

// The herb's ingredients into the chemical grid, then into the screening window.
Outcome LoadHerb(Context& ctx, const std::string& herb) {
  const Outcome shown = ShowHerbIngredients(ctx.session, herb);
  ChemAnalysis& chem = ctx.session.Window<ChemAnalysis>();
  // A structure that could not be drawn costs only the picture: the list is there to screen.
  if (!chem.Visible()) return shown;
  return ctx.session.Window<IngredientScreening>().LoadFromChemAnalysis(chem);
}

int ScreenIngredients(Context& ctx, const std::vector<std::string>& args) {
  CLI::App app;
  std::string herb;
  bool only_passing = false, strip_salts = false;
  app.add_option("herb", herb)->required();
  app.add_flag("--only-passing", only_passing);
  app.add_flag("--strip-salts", strip_salts);
  if (!Parse(ctx, app, args, IngredientScreeningAnalysis().usage)) return kRefused;

  Outcome outcome = LoadHerb(ctx, herb);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  IngredientScreening& screening = ctx.session.Window<IngredientScreening>();
  screening.Check_OnlyPassing_Click(only_passing);
  screening.Check_StripSalts_Click(strip_salts);
  outcome = screening.Menu_RunScreening_Click();
  if (outcome == Outcome::kDone)
    PrintGrid(ctx, screening.Caption(), "FlexGrid", screening.FlexGrid());
  return ExitStatus(outcome);
}

int SimilarActives(Context& ctx, const std::vector<std::string>& args) {
  CLI::App app;
  std::string herb, set, threshold_text = DecimalText(kDefaultMinSimilarity);
  app.add_option("herb", herb)->required();
  app.add_option("set", set)->required()->check(CLI::IsMember({"anticancer", "antiinfluenza"}));
  app.add_option("--min-similarity", threshold_text);
  if (!Parse(ctx, app, args, SimilarActivesAnalysis().usage)) return kRefused;
  std::optional<double> threshold = ParseSimilarityThreshold(threshold_text);
  if (!threshold) {
    ctx.err << "相似度阈值“" << threshold_text << "”不是 0 到 1 之间的数（例如 0.7）。\n";
    return kRefused;
  }

  Outcome outcome = LoadHerb(ctx, herb);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  IngredientScreening& screening = ctx.session.Window<IngredientScreening>();
  outcome = screening.FindSimilar(
      set == "anticancer" ? ActivityKind::kAnticancer : ActivityKind::kAntiinfluenza, *threshold);
  if (outcome == Outcome::kDone)
    PrintGrid(ctx, screening.Caption(), "SimilarGrid", screening.SimilarGrid());
  return ExitStatus(outcome);
}

constexpr std::string_view kSimilarHerbsUsage =
    "similar-herbs COMPOUND-ID|SMILES [--min-similarity S]";

int SimilarHerbs(Context& ctx, const std::vector<std::string>& args) {
  CLI::App app;
  std::string compound, threshold_text = DecimalText(kDefaultMinSimilarity);
  app.add_option("compound", compound)->required();
  app.add_option("--min-similarity", threshold_text);
  if (!Parse(ctx, app, args, kSimilarHerbsUsage)) return kRefused;
  std::optional<double> threshold = ParseSimilarityThreshold(threshold_text);
  if (!threshold) {
    ctx.err << "相似度阈值“" << threshold_text << "”不是 0 到 1 之间的数（例如 0.7）。\n";
    return kRefused;
  }
  ScreeningCompound query{{}, {}, compound, {}};
  if (!compound.empty() &&
      std::all_of(compound.begin(), compound.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // A compound of the library by its identifier.
    std::string record;
    const Outcome read = Guard(ctx.session, [&] {
      if (auto id = ToInt32(Val(compound)))
        record = CompoundRecordsById(ctx.session.Path(kCompoundDb), {*id}).front();
    });
    if (read != Outcome::kDone) return ExitStatus(read);
    std::vector<std::string> f = Split(record, "\t");
    if (f.size() < 3) {
      ctx.err << "化合物库中无此编号：" << compound << "\n";
      return kRefused;
    }
    query = {Trim(f[0]), f[1], Trim(f[2]), f.size() > 3 ? Trim(f[3]) : std::string()};
  }
  const Outcome outcome = ShowSimilarHerbs(ctx.session, query, *threshold);
  if (outcome == Outcome::kDone) {
    DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
    PrintGrid(ctx, danti.Caption(), "FlexGrid", danti.FlexGrid());
  }
  return ExitStatus(outcome);
}

Registrar similar_herbs_command(
    "similar-herbs", std::string(kSimilarHerbsUsage),
    "the herbs whose ingredients are most similar to a compound (FP2 Tanimoto of at least S, "
    "default 0.7), with the best-matching ingredient of each, written to "
    "\\Result\\相似成分中药.csv and printed",
    OwnOptions{}, SimilarHerbs);
PresenterRegistrar screen_command("screen-ingredients", ScreenIngredients);
PresenterRegistrar similar_command("similar-actives", SimilarActives);

}  // namespace
}  // namespace lindora::cli
