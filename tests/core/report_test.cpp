// The analysis report: its tables hold the numbers of the result files, the same data give
// the same bytes, and bad requests change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/result_sets.h"
#include "analysis/symptoms/symptom_table.h"
#include "common/pictures.h"
#include "common/safe_write.h"
#include "common/text.h"
#include "report/analysis_report.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"
#include "support/title_pictures.h"
#include "support/workbook_reader.h"

namespace lindora {
namespace {

// The rows of a table (the first, or a later one) after the heading that ends with `title`.
std::vector<std::vector<std::string>> TableAfter(const std::string& html, const std::string& title,
                                                 int skip = 0) {
  std::size_t at = html.find(title + "</h2>");
  EXPECT_NE(at, std::string::npos) << title;
  for (int i = 0; i < skip; ++i) at = html.find("</tbody>", at) + 1;
  std::size_t start = html.find("<tbody>", at), end = html.find("</tbody>", at);
  std::string body = html.substr(start, end - start);
  std::vector<std::vector<std::string>> rows;
  // An empty gap column between a number and a name is no cell of the table.
  std::regex row("<tr>(.*?)</tr>"), cell("<td(?! class=\"gap\")[^>]*>(.*?)</td>");
  for (std::sregex_iterator r(body.begin(), body.end(), row), e; r != e; ++r) {
    std::string cells = (*r)[1];
    rows.emplace_back();
    for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != e; ++c)
      rows.back().push_back((*c)[1]);
  }
  return rows;
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPictureWriter(&pictures);
    // 35 formulas: herb k is in the formulas i with i % (k + 1) == 0, so counts fall with k.
    std::vector<std::string> lines;
    for (int i = 1; i <= 35; ++i) {
      std::string composition;
      for (int k = 0; k < 40; ++k)
        if (i % (k + 1) == 0) composition += Herb(k) + "、";
      lines.push_back("方" + std::to_string(i) + "\t" + composition + "\t头痛，发热" +
                      (i % 3 ? "，恶寒" : "") + "\t");
    }
    folder.WriteLines("Result/Result.DB", lines);
    folder.WriteLines("DB/Herb_Name.DB",
                      {"1\t30\t" + Herb(0) + "\tya\t", "2\t1\t" + Herb(1) + "\tyb\t"});
  }
  void TearDown() override { InstallPictureWriter(nullptr); }
  static std::string Herb(int k) {
    return std::string("药") + static_cast<char>('A' + k / 26) + static_cast<char>('A' + k % 26);
  }
  // The data rows of a UTF-8 CSV file the analyses wrote (no name holds a comma).
  std::vector<std::vector<std::string>> Csv(std::string_view file) {
    std::vector<std::vector<std::string>> rows;
    std::string bytes = folder.ReadBytes(file);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    for (const std::string& line : Split(bytes, "\r\n"))
      if (!line.empty() && !StartsWith(line, "# ")) rows.push_back(Split(line, ","));
    rows.erase(rows.begin());
    return rows;
  }
  ReportOptions Options() {
    ReportOptions o;
    o.sections = {ReportSection::kData,  ReportSection::kHerbs,   ReportSection::kTypes,
                  ReportSection::kRules, ReportSection::kNetwork, ReportSection::kSymptoms};
    o.date = "2026-12-07";
    return o;
  }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
  test::TitlePictures pictures;
};

