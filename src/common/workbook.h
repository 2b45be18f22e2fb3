// Result tables as an Excel workbook (.xlsx): numbers stay numbers with their decimals as a
// number format, percentages get a percent format, text is always text (never a formula),
// the header row is bold and frozen, columns are as wide as their content, tables have the
// three rules of Chinese journals, and a chart of a window becomes a native Excel chart on
// the sheet of its table, so a researcher can restyle it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/analysis_list.h"

namespace lindora {

// A bar chart drawn from the sheet's own cells.
struct SheetChart {
  std::string title, category_axis, value_axis;
  int category_column = 0;         // table column with the names
  std::vector<int> value_columns;  // one series per column, named by its header
  int rows = 0;                    // the first data rows charted; 0 = all
  bool horizontal = false;         // bars from the left, categories top-down
  bool radar = false;              // a radar (spider) chart instead of bars
};

struct WorkbookSheet {
  std::string name;     // the tab's name; characters Excel refuses are replaced, long names cut
  std::string caption;  // a row above the table; empty = none
  // Lines of text above the table (a report's data and methods); a heading is bold.
  struct Line {
    std::string text;
    bool heading = false;
  };
  std::vector<Line> lines;
  ResultTable table;  // no header: a sheet of text only
  std::optional<SheetChart> chart;
  // A PNG picture beside the table (below the chart when there is one): what no native chart
  // draws, such as a dendrogram or a network.
  std::string picture_png;
  std::optional<SheetChart> second_chart{};  // below the first, e.g. a radar of the same table
};

// The sheets of an analysis run: one per table, named by its caption (by its key when it has
// none), the caption above the table.
std::vector<WorkbookSheet> SheetsOf(const std::vector<ResultTable>& tables);

// Writes the workbook through the program's atomic file writer (a temporary file beside `path`
// renamed over it), so a failure leaves the previous workbook. Refuses (FileError) while a lock
// file of Excel
// (~$name.xlsx) or LibreOffice (.~lock.name.xlsx#) beside it says the workbook is open.
void WriteWorkbook(const std::vector<WorkbookSheet>& sheets, const std::filesystem::path& path);
// The bytes WriteWorkbook would write to `path` (with the same lock-file refusal), for a
// workbook published together with other files.
std::string WorkbookBytes(const std::vector<WorkbookSheet>& sheets,
                          const std::filesystem::path& path);

// The lock file another program keeps beside an open workbook, if there is one.
std::optional<std::filesystem::path> WorkbookLockFile(const std::filesystem::path& path);

// A table cell from the text a grid shows: "12" and "-0.35" become numbers with the decimals
// they show, "25.00%" a percentage, anything else (codes with leading zeros, names, "1e5",
// "=A1") stays text.
TableCell CellFromText(std::string_view text);

// The width of a text in Excel's character units: CJK and full-width characters count two.
int DisplayWidth(std::string_view utf8);

// A name Excel accepts for a sheet: no []:*?/\, not empty, at most 31 characters, no leading
// or trailing apostrophe, and different from `taken` (compared without ASCII case).
std::string SheetName(std::string_view wanted, const std::vector<std::string>& taken);

}  // namespace lindora
