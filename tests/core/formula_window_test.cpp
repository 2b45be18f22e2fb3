// The formula window's model: grid fill, placeholder, check boxes, history drop-down, pop-up.
#include <gtest/gtest.h>

#include <random>

#include "common/files.h"
#include "common/gbk.h"
#include "common/menu.h"
#include "common/text.h"
#include "common/web_addresses.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"
#include "formula/keyword_query.h"
#include "formula/library.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

using namespace lindora;
using lindora::test::FakeWorld;
using lindora::test::TestFolder;

namespace {

class FormulaWindowTest : public ::testing::Test {
 protected:
  FormulaWindowTest() : world(folder.root()) {
    folder.WriteLines("DB/Fangji.DB", {
                                          "A方\t麻黄3两，桂枝2两\t发热恶寒\t发汗",
                                          "B方\t麻黄3两，甘草1两\t咳喘",
                                          "C方\t桂枝3两，甘草2两\t汗出恶风",
                                      });
    folder.WriteLines("Result/Result.DB.bak", {"old"});
  }
  FangjiAnalysis& Window() { return world.session.Window<FangjiAnalysis>(); }
  void Search(std::string_view text) {
    FangjiAnalysis& w = Window();
    w.SetTextInput(text);
    w.Cmd_Search_Text_Click();
  }

  TestFolder folder;
  FakeWorld world;
};

TEST_F(FormulaWindowTest, LoadShowsTheGreyPlaceholderAndEmptiesTheBackup) {
  FangjiAnalysis& w = Window();
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.Caption(), "方剂分析");
  EXPECT_EQ(w.Tag(), "方剂分析");
  EXPECT_EQ(w.TextInput(), " 请输入关键词");
  EXPECT_EQ(w.TextInputColor(), FangjiAnalysis::TextColor::kGrey);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), "");
  // not initialised: four columns, one header row with empty headers
  EXPECT_EQ(w.FlexGrid().Rows(), 1);
  EXPECT_EQ(w.FlexGrid().Cols(), 4);
  EXPECT_EQ(w.FlexGrid().TextMatrix(0, 1), "");
}

TEST_F(FormulaWindowTest, ViewStepsAfterAQuery) {
  Search("麻黄");
  FangjiAnalysis& w = Window();
  EXPECT_EQ(w.LabelCount(), "找到 2  项结果");
  EXPECT_EQ(w.Caption(), "方剂分析——搜索历史：麻黄");
  EXPECT_EQ(w.ListHistory(), std::vector<std::string>{"麻黄"});
  ASSERT_EQ(w.FlexGrid().Rows(), 3);
  EXPECT_EQ(w.FlexGrid().TextMatrix(0, 0), "方剂名称");
  EXPECT_EQ(w.FlexGrid().TextMatrix(0, 3), "功效");
  EXPECT_EQ(w.FlexGrid().TextMatrix(1, 3), "发汗");
  EXPECT_EQ(w.FlexGrid().TextMatrix(2, 2), "咳喘");
  EXPECT_EQ(w.FlexGrid().TextMatrix(2, 3), "");  // a three-field record
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(w.FlexGrid().ColAlignment(c), Alignment::kCenterCenter) << c;
  // the same history again is not listed twice; a query without hits keeps only the header
  Search("麻黄");
  Search("石膏");
  EXPECT_EQ(w.ListHistory(), (std::vector<std::string>{"麻黄", "石膏"}));
  EXPECT_EQ(w.LabelCount(), "找到 0  项结果");
  EXPECT_EQ(w.FlexGrid().Rows(), 1);
  EXPECT_EQ(w.FlexGrid().TextMatrix(0, 1), "方剂药物组成");
}

TEST_F(FormulaWindowTest, FiveHundredRecordsShowTheFirst201LinesOfTheFile) {
  std::vector<std::string> lines;
  for (int i = 0; i < 500; ++i) {
    lines.push_back("方" + std::to_string(i) + "\t麻黄\t热");
    if (i == 10) lines.push_back("");  // blank lines count toward the 201
  }
  folder.WriteLines("DB/Fangji.DB", lines);
  FangjiAnalysis& w = Window();
  Search("麻黄");
  EXPECT_EQ(w.LabelCount(), "找到 500  项结果");
  EXPECT_EQ(w.FlexGrid().Rows(), 202);
  EXPECT_EQ(w.FlexGrid().TextMatrix(201, 0), "方200");
  // the same file with a blank line in it, loaded as a list import would
  folder.WriteLines("Result/Result.DB", lines);
  w.InitializeGrid();
  w.LoadResults();
  EXPECT_EQ(w.FlexGrid().Rows(), 201);
  EXPECT_EQ(w.FlexGrid().TextMatrix(200, 0), "方199");
}

