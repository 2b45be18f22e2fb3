// What the single-herb window asks of the chemistry part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/workflows.h"

namespace lindora {

class Session;

inline constexpr std::string_view kIngredientHeader = "ID Name SMILES InChIKey";
inline constexpr std::size_t kMaxIngredientRows = 1000;
// The name cell of a linked compound that the compound file does not hold.
inline constexpr std::string_view kMissingCompoundNote = "（化合物库中无此编号）";
inline constexpr std::string_view kHerbChemTable = "\\Result\\单味药-化学成分.csv";

// ShowHerbIngredients and ExportHerbChemistry, which the single-herb window starts, are
// declared in common/workflows.h.

}  // namespace lindora
