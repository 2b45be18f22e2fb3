// The printed report as a reader gets it: lindora-cli writes the report of the shipped formulas
// with 桂枝, and the PDF's text and pictures are read back with poppler's tools.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "common/text.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

#ifdef LINDORA_CLI_PICTURES

// Runs a shell command and returns its standard output; nothing when it fails.
std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::array<char, 4096> buffer;
  while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
  return pclose(pipe) == 0 ? out : std::string();
}

std::string Quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

TEST(ReportPrintTest, TablesReadAsTablesAndPicturesPrintSharp) {
  if (Output("command -v pdftotext pdfimages").empty()) GTEST_SKIP() << "poppler-utils missing";
  test::TestFolder folder(std::filesystem::path(LINDORA_SOURCE_DIR) / "data");
  const std::string cli = Quoted(std::filesystem::path(LINDORA_BIN_DIR) / "lindora-cli") +
                          " --root " + Quoted(folder.root()) + " ";
  const std::filesystem::path pdf = folder / "Result/报告.pdf";
  ASSERT_FALSE(Output(cli + "query 麻黄 && " + cli + "save-set 麻黄方 && " + cli +
                      "query 桂枝 && " + cli +
                      "report --sections data,herbs,rules,network,symptoms,doses,comparison "
                      "--compare 麻黄方 . --compare-doses --min-count 3 --date 2026-12-08 --pdf " +
                      Quoted(pdf) + " 2>&1")
                   .empty());
  const std::string text = Output("pdftotext -layout " + Quoted(pdf) + " -");
  ASSERT_FALSE(text.empty());
  const std::string html = folder.ReadBytes("Result/分析报告.html");

  // The data section names the set as the windows do.
  EXPECT_NE(html.find("结果集 桂枝（45 首方剂，方剂库 伤寒论）"), std::string::npos);

  // Every row the HTML shows of a wide table (doses, the dose test's P values in e-notation)
  // and of the narrow ones (herbs, symptoms) comes out as one line of the PDF's text with the
  // same cells, each apart from the next: no row runs into its neighbour column, none is split
  // across a page, no digit is lost.
  const std::regex row("<tr>(.*?)</tr>"), cell("<td(?! class=\"gap\")[^>]*>(.*?)</td>");
  for (const char* section :
       {"用药剂量</h2>", "中药频数</h2>", "症状频数</h2>", "两个结果集都有剂量的中药"}) {
    const std::size_t at = html.find(section);
    ASSERT_NE(at, std::string::npos) << section;
    const std::string body =
        html.substr(html.find("<tbody>", at), html.find("</tbody>", at) - html.find("<tbody>", at));
    int rows = 0;
    for (std::sregex_iterator r(body.begin(), body.end(), row), e; r != e; ++r) {
      const std::string cells = (*r)[1];
      std::string pattern = "(^|\\n) *";
      for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != e; ++c) {
        // The cell's text without its markup (a span, a zero-width space, an escaped "<").
        const std::string plain =
            ReplaceAll(std::regex_replace(std::string((*c)[1]), std::regex("<[^>]*>|&#x200B;"), ""),
                       "&lt;", "<");
        const std::string value =
            std::regex_replace(plain, std::regex(R"([.*+?()\[\]{}|\\^$])"), "\\$&");
        pattern +=
            (c == std::sregex_iterator(cells.begin(), cells.end(), cell) ? "" : " +") + value;
      }
      EXPECT_TRUE(std::regex_search(text, std::regex(pattern + " *\\n"))) << pattern;
      ++rows;
    }
    EXPECT_GE(rows, 10) << section;
  }
  // The headers' cells apart too.
  EXPECT_TRUE(std::regex_search(text, std::regex("中药 +单位 +有剂量 +最小值 +第一四 +中位数")));
  EXPECT_TRUE(std::regex_search(text, std::regex("序号 +中药名 +频数")));

  // Pictures lossless, at 300 pixels per inch or more where they print.
  const std::vector<std::string> images =
      Split(Output("pdfimages -list " + Quoted(pdf) + " | tail -n +3"), "\n");
  int pictures = 0;
  std::vector<int> on_page;  // pictures per page
  for (const std::string& line : images) {
    std::vector<std::string> f;
    for (const std::string& w : Split(line, " "))
      if (!w.empty()) f.push_back(w);
    if (f.size() < 14 || f[2] != "image") continue;  // soft masks
    ++pictures;
    EXPECT_NE(f[8], "jpeg") << line;
    EXPECT_GE(std::stoi(f[12]), 300) << line;
    const auto page = static_cast<std::size_t>(std::stoi(f[0]));
    if (on_page.size() < page) on_page.resize(page);
    ++on_page[page - 1];
  }
  EXPECT_GE(pictures, 4);
  // Every caption on the page of its picture: as many captions on a page as pictures.
  const std::vector<std::string> pages = Split(text, "\f");
  for (std::size_t p = 0; p < pages.size(); ++p) {
    int captions = 0;
    for (const std::string& line : Split(pages[p], "\n"))
      captions += StartsWith(Trim(line), "图：");
    EXPECT_EQ(captions, p < on_page.size() ? on_page[p] : 0) << "page " << p + 1;
  }
}

#endif

}  // namespace
}  // namespace lindora