TEST_F(FormulaWindowTest, RowHeightFollowsTheLongestField) {
  FangjiAnalysis& w = Window();
  w.InitializeGrid();
  const std::string han = "药";
  auto repeat = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += han;
    return s;
  };
  w.AddRowInFlex("甲\t" + repeat(60) + "\t热");
  w.AddRowInFlex("乙\t" + repeat(23));
  w.AddRowInFlex("丙\t" + repeat(24));
  w.AddRowInFlex("丁\t短\t短\t短\t" + repeat(48));  // a fifth field is not shown but counts
  EXPECT_EQ(w.FlexGrid().RowHeight(1), 1200);
  EXPECT_EQ(w.FlexGrid().RowHeight(2), 400);
  EXPECT_EQ(w.FlexGrid().RowHeight(3), 800);
  EXPECT_EQ(w.FlexGrid().RowHeight(4), 1200);
  EXPECT_EQ(w.FlexGrid().Cols(), 4);
}

TEST_F(FormulaWindowTest, KeyOverThePlaceholderStartsANewSearch) {
  FangjiAnalysis& w = Window();
  w.SetCheckSearchInResult(1);
  w.Text_Input_KeyDown();
  EXPECT_EQ(w.TextInput(), "");
  EXPECT_EQ(w.CheckSearchInResult(), 0);
  EXPECT_EQ(w.TextInputColor(), FangjiAnalysis::TextColor::kBlack);
  w.Text_Input_KeyPress(13);
  EXPECT_EQ(world.dialogs.Messages(), std::vector<std::string>{"检索关键字不能为空"});
  // once black, a key keeps the text and the switch
  w.SetTextInput("麻黄");
  w.SetCheckSearchInResult(1);
  w.Text_Input_KeyDown();
  EXPECT_EQ(w.TextInput(), "麻黄");
  EXPECT_EQ(w.CheckSearchInResult(), 1);
}

TEST_F(FormulaWindowTest, SearchButtonOnThePlaceholderSearchesItsWords) {
  FangjiAnalysis& w = Window();
  w.Cmd_Search_Text_Click();
  EXPECT_TRUE(world.dialogs.Messages().empty());
  EXPECT_EQ(w.LabelCount(), "找到 0  项结果");
  EXPECT_EQ(world.session.SearchHistory, "请输入关键词");
}

TEST_F(FormulaWindowTest, ExclusionTicksSearchInResultsAndIsOffAfterTheQuery) {
  FangjiAnalysis& w = Window();
  Search("甘草");
  w.SetCheckFilter(1);
  w.Check_Filter_Click();
  EXPECT_EQ(w.CheckSearchInResult(), 1);
  Search("麻黄");
  EXPECT_EQ(w.LabelCount(), "找到 1  项结果");
  EXPECT_EQ(w.FlexGrid().TextMatrix(1, 0), "C方");
  EXPECT_EQ(w.CheckFilter(), 0);
  EXPECT_EQ(w.CheckSearchInResult(), 1);
  // switching exclusion off changes nothing else
  w.SetCheckFilter(0);
  w.Check_Filter_Click();
  EXPECT_EQ(w.CheckSearchInResult(), 1);
}

TEST_F(FormulaWindowTest, SearchInResultsRightAfterOpeningClearsTheGridAndRefuses) {
  FangjiAnalysis& w = Window();
  w.SetCheckSearchInResult(1);
  Search("麻黄");
  EXPECT_EQ(world.dialogs.Messages(),
            std::vector<std::string>{std::string(kNoPreviousResultsMessage)});
  EXPECT_EQ(w.FlexGrid().Rows(), 1);
  EXPECT_EQ(w.FlexGrid().TextMatrix(0, 0), "方剂名称");
  EXPECT_EQ(w.LabelCount(), "");
  EXPECT_EQ(w.Caption(), "方剂分析");
}

