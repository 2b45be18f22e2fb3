#include "common/workbook.h"

#include <stdlib.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>

#include "common/files.h"
#include "common/text.h"

namespace lindora {

namespace {

// Excel's limits: a cell holds at most 32767 characters; a wider column helps nobody.
constexpr std::size_t kMaxCellBytes = 32767;
constexpr int kMinColumnWidth = 6, kMaxColumnWidth = 60;
constexpr int kTextColumnWidth = 72;
constexpr double kLineHeight = 15;      // points, Excel's default row
constexpr double kPictureScale = 0.75;  // pictures are drawn for print, larger than a screen needs
constexpr double kPictureWidth = 720;   // pixels on the sheet, about ten columns

// The width in pixels a PNG's header gives; 0 for bytes that are no PNG.
double PngWidth(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return 0;
  std::uint32_t width = 0;
  for (int i = 16; i < 20; ++i)
    width = width << 8 | static_cast<unsigned char>(png[static_cast<std::size_t>(i)]);
  return width;
}

char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto c = static_cast<unsigned char>(s[i++]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  char32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
  for (; extra > 0 && i < s.size(); --extra, ++i) cp = (cp << 6) | (s[i] & 0x3F);
  return cp;
}

bool IsWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// Cuts a text to what a cell holds without splitting a character.
std::string CellText(std::string_view text) {
  if (text.size() <= kMaxCellBytes) return std::string(text);
  std::size_t end = kMaxCellBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The number format of a cell: "0", "0.00", "0.00%".
std::string NumberFormat(const TableCell& cell) {
  std::string format = "0";
  if (cell.decimals > 0) {
    format += '.';
    format.append(static_cast<std::size_t>(cell.decimals), '0');
  }
  if (cell.kind == TableCell::Kind::kPercent) format += "%";
  return format;
}

// Where a cell stands in a three-line table: the header between the top and the middle rule,
// the last row above the bottom rule.
enum class Rule { kNone, kHeader, kLast, kHeaderAndLast };

class Writer {
 public:
  explicit Writer(lxw_workbook* book) : book_(book) {}

  lxw_format* Format(const std::string& number_format, Rule rule, bool bold = false,
                     bool wrap = false) {
    const std::string key = number_format + "|" + std::to_string(static_cast<int>(rule)) + "|" +
                            (bold ? "b" : "") + (wrap ? "w" : "");
    auto it = formats_.find(key);
    if (it != formats_.end()) return it->second;
    lxw_format* f = workbook_add_format(book_);
    if (!number_format.empty()) format_set_num_format(f, number_format.c_str());
    if (bold) format_set_bold(f);
    if (wrap) {
      format_set_text_wrap(f);
      format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    }
    if (rule == Rule::kHeader || rule == Rule::kHeaderAndLast) {
      format_set_top(f, LXW_BORDER_MEDIUM);
      format_set_bottom(f, LXW_BORDER_THIN);
    }
    if (rule == Rule::kLast) format_set_bottom(f, LXW_BORDER_MEDIUM);
    formats_.emplace(key, f);
    return f;
  }

  void Sheet(const WorkbookSheet& sheet, const std::string& name) {
    lxw_worksheet* ws = workbook_add_worksheet(book_, name.c_str());
    if (!ws) throw std::runtime_error("工作表名称无效：" + name);
    // Printed one page wide (A4), however wide the table, as a thesis appendix would be; a table
    // with a chart or picture beside it on a landscape page, so that neither shrinks to a strip.
    worksheet_set_paper(ws, 9);
    worksheet_fit_to_pages(ws, 1, 0);
    if (((sheet.chart || sheet.second_chart) && !sheet.table.rows.empty()) ||
        !sheet.picture_png.empty())
      worksheet_set_landscape(ws);
    lxw_row_t row = 0;
    for (const WorkbookSheet::Line& line : sheet.lines) {
      // Spreadsheet programs do not grow a row for wrapped text on their own.
      constexpr int kPerLine = kTextColumnWidth - 2;
      const int lines = std::max(1, (DisplayWidth(line.text) + kPerLine - 1) / kPerLine);
      worksheet_set_row(ws, row, kLineHeight * lines, nullptr);
      worksheet_write_string(ws, row++, 0, CellText(line.text).c_str(),
                             Format("", Rule::kNone, line.heading, true));
    }
    const ResultTable& table = sheet.table;
    const auto cols = static_cast<lxw_col_t>(table.header.size());
    if (cols == 0) {
      if (!sheet.lines.empty()) worksheet_set_column(ws, 0, 0, kTextColumnWidth, nullptr);
      return;
    }
    if (!sheet.lines.empty()) ++row;  // a blank row between the text and the table
    if (!sheet.caption.empty()) {
      lxw_format* f = Format("", Rule::kNone, true);
      const std::string caption = CellText(sheet.caption);
      if (cols > 1)
        worksheet_merge_range(ws, row, 0, row, static_cast<lxw_col_t>(cols - 1), caption.c_str(),
                              f);
      else
        worksheet_write_string(ws, row, 0, caption.c_str(), f);
      ++row;
    }
    const lxw_row_t header_row = row;
    if (table.rows.size() >= LXW_ROW_MAX - header_row)
      throw std::runtime_error("表“" + name + "”有 " + std::to_string(table.rows.size()) +
                               " 行，超过了 Excel 工作表的 " + std::to_string(LXW_ROW_MAX) +
                               " 行上限");
    std::vector<int> widths(cols, kMinColumnWidth);
    const Rule header_rule = table.rows.empty() ? Rule::kHeaderAndLast : Rule::kHeader;
    for (lxw_col_t c = 0; c < cols; ++c) {
      worksheet_write_string(ws, row, c, CellText(table.header[c]).c_str(),
                             Format("", header_rule, true));
      widths[c] = std::max(widths[c], DisplayWidth(table.header[c]) + 2);
    }
    ++row;
    // The header stays in view while the rows scroll (with no text above it).
    if (sheet.lines.empty()) worksheet_freeze_panes(ws, row, 0);
    for (std::size_t r = 0; r < table.rows.size(); ++r, ++row) {
      const Rule rule = r + 1 == table.rows.size() ? Rule::kLast : Rule::kNone;
      const std::vector<TableCell>& cells = table.rows[r];
      for (lxw_col_t c = 0; c < cols; ++c) {
        if (c >= cells.size()) {
          worksheet_write_blank(ws, row, c, Format("", rule));
          continue;
        }
        const TableCell& cell = cells[c];
        widths[c] = std::max(widths[c], DisplayWidth(cell.text) + 2);
        if (cell.kind != TableCell::Kind::kText && std::isfinite(cell.number)) {
          worksheet_write_number(ws, row, c, cell.number, Format(NumberFormat(cell), rule));
        } else if (cell.text.empty()) {
          worksheet_write_blank(ws, row, c, Format("", rule));
        } else {
          // A string cell, never a formula, whatever the text begins with.
          worksheet_write_string(ws, row, c, CellText(cell.text).c_str(), Format("", rule));
        }
      }
    }
    for (lxw_col_t c = 0; c < cols; ++c)
      worksheet_set_column(ws, c, c, std::min(widths[c], kMaxColumnWidth), nullptr);
    lxw_row_t chart_rows = 0;
    for (const auto* layout : {&sheet.chart, &sheet.second_chart})
      if (*layout && !table.rows.empty()) {
        const lxw_row_t at = header_row + (chart_rows ? chart_rows + 1 : 0);
        chart_rows += (chart_rows ? 1 : 0) + Chart(ws, name, **layout, header_row, at, table,
                                                   static_cast<lxw_col_t>(cols + 1));
      }
    if (!sheet.picture_png.empty()) {
      // Below the chart, else level with the header.
      const lxw_row_t at = header_row + (chart_rows ? chart_rows + 1 : 0);
      lxw_image_options options{};
      // At most kPictureWidth pixels wide: a wide picture would shrink the printed table.
      const double width = PngWidth(sheet.picture_png);
      options.x_scale = options.y_scale =
          width > 0 ? std::min(kPictureScale, kPictureWidth / width) : kPictureScale;
      options.object_position = LXW_OBJECT_MOVE_DONT_SIZE;
      const auto* data = reinterpret_cast<const unsigned char*>(sheet.picture_png.data());
      if (worksheet_insert_image_buffer_opt(ws, at, static_cast<lxw_col_t>(cols + 1), data,
                                            sheet.picture_png.size(), &options) != LXW_NO_ERROR)
        throw std::runtime_error("工作表“" + name + "”的图片无法写入");
    }
  }

 private:
  // Returns the rows the chart covers.
  lxw_row_t Chart(lxw_worksheet* ws, const std::string& sheet_name, const SheetChart& layout,
                  lxw_row_t header_row, lxw_row_t at_row, const ResultTable& table,
                  lxw_col_t at_col) {
    const auto cols = static_cast<int>(table.header.size());
    if (layout.category_column < 0 || layout.category_column >= cols) return 0;
    std::size_t n = table.rows.size();
    if (layout.rows > 0) n = std::min(n, static_cast<std::size_t>(layout.rows));
    lxw_chart* chart = workbook_add_chart(book_, layout.radar        ? LXW_CHART_RADAR
                                                 : layout.horizontal ? LXW_CHART_BAR
                                                                     : LXW_CHART_COLUMN);
    const lxw_row_t first = header_row + 1;
    const lxw_row_t last = header_row + static_cast<lxw_row_t>(n);
    int series = 0;
    for (int vc : layout.value_columns) {
      if (vc < 0 || vc >= cols) continue;
      lxw_chart_series* s = chart_add_series(chart, nullptr, nullptr);
      chart_series_set_categories(s, sheet_name.c_str(), first,
                                  static_cast<lxw_col_t>(layout.category_column), last,
                                  static_cast<lxw_col_t>(layout.category_column));
      chart_series_set_values(s, sheet_name.c_str(), first, static_cast<lxw_col_t>(vc), last,
                              static_cast<lxw_col_t>(vc));
      chart_series_set_name_range(s, sheet_name.c_str(), header_row, static_cast<lxw_col_t>(vc));
      ++series;
    }
    if (series == 0) return 0;
    if (!layout.title.empty()) chart_title_set_name(chart, layout.title.c_str());
    // In a bar chart the library's x axis is the horizontal one, which holds the values.
    lxw_chart_axis* category_axis = layout.horizontal ? chart->y_axis : chart->x_axis;
    lxw_chart_axis* value_axis = layout.horizontal ? chart->x_axis : chart->y_axis;
    if (!layout.category_axis.empty())
      chart_axis_set_name(category_axis, layout.category_axis.c_str());
    if (!layout.value_axis.empty()) chart_axis_set_name(value_axis, layout.value_axis.c_str());
    if (layout.horizontal && !layout.radar) {
      // Categories read top-down like the table, with the value axis still below them.
      chart_axis_set_reverse(category_axis);
      chart_axis_set_crossing_max(category_axis);
    }
    // Every category named: left to itself a spreadsheet skips labels it thinks crowded.
    if (!layout.radar) chart_axis_set_interval_unit(category_axis, 1);
    if (series == 1) chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    lxw_chart_options options{};
    options.x_scale = 1.5;
    // Room for every name: about 22 pixels per bar besides the title and the value axis in a
    // chart 288 pixels high (with less, LibreOffice leaves every other name out).
    options.y_scale = layout.horizontal && !layout.radar
                          ? std::max(1.5, (static_cast<double>(n * series) * 22.0 + 110) / 288.0)
                          : 1.5;
    worksheet_insert_chart_opt(ws, at_row, at_col, chart, &options);
    return static_cast<lxw_row_t>(std::ceil(288 * options.y_scale / 20));  // rows of 20 pixels
  }

  lxw_workbook* book_;
  std::map<std::string, lxw_format*> formats_;
};

}  // namespace

int DisplayWidth(std::string_view utf8) {
  int width = 0;
  for (std::size_t i = 0; i < utf8.size();) width += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
  return width;
}

TableCell CellFromText(std::string_view text) {
  std::string_view digits = text;
  const bool percent = !digits.empty() && digits.back() == '%';
  if (percent) digits.remove_suffix(1);
  std::string_view body = digits;
  if (!body.empty() && body.front() == '-') body.remove_prefix(1);
  const std::size_t point = body.find('.');
  const std::string_view whole = body.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  // Codes such as "007" and numbers beyond a double's 15 digits stay as they are written.
  const bool number =
      AllDigits(whole) && (point == std::string_view::npos || AllDigits(fraction)) &&
      !(whole.size() > 1 && whole.front() == '0') && whole.size() + fraction.size() <= 15;
  if (!number) return TableCell::Text(std::string(text));
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  const int decimals = static_cast<int>(fraction.size());
  if (percent) {
    TableCell cell = TableCell::Percent(value / 100, decimals);
    cell.text = std::string(text);
    return cell;
  }
  TableCell cell = TableCell::Number(value, decimals);
  cell.text = std::string(text);
  return cell;
}

std::string SheetName(std::string_view wanted, const std::vector<std::string>& taken) {
  std::string base;
  for (char c : wanted)
    base += std::string_view("[]:*?/\\").find(c) == std::string_view::npos ? c : '_';
  while (!base.empty() && base.front() == '\'') base.erase(base.begin());
  while (!base.empty() && base.back() == '\'') base.pop_back();
  if (base.empty()) base = "Sheet";
  // At most 31 characters, counted as Excel counts them (a character above U+FFFF is two).
  auto cut = [](const std::string& s, int limit) {
    std::size_t i = 0, end = 0;
    int units = 0;
    while (i < s.size()) {
      const char32_t cp = NextCodePoint(s, i);
      units += cp > 0xFFFF ? 2 : 1;
      if (units > limit) break;
      end = i;
    }
    return s.substr(0, end);
  };
  auto is_taken = [&](const std::string& name) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return LowerAscii(t) == LowerAscii(name); });
  };
  std::string name = cut(base, 31);
  for (int n = 2; is_taken(name); ++n) {
    std::string suffix = "(";
    suffix += std::to_string(n);
    suffix += ')';
    name = cut(base, 31 - static_cast<int>(suffix.size())) + suffix;
  }
  return name;
}

