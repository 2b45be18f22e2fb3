#include "formula/table_source.h"

#include <expat.h>
#include <iconv.h>
#include <opencc/opencc.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "common/text.h"

namespace lindora {
namespace {

std::string PathText(const std::filesystem::path& path) {
  return path.filename().string();
}

bool StartsWithBytes(std::string_view bytes, std::string_view magic) {
  return bytes.substr(0, magic.size()) == magic;
}
constexpr std::string_view kZipMagic = "PK\x03\x04";
constexpr std::string_view kOleMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool ValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t before = i;
    if (NextUtf8(bytes, i) == U'\uFFFD' && i == before + 1) return false;
  }
  return true;
}

void CheckRowCount(std::size_t data_rows, const SourceOptions& options) {
  if (data_rows > options.max_rows + 1)  // the title row does not count
    throw SourceError("表中有 " + std::to_string(data_rows - 1) + " 行数据，超过一次导入的上限 " +
                      std::to_string(options.max_rows) +
                      " 行。请把表分成几份分别导入，或在命令行用 --max-rows 提高上限。");
}

void DropEmptyRows(SourceTable& table) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::size_t> numbers;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    auto& row = table.rows[r];
    for (auto& cell : row) cell = Trim(cell);
    while (!row.empty() && row.back().empty()) row.pop_back();
    if (row.empty()) continue;
    rows.push_back(std::move(row));
    numbers.push_back(table.row_numbers[r]);
  }
  table.rows = std::move(rows);
  table.row_numbers = std::move(numbers);
}

// ---- workbooks -------------------------------------------------------------------------------

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};

std::string ReadEntry(zip_t* archive, const std::string& name, bool required) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat(archive, name.c_str(), 0, &stat) != 0) {
    if (required) throw SourceError("工作簿不完整（缺少 " + name + "），文件可能已损坏。");
    return {};
  }
  if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
    throw SourceError("工作簿已加密。请在 Excel 中取消密码保护后另存，再导入。");
  zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
  if (!file) throw SourceError("工作簿中的 " + name + " 无法读取，文件可能已损坏。");
  std::string data;
  std::array<char, 65536> buffer;
  zip_int64_t n;
  while ((n = zip_fread(file, buffer.data(), buffer.size())) > 0)
    data.append(buffer.data(), static_cast<std::size_t>(n));
  zip_fclose(file);
  if (n < 0) throw SourceError("工作簿中的 " + name + " 无法解压，文件可能已损坏。");
  return data;
}

// Runs expat over a document with start/end/text callbacks; a parse error is a corrupt book.
class XmlWalk {
 public:
  virtual ~XmlWalk() = default;
  void Parse(const std::string& xml, const std::string& part) {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"),
                                                                        &XML_ParserFree);
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(
        parser.get(),
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
          static_cast<XmlWalk*>(self)->Start(LocalName(name), attributes);
        },
        [](void* self, const XML_Char* name) {
          static_cast<XmlWalk*>(self)->End(LocalName(name));
        });
    XML_SetCharacterDataHandler(parser.get(), [](void* self, const XML_Char* text, int length) {
      static_cast<XmlWalk*>(self)->Text(std::string_view(text, static_cast<std::size_t>(length)));
    });
    if (XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_ERROR)
      throw SourceError("工作簿中的 " + part + " 不是完好的 XML（第 " +
                        std::to_string(XML_GetCurrentLineNumber(parser.get())) +
                        " 行），文件可能已损坏。");
  }

 protected:
  static std::string_view LocalName(const XML_Char* name) {
    std::string_view n(name);
    const auto colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
  }
  static std::string Attribute(const XML_Char** attributes, std::string_view wanted) {
    for (int i = 0; attributes[i]; i += 2)
      if (LocalName(attributes[i]) == wanted) return attributes[i + 1];
    return {};
  }
  virtual void Start(std::string_view name, const XML_Char** attributes) = 0;
  virtual void End(std::string_view) {}
  virtual void Text(std::string_view) {}
};

struct SheetEntry {
  std::string name, relation;
};

