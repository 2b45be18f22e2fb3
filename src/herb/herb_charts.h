// Charts of the single-herb window's herb list.
#pragma once

#include <optional>

#include "common/pictures.h"

namespace lindora {

class DantiAnalysis;

inline constexpr int kChartTop = 30;

// The 30 first herbs of the list with their frequencies; nothing (after the empty-list
// message) when the list is empty.
std::optional<BarChart> HerbFrequencyChart(DantiAnalysis& window);
// How many herbs of the list belong to each herb type, in the type table's order, "其他" last.
// Raises FileError when the herb file cannot be read.
std::optional<BarChart> HerbTypeChart(DantiAnalysis& window);

// The same charts from the data (the report draws them too): the titles and axes of the
// frequency chart on a top list, and the type chart from one type number per herb.
BarChart HerbFrequencyChart(BarChart top_list);
BarChart HerbTypeChart(const std::vector<int>& types);

}  // namespace lindora
