#include "report/report_document.h"

#include <algorithm>
#include <numeric>

#include "common/text.h"
#include "common/workbook.h"

namespace lindora {

void ReportDocument::Heading(std::string text, int level) {
  ReportBlock b;
  b.kind = ReportBlock::Kind::kHeading;
  b.level = level;
  b.text = std::move(text);
  blocks_.push_back(std::move(b));
}

void ReportDocument::Paragraph(std::string text, std::string lang) {
  ReportBlock b;
  b.text = std::move(text);
  b.lang = std::move(lang);
  blocks_.push_back(std::move(b));
}

void ReportDocument::Preformatted(std::string text) {
  ReportBlock b;
  b.kind = ReportBlock::Kind::kPreformatted;
  b.text = std::move(text);
  blocks_.push_back(std::move(b));
}

void ReportDocument::Table(std::vector<std::string> header,
                           std::vector<std::vector<std::string>> rows,
                           std::vector<std::string> row_colors, std::string name,
                           std::size_t shown) {
  ReportBlock b;
  b.kind = ReportBlock::Kind::kTable;
  b.shown = std::min(shown, rows.size());
  b.name = std::move(name);
  b.header = std::move(header);
  b.rows = std::move(rows);
  b.row_colors = std::move(row_colors);
  blocks_.push_back(std::move(b));
}

void ReportDocument::Figure(std::string name, std::string png, std::string caption) {
  ReportBlock b;
  b.kind = ReportBlock::Kind::kFigure;
  b.figure = name;
  b.text = std::move(caption);
  pictures_[std::move(name)] = std::move(png);
  blocks_.push_back(std::move(b));
}

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                 (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                 static_cast<unsigned char>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

namespace {

// Print rules: A4 pages, tables and figures kept whole where they fit, header rows repeated.
// Tables are three-line tables (rules above and below the table and under the header, no
// vertical lines); the rules are written on the cells as well, because Qt's layout, which
// typesets the PDF, draws cell borders but not those of a table row.
constexpr std::string_view kStyle =
    "@page{size:A4;margin:18mm 16mm}"
    // Latin letters and digits come from DejaVu Sans: the CJK font draws a digit after a Latin
    // letter with an alternate glyph that Qt leaves out of the PDF's text layer.
    "body{font-family:'DejaVu Sans','Noto Sans CJK SC','Noto Sans SC',sans-serif;font-size:10pt;"
    "color:#111;max-width:180mm;margin:auto;line-height:1.5}"
    "h1{font-size:18pt}h2{font-size:14pt;margin-top:18pt}"
    "h3{font-size:11pt}h2.page{page-break-before:always}"
    "table{border-collapse:collapse;margin:6pt 0;width:100%}"
    "th,td{border:none;padding:2pt 6pt;font-size:9pt;text-align:left;vertical-align:top}"
    "thead{display:table-header-group}"
    "tr,img{page-break-inside:avoid;break-inside:avoid}"
    ".figure{margin:8pt 0;text-align:center}img{max-width:100%}"
    ".caption{font-size:9pt;color:#333;text-align:center}"
    "pre{font-size:8.5pt;background:#f6f6f6;padding:4pt;white-space:pre-wrap;"
    "page-break-inside:avoid;break-inside:avoid}"
    ".files{font-size:9pt}";

// Every cell in the CJK font, digits too: Qt's layout breaks a page by each line's own font
// height, and a line of digits in DejaVu Sans is lower than one of Chinese, so a row whose
// last line reached the page end left its names alone on the next page.
#define LINDORA_CELL_FONT "font-family:'Noto Sans CJK SC','Noto Sans SC',sans-serif;"
constexpr std::string_view kCellBox =
    "padding-left:6pt;padding-right:6pt;padding-top:1pt;padding-bottom:1pt;"
    "vertical-align:baseline;line-height:15px;" LINDORA_CELL_FONT;
// A table of many columns (the dose table has 13) in a smaller size with less room around each
// cell, so that its numbers keep their width on the page instead of breaking.
constexpr std::string_view kWideCellBox =
    "padding-left:3pt;padding-right:3pt;padding-top:1pt;padding-bottom:1pt;"
    "vertical-align:baseline;line-height:13px;font-size:7.5pt;" LINDORA_CELL_FONT;
#undef LINDORA_CELL_FONT

// Tables of at most this many columns get column widths of their own; room in half-width
// characters that every column gets beside its longest text.
constexpr std::size_t kNarrowTableColumns = 4;
constexpr int kColumnRoom = 6, kMinColumnPercent = 8, kGapPercent = 4;

constexpr std::string_view kTopRule =
    "border-top-width:1.5px;border-top-style:solid;border-top-color:#000;";
constexpr std::string_view kMidRule =
    "border-bottom-width:0.75px;border-bottom-style:solid;border-bottom-color:#000;";
constexpr std::string_view kBottomRule =
    "border-bottom-width:1.5px;border-bottom-style:solid;border-bottom-color:#000;";

// A long Chinese header in lines of three characters: Qt's layout sizes a column by its header
// on one line and leaves a column of numbers too narrow for them.
std::string HeaderLines(const std::string& header) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < header.size();) {
    const auto byte = static_cast<unsigned char>(header[i]);
    const std::size_t n = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    if (n != 3) return XmlEscape(header);  // not all Chinese: left to the layout
    chars.push_back(header.substr(i, n));
    i += n;
  }
  if (chars.size() <= 4) return header;
  std::string out;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (i > 0 && i % 3 == 0 && chars.size() - i > 1) out += "<br/>";
    out += chars[i];
  }
  return out;
}

