// What the single-herb window asks of the chemistry part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/outcome.h"

namespace lindora {

class Session;

inline constexpr std::string_view kIngredientHeader = "ID Name SMILES InChIKey";
inline constexpr std::size_t kMaxIngredientRows = 1000;
// The name cell of a linked compound that the compound file does not hold.
inline constexpr std::string_view kMissingCompoundNote = "（化合物库中无此编号）";
inline constexpr std::string_view kHerbChemTable = "\\Result\\单味药-化学成分.csv";

// What the single-herb window starts through the session's workflows.
// 分析化学成分: the ingredient list of a herb in the chemical analysis window, with the
// structure of the first compound drawn; kDone when the list is shown, kRefused when the herb
// or its chemistry is unknown (the user was told).
Outcome ShowHerbIngredients(Session& session, const std::string& herb_name);
// 导出单味药-化学成分表进行关联分析: one line "herb, compound id" per herb of the single-herb
// grid whose frequency reaches the threshold, and per linked compound; kDone when written.
Outcome ExportHerbChemistry(Session& session);

}  // namespace lindora
