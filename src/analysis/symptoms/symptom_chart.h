// The chart of the symptom window: the 30 most frequent symptoms.
#pragma once

#include <optional>

#include "common/pictures.h"

namespace lindora {

class SymptomAnalysisWindow;

// Nothing (after a message) when the window lists no symptom.
std::optional<BarChart> SymptomChart(SymptomAnalysisWindow& window);
// Titles and axes of that chart on a top list (the report draws it too).
BarChart SymptomChart(BarChart top_list);
inline constexpr int kSymptomChartTop = 30;

}  // namespace lindora
