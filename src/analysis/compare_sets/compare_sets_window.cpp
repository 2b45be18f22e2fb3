#include "analysis/compare_sets/compare_sets_window.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <future>
#include <numeric>
#include <optional>

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/doses/doses_analysis.h"
#include "common/collation.h"
#include "common/csv.h"
#include "common/picture_save.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"

namespace lindora {

namespace {

constexpr int kColWidth[8] = {1740, 1000, 1160, 1000, 1160, 1200, 1470, 1470};
constexpr int kNameColumn = 0;

double SortKey(const ItemComparison& item, int column) {
  switch (column) {
    case 1: return static_cast<double>(item.a);
    case 2: return item.rate_a;
    case 3: return static_cast<double>(item.b);
    case 4: return item.rate_b;
    case 5: return item.odds_ratio;
    case 6: return item.log_p;
    default: return item.log_q;
  }
}

}  // namespace

CompareSetsWindow::CompareSetsWindow(Session& session)
    : WindowModel(session),
      min_count_text_(SetComparisonOptions{}.min_count),
      grid_(1, 8),
      dose_grid_(1, static_cast<int>(DoseComparisonHeader().size())) {
  SetCaption(kCaption);
  grid_.SetWidth(kGridWidth);
  const std::vector<std::string>& header = ComparisonHeader();
  for (int c = 0; c < 8; ++c) SetGridCell(grid_, header[c], c, 0, kColWidth[c]);
  grid_.SetColAlignment(kNameColumn, Alignment::kLeftCenter);
  grid_.SetRow(0);
  grid_.SetCol(0);
  dose_grid_.SetWidth(kGridWidth);
  // Twips; together the width of the item grid above.
  constexpr int kDoseColWidth[10] = {1100, 600, 1300, 900, 1300, 900, 700, 1200, 1200, 1000};
  for (int c = 0; c < dose_grid_.Cols(); ++c)
    SetGridCell(dose_grid_, DoseComparisonHeader()[c], c, 0, kDoseColWidth[c]);
  dose_grid_.SetColAlignment(kNameColumn, Alignment::kLeftCenter);
  dose_grid_.SetRow(0);
  dose_grid_.SetCol(0);
}

void CompareSetsWindow::SetCompareDoses(bool on) {
  compare_doses_ = on;
  Changed();
}

DoseTable CompareSetsWindow::DoseTableChoice() const {
  return dose_table_chosen_ ? dose_table_ : DefaultDoseTable(session_);
}

void CompareSetsWindow::SetDoseTable(DoseTable table) {
  dose_table_ = table;
  dose_table_chosen_ = true;
  Changed();
}

void CompareSetsWindow::Load() {
  Show();
  RefreshSetList();
}

void CompareSetsWindow::SetSetA(std::string_view name) {
  set_a_ = Trim(name);
  Changed();
}

void CompareSetsWindow::SetSetB(std::string_view name) {
  set_b_ = Trim(name);
  Changed();
}

void CompareSetsWindow::SetKind(ItemKind kind) {
  kind_ = kind;
  Changed();
}

void CompareSetsWindow::SetMinCountText(std::string_view text) {
  min_count_text_.assign(text);
  Changed();
}

std::vector<ItemComparison> CompareSetsWindow::ChartItems() const {
  const std::size_t n = std::min<std::size_t>(kChartItems, comparison_.items.size());
  return {comparison_.items.begin(), comparison_.items.begin() + static_cast<std::ptrdiff_t>(n)};
}

BarChart CompareSetsWindow::Chart() const {
  return ComparisonChart(comparison_, compared_a_, compared_b_, compared_kind_);
}

Outcome CompareSetsWindow::SaveChart(const std::filesystem::path& path) {
  if (PictureVersion() == 0) return Refuse(session_, "尚未比较，没有可保存的图表。");
  return WritePicture(path, {".png"}, [&](PictureWriter& writer, const std::string&) {
    writer.WriteBarChartPng(Chart(), path, kChartWidth, kChartHeight);
  });
}

Outcome CompareSetsWindow::RefreshSetList() {
  return Guard(session_, [&] {
    std::vector<SavedSet> sets = ListResultSets(session_);
    choices_.assign(1, {std::string(kCurrentSetName), std::string(kCurrentSetCaption)});
    for (const SavedSet& set : sets)
      choices_.push_back({set.name, set.problem.empty() ? set.name : set.name + "（无法读取）"});
    // The first saved set is a useful partner for the current one.
    if (set_b_.empty() && choices_.size() > 1) set_b_ = choices_[1].name;
    Changed();
  });
}

Outcome CompareSetsWindow::Cmd_Compare_Click() {
  SetComparisonOptions options{set_a_, set_b_, kind_, min_count_text_};
  options.doses = compare_doses_;
  options.dose_table = DoseTableChoice();
  SetComparisonResult result = RunSetComparison(session_, options);
  if (result.outcome != Outcome::kDone) return result.outcome;
  tables_ = SetComparisonOutput(result).tables;
  comparison_ = std::move(result.comparison);
  doses_ = std::move(result.doses);
  compared_a_ = set_a_;
  compared_b_ = set_b_;
  compared_kind_ = kind_;
  // A comparison with the current result set goes stale with a new query; saved sets do not.
  if (set_a_ == kCurrentSetName || set_b_ == kCurrentSetName) {
    described_.Take(session_, [a = set_a_, b = set_b_, kind = kind_](Session& s) {
      CompareSetsWindow& w = s.Window<CompareSetsWindow>();
      w.SetSetA(a);
      w.SetSetB(b);
      w.SetKind(kind);
      return w.Cmd_Compare_Click();
    });
  } else {
    described_.Forget();
  }
  NewPicture();
  order_.resize(comparison_.items.size());
  std::iota(order_.begin(), order_.end(), 0);
  sort_.Reset();
  label_summary_ = std::move(result.summary);
  FillGrid();
  FillDoseGrid();
  return Outcome::kDone;
}

const std::vector<MenuEntry>& CompareSetsWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&CompareSetsWindow::Menu_ExportExcel_Click)},
  };
  return menus;
}

