// 导出为 Excel from the windows: every row of the analysis goes to the workbook, not only
// the rows a grid shows, with the counts the data give.
#include "common/table_export.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/formula_set_actions.h"
#include "analysis/herb_clustering/herb_clustering_window.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/herb_properties/herb_properties_analysis.h"
#include "analysis/herb_properties/herb_properties_window.h"
#include "analysis/network/network_analysis.h"
#include "analysis/network/network_window.h"
#include "analysis/rules/rules_window.h"
#include "analysis/symptoms/symptoms_analysis.h"
#include "analysis/symptoms/symptoms_window.h"
#include "common/pictures.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/pixel_png.h"
#include "support/test_folder.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

std::string Herb(int i) {
  return std::string("药") + static_cast<char>('A' + i / 26) + static_cast<char>('A' + i % 26);
}

// A real PNG for every picture: the workbook embeds them.
class PixelPictures : public PictureWriter {
 public:
  void WriteBarChartPng(const BarChart&, const std::filesystem::path&, int, int) override {}
  void WriteRadarChartPng(const RadarChart&, const std::filesystem::path&, int, int) override {}
  void WriteNetworkPng(const NetworkPicture&, const std::filesystem::path&, int, int) override {}
  void WriteBoxPlotPng(const BoxPlot&, const std::filesystem::path&, int, int) override {}
  void WriteNetworkSvg(const NetworkPicture&, const std::filesystem::path&, int, int) override {}
  void WriteDendrogramPng(const DendrogramPicture&, const std::filesystem::path&, int,
                          int) override {}
  void WriteDendrogramSvg(const DendrogramPicture&, const std::filesystem::path&, int,
                          int) override {}
  std::string DendrogramPng(const DendrogramPicture&, int, int) override {
    return test::PixelPng();
  }
  std::string DendrogramSvg(const DendrogramPicture&, int, int) override { return "<svg/>"; }
  std::string BarChartPng(const BarChart&, int, int) override { return test::PixelPng(); }
  std::string RadarChartPng(const RadarChart&, int, int) override { return test::PixelPng(); }
  std::string NetworkPng(const NetworkPicture&, int, int) override { return test::PixelPng(); }
  std::string NetworkSvg(const NetworkPicture&, int, int) override { return {}; }
  std::string BoxPlotPng(const BoxPlot&, int, int) override { return test::PixelPng(); }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>&,
                      const std::string&) override {
    return html;
  }
};

// A sheet read back holds the engine's table: caption, header, then every row with every value
// and its type, nothing after.
void ExpectSheetHolds(const test::ReadSheet& sheet, const ResultTable& table) {
  SCOPED_TRACE(sheet.name);
  EXPECT_EQ(sheet.freeze, "A3");
  for (std::size_t c = 0; c < table.header.size(); ++c) {
    const test::ReadCell* head = sheet.At(2, static_cast<int>(c) + 1);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->value, table.header[c]);
  }
  int row = 3;
  for (const std::vector<TableCell>& cells : table.rows) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const TableCell& cell = cells[c];
      const test::ReadCell* got = sheet.At(row, static_cast<int>(c) + 1);
      if (cell.text.empty()) continue;
      ASSERT_TRUE(got) << "row " << row << " col " << c;
      if (cell.kind == TableCell::Kind::kText) {
        EXPECT_EQ(got->type, "s") << cell.text;
        EXPECT_EQ(got->value, cell.text);
      } else {
        EXPECT_EQ(got->type, "n") << cell.text;
        EXPECT_DOUBLE_EQ(std::stod(got->value), cell.number) << cell.text;
      }
    }
    ++row;
  }
  EXPECT_EQ(sheet.At(row, 1), nullptr) << "a row after the table's last";
}

