#include "analysis/herb_types/herb_types_analysis.h"

#include <algorithm>

#include "analysis/herb_frequency/herb_frequency_analysis.h"
#include "common/session.h"
#include "herb/herb_charts.h"

namespace lindora {

HerbTypesResult HerbTypesOf(Session& session, const HerbTable& table, std::size_t top) {
  HerbTypesResult result;
  result.outcome = Guard(session, [&] {
    const std::size_t n = std::min(table.NumCM(), top);
    const std::vector<std::string> names(table.CM.begin(),
                                         table.CM.begin() + static_cast<std::ptrdiff_t>(n));
    const std::vector<int> types = HerbTypeNosByName(session, names);
    for (std::size_t i = 0; i < n; ++i)
      result.herbs.push_back({names[i], static_cast<int>(table.CountCM[i]), types[i]});
    result.groups = GroupHerbsByType(result.herbs, 0);
  });
  return result;
}

HerbTypesResult RunHerbTypes(Session& session, const HerbTypesOptions& options) {
  HerbFrequencyResult frequency = RunHerbFrequency(session);
  if (frequency.outcome != Outcome::kDone) {
    HerbTypesResult refused;
    refused.outcome = frequency.outcome;
    return refused;
  }
  return HerbTypesOf(session, frequency.table, options.top);
}

BarChart HerbTypesChart(const HerbTypesResult& result) {
  std::vector<int> types;
  for (const TypedHerb& h : result.herbs) types.push_back(h.type_number);
  return HerbTypeChart(types);
}

AnalysisOutput HerbTypesOutput(const HerbTypesResult& result) {
  AnalysisOutput out;
  ResultTable table{"types", "中药类型分布", {"类型", "药味数", "中药（频数）"}, {}};
  for (const HerbTypeGroup& g : result.groups) {
    std::string list;
    for (const TypedHerb& h : g.herbs)
      list += (list.empty() ? "" : "、") + h.name + "(" + std::to_string(h.frequency) + ")";
    table.rows.push_back({TableCell::Text(g.type_name),
                          TableCell::Number(static_cast<double>(g.herbs.size())),
                          TableCell::Text(std::move(list))});
  }
  out.tables.push_back(std::move(table));
  out.files = {std::string(kHerbListFile)};
  out.summary = "频数最高的" + std::to_string(result.herbs.size()) +
                "味中药（单味药窗口所列）按中药类型归类：";
  return out;
}

AnalysisDescriptor HerbTypesAnalysis() {
  AnalysisDescriptor d;
  d.key = "herb-types";
  d.caption = "中药类型分布";
  const HerbTypesOptions defaults;
  d.options = {AnalysisOption::Whole("top", "归类的药味数", static_cast<std::int64_t>(defaults.top),
                                     1, kMaxTypedHerbs)};
  d.files = {std::string(kHerbListFile)};
  d.help = "classifies the most frequent herbs of the current result set (default " +
           std::to_string(defaults.top) + ") by herb type and prints one row per type";
  d.report_key = "types";
  d.report_title = "中药类型分布";
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    HerbTypesOptions options;
    options.top = static_cast<std::size_t>(WholeOption(values, "top"));
    HerbTypesResult r = RunHerbTypes(session, options);
    if (r.outcome == Outcome::kDone) output = HerbTypesOutput(r);
    return r.outcome;
  };
  return d;
}

}  // namespace lindora
