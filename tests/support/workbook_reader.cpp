#include "support/workbook_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "common/process.h"
#include "common/text.h"

namespace lindora::test {

namespace {
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    } else {
      out += s[i];
    }
  }
  return out;
}
}  // namespace

const ReadCell* ReadSheet::At(int row, int col) const {
  auto it = cells.find({row, col});
  return it == cells.end() ? nullptr : &it->second;
}

std::optional<std::vector<ReadSheet>> ReadWorkbook(const std::filesystem::path& path) {
  // Debian's own interpreter first: python3-openpyxl is installed for it.
  auto python = FindExecutable("/usr/bin/python3", "python3");
  if (!python) return std::nullopt;
  ProcessOutput run = RunProcess(
      *python, {std::string(LINDORA_SOURCE_DIR) + "/tests/support/read_workbook.py", path.string()},
      std::chrono::seconds(120));
  if (run.result.exit_code == 3) return std::nullopt;
  EXPECT_TRUE(run.result.ok()) << run.out;
  std::vector<ReadSheet> sheets;
  std::istringstream lines(run.out);
  bool ended = false;
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f = Split(line, "\t");
    if (line == "end") {
      ended = true;
    } else if (f[0] == "sheet" && f.size() == 6) {
      sheets.push_back(
          {Unescape(f[1]), f[2], std::stoi(f[3]), std::stoi(f[4]), std::stoi(f[5]), {}});
    } else if (f[0] == "cell" && f.size() == 9 && !sheets.empty()) {
      sheets.back().cells[{std::stoi(f[1]), std::stoi(f[2])}] =
          ReadCell{f[3], f[4], Unescape(f[8]), f[6], f[7], f[5] == "1"};
    } else {
      ADD_FAILURE() << "unexpected line from the workbook reader: " << line;
    }
  }
  // The process runner keeps the first MiB of output: a larger workbook is not read whole.
  EXPECT_TRUE(ended) << "the workbook reader's output was cut short: " << path;
  return sheets;
}

}  // namespace lindora::test
