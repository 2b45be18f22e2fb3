#include "analysis/symptoms/symptoms_window.h"

#include <string>

#include "analysis/symptoms/symptom_chart.h"
#include "common/table_export.h"

namespace lindora {

SymptomAnalysisWindow::SymptomAnalysisWindow(Session& session) : WindowModel(session), grid_(1, 2) {
  SetCaption(kCaption);
  grid_.SetWidth(kGridWidth);
  grid_.SetHeight(kGridHeight);
}

const std::vector<MenuEntry>& SymptomAnalysisWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件", "", true},
      {"Menu_LoadSymptomList", "导入症状列表", "Menu_File", true, true,
       On(&SymptomAnalysisWindow::Menu_LoadSymptomList_Click)},
      {"Menu_ExportSymptomList", "导出症状列表", "Menu_File", true, true,
       On(&SymptomAnalysisWindow::Menu_ExportSymptomList_Click)},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&SymptomAnalysisWindow::Menu_ExportExcel_Click)},
      {"Menu_Chart", "图表(&C)", "", true},
      {"Menu_SymptomChart", "病症频数图（前30）", "Menu_Chart", true, true,
       On(&SymptomAnalysisWindow::Menu_SymptomChart_Click)},
  };
  return menus;
}

std::vector<WorkbookSheet> SymptomAnalysisWindow::ExcelSheets() const {
  WorkbookSheet sheet;
  sheet.name = "病症";
  sheet.caption = "病症频数";
  sheet.table = engine_table_ ? *engine_table_ : TableFromGrid(grid_, sheet.name, sheet.caption);
  // The names and counts are the last two columns (the engine's table numbers its rows).
  const int cols = static_cast<int>(sheet.table.header.size());
  if (cols < 2) return {sheet};
  const BarChart look = SymptomChart(BarChart{});
  sheet.chart = SheetChart{look.title, look.category_axis, look.value_axis, cols - 2,
                           {cols - 1}, kSymptomChartTop,   look.horizontal};
  return {sheet};
}

Outcome SymptomAnalysisWindow::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, kCaption, ExcelSheets(), described_.Name());
}

Outcome SymptomAnalysisWindow::Menu_SymptomChart_Click() {
  std::optional<BarChart> chart = SymptomChart(*this);
  if (!chart) return Outcome::kRefused;
  ShowChart(*chart, "Chart_Symptom");
  return Outcome::kDone;
}

void SymptomAnalysisWindow::InitializeGrid() {
  grid_.Clear();
  SetGridCell(grid_, "症状", 0, 0, grid_.Width() - kCountColumnWidth);
  SetGridCell(grid_, "频数", 1, 0, kCountColumnWidth);
  grid_.SetRows(1);
  engine_table_.reset();
}

void SymptomAnalysisWindow::AddSymptomRow(std::string_view symptom, std::int64_t count) {
  grid_.AddRow();
  grid_.SetTextMatrix(grid_.Rows() - 1, 0, symptom);
  grid_.SetTextMatrix(grid_.Rows() - 1, 1, std::to_string(count));
}

}  // namespace lindora
