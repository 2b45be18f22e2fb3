#include "formula/formula_import.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>

#include "analysis/compare_sets/compare_sets_window.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/doses/doses_window.h"
#include "analysis/result_sets.h"
#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/composition.h"
#include "formula/library.h"
#include "formula/name_dictionary.h"
#include "formula/table_source.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;
using test::TestFolder;

fs::path ShippedData() {
  return fs::path(LINDORA_SOURCE_DIR) / "data";
}

std::string Show(const NameResolution& r) {
  std::vector<std::string> herbs;
  for (const auto& h : r.herbs)
    herbs.push_back(h.name + (h.processing.empty() ? "" : "[" + Join(h.processing, ",") + "]"));
  return Join(herbs, " ");
}

TEST(NameDictionaryTest, FoldsProcessingButNeverDifferentDrugs) {
  const NameDictionary d = NameDictionary::Load(ShippedData());
  const struct {
    const char *written, *folded, *kept;
  } kCases[] = {
      {"炙甘草", "甘草[炙]", "炙甘草"},
      {"清炙草", "甘草[炙]", "炙甘草"},  // alias, then the processing fold
      {"生甘草", "甘草[生]", "生甘草"},
      {"炒枣仁", "酸枣仁[炒]", "炒酸枣仁"},
      {"酒大黄", "大黄[酒]", "酒大黄"},
      {"地榆炭", "地榆[炭]", "地榆炭"},
      {"白芍", "白芍", "白芍"},
      {"赤芍", "赤芍", "赤芍"},
      {"杭白芍", "白芍", "白芍"},
      {"生地黄", "地黄", "地黄"},  // the name table says so, over the herb-file name
      {"熟地黄", "熟地黄", "熟地黄"},
      {"生地", "地黄", "地黄"},  // 生地黄 is the pharmacopoeia's 地黄; 熟地黄 stays apart
      {"生姜", "生姜", "生姜"},
      {"干姜", "干姜", "干姜"},
      {"姜黄", "姜黄", "姜黄"},
      {"芍葯", "白芍", "白芍"},  // variant character, then the name table (芍药 → 白芍)
      {"川归", "当归", "当归"},
      {"淮山", "山药", "山药"},
      {"丹皮", "牡丹皮", "牡丹皮"},
      {"元参", "玄参", "玄参"},
      {"萸肉", "山茱萸", "山茱萸"},
      {"花粉", "天花粉", "天花粉"},
      {"焦三仙", "山楂[焦] 神曲[焦] 麦芽[焦]", "焦山楂 焦神曲 焦麦芽"},
      {"Ardisiae Japonicae Herba", "矮地茶", "矮地茶"},  // a name field of the herb file
      {"川穹", "", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Show(d.Resolve(c.written, false)), c.folded) << c.written;
    EXPECT_EQ(Show(d.Resolve(c.written, true)), c.kept) << c.written;
  }
  std::vector<std::string> suggested;
  for (const auto& s : d.Suggest("川穹")) suggested.push_back(s.name);
  EXPECT_NE(std::find(suggested.begin(), suggested.end(), "川芎"), suggested.end());
  ASSERT_EQ(d.Suggest("北柴胡根须").size(), 1u);
  EXPECT_EQ(d.Suggest("北柴胡根须")[0].name, "柴胡");
  EXPECT_TRUE(d.Suggest("完全不是药名的东西").empty());
  // Names written by their sound get the herb of that sound first, through an alias too
  // (槐山 sounds like the aliases 怀山 and 淮山 of 山药).
  const struct {
    const char *written, *herb;
  } kSound[] = {{"伏苓", "茯苓"}, {"兔丝子", "菟丝子"}, {"牛夕", "牛膝"}, {"槐山", "山药"}};
  for (const auto& c : kSound) {
    ASSERT_TRUE(d.Resolve(c.written, false).herbs.empty()) << c.written;
    const auto s = d.Suggest(c.written);
    ASSERT_FALSE(s.empty()) << c.written;
    EXPECT_EQ(s[0].name, c.herb) << c.written;
    EXPECT_EQ(s[0].reason, "同音") << c.written;
  }
  EXPECT_EQ(PinyinOf("川穹"), PinyinOf("川芎"));
  EXPECT_NE(PinyinOf("白芍"), PinyinOf("赤芍"));
}

