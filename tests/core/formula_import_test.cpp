#include "formula/formula_import.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

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
      {"生地黄", "生地黄", "生地黄"},
      {"熟地黄", "熟地黄", "熟地黄"},
      {"生地", "地黄", "地黄"},  // 生地黄 is the pharmacopoeia's 地黄; 熟地黄 stays apart
      {"生姜", "生姜", "生姜"},
      {"干姜", "干姜", "干姜"},
      {"姜黄", "姜黄", "姜黄"},
      {"芍葯", "芍药", "芍药"},  // variant character
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
  EXPECT_THROW(ReadCsvText("\xFF\xFE\x00\x41", {}), SourceError);  // UTF-16 is no CSV text
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
  EXPECT_EQ(r.imported, 2u);
  ASSERT_EQ(r.refused.size(), 4u);
  EXPECT_EQ(r.refused[0].row, 3u);
  EXPECT_EQ(r.refused[0].reason, "没有方名");
  EXPECT_EQ(r.refused[1].reason, "没有组成");
  EXPECT_TRUE(Contains(r.refused[2].reason, "第 2 行相同，但组成不同"));
  EXPECT_TRUE(Contains(r.refused[3].reason, "GBK"));
  EXPECT_EQ(r.mentions, 6u);
  EXPECT_EQ(r.resolved, 5u);
  ASSERT_EQ(r.unresolved.size(), 1u);
  EXPECT_EQ(r.unresolved[0].name, "川穹");
  EXPECT_EQ(r.unresolved[0].example, "安神汤");
  const auto lines = folder_.ReadLines("DB/我的方/Fangji.DB");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "安神汤\t甘草（炙）6g，酸枣仁（炒）15g，川穹10g。\t失眠");
  EXPECT_EQ(lines[1],
            "归脾汤\t当归，玄参各10g，山楂（焦，焦三仙）30g，神曲（焦，焦三仙）30g，"
            "麦芽（焦，焦三仙）30g。\t心脾两虚");
  EXPECT_TRUE(Contains(DecodeUserText(folder_.ReadBytes("DB/我的方/其他列.tsv"), nullptr),
                       "2\t安神汤\t张"));
  EXPECT_TRUE(
      Contains(DecodeUserText(folder_.ReadBytes("DB/我的方/拒收行.tsv"), nullptr), "3\t没有方名"));

  // The open library is what the query searches.
  ASSERT_EQ(OpenLibrary(session_, "我的方"), "");
  EXPECT_EQ(CountFormulas(FormulaDbFile(session_)), 2u);
  EXPECT_EQ(LibraryLabel(session_), "方剂库：我的方（2 首）");
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

TEST_F(ImportTest, ShippedLibraryThroughAWorkbookComesBackAndReimportIsIdentical) {
  // The shipped formulas as a workbook, as a user would export them.
  std::vector<std::vector<std::string>> rows = {{"方名", "组成", "主治"}};
  std::vector<std::string> expected;
  for (const auto& line : folder_.ReadLines("DB/Fangji.DB")) {
    auto fields = Split(line, "\t");
    fields.resize(3);
    rows.push_back(fields);
    // Every record with at least one herb comes back exactly as it was.
    if (!ParseComposition(fields[1]).empty()) expected.push_back(Join(fields, "\t"));
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