TEST_F(ReportTest, TablesHoldTheNumbersOfTheResultFilesAndRunsRepeatByteForByte) {
  ReportRun run = WriteAnalysisReport(world.session, Options());
  ASSERT_EQ(run.outcome, Outcome::kDone) << ::testing::PrintToString(world.dialogs.Messages());
  std::string html = folder.ReadBytes("Result/分析报告.html");

  auto herbs = TableAfter(html, "中药频数");
  std::vector<std::string> file = folder.ReadLines("Result/Yaodui_Analysis1.txt");
  ASSERT_EQ(file.size(), 35u);  // herbs 35..39 are in no formula
  ASSERT_EQ(herbs.size(), 30u);
  for (std::size_t i = 0; i < herbs.size(); ++i)
    EXPECT_EQ(herbs[i][1] + "\t" + herbs[i][2], file[i]) << i;

  SymptomTable symptoms = CountSymptoms(folder / "Result/Result.DB");
  auto rows = TableAfter(html, "症状频数");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "头痛", "35"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "恶寒", "24"}));

  // Herb 0 is typed 补气药, herb 1 辛温解表药; table order puts 辛温解表药 first, the 33
  // others are 其他.
  auto types = TableAfter(html, "中药类型分布");
  ASSERT_EQ(types.size(), 3u);
  EXPECT_EQ(types[0][0], "辛温解表药");
  EXPECT_EQ(types[1][0], "补气药");
  EXPECT_EQ(types[2][0] + types[2][1], "其他33");

  // Rules and nodes: the rows of the CSV files the analyses wrote (no name holds a comma).
  auto rules = Csv("Result/关联规则.csv");
  ASSERT_FALSE(rules.empty());
  if (rules.size() > 30) rules.resize(30);
  EXPECT_EQ(TableAfter(html, "关联规则"), rules);
  auto nodes = Csv("Result/药物网络_节点.csv");
  for (auto& row : nodes) row.erase(row.begin() + 1);  // the report leaves out Label (= Id)
  auto node_table = TableAfter(html, "药物网络", 1);
  EXPECT_EQ(node_table, nodes);
  // Once for the network's own picture file, once for the report's figure.
  EXPECT_EQ(pictures.networks, 2);

  // The PDF is typeset from the same page.
  EXPECT_EQ(TableAfter(folder.ReadBytes("Result/分析报告.pdf"), "中药频数"), herbs);
  EXPECT_EQ(pictures.charts.size(), 3u);

  // Run again, the report is the same but for its run id, which the PDF shares.
  const std::regex run_id("运行编号：[0-9TZ]+-[0-9a-f]+");
  std::smatch id;
  ASSERT_TRUE(std::regex_search(html, id, run_id));
  EXPECT_NE(folder.ReadBytes("Result/分析报告.pdf").find(id.str()), std::string::npos);
  ASSERT_EQ(WriteAnalysisReport(world.session, Options()).outcome, Outcome::kDone);
  const std::string again = folder.ReadBytes("Result/分析报告.html");
  EXPECT_EQ(again.find(id.str()), std::string::npos);
  EXPECT_EQ(std::regex_replace(again, run_id, ""), std::regex_replace(html, run_id, ""));
}

TEST_F(ReportTest, AFailedPageLeavesTheWorkbookAndBothPagesAsTheyWere) {
  ASSERT_EQ(WriteAnalysisReport(world.session, Options()).outcome, Outcome::kDone);
  std::map<std::string, std::string> before;
  for (const char* name : {"分析报告.xlsx", "分析报告.html", "分析报告.pdf"})
    before[name] = folder.ReadBytes(std::string("Result/") + name);
  for (const char* failing : {"分析报告.html", "分析报告.pdf"}) {
    SetWriteFault([&](const std::filesystem::path& target, std::string_view step) {
      return target.filename() == failing && step == "rename" ? EIO : 0;
    });
    const ReportRun run = WriteAnalysisReport(world.session, Options());
    SetWriteFault(nullptr);
    EXPECT_EQ(run.outcome, Outcome::kFailed) << failing;
    for (const auto& [name, bytes] : before)
      EXPECT_EQ(folder.ReadBytes("Result/" + name), bytes) << name << " after " << failing;
  }
}

