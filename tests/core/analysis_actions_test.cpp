// The three analyses as the formula window's menu items run them.
#include <gtest/gtest.h>

#include "analysis/formula_set_actions.h"
#include "analysis/herb_frequency/herb_frequency_window.h"
#include "analysis/symptoms/symptoms_window.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

// Herb names without digits, which the composition clean-up would remove.
std::string Herb(int i) {
  return std::string("药") + static_cast<char>('A' + i / 26) + static_cast<char>('A' + i % 26);
}

class FormulaSetAnalysisTest : public ::testing::Test {
 protected:
  // A result set as a search leaves it: the file and the formula grid with data rows.
  void Results(const std::vector<std::string>& lines) {
    folder.WriteLines("Result/Result.DB", lines);
    world.session.Window<FangjiAnalysis>().FlexGrid().SetRows(2);
  }
  std::vector<std::string> Column(const Grid& g, int col) {
    std::vector<std::string> cells;
    for (int r = 1; r < g.Rows(); ++r) cells.push_back(g.TextMatrix(r, col));
    return cells;
  }
  bool Exists(std::string_view relative) { return std::filesystem::exists(folder / relative); }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(FormulaSetAnalysisTest, EmptyFormulaGridOnlyWarns) {
  folder.WriteLines("Result/Result.DB", {"桂枝汤\t桂枝、芍药\t头痛"});
  DanweiyaoAnalysis(world.session);
  YaoduiAnalysisOfResults(world.session);
  SymptomAnalysisOfResults(world.session);
  EXPECT_EQ(world.dialogs.Messages(), std::vector<std::string>(3, kNoDataMessage));
  EXPECT_FALSE(Exists("Result/Result.DB.stand"));
  EXPECT_FALSE(Exists("Result/Yaodui_Analysis1.txt"));
  EXPECT_EQ(world.session.FindWindow<YaoduiAnalysisWindow>(), nullptr);
  EXPECT_EQ(world.session.FindWindow<SymptomAnalysisWindow>(), nullptr);
}

TEST_F(FormulaSetAnalysisTest, HerbFrequencyFillsTheSingleHerbWindow) {
  std::string composition;
  for (int i = 1; i <= 57; ++i) composition += Herb(i) + "（炒）1两，";
  Results({"大方\t" + composition + "\t诸证。"});
  DanweiyaoAnalysis(world.session);
  EXPECT_EQ(world.dialogs.Messages(),
            std::vector<std::string>{"找到57味中药单体，默认显示前100项"});
  DantiAnalysis& danti = world.session.Window<DantiAnalysis>();
  EXPECT_TRUE(danti.Visible());
  const Grid& g = danti.FlexGrid();
  EXPECT_EQ(g.Rows(), 58);
  EXPECT_EQ(g.TextMatrix(0, 0), "中药名");
  EXPECT_EQ(g.TextMatrix(0, 1), "频数");
  EXPECT_EQ(g.ColWidth(0), g.Width() - 1200);
  EXPECT_EQ(g.ColWidth(1), 1200);
  EXPECT_EQ(g.TextMatrix(1, 0), Herb(1));
  EXPECT_EQ(g.TextMatrix(1, 1), "1");
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis1.txt").size(), 57u);
}

TEST_F(FormulaSetAnalysisTest, HerbFrequencyShowsTheFirst100AndWritesAll) {
  std::string composition;
  for (int i = 1; i <= 150; ++i) composition += Herb(i) + "、";
  Results({"大方\t" + composition + Herb(150) + "\t诸证", "小方\t" + Herb(150) + "\t"});
  DanweiyaoAnalysis(world.session);
  EXPECT_EQ(world.dialogs.Messages(),
            std::vector<std::string>{"找到150味中药单体，默认显示前100项"});
  const Grid& g = world.session.Window<DantiAnalysis>().FlexGrid();
  EXPECT_EQ(g.Rows(), 101);
  EXPECT_EQ(g.TextMatrix(1, 0), Herb(150));
  // A herb written twice in one formula counts once: frequencies are formulas.
  EXPECT_EQ(g.TextMatrix(1, 1), "2");
  auto file = folder.ReadLines("Result/Yaodui_Analysis1.txt");
  ASSERT_EQ(file.size(), 150u);
  EXPECT_EQ(file[0], Herb(150) + "\t2");
}

TEST_F(FormulaSetAnalysisTest, MissingResultFileGivesOneMessageAndNoOutput) {
  world.session.Window<FangjiAnalysis>().FlexGrid().SetRows(2);
  DanweiyaoAnalysis(world.session);
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_NE(world.dialogs.Messages()[0].find("Result.DB"), std::string::npos);
  YaoduiAnalysisOfResults(world.session);
  SymptomAnalysisOfResults(world.session);
  EXPECT_EQ(world.dialogs.Messages().size(), 3u);
  // Only the backup that the formula window empties when it loads.
  for (const auto& e : std::filesystem::directory_iterator(folder / "Result"))
    if (e.path().filename() != "Result.DB.bak" && e.path().filename() != ".lindora.lock")
      ADD_FAILURE() << "unexpected file " << e.path();
  EXPECT_EQ(world.session.FindWindow<YaoduiAnalysisWindow>(), nullptr);
}

TEST_F(FormulaSetAnalysisTest, HerbPairsOfTheWorkedExample) {
  // Counts 人参 5, 甘草 4, 当归 3, 川芎 3, 白芍 1; 白芍 never takes part.
  Results({"一\t川芎、人参、当归\t头痛", "二\t人参1两，甘草，当归\t发热",
           "三\t人参，甘草，川芎，白芍\t咳嗽", "四\t人参、甘草\t", "五\t人参、甘草、当归、川芎\t"});
  world.session.SearchHistory = "人参";
  YaoduiAnalysisOfResults(world.session);
  EXPECT_TRUE(world.dialogs.shown.empty());
  EXPECT_EQ(world.session.SearchHistory, "");
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis1.txt"),
            (std::vector<std::string>{"人参\t5", "甘草\t4", "当归\t3", "川芎\t3", "白芍\t1"}));
  // First seen 30001 40001 40003 20001 30002 40002 with counts 3 3 2 4 2 2.
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis2.txt"),
            (std::vector<std::string>{"20001.0\t4", "40001.0\t3", "30001.0\t3", "40003.0\t2",
                                      "30002.0\t2", "40002.0\t2"}));
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis3.txt"),
            (std::vector<std::string>{"400030001.0\t2", "300020001.0\t2", "400020001.0\t2",
                                      "400030002.0\t1"}));
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis4.txt"),
            std::vector<std::string>{"4000300020001.0\t1"});
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis2_Name.csv"),
            (std::vector<std::string>{"人参,甘草", "人参,川芎", "人参,当归", "当归,川芎",
                                      "甘草,当归", "甘草,川芎"}));
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis4_Name.csv"),
            std::vector<std::string>{"人参,甘草,当归,川芎"});

  YaoduiAnalysisWindow& w = world.session.Window<YaoduiAnalysisWindow>();
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.Caption(), "药对分析");
  const Grid& pairs = w.FlexGrid(1);
  EXPECT_EQ(pairs.TextMatrix(0, 0), "药对（2）");
  EXPECT_EQ(pairs.TextMatrix(0, 1), "频数");
  EXPECT_EQ(pairs.ColWidth(0), 3300 - 1200);
  EXPECT_EQ(pairs.ColWidth(1), 1200);
  EXPECT_EQ(Column(pairs, 0), (std::vector<std::string>{"人参、甘草", "人参、川芎", "人参、当归",
                                                        "当归、川芎", "甘草、当归", "甘草、川芎"}));
  EXPECT_EQ(Column(pairs, 1), (std::vector<std::string>{"4", "3", "3", "2", "2", "2"}));
  EXPECT_EQ(w.FlexGrid(2).TextMatrix(0, 0), "药对（3）");
  EXPECT_EQ(w.FlexGrid(2).ColWidth(0), 4140 - 1200);
  EXPECT_EQ(w.FlexGrid(2).Rows(), 5);
  EXPECT_EQ(Column(w.FlexGrid(3), 0), std::vector<std::string>{"人参、甘草、当归、川芎"});
}