TEST_F(FormulaWindowTest, MissingDatabaseShowsOneMessageAndKeepsTheWindow) {
  FangjiAnalysis& w = Window();
  Search("麻黄");
  std::filesystem::remove(folder / "DB/Fangji.DB");
  Search("桂枝");
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_NE(world.dialogs.Messages()[0].find("Fangji.DB"), std::string::npos);
  EXPECT_EQ(w.LabelCount(), "找到 2  项结果");
  EXPECT_EQ(w.FlexGrid().Rows(), 3);
  EXPECT_EQ(w.Caption(), "方剂分析——搜索历史：麻黄");
  EXPECT_EQ(w.ListHistory().size(), 1u);
}

TEST_F(FormulaWindowTest, HistoryDropDownHeightAndTimer) {
  FangjiAnalysis& w = Window();
  w.Text_Input_Click();
  EXPECT_FALSE(w.ListHistoryVisible());  // nothing to show
  EXPECT_FALSE(w.Timer1Enabled());
  const char* queries[] = {"麻黄", "桂枝", "甘草", "恶风", "咳喘"};
  for (int i = 0; i < 5; ++i) {
    Search(queries[i]);
    w.Text_Input_Click();
    EXPECT_TRUE(w.ListHistoryVisible());
    EXPECT_EQ(w.ListHistoryHeight(), i < 4 ? (i + 1) * 400 : 1200) << i;
  }
  EXPECT_TRUE(w.Timer1Enabled());
  w.Timer1_Timer();
  EXPECT_FALSE(w.ListHistoryVisible());
  EXPECT_FALSE(w.Timer1Enabled());
  w.Text_Input_Click();
  w.Text_Input_LostFocus();
  EXPECT_FALSE(w.ListHistoryVisible());
}

TEST_F(FormulaWindowTest, HistoryEntryIsCopiedWithoutRunningAQuery) {
  FangjiAnalysis& w = Window();
  Search("甘草");
  w.SetCheckSearchInResult(1);
  Search("桂枝");
  EXPECT_EQ(w.ListHistory().back(), "甘草 AND 桂枝");
  const std::string result = folder.ReadBytes("Result/Result.DB");
  w.SetCheckFilter(1);
  w.List_History_Click(1);
  EXPECT_EQ(w.TextInput(), "甘草 AND 桂枝");
  EXPECT_EQ(w.CheckSearchInResult(), 0);
  EXPECT_EQ(w.CheckFilter(), 0);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB"), result);
  w.List_History_Click(7);  // outside the list: nothing happens
  EXPECT_EQ(w.TextInput(), "甘草 AND 桂枝");
  // running it searches the whole database with the recorded text
  w.Cmd_Search_Text_Click();
  EXPECT_EQ(w.LabelCount(), "找到 1  项结果");
}

TEST_F(FormulaWindowTest, PopUpActsOnTheCurrentCellAndTheSelectedRow) {
  FangjiAnalysis& w = Window();
  Search("麻黄");
  EXPECT_TRUE(w.FlexGrid_MouseDown(kRightButton));
  EXPECT_FALSE(w.FlexGrid_MouseDown(kLeftButton));
  // before any click the current cell is the last header written
  w.Menu_SearchBaidu_Click();
  w.Menu_CopyIngredient_Click();
  ASSERT_EQ(world.urls.opened.size(), 1u);
  EXPECT_EQ(world.urls.opened[0], "https://www.baidu.com/s?&wd=功效");
  EXPECT_EQ(world.clipboard.text, "方剂药物组成");
  EXPECT_EQ(world.clipboard.clears, 1);
  // a click on row 2, column 0 (the view moves the current cell and the selection)
  w.FlexGrid().SetRow(2);
  w.FlexGrid().SetCol(0);
  w.FlexGrid().SetRowSel(2);
  w.Menu_CopyIngredient_Click();
  EXPECT_EQ(world.clipboard.text, "麻黄3两，甘草1两");
  w.Menu_SearchBaiduXueshu_Click();
  w.Menu_SearchTCMSearch_Click();
  w.Menu_SearchZYSJ_Click();
  w.Menu_SearchZYBK_Click();
  ASSERT_EQ(world.urls.opened.size(), 5u);
  EXPECT_EQ(world.urls.opened[1], "http://xueshu.baidu.com/s?wd=B方");
  EXPECT_NE(world.urls.opened[2].find(":8080/TcmSearch/jsp/results.jsp?q=B方"), std::string::npos);
  EXPECT_NE(world.urls.opened[3].find("/cse/search?s=1145411283965019978&entry=1&q=B方"),
            std::string::npos);
  EXPECT_TRUE(world.urls.opened[4].starts_with("https://"));
  EXPECT_TRUE(world.urls.opened[4].ends_with("/wiki/B方"));
}

