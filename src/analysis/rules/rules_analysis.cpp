#include "analysis/rules/rules_analysis.h"

#include <array>
#include <charconv>

#include "analysis/formula_set_actions.h"
#include "analysis/result_data.h"
#include "analysis/rules/rules_window.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/session.h"

namespace lindora {
namespace {

constexpr std::array<std::string_view, 6> kHeaders = {"前项",      "后项",   "支持度计数",
                                                      "支持度(%)", "置信度", "提升度"};
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kWriteChunk = 1 << 20;

// Rows are appended to a temporary file in chunks, so a large table never sits in memory twice.
class CsvWriter {
 public:
  explicit CsvWriter(AtomicFile& file) : file_(file) { bytes_ = kByteOrderMark; }
  void Row(const CsvRow& row) {
    bytes_ += CsvLine(row);
    EndRow();
  }
  // For rows appended to Bytes() directly.
  std::string& Bytes() { return bytes_; }
  void EndRow() {
    bytes_ += "\r\n";
    if (bytes_.size() >= kWriteChunk) Flush();
  }
  void Flush() {
    file_.WriteBytes(bytes_);
    bytes_.clear();
  }

 private:
  AtomicFile& file_;
  std::string bytes_;
};

// The rows of both files, with the texts of the herbs checked once: a rule or itemset of herbs
// whose names a CSV file takes as they are is written without a row of temporary strings.
class RuleRows {
 public:
  RuleRows(const Transactions& items, const RuleMining& mining) : items_(items), mining_(mining) {
    plain_.reserve(items.names.size());
    // A name the CSV field leaves unchanged when it opens a joined text: no control character,
    // nothing to quote, no formula character first. Texts joined from such names are as well.
    for (const std::string& name : items.names) {
      const std::string opening = name + "、";
      plain_.push_back(CsvField(opening) == opening);
    }
  }

  void Write(CsvWriter& out, const Rule& r) const {
    if (!Plain(r.antecedent.data(), r.antecedent_size) || !plain_[r.consequent]) {
      out.Row(RuleRow(items_, mining_, r));
      return;
    }
    std::string& b = out.Bytes();
    Names(b, r.antecedent.data(), r.antecedent_size);
    b += ',';
    b += items_.names[r.consequent];
    b += ',';
    Integer(b, r.count);
    b += ',';
    AppendSupportPercent(b, r.count, mining_.n);
    b += ',';
    AppendConfidence(b, r);
    b += ',';
    AppendLift(b, r, mining_.n);
    out.EndRow();
  }

  void Write(CsvWriter& out, const Itemset& s) const {
    if (!Plain(s.items.data(), s.size)) {
      out.Row({ItemsetText(items_, s), std::to_string(s.size), std::to_string(s.count),
               SupportPercentText(s.count, mining_.n)});
      return;
    }
    std::string& b = out.Bytes();
    Names(b, s.items.data(), s.size);
    b += ',';
    Integer(b, s.size);
    b += ',';
    Integer(b, s.count);
    b += ',';
    AppendSupportPercent(b, s.count, mining_.n);
    out.EndRow();
  }

 private:
  bool Plain(const ItemId* ids, int size) const {
    for (int i = 0; i < size; ++i)
      if (!plain_[ids[i]]) return false;
    return true;
  }
  // As ItemsetText and AntecedentText join them.
  void Names(std::string& b, const ItemId* ids, int size) const {
    for (int i = 0; i < size; ++i) {
      if (i) b += "、";
      b += items_.names[ids[i]];
    }
  }
  static void Integer(std::string& b, std::int64_t v) {
    char buf[24];
    b.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }

