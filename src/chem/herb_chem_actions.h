// What the single-herb window asks of the chemistry part.
#pragma once

#include <string>

namespace lindora {

class Session;

// 分析化学成分: the ingredient list of a herb in the chemical analysis window.
void ShowHerbIngredients(Session& session, const std::string& herb_name);
// 导出单味药-化学成分表进行关联分析: the herb-ingredient export of the single-herb grid.
void ExportHerbChemistry(Session& session);

}  // namespace lindora
