// Named result sets and the comparison window: saving, listing, bad input, the file, the CLI.
#include "analysis/result_sets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/compare_sets/compare_sets_window.h"
#include "common/collation.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

class ResultSetsTest : public ::testing::Test {
 protected:
  ResultSetsTest() {
    folder.WriteLines("Result/Result.DB", {"甲方\t麻黄，桂枝\t发热", "乙方\t麻黄，甘草\t咳"});
  }
  bool Exists(std::string_view relative) { return fs::exists(folder / relative); }
  CompareSetsWindow& Window() { return world.session.Window<CompareSetsWindow>(); }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(ResultSetsTest, SavesWithHistoryAndAsksBeforeReplacing) {
  world.session.SearchHistory = "麻黄";
  EXPECT_EQ(SaveResultSet(world.session, " 表证 "), Outcome::kDone);
  EXPECT_EQ(folder.ReadBytes("Result/Sets/表证.DB"), folder.ReadBytes("Result/Result.DB"));
  EXPECT_EQ(folder.ReadLines("Result/Sets/表证.history"), std::vector<std::string>{"麻黄"});

  folder.WriteLines("Result/Result.DB", {"丙方\t石膏\t渴"});
  world.dialogs.yes_no = {false, true};
  EXPECT_EQ(SaveResultSet(world.session, "表证"), Outcome::kRefused);
  EXPECT_EQ(folder.ReadLines("Result/Sets/表证.DB").size(), 2u);
  EXPECT_EQ(SaveResultSet(world.session, "表证"), Outcome::kDone);
  EXPECT_EQ(folder.ReadLines("Result/Sets/表证.DB"), std::vector<std::string>{"丙方\t石膏\t渴"});
  EXPECT_EQ(world.dialogs.shown.size(), 2u);
  EXPECT_EQ(world.dialogs.shown[0].text, "结果集“表证”已存在，是否替换？");

  for (std::string bad : {"", "   ", "a/b", "a\\b", ".", "..", "a\tb"})
    EXPECT_EQ(SaveResultSet(world.session, bad), Outcome::kRefused) << bad;
  folder.WriteLines("Result/Result.DB", {"", " "});
  EXPECT_EQ(SaveResultSet(world.session, "空"), Outcome::kRefused);
  std::vector<SavedSet> sets = ListResultSets(world.session);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].name, "表证");
  EXPECT_EQ(sets[0].formulas, 1);
  EXPECT_EQ(sets[0].history, "麻黄");
}

TEST_F(ResultSetsTest, UnreadableSetsAreListedWithTheirProblem) {
  ASSERT_EQ(SaveResultSet(world.session, "好"), Outcome::kDone);
  fs::create_symlink(folder / "Result/gone.DB", folder / "Result/Sets/坏.DB");
  folder.WriteLines("Result/Sets/旧.history", {"石膏"});
  std::vector<SavedSet> sets = ListResultSets(world.session);
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_NE(sets[0].problem, "");        // 坏: its file is gone
  EXPECT_TRUE(sets[1].problem.empty());  // 好
  EXPECT_NE(sets[2].problem, "");        // 旧: a history without its set
  std::string message = UnreadableSetsMessage(sets);
  EXPECT_NE(message.find("坏"), std::string::npos);
  EXPECT_NE(message.find("旧"), std::string::npos);
  EXPECT_EQ(message.find("好"), std::string::npos);

  CompareSetsWindow& w = Window();
  ASSERT_EQ(w.SetChoices().size(), 4u);
  EXPECT_EQ(w.SetChoices()[0].caption, "当前结果集");
  EXPECT_EQ(w.SetChoices()[1].caption, "坏（无法读取）");
  w.SetSetB("坏");
  EXPECT_EQ(w.Cmd_Compare_Click(), Outcome::kFailed);
  w.SetSetB("旧");
  EXPECT_EQ(w.Cmd_Compare_Click(), Outcome::kFailed);
  EXPECT_EQ(world.session.Failures(), 2);
  EXPECT_FALSE(Exists("Result/结果集比较.csv"));
}

TEST_F(ResultSetsTest, BadInputIsRefusedAndReplacesNothing) {
  ASSERT_EQ(SaveResultSet(world.session, "甲"), Outcome::kDone);
  folder.WriteLines("Result/Sets/空.DB", {});
  folder.WriteBytes("Result/结果集比较.csv", "old");
  CompareSetsWindow& w = Window();
  auto refused = [&](std::string a, std::string b, std::string min_count, std::string message) {
    w.SetSetA(a);
    w.SetSetB(b);
    w.SetMinCountText(min_count);
    world.dialogs.shown.clear();
    EXPECT_EQ(w.Cmd_Compare_Click(), Outcome::kRefused) << a << " " << b << " " << min_count;
    EXPECT_EQ(world.dialogs.Messages(), std::vector<std::string>{message});
  };
  refused(".", "甲", "五", "最小计数必须是不小于 0 的整数，“五”不是。");
  refused(".", "甲", "-1", "最小计数必须是不小于 0 的整数，“-1”不是。");
  refused(".", "乙", "5", "找不到结果集“乙”。");
  refused("../Result", "甲", "5", "找不到结果集“../Result”。");
  refused("甲", "甲", "5", "结果集 A 和结果集 B 是同一个结果集，请选择两个不同的结果集。");
  refused(".", "空", "5", "结果集“空”中没有可比较的方剂。");
  EXPECT_EQ(folder.ReadBytes("Result/结果集比较.csv"), "old");
  EXPECT_EQ(w.FlexGridCompare().Rows(), 1);
}

