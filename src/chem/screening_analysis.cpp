#include "chem/screening_analysis.h"

#include <algorithm>

#include "chem/chem_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/open_babel.h"
#include "common/csv.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

namespace {

ResultTable TableOfRows(std::string key, std::string caption,
                        const std::vector<std::vector<std::string>>& rows,
                        const std::vector<int>& numeric_cols) {
  ResultTable table{std::move(key), std::move(caption), rows.front(), {}};
  for (std::size_t r = 1; r < rows.size(); ++r) {
    std::vector<TableCell> cells;
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      const bool numeric = std::find(numeric_cols.begin(), numeric_cols.end(),
                                     static_cast<int>(c)) != numeric_cols.end();
      TableCell cell = TableCell::Text(rows[r][c]);
      // A number keeps the text the converter printed; an empty cell stays text.
      if (numeric && !rows[r][c].empty()) {
        cell.kind = TableCell::Kind::kNumber;
        cell.number = Val(rows[r][c]);
      }
      cells.push_back(std::move(cell));
    }
    table.rows.push_back(std::move(cells));
  }
  return table;
}

// Loads the herb's ingredients into the chemistry window when a herb is named; the compounds it
// lists then.
std::vector<ScreeningCompound> CompoundsFor(Session& session, const OptionValues& values,
                                            Outcome& outcome) {
  outcome = Outcome::kDone;
  auto herb = values.find("herb");
  if (herb != values.end() && !Trim(herb->second).empty()) {
    const Outcome shown = ShowHerbIngredients(session, herb->second);
    // A structure that could not be drawn costs only the picture: the list is there to screen.
    if (!session.Window<ChemAnalysis>().Visible()) {
      outcome = shown;
      return {};
    }
  }
  return ListedCompounds(session.Window<ChemAnalysis>());
}

AnalysisOption HerbOption() {
  return AnalysisOption::Text("herb", "中药");
}

}  // namespace

ScreeningRun RunIngredientScreening(Session& session, const ScreeningOptions& options) {
  ScreeningRun run;
  if (options.compounds.empty()) {
    run.outcome = Refuse(session, "没有要筛选的化学成分：请从化学成分分析窗口打开成分筛选。");
    return run;
  }
  run.outcome = Guard(session, [&] {
    run.version = ConverterVersion(session);
    run.method = ScreeningMethod(options.strip_salts, run.version);
    std::vector<ScreeningResult> results =
        ScreenCompounds(session, options.compounds, options.strip_salts);
    run.file = session.Path(kScreeningFile);
    std::vector<std::vector<std::string>> rows = ScreeningCsvRows(results);
    rows.push_back({"# " + run.method});
    WriteCsvFile(run.file, rows);
    std::size_t lipinski = 0, veber = 0, both = 0, missing = 0;
    for (const ScreeningResult& r : results) {
      if (!r.texts) {
        ++missing;
        continue;
      }
      lipinski += r.verdict.lipinski;
      veber += r.verdict.veber;
      both += r.Passes();
    }
    run.summary = std::to_string(results.size()) + " 个成分：Lipinski 通过 " +
                  std::to_string(lipinski) + " 个，Veber 通过 " + std::to_string(veber) +
                  " 个，两者都通过 " + std::to_string(both) + " 个";
    if (missing > 0) run.summary += "；" + std::to_string(missing) + " 个没有数值（原因见备注）";
    run.results = std::move(results);
  });
  return run;
}

SimilarActivesRun RunSimilarActives(Session& session, const SimilarActivesOptions& options) {
  SimilarActivesRun run;
  if (options.compounds.empty()) {
    run.outcome = Refuse(session, "没有要比较的化学成分：请从化学成分分析窗口打开成分筛选。");
    return run;
  }
  const ActivityParameters& p = ParametersOf(options.kind);
  run.outcome = Guard(session, [&]() -> Outcome {
    const auto ref_file = session.Path(p.ref_set);
    std::vector<ReferenceCompound> refs = ReadReferenceSet(ref_file, options.kind);
    if (refs.empty()) return Refuse(session, "参考集 " + ref_file.string() + " 中没有化合物。");
    run.references = refs.size();
    std::vector<SimilarActive> found =
        FindSimilarActives(session, options.compounds, refs, options.min_similarity, &run.unusable);
    run.file = session.Path(kSimilarActivesFile);
    WriteCsvFile(run.file, SimilarActivesCsvRows(found));
    run.similar = std::move(found);
    return Outcome::kDone;
  });
  return run;
}