class WorkbookWalk : public XmlWalk {
 public:
  std::vector<SheetEntry> sheets;

 protected:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name == "sheet")
      sheets.push_back({Attribute(attributes, "name"), Attribute(attributes, "id")});
  }
};

class RelationsWalk : public XmlWalk {
 public:
  std::map<std::string, std::string> targets;

 protected:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name == "Relationship")
      targets[Attribute(attributes, "Id")] = Attribute(attributes, "Target");
  }
};

// Shared strings: the text runs of each <si>, phonetic guides (<rPh>) left out.
class SharedStringsWalk : public XmlWalk {
 public:
  std::vector<std::string> strings;

 protected:
  void Start(std::string_view name, const XML_Char**) override {
    if (name == "si") strings.emplace_back(), in_item_ = true;
    if (name == "rPh") in_phonetic_ = true;
    if (name == "t") in_text_ = in_item_ && !in_phonetic_;
  }
  void End(std::string_view name) override {
    if (name == "si") in_item_ = false;
    if (name == "rPh") in_phonetic_ = false;
    if (name == "t") in_text_ = false;
  }
  void Text(std::string_view text) override {
    if (in_text_) strings.back() += text;
  }

 private:
  bool in_item_ = false, in_phonetic_ = false, in_text_ = false;
};

// Column letters of a cell reference ("AB12") as a 0-based index; -1 when there are none.
long ColumnOf(std::string_view reference) {
  long column = 0;
  std::size_t i = 0;
  for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z'; ++i)
    column = column * 26 + (reference[i] - 'A' + 1);
  return i == 0 ? -1 : column - 1;
}

class SheetWalk : public XmlWalk {
 public:
  SheetWalk(const std::vector<std::string>& shared, const SourceOptions& options)
      : shared_(shared), options_(options) {}
  SourceTable table;

 protected:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name == "row") {
      const std::string r = Attribute(attributes, "r");
      const std::size_t number = r.empty() ? next_row_ : std::stoul(r);
      table.rows.emplace_back();
      table.row_numbers.push_back(number);
      next_row_ = number + 1;
      next_column_ = 0;
      if (table.rows.size() > options_.max_rows + 1) CheckRowCount(table.rows.size(), options_);
    } else if (name == "c" && !table.rows.empty()) {
      const long column = ColumnOf(Attribute(attributes, "r"));
      column_ = column < 0 ? next_column_ : static_cast<std::size_t>(column);
      // A sheet claiming a column beyond Excel's last one is damaged, not a reason to allocate.
      if (column_ >= 16384) throw SourceError("工作表中有超出范围的单元格，文件可能已损坏。");
      next_column_ = column_ + 1;
      type_ = Attribute(attributes, "t");
      value_.clear();
      in_cell_ = true;
    } else if (in_cell_ && (name == "v" || (name == "t" && type_ == "inlineStr"))) {
      in_value_ = true;
    } else if (name == "rPh") {
      in_phonetic_ = true;
    }
  }
  void End(std::string_view name) override {
    if (name == "v" || name == "t") in_value_ = false;
    if (name == "rPh") in_phonetic_ = false;
    if (name != "c" || !in_cell_) return;
    in_cell_ = false;
    std::string text;
    if (type_ == "s") {
      const auto index = static_cast<std::size_t>(Val(value_));
      if (value_.empty() || index >= shared_.size())
        throw SourceError("工作表引用了不存在的共享文本，文件可能已损坏。");
      text = shared_[index];
    } else if (type_ == "b") {
      text = value_ == "1" ? "TRUE" : "FALSE";
    } else {
      text = value_;  // numbers, formula results and inline text as stored
    }
    auto& row = table.rows.back();
    if (row.size() <= column_) row.resize(column_ + 1);
    row[column_] = std::move(text);
  }
  void Text(std::string_view text) override {
    if (in_value_ && !in_phonetic_) value_ += text;
  }

 private:
  const std::vector<std::string>& shared_;
  const SourceOptions& options_;
  std::size_t next_row_ = 1, next_column_ = 0, column_ = 0;
  std::string type_, value_;
  bool in_cell_ = false, in_value_ = false, in_phonetic_ = false;
};

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw SourceError("无法打开文件 " + PathText(path) + "，请确认它存在且可以读取。");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw SourceError("读取文件 " + PathText(path) + " 时出错。");
  return bytes.str();
}