class TableExportTest : public ::testing::Test {
 protected:
  // 30 formulas over 150 herbs: formula f holds herb k when (k * 7 + f) % (k % 5 + 2) == 0,
  // so counts differ and there are far more herbs and pairs than the grids show.
  void SetUp() override {
    std::vector<std::string> lines;
    for (int f = 0; f < 30; ++f) {
      std::string composition;
      std::set<int> herbs;
      for (int k = 0; k < 150; ++k)
        if ((k * 7 + f) % (k % 5 + 2) == 0) composition += Herb(k) + "、", herbs.insert(k);
      formulas.push_back(herbs);
      lines.push_back("方" + std::to_string(f) + "\t" + composition + "\t头痛\t");
    }
    folder.WriteLines("Result/Result.DB", lines);
    folder.WriteLines("DB/Herb_Name.DB",
                      {"1\t30\t" + Herb(0) + "\tya\t", "2\t1\t" + Herb(1) + "\tyb\t"});
    world.session.Window<FangjiAnalysis>().FlexGrid().SetRows(2);
  }
  int Together(const std::vector<std::string>& names) const {
    std::vector<int> ks;
    for (const std::string& n : names)
      for (int k = 0; k < 150; ++k)
        if (Herb(k) == n) ks.push_back(k);
    int count = 0;
    for (const std::set<int>& f : formulas)
      count += std::all_of(ks.begin(), ks.end(), [&](int k) { return f.count(k) > 0; });
    return count;
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
  std::vector<std::set<int>> formulas;
};

TEST_F(TableExportTest, HerbAndPairWorkbooksHoldEveryRowOfTheAnalysis) {
  ASSERT_EQ(DanweiyaoAnalysis(world.session), Outcome::kDone);
  DantiAnalysis& danti = world.session.Window<DantiAnalysis>();
  ASSERT_EQ(danti.FlexGrid().Rows(), 101);  // the grid shows the first 100
  world.dialogs.save_files.push_back((folder / "Result/单味药").string());
  ASSERT_EQ(danti.Menu_ExportExcel_Click(), Outcome::kDone);

  LINDORA_READ_WORKBOOK_OR_SKIP(sheets, folder / "Result/单味药.xlsx");  // extension added
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].charts, 1);
  EXPECT_EQ(sheets[1].charts, 1);  // the type distribution
  const std::vector<std::string> all = folder.ReadLines("Result/Yaodui_Analysis1.txt");
  ASSERT_GT(all.size(), 100u);
  int row = 3;  // caption, header
  for (const std::string& line : all) {
    const std::vector<std::string> f = Split(line, "\t");
    const test::ReadCell* name = sheets[0].At(row, 2);  // after the row number
    const test::ReadCell* count = sheets[0].At(row, 3);
    ASSERT_TRUE(name && count) << "row " << row;
    EXPECT_EQ(name->value, f[0]);
    EXPECT_EQ(count->type, "n");
    EXPECT_EQ(std::stod(count->value), std::stod(f[1]));
    EXPECT_EQ(Together({f[0]}), std::stoi(f[1])) << f[0];
    ++row;
  }
  EXPECT_EQ(sheets[0].At(row, 2), nullptr);

  ASSERT_EQ(YaoduiAnalysisOfResults(world.session), Outcome::kDone);
  YaoduiAnalysisWindow& groups = world.session.Window<YaoduiAnalysisWindow>();
  const std::vector<WorkbookSheet> group_sheets = groups.ExcelSheets();
  ASSERT_EQ(group_sheets.size(), 3u);
  const ResultTable& pairs = group_sheets[0].table;
  EXPECT_GT(pairs.rows.size(), static_cast<std::size_t>(groups.FlexGrid(1).Rows() - 1));
  for (const std::vector<TableCell>& r : pairs.rows)
    ASSERT_EQ(Together(Split(r[0].text, "、")), r[1].number) << r[0].text;
  // A new analysis that fills the grid another way forgets the complete table.
  groups.InitializeGroupGrid(2);
  EXPECT_TRUE(groups.ExcelSheets()[0].table.rows.empty());
}

TEST_F(TableExportTest, CancelWritesNothingEmptyTablesAreRefusedLockedWorkbookIsNamed) {
  AssociationRulesWindow& rules = world.session.Window<AssociationRulesWindow>();
  EXPECT_EQ(rules.Menu_ExportExcel_Click(), Outcome::kRefused);
  EXPECT_EQ(world.dialogs.Messages().back(), kNothingToExportMessage);

  rules.SetTextMinSupport("5");
  rules.SetTextMaxSize("2");
  rules.SetTextMinConfidence("0");
  ASSERT_EQ(rules.Cmd_Run_Click(), Outcome::kDone);
  ASSERT_GT(rules.Mining().rules.size(), static_cast<std::size_t>(rules.FlexGrid().Rows() - 1));
  const std::vector<WorkbookSheet> sheets = rules.ExcelSheets();
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].table.rows.size(), rules.Mining().rules.size());
  EXPECT_EQ(sheets[1].table.rows.size(), rules.Mining().itemsets.size());
  // The grid's rows are the workbook's first rows, cell for cell.
  for (int r = 1; r < rules.FlexGrid().Rows(); r += 97)
    for (int c = 0; c < AssociationRulesWindow::kColumns; ++c)
      EXPECT_EQ(
          sheets[0].table.rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)].text,
          rules.FlexGrid().TextMatrix(r, c));

  EXPECT_EQ(rules.Menu_ExportExcel_Click(), Outcome::kDone);  // cancelled
  EXPECT_EQ(world.dialogs.shown.back().kind, "save");
  EXPECT_EQ(world.dialogs.shown.back().text, "关联规则分析.xlsx");

  folder.WriteBytes("Result/.~lock.规则.xlsx#", "");
  world.dialogs.save_files.push_back((folder / "Result/规则.xlsx").string());
  EXPECT_EQ(rules.Menu_ExportExcel_Click(), Outcome::kFailed);
  EXPECT_NE(world.dialogs.Messages().back().find(".~lock.规则.xlsx#"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder / "Result/规则.xlsx"));

  // The dialog may point anywhere: the program's own files are refused like every output.
  for (const char* own : {"DB/Fangji.DB", "Result/Result.DB", "Result/Sets/甲.DB"}) {
    world.dialogs.save_files.push_back((folder / own).string());
    EXPECT_EQ(rules.Menu_ExportExcel_Click(), Outcome::kRefused) << own;
    EXPECT_FALSE(std::filesystem::exists(folder / (std::string(own) + ".xlsx"))) << own;
  }
}

