// The one list of analyses: every presenter an analysis declares exists (menu entry, console
// command, report section), every engine refuses an empty result set with the one message, the
// tables a run returns hold every row of the files it wrote, and the one option reader keeps to
// its ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "analysis/herb_types/herb_types_analysis.h"
#include "analysis/network/network_analysis.h"
#include "analysis/result_data.h"
#include "analysis/result_sets.h"
#include "analysis/rules/rules_analysis.h"
#include "catalog/catalog.h"
#include "chem/screening_analysis.h"
#include "cli/cli.h"
#include "common/pictures.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "report/analysis_report.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"
#include "support/title_pictures.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

class AnalysisListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 30 formulas: herb k is in formula i when i % (k + 1) == 0.
    std::vector<std::string> lines;
    for (int i = 1; i <= 30; ++i) {
      std::string composition;
      for (int k = 0; k < 12; ++k)
        if (i % (k + 1) == 0)
          composition += "药" + std::string(1, static_cast<char>('A' + k)) + "、";
      lines.push_back("方" + std::to_string(i) + "\t" + composition + "\t头痛，发热" +
                      (i % 4 ? "，恶寒" : "") + "\t");
    }
    folder.WriteLines("Result/Result.DB", lines);
    folder.WriteLines("DB/Herb_Name.DB", {"1\t30\t药A\tya\t", "2\t1\t药B\tyb\t"});
  }
  // The lines of a CSV file an engine wrote, without its byte-order mark and header.
  std::vector<std::string> CsvLines(std::string_view file) {
    std::string bytes = folder.ReadBytes(file);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    std::vector<std::string> lines;
    for (const std::string& line : Split(bytes, "\r\n"))
      if (!line.empty()) lines.push_back(line);
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }
  static std::vector<std::string> Texts(const ResultTable& table, std::string_view separator) {
    std::vector<std::string> lines;
    for (const auto& row : table.rows) {
      std::vector<std::string> cells;
      for (const TableCell& cell : row) cells.push_back(cell.text);
      lines.push_back(Join(cells, separator));
    }
    return lines;
  }
  AnalysisOutput Run(std::string_view key, OptionValues values = {}) {
    const AnalysisDescriptor* analysis = FindAnalysis(world.session.Analyses(), key);
    EXPECT_NE(analysis, nullptr) << key;
    AnalysisOutput output;
    if (!analysis) return output;
    EXPECT_EQ(CompleteOptions(*analysis, values), "");
    EXPECT_EQ(analysis->run(world.session, values, output), Outcome::kDone) << key;
    return output;
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(AnalysisListTest, EveryAnalysisHasTheMenuEntryCommandAndReportSectionItDeclares) {
  const AnalysisList& list = world.session.Analyses();
  ASSERT_FALSE(list.empty());
  const std::vector<MenuEntry> menu = world.session.Window<FangjiAnalysis>().MenuBar();
  cli::RegisterAnalysisCommands(list);

  ASSERT_EQ(SaveResultSet(world.session, "全部"), Outcome::kDone);
  std::vector<std::string> half = folder.ReadLines("Result/Result.DB");
  half.resize(15);
  folder.WriteLines("Result/Result.DB", half);
  test::TitlePictures pictures;
  InstallPictureWriter(&pictures);
  ReportOptions options;
  options.sections = AllSections();
  options.compare_b = "全部";
  options.compare_min_count = "1";
  options.date = "2026-12-07";
  for (const AnalysisDescriptor& a : list)
    if (a.in_report && !SectionFromKey(ReportKey(a))) options.analyses.push_back(a.key);
  const ReportRun report = WriteAnalysisReport(world.session, options);
  InstallPictureWriter(nullptr);
  ASSERT_EQ(report.outcome, Outcome::kDone) << ::testing::PrintToString(world.dialogs.Messages());
  const std::string html = folder.ReadBytes("Result/分析报告.html");

  std::set<std::string> keys;
  for (const AnalysisDescriptor& a : list) {
    EXPECT_TRUE(keys.insert(a.key).second) << "two analyses are called " << a.key;
    EXPECT_FALSE(a.caption.empty()) << a.key;
    EXPECT_TRUE(a.run) << a.key << " has no engine";
    if (!a.menu_name.empty()) {
      auto entry = std::find_if(menu.begin(), menu.end(),
                                [&](const MenuEntry& m) { return m.name == a.menu_name; });
      ASSERT_NE(entry, menu.end()) << a.key << ": no menu entry " << a.menu_name;
      EXPECT_EQ(entry->caption, a.menu_caption) << a.key;
      EXPECT_TRUE(entry->handler) << a.key;
    }
    EXPECT_TRUE(cli::Commands().count(a.key)) << a.key << ": no console command";
    if (a.in_report) {
      EXPECT_FALSE(a.report_title.empty()) << a.key;
      EXPECT_NE(html.find(" " + a.report_title + "</h2>"), std::string::npos)
          << a.key << ": no report section";
    }
  }

  // In the report's workbook every section of the list has sheets of its own (not lines of the
  // first sheet), and the herb clustering's sheet carries the dendrogram of the report.
  EXPECT_NE(html.find("味药的聚类树"), std::string::npos);
  LINDORA_READ_WORKBOOK_OR_SKIP(sheets, report.xlsx);
  for (const std::string& key : options.analyses) {
    const std::string& title = FindAnalysis(list, key)->report_title;
    // A section's first sheet: its title, followed by what the table holds when it has several.
    auto sheet = std::find_if(sheets.begin(), sheets.end(), [&](const test::ReadSheet& s) {
      return s.name == title || s.name.starts_with(title + "·");
    });
    ASSERT_NE(sheet, sheets.end()) << key;
    EXPECT_EQ(sheet->images, key == "cluster-herbs" ? 1 : 0) << key;
  }
}

TEST_F(AnalysisListTest, EveryEngineOfTheResultSetRefusesAnEmptySetWithTheOneMessage) {
  for (const std::vector<std::string>& content :
       {std::vector<std::string>{}, std::vector<std::string>{"", "   "}}) {
    folder.WriteLines("Result/Result.DB", content);
    for (const AnalysisDescriptor& a : world.session.Analyses()) {
      if (a.menu_group != MenuGroup::kResultSet) continue;
      world.dialogs.shown.clear();
      OptionValues values;
      ASSERT_EQ(CompleteOptions(a, values), "") << a.key;
      AnalysisOutput output;
      EXPECT_EQ(a.run(world.session, values, output), Outcome::kRefused) << a.key;
      EXPECT_EQ(world.dialogs.Messages(), std::vector<std::string>{kNoDataMessage}) << a.key;
      for (const std::string& file : a.files)
        EXPECT_FALSE(std::filesystem::exists(world.session.Path(file))) << a.key << " " << file;
    }
  }
}

TEST_F(AnalysisListTest, RunOutputsHoldEveryRowOfTheFilesTheyWrote) {
  AnalysisOutput herbs = Run("herb-frequency");
  ASSERT_EQ(herbs.tables.size(), 1u);
  std::vector<std::string> file = folder.ReadLines("Result/Yaodui_Analysis1.txt");
  ASSERT_EQ(herbs.tables[0].rows.size(), file.size());
  for (std::size_t i = 0; i < file.size(); ++i) {
    EXPECT_EQ(herbs.tables[0].rows[i][0].number, static_cast<double>(i + 1));
    EXPECT_EQ(herbs.tables[0].rows[i][1].text + "\t" + herbs.tables[0].rows[i][2].text, file[i]);
  }

  AnalysisOutput rules = Run("rules", {{"min-support", "3"}, {"min-confidence", "0.5"}});
  ASSERT_EQ(rules.tables.size(), 2u);
  EXPECT_FALSE(rules.tables[0].rows.empty());
  EXPECT_EQ(Texts(rules.tables[0], ","), CsvLines("Result/关联规则.csv"));
  EXPECT_EQ(Texts(rules.tables[1], ","), CsvLines("Result/频繁项集.csv"));
  // Numbers are the values the texts show.
  for (const auto& row : rules.tables[0].rows)
    for (std::size_t c = 2; c < row.size(); ++c)
      EXPECT_DOUBLE_EQ(row[c].number, std::stod(row[c].text));

  AnalysisOutput network = Run("network", {{"top", "8"}});
  ASSERT_EQ(network.tables.size(), 2u);
  EXPECT_EQ(Texts(network.tables[0], ","), CsvLines("Result/药物网络_节点.csv"));
  EXPECT_EQ(network.tables[1].rows.size(), CsvLines("Result/药物网络_边.csv").size());
}

TEST_F(AnalysisListTest, HerbTypesGroupTheMostFrequentHerbsOfTheListFileByTheirType) {
  // The herb file types 药A as 补气药 (30) and 药B as 辛温解表药 (1); every other herb is 其他.
  for (const std::string top : {"3", "100"}) {
    AnalysisOutput types = Run("herb-types", {{"top", top}});
    std::vector<std::string> herbs = folder.ReadLines("Result/Yaodui_Analysis1.txt");
    herbs.resize(std::min<std::size_t>(herbs.size(), std::stoul(top)));
    std::map<int, std::vector<std::string>> by_order;  // table order, 其他 last
    for (const std::string& line : herbs) {
      const std::vector<std::string> f = Split(line, "\t");
      const int order = f[0] == "药B" ? 1 : f[0] == "药A" ? 30 : 99;
      by_order[order].push_back(f[0] + "(" + f[1] + ")");
    }
    std::vector<std::string> expected;
    for (const auto& [order, names] : by_order)
      expected.push_back((order == 1    ? "辛温解表药"
                          : order == 30 ? "补气药"
                                        : "其他") +
                         std::string("\t") + std::to_string(names.size()) + "\t" +
                         Join(names, "、"));
    ASSERT_EQ(types.tables.size(), 1u);
    EXPECT_EQ(Texts(types.tables[0], "\t"), expected) << top;
  }
}

// Every option of the list shows the default its options struct holds and a range bounded by
// what its engine accepts: the engine runs at the top of the range and refuses one more.
TEST_F(AnalysisListTest, DescriptorsOfferTheDefaultsAndLimitsOfTheirEngines) {
  struct Expected {
    std::string value;
    double min = 0, max = 0;
  };
  auto whole = [](std::int64_t value, std::int64_t min, std::int64_t max) {
    return Expected{std::to_string(value), static_cast<double>(min), static_cast<double>(max)};
  };
  const RuleOptions rules;
  const NetworkThresholds network;
  const HerbTypesOptions types;
  const HerbClusteringOptions herbs;
  const SimilarFormulasOptions similar;
  const FormulaClustering formulas;
  const CoreOptions core;
  const DosesOptions doses;
  const SetComparisonOptions sets;
  const SimilarActivesOptions actives;
  const std::map<std::string, std::map<std::string, Expected>> expected = {
      {"herb-frequency", {}},
      {"herb-types", {{"top", whole(static_cast<std::int64_t>(types.top), 1, kMaxTypedHerbs)}}},
      {"herb-properties", {}},
      {"herb-pairs", {}},
      {"symptoms", {}},
      {"rules",
       {{"min-support", {rules.min_support}},
        {"min-confidence", {rules.min_confidence}},
        {"min-lift", {rules.min_lift}},
        {"max-size", {rules.max_size}}}},
      {"network",
       {{"top", whole(network.top, 1, kMaxNetworkNodes)},
        {"min-frequency", whole(network.min_frequency, 0, kMaxNetworkThreshold)},
        {"min-edge", whole(network.min_edge, 1, kMaxNetworkThreshold)}}},
      {"cluster-herbs",
       {{"top", whole(herbs.top, 3, kMaxClusteredHerbs)},
        {"distance", {"jaccard"}},
        {"linkage", {"average"}},
        {"k", whole(herbs.k, 1, kMaxClusteredHerbs)},
        {"height", {"0", 0, 1e9}}}},
      {"similar-formulas",
       {{"formula", {similar.formula}},
        {"top", whole(static_cast<std::int64_t>(similar.top), 1, kMaxSimilarFormulas)}}},
      {"cluster-formulas", {{"min-similarity", {DecimalText(formulas.min_similarity), 0, 1}}}},
      {"core-combinations",
       {{"min-support", whole(core.min_support, 1, kMaxCoreSupport)},
        {"min-association", {DecimalText(core.min_association), 0, 1}},
        {"size", {std::to_string(core.size)}},
        {"keep", whole(core.keep, 1, kMaxCoreKeep)},
        {"merge-similarity", {DecimalText(core.merge_similarity), 0, kMaxMergeSimilarity}}}},
      {"doses",
       {{"table", {std::string(kLibraryDoseTableKey)}},
        {"top", whole(doses.top, 1, kMaxDoseChartHerbs)},
        {"mass-unit", {std::string(kGramUnit)}},
        {"chart", {doses.chart.string()}}}},
      {"compare-sets",
       {{"a", {sets.set_a}},
        {"b", {sets.set_b}},
        {"items", {"herbs"}},
        {"min-count", {sets.min_count, 0, static_cast<double>(kMaxMinCount)}},
        {"doses", {"no"}},
        {"table", {std::string(kLibraryDoseTableKey)}}}},
      {"screen-ingredients", {{"herb", {""}}}},
      {"similar-actives",
       {{"herb", {""}},
        {"set", {"anticancer"}},
        {"min-similarity", {DecimalText(actives.min_similarity), 0, 1}}}},
  };
  std::set<std::string> seen;
  for (const AnalysisDescriptor& a : world.session.Analyses()) {
    ASSERT_TRUE(expected.count(a.key)) << a.key << ": its options are not compared here";
    seen.insert(a.key);
    const std::map<std::string, Expected>& options = expected.at(a.key);
    EXPECT_EQ(a.options.size(), options.size()) << a.key;
    for (const AnalysisOption& o : a.options) {
      ASSERT_TRUE(options.count(o.key)) << a.key << " --" << o.key;
      const Expected& e = options.at(o.key);
      EXPECT_EQ(o.default_value, e.value) << a.key << " --" << o.key;
      EXPECT_EQ(CheckOptionText(o, o.default_value), "") << a.key << " --" << o.key;
      if (o.kind == AnalysisOption::Kind::kWhole || o.kind == AnalysisOption::Kind::kDecimal) {
        EXPECT_EQ(o.min, e.min) << a.key << " --" << o.key;
        EXPECT_EQ(o.max, e.max) << a.key << " --" << o.key;
      }
    }
  }
  EXPECT_EQ(seen.size(), expected.size());

  // The bounds are the engines' own.
  NetworkOptions nodes;
  nodes.thresholds.top = static_cast<int>(kMaxNetworkNodes);
  EXPECT_EQ(RunHerbNetwork(world.session, nodes).outcome, Outcome::kDone);
  ++nodes.thresholds.top;
  EXPECT_EQ(RunHerbNetwork(world.session, nodes).outcome, Outcome::kRefused);
  DosesOptions boxes;
  boxes.top = kMaxDoseChartHerbs;
  EXPECT_EQ(RunDoses(world.session, boxes).outcome, Outcome::kDone);
  ++boxes.top;
  EXPECT_EQ(RunDoses(world.session, boxes).outcome, Outcome::kRefused);
  HerbClusteringOptions tree;
  tree.top = kMaxClusteredHerbs;
  EXPECT_EQ(CheckHerbClustering(tree), "");
  ++tree.top;
  EXPECT_NE(CheckHerbClustering(tree), "");
  CoreOptions merge;
  merge.merge_similarity = kMaxMergeSimilarity;
  EXPECT_EQ(CheckCoreOptions(merge), "");
}

TEST(AnalysisOptionTest, WholeAndDecimalOptionsKeepToTheirRanges) {
  const AnalysisOption whole{"top", "节点数", AnalysisOption::Kind::kWhole, "30", -5, 100, {}};
  const AnalysisOption decimal{"p", "阈值", AnalysisOption::Kind::kDecimal, "0.5", 0, 1, {}};
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    const int n = std::uniform_int_distribution<int>(-30, 130)(random);
    const std::string text = (i % 3 ? "" : " ") + std::to_string(n);
    EXPECT_EQ(CheckOptionText(whole, text).empty(), n >= -5 && n <= 100) << text;
    const double x = std::uniform_int_distribution<int>(-500, 1500)(random) / 1000.0;
    const std::string decimal_text = TableCell::Fixed(x, 3);
    EXPECT_EQ(CheckOptionText(decimal, decimal_text).empty(), x >= 0 && x <= 1) << decimal_text;
  }
  for (const char* bad : {"", "1.5", "1e2", "12a", "--3", "0x10", "１２"})
    EXPECT_NE(CheckOptionText(whole, bad), "") << bad;
  for (const char* bad : {"", ".", "1..0", "0,5", "nan", "inf", "1e-1"})
    EXPECT_NE(CheckOptionText(decimal, bad), "") << bad;
  EXPECT_NE(CheckOptionText(whole, "200").find("-5 到 100"), std::string::npos);

  AnalysisDescriptor analysis;
  analysis.caption = "测试";
  analysis.options = {
      whole, decimal, {"kind", "类别", AnalysisOption::Kind::kChoice, "a", 0, 0, {"a", "b"}}};
  OptionValues values{{"p", ".25"}};
  EXPECT_EQ(CompleteOptions(analysis, values), "");
  EXPECT_EQ(WholeOption(values, "top"), 30);
  EXPECT_DOUBLE_EQ(DecimalOption(values, "p"), 0.25);
  EXPECT_EQ(values.at("kind"), "a");
  values["kind"] = "c";
  EXPECT_NE(CompleteOptions(analysis, values), "");
  OptionValues unknown{{"topp", "3"}};
  EXPECT_NE(CompleteOptions(analysis, unknown).find("topp"), std::string::npos);
}

}  // namespace
}  // namespace lindora