TEST_F(FormulaWindowTest, ResizeFollowsTheWindowAndIgnoresTooSmallSizes) {
  FangjiAnalysis& w = Window();
  w.Form_Resize(10700, 6300);
  EXPECT_EQ(w.FlexGrid().Width(), 10000);
  EXPECT_EQ(w.FlexGrid().Height(), 4000);
  EXPECT_EQ(w.FlexGrid().ColWidth(0), 1000);
  EXPECT_EQ(w.FlexGrid().ColWidth(1), 4000);
  EXPECT_EQ(w.FlexGrid().ColWidth(3), 900);
  w.Form_Resize(600, 2000);  // too small: the grid keeps its size
  EXPECT_EQ(w.FlexGrid().Width(), 10000);
  EXPECT_EQ(w.FlexGrid().Height(), 4000);
  w.Form_Resize(725, 9000);  // 25 twips wide: 2.5 rounds to 2, 2.25 to 2
  EXPECT_EQ(w.FlexGrid().ColWidth(0), 2);
  EXPECT_EQ(w.FlexGrid().ColWidth(3), 2);
  EXPECT_EQ(w.FlexGrid().Height(), 6700);
}

TEST_F(FormulaWindowTest, ReopeningCreatesTheWindowAfresh) {
  Search("麻黄");
  world.session.Unload(Window());
  FangjiAnalysis& again = Window();
  EXPECT_TRUE(again.ListHistory().empty());
  EXPECT_EQ(again.FlexGrid().Rows(), 1);
  EXPECT_EQ(folder.ReadBytes("Result/Result.DB.bak"), "");
  EXPECT_EQ(world.session.SearchHistory, "麻黄");
  EXPECT_FALSE(folder.ReadBytes("Result/Result.DB").empty());
}

TEST_F(FormulaWindowTest, MenuBarAndPopUpInOrder) {
  std::vector<std::string> names;
  for (const auto& m : Window().MenuBar()) names.emplace_back(m.caption);
  EXPECT_EQ(names, (std::vector<std::string>{"数据分析(&A)", "方剂单味药分析", "性味归经分析",
                                             "方剂药对分析", "方剂病症分析", "方剂关联规则分析",
                                             "药物网络", "聚类分析", "剂量分析", "保存结果集…",
                                             "结果集比较…", "生成分析报告"}));
  names.clear();
  for (const auto& m : FangjiAnalysis::PopupMenu()) names.emplace_back(m.name);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "Menu_PopupMenu", "Menu_CopyIngredient", "Menu_SimilarFormulas",
                       "Menu_SearchOnline", "Menu_SearchBaidu", "Menu_SearchBaiduXueshu",
                       "Menu_SearchTCMSearch", "Menu_SearchZYSJ", "Menu_SearchZYBK"}));
}

}  // namespace

namespace {

// A library of `n` formulas: every third a single-herb prescription, blank lines between some.
std::vector<std::string> LibraryOf(int n, std::mt19937& random) {
  std::vector<std::string> lines;
  const char* herbs[] = {"麻黄", "桂枝", "甘草", "黄芪", "当归"};
  for (int i = 0; i < n; ++i) {
    std::string composition = herbs[random() % 5];
    if (i % 3 != 0) composition += std::string("，") + herbs[random() % 5] + "6克";
    lines.push_back("自拟方" + std::to_string(i) + "\t" + composition + "\t失眠");
    if (random() % 7 == 0) lines.push_back("");
  }
  return lines;
}

int CountRecords(const std::vector<std::string>& lines) {
  int n = 0;
  for (const std::string& line : lines) n += !line.empty();
  return n;
}

}  // namespace