// Each window's workbook is its engine's tables as the console or the report gets them (every
// row, typed), its bar charts native beside them, its pictures (dendrogram, network, radar)
// embedded.
TEST_F(TableExportTest, WindowsExportTheirEnginesTablesWithChartsAndPictures) {
  PixelPictures pictures;
  InstallPictureWriter(&pictures);
  struct Uninstall {
    ~Uninstall() { InstallPictureWriter(nullptr); }
  } uninstall;
  folder.WriteLines("DB/Herb_Property.DB", {"1\t温\t辛、微苦\t肺、膀胱\t\t中国药典2020年版一部",
                                            "2\t微寒\t苦\t肝\t有毒\t中国药典2020年版一部"});
  Session& session = world.session;
  auto engine = [&](const AnalysisDescriptor& d, OptionValues values) {
    EXPECT_EQ(CompleteOptions(d, values), "");
    AnalysisOutput out;
    EXPECT_EQ(d.run(session, values, out), Outcome::kDone) << d.key;
    return out.tables;
  };
  int file = 0;
  auto exported = [&](auto& window) {
    const auto path = folder / ("Result/导出" + std::to_string(++file) + ".xlsx");
    world.dialogs.save_files.push_back(path.string());
    EXPECT_EQ(window.Menu_ExportExcel_Click(), Outcome::kDone);
    return path;
  };
  struct Expect {
    std::vector<ResultTable> tables;
    std::vector<int> charts, images;
  };
  auto check = [](const std::filesystem::path& path, const Expect& expect) {
    LINDORA_READ_WORKBOOK_OR_SKIP(sheets, path);
    ASSERT_EQ(sheets.size(), expect.tables.size()) << path;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      ExpectSheetHolds(sheets[i], expect.tables[i]);
      EXPECT_EQ(sheets[i].charts, expect.charts[i]) << sheets[i].name;
      EXPECT_EQ(sheets[i].images, expect.images[i]) << sheets[i].name;
    }
  };

  ASSERT_EQ(SymptomAnalysisOfResults(session), Outcome::kDone);
  check(exported(session.Window<SymptomAnalysisWindow>()),
        {engine(SymptomAnalysis(), {}), {1}, {0}});

  ASSERT_EQ(HerbPropertiesOfResults(session), Outcome::kDone);
  HerbPropertiesWindow& properties = session.Window<HerbPropertiesWindow>();
  world.dialogs.save_files.push_back((folder / "Result/性味.xlsx").string());
  ASSERT_EQ(properties.Cmd_ExportExcel_Click(), Outcome::kDone);
  check(folder / "Result/性味.xlsx",
        {engine(HerbPropertiesAnalysis(), {}), {1, 0, 2, 2, 0}, {0, 0, 0, 0, 0}});

  HerbNetworkWindow& network = session.Window<HerbNetworkWindow>();
  network.SetNodeValue("30");
  network.SetEdgeValue("2");
  ASSERT_EQ(network.Draw(), Outcome::kDone);
  const std::vector<ResultTable> network_tables = engine(HerbNetworkAnalysis(), {});
  ASSERT_EQ(network_tables.size(), 2u);
  // Degrees and centralities are numbers, not texts.
  EXPECT_EQ(network_tables[0].rows.at(0).back().kind, TableCell::Kind::kNumber);
  check(exported(network), {network_tables, {0, 0}, {1, 0}});

  HerbClusteringWindow& clustering = session.Window<HerbClusteringWindow>();
  EXPECT_EQ(clustering.Menu_ExportExcel_Click(), Outcome::kRefused);  // nothing run yet
  ASSERT_EQ(OpenHerbClustering(session), Outcome::kDone);
  // The herbs of half the formulas: a pair table the reader reads back quickly.
  clustering.SetCoreOption("min-support", "12");
  ASSERT_EQ(clustering.Cmd_CoreCombinations_Click(), Outcome::kDone);
  std::vector<ResultTable> tables = engine(HerbClusteringDescriptor(), {});
  const std::size_t herb_tables = tables.size();
  for (ResultTable& t : engine(CoreCombinationsDescriptor(), {{"min-support", "12"}}))
    tables.push_back(std::move(t));
  Expect expect{tables, std::vector<int>(tables.size(), 0), std::vector<int>(tables.size(), 0)};
  expect.images[0] = 1;  // the dendrogram beside the herb clusters
  ASSERT_GT(herb_tables, 0u);
  check(exported(clustering), expect);
}

}  // namespace
}  // namespace lindora
