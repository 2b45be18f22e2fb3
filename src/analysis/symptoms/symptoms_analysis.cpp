#include "analysis/symptoms/symptoms_analysis.h"

#include "analysis/formula_set_actions.h"
#include "analysis/result_data.h"
#include "common/session.h"
#include "formula/formula_db.h"

namespace lindora {

SymptomResult RunSymptoms(Session& session, const SymptomOptions&) {
  SymptomResult result;
  if (RequireResultData(session) != Outcome::kDone) return result;
  result.outcome =
      Guard(session, [&] { result.table = CountSymptoms(session.Path(kResultFilePath)); });
  return result;
}

AnalysisOutput SymptomOutput(const SymptomResult& result) {
  AnalysisOutput out;
  ResultTable table{"symptoms", "症状频数", {"序号", "症状", "频数"}, {}};
  for (std::size_t i = 0; i < result.table.NumSymptom(); ++i)
    table.rows.push_back({TableCell::Number(static_cast<double>(i + 1)),
                          TableCell::Text(result.table.Symptom[i]),
                          TableCell::Number(static_cast<double>(result.table.CountSymptom[i]))});
  out.tables.push_back(std::move(table));
  out.summary = "共" + std::to_string(result.table.NumSymptom()) + "个病症短语";
  return out;
}

AnalysisDescriptor SymptomAnalysis() {
  AnalysisDescriptor d;
  d.key = "symptoms";
  d.caption = "方剂病症分析";
  d.menu_name = "Menu_SympotomAnalysis";
  d.menu_caption = "方剂病症分析";
  d.usage = "symptoms";
  d.help = "counts the symptoms of the current result set and prints the grid";
  d.report_title = "症状频数";
  d.run = [](Session& session, const OptionValues&, AnalysisOutput& output) {
    SymptomResult r = RunSymptoms(session);
    if (r.outcome == Outcome::kDone) output = SymptomOutput(r);
    return r.outcome;
  };
  d.open = SymptomAnalysisOfResults;
  return d;
}

}  // namespace lindora