TEST_F(FormulaWindowTest, AllFormulasTakesEveryFormulaOfTheOpenLibraryThenNarrows) {
  std::mt19937 random(33);
  for (int round = 0; round < 5; ++round) {
    const int n = 1 + static_cast<int>(random() % 400);
    const std::vector<std::string> lines = LibraryOf(n, random);
    folder.WriteLines("DB/诊所/Fangji.DB", lines);
    FangjiAnalysis& w = Window();
    ASSERT_EQ(w.OpenFormulaLibrary("诊所"), Outcome::kDone);
    ASSERT_EQ(w.Cmd_All_Click(), Outcome::kDone);
    EXPECT_EQ(w.LabelCount(), FangjiAnalysis::CountText(n)) << n;
    EXPECT_EQ(CountRecords(folder.ReadLines("Result/Result.DB")), n);
    EXPECT_EQ(w.FlexGrid().Rows(), 1 + std::min(n, FangjiAnalysis::kMaxGridLines));
    EXPECT_EQ(w.Caption(), "方剂分析——搜索历史：全部方剂");
    EXPECT_TRUE(w.HasHistory("全部方剂"));
    // the whole library is a result set like any other: searching in it narrows it
    int with_astragalus = 0;
    for (const std::string& line : lines) with_astragalus += Contains(line, "黄芪");
    w.SetCheckSearchInResult(1);
    Search("黄芪");
    EXPECT_EQ(w.LabelCount(), FangjiAnalysis::CountText(with_astragalus));
    EXPECT_EQ(world.session.SearchHistory, "全部方剂 AND 黄芪");
    ASSERT_EQ(w.OpenFormulaLibrary(""), Outcome::kDone);  // back to the shipped one
  }
  // back in the shipped library both steps were made again there, where no formula has 黄芪
  EXPECT_EQ(Window().LabelCount(), "找到 0  项结果");
  EXPECT_EQ(world.session.SearchHistory, "全部方剂 AND 黄芪");
}

TEST_F(FormulaWindowTest, OpeningAnotherLibraryRerunsTheSearchesOrEmptiesTheSet) {
  folder.WriteLines("DB/失眠/Fangji.DB",
                    {"酸枣仁汤\t酸枣仁，甘草，知母\t虚烦不眠", "甘麦大枣汤\t甘草，小麦，大枣\t脏躁",
                     "麻黄汤\t麻黄，桂枝，甘草\t恶寒"});
  FangjiAnalysis& w = Window();
  Search("甘草");
  w.SetCheckSearchInResult(1);
  w.SetCheckFilter(1);
  w.Check_Filter_Click();
  Search("麻黄");
  ASSERT_EQ(w.LabelCount(), "找到 1  项结果");  // C方
  ASSERT_EQ(w.OpenFormulaLibrary("失眠"), Outcome::kDone);
  // the same two steps in the new library: 甘草 without 麻黄
  EXPECT_EQ(w.LabelCount(), "找到 2  项结果");
  ASSERT_EQ(w.FlexGrid().Rows(), 3);
  EXPECT_EQ(w.FlexGrid().TextMatrix(1, 0), "酸枣仁汤");
  EXPECT_EQ(w.FlexGrid().TextMatrix(2, 0), "甘麦大枣汤");
  EXPECT_EQ(w.Caption(), "方剂分析——搜索历史：甘草 AND  NOT 麻黄");
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_TRUE(Contains(world.dialogs.Messages().back(), "重新检索：找到 2 首方剂"))
      << world.dialogs.Messages().back();
  EXPECT_EQ(ReadResultSetState(world.session).library, "失眠");

  // a typed list cannot be searched again: the set is emptied and the message says so
  WriteResultSetBytes(world.session, "C方\t桂枝，甘草2两\t汗出恶风\r\n",
                      {"import-formulas -- 'C方'"});
  ASSERT_EQ(w.OpenFormulaLibrary("伤寒论"), Outcome::kDone);
  EXPECT_TRUE(Contains(world.dialogs.Messages().back(), "已清空"));
  EXPECT_EQ(w.FlexGrid().Rows(), 1);
  EXPECT_EQ(w.LabelCount(), "找到 0  项结果");
  EXPECT_EQ(w.Caption(), "方剂分析");
  EXPECT_EQ(CountRecords(folder.ReadLines("Result/Result.DB")), 0);
  // a library that does not exist changes nothing
  EXPECT_EQ(w.OpenFormulaLibrary("没有"), Outcome::kRefused);
  EXPECT_EQ(OpenLibraryName(world.session), "伤寒论");
}
