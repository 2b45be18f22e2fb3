// Results that say truthfully where they came from: the report's script makes the same result
// set again, byte for byte, however the set was made, and a list import takes the formula of
// that name and names what it could not find.
#include <gtest/gtest.h>

#include "common/text.h"
#include "support/cli_runner.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFormulas = {"芍药甘草汤\t芍药，甘草\t腹痛",
                                            "甘草汤\t甘草\t咽痛",
                                            "调胃承气汤\t大黄，芒硝，甘草\t便秘",
                                            "麻黄汤\t麻黄，桂枝，杏仁，甘草\t恶寒",
                                            "麻黄附子细辛汤\t麻黄，附子，细辛\t恶寒",
                                            "大青龙汤\t麻黄，桂枝，石膏\t烦躁",
                                            "五苓散\t桂枝，茯苓，泽泻\t小便不利",
                                            "四逆散\t柴胡，芍药，枳实，甘草\t厥逆",
                                            "It's汤\t麻黄'；甘草\t咳"};

class ProvenanceTest : public ::testing::Test {
 protected:
  void SetUp() override { f.WriteLines("DB/Fangji.DB", kFormulas); }
  test::CliRun Run(const test::TestFolder& folder, std::vector<std::string> args,
                   const std::string& input = {}) {
    args.insert(args.begin(), {"--root", folder.root().string()});
    return test::RunCli(args, input);
  }
  // The script printed in the report, without its report command.
  std::string ScriptOfReport() {
    const auto r = Run(f, {"report", "--sections", "data"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string html = f.ReadBytes("Result/分析报告.html");
    for (auto [from, to] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}})
      html = ReplaceAll(html, from, to);
    const std::string start = "lindora-cli --script - <<'EOF'\n";
    const std::size_t a = html.find(start), b = html.find("report --sections", a);
    if (a == std::string::npos || b == std::string::npos) return "(no script)";
    data_row = html.substr(html.find("结果集的来源"), 600);
    return html.substr(a + start.size(), b - a - start.size());
  }
  test::TestFolder f;
  std::string data_row;
};

TEST_F(ProvenanceTest, TheReportsScriptMakesTheSameResultSetHoweverItWasMade) {
  const std::vector<std::vector<std::vector<std::string>>> ways = {
      {{"query", "麻黄", "-桂枝"}},
      {{"query", "汤 OR散"}},
      {{"query", "甘草"}, {"query", "麻黄"}},  // separate calls: the last one made the set
      {{"--script", "-",
        "query 麻黄\nquery --in-results 桂枝\nquery --in-results --exclude 石膏\n"}},
      {{"--script", "-", "query 甘草 OR 桂枝\nquery --in-results --exclude -- 散\n"}},
      {{"import-formulas", "甘草汤", "大黄", "It's汤"}},
      {{"related-formulas", "芍药"}},
      {{"query", "麻黄'"}, {"save-set", "甲"}},
  };
  for (const auto& way : ways) {
    for (auto command : way) {
      std::string input;
      if (command[0] == "--script") input = command[2], command.pop_back();
      Run(f, command, input);
    }
    const std::string made = f.ReadBytes("Result/Result.DB");
    const std::string script = ScriptOfReport();
    ASSERT_NE(script, "") << way[0][0];
    EXPECT_EQ(data_row.find("未知"), std::string::npos) << script;

    test::TestFolder again;
    again.WriteLines("DB/Fangji.DB", kFormulas);
    Run(again, {"--script", "-"}, script);
    EXPECT_EQ(again.ReadBytes("Result/Result.DB"), made) << script;
  }

  // A result set changed by hand has no known origin, and the report says so.
  f.WriteBytes("Result/Result.DB", "手写\t甘草\t咳\r\n");
  EXPECT_EQ(ScriptOfReport(), "");
  EXPECT_NE(data_row.find("未知"), std::string::npos) << data_row;
}

TEST_F(ProvenanceTest, ListImportTakesTheFormulaOfThatNameAndNamesTheMissingOnes) {
  const auto r = Run(f, {"import-formulas", "甘草汤", "大黄", "桂枝汤", "麻黄汤"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("有 2 个方名在方剂库中找不到"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("桂枝汤"), std::string::npos) << r.err;
  const auto lines = f.ReadLines("Result/Result.DB");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_TRUE(lines[0].starts_with("甘草汤\t"));  // not 芍药甘草汤
  EXPECT_EQ(lines[1], "");  // a herb names no formula, though many records hold it
  EXPECT_EQ(lines[2], "");  // not found: an empty line as before
  EXPECT_TRUE(lines[3].starts_with("麻黄汤\t"));
  EXPECT_EQ(Run(f, {"import-formulas", "甘草汤"}).status, 0);
}

TEST_F(ProvenanceTest, RecordsWithBytesThatAreNoGbkCharacterAreCopiedAsTheyStand) {
  // 不明汤 whose composition holds 0x81 before a blank and 0xFF: bytes that start no GBK
  // character; the rest is GBK.
  const std::string odd =
      "\xB2\xBB\xC3\xF7\xCC\xC0\t\xB8\xCA\xB2\xDD\xA3\xAC\x81 \xFF\xB2\xDD\t\xD1\xCA\xCD\xB4";
  f.WriteBytes("DB/Fangji.DB", f.ReadBytes("DB/Fangji.DB") + odd + "\r\n");
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"import-formulas", "不明汤"},
        std::vector<std::string>{"related-formulas", "不明"},
        std::vector<std::string>{"query", "不明汤"}}) {
    const auto r = Run(f, words);
    EXPECT_EQ(r.status, 0) << words[0] << ": " << r.err;
    const std::string result = f.ReadBytes("Result/Result.DB");
    EXPECT_NE(result.find(odd + "\r\n"), std::string::npos) << words[0];
    EXPECT_EQ(result.find('?'), std::string::npos) << words[0];
  }
}

}  // namespace
}  // namespace lindora
