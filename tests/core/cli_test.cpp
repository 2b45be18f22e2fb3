#include "cli/cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <regex>

#include "cli/cli_pictures.h"
#include "common/pictures.h"
#include "common/text.h"
#include "common/version.h"
#include "support/cli_runner.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

#ifdef LINDORA_CLI_PICTURES
std::size_t ThreadsOfThisProcess() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    ++n;
  return n;
}

// The leak checker of a sanitizer build crashes on a live thread of the picture module, so the
// tool must end with none.
TEST(CliPicturesTest, DrawingHelpersAreGoneWhenTheToolHasDone) {
  const std::size_t before = ThreadsOfThisProcess();
  cli::InstallCliPictureWriter(LINDORA_BIN_DIR);
  NetworkPicture network;
  for (int i = 0; i < 40; ++i)
    network.nodes.push_back(
        {"药" + std::to_string(i), 1.0 + i % 5, 1 + i % 3, i % 7 * 1.0, i / 7.0});
  for (std::size_t i = 1; i < network.nodes.size(); ++i) network.edges.push_back({i - 1, i, 3});
  ASSERT_NE(InstalledPictureWriter(), nullptr);
  EXPECT_FALSE(InstalledPictureWriter()->NetworkPng(network, 1600, 1200).empty());
  ASSERT_GT(ThreadsOfThisProcess(), before) << "Qt drew without helpers: nothing to check";
  cli::EndCliPictures();
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}
#endif

TEST(CliWordsTest, SplitsLikeAShell) {
  std::vector<std::string> w;
  ASSERT_TRUE(cli::SplitWords(R"(query --in-results "麻黄 桂枝" '-a b' c\ d "x\"y" '')", w));
  EXPECT_EQ(w, (std::vector<std::string>{"query", "--in-results", "麻黄 桂枝", "-a b", "c d",
                                         "x\"y", ""}));
  EXPECT_FALSE(cli::SplitWords("query \"open", w));
  ASSERT_TRUE(cli::SplitWords("   ", w));
  EXPECT_TRUE(w.empty());
}

TEST(CliCheckTest, ReportsLayoutDataFilesAndUndecodableLines) {
  test::TestFolder f;
  f.WriteLines("DB/Fangji.DB", {"桂枝汤\t桂枝3两。\t太阳中风"});
  f.WriteBytes("DB/Herb_Name.DB", "ok\r\nbad\xFF\r\n");
  auto r = test::RunCli({"--root", f.root().string(), "check"});
  EXPECT_NE(r.out.find("program folder\t" + f.root().string()), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\\DB\\Fangji.DB\t1 lines"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\\DB\\Herb_Name.DB\t2 lines\t1 undecodable (lines 1)"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\\DB\\Compound.DB\tmissing"), std::string::npos);
  EXPECT_NE(r.out.find("\\Result\twritable"), std::string::npos);
  EXPECT_EQ(r.status, 2);  // data files are missing
}

TEST(CliScriptTest, UnknownCommandsAndBadQuotesAreUsageErrors) {
  test::TestFolder f;
  f.WriteBytes("script.txt", "# comment\n\nnosuchcommand\ncheck \"unclosed\n");
  auto r = test::RunCli({"--root", f.root().string(), "--script", (f / "script.txt").string()});
  EXPECT_NE(r.err.find("未知命令：nosuchcommand"), std::string::npos);
  EXPECT_NE(r.err.find("第 4 行：引号没有配对"), std::string::npos);
  EXPECT_EQ(r.status, 1);
}

TEST(CliOptionsTest, OneRuleForOptionsInEveryCommand) {
  test::TestFolder f;
  f.WriteLines("DB/Herb_Name.DB", {"0\t0\t中药名\tpinyin", "1\t30\t人参\trenshen\t"});
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", f.root().string()});
    return test::RunCli(args);
  };
  // "--" ends the options: what follows is the search text.
  auto found = run({"herb-search", "--", "人参"});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_NE(found.out.find("人参\t1"), std::string::npos) << found.out;
  // An unknown option is a usage error before anything runs, never a keyword.
  for (const auto& words : std::vector<std::vector<std::string>>{
           {"herb-search", "--renshen"}, {"query", "--exclud", "麻黄"}, {"export-pairs", "-x"}}) {
    auto r = run(words);
    EXPECT_EQ(r.status, 1) << words[0];
    EXPECT_NE(r.err.find("未知选项：" + words[1]), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << words[0];
  }
  // Options end at the first operand (a query's "-keyword" is none); a negative number is a
  // value; an unknown option of the program itself is an error too.
  EXPECT_EQ(run({"query", "--exclude", "--", "--in-results"}).err.find("未知"), std::string::npos);
  EXPECT_EQ(run({"query", "麻黄", "-桂枝"}).err.find("未知"), std::string::npos);
  EXPECT_EQ(run({"type-distribution", "-1"}).err.find("未知选项"), std::string::npos);
  auto unknown_top = run({"--verbose", "check"});
  EXPECT_EQ(unknown_top.status, 1);
  // Without an earlier herb-pair analysis there is nothing to export.
  auto pairs = run({"export-pairs"});
  EXPECT_EQ(pairs.status, 1);
  EXPECT_NE(pairs.err.find("还没有药对文件"), std::string::npos) << pairs.err;
  f.WriteLines("Result/Yaodui_Analysis2_Name.csv", {"Source,Target"});
  EXPECT_EQ(run({"export-pairs"}).status, 0);

  auto version = test::RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "lindora-cli " + std::string(ProgramVersion()) + "\n");
}

TEST(CliOptionsTest, BadValuesAreRefusedInChineseNamingTheOptionAndTheLimit) {
  test::TestFolder f(LINDORA_BIN_DIR);
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", f.root().string()});
    return test::RunCli(args);
  };
  ASSERT_EQ(run({"query", "麻黄"}).status, 0);
  const struct {
    std::vector<std::string> words;
    const char* says;
  } kCases[] = {
      {{"report", "--rows", "abc"}, "--rows 的值“abc”"},
      {{"report", "--rows", "5000"}, "1 到 1000"},
      {{"report", "--date", "2026-13-45"}, "2026-13-45"},
      {{"network", "--top", "1000000000"}, "500"},
      {{"rules", "--min-confidence", "2"}, "0 到 1"},
      {{"similar-actives", "甘草", "anticancer", "--min-similarity", "2"}, "0 到 1"},
      {{"similar-actives", "甘草", "nosuchset"}, "set"},
      {{"save-set"}, "缺少必需的参数 NAME"},
      {{"save-set", "甲", "乙"}, "有多余的参数：乙"},
  };
  const std::regex english("[A-Za-z]{3,} [a-z]{3,}");  // a phrase, not an option or a value
  for (const auto& c : kCases) {
    const auto r = run(c.words);
    const std::string what = c.words[0] + " " + c.words.back();
    EXPECT_EQ(r.status, 1) << what << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << what << ": " << r.err;
    for (const std::string& line : Split(r.err, "\n"))  // the usage line names commands
      if (!line.starts_with("用法：")) {
        EXPECT_FALSE(std::regex_search(line, english)) << what << ": " << line;
      }
  }
}

}  // namespace
}  // namespace lindora
