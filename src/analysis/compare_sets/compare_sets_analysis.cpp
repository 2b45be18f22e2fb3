#include "analysis/compare_sets/compare_sets_analysis.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <future>
#include <optional>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/result_sets.h"
#include "common/csv.h"
#include "common/session.h"
#include "common/text.h"
#include "common/workbook.h"

namespace lindora {
namespace {

// A count typed by the user: 0 to kMaxMinCount.
std::optional<std::int64_t> ParseCount(std::string_view text) {
  std::optional<std::int64_t> count = ReadWholeNumber(text);
  if (!count || *count < 0 || *count > kMaxMinCount || Trim(text).starts_with('-'))
    return std::nullopt;
  return count;
}

std::string Describe(std::string_view name, std::int64_t formulas) {
  return SetChoiceCaption(name) + "（" + std::to_string(formulas) + " 首方剂）";
}

}  // namespace

std::string SetChoiceCaption(std::string_view name) {
  return name == kCurrentSetName ? std::string(kCurrentSetCaption) : std::string(name);
}

SetComparisonResult RunSetComparison(Session& session, const SetComparisonOptions& options) {
  SetComparisonResult result;
  result.options = options;
  const std::string& set_a = result.options.set_a = Trim(options.set_a);
  const std::string& set_b = result.options.set_b = Trim(options.set_b);
  std::optional<std::int64_t> min_count = ParseCount(options.min_count);
  if (!min_count) {
    result.outcome =
        Refuse(session, "最小计数必须是不小于 0 的整数，“" + options.min_count + "”不是。");
    return result;
  }
  if (set_a.empty() || set_b.empty()) {
    result.outcome = Refuse(session, "请选择结果集 A 和结果集 B。");
    return result;
  }
  result.outcome = Guard(session, [&]() -> Outcome {
    namespace fs = std::filesystem;
    for (const std::string& name : {set_a, set_b}) {
      if (name == kCurrentSetName) continue;
      const bool usable_name = CheckSetName(name).empty();
      std::error_code ec;
      // A link to a lost file still names a set: reading it reports why it cannot be read.
      if (usable_name && fs::exists(fs::symlink_status(SetFile(session, name), ec))) continue;
      if (!usable_name || !fs::exists(SetHistoryFile(session, name), ec))
        return Refuse(session, "找不到结果集“" + name + "”。");
      session.ReportFailure(OrphanHistoryMessage(name));
      return Outcome::kFailed;
    }
    if (SetFile(session, set_a) == SetFile(session, set_b))
      return Refuse(session, "结果集 A 和结果集 B 是同一个结果集，请选择两个不同的结果集。");

    // The two sets are standardised and read side by side: they share no file.
    const ItemKind kind = options.kind;
    std::future<Transactions> later_b =
        std::async(std::launch::async, [&] { return SetTransactions(session, set_b, kind); });
    Transactions a = SetTransactions(session, set_a, kind);
    Transactions b = later_b.get();
    for (auto [name, t] : {std::pair{&set_a, &a}, std::pair{&set_b, &b}})
      if (t->N() == 0)
        return Refuse(session, "结果集“" + SetChoiceCaption(*name) + "”中没有可比较的方剂。");

    SetComparison comparison = CompareTransactions(a, b, *min_count);
    result.shared = SharedFormulaCount(SetFile(session, set_a), SetFile(session, set_b));
    // Doses are read from the sets' own compositions: the standardised copies drop them.
    result.doses.table = options.dose_table;
    if (options.doses)
      result.doses = CompareDoses(CollectDosesOfFile(SetFile(session, set_a), options.dose_table),
                                  CollectDosesOfFile(SetFile(session, set_b), options.dose_table));
    std::vector<CsvRow> rows{ComparisonHeader()};
    for (const ItemComparison& item : comparison.items)
      rows.push_back(ComparisonCells(item, /*scientific_p=*/true));
    if (result.shared > 0) rows.push_back({"# " + SharedFormulaWarning(result.shared)});
    WriteCsvFile(session.Path(kComparisonFile), rows);
    if (options.doses) {
      std::vector<CsvRow> dose_rows{DoseComparisonHeader()};
      for (const HerbDoseComparison& item : result.doses.items)
        dose_rows.push_back(DoseComparisonCells(item));
      WriteCsvFile(session.Path(kDoseComparisonFile), dose_rows);
    }

    result.summary = "A：" + Describe(set_a, comparison.n_a) + "    B：" +
                     Describe(set_b, comparison.n_b) + "    " +
                     (kind == ItemKind::kHerbs ? "中药" : "症状") + "：检验 " +
                     std::to_string(comparison.items.size()) + " 项（A、B 合计出现不少于 " +
                     std::to_string(*min_count) + " 次）";
    if (result.shared > 0) result.summary += "\n⚠ " + SharedFormulaWarning(result.shared);
    if (options.doses)
      result.summary += "    剂量：检验 " + std::to_string(result.doses.items.size()) + " 项（" +
                        std::string(DoseTableOf(options.dose_table).caption) + "）";
    // Sets from two libraries compare two collections, which the reader must be told.
    if (const std::string la = SetLibrary(session, set_a), lb = SetLibrary(session, set_b);
        la != lb)
      result.summary += "    注意：A 来自方剂库“" + la + "”，B 来自方剂库“" + lb + "”";
    result.comparison = std::move(comparison);
    return Outcome::kDone;
  });
  return result;
}

std::string SharedFormulaWarning(std::int64_t shared) {
  return "注意：结果集 A 与 B 有 " + std::to_string(shared) +
         " 首相同的方剂。Fisher 精确检验假定两组方剂互不重叠，共有的方剂使 P 值与 Q 值偏大或偏小，"
         "结论仅供参考；请比较互不重叠的结果集（如用“在结果中排除”得到的集合）。";
}

BarChart ComparisonChart(const SetComparison& comparison, std::string_view set_a,
                         std::string_view set_b, ItemKind kind) {
  BarChart chart;
  const std::size_t n = std::min<std::size_t>(kComparisonChartItems, comparison.items.size());
  chart.title =
      n == 0 ? "尚无比较结果" : "Q 值最小的 " + std::to_string(n) + " 项：含该项的方剂占比(%)";
  chart.category_axis = kind == ItemKind::kHerbs ? "中药" : "症状";
  chart.value_axis = "方剂占比(%)";
  chart.horizontal = true;
  chart.value_max = 100;  // a share of formulas
  if (n == 0) return chart;
  BarSeries a{"A：" + SetChoiceCaption(set_a), {}}, b{"B：" + SetChoiceCaption(set_b), {}};
  // Bars carry their numbers: the rates as the grid shows them, with two decimals.
  auto shown = [](double rate) { return std::round(rate * 100) / 100; };
  for (std::size_t i = 0; i < n; ++i) {
    const ItemComparison& item = comparison.items[i];
    chart.categories.push_back(item.name);
    a.values.push_back(shown(item.rate_a));
    b.values.push_back(shown(item.rate_b));
  }
  chart.series = {std::move(a), std::move(b)};
  return chart;
}

std::string ComparisonMethodsZh(const SetComparisonResult& result) {
  const SetComparison& c = result.comparison;
  const bool symptoms = result.options.kind == ItemKind::kSymptoms;
  return "结果集比较：结果集A（" + SetChoiceCaption(result.options.set_a) + "，" +
         std::to_string(c.n_a) + "首）与结果集B（" + SetChoiceCaption(result.options.set_b) + "，" +
         std::to_string(c.n_b) + "首）中，对A、B合计出现不少于" + std::to_string(c.min_count) +
         "次的每个" + (symptoms ? "症状" : "药物") +
         "，以含该项的方剂数构成2×2列联表，用Fisher精确检验（双侧，概率不大于观察表者之和，"
         "相对容差1e-"
         "7，对数空间计算）求P值，以Benjamini–Hochberg法校正为Q值；比值比在有零格时各格加0.5。";
}

std::string ComparisonMethodsEn(const SetComparisonResult& result) {
  const SetComparison& c = result.comparison;
  const bool symptoms = result.options.kind == ItemKind::kSymptoms;
  return "Comparison of result sets: for every " + std::string(symptoms ? "symptom" : "herb") +
         " occurring at least " + std::to_string(c.min_count) + " times in set A (" +
         std::to_string(c.n_a) + " formulas) and set B (" + std::to_string(c.n_b) +
         " formulas) together, the numbers of formulas containing it formed a 2×2 table; "
         "the two-sided p-value of Fisher's exact test (sum of the probabilities of all "
         "tables no more probable than the observed one, relative tolerance 1e-7, "
         "computed in log space) was corrected for multiple testing by the "
         "Benjamini–Hochberg procedure (q-values); the odds ratio adds 0.5 to every cell "
         "when a cell is 0.";
}

std::string DoseComparisonMethodsZh(const DoseComparison& d) {
  return "剂量比较：对两个结果集中都有剂量的每味中药（重量按" +
         std::string(DoseTableOf(d.table).rules) +
         "换算为克，计数和容量单位分别比较），比较两组每方剂量的中位数，用Mann–Whitney "
         "U检验（双侧；两组合计不超过" +
         std::to_string(kExactMannWhitneyLimit) +
         "个值时按含结的精确置换分布：合并样本取平均秩，A组秩和距其均值不小于观察值的分组数占全部分"
         "组"
         "数之比；否则用含结校正方差与0.5连续性校正的正态近似，全部值相同时P = 1）求P值，以"
         "Benjamini–Hochberg法跨中药校正为Q值；U为A组的U（A组值大于B组值的对数，相等记½）。";
}

std::string DoseComparisonMethodsEn(const DoseComparison& d) {
  return "Dose comparison: for every herb dosed in both sets (weights converted to grams with "
         "the " +
         std::string(DoseTableOf(d.table).rules_en) +
         " table; count and volume units compared separately), the per-formula doses were "
         "compared with the two-sided Mann-Whitney U test (exact permutation distribution, ties "
         "included, up to " +
         std::to_string(kExactMannWhitneyLimit) +
         " values in all: the share of all splits of the pooled mid-ranks whose rank sum of A lies "
         "at least as far from its mean as the observed one; otherwise the normal approximation "
         "with the tie-corrected variance and a continuity correction of 0.5, p = 1 when all "
         "values are equal), and the p-values were adjusted across herbs by the "
         "Benjamini-Hochberg procedure; U is that of set A (pairs with A's value above B's, "
         "ties counting ½).";
}

AnalysisOutput SetComparisonOutput(const SetComparisonResult& result) {
  AnalysisOutput out;
  ResultTable table{"comparison", "结果集比较", ComparisonHeader(), {}};
  for (const ItemComparison& item : result.comparison.items) {
    CsvRow cells = ComparisonCells(item);
    std::vector<TableCell> row;
    // The name stays text; rates, odds ratios and P/Q values become numbers with the decimals
    // shown ("< 0.0001" and an infinite odds ratio stay text).
    row.push_back(TableCell::Text(cells[0]));
    for (std::size_t c = 1; c < cells.size(); ++c) row.push_back(CellFromText(cells[c]));
    row[1] = TableCell::Number(static_cast<double>(item.a));
    row[3] = TableCell::Number(static_cast<double>(item.b));
    table.rows.push_back(std::move(row));
  }
  out.tables.push_back(std::move(table));
  out.files = {std::string(kComparisonFile)};
  out.summary = result.summary;
  out.methods_zh = ComparisonMethodsZh(result);
  out.methods_en = ComparisonMethodsEn(result);
  if (result.options.doses) {
    ResultTable doses{"dose-comparison", "剂量比较", DoseComparisonHeader(), {}};
    for (const HerbDoseComparison& item : result.doses.items) {
      std::vector<TableCell> row;
      for (const std::string& cell : DoseComparisonCells(item))
        row.push_back(row.empty() ? TableCell::Text(cell) : CellFromText(cell));
      doses.rows.push_back(std::move(row));
    }
    out.tables.push_back(std::move(doses));
    out.files.emplace_back(kDoseComparisonFile);
    out.methods_zh += DoseComparisonMethodsZh(result.doses);
    out.methods_en += " " + DoseComparisonMethodsEn(result.doses);
  }
  return out;
}

AnalysisDescriptor SetComparisonAnalysis() {
  AnalysisDescriptor d;
  d.key = "compare-sets";
  d.caption = "结果集比较";
  d.menu_name = "Menu_CompareSets";
  d.menu_caption = "结果集比较…";
  d.menu_group = MenuGroup::kSavedSets;
  const SetComparisonOptions defaults;
  // As the console and the report: the table left to the library unless one is named.
  std::vector<std::string> tables{std::string(kLibraryDoseTableKey)};
  for (const DoseTableInfo& info : DoseTables()) tables.emplace_back(info.key);
  d.options = {
      AnalysisOption::Text("a", "结果集 A", defaults.set_a),
      AnalysisOption::Text("b", "结果集 B", defaults.set_b),
      AnalysisOption::Choice("items", "比较",
                             defaults.kind == ItemKind::kSymptoms ? "symptoms" : "herbs",
                             {"herbs", "symptoms"}),
      AnalysisOption::Whole("min-count", "最小计数", kDefaultMinCount, 0, kMaxMinCount),
      AnalysisOption::Choice("doses", "比较剂量", defaults.doses ? "yes" : "no", {"no", "yes"}),
      AnalysisOption::Choice("table", "剂量换算表", std::string(kLibraryDoseTableKey), tables),
  };
  d.files = {std::string(kComparisonFile)};
  d.usage =
      "compare-sets A B [--symptoms] [--min-count K] [--png FILE] [--doses] "
      "[--table library|modern|han-13.8|han-15.625]";
  d.help =
      "compares the herbs (or symptoms) of two result sets with Fisher's exact test and "
      "Benjamini-Hochberg q-values, writes \\Result\\结果集比较.csv and prints the grid; "
      "--png also draws the chart; --doses also compares the doses of the herbs dosed in both "
      "sets (medians, Mann-Whitney U, Benjamini-Hochberg) and writes \\Result\\剂量比较.csv";
  d.report_key = "comparison";
  d.report_title = "结果集比较";
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    SetComparisonOptions options{
        values.at("a"), values.at("b"),
        values.at("items") == "symptoms" ? ItemKind::kSymptoms : ItemKind::kHerbs,
        values.at("min-count")};
    if (auto it = values.find("doses"); it != values.end()) options.doses = it->second == "yes";
    if (auto it = values.find("table"); it != values.end())
      options.dose_table = DoseTableFromKey(it->second).value_or(DefaultDoseTable(session));
    SetComparisonResult r = RunSetComparison(session, options);
    if (r.outcome == Outcome::kDone) output = SetComparisonOutput(r);
    return r.outcome;
  };
  d.open = OpenSetComparison;
  return d;
}

}  // namespace lindora
