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
#include <tuple>

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

using Limits = SourceLimits;

std::string Megabytes(std::size_t bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

// Characters in UTF-8 bytes: every byte that does not continue a sequence.
std::size_t CharsIn(std::string_view bytes) {
  std::size_t n = 0;
  for (const char c : bytes) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// A piece of a damaged file quoted in a message: short, and without control characters.
std::string Quoted(std::string_view text) {
  std::string shown;
  for (const char c : text.substr(0, 20))
    shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return text.size() > 20 ? shown + "…" : shown;
}

void RefuseLongCell(std::size_t row) {
  throw SourceError("第 " + std::to_string(row) + " 行有单元格超过 " +
                    std::to_string(Limits::kCellChars) +
                    " 个字（Excel 单元格的上限），文件可能已损坏，不能导入。");
}

// Cells held so far, the empty ones left of a filled cell too: what the table costs in memory.
class CellBudget {
 public:
  void Add(std::size_t cells) {
    held_ += cells;
    if (held_ > Limits::kCells)
      throw SourceError("表中的单元格超过 " + std::to_string(Limits::kCells) +
                        " 个的上限（一行中填写的单元格左边的空格也计入）。文件可能已损坏；"
                        "若确是这么大的表，请分成几份分别导入。");
  }

 private:
  std::size_t held_ = 0;
};

void RefuseTooManyRows() {
  throw SourceError("表超过 " + std::to_string(Limits::kRows) +
                    " 行（Excel 的最大行数），文件可能已损坏，不能导入。");
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

struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// A part of the workbook opened for reading; null when it is missing and not required.
std::unique_ptr<zip_file_t, ZipFileCloser> OpenEntry(zip_t* archive, const std::string& name,
                                                     bool required) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat(archive, name.c_str(), 0, &stat) != 0) {
    if (required) throw SourceError("工作簿不完整（缺少 " + name + "），文件可能已损坏。");
    return nullptr;
  }
  if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
    throw SourceError("工作簿已加密。请在 Excel 中取消密码保护后另存，再导入。");
  // The size the archive declares refuses a bomb at once; the count while reading catches a lie.
  if ((stat.valid & ZIP_STAT_SIZE) && stat.size > Limits::kPartBytes)
    throw SourceError("工作簿中的 " + name + " 解压后有 " + Megabytes(stat.size) + "，超过每部分 " +
                      Megabytes(Limits::kPartBytes) +
                      " 的上限，不能导入（文件可能已损坏或是恶意构造的）。");
  std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen(archive, name.c_str(), 0));
  if (!file) throw SourceError("工作簿中的 " + name + " 无法读取，文件可能已损坏。");
  return file;
}

