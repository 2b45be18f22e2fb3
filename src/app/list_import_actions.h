// The main window's two list-import menu items open the list import window in one mode.
#pragma once

namespace lindora {

class Session;

void OpenFormulaListImport(Session& session);  // 导入中药方剂列表
void OpenHerbListImport(Session& session);     // 导入单味药列表

}  // namespace lindora
