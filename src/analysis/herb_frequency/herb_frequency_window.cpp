#include "analysis/herb_frequency/herb_frequency_window.h"

#include "analysis/network/network_window.h"
#include "common/session.h"
#include "common/table_export.h"

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
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&YaoduiAnalysisWindow::Menu_ExportExcel_Click)},
  };
  return menus;
}

void YaoduiAnalysisWindow::InitializeGroupGrid(int n) {
  Grid& grid = FlexGrid(n - 1);
  grid.Clear();
  SetGridCell(grid, "药对（" + std::to_string(n) + "）", 0, 0, grid.Width() - kCountColumnWidth);
  SetGridCell(grid, "频数", 1, 0, kCountColumnWidth);
  grid.SetRows(1);
  full_groups_.at(static_cast<std::size_t>(n - 2)).reset();
}

void YaoduiAnalysisWindow::SetFullGroups(int n, std::shared_ptr<const HerbGroupResult> result) {
  full_groups_.at(static_cast<std::size_t>(n - 2)) = std::move(result);
}

std::vector<WorkbookSheet> YaoduiAnalysisWindow::ExcelSheets() const {
  // The bars of the most frequent groups stay readable in one chart.
  constexpr int kChartGroups = 20;
  static constexpr std::array<std::string_view, 3> kNames{"药对", "三味药组合", "四味药组合"};
  std::vector<WorkbookSheet> sheets;
  for (int n = 2; n <= 4; ++n) {
    const auto i = static_cast<std::size_t>(n - 2);
    WorkbookSheet sheet;
    sheet.name = std::string(kNames[i]);
    sheet.caption = sheet.name + "频数";
    sheet.table = full_groups_[i] ? HerbGroupTable(*full_groups_[i], n)
                                  : TableFromGrid(FlexGrid(n - 1), "", "");
    sheet.table.key = sheet.name;
    sheet.table.caption = sheet.caption;
    sheet.chart = SheetChart{sheet.caption + "（前" + std::to_string(kChartGroups) + "）",
                             sheet.name,
                             "频数",
                             0,
                             {1},
                             kChartGroups,
                             true};
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

Outcome YaoduiAnalysisWindow::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, kCaption, ExcelSheets(), described_.Name());
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
