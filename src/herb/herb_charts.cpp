#include "herb/herb_charts.h"

#include <map>

#include "common/session.h"
#include "herb/danti_analysis.h"
#include "herb/herb_types.h"

namespace lindora {

std::optional<BarChart> HerbFrequencyChart(DantiAnalysis& window) {
  if (window.FlexGrid().Rows() <= 1) {
    window.ShowEmptyListMessage();
    return std::nullopt;
  }
  BarChart chart = HerbFrequencyChart(TopRowsChart(window.FlexGrid(), 0, 1, kChartTop));
  chart.source = window.Described().Name();
  return chart;
}

BarChart HerbFrequencyChart(BarChart chart) {
  chart.title = "单味药频数（前" + std::to_string(kChartTop) + "）";
  chart.category_axis = "中药";
  chart.value_axis = "频数";
  chart.horizontal = true;
  return chart;
}

std::optional<BarChart> HerbTypeChart(DantiAnalysis& window) {
  const Grid& grid = window.FlexGrid();
  if (grid.Rows() <= 1) {
    window.ShowEmptyListMessage();
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (int r = 1; r < grid.Rows(); ++r)
    if (!grid.TextMatrix(r, 0).empty()) names.push_back(grid.TextMatrix(r, 0));
  BarChart chart = HerbTypeChart(HerbTypeNosByName(window.session(), names));
  chart.source = window.Described().Name();
  return chart;
}

BarChart HerbTypeChart(const std::vector<int>& types) {
  // Type 0 collects every number outside the table.
  std::map<int, int> count;
  for (int t : types) ++count[t >= 1 && t <= kHerbTypeCount ? t : 0];
  BarChart chart;
  chart.title = "中药类型分布";
  chart.category_axis = "中药类型";
  chart.value_axis = "药味数";
  chart.horizontal = true;
  chart.series.push_back({});
  auto add = [&](int type) {
    if (!count.contains(type)) return;
    chart.categories.push_back(HerbTypeName(type));
    chart.series[0].values.push_back(count[type]);
  };
  for (int t = 1; t <= kHerbTypeCount; ++t) add(t);
  add(0);
  return chart;
}

}  // namespace lindora
