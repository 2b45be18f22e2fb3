// The window that compares two result sets: pick set A and set B (the current result set is
// one of the choices), herbs or symptoms and the minimum count; a grid of the tested items and
// the data of a chart of the 20 items with the smallest q; on request also the doses of the
// herbs both sets dose (medians, Mann–Whitney U, Benjamini–Hochberg).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/compare_sets/dose_comparison.h"
#include "analysis/result_sets.h"
#include "common/grid.h"
#include "common/header_sort.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"
#include "stats/set_comparison.h"

namespace lindora {

class CompareSetsWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "结果集比较";
  static constexpr std::string_view kResultFile = kComparisonFile;
  static constexpr std::string_view kChartFile = "\\Result\\结果集比较.png";
  static constexpr int kChartItems = kComparisonChartItems;
  static constexpr int kChartWidth = 1400, kChartHeight = 1000;  // pixels of the PNG
  // Twips: the size the window opens with; the grid and the chart share what is inside.
  static constexpr int kWidth = 21000, kHeight = 12000;
  static constexpr int kGridWidth = 10200;

  explicit CompareSetsWindow(Session& session);
  std::string_view FormName() const override { return "Frm_CompareSets"; }
  // Lists the saved sets and shows the window.
  void Load() override;

  // --- what the window shows ---
  // "." (the current result set) first, then every saved set; one that cannot be read is
  // listed with that said in its caption, and comparing it names the reason.
  struct Choice {
    std::string name, caption;
    bool operator==(const Choice&) const = default;
  };
  const std::vector<Choice>& SetChoices() const { return choices_; }
  const std::string& SetA() const { return set_a_; }
  const std::string& SetB() const { return set_b_; }
  void SetSetA(std::string_view name);
  void SetSetB(std::string_view name);
  ItemKind Kind() const { return kind_; }
  void SetKind(ItemKind kind);
  const std::string& MinCountText() const { return min_count_text_; }
  void SetMinCountText(std::string_view text);
  // Whether a comparison also compares the doses, and by which conversion table.
  bool CompareDosesChecked() const { return compare_doses_; }
  void SetCompareDoses(bool on);
  // The library's default table until the user picks one.
  DoseTable DoseTableChoice() const;
  void SetDoseTable(DoseTable table);
  const std::string& LabelSummary() const { return label_summary_; }
  // The doses of the last comparison (header only when doses were not compared).
  Grid& FlexGridDoses() { return dose_grid_; }
  const Grid& FlexGridDoses() const { return dose_grid_; }
  const DoseComparison& DoseResult() const { return doses_; }
  // The current result set when a side of the last comparison was it (a new query makes the
  // comparison stale); nothing when both sides were saved sets.
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }
  Grid& FlexGridCompare() { return grid_; }
  const Grid& FlexGridCompare() const { return grid_; }
  // The last comparison, items in their defined order (q, p, name).
  const SetComparison& Comparison() const { return comparison_; }
  // The first kChartItems items of that order.
  std::vector<ItemComparison> ChartItems() const;
  // The chart of those items: A's and B's rates side by side, the smallest q on top.
  BarChart Chart() const;
  int SortColumn() const { return sort_.Column(); }  // -1: the defined order

  static const std::vector<MenuEntry>& MenuBar();
  // 导出为 Excel: every item of the last comparison in the grid's order, and the chart with
  // its numbers; refused before a comparison.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  // --- events ---
  // Lists the saved sets again.
  Outcome RefreshSetList();
  // Compares, fills the grid and writes \Result\结果集比较.csv (and, comparing doses, the dose
  // grid and \Result\剂量比较.csv). Bad input is refused with a message and replaces nothing.
  Outcome Cmd_Compare_Click();
  // A click on a header cell sorts by that column (HeaderSort's rule).
  void FlexGrid_Compare_Click();
  void SortBy(int column, bool ascending);
  // Writes the chart as a PNG picture (atomically); refused before a comparison.
  Outcome SaveChart(const std::filesystem::path& path);
  // Asks for the chart's file (.png added to a name without extension) and saves it there.
  Outcome Cmd_SaveChart_Click();

 private:
  void FillGrid();
  // The rows in the order of the header sort, then the grid filled again.
  void SortRows();
  void FillDoseGrid();

  std::vector<Choice> choices_;
  std::string set_a_{kCurrentSetName}, set_b_;
  ItemKind kind_ = ItemKind::kHerbs;
  std::string min_count_text_;
  std::string label_summary_;
  Grid grid_;
  bool compare_doses_ = false;
  DoseTable dose_table_ = DoseTable::kModern;
  bool dose_table_chosen_ = false;
  Grid dose_grid_;
  DoseComparison doses_;
  SetComparison comparison_;
  std::vector<ResultTable> tables_;      // the engine's tables of the comparison shown
  std::string compared_a_, compared_b_;  // the sets of the last comparison
  ItemKind compared_kind_ = ItemKind::kHerbs;
  std::vector<std::size_t> order_;  // grid row r shows comparison_.items[order_[r - 1]]
  HeaderSort sort_;
  DescribedSet described_;
};

// 结果集比较…: shows the comparison window, its list of saved sets read afresh.
Outcome OpenSetComparison(Session& session);

}  // namespace lindora