TEST_F(FormulaSetAnalysisTest, OnlyTheFirst200GroupsAreShownAndNamed) {
  std::string thirty;
  for (int i = 1; i <= 30; ++i) thirty += Herb(i) + "、";
  Results({"甲\t" + thirty + "\t", "乙\t" + thirty + "\t", "丙\t" + thirty + "\t"});
  YaoduiAnalysisOfResults(world.session);
  YaoduiAnalysisWindow& w = world.session.Window<YaoduiAnalysisWindow>();
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis2.txt").size(), 435u);
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis3.txt").size(), 4060u);
  EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis4.txt").size(), 27405u);
  for (int n = 2; n <= 4; ++n) {
    EXPECT_EQ(folder.ReadLines("Result/Yaodui_Analysis" + std::to_string(n) + "_Name.csv").size(),
              200u);
    EXPECT_EQ(w.FlexGrid(n - 1).Rows(), 201);
  }
  // A second run clears the grids before filling them.
  Results({"甲\t甲药、乙药\t", "乙\t甲药、乙药\t", "丙\t甲药、乙药\t"});
  YaoduiAnalysisOfResults(world.session);
  EXPECT_EQ(w.FlexGrid(1).Rows(), 2);
  EXPECT_EQ(w.FlexGrid(2).Rows(), 1);
  EXPECT_EQ(w.FlexGrid(2).TextMatrix(1, 0), "");
}