// Suggestions over a small dictionary of the test's own: the herb files' names with their types
// and toxicity, and two aliases.
TEST(NameDictionaryTest, SuggestsWhatAPharmacistWould) {
  TestFolder folder;
  const struct {
    const char* name;
    int type;
    const char* toxicity;
  } kHerbs[] = {
      {"牛蒡子", 2, ""},  {"牛蒡根", 0, ""},     {"女贞子", 32, ""},    {"郁李仁", 9, ""},
      {"白扁豆", 30, ""}, {"扁豆花", 14, ""},    {"巴豆", 8, "有大毒"}, {"川乌", 11, "有大毒"},
      {"花椒", 16, ""},   {"大黄", 8, ""},       {"熟地黄", 31, ""},    {"高良姜", 16, ""},
      {"干姜", 16, ""},   {"决明子", 3, ""},     {"石决明", 28, ""},    {"熊胆粉", 5, ""},
      {"龙胆", 4, ""},    {"川芎", 24, ""},      {"茯苓", 15, ""},      {"山药", 30, ""},
      {"柴胡", 2, ""},    {"蓖麻子", 8, "有毒"}, {"蓖麻油", 9, ""},     {"千金子", 8, "有毒"}};
  std::vector<std::string> names = {"编号\t类型\t中药名\t其他名称"}, properties;
  for (std::size_t i = 0; i < std::size(kHerbs); ++i) {
    const std::string number = std::to_string(i + 1);
    names.push_back(number + "\t" + std::to_string(kHerbs[i].type) + "\t" + kHerbs[i].name);
    properties.push_back(number + "\t平\t甘\t肺\t" + kHerbs[i].toxicity + "\t测试");
  }
  folder.WriteLines("DB/Herb_Name.DB", names);
  folder.WriteLines("DB/Herb_Property.DB", properties);
  folder.WriteBytes("DB/药名对照.tsv", "写法\t标准名\t类别\t来源\n淮山\t山药\t别名\t测试\n");
  const NameDictionary d = NameDictionary::Load(folder.root());

  const struct {
    const char *written, *first, *reason, *never;  // "" first: no suggestion at all
  } kCases[] = {
      {"川穹", "川芎", "同音", ""},
      {"伏苓", "茯苓", "同音", ""},
      {"槐山", "山药", "同音", ""},  // through the alias 淮山
      {"熟大黄", "大黄", "炮制品", "熟地黄"},
      {"牛蒡", "牛蒡子", "补全", ""},
      {"女贞", "女贞子", "补全", ""},
      {"郁李", "郁李仁", "补全", ""},
      {"扁豆", "白扁豆", "补全", "巴豆"},
      {"良姜", "高良姜", "补全", "干姜"},
      {"熊胆", "熊胆粉", "补全", "龙胆"},
      {"草决明", "决明子", "含已知药名", ""},
      {"北柴胡根须", "柴胡", "含已知药名", ""},
      {"蓖麻仁", "蓖麻油", "一字之差", ""},  // 蓖麻子 only after it: toxic
      {"川椒", "", "", "川乌"},
      {"硫黄", "", "", "大黄"},
      {"千金仁", "", "", "千金子"},  // a toxic look-alike alone is no suggestion
  };
  for (const auto& c : kCases) {
    ASSERT_TRUE(d.Resolve(c.written, false).herbs.empty()) << c.written;
    const auto s = d.Suggest(c.written);
    std::vector<std::string> shown;
    for (const auto& one : s) shown.push_back(DescribeSuggestion(one));
    EXPECT_EQ(s.empty() ? "" : s[0].name, c.first) << c.written << ": " << Join(shown, "、");
    if (!s.empty()) {
      EXPECT_EQ(s[0].reason, c.reason) << c.written;
    }
    for (const auto& one : s) EXPECT_NE(one.name, c.never) << c.written;
  }
  // Each suggestion shows the herb's type, and its toxicity.
  const auto niubang = d.Suggest("牛蒡");
  ASSERT_EQ(niubang.size(), 2u);
  EXPECT_EQ(DescribeSuggestion(niubang[0]), "牛蒡子（补全，辛凉解表药）");
  EXPECT_EQ(DescribeSuggestion(niubang[1]), "牛蒡根（补全，其他）");
  const auto bima = d.Suggest("蓖麻仁");
  ASSERT_EQ(bima.size(), 2u);
  EXPECT_EQ(DescribeSuggestion(bima[1]), "蓖麻子（一字之差，攻下药，有毒）");
  EXPECT_EQ(d.Suggest("草决明").at(1).name, "石决明");
}

