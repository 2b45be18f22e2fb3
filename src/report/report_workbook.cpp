#include "report/report_workbook.h"

#include <optional>
#include <string>

#include "common/table_export.h"
#include "common/text.h"
#include "herb/herb_charts.h"
#include "report/analysis_report.h"

namespace lindora {

namespace {

// A heading without its number ("2 中药频数" → "中药频数").
std::string HeadingTitle(const std::string& heading) {
  const std::size_t space = heading.find(' ');
  return space == std::string::npos ? heading : heading.substr(space + 1);
}

// The section a heading opens ("2 中药频数" → kHerbs); nothing for the methods and below.
std::optional<ReportSection> SectionOfHeading(const std::string& heading) {
  const std::string title = HeadingTitle(heading);
  for (ReportSection s : AllSections())
    if (title == SectionTitle(s)) return s;
  return std::nullopt;
}

// The frequency tables get the chart the report draws beside them: names and counts.
std::optional<SheetChart> ChartOf(ReportSection section, const ResultTable& table) {
  auto column = [&](std::string_view header) {
    for (std::size_t c = 0; c < table.header.size(); ++c)
      if (table.header[c] == header) return static_cast<int>(c);
    return -1;
  };
  switch (section) {
    case ReportSection::kHerbs:
      if (column("中药名") < 0 || column("频数") < 0) break;
      return SheetChart{"中药频数",       "中药",    "频数", column("中药名"),
                        {column("频数")}, kChartTop, true};
    case ReportSection::kSymptoms:
      if (column("症状") < 0 || column("频数") < 0) break;
      return SheetChart{"症状频数",       "症状",    "频数", column("症状"),
                        {column("频数")}, kChartTop, true};
    case ReportSection::kTypes:
      if (column("类型") < 0 || column("药味数") < 0) break;
      return SheetChart{"中药类型分布",     "中药类型", "药味数", column("类型"),
                        {column("药味数")}, 0,          true};
    default: break;
  }
  return std::nullopt;
}

// The sections whose chart the workbook draws natively (ChartOf), needing no picture.
bool NativelyCharted(ReportSection section) {
  return section == ReportSection::kHerbs || section == ReportSection::kSymptoms ||
         section == ReportSection::kTypes;
}

}  // namespace

std::vector<WorkbookSheet> ReportWorkbookSheets(const ReportDocument& document) {
  WorkbookSheet first;
  first.name = "报告";
  std::vector<WorkbookSheet> tables;
  // Blocks before the first section, the data section and the methods go to the first sheet.
  bool on_first_sheet = true;
  std::optional<ReportSection> section;
  std::string section_title;
  int table_number = 0;
  std::string pending_picture;  // a figure waiting for the next table of its section
  auto text_lines = [&](const std::string& text, bool heading) {
    for (const std::string& line : Split(ReplaceAll(text, "\r\n", "\n"), "\n"))
      first.lines.push_back({line, heading});
  };
  const std::vector<ReportBlock>& blocks = document.Blocks();
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const ReportBlock& b = blocks[i];
    if (b.kind == ReportBlock::Kind::kHeading && b.level <= 2) {
      section = SectionOfHeading(b.text);
      // The sections of the analyses of the list (clustering, core combinations, …) have
      // sheets of their own too; only the title, the data and the methods share the first.
      const std::string title = HeadingTitle(b.text);
      on_first_sheet = b.level == 1 || (section && *section == ReportSection::kData) ||
                       (!section && title.starts_with("方法"));
      section_title = section ? std::string(SectionTitle(*section)) : title;
      pending_picture.clear();
    }
    if (on_first_sheet) {
      switch (b.kind) {
        case ReportBlock::Kind::kHeading:
          if (!first.lines.empty()) first.lines.push_back({});
          text_lines(b.text, true);
          break;
        case ReportBlock::Kind::kParagraph:
        case ReportBlock::Kind::kPreformatted: text_lines(b.text, false); break;
        case ReportBlock::Kind::kTable:
          for (const std::vector<std::string>& row : b.rows)
            first.lines.push_back({Join(row, "："), false});
          break;
        case ReportBlock::Kind::kFigure: break;
      }
      continue;
    }
    if (b.kind == ReportBlock::Kind::kFigure) {
      // A picture no native chart redraws (the network, the dendrogram, the radar charts) goes
      // beside the table that follows it in its section, as the report places them.
      auto png = document.Pictures().find(b.figure);
      if (png != document.Pictures().end() && !(section && NativelyCharted(*section)))
        pending_picture = png->second;
      continue;
    }
    if (b.kind != ReportBlock::Kind::kTable) continue;
    // A section with several tables names each by its columns.
    int in_section = 0;
    for (std::size_t j = i; j > 0 && blocks[j - 1].kind != ReportBlock::Kind::kHeading; --j)
      in_section += blocks[j - 1].kind == ReportBlock::Kind::kTable;
    bool more = false;
    for (std::size_t j = i + 1; j < blocks.size() && blocks[j].kind != ReportBlock::Kind::kHeading;
         ++j)
      more = more || blocks[j].kind == ReportBlock::Kind::kTable;
    std::string caption = "表" + std::to_string(++table_number) + " " + section_title;
    if (in_section > 0 || more) {
      std::vector<std::string> first_columns(
          b.header.begin(), b.header.begin() + std::min<std::ptrdiff_t>(2, b.header.size()));
      caption += "（" + Join(first_columns, "、") + "）";
    }
    WorkbookSheet sheet;
    // A section of several tables names each sheet by what its table holds.
    sheet.name = b.name.empty() ? section_title : section_title + "·" + b.name;
    sheet.caption = caption;
    if (!b.name.empty()) caption = "表" + std::to_string(table_number) + " " + sheet.name;
    sheet.table = TableFromRows(section_title, caption, b.header, b.rows);
    if (section) sheet.chart = ChartOf(*section, sheet.table);
    if (!sheet.chart && !pending_picture.empty()) {
      sheet.picture_png = std::move(pending_picture);
      pending_picture.clear();
    }
    tables.push_back(std::move(sheet));
  }
  std::vector<WorkbookSheet> sheets{std::move(first)};
  for (WorkbookSheet& s : tables) sheets.push_back(std::move(s));
  return sheets;
}

}  // namespace lindora
