#include "cli/cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "support/cli_runner.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

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
  EXPECT_NE(r.err.find("unknown command: nosuchcommand"), std::string::npos);
  EXPECT_NE(r.err.find("line 4: unclosed quote"), std::string::npos);
  EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace lindora