TEST(TableSourceTest, CsvQuotingSeparatorsAndEncodings) {
  const std::string body =
      "方名,组成,主治\r\n"
      "\"桂枝汤\",\"桂枝9g，白芍9g, 甘草6g\",\"发热,\"\"恶风\"\"\r\n汗出\"\r\n"
      "\r\n"
      "麻黄汤,麻黄9g 桂枝6g,无汗\n";
  const auto check = [](const SourceTable& t, const std::string& encoding) {
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.encoding, encoding);
    EXPECT_EQ(t.rows[1][1], "桂枝9g，白芍9g, 甘草6g");
    EXPECT_EQ(t.rows[1][2], "发热,\"恶风\"\r\n汗出");
    EXPECT_EQ(t.rows[2][0], "麻黄汤");
    EXPECT_EQ(t.row_numbers[2], 5u);  // the quoted line break and the blank line count
  };
  check(ReadCsvText(body, {}), "UTF-8");
  check(ReadCsvText("\xEF\xBB\xBF" + body, {}), "UTF-8（带 BOM）");
  check(ReadCsvText(EncodeGbk(body), {}), "GB18030");
  const SourceTable semicolons = ReadCsvText("a;b;c\n1;\"2;3\";4\n", {});
  EXPECT_EQ(semicolons.separator, "分号");
  EXPECT_EQ(semicolons.rows[1], (std::vector<std::string>{"1", "2;3", "4"}));
  EXPECT_EQ(ReadCsvText("a\tb,c\n1\t2,3\n", {}).rows[1].size(), 2u);
  EXPECT_THROW(ReadCsvText("a,\"b\n", {}), SourceError);
  EXPECT_THROW(ReadCsvText(std::string("a\0,\0", 4), {}), SourceError);  // NULs, no UTF-16 mark
  SourceOptions small;
  small.max_rows = 2;
  EXPECT_THROW(ReadCsvText("h\n1\n2\n3\n", small), SourceError);
  EXPECT_NO_THROW(ReadCsvText("h\n1\n2\n", small));
}

// A workbook written by a spreadsheet library: shared strings, numbers, a second sheet, and a
// workbook in constant-memory mode, which writes inline strings.
void WriteBook(const fs::path& path, bool inline_strings,
               const std::vector<std::vector<std::string>>& rows) {
  lxw_workbook_options options = {};
  options.constant_memory = inline_strings ? LXW_TRUE : LXW_FALSE;
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  worksheet_write_string(workbook_add_worksheet(book, "说明"), 0, 0, "见第二张表", nullptr);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "处方");
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      const auto& cell = rows[r][c];
      if (cell.empty()) continue;
      if (cell.find_first_not_of("0123456789.") == std::string::npos)
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                               Val(cell), nullptr);
      else
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                               cell.c_str(), nullptr);
    }
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

