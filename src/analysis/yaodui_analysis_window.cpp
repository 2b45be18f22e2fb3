#include "analysis/yaodui_analysis_window.h"

#include "analysis/herb_network_window.h"
#include "common/session.h"

namespace lindora {

YaoduiAnalysisWindow::YaoduiAnalysisWindow(Session& session)
    : WindowModel(session), grids_{Grid(1, 2), Grid(1, 2), Grid(1, 2)} {
  SetCaption(kCaption);
  for (std::size_t i = 0; i < grids_.size(); ++i) {
    grids_[i].SetWidth(kGridWidth[i]);
    grids_[i].SetHeight(kGridHeight);
  }
}

const std::vector<MenuEntry>& YaoduiAnalysisWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_ExportYaodui2List", "导出药对列表(&D)", "Menu_File", true, true,
       On(&YaoduiAnalysisWindow::Menu_ExportYaodui2List_Click)},
      {"Menu_HerbNetwork", "药物网络(&N)", "Menu_File", true, true,
       On(&YaoduiAnalysisWindow::Menu_HerbNetwork_Click)},
  };
  return menus;
}

void YaoduiAnalysisWindow::InitializeGroupGrid(int n) {
  Grid& grid = FlexGrid(n - 1);
  grid.Clear();
  SetGridCell(grid, "药对（" + std::to_string(n) + "）", 0, 0, grid.Width() - kCountColumnWidth);
  SetGridCell(grid, "频数", 1, 0, kCountColumnWidth);
  grid.SetRows(1);
}

void YaoduiAnalysisWindow::AddGroupRow(int n, std::string_view herbs, std::int64_t count) {
  Grid& grid = FlexGrid(n - 1);
  grid.AddRow();
  grid.SetTextMatrix(grid.Rows() - 1, 0, herbs);
  grid.SetTextMatrix(grid.Rows() - 1, 1, std::to_string(count));
}

Outcome YaoduiAnalysisWindow::Menu_ExportYaodui2List_Click() {
  session_.Message(std::string(kExportNotice) + session_.Path(kPairNameFile).string());
  return Outcome::kDone;
}

Outcome YaoduiAnalysisWindow::Menu_HerbNetwork_Click() {
  return OpenHerbNetwork(session_);
}

}  // namespace lindora