std::vector<WorkbookSheet> SheetsOf(const std::vector<ResultTable>& tables) {
  std::vector<WorkbookSheet> sheets;
  for (const ResultTable& t : tables) {
    WorkbookSheet sheet;
    sheet.name = t.caption.empty() ? t.key : t.caption;
    sheet.caption = t.caption;
    sheet.table = t;
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

std::optional<fs::path> WorkbookLockFile(const fs::path& path) {
  const fs::path folder = path.parent_path();
  const std::string name = path.filename().string();
  std::error_code ec;
  // Excel's owner file replaces the first two characters of a longer name.
  std::size_t second = 0;
  for (int n = 0; n < 2 && second < name.size(); ++n) NextCodePoint(name, second);
  for (const std::string& lock :
       {"~$" + name, "~$" + name.substr(second), ".~lock." + name + "#"}) {
    const fs::path candidate = folder / lock;
    if (fs::exists(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

std::string WorkbookBytes(const std::vector<WorkbookSheet>& sheets, const fs::path& path) {
  if (std::optional<fs::path> lock = WorkbookLockFile(path))
    throw FileError(FileError::Kind::kWrite, path,
                    "工作簿正被其他程序打开（锁文件 " + lock->filename().string() +
                        "），请在 Excel 或 LibreOffice 中关闭它后再试");
  std::error_code ec;
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  if (!fs::is_directory(folder, ec)) throw FileError(FileError::Kind::kWrite, path, "文件夹不存在");
  // The library writes a scratch file of its own; the workbook then reaches its place through
  // the program's one atomic writer, like every other result file.
  // A private folder (mkdtemp: mode 0700, fresh name), so nobody can plant a link there.
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = folder;
  std::string pattern = (base / "lindora-workbook-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw FileError(FileError::Kind::kWrite, path, SystemErrorText(errno));
  const fs::path scratch = fs::path(pattern) / "workbook.xlsx";
  struct Remove {
    fs::path dir;
    ~Remove() {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
    }
  } remove{pattern};

  lxw_workbook* book = workbook_new(scratch.c_str());
  if (!book) throw FileError(FileError::Kind::kWrite, path, SystemErrorText(errno ? errno : EIO));
  try {
    Writer writer(book);
    std::vector<std::string> names;
    for (const WorkbookSheet& sheet : sheets) {
      names.push_back(SheetName(sheet.name, names));
      writer.Sheet(sheet, names.back());
    }
    if (sheets.empty()) workbook_add_worksheet(book, nullptr);
  } catch (const std::exception& e) {
    workbook_close(book);
    throw FileError(FileError::Kind::kWrite, path, e.what());
  }
  errno = 0;
  if (lxw_error err = workbook_close(book); err != LXW_NO_ERROR)
    throw FileError(FileError::Kind::kWrite, path,
                    errno ? SystemErrorText(errno)
                          : std::string("写入工作簿失败（") + lxw_strerror(err) + "）");
  return ReadFileBytes(scratch);
}

void WriteWorkbook(const std::vector<WorkbookSheet>& sheets, const fs::path& path) {
  const std::string bytes = WorkbookBytes(sheets, path);
  AtomicFile out(path);
  out.WriteBytes(bytes);
  out.Commit();
}

}  // namespace lindora
