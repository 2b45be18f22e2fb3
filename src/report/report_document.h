// A report as a list of blocks (headings, paragraphs, tables, figures) and its HTML form.
// The same HTML serves the browser file (pictures embedded as data addresses) and the PDF
// (pictures handed to the typesetter by name), so both show the same content.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

struct ReportBlock {
  enum class Kind { kHeading, kParagraph, kPreformatted, kTable, kFigure };
  Kind kind = Kind::kParagraph;
  int level = 2;     // headings: 1 for the title, 2 for sections, 3 below
  std::string text;  // heading, paragraph, preformatted text, or the figure's caption
  std::string lang;  // "zh" or "en" for a paragraph in one language, else empty
  std::vector<std::string> header;             // tables
  std::vector<std::vector<std::string>> rows;  // tables
  std::vector<std::string> row_colors;         // tables: a colour mark before a row ("#rrggbb")
  std::string name;       // tables: what the table holds, for the workbook's sheet name
  std::size_t shown = 0;  // tables: the first rows the page shows; the workbook has them all
  std::string figure;     // figures: the picture's name ("fig3.png")
};

class ReportDocument {
 public:
  void Heading(std::string text, int level = 2);
  void Paragraph(std::string text, std::string lang = {});
  void Preformatted(std::string text);
  // Every row of a table; the HTML and PDF show the first `shown`, the workbook all of them.
  void Table(std::vector<std::string> header, std::vector<std::vector<std::string>> rows,
             std::vector<std::string> row_colors = {}, std::string name = {},
             std::size_t shown = static_cast<std::size_t>(-1));
  // A picture (PNG bytes) under a name unique in the document, with its caption.
  void Figure(std::string name, std::string png, std::string caption);

  // The workbook of the report reads the tables in order.
  const std::vector<ReportBlock>& Blocks() const { return blocks_; }
  const std::map<std::string, std::string>& Pictures() const { return pictures_; }
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // The whole document as one HTML page. `picture_source` gives the address of a picture
  // from its name; the default embeds the PNG bytes as a data address.
  std::string Html(const std::function<std::string(const std::string&)>& picture_source = {}) const;

 private:
  std::string title_;
  std::vector<ReportBlock> blocks_;
  std::map<std::string, std::string> pictures_;
};

std::string Base64(std::string_view bytes);

}  // namespace lindora
