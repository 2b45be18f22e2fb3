#include "analysis/herb_frequency/herb_group_analysis.h"

#include "analysis/formula_set_actions.h"
#include "analysis/herb_frequency/herb_frequency_analysis.h"
#include "analysis/result_data.h"
#include "analysis/standardize.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

std::string HerbGroupFile(int n, std::string_view suffix) {
  return "\\Result\\Yaodui_Analysis" + std::to_string(n) + std::string(suffix);
}

HerbGroupResult RunHerbGroups(Session& session, const HerbGroupOptions&) {
  HerbGroupResult result;
  if (RequireResultData(session) != Outcome::kDone) return result;
  result.outcome = Guard(session, [&] {
    StandardResult(session);
    result.table = BuildCMTable(session);
    WriteHerbListFile(result.table, session.Path(kHerbListFile));
    // The table is used as written; reading the file back would give the same names and
    // (widened) counts.
    const std::int64_t threshold = GroupThreshold(result.table);
    std::vector<std::vector<int>> formulas =
        QualifyingFormulas(session.Path("\\Result\\Result.DB.stand"), result.table, threshold);
    // The six files of the pairs, triples and quadruples are one unit: all new or all old.
    AtomicFileSet files;
    for (int n = 2; n <= 4; ++n) {
      GroupStore& store = result.groups[static_cast<std::size_t>(n - 2)];
      store = CountGroups(formulas, n);
      WriteGroupKeyFile(store, files.Add(session.Path(HerbGroupFile(n, ".txt"))));
      WriteGroupNameFile(store, result.table.CM, n,
                         files.Add(session.Path(HerbGroupFile(n, "_Name.csv"))));
    }
    files.Commit();
  });
  return result;
}

ResultTable HerbGroupTable(const HerbGroupResult& result, int n) {
  const char* keys[] = {"pairs", "triples", "quadruples"};
  const char* captions[] = {"药对", "三味药组合", "四味药组合"};
  const GroupStore& store = result.Groups(n);
  ResultTable table{keys[n - 2], captions[n - 2], {"药物组合", "频数"}, {}};
  table.rows.reserve(store.NumYaodui());
  for (std::size_t i = 0; i < store.NumYaodui(); ++i)
    table.rows.push_back({TableCell::Text(ReplaceAll(
                              Yaodui_S2Yaodui(store.Yaodui_S[i], result.table.CM, n), ",", "、")),
                          TableCell::Number(static_cast<double>(store.CountYaodui[i]))});
  return table;
}

AnalysisOutput HerbGroupOutput(const HerbGroupResult& result) {
  AnalysisOutput out;
  for (int n = 2; n <= 4; ++n) {
    out.tables.push_back(HerbGroupTable(result, n));
    out.files.push_back(HerbGroupFile(n, ".txt"));
    out.files.push_back(HerbGroupFile(n, "_Name.csv"));
  }
  out.summary = "药对 " + std::to_string(result.Groups(2).NumYaodui()) + " 组，三味药组合 " +
                std::to_string(result.Groups(3).NumYaodui()) + " 组，四味药组合 " +
                std::to_string(result.Groups(4).NumYaodui()) + " 组";
  return out;
}

AnalysisDescriptor HerbGroupAnalysis() {
  AnalysisDescriptor d;
  d.key = "herb-pairs";
  d.caption = "方剂药对分析";
  d.menu_name = "Menu_YaoduiAnalysis";
  d.menu_caption = "方剂药对分析";
  for (int n = 2; n <= 4; ++n) {
    d.files.push_back(HerbGroupFile(n, ".txt"));
    d.files.push_back(HerbGroupFile(n, "_Name.csv"));
  }
  d.usage = "herb-pairs";
  d.help =
      "counts herb pairs, triples and quadruples of the current result set, writes the "
      "Yaodui_Analysis files and prints the three grids";
  d.in_report = false;
  d.run = [](Session& session, const OptionValues&, AnalysisOutput& output) {
    HerbGroupResult r = RunHerbGroups(session);
    if (r.outcome == Outcome::kDone) output = HerbGroupOutput(r);
    return r.outcome;
  };
  d.open = YaoduiAnalysisOfResults;
  return d;
}

}  // namespace lindora
