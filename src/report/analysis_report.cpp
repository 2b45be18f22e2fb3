#include "report/analysis_report.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <optional>

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "analysis/herb_frequency/herb_frequency_analysis.h"
#include "analysis/herb_properties/herb_properties_analysis.h"
#include "analysis/herb_types/herb_types_analysis.h"
#include "analysis/network/network_analysis.h"
#include "analysis/result_data.h"
#include "analysis/rules/rules_analysis.h"
#include "analysis/symptoms/symptom_chart.h"
#include "analysis/symptoms/symptoms_analysis.h"
#include "analysis/transactions.h"
#include "common/analysis_list.h"
#include "common/data_source_notice.h"
#include "common/file_snapshot.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"
#include "common/version.h"
#include "formula/formula_db.h"
#include "formula/library.h"
#include "formula/result_set_stamp.h"
#include "herb/herb_charts.h"
#include "herb/herb_properties.h"
#include "report/report_workbook.h"

namespace lindora {
namespace {

struct SectionInfo {
  ReportSection section;
  std::string_view key;
  std::string_view title;
};

constexpr std::array<SectionInfo, 9> kSections = {{
    {ReportSection::kData, "data", "数据与检索"},
    {ReportSection::kHerbs, "herbs", "中药频数"},
    {ReportSection::kTypes, "types", "中药类型分布"},
    {ReportSection::kProperties, "properties", "性味归经"},
    {ReportSection::kRules, "rules", "关联规则"},
    {ReportSection::kNetwork, "network", "药物网络"},
    {ReportSection::kSymptoms, "symptoms", "症状频数"},
    {ReportSection::kDoses, "doses", "用药剂量"},
    {ReportSection::kComparison, "comparison", "结果集比较"},
}};

// Picture sizes in units that print as kPrintPointsPerUnit points, so that the smallest label
// (11 units) prints at 9 pt: 586 units fill the 481 pt of an A4 page's text width, 830 the
// height a picture may take. Pixels: kPictureScale per unit, about 300 per inch.
constexpr int kChartWidth = 580, kChartHeight = 820;
// Bar charts at print size: each bar's slot leaves room for a 9 pt name (FitCategoryLabels
// sizes the names by the slot), so the report charts the first 20 items and a chart of more
// categories grows up to the height a picture may take.
constexpr int kReportBars = 20;
constexpr int kBarSlot = 25, kBarChartFrame = 190;
int BarChartHeight(std::size_t bars) {
  return std::clamp(kBarChartFrame + kBarSlot * static_cast<int>(bars), 320, kChartHeight);
}
constexpr int kNetworkWidth = 586, kNetworkHeight = 560;
constexpr int kRadarSize = 540;
constexpr int kBoxPlotHeight = 480;
constexpr double kPictureScale = 3.5;

// Builds the document section by section; each step reports progress and adds blocks and
// methods sentences.
class ReportBuilder {
 public:
  ReportBuilder(Session& session, const ReportOptions& options, PictureWriter& pictures)
      : session_(session),
        options_(options),
        pictures_(pictures),
        recipe_(ResultSetRecipe(session)) {}

  void Data(std::int64_t formulas) {
    Section(ReportSection::kData);
    // Named as every window, chart and workbook names it.
    const ResultSetStamp& set = set_;
    std::vector<std::vector<std::string>> rows = {
        {"结果集", ResultSetCaption(set)},          {"方剂数据文件", "DB/Fangji.DB"},
        {"结果集的来源", RecipeText(recipe_)},      {"检索历史", set.history},
        {"结果集方剂数", std::to_string(formulas)}, {"报告日期", options_.date}};
    // The library is always named, with its file, so a reader never takes one for another.
    if (OpenLibraryName(session_) != kShippedLibraryName)
      rows[1][1] = "DB/" + OpenLibraryName(session_) + "/Fangji.DB";
    rows.insert(rows.begin(),
                {"方剂库", LibraryLabel(session_).substr(std::string("方剂库：").size())});
    doc_.Table({"项目", "内容"}, rows);
    doc_.Paragraph("数据来源与许可：");
    doc_.Preformatted(ReplaceAll(DataSourceNoticeText(), "\r\n", "\n"));
  }