// Runs expat over a document with start/end/text callbacks; a parse error is a corrupt book.
class XmlWalk {
 public:
  virtual ~XmlWalk() = default;
  // Feeds a part to expat piece by piece, so that only what the walk keeps is held, never the
  // unpacked XML. `total` counts the bytes unpacked from the workbook so far. False when the
  // part is missing and not required.
  bool Parse(zip_t* archive, const std::string& entry, const std::string& part, std::size_t& total,
             bool required = true) {
    auto file = OpenEntry(archive, entry, required);
    if (!file) return false;
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"),
                                                                        &XML_ParserFree);
    if (!parser) throw std::bad_alloc();
    parser_ = parser.get();
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(
        parser.get(),
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
          Guarded(self, [&](XmlWalk* walk) { walk->Start(LocalName(name), attributes); });
        },
        [](void* self, const XML_Char* name) {
          Guarded(self, [&](XmlWalk* walk) { walk->End(LocalName(name)); });
        });
    XML_SetCharacterDataHandler(parser.get(), [](void* self, const XML_Char* text, int length) {
      Guarded(self, [&](XmlWalk* walk) {
        walk->Text(std::string_view(text, static_cast<std::size_t>(length)));
      });
    });
    std::array<char, 65536> buffer;
    std::size_t part_bytes = 0;
    for (;;) {
      const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
      if (n < 0) throw SourceError("工作簿中的 " + entry + " 无法解压，文件可能已损坏。");
      part_bytes += static_cast<std::size_t>(n);
      total += static_cast<std::size_t>(n);
      if (part_bytes > Limits::kPartBytes)
        throw SourceError("工作簿中的 " + entry + " 解压后超过每部分 " +
                          Megabytes(Limits::kPartBytes) +
                          " 的上限，不能导入（文件可能已损坏或是恶意构造的）。");
      if (total > Limits::kTotalBytes)
        throw SourceError("工作簿解压后超过 " + Megabytes(Limits::kTotalBytes) +
                          " 的上限，不能导入（文件可能已损坏或是恶意构造的）。");
      if (XML_Parse(parser.get(), buffer.data(), static_cast<int>(n), n == 0) == XML_STATUS_ERROR) {
        if (!error_.empty()) throw SourceError(error_);
        throw SourceError("工作簿中的 " + part + " 不是完好的 XML（第 " +
                          std::to_string(XML_GetCurrentLineNumber(parser.get())) +
                          " 行），文件可能已损坏。");
      }
      if (n == 0) break;
    }
    return true;
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

 private:
  // A refusal inside a callback stops expat and is raised once expat has returned: no exception
  // passes through the C library.
  template <typename Step>
  static void Guarded(void* self, Step step) {
    auto* walk = static_cast<XmlWalk*>(self);
    if (!walk->error_.empty()) return;
    try {
      step(walk);
    } catch (const SourceError& error) {
      walk->error_ = error.what();
      XML_StopParser(walk->parser_, XML_FALSE);
    }
  }
  XML_Parser parser_ = nullptr;
  std::string error_;
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
    if (name == "si") {
      if (strings.size() >= Limits::kCells)
        throw SourceError("工作簿的共享文本超过 " + std::to_string(Limits::kCells) +
                          " 条的上限，文件可能已损坏，不能导入。");
      strings.emplace_back(), in_item_ = true, chars_ = 0;
    }
    if (name == "rPh") in_phonetic_ = true;
    if (name == "t") in_text_ = in_item_ && !in_phonetic_;
  }
  void End(std::string_view name) override {
    if (name == "si") in_item_ = false;
    if (name == "rPh") in_phonetic_ = false;
    if (name == "t") in_text_ = false;
  }
  void Text(std::string_view text) override {
    if (!in_text_) return;
    chars_ += CharsIn(text);
    if (chars_ > Limits::kCellChars)
      throw SourceError("工作簿的第 " + std::to_string(strings.size()) + " 条共享文本超过 " +
                        std::to_string(Limits::kCellChars) +
                        " 个字（Excel 单元格的上限），文件可能已损坏，不能导入。");
    strings.back() += text;
  }

 private:
  bool in_item_ = false, in_phonetic_ = false, in_text_ = false;
  std::size_t chars_ = 0;
};

// Column letters of a cell reference ("AB12") as a 0-based index; -1 when there are none.
// Counting stops past XFD, so any run of letters gives at most kColumns, an index out of range.
long ColumnOf(std::string_view reference) {
  std::size_t column = 0, i = 0;
  for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z'; ++i) {
    column = column * 26 + static_cast<std::size_t>(reference[i] - 'A' + 1);
    if (column > Limits::kColumns) return static_cast<long>(Limits::kColumns);
  }
  return i == 0 ? -1 : static_cast<long>(column) - 1;
}

// A whole number written in decimal digits only, below `limit`; false for anything else.
bool SmallNumber(std::string_view text, std::size_t limit, std::size_t* number) {
  if (text.empty() || text.size() > 10) return false;
  std::size_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  *number = n;
  return n < limit;
}

class SheetWalk : public XmlWalk {
 public:
  SheetWalk(const std::vector<std::string>& shared, const SourceOptions& options, std::string sheet)
      : shared_(shared), options_(options), sheet_(std::move(sheet)) {}
  SourceTable table;

