#include "report/analysis_report.h"

#include <algorithm>
#include <array>
#include <ctime>

#include "analysis/compare_sets_analysis.h"
#include "analysis/herb_frequency.h"
#include "analysis/network_analysis.h"
#include "analysis/result_data.h"
#include "analysis/rule_analysis.h"
#include "analysis/symptom_analysis.h"
#include "analysis/symptom_chart.h"
#include "analysis/transactions.h"
#include "common/analysis_list.h"
#include "common/data_source_notice.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "common/version.h"
#include "formula/formula_db.h"
#include "herb/herb_charts.h"
#include "herb/herb_types.h"
#include "report/report_workbook.h"

namespace lindora {
namespace {

struct SectionInfo {
  ReportSection section;
  std::string_view key;
  std::string_view title;
};

constexpr std::array<SectionInfo, 7> kSections = {{
    {ReportSection::kData, "data", "数据与检索"},
    {ReportSection::kHerbs, "herbs", "药物频次"},
    {ReportSection::kTypes, "types", "药物类型分布"},
    {ReportSection::kRules, "rules", "关联规则"},
    {ReportSection::kNetwork, "network", "药物网络"},
    {ReportSection::kSymptoms, "symptoms", "病症频次"},
    {ReportSection::kComparison, "comparison", "结果集比较"},
}};

// Pictures are drawn at these sizes and scaled to the text width of an A4 page, where their
// labels stay readable.
constexpr int kChartWidth = 800, kChartHeight = 1000;
constexpr int kNetworkWidth = 860, kNetworkHeight = 660;

// The herbs the single-herb window lists after a herb frequency run.
constexpr std::size_t kTypedHerbs = 100;

// Builds the document section by section; each step reports progress and adds blocks and
// methods sentences.
class ReportBuilder {
 public:
  ReportBuilder(Session& session, const ReportOptions& options, PictureWriter& pictures)
      : session_(session), options_(options), pictures_(pictures) {}

  void Data(std::int64_t formulas) {
    Section(ReportSection::kData);
    std::string history = session_.SearchHistory.empty()
                              ? "（无：结果集来自方剂列表导入或相关方剂检索）"
                              : session_.SearchHistory;
    doc_.Table({"项目", "内容"}, {{"方剂数据文件", "DB/Fangji.DB"},
                                  {"检索历史", history},
                                  {"结果集方剂数", std::to_string(formulas)},
                                  {"报告日期", options_.date}});
    doc_.Paragraph("数据来源与许可：");
    doc_.Preformatted(ReplaceAll(DataSourceNoticeText(), "\r\n", "\n"));
  }

  void Herbs(const HerbTable& table) {
    Section(ReportSection::kHerbs);
    doc_.Paragraph("共" + std::to_string(table.NumCM()) + "味中药，下表列出频数最高的" +
                   std::to_string(std::min<std::size_t>(table.NumCM(), Top())) +
                   "味（全部药物见 Result/Yaodui_Analysis1.txt）。");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < table.NumCM() && i < Top(); ++i)
      rows.push_back({std::to_string(i + 1), table.CM[i], std::to_string(table.CountCM[i])});
    AddChart("herbs.png", HerbFrequencyChart(TopItemsChart(table.CM, table.CountCM, kChartTop)),
             "图：药物频次");
    doc_.Table({"序号", "中药名", "频数"}, std::move(rows));
  }

  void Types(const HerbTable& table) {
    Section(ReportSection::kTypes);
    std::vector<std::string> names(
        table.CM.begin(),
        table.CM.begin() + static_cast<std::ptrdiff_t>(std::min(table.NumCM(), kTypedHerbs)));
    std::vector<int> types = HerbTypeNosByName(session_, names);
    std::vector<TypedHerb> herbs;
    for (std::size_t i = 0; i < names.size(); ++i)
      herbs.push_back({names[i], static_cast<int>(table.CountCM[i]), types[i]});
    std::vector<HerbTypeGroup> groups = GroupHerbsByType(herbs, 0);
    doc_.Paragraph("频数最高的" + std::to_string(names.size()) +
                   "味中药（单味药窗口所列）按中药类型归类：");
    std::vector<std::vector<std::string>> rows;
    for (const HerbTypeGroup& g : groups) {
      std::string list;
      for (const TypedHerb& h : g.herbs)
        list += (list.empty() ? "" : "、") + h.name + "(" + std::to_string(h.frequency) + ")";
      rows.push_back({g.type_name, std::to_string(g.herbs.size()), list});
    }
    AddChart("types.png", HerbTypeChart(types), "图：药物类型分布");
    doc_.Table({"类型", "药味数", "药物（频数）"}, std::move(rows));
  }