  void Herbs(const HerbTable& table) {
    Section(ReportSection::kHerbs);
    doc_.Paragraph("共" + std::to_string(table.NumCM()) + "味中药，下表列出频数最高的" +
                   std::to_string(std::min<std::size_t>(table.NumCM(), Top())) +
                   "味（全部药物见 Result/Yaodui_Analysis1.txt）。");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < table.NumCM(); ++i)
      rows.push_back({std::to_string(i + 1), table.CM[i], std::to_string(table.CountCM[i])});
    BarChart chart = HerbFrequencyChart(TopItemsChart(table.CM, table.CountCM, kReportBars));
    chart.title = "单味药频数（前" + std::to_string(chart.categories.size()) + "）";
    chart.source = ResultSetCaption(set_);
    AddChart("herbs.png", chart,
             "图：频数最高的" + std::to_string(chart.categories.size()) + "味中药");
    doc_.Table({"序号", "中药名", "频数"}, std::move(rows), {}, "", Top());
  }

  void Types(const HerbTypesResult& types) {
    Section(ReportSection::kTypes);
    const AnalysisOutput output = HerbTypesOutput(types);
    doc_.Paragraph(output.summary);
    std::vector<std::vector<std::string>> rows;
    for (const std::vector<TableCell>& row : output.tables[0].rows)
      rows.push_back({row[0].text, row[1].text, row[2].text});
    AddChart("types.png", HerbTypesChart(types), "图：中药类型分布");
    doc_.Table(output.tables[0].header, std::move(rows));
  }

  // The nature, flavour and meridian distribution as its window computes it (writing the same
  // file); an old data folder without the property file gets a note instead.
  Outcome Properties() {
    if (!HasHerbPropertyFile(session_)) {
      Section(ReportSection::kProperties);
      doc_.Paragraph("数据文件夹中没有性味归经数据（DB/Herb_Property.DB），本节从略。");
      return Outcome::kDone;
    }
    HerbPropertiesResult r = RunHerbProperties(session_);
    if (r.outcome != Outcome::kDone) return r.outcome;
    AnalysisOutput out = HerbPropertiesOutput(r);
    Section(ReportSection::kProperties);
    zh_.push_back(out.methods_zh);
    en_.push_back(out.methods_en);
    doc_.Paragraph(out.summary + "。全部结果见 Result/性味归经.csv。");
    auto table = [&](const ResultTable& t, std::size_t columns, std::string name) {
      std::vector<std::string> header(t.header.begin(),
                                      t.header.begin() + static_cast<std::ptrdiff_t>(columns));
      std::vector<std::vector<std::string>> rows;
      for (const std::vector<TableCell>& row : t.rows) {
        rows.emplace_back();
        for (std::size_t c = 0; c < columns; ++c) rows.back().push_back(row[c].text);
      }
      doc_.Table(std::move(header), std::move(rows), {}, std::move(name));
    };
    AddChart("natures.png", NatureChart(r), "图：四气分布（药物出现次数）");
    table(out.tables[0], 4, "四气");
    doc_.Paragraph("按原文程度：");
    table(out.tables[1], 4, "四气程度");
    doc_.Figure("flavours.png", pictures_.RadarChartPng(FlavourRadar(r), kRadarSize, kRadarSize),
                "图：五味雷达图（药物出现次数）");
    table(out.tables[2], 4, "五味");
    doc_.Figure("meridians.png", pictures_.RadarChartPng(MeridianRadar(r), kRadarSize, kRadarSize),
                "图：归经雷达图（药物出现次数）");
    table(out.tables[3], 4, "归经");
    doc_.Paragraph(r.toxic.empty() ? "结果集中没有标明有毒的中药。" : "有毒中药：");
    if (!r.toxic.empty()) table(out.tables[4], 4, "有毒中药");
    return Outcome::kDone;
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
    for (std::size_t i = 0; i < mining.rules.size(); ++i)
      rows.push_back(RuleRow(rules_.items, mining, mining.rules[i]));
    doc_.Table(RuleHeader(), std::move(rows), {}, "", Top());
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
                   std::to_string(network.communities) + " 个。");
    doc_.Paragraph("结果文件（Result 文件夹）：" + std::string(kNetworkGexf) + "、" +
                   kNetworkGraphml + "、" + kNetworkNodeCsv + "、" + kNetworkEdgeCsv + "、" +
                   kNetworkPng + "、" + kNetworkSvg + "。");
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
    std::string unlinked;
    for (const NetworkNode& node : network.nodes)
      if (node.community == 0) unlinked += (unlinked.empty() ? "" : "、") + node.name;
    if (!unlinked.empty()) {
      legend.push_back({"未连边", unlinked});
      colors.push_back(HexColor(CommunityColor(0)));
    }
    doc_.Table({"社区", "中药"}, std::move(legend), std::move(colors), "社区");
    // The node file's rows as they stand, without its Label column (the same as Id); the
    // file keeps the column names Gephi reads, the report names them in Chinese.
    std::vector<CsvRow> table = NodeTable(network);
    for (CsvRow& row : table) row.erase(row.begin() + 1);
    table.erase(table.begin());
    doc_.Table({"中药", "频数", "社区", "度", "加权度", "介数中心性", "接近中心性"},
               std::move(table), {}, "节点");
    zh_.push_back(NetworkMethodsZh(t));
    en_.push_back(NetworkMethodsEn(t));
    return Outcome::kDone;
  }