std::string Converted(iconv_t cd, std::string_view bytes, bool* ok) {
  std::string out(bytes.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size(), out_left = out.size();
  char* out_ptr = out.data();
  *ok =
      iconv(cd, &in, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1) && in_left == 0;
  out.resize(out.size() - out_left);
  return out;
}

std::vector<std::vector<std::string>> SplitCsv(std::string_view text, char separator,
                                               std::vector<std::size_t>& numbers) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  std::size_t line = 1, row_start = 1;
  const auto end_row = [&] {
    row.push_back(std::move(field));
    field.clear();
    rows.push_back(std::move(row));
    row.clear();
    numbers.push_back(row_start);
    any = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        field += c;
      }
      continue;
    }
    if (c == '"' && field.empty()) {
      quoted = any = true;
    } else if (c == separator) {
      row.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end_row();
      row_start = ++line;
    } else {
      field += c;
      any = true;
    }
  }
  if (quoted) throw SourceError("CSV 文件第 " + std::to_string(row_start) + " 行的引号没有闭合。");
  if (any || !field.empty() || !row.empty()) end_row();
  return rows;
}

// The separator that splits the first lines most evenly into more than one field.
char GuessSeparator(std::string_view text) {
  char best = ',';
  double best_score = 0;
  for (const char candidate : {',', '\t', ';'}) {
    std::vector<std::size_t> counts;
    bool quoted = false;
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size() && counts.size() < 20; ++i) {
      if (text[i] == '"') quoted = !quoted;
      if (quoted) continue;
      if (text[i] == candidate) ++count;
      if (text[i] == '\n') counts.push_back(count), count = 0;
    }
    if (count) counts.push_back(count);
    if (counts.empty()) continue;
    const std::size_t low = *std::min_element(counts.begin(), counts.end());
    const double score = low + 0.001 * counts.front();
    if (score > best_score) best = candidate, best_score = score;
  }
  return best;
}

}  // namespace

namespace {

// Excel's "Unicode text" and other UTF-16 files begin with a byte-order mark.
bool HasUtf16Mark(std::string_view bytes) {
  return StartsWithBytes(bytes, "\xFF\xFE") || StartsWithBytes(bytes, "\xFE\xFF");
}

}  // namespace

std::string DecodeUserText(std::string_view bytes, std::string* encoding) {
  if (HasUtf16Mark(bytes)) {
    const bool little = bytes[0] == '\xFF';
    bytes.remove_prefix(2);
    iconv_t cd = iconv_open("UTF-8", little ? "UTF-16LE" : "UTF-16BE");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw SourceError("系统缺少 UTF-16 编码转换。");
    bool ok = bytes.size() % 2 == 0;
    std::string text = ok ? Converted(cd, bytes, &ok) : std::string();
    iconv_close(cd);
    if (!ok) throw SourceError("文件以 UTF-16 标记开头，但其中有不是 UTF-16 的字节。");
    if (encoding) *encoding = little ? "UTF-16LE" : "UTF-16BE";
    return text;
  }
  if (StartsWithBytes(bytes, "\xEF\xBB\xBF")) {
    if (encoding) *encoding = "UTF-8（带 BOM）";
    bytes.remove_prefix(3);
    if (!ValidUtf8(bytes)) throw SourceError("文件以 UTF-8 标记开头，但其中有不是 UTF-8 的字节。");
    return std::string(bytes);
  }
  if (ValidUtf8(bytes)) {
    if (encoding) *encoding = "UTF-8";
    return std::string(bytes);
  }
  iconv_t cd = iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw SourceError("系统缺少 GB18030 编码转换。");
  bool ok = false;
  std::string text = Converted(cd, bytes, &ok);
  iconv_close(cd);
  if (!ok)
    throw SourceError("文件既不是 UTF-8 也不是 GBK/GB18030 编码的文本，无法读取。请另存为 UTF-8。");
  if (encoding) *encoding = "GB18030";
  return text;
}

