// Bad data files and a failing machine, end to end through lindora-cli: every case ends with a
// clear message or a correct result, never a crash or a hang, and a failed operation leaves
// the previous result set as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "common/gbk.h"
#include "support/cli_runner.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

class FaultTest : public ::testing::Test {
 protected:
  test::CliRun Script(const std::string& script) {
    return test::RunCli({"--root", f.root().string(), "--script", "-"}, script);
  }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  // The data rows of the grid block whose heading line contains `heading`.
  static int GridRows(const std::string& out, const std::string& heading) {
    std::size_t at = out.find(heading);
    if (at == std::string::npos) return -1;
    int rows = -1;  // the header row is no data row
    std::size_t line = out.find('\n', at);
    while (line != std::string::npos && line + 1 < out.size() && out[line + 1] != '#') {
      ++rows;
      line = out.find('\n', line + 1);
    }
    return rows;
  }
  test::TestFolder f;
};

TEST_F(FaultTest, EmptyDataFilesGiveEmptyResultsOrMessages) {
  for (const char* name : {"DB/Fangji.DB", "DB/Herb_Name.DB", "DB/Herb_Compound.DB",
                           "DB/Compound.DB", "DB/Ref/抗癌天然产物.DB", "DB/Ref/抗流感天然产物.DB"})
    f.WriteBytes(name, "");
  auto r = Script("query 麻黄\nherb-search 甘草\nherb-type 甘草\ningredients 甘草\n");
  EXPECT_TRUE(Has(r.out, "找到 0  项结果")) << r.out;
  EXPECT_LE(r.status, 1) << r.err;
  EXPECT_FALSE(r.err.empty());  // the herb and chemistry look-ups say what they did not find
}

TEST_F(FaultTest, ALineOfFourMegabytesAndOneOfAHundredThousandFieldsAreSearchedAndAnalysed) {
  std::string long_indication(2'000'000, 'x');
  std::string many_fields = "宽方\t甘草3两，桂枝2两\t发热";
  for (int i = 0; i < 100'000; ++i) many_fields += "\t字段";
  f.WriteLines("DB/Fangji.DB", {"长方\t麻黄3两，甘草2两\t" + long_indication + "咳嗽", many_fields,
                                "短方\t甘草1两\t咳嗽"});
  auto r = Script("query 甘草\nherb-frequency\nsymptoms\nherb-pairs\n");
  EXPECT_EQ(r.status, 0) << r.err.substr(0, 500);
  EXPECT_TRUE(Has(r.out, "找到 3  项结果"));
  EXPECT_EQ(GridRows(r.out, "— FlexGrid\n"), 3);
  EXPECT_TRUE(Has(r.out, "甘草\t3")) << r.out.substr(0, 2000);
}

TEST_F(FaultTest, NulBytesAndUndecodableBytesDoNotHideOrCorruptRecords) {
  std::string bytes = EncodeGbk("甲方\t麻黄3两") + std::string("\0\0", 2) +
                      EncodeGbk("，桂枝\t咳") + "\r\n" + EncodeGbk("乙方\t麻黄\xFF") + "\xC2\t" +
                      EncodeGbk("喘") + "\r\n";
  f.WriteBytes("DB/Fangji.DB", bytes);
  auto r = Script("query 桂枝\nquery 喘\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "找到 1  项结果"));
  EXPECT_TRUE(Has(r.out, "甲方"));
  // The last query selected the record with broken bytes; the result file keeps it byte for byte.
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), bytes.substr(bytes.find(EncodeGbk("乙方"))));
}

TEST_F(FaultTest, CrOnlyAndLfOnlyFilesReadAsLines) {
  for (const char* end : {"\r", "\n"}) {
    std::string db;
    for (const char* rec : {"甲方\t麻黄\t热", "乙方\t麻黄\t咳", "丙方\t桂枝\t汗"})
      db += EncodeGbk(rec) + end;
    f.WriteBytes("DB/Fangji.DB", db);
    auto r = Script("query 麻黄\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "找到 2  项结果")) << r.out;
    EXPECT_EQ(f.ReadLines("Result/Result.DB").size(), 2u);
  }
}

TEST_F(FaultTest, MissingFoldersAreReportedOrMadeAgain) {
  f.WriteLines("DB/Fangji.DB", {"甲方\t麻黄\t热"});
  auto first = Script("query 麻黄\n");
  ASSERT_EQ(first.status, 0) << first.err;
  std::string kept = f.ReadBytes("Result/Result.DB");

  fs::remove_all(f / "DB");
  auto no_db = Script("query 麻黄\nherb-search 甘草\ningredients 甘草\n");
  EXPECT_EQ(no_db.status, 2);
  EXPECT_TRUE(Has(no_db.err, "Fangji.DB")) << no_db.err;
  EXPECT_TRUE(Has(no_db.err, "Herb_Name.DB")) << no_db.err;
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), kept);

  fs::remove_all(f / "Result");
  fs::remove_all(f / "exe");
  f.WriteLines("DB/Fangji.DB", {"甲方\t麻黄\t热"});
  auto again = Script("query 麻黄\n");  // the program folder is completed at start
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(fs::is_directory(f / "exe/babel"));
  EXPECT_EQ(f.ReadLines("Result/Result.DB").size(), 1u);
}

