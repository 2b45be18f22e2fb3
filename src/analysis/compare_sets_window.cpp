#include "analysis/compare_sets_window.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <future>
#include <numeric>
#include <optional>

#include "common/csv.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"

namespace lindora {

namespace {

constexpr int kColWidth[8] = {1740, 1000, 1160, 1000, 1160, 1200, 1470, 1470};
constexpr int kNameColumn = 0;

// A count typed by the user: decimal digits only, at most nine of them.
std::optional<std::int64_t> ParseCount(std::string_view text) {
  std::string t = Trim(text);
  if (t.empty() || t.size() > 9 ||
      !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return std::stoll(t);
}

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
    : WindowModel(session), min_count_text_(std::to_string(kDefaultMinCount)), grid_(1, 8) {
  SetCaption(kCaption);
  grid_.SetWidth(kGridWidth);
  const std::vector<std::string>& header = ComparisonHeader();
  for (int c = 0; c < 8; ++c) SetGridCell(grid_, header[c], c, 0, kColWidth[c]);
  grid_.SetColAlignment(kNameColumn, Alignment::kLeftCenter);
  grid_.SetRow(0);
  grid_.SetCol(0);
}

void CompareSetsWindow::Load() {
  Show();
  RefreshSetList();
}

std::string CompareSetsWindow::ChoiceCaption(std::string_view name) {
  return name == kCurrentSetName ? std::string(kCurrentSetCaption) : std::string(name);
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
  BarChart chart;
  std::vector<ItemComparison> items = ChartItems();
  chart.title = items.empty()
                    ? "尚无比较结果"
                    : "Q 值最小的 " + std::to_string(items.size()) + " 项：含该项的方剂占比(%)";
  chart.category_axis = compared_kind_ == ItemKind::kHerbs ? "中药" : "症状";
  chart.value_axis = "方剂占比(%)";
  chart.horizontal = true;
  if (items.empty()) return chart;
  BarSeries a{"A：" + ChoiceCaption(compared_a_), {}}, b{"B：" + ChoiceCaption(compared_b_), {}};
  // Bars carry their numbers: the rates as the grid shows them, with two decimals.
  auto shown = [](double rate) { return std::round(rate * 100) / 100; };
  for (const ItemComparison& item : items) {
    chart.categories.push_back(item.name);
    a.values.push_back(shown(item.rate_a));
    b.values.push_back(shown(item.rate_b));
  }
  chart.series = {std::move(a), std::move(b)};
  return chart;
}

std::string CompareSetsWindow::ChartPathProblem(const std::filesystem::path& path) {
  if (UpperCase(path.extension().string()) == ".PNG") return {};
  return "图片文件名须以 .png 结尾：" + path.string();
}

Outcome CompareSetsWindow::SaveChart(const std::filesystem::path& path) {
  if (comparison_version_ == 0) return Refuse(session_, "尚未比较，没有可保存的图表。");
  PictureWriter* writer = InstalledPictureWriter();
  if (!writer) return Refuse(session_, "本程序未带绘图功能，无法保存图片。");
  if (std::string problem = ChartPathProblem(path); !problem.empty())
    return Refuse(session_, problem);
  return Guard(session_,
               [&] { writer->WriteBarChartPng(Chart(), path, kChartWidth, kChartHeight); });
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

std::string CompareSetsWindow::Describe(std::string_view name, std::int64_t formulas) const {
  return ChoiceCaption(name) + "（" + std::to_string(formulas) + " 首方剂）";
}

Outcome CompareSetsWindow::Cmd_Compare_Click() {
  std::optional<std::int64_t> min_count = ParseCount(min_count_text_);
  if (!min_count)
    return Refuse(session_, "最小计数必须是不小于 0 的整数，“" + min_count_text_ + "”不是。");
  if (set_a_.empty() || set_b_.empty()) return Refuse(session_, "请选择结果集 A 和结果集 B。");
  return Guard(session_, [&]() -> Outcome {
    namespace fs = std::filesystem;
    for (const std::string& name : {set_a_, set_b_}) {
      if (name == kCurrentSetName) continue;
      const bool usable_name = CheckSetName(name).empty();
      std::error_code ec;
      // A link to a lost file still names a set: reading it reports why it cannot be read.
      if (usable_name && fs::exists(fs::symlink_status(SetFile(session_, name), ec))) continue;
      if (!usable_name || !fs::exists(SetHistoryFile(session_, name), ec))
        return Refuse(session_, "找不到结果集“" + name + "”。");
      session_.ReportFailure(OrphanHistoryMessage(name));
      return Outcome::kFailed;
    }
    if (SetFile(session_, set_a_) == SetFile(session_, set_b_))
      return Refuse(session_, "结果集 A 和结果集 B 是同一个结果集，请选择两个不同的结果集。");

    // The two sets are standardised and read side by side: they share no file.
    std::future<Transactions> later_b =
        std::async(std::launch::async, [&] { return SetTransactions(session_, set_b_, kind_); });
    Transactions a = SetTransactions(session_, set_a_, kind_);
    Transactions b = later_b.get();
    for (auto [name, t] : {std::pair{&set_a_, &a}, std::pair{&set_b_, &b}})
      if (t->N() == 0)
        return Refuse(session_, "结果集“" + ChoiceCaption(*name) + "”中没有可比较的方剂。");

    SetComparison comparison = CompareTransactions(a, b, *min_count);
    std::vector<CsvRow> rows{ComparisonHeader()};
    for (const ItemComparison& item : comparison.items) rows.push_back(ComparisonCells(item));
    WriteCsvFile(session_.Path(kResultFile), rows);

    comparison_ = std::move(comparison);
    compared_a_ = set_a_;
    compared_b_ = set_b_;
    compared_kind_ = kind_;
    ++comparison_version_;
    order_.resize(comparison_.items.size());
    std::iota(order_.begin(), order_.end(), 0);
    sort_column_ = -1;
    sort_ascending_ = true;
    label_summary_ = "A：" + Describe(set_a_, comparison_.n_a) + "    B：" +
                     Describe(set_b_, comparison_.n_b) + "    " +
                     (kind_ == ItemKind::kHerbs ? "中药" : "症状") + "：检验 " +
                     std::to_string(comparison_.items.size()) + " 项（A、B 合计出现不少于 " +
                     std::to_string(*min_count) + " 次）";
    FillGrid();
    return Outcome::kDone;
  });
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
  std::vector<CsvRow> rows;
  for (std::size_t i : order_) rows.push_back(ComparisonCells(comparison_.items[i]));
  WorkbookSheet table;
  table.name = "结果集比较";
  table.caption = label_summary_.empty() ? table.name : label_summary_;
  table.table = TableFromRows(table.name, table.caption, ComparisonHeader(), rows);
  std::vector<WorkbookSheet> sheets{std::move(table)};
  if (!comparison_.items.empty()) sheets.push_back(SheetOfChart(Chart(), "图表"));
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
                        ComparisonHeader()[c] + (c != sort_column_ ? ""
                                                 : sort_ascending_ ? " ▲"
                                                                   : " ▼"));
  for (std::size_t r = 0; r < order_.size(); ++r) {
    CsvRow cells = ComparisonCells(comparison_.items[order_[r]]);
    for (int c = 0; c < 8; ++c) grid_.SetTextMatrix(static_cast<int>(r) + 1, c, cells[c]);
  }
  grid_.SetRow(order_.empty() ? 0 : 1);
  grid_.SetRowSel(grid_.Row());
  Changed();
}

void CompareSetsWindow::SortBy(int column, bool ascending) {
  if (column < 0 || column >= 8) return;
  const auto& items = comparison_.items;
  // Starting from the defined order keeps ties in it.
  std::iota(order_.begin(), order_.end(), 0);
  std::stable_sort(order_.begin(), order_.end(), [&](std::size_t x, std::size_t y) {
    const ItemComparison &p = ascending ? items[x] : items[y], &q = ascending ? items[y] : items[x];
    if (column == kNameColumn) return p.name < q.name;
    return SortKey(p, column) < SortKey(q, column);
  });
  sort_column_ = column;
  sort_ascending_ = ascending;
  FillGrid();
}

void CompareSetsWindow::FlexGrid_Compare_Click() {
  if (grid_.Row() != 0) return;
  const int column = grid_.Col();
  SortBy(column, column == sort_column_ ? !sort_ascending_ : true);
}

Outcome CompareSetsWindow::Cmd_SaveChart_Click() {
  std::filesystem::path path(session_.dialogs().AskSaveFile(
      "保存图表", session_.Path(kChartFile).string(), "PNG 图片 (*.png)"));
  if (path.empty()) return Outcome::kDone;  // cancelled
  if (!path.has_extension()) path += ".png";
  return SaveChart(path);
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