SourceTable ReadCsvText(std::string_view bytes, const SourceOptions& options) {
  SourceTable table;
  table.format = "csv";
  if (StartsWithBytes(bytes, kZipMagic) || StartsWithBytes(bytes, kOleMagic))
    throw SourceError(
        "文件内容是 Excel 工作簿，不是 CSV 文本。请把扩展名改为 .xlsx 或在 Excel 中另存为 CSV。");
  if (!HasUtf16Mark(bytes) && bytes.find('\0') != std::string_view::npos)
    throw SourceError("文件内容不是文本（含有二进制字节），不能作为 CSV 读取。");
  const std::string text = DecodeUserText(bytes, &table.encoding);
  const char separator = GuessSeparator(text);
  table.separator = separator == ',' ? "逗号" : separator == '\t' ? "制表符" : "分号";
  table.rows = SplitCsv(text, separator, table.row_numbers);
  CheckRowCount(table.rows.size(), options);
  DropEmptyRows(table);
  if (table.rows.empty()) throw SourceError("文件中没有任何数据行。");
  return table;
}

SourceTable ReadFormulaLines(std::string_view bytes, const SourceOptions& options) {
  SourceTable table;
  table.format = "txt";
  if (StartsWithBytes(bytes, kZipMagic) || StartsWithBytes(bytes, kOleMagic) ||
      (!HasUtf16Mark(bytes) && bytes.find('\0') != std::string_view::npos))
    throw SourceError("文件内容不是文本，不能作为每行一方的文本文件读取。");
  const std::string text = DecodeUserText(bytes, &table.encoding);
  // One formula a line: its name, then (after a TAB, a colon or blanks) its composition, and
  // after a further TAB the indications.
  std::size_t number = 0;
  for (std::string line : Split(text, "\n")) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells;
    std::size_t cut = line.find('\t');
    std::size_t skip = 1;
    for (const std::string_view mark : {"：", ":"})
      if (cut == std::string::npos && (cut = line.find(mark)) != std::string::npos)
        skip = mark.size();
    if (cut == std::string::npos && (cut = line.find(' ')) != std::string::npos) skip = 1;
    if (cut == std::string::npos) {
      cells = {line};
    } else {
      cells = {line.substr(0, cut)};
      for (auto& rest : Split(std::string_view(line).substr(cut + skip), "\t"))
        cells.push_back(rest);
    }
    table.rows.push_back(std::move(cells));
    table.row_numbers.push_back(number);
  }
  CheckRowCount(table.rows.size() + 1, options);  // no title row
  DropEmptyRows(table);
  if (table.rows.empty()) throw SourceError("文件中没有任何方剂行。");
  return table;
}