TEST_F(FaultTest, AResultFolderThatCannotBeWrittenLosesNothing) {
  f.WriteLines("DB/Fangji.DB", {"甲方\t麻黄\t热", "乙方\t桂枝\t咳"});
  ASSERT_EQ(Script("query 麻黄\n").status, 0);
  std::string kept = f.ReadBytes("Result/Result.DB");
  // A file where the folder should be: root cannot write into it either.
  fs::rename(f / "Result", f / "Result.saved");
  f.WriteBytes("Result", "not a folder");
  auto r = Script("query 桂枝\n");
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(Has(r.err, "Result")) << r.err;
  fs::remove(f / "Result");
  fs::rename(f / "Result.saved", f / "Result");
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), kept);
}

TEST_F(FaultTest, AFullDiskFailsTheQueryAndKeepsThePreviousResultSet) {
  std::vector<std::string> records;
  for (int i = 0; i < 20'000; ++i) records.push_back("方" + std::to_string(i) + "\t甘草2两\t咳");
  records.push_back("小方\t麻黄\t热");
  f.WriteLines("DB/Fangji.DB", records);
  ASSERT_EQ(Script("query 麻黄\n").status, 0);
  std::string kept = f.ReadBytes("Result/Result.DB");
  std::string kept_recipe = f.ReadBytes("Result/Result.DB.recipe");

  // Files may grow to 64 KiB only: the 20,000-record result set cannot be written.
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit small = old_limit;
  small.rlim_cur = 64 * 1024;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  auto r = Script("query 甘草\n");
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(r.status, 2) << r.out.substr(0, 300);
  EXPECT_TRUE(Has(r.err, "Result.DB")) << r.err;
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), kept);
  EXPECT_EQ(f.ReadBytes("Result/Result.DB.recipe"), kept_recipe);
  for (const auto& entry : fs::directory_iterator(f / "Result")) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "Result.DB" || name == "Result.DB.bak" || name == "Result.DB.recipe" ||
                name == "Result.DB.history" || name == ".lindora.lock")
        << "left behind: " << name;
  }
}

TEST_F(FaultTest, HundredThousandRecordsShowTwoHundredOneRowsAndCountBeyondSixteenBits) {
  std::vector<std::string> records;
  for (int i = 0; i < 100'000; ++i)
    records.push_back("方" + std::to_string(i) + "\t甘草2两，桂枝3两\t咳嗽，发热");
  f.WriteLines("DB/Fangji.DB", records);
  auto r = Script("query 甘草\nherb-frequency\nsymptoms\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "找到 100000  项结果"));
  EXPECT_EQ(GridRows(r.out, "— FlexGrid\n方剂名称"), 201);
  EXPECT_TRUE(Has(r.out, "甘草\t100000")) << r.out.substr(r.out.size() - 800);
  EXPECT_TRUE(Has(r.out, "咳嗽\t100000")) << r.out.substr(r.out.size() - 800);
}

TEST_F(FaultTest, AHerbGridOfTwentyThousandRowsIsTypedAndExported) {
  f.WriteLines("DB/Herb_Name.DB", {"编号\t类型\t中药名\t拼音\t其他名称", "1\t1\t人参\tRenshen\t",
                                   "2\t3\t甘草\tGancao\t"});
  f.WriteLines("DB/Herb_Compound.DB", {"1\t10", "2\t20"});
  f.WriteLines("DB/Compound.DB", {"10\tginsenoside\tCC\tKEY-A", "20\tglycyrrhizin\tCCO\tKEY-B"});
  std::string list;
  for (int i = 0; i < 20'000; ++i) list += (i % 2 ? "甘草," : "人参,");
  std::string script = "import-herbs '" + list + "'\ntype-distribution 0\nexport-herb-chem 1\n";
  auto r = Script(script);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "人参(1)")) << r.out.substr(r.out.size() - 600);
  auto csv = f.ReadLines("Result/单味药-化学成分.csv");
  EXPECT_EQ(csv.size(), 20'000u);  // one line per linked herb row, no header
}

}  // namespace
}  // namespace lindora
