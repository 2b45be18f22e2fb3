#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "common/gbk.h"
#include "common/session.h"
#include "herb/danti_analysis.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

class HerbSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteLines("DB/Herb_Name.DB", {
                                             "0\t0\t中药名\tpinyin",
                                             "1\t30\t人参\trenshen\tGinseng",
                                             "2\t30\t黄芪\thuangqi",
                                             "3\t5\t金银花\tjinyinhua",
                                             "4\t1\t麻黄\tMaHuang",
                                         });
  }
  DantiAnalysis& Danti() { return world.session.Window<DantiAnalysis>(); }
  std::vector<std::string> Column(int col) {
    std::vector<std::string> cells;
    for (int r = 1; r < Danti().FlexGrid().Rows(); ++r)
      cells.push_back(Danti().FlexGrid().TextMatrix(r, col));
    return cells;
  }
  void Search(std::string_view text) {
    Danti().SetTextInput(text);
    Danti().Cmd_Search_Text_Click();
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(HerbSearchTest, WindowStartsEmptyWithItsCaptionAndGridSize) {
  EXPECT_EQ(Danti().Caption(), "单味药分析");
  EXPECT_EQ(Danti().TextInput(), "");
  EXPECT_EQ(Danti().FlexGrid().Rows(), 1);
  EXPECT_EQ(Danti().FlexGrid().Cols(), 2);
  EXPECT_EQ(Danti().FlexGrid().Width(), 3180);
}

TEST_F(HerbSearchTest, NameAndPinyinOfOneHerbGiveTwoRowsWithTheCollapsedFrequency) {
  Search("人参 renshen");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "人参"}));
  EXPECT_EQ(Column(1), (std::vector<std::string>{"1", "1"}));
  const Grid& g = Danti().FlexGrid();
  EXPECT_EQ(g.TextMatrix(0, 0), "中药名");
  EXPECT_EQ(g.TextMatrix(0, 1), "频数");
  EXPECT_EQ(g.ColWidth(0), 3180);
  EXPECT_EQ(g.ColWidth(1), 1);
  EXPECT_EQ(g.ColAlignment(0), Alignment::kCenterCenter);
  EXPECT_EQ(g.ColAlignment(1), Alignment::kCenterCenter);
  EXPECT_TRUE(world.dialogs.shown.empty());
}

TEST_F(HerbSearchTest, MixedCasePinyinFindsItsHerbAndAPartOfANameDoesNot) {
  Search("RenShen mahuang");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "麻黄"}));
  Search("人");
  EXPECT_EQ(Danti().FlexGrid().Rows(), 1);
  EXPECT_EQ(world.dialogs.Messages(),
            (std::vector<std::string>{"不好意思，数据库中暂时未收录“人 ”，以后会完善"}));
}

TEST_F(HerbSearchTest, BlankRunsBetweenKeywords) {
  Search("  人参  黄芪 ");  // two blanks: one separator; the ends are trimmed
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "黄芪"}));
  EXPECT_TRUE(world.dialogs.shown.empty());
  Search("人参   黄芪");  // three blanks leave an empty keyword between the two
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "黄芪"}));
  EXPECT_EQ(world.dialogs.Messages(),
            (std::vector<std::string>{"不好意思，数据库中暂时未收录“ ”，以后会完善"}));
}

TEST_F(HerbSearchTest, DigitKeywordsAreNoHerbNamesAndIdeographicBlanksSeparate) {
  // 5 is the type of 金银花 and 0 field 0 of line 0: numbers, not names.
  Search("5 0");
  EXPECT_EQ(Column(0), std::vector<std::string>{});
  EXPECT_EQ(world.dialogs.Messages(),
            (std::vector<std::string>{"不好意思，数据库中暂时未收录“5 0 ”，以后会完善"}));
  // An input method's U+3000 between two names is a blank.
  Search("人参\u3000金银花");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "金银花"}));
}

TEST_F(HerbSearchTest, NotFoundKeywordsAreReportedInOrderAfterTheFoundRows) {
  Search("甲 人参 乙");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参"}));
  EXPECT_EQ(world.dialogs.Messages(),
            (std::vector<std::string>{"不好意思，数据库中暂时未收录“甲 乙 ”，以后会完善"}));
}

TEST_F(HerbSearchTest, LatinLettersOfTheShownNameComeBackUpperCased) {
  folder.WriteLines("DB/Herb_Name.DB", {"0\t0\tx\ty", "1\t0\tAloe\tluhui"});
  Search("luhui");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"ALOE"}));
}

TEST_F(HerbSearchTest, EmptyTextAndMissingFileLeaveTheGridAsItWas) {
  Search("人参 黄芪");
  Search("   ");
  EXPECT_EQ(world.dialogs.Messages(), (std::vector<std::string>{"检索关键字不能为空"}));
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "黄芪"}));

  std::filesystem::remove(folder / "DB/Herb_Name.DB");
  Search("麻黄");
  ASSERT_EQ(world.dialogs.Messages().size(), 2u);
  EXPECT_NE(world.dialogs.Messages()[1].find("Herb_Name.DB"), std::string::npos);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"人参", "黄芪"}));
}

TEST_F(HerbSearchTest, EnterInTheKeywordBoxSearchesOtherKeysDoNot) {
  Danti().SetTextInput("黄芪");
  EXPECT_EQ(Danti().Text_Input_KeyPress('a'), Outcome::kDone);
  EXPECT_EQ(Danti().FlexGrid().Rows(), 1);
  EXPECT_EQ(Danti().Text_Input_KeyPress(13), Outcome::kDone);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"黄芪"}));
}