std::vector<ScreeningCompound> ListedCompounds(const ChemAnalysis& chem) {
  const Grid& grid = chem.FlexGrid();
  std::vector<ScreeningCompound> compounds;
  for (int r = 1; r < grid.Rows(); ++r) {
    compounds.push_back({grid.TextMatrix(r, 0), grid.TextMatrix(r, 1),
                         grid.TextMatrix(r, ChemAnalysis::kSmilesCol), grid.TextMatrix(r, 3)});
  }
  return compounds;
}

AnalysisOutput ScreeningOutput(const ScreeningRun& run) {
  AnalysisOutput out;
  out.tables.push_back(TableOfRows("screening", "成分筛选", ScreeningCsvRows(run.results),
                                   {0, 2, 3, 4, 5, 6, 7, 8}));
  out.files = {std::string(kScreeningFile)};
  out.summary = run.summary;
  out.methods_zh = run.method;
  return out;
}

AnalysisOutput SimilarActivesOutput(const SimilarActivesRun& run) {
  AnalysisOutput out;
  out.tables.push_back(
      TableOfRows("similar", "相似活性成分", SimilarActivesCsvRows(run.similar), {0, 3}));
  out.files = {std::string(kSimilarActivesFile)};
  out.summary = std::to_string(run.similar.size()) + " 个成分";
  return out;
}

AnalysisDescriptor IngredientScreeningAnalysis() {
  AnalysisDescriptor d;
  d.key = "screen-ingredients";
  d.caption = "成分筛选";
  d.menu_group = MenuGroup::kHerbWindows;
  d.options = {HerbOption()};
  d.files = {std::string(kScreeningFile)};
  d.usage = "screen-ingredients HERB [--only-passing] [--strip-salts]";
  d.help =
      "computes MW, logP, HBD, HBA, TPSA and rotatable bonds of all ingredients of a herb in one "
      "converter run (with --strip-salts only the largest fragment of each), applies Lipinski's "
      "and Veber's rules, writes \\Result\\成分筛选.csv (its last line states the method and the "
      "Open Babel version) and prints the table";
  d.in_report = false;
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    Outcome loaded;
    ScreeningOptions options{CompoundsFor(session, values, loaded)};
    if (loaded != Outcome::kDone) return loaded;
    ScreeningRun run = RunIngredientScreening(session, options);
    if (run.outcome == Outcome::kDone) output = ScreeningOutput(run);
    return run.outcome;
  };
  return d;
}

AnalysisDescriptor SimilarActivesAnalysis() {
  AnalysisDescriptor d;
  d.key = "similar-actives";
  d.caption = "相似活性成分";
  d.menu_group = MenuGroup::kHerbWindows;
  const SimilarActivesOptions defaults;
  d.options = {
      HerbOption(),
      AnalysisOption::Choice(
          "set", "参考集",
          defaults.kind == ActivityKind::kAntiinfluenza ? "antiinfluenza" : "anticancer",
          {"anticancer", "antiinfluenza"}),
      AnalysisOption::Decimal("min-similarity", "相似度阈值", defaults.min_similarity, 0, 1)};
  d.files = {std::string(kSimilarActivesFile)};
  d.usage = "similar-actives HERB anticancer|antiinfluenza [--min-similarity S]";
  d.help =
      "the ingredients of a herb whose path fingerprint is most similar to a reference active (at "
      "least S, default " +
      DecimalText(defaults.min_similarity) + "), written to \\Result\\相似活性成分.csv and printed";
  d.in_report = false;
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    Outcome loaded;
    SimilarActivesOptions options;
    options.compounds = CompoundsFor(session, values, loaded);
    if (loaded != Outcome::kDone) return loaded;
    options.kind = values.at("set") == "antiinfluenza" ? ActivityKind::kAntiinfluenza
                                                       : ActivityKind::kAnticancer;
    options.min_similarity = DecimalOption(values, "min-similarity");
    SimilarActivesRun run = RunSimilarActives(session, options);
    if (run.outcome == Outcome::kDone) output = SimilarActivesOutput(run);
    return run.outcome;
  };
  return d;
}

}  // namespace lindora
