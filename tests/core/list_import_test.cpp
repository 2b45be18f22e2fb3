#include <gtest/gtest.h>

#include "app/input.h"
#include "app/list_import_actions.h"
#include "formula/fangji_analysis.h"
#include "herb/danti_analysis.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

class ListImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteLines("DB/Fangji.DB", {
                                          "小桂枝汤加味\t桂枝、甘草\t头痛\t解表",
                                          "桂枝汤\t桂枝、芍药、生姜\t中风\t调和营卫",
                                          "麻黄汤\t麻黄、桂枝\t伤寒",
                                      });
  }
  Input& Window() { return world.session.Window<Input>(); }
  void Import(std::string_view mode, std::string_view list) {
    Window().OpenInMode(mode);
    Window().SetTextInput(list);
    Window().Cmd_Input_Click();
  }
  std::vector<std::string> Column(const Grid& g, int col) {
    std::vector<std::string> cells;
    for (int r = 1; r < g.Rows(); ++r) cells.push_back(g.TextMatrix(r, col));
    return cells;
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(ListImportTest, MenuItemsOpenTheWindowInTheirMode) {
  OpenHerbListImport(world.session);
  EXPECT_EQ(Window().Caption(), "导入单味药");
  EXPECT_TRUE(Window().MenuToolsVisible());
  EXPECT_TRUE(Window().Visible());
  Window().SetTextInput("甘草");
  OpenFormulaListImport(world.session);
  EXPECT_EQ(Window().Caption(), "导入方剂");
  EXPECT_FALSE(Window().MenuToolsVisible());
  EXPECT_EQ(Window().TextInput(), "") << "each opening empties the list";
}

TEST_F(ListImportTest, FormulaNameNotFoundBecomesAnEmptyLine) {
  world.session.SearchHistory = "旧历史";
  Import(Input::kFormulaMode, "桂枝汤，不存在的方名");
  // 桂枝汤 is part of the first record's name, but the record of that very name is the one found.
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"桂枝汤\t桂枝、芍药、生姜\t中风\t调和营卫", "", ""}));
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), folder.ReadBytes("Result/Result.DB"));
  FangjiAnalysis& fangji = world.session.Window<FangjiAnalysis>();
  EXPECT_EQ(fangji.FlexGrid().Rows(), 2);
  EXPECT_EQ(fangji.FlexGrid().TextMatrix(0, 0), "方剂名称");
  EXPECT_EQ(fangji.FlexGrid().TextMatrix(1, 0), "桂枝汤");
  EXPECT_EQ(fangji.CheckSearchInResult(), 1);
  EXPECT_EQ(fangji.Caption(), "方剂分析");
  EXPECT_EQ(fangji.LabelCount(), "");
  EXPECT_EQ(world.session.SearchHistory, "旧历史");
  ASSERT_EQ(world.dialogs.Messages().size(), 1u) << "a missing name is reported";
  EXPECT_NE(world.dialogs.Messages()[0].find("不存在的方名"), std::string::npos);
  EXPECT_EQ(Window().TextInput(), "桂枝汤，不存在的方名") << "the list stays for another import";
}

TEST_F(ListImportTest, OnlyFormulaNamesAreSearchedNeverCompositionsOrIndications) {
  // A herb, a unit and an indication appear in records but name no formula; a piece of a name
  // still finds the formula whose name holds it.
  folder.WriteLines("DB/Fangji.DB", {"桂枝汤\t桂枝三两、芍药三两\t中风", "麻黄汤\t麻黄"});
  Import(Input::kFormulaMode, "芍药，两，中风，麻黄");
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"", "", "", "麻黄汤\t麻黄", ""}));
}

TEST_F(ListImportTest, OneNamePerLineWithTrailingBreakAndMixedSeparators) {
  Import(Input::kFormulaMode, "麻黄汤\r\n 小桂枝汤加味 ,\r\n");
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"麻黄汤\t麻黄、桂枝\t伤寒",
                                      "小桂枝汤加味\t桂枝、甘草\t头痛\t解表", ""}));
  // A text box that gives bare LF line breaks imports the same.
  Import(Input::kFormulaMode, "麻黄汤\n 小桂枝汤加味 ,\n");
  EXPECT_EQ(folder.ReadLines("Result/Result.DB").size(), 3u);
  EXPECT_EQ(world.session.Window<FangjiAnalysis>().FlexGrid().Rows(), 3);
}

