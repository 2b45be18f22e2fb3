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
  ASSERT_FALSE(Output(cli + "query 桂枝 && " + cli +
                      "report --sections herbs,rules,network,doses --date 2026-12-08 --pdf " +
                      Quoted(pdf) + " 2>&1")
                   .empty());
  const std::string text = Output("pdftotext -layout " + Quoted(pdf) + " -");
  ASSERT_FALSE(text.empty());
  const std::string html = folder.ReadBytes("Result/分析报告.html");

  // Every row of the dose table the HTML shows comes out as one line of the PDF's text with the
  // same cells, each apart from the next.
  const std::size_t doses = html.find("用药剂量</h2>");
  ASSERT_NE(doses, std::string::npos);
  const std::string body =
      html.substr(html.find("<tbody>", doses), html.find("</tbody>", doses) - doses);
  const std::regex row("<tr>(.*?)</tr>"), cell("<td[^>]*>(.*?)</td>");
  int rows = 0;
  for (std::sregex_iterator r(body.begin(), body.end(), row), e; r != e; ++r) {
    const std::string cells = (*r)[1];
    std::string pattern = "(^|\\n) *";
    for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != e; ++c) {
      const std::string value =
          std::regex_replace(std::string((*c)[1]), std::regex(R"([.*+?()\[\]{}|\\^$])"), "\\$&");
      pattern += (c == std::sregex_iterator(cells.begin(), cells.end(), cell) ? "" : " +") + value;
    }
    EXPECT_TRUE(std::regex_search(text, std::regex(pattern + " *\\n"))) << pattern;
    ++rows;
  }
  EXPECT_GE(rows, 20);
  // The header's cells apart too.
  EXPECT_TRUE(std::regex_search(text, std::regex("中药 +单位 +有剂量 +最小值 +第一四 +中位数")));

  // Pictures lossless, at 300 pixels per inch or more where they print.
  const std::vector<std::string> images =
      Split(Output("pdfimages -list " + Quoted(pdf) + " | tail -n +3"), "\n");
  int pictures = 0;
  for (const std::string& line : images) {
    std::vector<std::string> f;
    for (const std::string& w : Split(line, " "))
      if (!w.empty()) f.push_back(w);
    if (f.size() < 14 || f[2] != "image") continue;  // soft masks
    ++pictures;
    EXPECT_NE(f[8], "jpeg") << line;
    EXPECT_GE(std::stoi(f[12]), 300) << line;
  }
  EXPECT_GE(pictures, 3);
}

#endif

}  // namespace
}  // namespace lindora