  // Rules and comparison run before anything else is written, so that thresholds or sets the
  // data cannot meet are refused before the herb and network files change.
  Outcome PrepareRules() {
    rules_ =
        RunAssociationRules(session_, RuleOptions{options_.min_support, options_.min_confidence,
                                                  options_.min_lift, options_.max_size});
    return rules_.outcome;
  }

  // The rule table of the rule engine's run (its two files are written).
  void Rules() {
    const RuleMining& mining = rules_.mining;
    const std::int64_t min_count = mining.min_count;
    Section(ReportSection::kRules);
    doc_.Paragraph("阈值：最小支持度 " + options_.min_support + "（支持度计数 ≥ " +
                   std::to_string(min_count) + "），最小置信度 " + options_.min_confidence +
                   "，最小提升度 " + options_.min_lift + "，规则最多 " + options_.max_size +
                   " 味药。共得频繁项集 " + std::to_string(mining.itemsets.size()) +
                   " 个、关联规则 " + std::to_string(mining.rules.size()) + " 条，下表列出前" +
                   std::to_string(std::min(mining.rules.size(), Top())) +
                   " 条（全部见 Result/关联规则.csv 与 Result/频繁项集.csv）。");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < mining.rules.size() && i < Top(); ++i)
      rows.push_back(RuleRow(rules_.items, mining, mining.rules[i]));
    doc_.Table(RuleHeader(), std::move(rows));
    const RuleOptions rule_options{options_.min_support, options_.min_confidence, options_.min_lift,
                                   options_.max_size};
    zh_.push_back(RuleMethodsZh(rules_, rule_options));
    en_.push_back(RuleMethodsEn(rules_, rule_options));
  }

  Outcome Network() {
    Section(ReportSection::kNetwork);
    const NetworkThresholds& t = options_.network;
    NetworkResult run = RunHerbNetwork(session_, NetworkOptions{t});
    if (run.outcome != Outcome::kDone) return run.outcome;
    const HerbNetwork& network = run.network;
    const std::string nodes_rule = NodeRuleZh(t);
    if (network.edges.empty()) {
      doc_.Paragraph("节点为" + nodes_rule + "；没有共同出现至少" + std::to_string(t.min_edge) +
                     "次的药对，未绘制网络。");
      return Outcome::kDone;
    }
    NetworkPicture picture = PictureOf(network);
    doc_.Paragraph("节点 " + std::to_string(network.nodes.size()) + " 个（" + nodes_rule +
                   "），边 " + std::to_string(network.edges.size()) + " 条（共同出现至少" +
                   std::to_string(t.min_edge) + "次），社区 " +
                   std::to_string(network.communities) +
                   " 个。文件：Result/药物网络.gexf、.graphml、_节点.csv、_边.csv、.png、.svg。");
    doc_.Figure("network.png", pictures_.NetworkPng(picture, kNetworkWidth, kNetworkHeight),
                "图：药物网络（节点大小示频数，边宽示共同出现次数，颜色示社区）");
    std::vector<std::vector<std::string>> legend;
    std::vector<std::string> colors;
    for (int c = 1; c <= network.communities; ++c) {
      std::string members;
      for (const NetworkNode& node : network.nodes)
        if (node.community == c) members += (members.empty() ? "" : "、") + node.name;
      legend.push_back({std::to_string(c), members});
      colors.push_back(HexColor(CommunityColor(c)));
    }
    doc_.Table({"社区", "药物"}, std::move(legend), std::move(colors));
    // The node file's rows as they stand, without its Label column (the same as Id).
    std::vector<CsvRow> table = NodeTable(network);
    for (CsvRow& row : table) row.erase(row.begin() + 1);
    CsvRow header = table.front();
    table.erase(table.begin());
    doc_.Table(std::move(header), std::move(table));
    zh_.push_back(NetworkMethodsZh(t));
    en_.push_back(NetworkMethodsEn(t));
    return Outcome::kDone;
  }