TEST_F(ListImportTest, SecondFormulaImportReplacesTheFirst) {
  Import(Input::kFormulaMode, "麻黄汤");
  Import(Input::kFormulaMode, "桂枝汤,麻黄汤");
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"),
            (std::vector<std::string>{"桂枝汤\t桂枝、芍药、生姜\t中风\t调和营卫",
                                      "麻黄汤\t麻黄、桂枝\t伤寒", ""}));
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), folder.ReadBytes("Result/Result.DB"));
  const Grid& g = world.session.Window<FangjiAnalysis>().FlexGrid();
  EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"桂枝汤", "麻黄汤"}));
}

TEST_F(ListImportTest, EmptyListAndUnknownModeImportNothing) {
  Import(Input::kFormulaMode, "   ");
  Import(Input::kFormulaMode, "");
  Window().SetCaption("别的标题");
  Window().SetTextInput("桂枝汤");
  Window().Cmd_Input_Click();
  EXPECT_FALSE(std::filesystem::exists(folder / "Result/Result.DB"));
  EXPECT_EQ(world.session.FindWindow<FangjiAnalysis>(), nullptr);
  EXPECT_EQ(world.session.FindWindow<DantiAnalysis>(), nullptr);
}

TEST_F(ListImportTest, MissingFormulaDatabaseIsOneMessageAndKeepsTheResultSet) {
  folder.WriteLines("Result/Result.DB", {"旧结果\t人参\t头痛"});
  std::filesystem::remove(folder / "DB/Fangji.DB");
  Import(Input::kFormulaMode, "桂枝汤");
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_NE(world.dialogs.Messages()[0].find("Fangji.DB"), std::string::npos);
  EXPECT_EQ(folder.ReadLines("Result/Result.DB"), std::vector<std::string>{"旧结果\t人参\t头痛"});
}

TEST_F(ListImportTest, HerbNamesFillTheSingleHerbGridAsTyped) {
  Import(Input::kHerbMode, "甘草, 黄芪");
  DantiAnalysis& danti = world.session.Window<DantiAnalysis>();
  EXPECT_TRUE(danti.Visible());
  const Grid& g = danti.FlexGrid();
  EXPECT_EQ(g.TextMatrix(0, 0), "中药名");
  EXPECT_EQ(g.TextMatrix(0, 1), "频数");
  EXPECT_EQ(g.ColWidth(0), g.Width());
  EXPECT_EQ(g.ColWidth(1), 1);
  EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"甘草", " 黄芪"}));
  EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"1", "1"}));
  // A new import replaces the whole grid; blank items are skipped.
  Import(Input::kHerbMode, "人参，，  ，当归\r\n");
  EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"人参", "当归"}));
  EXPECT_FALSE(std::filesystem::exists(folder / "Result/Result.DB")) << "herb mode writes no file";
}

TEST_F(ListImportTest, StandardDataCleansAHerbList) {
  Window().OpenInMode(Input::kHerbMode);
  Window().SetTextInput("甘草（炙）2两、人参\r\n当归3钱\r\n黄芪,白术");
  Window().Menu_StandardData_Click();
  EXPECT_EQ(Window().TextInput(), "甘草，人参，当归，黄芪，白术");
  // Nothing is imported until the button.
  EXPECT_EQ(world.session.FindWindow<DantiAnalysis>(), nullptr);
  Window().Cmd_Input_Click();
  EXPECT_EQ(world.session.Window<DantiAnalysis>().FlexGrid().Rows(), 6);
}

TEST_F(ListImportTest, StandardDataDoesNothingInFormulaMode) {
  Window().OpenInMode(Input::kFormulaMode);
  Window().SetTextInput("甘草（炙）2两");
  Window().Menu_StandardData_Click();
  EXPECT_EQ(Window().TextInput(), "甘草（炙）2两");
}

TEST(ListSplitTest, SeparatorsInAnyMixtureKeepEmptyItems) {
  EXPECT_EQ(Input::SplitList("a，b,c\r\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(Input::SplitList("a,\r\n"), (std::vector<std::string>{"a", "", ""}));
  EXPECT_EQ(Input::SplitList(""), (std::vector<std::string>{""}));
}

}  // namespace
}  // namespace lindora