TEST_F(FormulaSetAnalysisTest, ExportNoticeNamesThePairFile) {
  YaoduiAnalysisWindow& w = world.session.Window<YaoduiAnalysisWindow>();
  w.Menu_ExportYaodui2List_Click();
  EXPECT_EQ(world.dialogs.Messages(),
            std::vector<std::string>{
                "导出药对（2）分析成功，可以用gephi进行网络分析，请到以下路径下查找：" +
                (folder.root() / "Result" / "Yaodui_Analysis2_Name.csv").string()});
}

TEST_F(FormulaSetAnalysisTest, SymptomsAreCountedFromTheUnstandardisedFile) {
  Results({"甲\t人参\t头痛，发热。", "", "乙\t甘草\t发热，恶寒或头痛\t功效",
           "丙\t当归\t伤寒头痛，或发热恶寒，兼有咳嗽者。", "短行\t只有两段"});
  SymptomAnalysisOfResults(world.session);
  EXPECT_TRUE(world.dialogs.shown.empty());
  SymptomAnalysisWindow& w = world.session.Window<SymptomAnalysisWindow>();
  EXPECT_TRUE(w.Visible());
  const Grid& g = w.FlexGridSymptom();
  EXPECT_EQ(g.TextMatrix(0, 0), "症状");
  EXPECT_EQ(g.TextMatrix(0, 1), "频数");
  EXPECT_EQ(g.ColWidth(0), 3420 - 1200);
  EXPECT_EQ(Column(g, 0),
            (std::vector<std::string>{"头痛", "发热", "恶寒", "伤寒头痛", "发热恶寒", "咳嗽"}));
  EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"2", "2", "1", "1", "1", "1"}));
  EXPECT_FALSE(Exists("Result/Result.DB.stand")) << "the symptom analysis writes nothing";
}

TEST_F(FormulaSetAnalysisTest, EmptyIndicationsGiveOnlyTheHeader) {
  Results({"甲\t人参\t", "乙\t甘草\t。"});
  SymptomAnalysisOfResults(world.session);
  EXPECT_EQ(world.session.Window<SymptomAnalysisWindow>().FlexGridSymptom().Rows(), 1);
}

TEST_F(FormulaSetAnalysisTest, SymptomMenuItemsDoNothing) {
  SymptomAnalysisWindow& w = world.session.Window<SymptomAnalysisWindow>();
  w.Menu_LoadSymptomList_Click();
  w.Menu_ExportSymptomList_Click();
  EXPECT_TRUE(world.dialogs.shown.empty());
  EXPECT_EQ(w.FlexGridSymptom().Rows(), 1);
  EXPECT_FALSE(w.Visible());
}

}  // namespace
}  // namespace lindora