TEST_F(HerbSearchTest, WebSearchesAppendTheCellTextUnescaped) {
  Search("人参");
  Grid& g = Danti().FlexGrid();
  g.SetRow(1);
  g.SetCol(0);
  g.SetTextMatrix(1, 0, "人参 a&b");
  Danti().Menu_Search_ZYBK_Click();
  Danti().Menu_SearchTCMSearch_Click();
  Danti().Menu_SearchBaidu_Click();
  Danti().Menu_SearchBaiduXueshu_Click();
  Danti().Menu_SearchTC_MC_Click();
  Danti().Menu_SearchTCSMP_Click();
  const auto& opened = world.urls.opened;
  ASSERT_EQ(opened.size(), 6u);
  const char* patterns[] = {
      "https://", "/wiki/人参 a&b",
      "http://",  ":8080/TcmSearch/jsp/results.jsp?q=人参 a&b",
      "https://", "/s?&wd=人参 a&b",
      "http://",  "/s?wd=人参 a&b",
      "http://",  "/compound/search.do?query=人参 a&b",
      "http://",  "/tcmspsearch.php?qs=herb_all_name&q=人参 a&b",
  };
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(opened[i].rfind(patterns[2 * i], 0), 0u) << opened[i];
    EXPECT_TRUE(opened[i].ends_with(patterns[2 * i + 1])) << opened[i];
    // Exactly one host between the scheme and the path.
    std::string host = opened[i].substr(std::string(patterns[2 * i]).size());
    host = host.substr(0, host.size() - std::string(patterns[2 * i + 1]).size());
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(host.find('/'), std::string::npos) << opened[i];
  }
  // The frequency column is an ordinary cell for the web searches.
  g.SetCol(1);
  Danti().Menu_SearchBaidu_Click();
  EXPECT_TRUE(world.urls.opened.back().ends_with("/s?&wd=1"));
}

TEST_F(HerbSearchTest, CliSearchPrintsTheGridAndTypeDistributionUsesIt) {
  folder.WriteBytes("script.txt",
                    "herb-search 人参 huangqi 无名\n"
                    "type-distribution 0\n"
                    "herb-type 麻黄\n"
                    "herb-type 中药名\n");
  auto r = test::RunCli(
      {"--root", folder.root().string(), "--script", (folder / "script.txt").string()});
  EXPECT_NE(r.out.find("# 单味药分析 — FlexGrid\n中药名\t频数\n人参\t1\n黄芪\t1\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("# clipboard\n补气药2项：人参(1), 黄芪(1), \r\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("未收录“无名 ”"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("“麻黄”的中药类型为“辛温解表药”"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(DantiAnalysis::kNotRecordedMessage), std::string::npos) << r.err;
  EXPECT_EQ(r.status, 1);

  auto empty = test::RunCli({"--root", folder.root().string(), "type-distribution", "0"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("单味药数据 < 0"), std::string::npos);
  auto ok = test::RunCli({"--root", folder.root().string(), "herb-search", "麻黄"});
  EXPECT_EQ(ok.status, 0) << ok.err;
}

// Notes how many grid rows the view had been told about when each message box came up.
class RowsAtMessageDialogs : public test::FakeDialogs {
 public:
  void Message(std::string_view text, std::string_view title = {}) override {
    rows_at_message.push_back(shown_rows);
    FakeDialogs::Message(text, title);
  }
  int shown_rows = -1;
  std::vector<int> rows_at_message;
};

TEST(HerbSearchViewTest, FoundHerbsAreOnViewWhileTheNotFoundMessageIsUp) {
  test::TestFolder folder;
  folder.WriteLines("DB/Herb_Name.DB",
                    {"0\t0\t中药名\tpinyin", "1\t30\t人参\trenshen", "2\t30\t黄芪\thuangqi"});
  RowsAtMessageDialogs dialogs;
  test::FakeUrlOpener urls;
  test::FakeClipboard clipboard;
  Session session(folder.root(), Ports{&dialogs, &urls, &clipboard, nullptr});
  InstallCatalog(session);
  DantiAnalysis& danti = session.Window<DantiAnalysis>();
  danti.SetListener([&] { dialogs.shown_rows = danti.FlexGrid().Rows(); });
  danti.SetTextInput("人参 无名 黄芪");
  danti.Cmd_Search_Text_Click();
  EXPECT_EQ(dialogs.rows_at_message, (std::vector<int>{3}));
  EXPECT_EQ(dialogs.shown_rows, 3);
}

TEST_F(HerbSearchTest, ExportProposesThresholdOneSoRowsOfFrequencyZeroAreLeftOut) {
  folder.WriteLines("DB/Herb_Compound.DB", {"1\t101", "2\t201", "1\t102"});
  folder.WriteBytes("Result/.keep", "");
  Danti().InitializeHerbGrid(1980, 1200);
  Danti().AddHerbRow("人参", "1");
  Danti().AddHerbRow("黄芪", "0");
  Danti().Menu_Export_Danti_Chem_Click();
  ASSERT_FALSE(world.dialogs.shown.empty());
  EXPECT_EQ(world.dialogs.shown.front().kind, "input");
  EXPECT_EQ(world.dialogs.shown.front().text, "请输入频数阈值");
  EXPECT_EQ(DecodeGbk(folder.ReadBytes("Result/单味药-化学成分.csv")),
            "人参, 101\r\n人参, 102\r\n");
}

}  // namespace
}  // namespace lindora
