// 导出为 Excel from the windows: every row of the analysis goes to the workbook, not only
// the rows a grid shows, with the counts the data give.
#include "common/table_export.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "analysis/association_rules_window.h"
#include "analysis/formula_set_actions.h"
#include "analysis/yaodui_analysis_window.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

std::string Herb(int i) {
  return std::string("药") + static_cast<char>('A' + i / 26) + static_cast<char>('A' + i % 26);
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
    const test::ReadCell* name = sheets[0].At(row, 1);
    const test::ReadCell* count = sheets[0].At(row, 2);
    ASSERT_TRUE(name && count) << "row " << row;
    EXPECT_EQ(name->value, f[0]);
    EXPECT_EQ(count->type, "n");
    EXPECT_EQ(std::stod(count->value), std::stod(f[1]));
    EXPECT_EQ(Together({f[0]}), std::stoi(f[1])) << f[0];
    ++row;
  }
  EXPECT_EQ(sheets[0].At(row, 1), nullptr);

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
}

}  // namespace
}  // namespace lindora