 protected:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name == "row") {
      const std::string r = Attribute(attributes, "r");
      std::size_t number = next_row_;
      if (!r.empty() && (!SmallNumber(r, Limits::kRows + 1, &number) || number == 0))
        throw SourceError("工作表“" + sheet_ + "”的第 " + std::to_string(table.rows.size() + 1) +
                          " 行标着行号“" + Quoted(r) + "”，不是 1 到 " +
                          std::to_string(Limits::kRows) + " 之间的整数，文件可能已损坏。");
      if (number > Limits::kRows || table.rows.size() >= Limits::kRows) RefuseTooManyRows();
      table.rows.emplace_back();
      table.row_numbers.push_back(number);
      next_row_ = number + 1;
      next_column_ = 0;
      if (table.rows.size() > options_.max_rows + 1) CheckRowCount(table.rows.size(), options_);
    } else if (name == "c" && !table.rows.empty()) {
      const std::string reference = Attribute(attributes, "r");
      const long column = ColumnOf(reference);
      column_ = column < 0 ? next_column_ : static_cast<std::size_t>(column);
      // A sheet claiming a column beyond Excel's last one is damaged, not a reason to allocate.
      if (column_ >= Limits::kColumns)
        throw SourceError("工作表“" + sheet_ + "”的单元格“" + Quoted(reference) +
                          "”超出了最后一列 XFD（第 " + std::to_string(Limits::kColumns) +
                          " 列），文件可能已损坏。");
      next_column_ = column_ + 1;
      type_ = Attribute(attributes, "t");
      value_.clear();
      chars_ = 0;
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
      std::size_t index = 0;
      if (!SmallNumber(Trim(value_), shared_.size(), &index))
        throw SourceError("工作表“" + sheet_ + "”第 " + std::to_string(table.row_numbers.back()) +
                          " 行引用了不存在的共享文本（编号“" + Quoted(value_) + "”，工作簿只有 " +
                          std::to_string(shared_.size()) + " 条），文件可能已损坏。");
      text = shared_[index];
    } else if (type_ == "b") {
      text = value_ == "1" ? "TRUE" : "FALSE";
    } else {
      text = value_;  // numbers, formula results and inline text as stored
    }
    auto& row = table.rows.back();
    if (row.size() <= column_) {
      budget_.Add(column_ + 1 - row.size());
      row.resize(column_ + 1);
    }
    row[column_] = std::move(text);
  }
  void Text(std::string_view text) override {
    if (!in_value_ || in_phonetic_) return;
    chars_ += CharsIn(text);
    if (chars_ > Limits::kCellChars) RefuseLongCell(table.row_numbers.back());
    value_ += text;
  }

 private:
  const std::vector<std::string>& shared_;
  const SourceOptions& options_;
  std::string sheet_;
  CellBudget budget_;
  std::size_t chars_ = 0;
  std::size_t next_row_ = 1, next_column_ = 0, column_ = 0;
  std::string type_, value_;
  bool in_cell_ = false, in_value_ = false, in_phonetic_ = false;
};

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw SourceError("无法打开文件 " + PathText(path) + "，请确认它存在且可以读取。");
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!error && size > Limits::kPartBytes)
    throw SourceError("文件 " + PathText(path) + " 有 " + Megabytes(size) + "，超过 " +
                      Megabytes(Limits::kPartBytes) +
                      " 的上限，不能导入。请把表分成几份分别导入。");
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
  std::size_t line = 1, row_start = 1, chars = 0;
  CellBudget budget;
  const auto end_field = [&] {
    if (row.size() >= Limits::kColumns)
      throw SourceError("CSV 文件第 " + std::to_string(row_start) + " 行超过 " +
                        std::to_string(Limits::kColumns) +
                        " 列（Excel 的最大列数 XFD），不能导入。");
    budget.Add(1);
    row.push_back(std::move(field));
    field.clear();
    chars = 0;
  };
  const auto add = [&](char c) {
    chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (chars > Limits::kCellChars) RefuseLongCell(row_start);
    field += c;
  };
  const auto end_row = [&] {
    end_field();
    if (rows.size() >= Limits::kRows) RefuseTooManyRows();
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
          add('"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        add(c);
      }
      continue;
    }
    if (c == '"' && field.empty()) {
      quoted = any = true;
    } else if (c == separator) {
      end_field();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end_row();
      row_start = ++line;
    } else {
      add(c);
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

std::string DecodeUserText(std::string_view bytes, std::string* encoding) {
  // Excel's "Unicode text" and Notepad's "Unicode": UTF-16 behind its byte-order mark.
  for (const auto& [mark, code, label] :
       {std::tuple{std::string_view("\xFF\xFE"), "UTF-16LE", "UTF-16 LE（带 BOM）"},
        std::tuple{std::string_view("\xFE\xFF"), "UTF-16BE", "UTF-16 BE（带 BOM）"}}) {
    if (!StartsWithBytes(bytes, mark)) continue;
    iconv_t cd = iconv_open("UTF-8", code);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw SourceError("系统缺少 UTF-16 编码转换。");
    bool ok = false;
    std::string text = Converted(cd, bytes.substr(2), &ok);
    iconv_close(cd);
    if (!ok) throw SourceError("文件以 UTF-16 标记开头，但其中有不成对或残缺的 UTF-16 字符。");
    if (encoding) *encoding = label;
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

namespace {

bool Utf16Marked(std::string_view bytes) {
  return StartsWithBytes(bytes, "\xFF\xFE") || StartsWithBytes(bytes, "\xFE\xFF");
}

// NUL bytes in a text without a UTF-16 mark: most likely UTF-16 whose mark was lost (every
// other byte NUL for Chinese-free text, many NULs for any), else binary data.
void RefuseNulBytes(std::string_view bytes, std::string_view what) {
  if (Utf16Marked(bytes) || bytes.find('\0') == std::string_view::npos) return;
  std::size_t even = 0, odd = 0;
  const std::size_t n = std::min<std::size_t>(bytes.size(), 4096);
  for (std::size_t i = 0; i < n; ++i)
    if (bytes[i] == '\0') ++(i % 2 ? odd : even);
  if (std::max(even, odd) * 8 >= n && std::min(even, odd) * 8 < std::max(even, odd))
    throw SourceError(
        "文件似乎是没有字节顺序标记（BOM）的 UTF-16 文本，无法确定字节顺序。请在 "
        "Excel 中另存为“CSV UTF-8”或“Unicode 文本”（带 BOM）后再导入。");
  throw SourceError("文件内容不是文本（含有二进制字节），不能作为" + std::string(what) + "读取。");
}

// The text of a .txt file as cells: none longer than a cell may be, not more than the budget.
void CheckTextCells(const SourceTable& table) {
  CellBudget budget;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    budget.Add(table.rows[r].size());
    for (const auto& cell : table.rows[r])
      if (cell.size() > Limits::kCellChars && CharsIn(cell) > Limits::kCellChars)
        RefuseLongCell(table.row_numbers[r]);
  }
}

}  // namespace

SourceTable ReadCsvText(std::string_view bytes, const SourceOptions& options) {
  SourceTable table;
  table.format = "csv";
  if (StartsWithBytes(bytes, kZipMagic) || StartsWithBytes(bytes, kOleMagic))
    throw SourceError(
        "文件内容是 Excel 工作簿，不是 CSV 文本。请把扩展名改为 .xlsx 或在 Excel 中另存为 CSV。");
  if (bytes.size() > Limits::kPartBytes)
    throw SourceError("文件超过 " + Megabytes(Limits::kPartBytes) + " 的上限，不能导入。");
  RefuseNulBytes(bytes, " CSV ");
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
  if (StartsWithBytes(bytes, kZipMagic) || StartsWithBytes(bytes, kOleMagic))
    throw SourceError("文件内容不是文本，不能作为每行一方的文本文件读取。");
  if (bytes.size() > Limits::kPartBytes)
    throw SourceError("文件超过 " + Megabytes(Limits::kPartBytes) + " 的上限，不能导入。");
  RefuseNulBytes(bytes, "每行一方的文本文件");
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
  if (table.rows.size() > Limits::kRows) RefuseTooManyRows();
  CheckRowCount(table.rows.size() + 1, options);  // no title row
  CheckTextCells(table);
  DropEmptyRows(table);
  if (table.rows.empty()) throw SourceError("文件中没有任何方剂行。");
  return table;
}

SourceTable ReadXlsx(const std::filesystem::path& path, const SourceOptions& options) {
  std::string head(8, '\0');
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SourceError("无法打开文件 " + PathText(path) + "，请确认它存在且可以读取。");
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
  }
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
  std::size_t unpacked = 0;
  book.Parse(archive.get(), "xl/workbook.xml", "workbook.xml", unpacked);
  RelationsWalk relations;
  relations.Parse(archive.get(), "xl/_rels/workbook.xml.rels", "workbook.xml.rels", unpacked);
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
  shared.Parse(archive.get(), "xl/sharedStrings.xml", "sharedStrings.xml", unpacked, false);
  SheetWalk sheet(shared.strings, options, table.sheet);
  sheet.Parse(archive.get(), target, table.sheet, unpacked);
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