  Outcome PrepareComparison() {
    SetComparisonOptions o{options_.compare_a, options_.compare_b,
                           options_.compare_symptoms ? ItemKind::kSymptoms : ItemKind::kHerbs,
                           options_.compare_min_count};
    o.doses = options_.compare_doses;
    o.dose_table = DoseTableFromKey(options_.dose_table).value_or(DoseTable::kModern);
    comparison_ = RunSetComparison(session_, o);
    return comparison_.outcome;
  }

  // The dose table as its analysis writes it (its file, and its box plot drawn here).
  Outcome Doses() {
    Section(ReportSection::kDoses);
    DosesOptions o;
    o.table = DoseTableFromKey(options_.dose_table).value_or(DoseTable::kModern);
    DosesResult result = RunDoses(session_, o);
    if (result.outcome != Outcome::kDone) return result.outcome;
    AnalysisOutput out = DosesOutput(result);
    doc_.Paragraph(out.summary + "。全部结果见 Result/剂量分析.csv；下表列出前" +
                   std::to_string(std::min(result.rows.size(), Top())) + "行。");
    if (!result.box_plot.boxes.empty())
      doc_.Figure("doses.png", pictures_.BoxPlotPng(result.box_plot, kChartWidth, kBoxPlotHeight),
                  "图：常用中药剂量（克）箱线图，须为 1.5 倍四分位距内的最远值，圆点为离群值");
    // The table's name is in the text above; the page has no room for it on every row.
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : result.rows) {
      rows.push_back(DoseCells(row, o.table));
      rows.back().pop_back();
    }
    std::vector<std::string> header = DoseHeader();
    header.pop_back();
    doc_.Table(std::move(header), std::move(rows), {}, "", Top());
    const ResultTable& unread = out.tables.back();
    if (!unread.rows.empty()) {
      std::string list;
      for (std::size_t i = 0; i < unread.rows.size() && i < 10; ++i)
        list += (list.empty() ? "" : "、") + unread.rows[i][0].text + "（" +
                unread.rows[i][1].text + "）";
      doc_.Paragraph("未能读出的剂量（原文及次数，前10种）：" + list + "。");
    }
    zh_.push_back("用药剂量：" + out.methods_zh);
    en_.push_back("Doses: " + out.methods_en);
    return Outcome::kDone;
  }

  void Comparison() {
    Section(ReportSection::kComparison);
    const SetComparison& c = comparison_.comparison;
    doc_.Paragraph(Split(comparison_.summary, "\n").front() +
                   "。全部结果见 Result/结果集比较.csv；下表列出前" +
                   std::to_string(std::min(c.items.size(), Top())) + "项。");
    if (comparison_.shared > 0) doc_.Paragraph(SharedFormulaWarning(comparison_.shared));
    const SetComparisonOptions& compared = comparison_.options;
    doc_.Figure("comparison.png",
                pictures_.BarChartPng(
                    ComparisonChart(c, compared.set_a, compared.set_b, compared.kind), kChartWidth,
                    BarChartHeight(std::min<std::size_t>(c.items.size(), kComparisonChartItems))),
                "图：两个结果集中含各项的方剂占比");
    std::vector<std::vector<std::string>> rows;
    for (const auto& item : c.items) rows.push_back(ComparisonCells(item));
    doc_.Table(ComparisonHeader(), std::move(rows), {}, "", Top());
    if (options_.compare_doses) ComparisonDoses(comparison_.doses);
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
    // The herb clustering's tree is a figure of the section: its engine is asked directly for
    // the clustering the tables come from.
    std::optional<HerbClustering> tree;
    if (analysis.key == HerbClusteringDescriptor().key) {
      std::string problem;
      std::optional<HerbClusteringOptions> options = ReadHerbClusteringOptions(values, problem);
      if (!options) return Refuse(session_, problem);
      tree.emplace();
      if (Outcome o = RunHerbClustering(session_, *options, *tree, output); o != Outcome::kDone)
        return o;
    } else if (Outcome o = analysis.run(session_, values, output); o != Outcome::kDone) {
      return o;
    }
    if (!output.summary.empty()) doc_.Paragraph(output.summary + "。");
    if (tree)
      doc_.Figure(
          "dendrogram.png",
          pictures_.DendrogramPng(PictureOf(*tree), kChartWidth,
                                  std::min(kChartHeight, DendrogramHeight(tree->herbs.size()))),
          "图：频数最高的 " + std::to_string(tree->herbs.size()) +
              " 味药的聚类树（横轴为合并高度，红色虚线为切割位置，同色为同一类）");
    for (const ResultTable& table : output.tables) {
      doc_.Paragraph(table.caption + "（前" + std::to_string(std::min(table.rows.size(), Top())) +
                     "行）：");
      std::vector<std::vector<std::string>> rows;
      for (const auto& row : table.rows) {
        rows.emplace_back();
        for (const TableCell& cell : row) rows.back().push_back(cell.text);
      }
      doc_.Table(table.header, std::move(rows), {}, table.caption, Top());
    }
    if (!output.methods_zh.empty()) zh_.push_back(output.methods_zh);
    if (!output.methods_en.empty()) en_.push_back(output.methods_en);
    return Outcome::kDone;
  }

  void ComparisonDoses(const DoseComparison& d) {
    doc_.Paragraph("两个结果集都有剂量的中药（按单位分别）的剂量比较，共" +
                   std::to_string(d.items.size()) + "项（" +
                   std::string(DoseTableOf(d.table).caption) +
                   "），全部结果见 Result/剂量比较.csv；下表列出前" +
                   std::to_string(std::min(d.items.size(), Top())) + "项。");
    std::vector<std::vector<std::string>> rows;
    for (const auto& item : d.items) rows.push_back(DoseComparisonCells(item));
    doc_.Table(DoseComparisonHeader(), std::move(rows), {}, "剂量比较", Top());
    zh_.push_back(DoseComparisonMethodsZh(d));
    en_.push_back(DoseComparisonMethodsEn(d));
  }

  void Symptoms(const SymptomTable& table) {
    Section(ReportSection::kSymptoms);
    doc_.Paragraph("共" + std::to_string(table.NumSymptom()) + "个症状短语，下表列出频数最高的" +
                   std::to_string(std::min<std::size_t>(table.NumSymptom(), Top())) + "个。");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < table.NumSymptom(); ++i)
      rows.push_back(
          {std::to_string(i + 1), table.Symptom[i], std::to_string(table.CountSymptom[i])});
    BarChart chart = SymptomChart(TopItemsChart(table.Symptom, table.CountSymptom, kReportBars));
    chart.title = "病症频数（前" + std::to_string(chart.categories.size()) + "）";
    chart.source = ResultSetCaption(set_);
    AddChart("symptoms.png", chart,
             "图：频数最高的" + std::to_string(chart.categories.size()) + "个症状");
    doc_.Table({"序号", "症状", "频数"}, std::move(rows), {}, "", Top());
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
    doc_.Preformatted(RegenerationScript(recipe_, options_, OpenLibraryName(session_)));
  }

  void MethodsFor(ReportSection s) {
    switch (s) {
      case ReportSection::kHerbs:
        zh_.emplace_back(
            "标准化与中药频数：每首方剂的组成按导入时的读法读出药名（去掉括号说明、剂量和单位，"
            "“各”分给前面的药），再按药名对照表定为标准药名（炮制品默认并入原药，方剂库设为炮制品"
            "单列时单独计数）；同一方剂中同一味药只计一次。中药频数为含该药的方剂数，按频数降序排列"
            "（频数相同者的先后由对首次出现顺序的交换排序决定，不按名称）。");
        en_.emplace_back(
            "Standardisation and herb frequency: the herb names of each composition were read as "
            "at import (bracketed notes, doses and units removed, 各 given to the herbs before "
            "it) and mapped to standard names by the name dictionary (processed forms merged "
            "into the crude herb unless the library keeps them apart); a herb counts once per "
            "formula. The frequency of a herb is the number of formulas containing it, sorted in "
            "descending order (ties in the order an exchange sort leaves the first appearances, "
            "not by name).");
        break;
      case ReportSection::kTypes:
        zh_.push_back(
            "药物类型：频数最高的" + std::to_string(kDefaultTypedHerbs) +
            "味中药按本软件中药类型表（37类，未收录或未分类者归“其他”）归类，统计各类药味数。");
        en_.push_back("Herb types: the " + std::to_string(kDefaultTypedHerbs) +
                      " most frequent herbs were classified by the program's table of 37 herb "
                      "types (herbs not recorded or not classified: \"其他\", other), and the "
                      "herbs of each type were counted.");
        break;
      case ReportSection::kSymptoms:
        zh_.emplace_back(
            "症状频数：每首方剂的主治按标点及“或”等切分为症状短语，相同短语计数（同一方中重复者分别"
            "计数）。");
        en_.emplace_back(
            "Symptoms: the indications of each formula were cut into symptom phrases at "
            "punctuation and connectives such as \"或\", and equal phrases were counted (a "
            "phrase repeated within one formula counts each time).");
        break;
      default: break;
    }
  }

  ReportDocument& doc() { return doc_; }
  // The result set as the data section names it; the frequency charts carry it too.
  void NameSet(std::int64_t formulas) { set_ = StampResultSet(session_, formulas); }

 private:
  std::size_t Top() const { return static_cast<std::size_t>(options_.rows); }
  void Section(ReportSection s) {
    doc_.Heading(std::to_string(++number_) + " " + std::string(SectionTitle(s)));
    MethodsFor(s);
  }
  void AddChart(const std::string& name, const BarChart& chart, std::string caption) {
    if (chart.categories.empty()) return;
    doc_.Figure(name,
                pictures_.BarChartPng(chart, kChartWidth, BarChartHeight(chart.categories.size())),
                std::move(caption));
  }

  Session& session_;
  const ReportOptions& options_;
  PictureWriter& pictures_;
  const std::vector<std::string> recipe_;  // how the result set was made
  ReportDocument doc_;
  std::vector<std::string> zh_, en_;
  int number_ = 0;
  RuleResult rules_;
  SetComparisonResult comparison_;
  ResultSetStamp set_;
};