TEST_F(ReportTest, WorkbookHoldsEveryTableInOrderAfterTheDataAndMethodsSheet) {
  ReportRun run = WriteAnalysisReport(world.session, Options());
  ASSERT_EQ(run.outcome, Outcome::kDone) << ::testing::PrintToString(world.dialogs.Messages());
  EXPECT_EQ(run.xlsx, folder / "Result/分析报告.xlsx");
  LINDORA_READ_WORKBOOK_OR_SKIP(sheets, run.xlsx);
  ASSERT_FALSE(sheets.empty());
  std::string first;
  for (const auto& [at, cell] : sheets[0].cells) first += cell.value + "\n";
  for (const char* part : {"方剂数据挖掘分析报告", "检索历史", "方法 / Methods", "Methods"})
    EXPECT_NE(first.find(part), std::string::npos) << part;

  std::size_t sheet = 1;
  for (const ReportBlock& b : run.document.Blocks()) {
    if (b.kind != ReportBlock::Kind::kTable || b.header == std::vector<std::string>{"项目", "内容"})
      continue;
    ASSERT_LT(sheet, sheets.size());
    const test::ReadSheet& s = sheets[sheet++];
    EXPECT_EQ(s.freeze, "A3");
    ASSERT_NE(s.At(1, 1), nullptr);
    EXPECT_EQ(s.At(1, 1)->value.rfind("表" + std::to_string(sheet - 1) + " ", 0), 0u);
    for (std::size_t c = 0; c < b.header.size(); ++c)
      EXPECT_EQ(s.At(2, static_cast<int>(c) + 1)->value, b.header[c]);
    for (std::size_t r = 0; r < b.rows.size(); ++r)
      for (std::size_t c = 0; c < b.rows[r].size(); ++c) {
        const test::ReadCell* cell = s.At(static_cast<int>(r) + 3, static_cast<int>(c) + 1);
        ASSERT_NE(cell, nullptr) << s.name << " " << r << " " << c;
        if (cell->type == "n")
          EXPECT_DOUBLE_EQ(std::stod(cell->value), std::stod(b.rows[r][c])) << s.name;
        else
          EXPECT_EQ(cell->value, b.rows[r][c]) << s.name;
      }
    EXPECT_EQ(s.At(static_cast<int>(b.rows.size()) + 3, 1), nullptr) << s.name;
    EXPECT_EQ(s.charts, s.name == "中药频数" || s.name == "中药类型分布" || s.name == "症状频数")
        << s.name;
  }
  EXPECT_EQ(sheet, sheets.size());
  EXPECT_GE(sheet, 6u);
  // The workbook holds the rows the pages leave out, and every sheet's name says what it holds,
  // never a mere number after a repeated name.
  bool longer = false;
  for (const ReportBlock& b : run.document.Blocks()) longer = longer || b.rows.size() > b.shown;
  EXPECT_TRUE(longer);
  std::set<std::string> names;
  for (const test::ReadSheet& s : sheets) {
    EXPECT_TRUE(names.insert(s.name).second) << s.name;
    EXPECT_FALSE(std::regex_search(s.name, std::regex("[（(][0-9]+[）)]$"))) << s.name;
  }
  EXPECT_TRUE(names.count("药物网络·社区") && names.count("药物网络·节点"));

  // A workbook open in a spreadsheet program stops the report before its files change.
  const std::string html = folder.ReadBytes("Result/分析报告.html");
  folder.WriteBytes("Result/~$分析报告.xlsx", "");
  ReportOptions other = Options();
  other.date = "2026-12-08";
  EXPECT_EQ(WriteAnalysisReport(world.session, other).outcome, Outcome::kFailed);
  EXPECT_NE(world.dialogs.Messages().back().find("~$分析报告.xlsx"), std::string::npos);
  EXPECT_EQ(folder.ReadBytes("Result/分析报告.html"), html);
}

TEST_F(ReportTest, ComparisonTableHoldsTheRowsOfTheComparisonFile) {
  ASSERT_EQ(SaveResultSet(world.session, "全部"), Outcome::kDone);
  std::vector<std::string> lines = folder.ReadLines("Result/Result.DB");
  lines.resize(12);
  folder.WriteLines("Result/Result.DB", lines);
  ReportOptions o = Options();
  o.sections = {ReportSection::kComparison};
  o.compare_b = "全部";
  o.compare_min_count = "1";
  ASSERT_EQ(WriteAnalysisReport(world.session, o).outcome, Outcome::kDone);
  std::string html = folder.ReadBytes("Result/分析报告.html");
  std::vector<std::vector<std::string>> rows = Csv("Result/结果集比较.csv");
  ASSERT_FALSE(rows.empty());
  if (rows.size() > 30) rows.resize(30);
  // The file keeps p and q in full; the report prints them as a paper does.
  for (auto& row : rows)
    for (std::size_t c : {6u, 7u}) row[c] = ReadablePFromLog(std::log(std::stod(row[c])));
  EXPECT_EQ(TableAfter(html, "结果集比较"), rows);
  // The current set is part of 全部: the window, the file and the report say how many they
  // share, since Fisher's test assumes two separate groups.
  const std::string warning = SharedFormulaWarning(12);
  EXPECT_NE(html.find(warning), std::string::npos);
  EXPECT_NE(folder.ReadBytes("Result/结果集比较.csv").find("# " + warning), std::string::npos);
  // The same set on both sides is refused and replaces no report.
  o.compare_a = "全部";
  EXPECT_EQ(WriteAnalysisReport(world.session, o).outcome, Outcome::kRefused);
  EXPECT_EQ(folder.ReadBytes("Result/分析报告.html"), html);
}

TEST_F(ReportTest, DoseTableHoldsTheRowsOfTheDoseFile) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 35; ++i)
    lines.push_back("方" + std::to_string(i) + "\t" + Herb(i % 4) + std::to_string(i % 5 + 1) +
                    "两，" + Herb(4) + std::to_string(i % 3 + 1) + "枚，" + Herb(5) + "\t头痛\t");
  folder.WriteLines("Result/Result.DB", lines);
  ReportOptions o = Options();
  o.sections = {ReportSection::kDoses};
  o.dose_table = "han-15.625";
  ASSERT_EQ(WriteAnalysisReport(world.session, o).outcome, Outcome::kDone);
  const std::string html = folder.ReadBytes("Result/分析报告.html");
  std::vector<std::vector<std::string>> rows = Csv("Result/剂量分析.csv");
  ASSERT_EQ(rows.size(), 6u);  // four weighed herbs, one counted, one never dosed
  for (auto& row : rows) {
    EXPECT_EQ(row.back(), "汉制 15.625 g");
    row.pop_back();  // the report names the table once, in its text
  }
  EXPECT_EQ(TableAfter(html, "用药剂量"), rows);
  EXPECT_NE(html.find("1斤 = 250 g"), std::string::npos);
  EXPECT_NE(html.find("--sections doses --rows 30 --dose-table 'han-15.625'"), std::string::npos);
  // An unknown table is refused before anything is written.
  o.dose_table = "tang";
  EXPECT_EQ(WriteAnalysisReport(world.session, o).outcome, Outcome::kRefused);
  EXPECT_EQ(folder.ReadBytes("Result/分析报告.html"), html);
}

