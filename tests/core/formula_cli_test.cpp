// lindora-cli query and find-formula, end to end on a small program folder.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

constexpr const char* kNoPreviousResults = "您选中“在结果中检索”，但检索前并没有检索结果";

class FormulaCliTest : public ::testing::Test {
 protected:
  FormulaCliTest() {
    f.WriteLines("DB/Fangji.DB",
                 {"A方\t麻黄，桂枝\t热", "B方\t麻黄，甘草\t咳", "C方\t桂枝，甘草\t汗"});
  }
  test::CliRun Run(std::vector<std::string> args, const std::string& input = {}) {
    args.insert(args.begin(), {"--root", f.root().string()});
    return test::RunCli(args, input);
  }
  test::TestFolder f;
};

TEST_F(FormulaCliTest, QueryPrintsLabelCaptionAndGrid) {
  auto r = Run({"query", "麻黄", "桂枝"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "找到 1  项结果\n# 方剂分析——搜索历史：麻黄 AND 桂枝 — FlexGrid\n"
            "方剂名称\t方剂药物组成\t主治\t功效\nA方\t麻黄，桂枝\t热\t\n");
}

TEST_F(FormulaCliTest, ExclusionAndSearchInResultsWithinOneScript) {
  auto r = Run({"--script", "-"}, "query 甘草\nquery --exclude -- 麻黄\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(
                "搜索历史：甘草 AND  NOT 麻黄 — FlexGrid\n方剂名称\t方剂药物组成\t主治\t功效\nC方"),
            std::string::npos)
      << r.out;
}

TEST_F(FormulaCliTest, RefusalsAndFailuresHaveTheirExitCodes) {
  auto no_backup = Run({"query", "--in-results", "麻黄"});
  EXPECT_EQ(no_backup.status, 1);
  EXPECT_NE(no_backup.err.find("您选中“在结果中检索”，但检索前并没有检索结果"), std::string::npos);
  EXPECT_EQ(Run({"query"}).status, 1);
  // blanks only: refused with the window's message, not a file failure
  auto blank = Run({"query", "  "});
  EXPECT_EQ(blank.status, 1);
  EXPECT_NE(blank.err.find("检索关键字不能为空"), std::string::npos) << blank.err;
  std::filesystem::remove(f / "DB/Fangji.DB");
  auto missing = Run({"find-formula", "A方"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("Fangji.DB"), std::string::npos);
}

TEST_F(FormulaCliTest, FindFormulaPrintsTheRecordOrNothing) {
  auto r = Run({"find-formula", "甘草"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "B方\t麻黄，甘草\t咳\n");
  auto none = Run({"find-formula", "石膏"});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
}

// Each run is a new process: the whole library, then a search in it, then a refused query and a
// save, each in its own run; then a run in another library, then an older result folder.
TEST_F(FormulaCliTest, AllFormulasAndSearchInResultsAcrossRuns) {
  f.WriteLines("DB/诊所/Fangji.DB",
               {"方001\t黄芪", "方002\t黄芪，当归\t乏力", "", "方003\t麻黄，杏仁", "方004\t甘草"});
  auto all = Run({"--library", "诊所", "query", "--all"});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out.substr(0, all.out.find('\n')), "找到 4  项结果");
  EXPECT_NE(all.out.find("搜索历史：全部方剂 — FlexGrid"), std::string::npos) << all.out;

  auto narrowed = Run({"--library", "诊所", "query", "--in-results", "黄芪"});
  ASSERT_EQ(narrowed.status, 0) << narrowed.err;
  EXPECT_NE(narrowed.out.find("找到 2  项结果\n# 方剂分析——搜索历史：全部方剂 AND 黄芪"),
            std::string::npos)
      << narrowed.out;

  EXPECT_EQ(Run({"--library", "诊所", "query", "--in-results", " "}).status, 1);
  auto saved = Run({"--library", "诊所", "save-set", "气虚"});
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_NE(
      saved.out.find("已保存结果集“气虚”：2 首方剂，方剂库“诊所”，搜索历史：全部方剂 AND 黄芪"),
      std::string::npos)
      << saved.out;
  EXPECT_EQ(f.ReadBytes("Result/Sets/气虚.DB"), f.ReadBytes("Result/Result.DB"));

  // a run in the shipped library searches the same steps there, and says so
  auto shipped = Run({"sets"});
  ASSERT_EQ(shipped.status, 0) << shipped.err;
  EXPECT_NE(shipped.err.find("重新检索：找到 0 首方剂"), std::string::npos) << shipped.err;
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), "");

  // a result folder without the kept history: nothing to search in, as before
  Run({"query", "麻黄"});
  std::filesystem::remove(f / "Result/Result.DB.history");
  auto old = Run({"query", "--in-results", "桂枝"});
  EXPECT_EQ(old.status, 1);
  EXPECT_NE(old.err.find(kNoPreviousResults), std::string::npos) << old.err;
}

}  // namespace
}  // namespace lindora
