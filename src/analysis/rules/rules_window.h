// The association-rule window: thresholds, a run button, the counts of the last run and the
// rule table (the first rows of it; the files hold everything).
#pragma once

#include <string>
#include <string_view>

#include "analysis/result_sets.h"
#include "analysis/rules/rules_analysis.h"
#include "analysis/transactions.h"
#include "common/csv.h"
#include "common/grid.h"
#include "common/header_sort.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "stats/association_rules.h"

namespace lindora {

class AssociationRulesWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "关联规则分析";
  static constexpr std::string_view kRuleFile = lindora::kRuleFile;
  static constexpr std::string_view kItemsetFile = lindora::kItemsetFile;
  static constexpr int kMaxGridRules = 1000;

  static constexpr std::string_view kDefaultMinSupport = "10%";
  static constexpr std::string_view kDefaultMinConfidence = "0.6";
  // Above 1, so that the trivial rules (a consequent held by every formula has lift exactly 1)
  // and those at independence are left out unless asked for.
  static constexpr std::string_view kDefaultMinLift = "1.01";
  static constexpr std::string_view kDefaultMaxSize = "4";

  // Twips: the client area the window keeps.
  static constexpr int kClientWidth = 12120;
  static constexpr int kClientHeight = 8640;
  static constexpr int kGridLeft = 120, kGridTop = 1140;
  static constexpr int kGridWidth = 11880, kGridHeight = 7380;

  enum Column { kAntecedent, kConsequent, kCount, kSupport, kConfidence, kLift, kColumns };

  explicit AssociationRulesWindow(Session& session);
  std::string_view FormName() const override { return "Frm_AssociationRules"; }

  // The thresholds as typed; read when the analysis runs.
  const std::string& TextMinSupport() const { return min_support_; }
  const std::string& TextMinConfidence() const { return min_confidence_; }
  const std::string& TextMinLift() const { return min_lift_; }
  const std::string& TextMaxSize() const { return max_size_; }
  void SetTextMinSupport(std::string_view text) {
    min_support_ = text;
    Changed();
  }
  void SetTextMinConfidence(std::string_view text) {
    min_confidence_ = text;
    Changed();
  }
  void SetTextMinLift(std::string_view text) {
    min_lift_ = text;
    Changed();
  }
  void SetTextMaxSize(std::string_view text) {
    max_size_ = text;
    Changed();
  }

  // 事务数, the support count used, frequent itemsets and rules of the last run.
  const std::string& LabelCount() const { return label_count_; }
  // The result set the table describes, and whether a new query has made the table stale.
  const ResultSetStamp& Described() const { return described_; }
  bool Stale() const;
  Grid& FlexGrid() { return grid_; }
  const Grid& FlexGrid() const { return grid_; }

  // The last run: its transactions (for the herb names) and all its itemsets and rules, the
  // rules in the order the grid shows them.
  const RuleMining& Mining() const { return mining_; }
  // The column the rules are sorted by (-1: the default order) and its direction.
  int SortColumn() const { return sort_.Column(); }
  bool SortDescending() const { return sort_.Descending(); }

  static const std::vector<MenuEntry>& MenuBar();
  // 导出为 Excel: every rule of the last run in the grid's order (the grid shows the first
  // kMaxGridRules) and every frequent itemset.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  // Mines the current result set with the thresholds shown, writes both files and fills the
  // grid. Bad thresholds, an empty result set or a failed write change nothing.
  Outcome Cmd_Run_Click();
  // A click on the header row sorts by the clicked column.
  void FlexGrid_Click();
  // Numbers sort from the largest, texts in the installed (pinyin) order; the same column again
  // reverses the direction. Ties keep the default order.
  void SortByColumn(int column);

 private:
  void FillGrid();

  std::string min_support_{kDefaultMinSupport};
  std::string min_confidence_{kDefaultMinConfidence};
  std::string min_lift_{kDefaultMinLift};
  std::string max_size_{kDefaultMaxSize};
  std::string label_count_;
  ResultSetStamp described_;
  Grid grid_;
  Transactions items_;
  RuleMining mining_;
  RuleOptions run_options_;  // of the mining shown
  HeaderSort sort_;
};

// 方剂关联规则分析: refuses an empty formula grid, else opens the rule window and mines the
// current result set with the thresholds shown.
Outcome AssociationRulesOfResults(Session& session);

}  // namespace lindora