TEST_F(ReportTest, RefusalsChangeNoFile) {
  folder.WriteBytes("Result/分析报告.html", "old");
  ReportOptions bad_date = Options();
  bad_date.date = "7.12.2026";
  EXPECT_EQ(WriteAnalysisReport(world.session, bad_date).outcome, Outcome::kRefused);
  ReportOptions none = Options();
  none.sections.clear();
  EXPECT_EQ(WriteAnalysisReport(world.session, none).outcome, Outcome::kRefused);
  folder.WriteLines("Result/Result.DB", {});
  EXPECT_EQ(WriteAnalysisReport(world.session, Options()).outcome, Outcome::kRefused);
  EXPECT_EQ(world.dialogs.Messages().size(), 3u);
  EXPECT_EQ(folder.ReadBytes("Result/分析报告.html"), "old");
  EXPECT_FALSE(std::filesystem::exists(folder / "Result/分析报告.pdf"));
}

// A cancel at any step puts every file of Result/ back: changed ones get their old bytes,
// new ones are gone; the dialog shows no message for it.
TEST_F(ReportTest, CancelAtAnyStepLeavesEveryFileAsItWas) {
  folder.WriteBytes("Result/关联规则.csv", "old rules");
  folder.WriteBytes("Result/分析报告.html", "old report");
  auto snapshot = [&] {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder / "Result"))
      if (e.path().filename() != ".lindora.lock")  // the folder's lock, no result
        files[e.path().filename().string()] =
            folder.ReadBytes("Result/" + e.path().filename().string());
    return files;
  };
  const auto before = snapshot();
  int steps = 0;
  WriteAnalysisReport(world.session, Options(), [&](std::string_view, int, int total) {
    steps = total;
    return true;
  });
  ASSERT_GT(steps, 3);
  ASSERT_NE(snapshot(), before);
  for (int cancel_at = 0; cancel_at < steps; ++cancel_at) {
    for (const auto& [name, bytes] : before) folder.WriteBytes("Result/" + name, bytes);
    for (const auto& e : std::filesystem::directory_iterator(folder / "Result"))
      if (!before.count(e.path().filename().string())) std::filesystem::remove(e.path());
    ReportRun run =
        WriteAnalysisReport(world.session, Options(),
                            [&](std::string_view, int done, int) { return done < cancel_at; });
    EXPECT_EQ(run.outcome, Outcome::kRefused) << cancel_at;
    EXPECT_TRUE(run.cancelled) << cancel_at;
    EXPECT_EQ(snapshot(), before) << cancel_at;
  }
  EXPECT_TRUE(world.dialogs.Messages().empty());
}

TEST(RegenerationScriptTest, TheRecordedCommandsThenTheReport) {
  ReportOptions o;
  o.sections = {ReportSection::kSymptoms, ReportSection::kHerbs};
  o.date = "2026-12-07";
  EXPECT_EQ(
      RegenerationScript({"query -- '麻黄 OR 桂枝'", "query --in-results --exclude -- '附子'"}, o),
      "lindora-cli --script - <<'EOF'\n"
      "query -- '麻黄 OR 桂枝'\n"
      "query --in-results --exclude -- '附子'\n"
      "report --sections herbs,symptoms --rows 30 --date 2026-12-07\n"
      "EOF");
  EXPECT_EQ(RegenerationScript({}, o),
            "lindora-cli --script - <<'EOF'\n"
            "report --sections herbs,symptoms --rows 30 --date 2026-12-07\nEOF");
  // an imported library is opened first, so the commands search the library the report read
  EXPECT_EQ(RegenerationScript({"query --all"}, o, "诊所"),
            "lindora-cli --library '诊所' --script - <<'EOF'\nquery --all\n"
            "report --sections herbs,symptoms --rows 30 --date 2026-12-07\nEOF");
  EXPECT_EQ(RegenerationScript({}, o, "伤寒论"), RegenerationScript({}, o));
}

}  // namespace
}  // namespace lindora
