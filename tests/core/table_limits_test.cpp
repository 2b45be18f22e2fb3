// Damaged and hostile tables: every one is refused with a message that says what is wrong, and
// none costs more than the limits allow.
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>

#include "common/text.h"
#include "formula/name_dictionary.h"
#include "formula/table_source.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

// A workbook made by hand: the least a reader needs, with the sheet and shared strings given.
void WriteRawBook(const fs::path& path, const std::string& rows, const std::string& shared = {}) {
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"xl/workbook.xml", "<workbook " + ns +
                              " xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" "
                              "r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
       "</Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet " + ns + "><sheetData>" + rows + "</sheetData></worksheet>"},
      {"xl/sharedStrings.xml", "<sst " + ns + ">" + shared + "</sst>"}};
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, xml] : parts) {
    zip_source_t* source = zip_source_buffer(archive, xml.data(), xml.size(), 0);
    ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(archive), 0);
}

template <typename Read>
std::string Refusal(Read read) {
  try {
    read();
  } catch (const SourceError& e) {
    return e.what();
  }
  return "（没有报错）";
}

std::string Cell(const std::string& reference, const std::string& value, const char* type = "") {
  return "<c r=\"" + reference + "\"" + (*type ? std::string(" t=\"") + type + "\"" : "") + "><v>" +
         value + "</v></c>";
}

TEST(TableLimitsTest, DamagedWorkbooksAreRefusedByNameNeverMisread) {
  test::TestFolder folder;
  const fs::path book = folder / "book.xlsx";
  const std::string shared = "<si><t>桂枝汤</t></si>";
  const std::string long_cell(SourceLimits::kCellChars + 1, 'x');
  std::string many_wide_rows;  // each row holds every column up to XFD
  for (int r = 1; r <= 400; ++r)
    many_wide_rows +=
        "<row r=\"" + std::to_string(r) + "\">" + Cell("XFD" + std::to_string(r), "1") + "</row>";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<row r=\"abc\">" + Cell("A1", "1") + "</row>", "行号“abc”"},
      {"<row r=\"-1\">" + Cell("A1", "1") + "</row>", "1 到 1048576"},
      {"<row r=\"1048577\">" + Cell("A1", "1") + "</row>", "1048576"},
      {"<row r=\"1\">" + Cell(std::string(30, 'Z') + "1", "1") + "</row>", "XFD"},
      {"<row r=\"1\">" + Cell("XFE1", "1") + "</row>", "XFD"},
      {"<row r=\"1\">" + Cell("A1", "100000000000000000000", "s") + "</row>", "共享文本"},
      {"<row r=\"1\">" + Cell("A1", "1e20", "s") + "</row>", "共享文本"},
      {"<row r=\"1\">" + Cell("A1", "1", "s") + "</row>", "只有 1 条"},
      {"<row r=\"1\">" + Cell("A1", long_cell) + "</row>", "32767"},
      {many_wide_rows, "5000000"},
  };
  for (const auto& [rows, expected] : cases) {
    WriteRawBook(book, rows, shared);
    const std::string message = Refusal([&] { ReadXlsx(book, {}); });
    EXPECT_TRUE(Contains(message, expected)) << rows.substr(0, 80) << "\n→ " << message;
  }
  // The extremes themselves are read: the last column, a shared string, the longest cell.
  WriteRawBook(book,
               "<row r=\"1\">" + Cell("A1", "0", "s") + Cell("XFD1", "x") + "</row><row r=\"2\">" +
                   Cell("A2", long_cell.substr(1)) + "</row>",
               shared);
  const SourceTable table = ReadXlsx(book, {});
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0].size(), SourceLimits::kColumns);
  EXPECT_EQ(table.rows[0][0], "桂枝汤");
  EXPECT_EQ(table.rows[1][0].size(), SourceLimits::kCellChars);
}

TEST(TableLimitsTest, CsvLimitsAndUtf16) {
  const std::string body = "方名,组成\r\n桂枝汤,\"桂枝、芍药\"\r\n";
  // Excel's "Unicode text": UTF-16 behind its mark, either byte order.
  const std::u32string wide = ToU32(body);
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (const char32_t c : wide) {
    le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  }
  for (const std::string& bytes : {le, be}) {
    const SourceTable t = ReadCsvText(bytes, {});
    EXPECT_TRUE(Contains(t.encoding, "UTF-16"));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[1], (std::vector<std::string>{"桂枝汤", "桂枝、芍药"}));
  }
  EXPECT_TRUE(Contains(Refusal([&] { ReadCsvText(le.substr(2), {}); }), "UTF-16"));
  EXPECT_TRUE(
      Contains(Refusal([&] { ReadCsvText(le + std::string("\x00\xD8", 2), {}); }), "UTF-16"));
  EXPECT_TRUE(Contains(
      Refusal([] {
        ReadCsvText(
            std::string("a,b\n\x01\x00\x02\x03\x04\x05\x06\x07\x08\x09\x0b\x0c\x0d\x0e\x0f\x10",
                        20),
            {});
      }),
      "二进制"));

  const std::string cell(SourceLimits::kCellChars, 'x');
  EXPECT_EQ(ReadCsvText("a\n" + cell + "\n", {}).rows[1][0].size(), cell.size());
  EXPECT_TRUE(Contains(Refusal([&] { ReadCsvText("a\n\"" + cell + "桂\"\n", {}); }), "32767"));
  EXPECT_TRUE(Contains(Refusal([&] { ReadFormulaLines("方\t" + cell + "x\n", {}); }), "32767"));
  EXPECT_TRUE(Contains(
      Refusal([] { ReadCsvText("a\n" + std::string(SourceLimits::kColumns, ',') + "\n", {}); }),
      "16384"));
}

TEST(TableLimitsTest, ABadByteInTheNameTableNamesTheFileAndTheLine) {
  test::TestFolder folder(fs::path(LINDORA_SOURCE_DIR) / "data");
  folder.WriteBytes("DB/药名对照.tsv",
                    "写法\t标准名\t类别\t来源\n川穹\t川芎\t别名\t\n白勺\t白芍\x80\xFF\t别名\t\n");
  const std::string message = Refusal([&] { NameDictionary::Load(folder.root()); });
  EXPECT_TRUE(Contains(message, "药名对照.tsv")) << message;
  EXPECT_TRUE(Contains(message, "第 3 行")) << message;
}

}  // namespace
}  // namespace lindora
