#include "analysis/symptoms/symptom_chart.h"

#include "analysis/symptoms/symptoms_window.h"
#include "common/session.h"

namespace lindora {

std::optional<BarChart> SymptomChart(SymptomAnalysisWindow& window) {
  if (window.FlexGridSymptom().Rows() <= 1) {
    window.session().Message("病症列表为空，无法作图！请先在方剂分析界面进行方剂病症分析。");
    return std::nullopt;
  }
  BarChart chart = SymptomChart(TopRowsChart(window.FlexGridSymptom(), 0, 1, kSymptomChartTop));
  chart.source = window.Described().Name();
  return chart;
}

BarChart SymptomChart(BarChart chart) {
  chart.title = "病症频数（前" + std::to_string(kSymptomChartTop) + "）";
  chart.category_axis = "病症";
  chart.value_axis = "频数";
  chart.horizontal = true;
  return chart;
}

}  // namespace lindora