TEST_F(ResultSetsTest, ComparisonFillsGridAndFileAndSortsOnHeaderClicks) {
  ASSERT_EQ(SaveResultSet(world.session, "乙"), Outcome::kDone);
  folder.WriteLines("Result/Result.DB",
                    {"A\t麻黄3两，桂枝\t发热，恶寒", "B\t麻黄，桂枝（去皮）\t发热", "C\t麻黄\t恶寒",
                     "D\t甘草\t咳"});
  CompareSetsWindow& w = Window();
  w.SetMinCountText("2");
  ASSERT_EQ(w.Cmd_Compare_Click(), Outcome::kDone);
  // 麻黄 3/4 against 2/2, 桂枝 2/4 against 1/2, 甘草 1/4 against 1/2; all p = 1.
  std::string expected =
      "\xEF\xBB\xBF名称,A方剂数,A占比(%),B方剂数,B占比(%),比值比,P值,Q值\r\n"
      "桂枝,2,50.00,1,50.00,1.000,1.000e+00,1.000e+00\r\n"
      "甘草,1,25.00,1,50.00,0.3333,1.000e+00,1.000e+00\r\n"
      "麻黄,3,75.00,2,100.00,0.4667,1.000e+00,1.000e+00\r\n";
  EXPECT_EQ(folder.ReadBytes("Result/结果集比较.csv"), expected);
  EXPECT_EQ(
      w.LabelSummary(),
      "A：当前结果集（4 首方剂）    B：乙（2 首方剂）    中药：检验 3 项（A、B 合计出现不少于 "
      "2 次）");
  const Grid& g = w.FlexGridCompare();
  auto column = [&](int c) {
    std::vector<std::string> cells;
    for (int r = 1; r < g.Rows(); ++r) cells.push_back(g.TextMatrix(r, c));
    return cells;
  };
  // A count sorts largest first, a second click the other way round; a name in pinyin order.
  w.FlexGridCompare().SetRow(0);
  w.FlexGridCompare().SetCol(1);
  w.FlexGrid_Compare_Click();
  EXPECT_EQ(column(1), (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_EQ(g.TextMatrix(0, 1), "A方剂数 ▼");
  w.FlexGridCompare().SetRow(0);
  w.FlexGrid_Compare_Click();
  EXPECT_EQ(column(0), (std::vector<std::string>{"甘草", "桂枝", "麻黄"}));
  EXPECT_EQ(g.TextMatrix(0, 1), "A方剂数 ▲");
  w.FlexGridCompare().SetRow(0);
  w.FlexGridCompare().SetCol(0);
  w.FlexGrid_Compare_Click();
  std::vector<std::string> names = column(0);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [](const auto& a, const auto& b) { return CompareText(a, b) < 0; }));
  EXPECT_EQ(g.TextMatrix(0, 0), "名称 ▲");
  BarChart chart = w.Chart();
  EXPECT_EQ(chart.categories, (std::vector<std::string>{"桂枝", "甘草", "麻黄"}));
  ASSERT_EQ(chart.series.size(), 2u);
  EXPECT_EQ(chart.series[1].name, "B：乙");
  EXPECT_EQ(chart.series[1].values, (std::vector<double>{50, 50, 100}));
  // Equal p-values keep the defined order, descending too.
  w.SortBy(6, false);
  EXPECT_EQ(column(0), (std::vector<std::string>{"桂枝", "甘草", "麻黄"}));

  w.SetKind(ItemKind::kSymptoms);
  w.SetMinCountText("0");
  ASSERT_EQ(w.Cmd_Compare_Click(), Outcome::kDone);
  // Every q is 1: 恶寒 (2/4 against 0/2, p = 7/15) comes first, then the names.
  EXPECT_EQ(column(0), (std::vector<std::string>{"恶寒", "发热", "咳"}));
  EXPECT_EQ(column(6)[0], "0.4667");
}

TEST_F(ResultSetsTest, CommandLine) {
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", folder.root().string()});
    return test::RunCli(args);
  };
  EXPECT_EQ(run({"save-set", "甲"}).status, 0);
  auto again = run({"save-set", "甲"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("--replace"), std::string::npos) << again.err;
  folder.WriteLines("Result/Result.DB", {"丙方\t石膏，甘草\t渴"});
  auto listed = run({"save-set", "乙", "--replace"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "已保存结果集“乙”：1 首方剂，方剂库“伤寒论”，搜索历史：（无）\n# 结果集 — "
            "Sets\n名称\t方剂数\t搜索历史\n乙\t1\t\n甲\t2\t\n");
  EXPECT_EQ(run({"compare-sets", ".", "甲", "--min-count", "x"}).status, 1);
  EXPECT_EQ(run({"compare-sets", "."}).status, 1);
  auto compared = run({"compare-sets", "甲", "乙", "--min-count", "2", "--symptoms"});
  EXPECT_EQ(compared.status, 0) << compared.err;
  EXPECT_NE(compared.out.find("# 结果集比较 — FlexGrid_Compare\n名称\tA方剂数"), std::string::npos)
      << compared.out;
  EXPECT_TRUE(Exists("Result/结果集比较.csv"));
#ifdef LINDORA_CLI_PICTURES
  const std::string png = (folder / "chart.png").string();
  EXPECT_EQ(run({"compare-sets", "甲", "乙", "--min-count", "1", "--png", png}).status, 0);
  EXPECT_EQ(folder.ReadBytes("chart.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
#endif
}

}  // namespace
}  // namespace lindora
