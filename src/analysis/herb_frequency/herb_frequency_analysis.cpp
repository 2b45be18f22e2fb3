#include "analysis/herb_frequency/herb_frequency_analysis.h"

#include "analysis/formula_set_actions.h"
#include "analysis/result_data.h"
#include "analysis/standardize.h"
#include "common/session.h"

namespace lindora {

HerbFrequencyResult RunHerbFrequency(Session& session, const HerbFrequencyOptions&) {
  HerbFrequencyResult result;
  if (RequireResultData(session) != Outcome::kDone) return result;
  result.outcome = Guard(session, [&] {
    StandardResult(session);
    result.table = BuildCMTable(session);
    WriteHerbListFile(result.table, session.Path(kHerbListFile));
  });
  return result;
}

AnalysisOutput HerbFrequencyOutput(const HerbFrequencyResult& result) {
  AnalysisOutput out;
  ResultTable table{"herbs", "中药频数", {"序号", "中药名", "频数"}, {}};
  for (std::size_t i = 0; i < result.table.NumCM(); ++i)
    table.rows.push_back({TableCell::Number(static_cast<double>(i + 1)),
                          TableCell::Text(result.table.CM[i]),
                          TableCell::Number(static_cast<double>(result.table.CountCM[i]))});
  out.tables.push_back(std::move(table));
  out.files = {std::string(kHerbListFile)};
  out.summary = "找到" + std::to_string(result.table.NumCM()) + "味中药单体";
  return out;
}

AnalysisDescriptor HerbFrequencyAnalysis() {
  AnalysisDescriptor d;
  d.key = "herb-frequency";
  d.caption = "方剂单味药分析";
  d.menu_name = "Menu_DanweiyaoAnalysis";
  d.menu_caption = "方剂单味药分析";
  d.files = {std::string(kHerbListFile)};
  d.usage = "herb-frequency";
  d.help =
      "counts the herbs of the current result set, writes \\Result\\Yaodui_Analysis1.txt "
      "and prints the herb grid";
  d.report_key = "herbs";
  d.report_title = "中药频数";
  d.run = [](Session& session, const OptionValues&, AnalysisOutput& output) {
    HerbFrequencyResult r = RunHerbFrequency(session);
    if (r.outcome == Outcome::kDone) output = HerbFrequencyOutput(r);
    return r.outcome;
  };
  d.open = DanweiyaoAnalysis;
  return d;
}

}  // namespace lindora
