// Workbooks are read back with openpyxl: what a researcher opens in Excel must hold the same
// values, types and formats as the tables the program computed.
#include "common/workbook.h"

#include <gtest/gtest.h>

#include <random>

#include "common/files.h"
#include "common/text.h"
#include "support/test_folder.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

using test::ReadCell;
using test::ReadSheet;

TEST(WorkbookTest, RandomTablesReadBackWithValuesTypesFormatsRulesAndChart) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  const std::vector<std::string> words = {"麻黄", "=SUM(A1:A3)", "+桂枝",       "-甘草", "@芍药",
                                          "a\tb", "生姜、大枣",  "当归 (酒洗)", "=1+1"};
  ResultTable table{"herbs", "表1 药物频次", {"中药名", "频数", "均值", "频率"}, {}};
  const int rows = std::uniform_int_distribution<int>(1, 60)(rng);
  for (int r = 0; r < rows; ++r) {
    const int decimals = std::uniform_int_distribution<int>(0, 4)(rng);
    table.rows.push_back(
        {TableCell::Text(words[rng() % words.size()] + std::to_string(r)),
         TableCell::Number(static_cast<double>(rng() % 100000)),
         TableCell::Number(std::uniform_real_distribution<double>(-1000, 1000)(rng), decimals),
         TableCell::Percent(std::uniform_real_distribution<double>(0, 1)(rng))});
  }
  WorkbookSheet sheet{
      "herbs", table.caption, {}, table, SheetChart{"药物频次", "中药", "频数", 0, {1}, 30, true},
      {}};
  WorkbookSheet text{"报告", "", {{"分析报告", true}, {"=不是公式", false}}, {}, std::nullopt, {}};
  test::TestFolder folder;
  const fs::path path = folder / "Result/表.xlsx";
  WriteWorkbook({text, sheet}, path);

  LINDORA_READ_WORKBOOK_OR_SKIP(sheets, path);
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "报告");
  EXPECT_EQ(sheets[0].cells.at({2, 1}).value, "=不是公式");
  EXPECT_EQ(sheets[0].cells.at({2, 1}).type, "s");
  EXPECT_TRUE(sheets[0].cells.at({1, 1}).bold);

  const ReadSheet& s = sheets[1];
  EXPECT_EQ(s.name, "herbs");
  EXPECT_EQ(s.freeze, "A3");  // caption row, header row
  EXPECT_EQ(s.charts, 1);
  EXPECT_EQ(s.formulas, 0);
  EXPECT_EQ(s.cells.at({1, 1}).value, table.caption);
  for (int c = 0; c < 4; ++c) {
    const ReadCell& h = s.cells.at({2, c + 1});
    EXPECT_EQ(h.value, table.header[static_cast<std::size_t>(c)]);
    EXPECT_TRUE(h.bold);
    EXPECT_EQ(h.top, "medium");
    EXPECT_EQ(h.bottom, "thin");
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < 4; ++c) {
      const TableCell& want = table.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      const ReadCell& got = s.cells.at({r + 3, c + 1});
      SCOPED_TRACE("row " + std::to_string(r) + " column " + std::to_string(c));
      EXPECT_EQ(got.bottom, r + 1 == rows ? "medium" : "None");
      EXPECT_EQ(got.top, "None");  // no rules inside the body
      if (want.kind == TableCell::Kind::kText) {
        EXPECT_EQ(got.type, "s");
        EXPECT_EQ(got.value, want.text);
        continue;
      }
      EXPECT_EQ(got.type, "n");
      EXPECT_NEAR(std::stod(got.value), want.number, 1e-9 * std::max(1.0, std::abs(want.number)));
      std::string format = want.decimals ? "0." + std::string(want.decimals, '0') : "0";
      if (want.kind == TableCell::Kind::kPercent) format += "%";
      EXPECT_EQ(got.format, format);
    }
  }
}

TEST(WorkbookTest, FailuresKeepThePreviousWorkbookAndNameTheLock) {
  test::TestFolder folder;
  const fs::path path = folder / "Result/药物频次.xlsx";
  ResultTable table{"t", "", {"名"}, {{TableCell::Text("麻黄")}}};
  WriteWorkbook(SheetsOf({table}), path);
  const std::string before = ReadFileBytes(path);

  for (const std::string lock : {"~$药物频次.xlsx", "~$频次.xlsx", ".~lock.药物频次.xlsx#"}) {
    folder.WriteBytes("Result/" + lock, "x");
    table.rows.push_back({TableCell::Text("桂枝")});
    try {
      WriteWorkbook(SheetsOf({table}), path);
      ADD_FAILURE() << "written over a workbook open elsewhere (" << lock << ")";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(lock), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    fs::remove(folder / ("Result/" + lock));
  }
  // A target that cannot be replaced: nothing is left behind but what was there.
  fs::create_directory(folder / "Result/目录.xlsx");
  fs::create_directory(folder / "Result/目录.xlsx/x");
  EXPECT_THROW(WriteWorkbook(SheetsOf({table}), folder / "Result/目录.xlsx"), FileError);
  EXPECT_THROW(WriteWorkbook(SheetsOf({table}), folder / "没有/表.xlsx"), FileError);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder / "Result")) ++entries;
  EXPECT_EQ(entries, 2);  // the workbook and the folder, no temporary file

  WriteWorkbook(SheetsOf({table}), path);  // the lock is gone: the new rows are written
  EXPECT_NE(ReadFileBytes(path), before);
}

TEST(WorkbookTest, CellsFromGridTextAndSheetNames) {
  struct Case {
    std::string text;
    TableCell::Kind kind;
    double number;
    int decimals;
  };
  using K = TableCell::Kind;
  for (const Case& c : std::vector<Case>{{"12", K::kNumber, 12, 0},
                                         {"-0.350", K::kNumber, -0.35, 3},
                                         {"25.00%", K::kPercent, 0.25, 2},
                                         {"0", K::kNumber, 0, 0},
                                         {"007", K::kText, 0, 0},
                                         {"1e5", K::kText, 0, 0},
                                         {"1.", K::kText, 0, 0},
                                         {"-", K::kText, 0, 0},
                                         {"%", K::kText, 0, 0},
                                         {"1234567890123456", K::kText, 0, 0},
                                         {"=1", K::kText, 0, 0}}) {
    TableCell cell = CellFromText(c.text);
    EXPECT_EQ(cell.kind, c.kind) << c.text;
    EXPECT_EQ(cell.text, c.text);
    if (c.kind != K::kText) {
      EXPECT_DOUBLE_EQ(cell.number, c.number) << c.text;
      EXPECT_EQ(cell.decimals, c.decimals) << c.text;
    }
  }
  EXPECT_EQ(DisplayWidth("麻黄ab"), 6);
  EXPECT_EQ(SheetName("a/b:c?", {}), "a_b_c_");
  EXPECT_EQ(SheetName("'x'", {}), "x");
  EXPECT_EQ(SheetName("Herbs", {"herbs"}), "Herbs(2)");
  const std::string long_name(40, 'x');
  EXPECT_EQ(SheetName(long_name, {}).size(), 31u);
  EXPECT_EQ(SheetName(long_name, {std::string(31, 'x')}), std::string(28, 'x') + "(2)");
}

}  // namespace
}  // namespace lindora