  Outcome PrepareComparison() {
    comparison_ = RunSetComparison(
        session_,
        SetComparisonOptions{options_.compare_a, options_.compare_b,
                             options_.compare_symptoms ? ItemKind::kSymptoms : ItemKind::kHerbs,
                             options_.compare_min_count});
    return comparison_.outcome;
  }

  void Comparison() {
    Section(ReportSection::kComparison);
    const SetComparison& c = comparison_.comparison;
    doc_.Paragraph(comparison_.summary + "。全部结果见 Result/结果集比较.csv；下表列出前" +
                   std::to_string(std::min(c.items.size(), Top())) + "项。");
    const SetComparisonOptions& compared = comparison_.options;
    doc_.Figure(
        "comparison.png",
        pictures_.BarChartPng(ComparisonChart(c, compared.set_a, compared.set_b, compared.kind),
                              kChartWidth, kChartHeight),
        "图：两个结果集中含各项的方剂占比");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < c.items.size() && i < Top(); ++i)
      rows.push_back(ComparisonCells(c.items[i]));
    doc_.Table(ComparisonHeader(), std::move(rows));
    zh_.push_back(ComparisonMethodsZh(comparison_));
    en_.push_back(ComparisonMethodsEn(comparison_));
  }

  // A section of an analysis of the list that has no hand-made one: its run with the default
  // options, the first rows of every table it returns and its methods sentences.
  Outcome ListedAnalysis(const AnalysisDescriptor& analysis) {
    doc_.Heading(std::to_string(++number_) + " " + analysis.report_title);
    OptionValues values;
    if (std::string problem = CompleteOptions(analysis, values); !problem.empty())
      return Refuse(session_, problem);
    AnalysisOutput output;
    if (Outcome o = analysis.run(session_, values, output); o != Outcome::kDone) return o;
    if (!output.summary.empty()) doc_.Paragraph(output.summary + "。");
    for (const ResultTable& table : output.tables) {
      doc_.Paragraph(table.caption + "（前" + std::to_string(std::min(table.rows.size(), Top())) +
                     "行）：");
      std::vector<std::vector<std::string>> rows;
      for (std::size_t i = 0; i < table.rows.size() && i < Top(); ++i) {
        rows.emplace_back();
        for (const TableCell& cell : table.rows[i]) rows.back().push_back(cell.text);
      }
      doc_.Table(table.header, std::move(rows));
    }
    if (!output.methods_zh.empty()) zh_.push_back(output.methods_zh);
    if (!output.methods_en.empty()) en_.push_back(output.methods_en);
    return Outcome::kDone;
  }

  void Symptoms(const SymptomTable& table) {
    Section(ReportSection::kSymptoms);
    doc_.Paragraph("共" + std::to_string(table.NumSymptom()) + "个病症短语，下表列出频数最高的" +
                   std::to_string(std::min<std::size_t>(table.NumSymptom(), Top())) + "个。");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < table.NumSymptom() && i < Top(); ++i)
      rows.push_back(
          {std::to_string(i + 1), table.Symptom[i], std::to_string(table.CountSymptom[i])});
    AddChart("symptoms.png",
             SymptomChart(TopItemsChart(table.Symptom, table.CountSymptom, kSymptomChartTop)),
             "图：病症频次");
    doc_.Table({"序号", "症状", "频数"}, std::move(rows));
  }

  void Methods(std::int64_t formulas) {
    doc_.Heading(std::to_string(++number_) + " 方法 / Methods");
    doc_.Heading("方法", 3);
    for (const std::string& s : zh_) doc_.Paragraph(s, "zh");
    doc_.Paragraph("样本：经上述检索得到的" + std::to_string(formulas) + "首方剂。软件：Lindora " +
                       std::string(ProgramVersion()) +
                       "。数据来源与许可见“数据与检索”一节的数据说明。",
                   "zh");
    doc_.Heading("Methods", 3);
    for (const std::string& s : en_) doc_.Paragraph(s, "en");
    doc_.Paragraph(
        "Sample: the " + std::to_string(formulas) +
            " formulas selected by the search above. Software: Lindora " +
            std::string(ProgramVersion()) +
            ". Data sources and licences: see the data notice in the section on the data.",
        "en");
    doc_.Heading("重新生成本报告的脚本 / Script that regenerates this report", 3);
    doc_.Preformatted(RegenerationScript(session_.SearchHistory, options_));
  }

  void MethodsFor(ReportSection s) {
    switch (s) {
      case ReportSection::kHerbs:
        zh_.push_back(
            "标准化与药物频次：每首方剂的组成去除括注、剂量、单位、炮制用语和引号后以“、”分为药名；"
            "药物频次为每味药在全部方剂组成中出现的次数（同一方中重复列出者分别计数），按频次降序排"
            "列。");
        en_.push_back(
            "Standardisation and herb frequency: each composition was cleaned of bracketed notes, "
            "doses, units, processing terms and quotation marks and split into herb names at "
            "\"、\"; the frequency of a herb is the number of times it is listed over all "
            "formulas (a herb listed twice in one formula counts twice), sorted in descending "
            "order.");
        break;
      case ReportSection::kTypes:
        zh_.push_back(
            "药物类型：频数最高的" + std::to_string(kTypedHerbs) +
            "味中药按本软件中药类型表（37类，未收录或未分类者归“其他”）归类，统计各类药味数。");
        en_.push_back("Herb types: the " + std::to_string(kTypedHerbs) +
                      " most frequent herbs were classified by the program's table of 37 herb "
                      "types (herbs not recorded or not classified: \"其他\", other), and the "
                      "herbs of each type were counted.");
        break;
      case ReportSection::kSymptoms:
        zh_.push_back(
            "病症频次：每首方剂的主治按标点及“或”等切分为病症短语，相同短语计数（同一方中重复者分别"
            "计数）。");
        en_.push_back(
            "Symptoms: the indications of each formula were cut into symptom phrases at "
            "punctuation and connectives such as \"或\", and equal phrases were counted (a "
            "phrase repeated within one formula counts each time).");
        break;
      default: break;
    }
  }

  ReportDocument& doc() { return doc_; }

 private:
  std::size_t Top() const { return static_cast<std::size_t>(options_.rows); }
  void Section(ReportSection s) {
    doc_.Heading(std::to_string(++number_) + " " + std::string(SectionTitle(s)));
    MethodsFor(s);
  }
  void AddChart(const std::string& name, const BarChart& chart, std::string caption) {
    if (chart.categories.empty()) return;
    doc_.Figure(name, pictures_.BarChartPng(chart, kChartWidth, kChartHeight), std::move(caption));
  }

  Session& session_;
  const ReportOptions& options_;
  PictureWriter& pictures_;
  ReportDocument doc_;
  std::vector<std::string> zh_, en_;
  int number_ = 0;
  RuleResult rules_;
  SetComparisonResult comparison_;
};

