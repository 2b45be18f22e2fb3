// --xlsx from the console: a global one collects the tables of every command of a script, one
// after a command's name takes that command's tables; texts that look like formulas stay text.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/test_folder.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

TEST(CliWorkbookTest, GlobalAndPerCommandWorkbooksHoldTheWindowsTables) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB", {"桂枝汤\t桂枝、芍药、甘草、生姜、大枣\t=A1+1，头痛\t",
                                         "麻黄汤\t麻黄、桂枝、杏仁、甘草\t头痛，@发热\t",
                                         "小青龙汤\t麻黄、芍药、细辛、干姜、甘草、桂枝\t头痛\t"});
  folder.WriteBytes("s.txt", "rules --min-support 2 --min-confidence 0\nsymptoms\n");
  const auto all = folder / "Result/全部.xlsx";
  test::CliRun run = test::RunCli({"--root", folder.root().string(), "--xlsx", all.string(),
                                   "--script", (folder / "s.txt").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("# workbook " + all.string()), std::string::npos);

  LINDORA_READ_WORKBOOK_OR_SKIP(sheets, all);
  std::vector<std::string> names;
  for (const test::ReadSheet& s : sheets) names.push_back(s.name);
  EXPECT_EQ(names, (std::vector<std::string>{"关联规则", "频繁项集", "病症"}));
  const test::ReadSheet& symptoms = sheets.back();
  EXPECT_EQ(symptoms.charts, 1);
  EXPECT_EQ(symptoms.formulas, 0);
  bool formula_text = false;
  for (const auto& [at, cell] : symptoms.cells) {
    // The symptom splitter drops digits: "=A1+1" arrives as "=A+".
    if (!cell.value.starts_with("=A")) continue;
    formula_text = true;
    EXPECT_EQ(cell.type, "s");
    EXPECT_EQ(symptoms.At(at.first, at.second + 1)->type, "n");  // its count
  }
  EXPECT_TRUE(formula_text);

  const auto one = folder / "Result/病症.xlsx";
  run = test::RunCli({"--root", folder.root().string(), "symptoms", "--xlsx", one.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  LINDORA_READ_WORKBOOK_OR_SKIP(only, one);
  ASSERT_EQ(only.size(), 1u);
  EXPECT_EQ(only[0].cells, symptoms.cells);

  EXPECT_EQ(test::RunCli({"--root", folder.root().string(), "symptoms", "--xlsx"}).status, 2);
}

}  // namespace
}  // namespace lindora
