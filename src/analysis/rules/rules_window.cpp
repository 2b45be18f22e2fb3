#include "analysis/rules/rules_window.h"

#include <algorithm>
#include <array>

#include "analysis/formula_set_actions.h"
#include "common/collation.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/session.h"
#include "common/table_export.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"

namespace lindora {
namespace {

constexpr std::array<std::string_view, AssociationRulesWindow::kColumns> kHeaders = {
    "前项", "后项", "支持度计数", "支持度(%)", "置信度", "提升度"};
constexpr std::array<int, AssociationRulesWindow::kColumns> kColumnWidths = {3900, 1500, 1440,
                                                                             1440, 1440, 1440};
}  // namespace

AssociationRulesWindow::AssociationRulesWindow(Session& session)
    : WindowModel(session), grid_(1, kColumns) {
  SetCaption(kCaption);
  grid_.SetWidth(kGridWidth);
  grid_.SetHeight(kGridHeight);
  FillGrid();
}

const std::vector<MenuEntry>& AssociationRulesWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&AssociationRulesWindow::Menu_ExportExcel_Click)},
  };
  return menus;
}

std::vector<WorkbookSheet> AssociationRulesWindow::ExcelSheets() const {
  // The engine's tables of the mining shown, in the order the grid is sorted.
  RuleResult shown{Outcome::kDone, items_, mining_};
  return SheetsOfTables(RuleOutput(shown, run_options_).tables);
}

Outcome AssociationRulesWindow::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, kCaption, ExcelSheets(),
                        described_.taken ? ResultSetCaption(described_) : std::string());
}

Outcome AssociationRulesWindow::Cmd_Run_Click() {
  const RuleOptions options{min_support_, min_confidence_, min_lift_, max_size_};
  RuleResult result = RunAssociationRules(session_, options);
  if (result.outcome != Outcome::kDone) return result.outcome;
  run_options_ = options;
  items_ = std::move(result.items);
  mining_ = std::move(result.mining);
  described_ = StampResultSet(session_, mining_.n);
  SetCaption(std::string(kCaption) + " - " + ResultSetCaption(described_));
  sort_.Reset();
  label_count_ = "事务数：" + std::to_string(mining_.n) + "　最小支持度计数：" +
                 std::to_string(mining_.min_count) + "　频繁项集：" +
                 std::to_string(mining_.itemsets.size()) + "　关联规则：" +
                 std::to_string(mining_.rules.size());
  if (mining_.rules.size() > static_cast<std::size_t>(kMaxGridRules))
    label_count_ += "（表中显示前 " + std::to_string(kMaxGridRules) + " 条）";
  label_count_ += "　全部写入 Result/关联规则.csv、Result/频繁项集.csv";
  FillGrid();
  Changed();
  return Outcome::kDone;
}

bool AssociationRulesWindow::Stale() const {
  return ResultSetChanged(session_, described_);
}

void AssociationRulesWindow::FlexGrid_Click() {
  if (grid_.Row() == 0) SortByColumn(grid_.Col());
}

void AssociationRulesWindow::SortByColumn(int column) {
  if (column < 0 || column >= kColumns) return;
  sort_.Click(column, column != kAntecedent && column != kConsequent);
  const Transactions& t = items_;
  auto key = [&](const Rule& a, const Rule& b) -> int {
    switch (column) {
      case kAntecedent: return CompareText(AntecedentText(t, a), AntecedentText(t, b));
      case kConsequent: return CompareText(t.names[a.consequent], t.names[b.consequent]);
      case kCount:
      case kSupport: return a.count < b.count ? -1 : a.count > b.count ? 1 : 0;
      case kConfidence: return CompareConfidence(a, b);
      default: return CompareLift(a, b);
    }
  };
  std::sort(mining_.rules.begin(), mining_.rules.end(), [&](const Rule& a, const Rule& b) {
    if (int c = key(a, b)) return sort_.Before(c);
    return DefaultRuleOrder(t, a, b);
  });
  FillGrid();
  Changed();
}

void AssociationRulesWindow::FillGrid() {
  grid_.Clear();
  grid_.SetRows(1);
  for (int c = 0; c < kColumns; ++c) SetGridCell(grid_, kHeaders[c], c, 0, kColumnWidths[c]);
  for (int c = 0; c < kColumns; ++c)
    grid_.SetColAlignment(c, c <= kConsequent ? Alignment::kLeftCenter : Alignment::kRightCenter);
  const std::size_t shown = std::min(mining_.rules.size(), static_cast<std::size_t>(kMaxGridRules));
  grid_.SetRows(static_cast<int>(shown) + 1);
  for (std::size_t i = 0; i < shown; ++i) {
    const Rule& r = mining_.rules[i];
    const int row = static_cast<int>(i) + 1;
    grid_.SetTextMatrix(row, kAntecedent, AntecedentText(items_, r));
    grid_.SetTextMatrix(row, kConsequent, items_.names[r.consequent]);
    grid_.SetTextMatrix(row, kCount, std::to_string(r.count));
    grid_.SetTextMatrix(row, kSupport, SupportPercentText(r.count, mining_.n));
    grid_.SetTextMatrix(row, kConfidence, ConfidenceText(r));
    grid_.SetTextMatrix(row, kLift, LiftText(r, mining_.n));
  }
  grid_.SetRow(shown > 0 ? 1 : 0);
  grid_.SetCol(0);
  grid_.SetRowSel(grid_.Row());
}

Outcome AssociationRulesOfResults(Session& session) {
  const FangjiAnalysis& fangji = session.Window<FangjiAnalysis>();
  if (fangji.FlexGrid().Rows() <= 1) {
    Outcome refused = Refuse(session, kNoDataMessage);
    session.Window<FangjiAnalysis>().Text_Input_GotFocus();
    return refused;
  }
  AssociationRulesWindow& window = session.Window<AssociationRulesWindow>();
  window.Show();
  return window.Cmd_Run_Click();
}

}  // namespace lindora