// The HTML of the PDF: the same page with pictures referenced by name.
std::string PdfHtml(const ReportDocument& doc) {
  return doc.Html([](const std::string& name) { return name; });
}

bool ValidDate(std::string_view d) {
  if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (d[i] < '0' || d[i] > '9') return false;
  return true;
}

// A word for the script reader, in single quotes.
std::string Quoted(std::string_view text) {
  return "'" + ReplaceAll(text, "'", "'\\''") + "'";
}

}  // namespace

std::string_view SectionKey(ReportSection section) {
  for (const SectionInfo& s : kSections)
    if (s.section == section) return s.key;
  return {};
}

std::optional<ReportSection> SectionFromKey(std::string_view key) {
  for (const SectionInfo& s : kSections)
    if (s.key == key) return s.section;
  return std::nullopt;
}

std::string_view SectionTitle(ReportSection section) {
  for (const SectionInfo& s : kSections)
    if (s.section == section) return s.title;
  return {};
}

const std::vector<ReportSection>& AllSections() {
  static const std::vector<ReportSection> all = [] {
    std::vector<ReportSection> v;
    for (const SectionInfo& s : kSections) v.push_back(s.section);
    return v;
  }();
  return all;
}

bool ReportOptions::Has(ReportSection s) const {
  return std::find(sections.begin(), sections.end(), s) != sections.end();
}

