#include "analysis/association_rules_window.h"

#include <algorithm>
#include <array>

#include "analysis/formula_set_actions.h"
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
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kWriteChunk = 1 << 20;

// Rows are appended to a temporary file in chunks, so a large table never sits in memory twice.
class CsvWriter {
 public:
  explicit CsvWriter(const std::filesystem::path& path) : file_(path) { bytes_ = kByteOrderMark; }
  void Row(const CsvRow& row) {
    bytes_ += CsvLine(row);
    bytes_ += "\r\n";
    if (bytes_.size() >= kWriteChunk) Flush();
  }
  void Flush() {
    file_.WriteBytes(bytes_);
    bytes_.clear();
  }
  void Commit() {
    Flush();
    file_.Commit();
  }

 private:
  AtomicFile file_;
  std::string bytes_;
};

}  // namespace

AssociationRulesWindow::AssociationRulesWindow(Session& session)
    : WindowModel(session), grid_(1, kColumns) {
  SetCaption(kCaption);
  grid_.SetWidth(kGridWidth);
  grid_.SetHeight(kGridHeight);
  FillGrid();
}

CsvRow RuleRow(const Transactions& items, const RuleMining& mining, const Rule& r) {
  return {AntecedentText(items, r), items.names[r.consequent],
          std::to_string(r.count),  SupportPercentText(r.count, mining.n),
          ConfidenceText(r),        LiftText(r, mining.n)};
}

CsvRow ItemsetRow(const Transactions& items, const RuleMining& mining, const Itemset& s) {
  return {ItemsetText(items, s), std::to_string(s.size), std::to_string(s.count),
          SupportPercentText(s.count, mining.n)};
}

const CsvRow& ItemsetHeader() {
  static const CsvRow header{"项集", "项数", "支持度计数", "支持度(%)"};
  return header;
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
  std::vector<CsvRow> rules, itemsets;
  for (const Rule& r : mining_.rules) rules.push_back(RuleRow(items_, mining_, r));
  for (const Itemset& s : mining_.itemsets) itemsets.push_back(ItemsetRow(items_, mining_, s));
  return SheetsOf(
      {TableFromRows("关联规则",
                     label_count_.empty() ? "关联规则" : "关联规则（" + label_count_ + "）",
                     RuleHeader(), rules),
       TableFromRows("频繁项集", "频繁项集", ItemsetHeader(), itemsets)});
}

Outcome AssociationRulesWindow::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, kCaption, ExcelSheets());
}

const CsvRow& RuleHeader() {
  static const CsvRow header(kHeaders.begin(), kHeaders.end());
  return header;
}

void WriteRuleFiles(Session& session, const Transactions& items, const RuleMining& mining) {
  CsvWriter rules(session.Path(AssociationRulesWindow::kRuleFile));
  rules.Row(RuleHeader());
  for (const Rule& r : mining.rules) rules.Row(RuleRow(items, mining, r));
  CsvWriter itemsets(session.Path(AssociationRulesWindow::kItemsetFile));
  itemsets.Row(ItemsetHeader());
  for (const Itemset& s : mining.itemsets) itemsets.Row(ItemsetRow(items, mining, s));
  rules.Flush();
  itemsets.Flush();

  // Two renames cannot be one: the old rule file is set aside until the itemset file is in
  // place, and put back if that fails, so the pair always comes from one run.
  const std::filesystem::path rule_file = session.Path(AssociationRulesWindow::kRuleFile);
  std::filesystem::path kept = rule_file;
  kept += ".old";
  std::error_code ec;
  std::filesystem::rename(rule_file, kept, ec);
  const bool had_old = !ec;
  try {
    rules.Commit();
    itemsets.Commit();
  } catch (const FileError&) {
    if (had_old) {
      std::filesystem::rename(kept, rule_file, ec);
    } else {
      std::filesystem::remove(rule_file, ec);
    }
    throw;
  }
  if (had_old) std::filesystem::remove(kept, ec);
}

Outcome AssociationRulesWindow::Cmd_Run_Click() {
  ParsedThresholds parsed = ParseThresholds(min_support_, min_confidence_, min_lift_, max_size_);
  if (!parsed.thresholds) return Refuse(session_, parsed.message);
  const RuleThresholds& th = *parsed.thresholds;
  return Guard(session_, [&]() -> Outcome {
    std::error_code ec;
    if (!std::filesystem::exists(session_.Path(kResultFilePath), ec))
      return Refuse(session_, kNoDataMessage);
    Transactions items = HerbTransactionsOfResultSet(session_);
    const auto n = static_cast<std::int64_t>(items.N());
    if (n == 0) return Refuse(session_, kNoDataMessage);
    const std::int64_t min_count = MinSupportCount(th.min_support, n);
    if (min_count > n)
      return Refuse(session_, "最小支持度计数 " + std::to_string(min_count) + " 超过了方剂数 " +
                                  std::to_string(n) + "，无法分析。请降低最小支持度。");
    RuleMining mining = MineRules(items, min_count, th.max_size, th.min_confidence, th.min_lift);
    if (mining.too_many)
      return Refuse(session_, "频繁项集超过 " + std::to_string(kMaxItemsets) +
                                  " 个，请提高最小支持度或减小最大规则长度。");
    WriteRuleFiles(session_, items, mining);

    items_ = std::move(items);
    mining_ = std::move(mining);
    sort_column_ = -1;
    sort_descending_ = true;
    label_count_ = "事务数：" + std::to_string(n) + "　最小支持度计数：" +
                   std::to_string(min_count) + "　频繁项集：" +
                   std::to_string(mining_.itemsets.size()) + "　关联规则：" +
                   std::to_string(mining_.rules.size());
    if (mining_.rules.size() > static_cast<std::size_t>(kMaxGridRules))
      label_count_ += "（表中显示前 " + std::to_string(kMaxGridRules) + " 条）";
    FillGrid();
    Changed();
    return Outcome::kDone;
  });
}

void AssociationRulesWindow::FlexGrid_Click() {
  if (grid_.Row() == 0) SortByColumn(grid_.Col());
}

void AssociationRulesWindow::SortByColumn(int column) {
  if (column < 0 || column >= kColumns) return;
  if (column == sort_column_) {
    sort_descending_ = !sort_descending_;
  } else {
    sort_column_ = column;
    sort_descending_ = column != kAntecedent && column != kConsequent;
  }
  const Transactions& t = items_;
  auto key = [&](const Rule& a, const Rule& b) -> int {
    switch (column) {
      case kAntecedent: return AntecedentText(t, a).compare(AntecedentText(t, b));
      case kConsequent: return t.names[a.consequent].compare(t.names[b.consequent]);
      case kCount:
      case kSupport: return a.count < b.count ? -1 : a.count > b.count ? 1 : 0;
      case kConfidence: return CompareConfidence(a, b);
      default: return CompareLift(a, b);
    }
  };
  const bool descending = sort_descending_;
  std::sort(mining_.rules.begin(), mining_.rules.end(), [&](const Rule& a, const Rule& b) {
    if (int c = key(a, b)) return descending ? c > 0 : c < 0;
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
