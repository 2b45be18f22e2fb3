#include <gtest/gtest.h>

#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "herb/related_formulas.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

class RelatedFormulaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteLines("DB/Fangji.DB", {
                                          "桂枝汤\t桂枝  3两，芍药3两\t太阳中风",
                                          "小柴胡汤\t柴胡半斤，人参3两\t往来寒热",
                                          "麻黄汤\t麻黄3两\t太阳伤寒",
                                          "人参叶饮 \t人参叶1两 \t 口渴",
                                          "Aloe方\taloe 1两\t便秘",
                                      });
    folder.WriteLines("Result/Result.DB", {"旧方\t旧药\t旧证"});
    folder.WriteLines("Result/Result.DB.bak", {"旧方\t旧药\t旧证"});
  }
  FangjiAnalysis* Fangji() { return world.session.FindWindow<FangjiAnalysis>(); }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(RelatedFormulaTest, FoundFormulasBecomeTheResultSetAndFillTheFormulaWindow) {
  FangjiAnalysis& f = world.session.Window<FangjiAnalysis>();
  f.SetCheckSearchInResult(1);
  f.SetCheckFilter(1);
  f.SetState(WindowState::kMinimized);
  EXPECT_EQ(FindRelatedFormulas(world.session, "人参"), 2);
  // A short name also finds a longer one that contains it; lines are cleaned before matching.
  std::vector<std::string> expected = {"小柴胡汤\t柴胡半斤，人参3两\t往来寒热",
                                       "人参叶饮\t人参叶1两\t口渴"};
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), expected);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), folder.ReadBytes("Result/Result.DB"));
  EXPECT_EQ(f.LabelCount(), "找到 2  项包含“人参”的中药方剂");
  EXPECT_EQ(f.Caption(), "方剂分析——搜索历史：人参");
  EXPECT_EQ(world.session.SearchHistory, "人参");
  EXPECT_EQ(f.CheckSearchInResult(), 0);
  EXPECT_EQ(f.CheckFilter(), 0);
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(f.State(), WindowState::kNormal);
  ASSERT_EQ(f.FlexGrid().Rows(), 3);
  EXPECT_EQ(f.FlexGrid().TextMatrix(0, 0), "方剂名称");
  EXPECT_EQ(f.FlexGrid().TextMatrix(1, 0), "小柴胡汤");
  EXPECT_EQ(f.FlexGrid().TextMatrix(2, 2), "口渴");
  EXPECT_TRUE(world.dialogs.shown.empty());
}

TEST_F(RelatedFormulaTest, MatchIsOnTheCleanedLineAndCaseSensitive) {
  EXPECT_EQ(FindRelatedFormulas(world.session, "桂枝 3两"), 1);
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"桂枝汤\t桂枝 3两，芍药3两\t太阳中风"}));
  EXPECT_EQ(FindRelatedFormulas(world.session, "ALOE"), 0);
  EXPECT_EQ(FindRelatedFormulas(world.session, "Aloe"), 1);
}

TEST_F(RelatedFormulaTest, SameHerbTwiceIsAddedToTheHistoryOnce) {
  FindRelatedFormulas(world.session, "麻黄");
  FindRelatedFormulas(world.session, "麻黄");
  FindRelatedFormulas(world.session, "人参");
  EXPECT_EQ(Fangji()->ListHistory(), (std::vector<std::string>{"麻黄", "人参"}));
}

TEST_F(RelatedFormulaTest, NothingFoundKeepsTheResultSetAndTheWindowAndSaysSo) {
  EXPECT_EQ(FindRelatedFormulas(world.session, "龙胆草"), 0);
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), (std::vector<std::string>{"旧方\t旧药\t旧证"}));
  EXPECT_EQ(folder.ReadLines("Result/Result.DB.bak"),
            (std::vector<std::string>{"旧方\t旧药\t旧证"}));
  EXPECT_EQ(Fangji(), nullptr);  // not even created
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_NE(world.dialogs.Messages()[0].find("龙胆草"), std::string::npos);

  FindRelatedFormulas(world.session, "麻黄");
  std::string label = Fangji()->LabelCount();
  int rows = Fangji()->FlexGrid().Rows();
  EXPECT_EQ(FindRelatedFormulas(world.session, "龙胆草"), 0);
  EXPECT_EQ(Fangji()->LabelCount(), label);
  EXPECT_EQ(Fangji()->FlexGrid().Rows(), rows);
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"麻黄汤\t麻黄3两\t太阳伤寒"}));
}

TEST_F(RelatedFormulaTest, EmptyCellAndMissingDatabaseAreOneMessageEach) {
  EXPECT_EQ(FindRelatedFormulas(world.session, ""), 0);
  std::filesystem::remove(folder / "DB/Fangji.DB");
  EXPECT_EQ(FindRelatedFormulas(world.session, "人参"), 0);
  auto messages = world.dialogs.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "搜索关键词为空");
  EXPECT_NE(messages[1].find("Fangji.DB"), std::string::npos) << messages[1];
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), (std::vector<std::string>{"旧方\t旧药\t旧证"}));
  EXPECT_EQ(Fangji(), nullptr);
}

TEST_F(RelatedFormulaTest, PopupItemSearchesTheCurrentCellOfTheHerbGrid) {
  DantiAnalysis& danti = world.session.Window<DantiAnalysis>();
  danti.InitializeHerbGrid(2000, 1200);
  danti.AddHerbRow("麻黄", "3");
  danti.FlexGrid().SetRow(1);
  danti.FlexGrid().SetCol(0);
  danti.Menu_FindFangjiByHerb_Click();
  ASSERT_NE(Fangji(), nullptr);
  EXPECT_EQ(Fangji()->LabelCount(), "找到 1  项包含“麻黄”的中药方剂");
  // A current cell in the frequency column searches its text.
  danti.FlexGrid().SetCol(1);
  danti.Menu_FindFangjiByHerb_Click();
  EXPECT_EQ(Fangji()->LabelCount(), "找到 3  项包含“3”的中药方剂");
}

TEST_F(RelatedFormulaTest, CliPrintsTheLabelAndTheFormulaGrid) {
  auto r = test::RunCli({"--root", folder.root().string(), "related-formulas", "麻黄"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("# Label_Count\t找到 1  项包含“麻黄”的中药方剂\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n麻黄汤\t麻黄3两\t太阳伤寒\t\t3两\n"), std::string::npos) << r.out;
  auto none = test::RunCli({"--root", folder.root().string(), "related-formulas", "龙胆草"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"麻黄汤\t麻黄3两\t太阳伤寒"}));
}

}  // namespace
}  // namespace lindora