std::string TodayIso() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
  return buf;
}

std::string RegenerationScript(std::string_view search_history, const ReportOptions& options) {
  std::string script = "lindora-cli --script - <<'EOF'\n";
  // A history of queries: the first started the set, each later one searched in its results
  // (" AND  NOT " marks an excluding search).
  if (!search_history.empty()) {
    std::string rest(search_history);
    bool first = true;
    while (!rest.empty()) {
      std::size_t cut = rest.find(" AND ");
      std::string part = rest.substr(0, cut);
      bool exclude = false;
      rest = cut == std::string::npos ? "" : rest.substr(cut + 5);
      if (StartsWith(rest, " NOT ")) {
        exclude = true;
        rest = rest.substr(5);
      }
      script +=
          std::string("query") + (first ? "" : " --in-results") + " -- " + Quoted(part) + "\n";
      first = false;
      if (exclude && !rest.empty()) {
        std::size_t next = rest.find(" AND ");
        std::string excluded = rest.substr(0, next);
        rest = next == std::string::npos ? "" : rest.substr(next + 5);
        script += "query --in-results --exclude -- " + Quoted(excluded) + "\n";
      }
    }
  }
  script += "report --sections ";
  std::string keys;
  for (ReportSection s : AllSections())
    if (options.Has(s)) keys += (keys.empty() ? "" : ",") + std::string(SectionKey(s));
  for (const std::string& key : options.analyses) keys += (keys.empty() ? "" : ",") + key;
  script += keys;
  script += " --rows " + std::to_string(options.rows);
  if (options.Has(ReportSection::kRules))
    script += " --min-support " + Quoted(options.min_support) + " --min-confidence " +
              Quoted(options.min_confidence) + " --min-lift " + Quoted(options.min_lift) +
              " --max-size " + Quoted(options.max_size);
  if (options.Has(ReportSection::kNetwork)) {
    const NetworkThresholds& t = options.network;
    script += t.min_frequency > 0 ? " --min-frequency " + std::to_string(t.min_frequency)
                                  : " --top " + std::to_string(t.top);
    script += " --min-edge " + std::to_string(t.min_edge);
  }
  if (options.Has(ReportSection::kComparison))
    script += " --compare " + Quoted(options.compare_a) + " " + Quoted(options.compare_b) +
              (options.compare_symptoms ? " --symptoms" : "") + " --min-count " +
              Quoted(options.compare_min_count);
  script += " --date " + options.date + "\nEOF";
  return script;
}

