// The report's tables as a workbook, for researchers who edit them: a first sheet with the
// title, the data section and the methods, then one sheet per table in the report's order,
// each with its caption, and the frequency tables with their charts.
#pragma once

#include <vector>

#include "common/workbook.h"
#include "report/report_document.h"

namespace lindora {

std::vector<WorkbookSheet> ReportWorkbookSheets(const ReportDocument& document);

}  // namespace lindora
