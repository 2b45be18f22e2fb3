// "导出为 Excel…" of the table windows: a window hands over its tables (every row of its
// analysis, not only the rows its grid shows) and this asks for the file and writes it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/outcome.h"
#include "common/pictures.h"
#include "common/workbook.h"

namespace lindora {

class Grid;
class Session;

// The grid as a result table: row 0 is the header, hidden (1-twip) columns are left out, and
// cells that show numbers or percentages become numbers.
ResultTable TableFromGrid(const Grid& grid, std::string key, std::string caption);

// Rows of texts (a result file's rows) as a result table, numbers typed as in TableFromGrid.
ResultTable TableFromRows(std::string key, std::string caption, std::vector<std::string> header,
                          const std::vector<std::vector<std::string>>& rows);

// A window's bar chart as a sheet: its categories and one column per series, and the same
// chart drawn natively from those cells.
WorkbookSheet SheetOfChart(const BarChart& chart, std::string key);

// A native chart for the sheet of the table whose key is `table_key`.
struct TableChart {
  std::string table_key;
  SheetChart chart;
};

// The sheets of an engine's tables (AnalysisOutput::tables, every row, typed), each named by
// its caption and headed by it, each chart on the sheet of its table.
std::vector<WorkbookSheet> SheetsOfTables(const std::vector<ResultTable>& tables,
                                          const std::vector<TableChart>& charts = {});

// Refuses when no sheet has a row; else asks for a file name (`suggested_name` + .xlsx is
// offered) and writes the workbook. Cancelling does nothing.
Outcome ExportWorkbook(Session& session, std::string_view suggested_name,
                       const std::vector<WorkbookSheet>& sheets);

inline constexpr std::string_view kExportExcelCaption = "导出为 Excel(&X)…";
inline constexpr std::string_view kNothingToExportMessage = "表格中没有数据，无法导出。";

}  // namespace lindora