  const Transactions& items_;
  const RuleMining& mining_;
  std::vector<bool> plain_;  // by item id
};

}  // namespace

CsvRow RuleRow(const Transactions& items, const RuleMining& mining, const Rule& r) {
  return {AntecedentText(items, r), items.names[r.consequent],
          std::to_string(r.count),  SupportPercentText(r.count, mining.n),
          ConfidenceText(r),        LiftText(r, mining.n)};
}

const CsvRow& RuleHeader() {
  static const CsvRow header(kHeaders.begin(), kHeaders.end());
  return header;
}

void WriteRuleFiles(Session& session, const Transactions& items, const RuleMining& mining) {
  // The rule and itemset files are one unit: both from this run or both from the last.
  AtomicFileSet files;
  const RuleRows rows(items, mining);
  CsvWriter rules(files.Add(session.Path(kRuleFile)));
  rules.Row(RuleHeader());
  for (const Rule& r : mining.rules) rows.Write(rules, r);
  CsvWriter itemsets(files.Add(session.Path(kItemsetFile)));
  itemsets.Row({"项集", "项数", "支持度计数", "支持度(%)"});
  for (const Itemset& s : mining.itemsets) rows.Write(itemsets, s);
  rules.Flush();
  itemsets.Flush();
  files.Commit();
}

RuleResult RunAssociationRules(Session& session, const RuleOptions& options) {
  RuleResult result;
  ParsedThresholds parsed = ParseThresholds(options.min_support, options.min_confidence,
                                            options.min_lift, options.max_size);
  if (!parsed.thresholds) {
    result.outcome = Refuse(session, parsed.message);
    return result;
  }
  const RuleThresholds& th = *parsed.thresholds;
  result.outcome = Guard(session, [&]() -> Outcome {
    if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
    Transactions items = HerbTransactionsOfResultSet(session);
    const auto n = static_cast<std::int64_t>(items.N());
    if (n == 0) return Refuse(session, kNoDataMessage);
    const std::int64_t min_count = MinSupportCount(th.min_support, n);
    if (min_count > n)
      return Refuse(session, "最小支持度计数 " + std::to_string(min_count) + " 超过了方剂数 " +
                                 std::to_string(n) + "，无法分析。请降低最小支持度。");
    RuleMining mining = MineRules(items, min_count, th.max_size, th.min_confidence, th.min_lift);
    if (mining.too_many)
      return Refuse(session, "频繁项集超过 " + std::to_string(kMaxItemsets) +
                                 " 个，请提高最小支持度或减小最大规则长度。");
    WriteRuleFiles(session, items, mining);
    result.items = std::move(items);
    result.mining = std::move(mining);
    return Outcome::kDone;
  });
  return result;
}

std::string RuleMethodsZh(const RuleResult& result, const RuleOptions& options) {
  return "关联规则：以每首方剂所含的不同药物为一个事务（同一方中重复列出者只计一次），共" +
         std::to_string(result.mining.n) +
         "个事务。项集的支持度计数为包含其全部药物的方剂数，支持度为支持度计数与事务数之比"
         "。以最小支持度" +
         options.min_support + "（支持度计数不少于" + std::to_string(result.mining.min_count) +
         "）用Eclat算法精确挖掘不超过" + options.max_size +
         "味药的全部频繁项集；规则X→y的后项y为单味药，置信度=支持度计数(X∪{y})/"
         "支持度计数(X)，提升度=置信度/支持度(y)；保留置信度不低于" +
         options.min_confidence + "且提升度不低于" + options.min_lift +
         "的规则。规则按置信度、支持度计数、提升度降序排列（以精确分数比较）。";
}

std::string RuleMethodsEn(const RuleResult& result, const RuleOptions& options) {
  return "Association rules: each formula was one transaction holding its distinct herbs (a "
         "herb listed twice counts once); N = " +
         std::to_string(result.mining.n) +
         ". The support count of an itemset is the number of formulas containing all its herbs, "
         "its support the support count divided by N. All frequent itemsets of up to " +
         options.max_size + " herbs with a minimum support of " + options.min_support +
         " (support count at least " + std::to_string(result.mining.min_count) +
         ") were mined exactly with the Eclat algorithm. A rule X → y has a single herb y; "
         "confidence = support count(X ∪ {y}) / support count(X), lift = confidence / "
         "support(y). Rules with confidence at least " +
         options.min_confidence + " and lift at least " + options.min_lift +
         " were kept, ordered by confidence, support count and lift, descending (compared as "
         "exact fractions).";
}

AnalysisOutput RuleOutput(const RuleResult& result, const RuleOptions& options) {
  AnalysisOutput out;
  const RuleMining& m = result.mining;
  ResultTable rules{"rules", "关联规则", RuleHeader(), {}};
  for (const Rule& r : m.rules) {
    CsvRow row = RuleRow(result.items, m, r);
    rules.rows.push_back(
        {TableCell::Text(row[0]), TableCell::Text(row[1]),
         TableCell::Number(static_cast<double>(r.count)), TableCell::Number(std::stod(row[3]), 2),
         TableCell::Number(std::stod(row[4]), 4), TableCell::Number(std::stod(row[5]), 4)});
    // The texts stay those of the file: exact fractions rounded once.
    for (std::size_t c = 3; c < 6; ++c) rules.rows.back()[c].text = row[c];
  }
  ResultTable itemsets{"itemsets", "频繁项集", {"项集", "项数", "支持度计数", "支持度(%)"}, {}};
  for (const Itemset& s : m.itemsets) {
    TableCell support = TableCell::Number(0, 2);
    support.text = SupportPercentText(s.count, m.n);
    support.number = std::stod(support.text);
    itemsets.rows.push_back({TableCell::Text(ItemsetText(result.items, s)),
                             TableCell::Number(s.size),
                             TableCell::Number(static_cast<double>(s.count)), support});
  }
  out.tables = {std::move(rules), std::move(itemsets)};
  out.files = {std::string(kRuleFile), std::string(kItemsetFile)};
  out.summary = "事务数：" + std::to_string(m.n) + "　最小支持度计数：" +
                std::to_string(m.min_count) + "　频繁项集：" + std::to_string(m.itemsets.size()) +
                "　关联规则：" + std::to_string(m.rules.size());
  out.methods_zh = RuleMethodsZh(result, options);
  out.methods_en = RuleMethodsEn(result, options);
  return out;
}

AnalysisDescriptor AssociationRuleAnalysis() {
  AnalysisDescriptor d;
  d.key = "rules";
  d.caption = "方剂关联规则分析";
  d.menu_name = "Menu_AssociationRules";
  d.menu_caption = "方剂关联规则分析";
  const RuleOptions defaults;
  // Texts: the engine reads them exactly (a percentage or a count, fractions compared
  // exactly) and says what is wrong with the first it cannot use.
  d.options = {
      AnalysisOption::Text("min-support", "最小支持度", defaults.min_support),
      AnalysisOption::Text("min-confidence", "最小置信度", defaults.min_confidence),
      AnalysisOption::Text("min-lift", "最小提升度", defaults.min_lift),
      AnalysisOption::Text("max-size", "规则最多药味数", defaults.max_size),
  };
  d.files = {std::string(kRuleFile), std::string(kItemsetFile)};
  d.usage = "rules [--min-support P%|COUNT] [--min-confidence C] [--min-lift L] [--max-size K]";
  d.help =
      "mines the herbs of the current result set (\\Result\\Result.DB) for association rules, "
      "prints the counts and the rule table (at most 1000 rules) and writes all rules to "
      "\\Result\\关联规则.csv and the frequent itemsets to \\Result\\频繁项集.csv; defaults: " +
      defaults.min_support + ", " + defaults.min_confidence + ", " + defaults.min_lift + ", " +
      defaults.max_size;
  d.report_title = "关联规则";
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    RuleOptions options{values.at("min-support"), values.at("min-confidence"),
                        values.at("min-lift"), values.at("max-size")};
    RuleResult r = RunAssociationRules(session, options);
    if (r.outcome == Outcome::kDone) output = RuleOutput(r, options);
    return r.outcome;
  };
  d.open = AssociationRulesOfResults;
  return d;
}

}  // namespace lindora