// A cell's text. Digits beside Latin letters ("1.2e-05") go in DejaVu Sans: in the CJK font
// of the other cells they take alternate glyphs that Qt leaves out of the PDF's text layer. A
// zero-width space in the CJK font keeps such a line as tall as its neighbours, so that its row
// still breaks to the next page whole.
std::string CellHtml(const std::string& text) {
  const auto letter = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
  const auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
  if (std::none_of(text.begin(), text.end(), digit) ||
      std::none_of(text.begin(), text.end(), letter))
    return XmlEscape(text);
  return "<span style=\"font-family:'DejaVu Sans'\">" + XmlEscape(text) + "</span>&#x200B;";
}

// A number as a table prints it: digits with a sign, decimals, exponent or percent sign, or
// a bound such as "< 0.0001".
bool NumericCell(std::string_view c) {
  if (StartsWith(c, "< ")) c.remove_prefix(2);
  if (c.empty()) return false;
  bool digit = false;
  for (char ch : c) {
    if (ch >= '0' && ch <= '9')
      digit = true;
    else if (std::string_view("+-.eE%").find(ch) == std::string_view::npos)
      return false;
  }
  return digit;
}

}  // namespace

std::string ReportDocument::Html(
    const std::function<std::string(const std::string&)>& picture_source) const {
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" +
      XmlEscape(title_) + "</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
  int sections = 0;
  for (const ReportBlock& b : blocks_) {
    switch (b.kind) {
      case ReportBlock::Kind::kHeading: {
        // Every section after the first starts a page.
        // Appended piece by piece: GCC 12 at -O3 warns falsely on "h" + std::to_string(…).
        const char tag = static_cast<char>('0' + b.level);
        bool page = b.level == 2 && sections++ > 0;
        h += "<h";
        h += tag;
        h += page ? " class=\"page\">" : ">";
        h += XmlEscape(b.text);
        h += "</h";
        h += tag;
        h += ">\n";
        break;
      }
      case ReportBlock::Kind::kParagraph:
        h += b.lang.empty() ? "<p>" : "<p lang=\"" + b.lang + "\">";
        h += XmlEscape(b.text) + "</p>\n";
        break;
      case ReportBlock::Kind::kPreformatted: h += "<pre>" + XmlEscape(b.text) + "</pre>\n"; break;
      case ReportBlock::Kind::kTable: {
        // A column whose every cell is a number is right-aligned, its header too.
        const std::size_t shown = b.shown;
        // A cell left empty or dashed (a standard deviation of one dose) does not count.
        std::vector<bool> numeric(b.header.size(), true), any(b.header.size(), false);
        for (std::size_t r = 0; r < shown; ++r)
          for (std::size_t c = 0; c < numeric.size(); ++c) {
            const std::string_view v =
                c < b.rows[r].size() ? std::string_view(b.rows[r][c]) : std::string_view();
            if (v.empty() || v == "—" || v == "-") continue;
            any[c] = true;
            if (!NumericCell(v)) numeric[c] = false;
          }
        for (std::size_t c = 0; c < numeric.size(); ++c) numeric[c] = numeric[c] && any[c];
        // Padding and alignment are written on every cell, as the rules are: Qt's layout, which
        // typesets the PDF, reads no shorthand padding from a style sheet. A fixed line height
        // gives a number's line and a name's line the same height and baseline, so a row
        // breaks to the next page whole.
        // A narrow table's columns get widths by their longest text: left to Qt's layout, the
        // first columns shrink to their text, padding and all, and the last takes the rest, so a
        // right-aligned number touches the name beside it.
        std::vector<int> percent;
        if (b.header.size() <= kNarrowTableColumns) {
          std::vector<int> longest(b.header.size(), 0);
          for (std::size_t c = 0; c < b.header.size(); ++c) {
            longest[c] = DisplayWidth(b.header[c]) + kColumnRoom;
            for (std::size_t r = 0; r < shown; ++r)
              if (c < b.rows[r].size())
                longest[c] = std::max(longest[c], DisplayWidth(b.rows[r][c]) + kColumnRoom);
          }
          const int total = std::accumulate(longest.begin(), longest.end(), 0);
          for (int w : longest) percent.push_back(std::max(kMinColumnPercent, w * 100 / total));
        }
        auto cell = [&](const char* tag, std::size_t c, std::string_view rules,
                        const std::string& content) {
          h += "<";
          h += tag;
          if (c < percent.size() && std::string_view(tag) == "th")
            h += " width=\"" + std::to_string(percent[c]) + "%\"";
          h += " style=\"";
          h += rules;
          h += b.header.size() >= 9 ? kWideCellBox : kCellBox;
          if (c < numeric.size() && numeric[c]) h += "text-align:right;white-space:nowrap;";
          h += "\">" + content + "</" + tag + ">";
        };
        // The table's own padding is the one Qt's layout surely applies; a column of numbers
        // beside one of names needs a gap wider than a character to read as two.
        h += b.header.size() >= 9 ? "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"4\">"
                                  : "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"8\">";
        h += "\n<thead><tr>";
        const std::string head_rules = std::string(kTopRule) + std::string(kMidRule);
        // A right-aligned number beside a left-aligned name gets an empty column between them:
        // Qt's layout leaves no room of the cells' padding there, and the two would read as one
        // word ("1甘草").
        auto gap = [&](const char* tag, std::size_t c, std::string_view rules) {
          if (c + 1 >= numeric.size() || !numeric[c] || numeric[c + 1]) return;
          h += "<";
          h += tag;
          h += " class=\"gap\"";
          if (std::string_view(tag) == "th") h += " width=\"" + std::to_string(kGapPercent) + "%\"";
          h += " style=\"";
          h += rules;
          // The same line box as its neighbours, or the row's baseline moves and its cells part
          // at a page end.
          h += b.header.size() >= 9 ? kWideCellBox : kCellBox;
          h += "\"></";
          h += tag;
          h += ">";
        };
        for (std::size_t c = 0; c < b.header.size(); ++c) {
          cell("th", c, head_rules, HeaderLines(b.header[c]));
          gap("th", c, head_rules);
        }
        h += "</tr></thead>\n<tbody>\n";
        for (std::size_t r = 0; r < shown; ++r) {
          h += "<tr>";
          const std::string_view rules = r + 1 == shown ? kBottomRule : "";
          for (std::size_t c = 0; c < b.rows[r].size(); ++c) {
            std::string content;
            if (c == 0 && r < b.row_colors.size())
              content = "<span style=\"color:" + XmlEscape(b.row_colors[r]) + "\">■</span> ";
            cell("td", c, rules, content + CellHtml(b.rows[r][c]));
            gap("td", c, rules);
          }
          h += "</tr>\n";
        }
        h += "</tbody>\n</table>\n";
        break;
      }
      case ReportBlock::Kind::kFigure: {
        std::string src = picture_source
                              ? picture_source(b.figure)
                              : "data:image/png;base64," + Base64(pictures_.at(b.figure));
        // The caption below the picture in the same paragraph: a page break moves the picture's
        // line to the next page and the caption's line follows it there (pictures leave room
        // for it on their page).
        // Single line height: the body's 1.5 would make the picture's line half as tall again
        // in Qt's layout and push the caption onto the next page.
        h += "<p class=\"figure\" style=\"line-height:100%\"><img src=\"" + XmlEscape(src) +
             "\" alt=\"" + XmlEscape(b.text) + "\"/><br/><span class=\"caption\">" +
             XmlEscape(b.text) + "</span></p>\n";
        break;
      }
    }
  }
  h += "</body>\n</html>\n";
  return h;
}

}  // namespace lindora