ReportRun WriteAnalysisReport(Session& session, const ReportOptions& options_in,
                              const ReportProgress& progress) {
  ReportRun run;
  ReportOptions options = options_in;
  if (options.date.empty()) options.date = TodayIso();
  run.outcome = Guard(session, [&]() -> Outcome {
    if (!ValidDate(options.date))
      return Refuse(session, "日期格式应为 YYYY-MM-DD：" + options.date);
    if (options.rows < 1 || options.rows > 1000)
      return Refuse(session, "表格行数应为 1 到 1000 之间的整数。");
    if (options.sections.empty() && options.analyses.empty())
      return Refuse(session, "请至少选择一个报告章节。");
    for (const std::string& key : options.analyses) {
      const AnalysisDescriptor* analysis = FindAnalysis(session.Analyses(), key);
      if (!analysis || !analysis->in_report || SectionFromKey(ReportKey(*analysis)))
        return Refuse(session, "报告没有这一章节：" + key);
    }
    if (options.network.top < 1 || options.network.min_frequency < 0 ||
        options.network.min_edge < 1)
      return Refuse(session, "网络的节点数与边阈值应为正整数。");
    PictureWriter* pictures = InstalledPictureWriter();
    if (!pictures) return Refuse(session, "本程序没有绘图功能，无法生成报告。");
    int total = static_cast<int>(options.sections.size() + options.analyses.size()) + 2, step = 0;
    auto tell = [&](std::string_view what) {
      if (progress) progress(what, step++, total);
    };

    tell("标准化结果集");
    if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
    Transactions herbs = HerbTransactionsOfResultSet(session);
    const auto formulas = static_cast<std::int64_t>(herbs.N());
    if (formulas == 0) return Refuse(session, kNoDataMessage);

    ReportBuilder builder(session, options, *pictures);
    if (options.Has(ReportSection::kRules))
      if (Outcome o = builder.PrepareRules(); o != Outcome::kDone) return o;
    if (options.Has(ReportSection::kComparison))
      if (Outcome o = builder.PrepareComparison(); o != Outcome::kDone) return o;
    builder.doc().SetTitle("方剂数据挖掘分析报告");
    builder.doc().Heading("方剂数据挖掘分析报告", 1);
    builder.doc().Paragraph("日期：" + options.date);
    if (options.Has(ReportSection::kData)) {
      tell(SectionTitle(ReportSection::kData));
      builder.Data(formulas);
    }
    if (options.Has(ReportSection::kHerbs) || options.Has(ReportSection::kTypes)) {
      HerbFrequencyResult frequency = RunHerbFrequency(session);
      if (frequency.outcome != Outcome::kDone) return frequency.outcome;
      if (options.Has(ReportSection::kHerbs)) {
        tell(SectionTitle(ReportSection::kHerbs));
        builder.Herbs(frequency.table);
      }
      if (options.Has(ReportSection::kTypes)) {
        tell(SectionTitle(ReportSection::kTypes));
        builder.Types(frequency.table);
      }
    }
    if (options.Has(ReportSection::kRules)) {
      tell(SectionTitle(ReportSection::kRules));
      builder.Rules();
    }
    if (options.Has(ReportSection::kNetwork)) {
      tell(SectionTitle(ReportSection::kNetwork));
      if (Outcome o = builder.Network(); o != Outcome::kDone) return o;
    }
    if (options.Has(ReportSection::kSymptoms)) {
      tell(SectionTitle(ReportSection::kSymptoms));
      SymptomResult symptoms = RunSymptoms(session);
      if (symptoms.outcome != Outcome::kDone) return symptoms.outcome;
      builder.Symptoms(symptoms.table);
    }
    if (options.Has(ReportSection::kComparison)) {
      tell(SectionTitle(ReportSection::kComparison));
      builder.Comparison();
    }
    for (const std::string& key : options.analyses) {
      const AnalysisDescriptor* analysis = FindAnalysis(session.Analyses(), key);
      tell(analysis->report_title);
      if (Outcome o = builder.ListedAnalysis(*analysis); o != Outcome::kDone) return o;
    }
    tell("方法");
    builder.Methods(formulas);

    tell("写入报告");
    run.html = options.html.empty() ? session.Path("\\Result\\分析报告.html") : options.html;
    run.pdf = options.pdf.empty() ? session.Path("\\Result\\分析报告.pdf") : options.pdf;
    run.xlsx = options.xlsx.empty() ? session.Path("\\Result\\分析报告.xlsx") : options.xlsx;
    // First the workbook: one open in a spreadsheet program stops the report before any of
    // its files changes.
    WriteWorkbook(ReportWorkbookSheets(builder.doc()), run.xlsx);
    {
      AtomicFile html(run.html);
      html.WriteBytes(builder.doc().Html());
      html.Commit();
    }
    pictures->WriteHtmlPdf(PdfHtml(builder.doc()), builder.doc().Pictures(), builder.doc().Title(),
                           run.pdf);
    run.document = std::move(builder.doc());
    return Outcome::kDone;
  });
  return run;
}

}  // namespace lindora
