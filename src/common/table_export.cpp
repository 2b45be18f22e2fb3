#include "common/table_export.h"

#include <algorithm>
#include <filesystem>

#include "common/files.h"
#include "common/grid.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

ResultTable TableFromGrid(const Grid& grid, std::string key, std::string caption) {
  ResultTable table;
  table.key = std::move(key);
  table.caption = std::move(caption);
  std::vector<int> columns;
  for (int c = 0; c < grid.Cols(); ++c)
    if (grid.ColWidth(c) < 0 || grid.ColWidth(c) > 1) columns.push_back(c);
  if (grid.Rows() == 0) return table;
  for (int c : columns) table.header.push_back(grid.TextMatrix(0, c));
  for (int r = 1; r < grid.Rows(); ++r) {
    std::vector<TableCell> row;
    row.reserve(columns.size());
    for (int c : columns) row.push_back(CellFromText(grid.TextMatrix(r, c)));
    table.rows.push_back(std::move(row));
  }
  return table;
}

ResultTable TableFromRows(std::string key, std::string caption, std::vector<std::string> header,
                          const std::vector<std::vector<std::string>>& rows) {
  ResultTable table{std::move(key), std::move(caption), std::move(header), {}};
  for (const std::vector<std::string>& row : rows) {
    std::vector<TableCell> cells;
    cells.reserve(row.size());
    for (const std::string& text : row) cells.push_back(CellFromText(text));
    table.rows.push_back(std::move(cells));
  }
  return table;
}

WorkbookSheet SheetOfChart(const BarChart& chart, std::string key) {
  WorkbookSheet sheet;
  sheet.name = std::move(key);
  sheet.caption = chart.source.empty() ? chart.title : chart.title + " — " + chart.source;
  sheet.table.key = sheet.name;
  sheet.table.caption = chart.title;
  sheet.table.header.push_back(chart.category_axis.empty() ? "项目" : chart.category_axis);
  SheetChart layout{chart.title, chart.category_axis, chart.value_axis, 0, {}, 0, chart.horizontal};
  for (std::size_t s = 0; s < chart.series.size(); ++s) {
    const std::string& name = chart.series[s].name;
    sheet.table.header.push_back(!name.empty()               ? name
                                 : !chart.value_axis.empty() ? chart.value_axis
                                                             : "数值");
    layout.value_columns.push_back(static_cast<int>(s) + 1);
  }
  for (std::size_t i = 0; i < chart.categories.size(); ++i) {
    std::vector<TableCell> row{TableCell::Text(chart.categories[i])};
    for (const BarSeries& series : chart.series) {
      const double v = i < series.values.size() ? series.values[i] : 0;
      // Counts stay whole numbers; rates keep the decimals a reader needs.
      row.push_back(
          TableCell::Number(v, v == static_cast<double>(static_cast<long long>(v)) ? 0 : 4));
    }
    sheet.table.rows.push_back(std::move(row));
  }
  sheet.chart = layout;
  return sheet;
}

std::vector<WorkbookSheet> SheetsOfTables(const std::vector<ResultTable>& tables,
                                          const std::vector<TableChart>& charts) {
  std::vector<WorkbookSheet> sheets = SheetsOf(tables);
  for (WorkbookSheet& sheet : sheets)
    for (const TableChart& c : charts)
      if (c.table_key == sheet.table.key) sheet.chart = c.chart;
  return sheets;
}

Outcome ExportWorkbook(Session& session, std::string_view suggested_name,
                       std::vector<WorkbookSheet> sheets, std::string_view data_name) {
  if (!data_name.empty())
    for (WorkbookSheet& sheet : sheets)
      sheet.caption = sheet.caption.empty() ? std::string(data_name)
                                            : sheet.caption + " — " + std::string(data_name);
  const bool any_rows = std::any_of(sheets.begin(), sheets.end(), [](const WorkbookSheet& s) {
    return !s.table.rows.empty() || !s.lines.empty();
  });
  if (!any_rows) return Refuse(session, kNothingToExportMessage);
  std::string chosen = session.dialogs().AskSaveFile(
      "导出为 Excel", std::string(suggested_name) + ".xlsx", "Excel 工作簿 (*.xlsx)");
  if (chosen.empty()) return Outcome::kDone;  // cancelled
  std::filesystem::path path(chosen);
  if (UpperCase(path.extension().string()) != ".XLSX") path += ".xlsx";
  if (std::string problem = CheckUserOutputs(session.ProgramFolder(), {path}); !problem.empty())
    return Refuse(session, problem);
  return Guard(session, [&] { WriteWorkbook(sheets, path); });
}

}  // namespace lindora