std::vector<WorkbookSheet> CompareSetsWindow::ExcelSheets() const {
  // The chart beside the comparison: A's and B's rates of its first rows, as the window draws.
  const BarChart look = Chart();
  SheetChart chart{look.title, look.category_axis, look.value_axis, 0, {2, 4}, kChartItems, true};
  std::vector<WorkbookSheet> sheets = SheetsOfTables(tables_, {{"comparison", chart}});
  // The caption says which sets A and B are.
  if (!sheets.empty() && !label_summary_.empty()) sheets.front().caption = label_summary_;
  return sheets;
}

Outcome CompareSetsWindow::Menu_ExportExcel_Click() {
  if (order_.empty()) return Refuse(session_, kNothingToExportMessage);
  return ExportWorkbook(session_, kCaption, ExcelSheets());
}

void CompareSetsWindow::FillGrid() {
  grid_.SetRows(1 + static_cast<int>(order_.size()));
  // The sorted column's header shows the direction; the file keeps the plain header.
  for (int c = 0; c < 8; ++c)
    grid_.SetTextMatrix(0, c,
                        ComparisonHeader()[c] + (c != sort_.Column()  ? ""
                                                 : sort_.Descending() ? " ▼"
                                                                      : " ▲"));
  for (std::size_t r = 0; r < order_.size(); ++r) {
    CsvRow cells = ComparisonCells(comparison_.items[order_[r]]);
    for (int c = 0; c < 8; ++c) grid_.SetTextMatrix(static_cast<int>(r) + 1, c, cells[c]);
  }
  grid_.SetRow(order_.empty() ? 0 : 1);
  grid_.SetRowSel(grid_.Row());
  Changed();
}

void CompareSetsWindow::FillDoseGrid() {
  dose_grid_.SetRows(1 + static_cast<int>(doses_.items.size()));
  for (std::size_t r = 0; r < doses_.items.size(); ++r) {
    CsvRow cells = DoseComparisonCells(doses_.items[r]);
    for (int c = 0; c < dose_grid_.Cols(); ++c)
      dose_grid_.SetTextMatrix(static_cast<int>(r) + 1, c, cells[c]);
  }
  dose_grid_.SetRow(doses_.items.empty() ? 0 : 1);
  dose_grid_.SetRowSel(dose_grid_.Row());
  Changed();
}

void CompareSetsWindow::SortBy(int column, bool ascending) {
  if (column < 0 || column >= 8) return;
  sort_.Set(column, !ascending);
  SortRows();
}

void CompareSetsWindow::FlexGrid_Compare_Click() {
  const int column = grid_.Col();
  if (grid_.Row() != 0 || column < 0 || column >= 8) return;
  sort_.Click(column, column != kNameColumn);
  SortRows();
}

void CompareSetsWindow::SortRows() {
  const auto& items = comparison_.items;
  const int column = sort_.Column();
  // Starting from the defined order keeps ties in it.
  std::iota(order_.begin(), order_.end(), 0);
  sort_.Order(
      order_,
      [&](std::size_t a, std::size_t b) {
        if (column == kNameColumn) return CompareText(items[a].name, items[b].name);
        const double x = SortKey(items[a], column), y = SortKey(items[b], column);
        return x < y ? -1 : x > y ? 1 : 0;
      },
      [](std::size_t) { return false; });
  FillGrid();
}

Outcome CompareSetsWindow::Cmd_SaveChart_Click() {
  return AskAndSavePicture(session_, "保存图表", "结果集比较", ".png", "PNG 图片 (*.png)",
                           [this](const std::filesystem::path& path) { return SaveChart(path); });
}

Outcome OpenSetComparison(Session& session) {
  if (CompareSetsWindow* open = session.FindWindow<CompareSetsWindow>()) {
    open->Show();
    return open->RefreshSetList();
  }
  session.Window<CompareSetsWindow>();  // loading lists the sets and shows the window
  return Outcome::kDone;
}

}  // namespace lindora