// The HTML of the PDF: the same page with pictures referenced by name.
std::string PdfHtml(const ReportDocument& doc) {
  return doc.Html([](const std::string& name) { return name; });
}

bool ValidDate(std::string_view d) {
  if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (d[i] < '0' || d[i] > '9') return false;
  auto number = [&](std::size_t at, std::size_t len) {
    int v = 0;
    for (std::size_t i = at; i < at + len; ++i) v = v * 10 + (d[i] - '0');
    return v;
  };
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= (month == 2 && !leap ? 28 : kDays[month - 1]);
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
    v.reserve(std::size(kSections));
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

std::string RegenerationScript(const std::vector<std::string>& recipe, const ReportOptions& options,
                               std::string_view library) {
  std::string script = "lindora-cli ";
  if (!library.empty() && library != kShippedLibraryName)
    script += "--library " + ScriptWord(library) + " ";
  script += "--script - <<'EOF'\n";
  // The commands that made the result set, as they were recorded with it.
  for (const std::string& command : recipe) script += command + "\n";
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
              Quoted(options.compare_min_count) + (options.compare_doses ? " --compare-doses" : "");
  if (options.Has(ReportSection::kDoses) ||
      (options.Has(ReportSection::kComparison) && options.compare_doses))
    script += " --dose-table " + Quoted(options.dose_table);
  script += " --date " + options.date + "\nEOF";
  return script;
}

namespace {

template <typename Tell>
Outcome Build(Session& session, const ReportOptions& options, PictureWriter& pictures_writer,
              ReportRun& run, const Tell& tell) {
  PictureWriter* pictures = &pictures_writer;
  // The HTML and the PDF are one unit, both new or both old; the run id they both print tells
  // a reader that they belong together.
  AtomicFileSet files;
  tell("标准化结果集");
  if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
  Transactions herbs = HerbTransactionsOfResultSet(session);
  const auto formulas = static_cast<std::int64_t>(herbs.N());
  if (formulas == 0) return Refuse(session, kNoDataMessage);

  if (options.Has(ReportSection::kNetwork))
    if (std::string problem = NetworkSizeProblem(herbs, options.network); !problem.empty())
      return Refuse(session, problem);
  ReportBuilder builder(session, options, *pictures);
  builder.NameSet(formulas);
  if (options.Has(ReportSection::kRules))
    if (Outcome o = builder.PrepareRules(); o != Outcome::kDone) return o;
  if (options.Has(ReportSection::kComparison))
    if (Outcome o = builder.PrepareComparison(); o != Outcome::kDone) return o;
  builder.doc().SetTitle("方剂数据挖掘分析报告");
  builder.doc().Heading("方剂数据挖掘分析报告", 1);
  builder.doc().Paragraph("日期：" + options.date + "　运行编号：" + files.run_id());
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
      HerbTypesResult types = HerbTypesOf(session, frequency.table, kDefaultTypedHerbs);
      if (types.outcome != Outcome::kDone) return types.outcome;
      builder.Types(types);
    }
  }
  if (options.Has(ReportSection::kProperties)) {
    tell(SectionTitle(ReportSection::kProperties));
    if (Outcome o = builder.Properties(); o != Outcome::kDone) return o;
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
  if (options.Has(ReportSection::kDoses)) {
    tell(SectionTitle(ReportSection::kDoses));
    if (Outcome o = builder.Doses(); o != Outcome::kDone) return o;
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

  tell("排版 PDF");
  const std::string pdf =
      pictures->HtmlPdf(PdfHtml(builder.doc()), builder.doc().Pictures(), builder.doc().Title());
  if (pdf.empty()) throw FileError(FileError::Kind::kWrite, run.pdf, "PDF 文件生成失败");
  tell("写入报告");
  // The workbook, the HTML and the PDF are one set: a workbook open in a spreadsheet program,
  // or any page that fails, leaves all three as they were.
  const std::string workbook = WorkbookBytes(ReportWorkbookSheets(builder.doc()), run.xlsx);
  files.Add(run.xlsx).WriteBytes(workbook);
  files.Add(run.html).WriteBytes(builder.doc().Html());
  files.Add(run.pdf).WriteBytes(pdf);
  files.Commit();
  run.document = std::move(builder.doc());
  return Outcome::kDone;
}

}  // namespace

ReportRun WriteAnalysisReport(Session& session, const ReportOptions& options_in,
                              const ReportProgress& progress) {
  ReportRun run;
  ReportOptions options = options_in;
  if (options.date.empty()) options.date = TodayIso();
  if (options.dose_table.empty()) options.dose_table = DoseTableOf(DefaultDoseTable(session)).key;
  run.outcome = Guard(session, [&]() -> Outcome {
    if (!ValidDate(options.date))
      return Refuse(session, "日期应为 YYYY-MM-DD 格式的有效日期：" + options.date);
    if (options.rows < 1 || options.rows > 1000)
      return Refuse(session, "表格行数应为 1 到 1000 之间的整数。");
    if (options.sections.empty() && options.analyses.empty())
      return Refuse(session, "请至少选择一个报告章节。");
    for (const std::string& key : options.analyses) {
      const AnalysisDescriptor* analysis = FindAnalysis(session.Analyses(), key);
      if (!analysis || !analysis->in_report || SectionFromKey(ReportKey(*analysis)))
        return Refuse(session, "报告没有这一章节：" + key);
    }
    run.html = options.html.empty() ? session.Path("\\Result\\分析报告.html") : options.html;
    run.pdf = options.pdf.empty() ? session.Path("\\Result\\分析报告.pdf") : options.pdf;
    run.xlsx = options.xlsx.empty() ? session.Path("\\Result\\分析报告.xlsx") : options.xlsx;
    if (std::string bad = CheckUserOutputs(session.ProgramFolder(), {run.html, run.pdf, run.xlsx});
        !bad.empty())
      return Refuse(session, bad);
    if (options.network.top < 1 || options.network.top > static_cast<int>(kMaxNetworkNodes) ||
        options.network.min_frequency < 0 || options.network.min_edge < 1)
      return Refuse(session, "网络的节点数应为 1 到 " + std::to_string(kMaxNetworkNodes) +
                                 " 之间的整数，边阈值应为正整数。");
    if (!DoseTableFromKey(options.dose_table))
      return Refuse(
          session, "换算表须是 modern、han-13.8 或 han-15.625，“" + options.dose_table + "”不是。");
    PictureWriter* pictures = InstalledPictureWriter();
    if (!pictures) return Refuse(session, "本程序没有绘图功能，无法生成报告。");
    int total = static_cast<int>(options.sections.size() + options.analyses.size()) + 3;
    int step = 0;
    struct Cancelled {};
    auto tell = [&](std::string_view what) {
      if (progress && !progress(what, step++, total)) throw Cancelled{};
    };
    // A cancel puts every file back: the result set itself is never written here, everything
    // else in Result/ may be.
    const FileSnapshot before(session.Path("\\Result"), {"Result.DB", "Result.DB.bak"},
                              {run.html, run.pdf, run.xlsx});
    // Pictures for print while the report draws them, as on screen after.
    struct PrintScale {
      PictureWriter& writer;
      explicit PrintScale(PictureWriter& w) : writer(w) { writer.SetPrintScale(kPictureScale); }
      ~PrintScale() { writer.SetPrintScale(1); }
      PrintScale(const PrintScale&) = delete;
      PrintScale& operator=(const PrintScale&) = delete;
    } print_scale(*pictures);
    try {
      return Build(session, options, *pictures, run, tell);
    } catch (const Cancelled&) {
      before.Restore();
      run.cancelled = true;
      return Outcome::kRefused;
    }
  });
  return run;
}

}  // namespace lindora