SourceTable ReadXlsx(const std::filesystem::path& path, const SourceOptions& options) {
  const std::string head = ReadFileBytes(path).substr(0, 8);
  if (StartsWithBytes(head, kOleMagic))
    throw SourceError(
        "工作簿已加密，或是旧的 .xls 格式。请在 Excel 中取消密码保护，另存为 .xlsx 后再导入。");
  if (!StartsWithBytes(head, kZipMagic))
    throw SourceError("文件 " + PathText(path) +
                      " 的内容不是 Excel 工作簿（.xlsx）。若它是 CSV 或文本，请改用对应的扩展名。");
  int error = 0;
  std::unique_ptr<zip_t, ZipCloser> archive(zip_open(path.c_str(), ZIP_RDONLY, &error));
  if (!archive)
    throw SourceError("工作簿 " + PathText(path) + " 已损坏，无法打开（不是完整的压缩包）。");

  WorkbookWalk book;
  book.Parse(ReadEntry(archive.get(), "xl/workbook.xml", true), "workbook.xml");
  RelationsWalk relations;
  relations.Parse(ReadEntry(archive.get(), "xl/_rels/workbook.xml.rels", true),
                  "workbook.xml.rels");
  if (book.sheets.empty()) throw SourceError("工作簿中没有工作表。");

  SourceTable table;
  table.format = "xlsx";
  table.encoding = "UTF-8";
  for (const auto& s : book.sheets) table.sheets.push_back(s.name);
  std::size_t chosen = 0;
  if (!options.sheet.empty()) {
    const auto named = std::find(table.sheets.begin(), table.sheets.end(), options.sheet);
    const double number = Val(options.sheet);
    if (named != table.sheets.end()) {
      chosen = static_cast<std::size_t>(named - table.sheets.begin());
    } else if (number >= 1 && number <= static_cast<double>(book.sheets.size()) &&
               FormatNumber(number) == options.sheet) {
      chosen = static_cast<std::size_t>(number) - 1;
    } else {
      throw SourceError("工作簿中没有工作表“" + options.sheet + "”。可选：" +
                        Join(table.sheets, "、"));
    }
  }
  table.sheet = table.sheets[chosen];
  std::string target = relations.targets[book.sheets[chosen].relation];
  if (target.empty())
    throw SourceError("工作簿的目录中找不到工作表“" + table.sheet + "”，文件可能已损坏。");
  target = target.front() == '/' ? target.substr(1) : "xl/" + target;

  SharedStringsWalk shared;
  const std::string shared_xml = ReadEntry(archive.get(), "xl/sharedStrings.xml", false);
  if (!shared_xml.empty()) shared.Parse(shared_xml, "sharedStrings.xml");
  SheetWalk sheet(shared.strings, options);
  sheet.Parse(ReadEntry(archive.get(), target, true), table.sheet);
  table.rows = std::move(sheet.table.rows);
  table.row_numbers = std::move(sheet.table.row_numbers);
  DropEmptyRows(table);
  if (table.rows.empty()) throw SourceError("工作表“" + table.sheet + "”是空的。");
  return table;
}

SourceTable ReadSourceTable(const std::filesystem::path& path, const SourceOptions& options) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (std::error_code ec; !std::filesystem::is_regular_file(path, ec)) {
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory)
      throw SourceError(PathText(path) + " 是文件夹，不是文件。");
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none)
      throw SourceError(PathText(path) + " 不是普通文件（是管道、设备或套接字），不能读取。");
    throw SourceError("找不到文件 " + PathText(path) + "。");
  }
  if (extension == ".xlsx" || extension == ".xlsm") return ReadXlsx(path, options);
  if (extension == ".xls")
    throw SourceError("不能读取旧的 .xls 格式。请在 Excel 中另存为 .xlsx 后再导入。");
  if (extension == ".csv" || extension == ".tsv") return ReadCsvText(ReadFileBytes(path), options);
  if (extension == ".txt") return ReadFormulaLines(ReadFileBytes(path), options);
  throw SourceError("不认识扩展名“" + extension + "”。可导入 .xlsx、.csv 和 .txt 文件。");
}

std::string ToSimplified(std::string_view text) {
  // One converter for the program's life: opening it loads the dictionaries.
  static opencc_t converter = opencc_open(OPENCC_DEFAULT_CONFIG_TRAD_TO_SIMP);
  if (converter == reinterpret_cast<opencc_t>(-1))
    throw SourceError("无法载入繁简转换词典（OpenCC）。");
  char* converted = opencc_convert_utf8(converter, text.data(), text.size());
  if (!converted) throw SourceError("繁简转换失败。");
  std::string out(converted);
  opencc_convert_utf8_free(converted);
  return out;
}

double TraditionalShare(std::string_view text) {
  const std::u32string before = ToU32(text), after = ToU32(ToSimplified(text));
  if (before.empty()) return 0;
  if (before.size() != after.size()) return 1;  // phrase changes: clearly traditional
  std::size_t changed = 0, hanzi = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    hanzi += before[i] >= 0x3400;
    changed += before[i] != after[i];
  }
  return hanzi ? static_cast<double>(changed) / static_cast<double>(hanzi) : 0;
}

}  // namespace lindora