TEST(TableSourceTest, WorkbooksReadBackAndBadFilesAreNamed) {
  TestFolder folder;
  const std::vector<std::vector<std::string>> rows = {
      {"编号", "方名", "组成"}, {"1", "四君子汤", "人参9g，白术9g"}, {}, {"3", "", "茯苓"}};
  for (const bool inline_strings : {false, true}) {
    const fs::path path = folder / (inline_strings ? "inline.xlsx" : "shared.xlsx");
    WriteBook(path, inline_strings, rows);
    SourceOptions options;
    options.sheet = "处方";
    SourceTable t = ReadXlsx(path, options);
    EXPECT_EQ(t.sheets, (std::vector<std::string>{"说明", "处方"}));
    ASSERT_EQ(t.rows.size(), 3u) << inline_strings;
    EXPECT_EQ(t.rows[1], (std::vector<std::string>{"1", "四君子汤", "人参9g，白术9g"}));
    EXPECT_EQ(t.rows[2], (std::vector<std::string>{"3", "", "茯苓"}));
    EXPECT_EQ(t.row_numbers[2], 4u);
    options.sheet = "2";
    EXPECT_EQ(ReadXlsx(path, options).sheet, "处方");
    options.sheet = "3";
    EXPECT_THROW(ReadXlsx(path, options), SourceError);
    EXPECT_EQ(ReadSourceTable(path).rows.size(), 1u);  // the first sheet by default
  }
  const auto message = [&](std::string_view name, std::string_view bytes) -> std::string {
    folder.WriteBytes(name, bytes);
    try {
      ReadSourceTable(folder / name);
    } catch (const SourceError& e) {
      return e.what();
    }
    return "（没有报错）";
  };
  EXPECT_TRUE(Contains(message("csv.xlsx", "方名,组成\n"), "不是 Excel 工作簿"));
  EXPECT_TRUE(Contains(message("ole.xlsx", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 rest"), "加密"));
  const std::string book = folder.ReadBytes("shared.xlsx");
  EXPECT_TRUE(Contains(message("cut.xlsx", book.substr(0, book.size() / 2)), "损坏"));
  EXPECT_TRUE(Contains(message("book.csv", book), "工作簿"));
  EXPECT_TRUE(Contains(message("x.doc", "abc"), "扩展名"));
  WriteBook(folder / "empty.xlsx", false, {});
  SourceOptions second;
  second.sheet = "处方";
  EXPECT_THROW(
      {
        try {
          ReadXlsx(folder / "empty.xlsx", second);
        } catch (const SourceError& e) {
          EXPECT_TRUE(Contains(e.what(), "空")) << e.what();
          throw;
        }
      },
      SourceError);
}

class ImportTest : public ::testing::Test {
 protected:
  ImportTest() : folder_(ShippedData()), world_(folder_.root()), session_(world_.session) {}
  ImportResult Import(const std::string& file, const std::string& library, bool keep = false) {
    ImportOptions options;
    options.library = library;
    options.keep_processed = keep;
    return RunImport(session_, folder_ / file, options);
  }
  TestFolder folder_;
  test::FakeWorld world_;
  Session& session_;
};

TEST_F(ImportTest, RefusesUnusableRowsAndWritesTheShippedStyle) {
  folder_.WriteBytes("mine.csv",
                     "方名,组成,主治,医生\n"
                     "安神汤,\"炙甘草6g，酸枣仁（炒）15g 川穹10g\",失眠,张\n"
                     ",黄芪30g,无方名,李\n"
                     "空方,,无组成,王\n"
                     "安神汤,甘草6g,同名异方,赵\n"
                     "生僻方,\"\xF0\x9F\x98\x80草10g\",表情字,钱\n"
                     "归脾汤,\"川归、元参各10g，焦三仙30g\",心脾两虚,孙\n");
  const ImportResult r = Import("mine.csv", "我的方");
  EXPECT_EQ(r.rows_read, 6u);
  EXPECT_EQ(r.imported, 4u);
  ASSERT_EQ(r.refused.size(), 2u);
  EXPECT_EQ(r.refused[0].row, 3u);
  EXPECT_EQ(r.refused[0].reason, "没有方名");
  EXPECT_EQ(r.refused[1].reason, "没有组成");
  EXPECT_EQ(r.mentions, 8u);
  EXPECT_EQ(r.resolved, 6u);
  ASSERT_EQ(r.unresolved.size(), 2u);
  EXPECT_EQ(r.unresolved[0].name, "川穹");
  EXPECT_EQ(r.unresolved[0].example, "安神汤");
  const auto lines = folder_.ReadLines("DB/我的方/Fangji.DB");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "安神汤\t甘草（炙）6g，酸枣仁（炒）15g，川穹10g。\t失眠");
  EXPECT_EQ(lines[1], "安神汤（2）\t甘草6g。\t同名异方");  // the same name, another prescription
  EXPECT_EQ(lines[2], "生僻方\t\xF0\x9F\x98\x80草10g。\t表情字");  // GB18030 holds it
  EXPECT_EQ(lines[3],
            "归脾汤\t当归，玄参各10g，山楂（焦，焦三仙）30g，神曲（焦，焦三仙）30g，"
            "麦芽（焦，焦三仙）30g。\t心脾两虚");
  EXPECT_TRUE(Contains(DecodeUserText(folder_.ReadBytes("DB/我的方/其他列.tsv"), nullptr),
                       "2\t安神汤\t张"));
  EXPECT_TRUE(
      Contains(DecodeUserText(folder_.ReadBytes("DB/我的方/拒收行.tsv"), nullptr), "3\t没有方名"));

  // The open library is what the query searches.
  ASSERT_EQ(OpenLibrary(session_, "我的方"), "");
  EXPECT_EQ(CountFormulas(FormulaDbFile(session_)), 4u);
  EXPECT_EQ(LibraryLabel(session_), "方剂库：我的方（4 首）");
  EXPECT_NE(OpenLibrary(session_, "没有这个库"), "");
  EXPECT_EQ(OpenLibraryName(session_), "我的方");

  // A saved result set remembers the library it was searched in.
  folder_.WriteLines("Result/Result.DB", {lines[0]});
  ASSERT_EQ(SaveResultSet(session_, "甲"), Outcome::kDone);
  ASSERT_EQ(OpenLibrary(session_, ""), "");
  ASSERT_EQ(SaveResultSet(session_, "乙"), Outcome::kDone);
  EXPECT_EQ(SetLibrary(session_, "甲"), "我的方");
  EXPECT_EQ(SetLibrary(session_, "乙"), kShippedLibraryName);
  EXPECT_EQ(ListResultSets(session_).at(1).library, "我的方");
}

// Dose analyses default to the table of the open library: 汉制 13.8 g for the shipped formulas
// and an import marked classical, 现代 for any other import; a table the user picks stays.
TEST_F(ImportTest, TheDefaultDoseTableFollowsTheLibrary) {
  folder_.WriteBytes("old.csv", "方名,组成\n桂枝汤,桂枝3两、芍药3两、甘草2两\n");
  ImportOptions options;
  options.library = "古方";
  options.classical = true;
  ASSERT_EQ(RunImport(session_, folder_ / "old.csv", options).imported, 1u);
  ASSERT_EQ(Import("old.csv", "今方").imported, 1u);
  EXPECT_TRUE(
      Contains(DecodeUserText(folder_.ReadBytes("DB/古方/导入说明.txt"), nullptr), "剂量\t古代"));

  DosesWindow& doses = session_.Window<DosesWindow>();
  CompareSetsWindow& compare = session_.Window<CompareSetsWindow>();
  const auto expect_default = [&](std::string_view library, DoseTable table) {
    ASSERT_EQ(OpenLibrary(session_, library), "");
    EXPECT_EQ(DefaultDoseTable(session_), table) << library;
    EXPECT_EQ(doses.Table(), table) << library;
    EXPECT_EQ(compare.DoseTableChoice(), table) << library;
  };
  expect_default("", DoseTable::kHan13_8);
  expect_default("古方", DoseTable::kHan13_8);
  expect_default("今方", DoseTable::kModern);

  // Analysed on the classical import, the window and the file name the table it used.
  ASSERT_EQ(OpenLibrary(session_, "古方"), "");
  folder_.WriteLines("Result/Result.DB", {"桂枝汤\t桂枝3两、芍药3两、甘草2两。\t"});
  ASSERT_EQ(doses.Analyse(), Outcome::kDone);
  EXPECT_TRUE(Contains(doses.Caption(), "汉制 13.8 g")) << doses.Caption();
  EXPECT_TRUE(Contains(doses.LabelSummary(), DoseTableOf(DoseTable::kHan13_8).rules));
  EXPECT_TRUE(Contains(folder_.ReadBytes("Result/剂量分析.csv"), "汉制 13.8 g"));
  for (const DoseRow& row : doses.Result().rows) {
    if (row.herb == "桂枝") {
      EXPECT_NEAR(row.summary.median, 3 * 13.8, 1e-9);
    }
  }

  // The user's choice outlives a change of library.
  doses.SetTable(DoseTable::kHan15_625);
  compare.SetDoseTable(DoseTable::kModern);
  ASSERT_EQ(OpenLibrary(session_, "今方"), "");
  EXPECT_EQ(doses.Table(), DoseTable::kHan15_625);
  ASSERT_EQ(OpenLibrary(session_, ""), "");
  EXPECT_EQ(compare.DoseTableChoice(), DoseTable::kModern);
}

TEST_F(ImportTest, ShippedLibraryThroughAWorkbookComesBackAndReimportIsIdentical) {
  // The shipped formulas as a workbook, as a user would export them.
  std::vector<std::vector<std::string>> rows = {{"方名", "组成", "主治"}};
  std::vector<std::string> expected;
  const NameDictionary table = NameDictionary::Load(ShippedData());
  for (const auto& line : folder_.ReadLines("DB/Fangji.DB")) {
    auto fields = Split(line, "\t");
    fields.resize(3);
    rows.push_back(fields);
    // Every record with at least one herb comes back as it was, but for the herb-file names
    // the name table gives another name (芍药 → 白芍).
    if (ParseComposition(fields[1]).empty()) continue;
    for (const NameEntry& e : table.Entries()) {
      if (!table.IsStandard(e.written)) continue;
      for (const std::string& before : {std::string("，"), std::string()}) {
        const std::string from = before + e.written;
        for (std::size_t at = fields[1].find(from); at != std::string::npos;
             at = fields[1].find(from, at + 1)) {
          if (before.empty() && at != 0) continue;
          const std::string next = fields[1].substr(at + from.size(), 3);
          if (next == "（" || next == "。" || next == "，" || next == "各" ||
              (!next.empty() && ((next[0] >= '0' && next[0] <= '9') || next == "半")))
            fields[1].replace(at + before.size(), e.written.size(), e.standard);
        }
      }
    }
    expected.push_back(Join(fields, "\t"));
  }
  WriteBook(folder_ / "shipped.xlsx", false, rows);
  ImportOptions options;
  options.library = "导出再导入";
  options.source.sheet = "处方";
  const ImportResult first = RunImport(session_, folder_ / "shipped.xlsx", options);
  EXPECT_EQ(first.imported, expected.size());
  const auto imported = folder_.ReadLines("DB/导出再导入/Fangji.DB");
  ASSERT_EQ(imported.size(), expected.size());
  for (std::size_t i = 0; i < imported.size(); ++i) EXPECT_EQ(imported[i], expected[i]);

  options.library = "再一次";
  RunImport(session_, folder_ / "shipped.xlsx", options);
  for (const char* file : {"Fangji.DB", "药名决定.tsv", "拒收行.tsv", "未识别药名.tsv"})
    EXPECT_EQ(folder_.ReadBytes(std::string("DB/再一次/") + file),
              folder_.ReadBytes(std::string("DB/导出再导入/") + file))
        << file;

  // The shipped library cannot be overwritten, an existing one only on request, and a
  // failed replacement leaves it as it was with no half-written folder.
  options.library = std::string(kShippedLibraryName);
  EXPECT_THROW(RunImport(session_, folder_ / "shipped.xlsx", options), SourceError);
  options.library = "再一次";
  EXPECT_THROW(RunImport(session_, folder_ / "shipped.xlsx", options), SourceError);
  const std::string before = folder_.ReadBytes("DB/再一次/Fangji.DB");
  folder_.WriteBytes("broken.xlsx", "PK\x03\x04 not really a zip");
  options.replace = true;
  EXPECT_THROW(RunImport(session_, folder_ / "broken.xlsx", options), SourceError);
  EXPECT_EQ(folder_.ReadBytes("DB/再一次/Fangji.DB"), before);
  // So does a cancelled one, even when everything was already written beside it.
  std::atomic<bool> cancel{true};
  options.cancel = &cancel;
  EXPECT_THROW(RunImport(session_, folder_ / "shipped.xlsx", options), SourceError);
  options.cancel = nullptr;
  EXPECT_EQ(folder_.ReadBytes("DB/再一次/Fangji.DB"), before);
  const auto libraries = ListLibraries(session_);
  ASSERT_EQ(libraries.size(), 3u);
  EXPECT_TRUE(libraries[0].shipped);
  for (const auto& entry : fs::directory_iterator(folder_ / "DB"))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST_F(ImportTest, NoRowIsLostToASharedNameOrACharacterGbkLacks) {
  // A clinic's file where every prescription is 自拟方; one row repeats another exactly, and one
  // is itself named 自拟方（3）.
  std::string csv = "方名,组成\n";
  for (int i = 1; i <= 300; ++i) csv += "自拟方,黄芪" + std::to_string(i) + "g，当归6g\n";
  csv += "自拟方,黄芪7g，当归6g\n自拟方（3）,甘草3g\n";
  folder_.WriteBytes("clinic.csv", csv);
  const ImportResult r = Import("clinic.csv", "门诊");
  EXPECT_EQ(r.imported, 301u);
  ASSERT_EQ(r.refused.size(), 1u);
  EXPECT_EQ(r.refused[0].row, 302u);
  EXPECT_EQ(r.refused[0].reason, "与第 8 行重复");
  EXPECT_EQ(r.renamed.size(), 299u);
  const auto lines = folder_.ReadLines("DB/门诊/Fangji.DB");
  ASSERT_EQ(lines.size(), 301u);
  std::set<std::string> names;
  for (const auto& line : lines) names.insert(line.substr(0, line.find('\t')));
  EXPECT_EQ(names.size(), 301u);
  EXPECT_TRUE(StartsWith(lines[0], "自拟方\t黄芪1g，")) << lines[0];
  EXPECT_TRUE(StartsWith(lines[1], "自拟方（2）\t黄芪2g，")) << lines[1];
  EXPECT_TRUE(StartsWith(lines[2], "自拟方（4）\t黄芪3g，")) << lines[2];  // （3） is taken
  EXPECT_EQ(lines[300], "自拟方（3）\t甘草3g。\t");
  const std::string record = folder_.ReadBytes("DB/门诊/" + std::string(kRenamedFile));
  EXPECT_TRUE(
      StartsWith(record, "行号\t原方名\t导入为\t同名的第一行\n3\t自拟方\t自拟方（2）\t2\n"));
  EXPECT_TRUE(Contains(record, "\n4\t自拟方\t自拟方（4）\t2\n"));
  EXPECT_TRUE(Contains(folder_.ReadBytes("DB/门诊/导入说明.txt"), "同名改名\t299 首"));

  // Traditional script turned simplified yields 芎䓖 (䓖 is not in GBK), and 䗪 is not either:
  // both are kept, readable by every reader of the library.
  folder_.WriteBytes("rare.csv",
                     "方名,组成\n芎藭散,芎藭10g，當歸10g\n大黃䗪蟲丸,大黃10g，䗪蟲6g\n");
  ImportOptions options;
  options.library = "古方";
  options.simplify = 1;
  const ImportResult rare = RunImport(session_, folder_ / "rare.csv", options);
  EXPECT_EQ(rare.imported, 2u);
  EXPECT_TRUE(rare.refused.empty());
  const auto kept = folder_.ReadLines("DB/古方/Fangji.DB");
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_TRUE(StartsWith(kept[0], "芎䓖散\t")) << kept[0];
  EXPECT_TRUE(StartsWith(kept[1], "大黄䗪虫丸\t")) << kept[1];
  EXPECT_TRUE(Contains(folder_.ReadBytes("DB/古方/Fangji.DB"), "\x82\x33\xBF\x34"));  // 䗪
  const auto found = test::RunCli(
      {"--root", folder_.root().string(), "--library", "古方", "find-formula", "大黄䗪虫丸"});
  EXPECT_TRUE(StartsWith(found.out, "大黄䗪虫丸\t")) << found.out << found.err;
}

TEST_F(ImportTest, ColumnGuessFollowsTheHerbsNotTheDigits) {
  const auto imported = [&](const std::string& file, const std::string& content) {
    folder_.WriteBytes(file, content);
    const std::string library = fs::path(file).stem().string();
    Import(file, library);
    return folder_.ReadLines("DB/" + library + "/Fangji.DB");
  };
  // Names with digits, compositions without doses, no title row: either order of columns.
  auto lines = imported("a.csv", "方001,黄芪 当归 甘草\n方002,人参 白术 茯苓\n方003,柴胡 黄芩\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "方001\t黄芪，当归，甘草。\t");
  lines =
      imported("b.csv", "黄芪 当归 甘草,PTM00001\n人参 白术 茯苓,PTM00002\n柴胡 黄芩,PTM00003\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "PTM00003\t柴胡，黄芩。\t");
  // A row number before the name is not the name.
  lines = imported("c.csv", "1,方001,黄芪 当归 甘草,气虚\n2,方002,人参 白术 茯苓,脾虚\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "方002\t人参，白术，茯苓。\t脾虚");
  // A text file is name, TAB, composition (, TAB, indications), as the guide says.
  lines = imported("d.txt", "PTM00001\t黄芪 当归 甘草\nPTM00002\t人参 白术 茯苓\t脾虚\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "PTM00001\t黄芪，当归，甘草。\t");
  EXPECT_EQ(lines[1], "PTM00002\t人参，白术，茯苓。\t脾虚");

  // Two columns of herbs, or a text file with the composition first: refused, saying what to
  // set, and nothing is written.
  const auto refusal = [&](const std::string& file, const std::string& content) {
    folder_.WriteBytes(file, content);
    try {
      Import(file, "猜不出");
    } catch (const SourceError& e) {
      return std::string(e.what());
    }
    return std::string("（导入了）");
  };
  for (const std::string& message :
       {refusal("e.csv", "黄芪 当归,人参 白术\n甘草 大枣,生姜 桂枝\n"),
        refusal("f.txt", "黄芪 当归 甘草\tPTM00001\n人参 白术 茯苓\tPTM00002\n")}) {
    EXPECT_TRUE(Contains(message, "--name-column") && Contains(message, "--composition-column"))
        << message;
  }
  EXPECT_FALSE(fs::exists(folder_ / "DB/猜不出"));
  ImportOptions told;
  told.library = "猜不出";
  told.columns_given = true;
  told.columns.name = 1;
  told.columns.composition = {0};
  EXPECT_EQ(RunImport(session_, folder_ / "e.csv", told).imported, 2u);
}

TEST_F(ImportTest, TypedNamesMustBeKnownAndDecisionsAreCountedApart) {
  NameDictionary d;
  for (const char* name : {"川芎", "黄芪", "当归", "甘草"}) d.AddStandard(name);
  d.AddEntry({"川归", "当归", "别名", "测试"});
  d.AddEntry({"川穹", "川芎", "用户", std::string(kDecisionOrigin)});
  d.AddEntry({"秫米", "秫米", "新药", std::string(kDecisionOrigin)});
  EXPECT_EQ(d.DecisionTarget("甘草"), "甘草");
  EXPECT_EQ(d.DecisionTarget("川归"), "当归");
  EXPECT_EQ(d.DecisionTarget("炙甘草"), "炙甘草");  // a processed form keeps its processing
  EXPECT_EQ(d.DecisionTarget("高粱米"), "");
  folder_.WriteBytes("d.csv", "方名,组成\n甲,川穹10g，秫米30g，黄芪10g\n");
  ImportOptions options;
  options.library = "决定";
  const ImportResult r = RunImport(session_, folder_ / "d.csv", options, d);
  EXPECT_EQ(r.mentions, 3u);
  EXPECT_EQ(r.resolved, 1u);
  EXPECT_EQ(r.decided, 2u);
  EXPECT_TRUE(Contains(ImportSummary(r), "按决定识别\t2"));
  EXPECT_TRUE(
      Contains(folder_.ReadBytes("DB/决定/药名决定.tsv"), "秫米\t秫米\t\t新药（导入时的决定）"));
}

TEST_F(ImportTest, ConsoleImportsListsAndOpensLibraries) {
  folder_.WriteBytes("two.csv", "方名,组成\n甲方,黄芪30g，当归6g\n乙方,川归10g\n");
  const std::string root = folder_.root().string(), file = (folder_ / "two.csv").string();
  const auto run = test::RunCli({"--root", root, "import", file, "--library", "两方", "--review"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "导入方剂\t2")) << run.out;
  const auto listed = test::RunCli({"--root", root, "--library", "两方", "libraries"});
  EXPECT_TRUE(Contains(listed.out, "两方\t2\tDB/两方\t*")) << listed.out;
  const auto found = test::RunCli({"--root", root, "--library", "两方", "find-formula", "乙方"});
  EXPECT_EQ(found.out, "乙方\t当归10g。\t\n");
  EXPECT_EQ(test::RunCli({"--root", root, "import", file, "--library", "伤寒论"}).status, 1);
  EXPECT_EQ(test::RunCli({"--root", root, "--library", "没有", "libraries"}).status, 2);
}

}  // namespace
}  // namespace lindora
