// A workbook as openpyxl reads it (tests/support/read_workbook.py), for checking what the
// program wrote the way a spreadsheet program sees it.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lindora::test {

struct ReadCell {
  std::string type;         // openpyxl's data type: "n" number, "s" text, "f" formula
  std::string format;       // number format ("0.00", "0.00%", "General")
  std::string value;        // numbers as Python's repr of the float
  std::string top, bottom;  // border styles ("medium", "thin", "None")
  bool bold = false;
  bool operator==(const ReadCell&) const = default;
};

struct ReadSheet {
  std::string name, freeze;  // freeze: the top-left cell of the scrolling part ("A3"), or "None"
  int charts = 0, formulas = 0, images = 0;
  std::map<std::pair<int, int>, ReadCell> cells;  // by 1-based row and column
  const ReadCell* At(int row, int col) const;
};

// Nothing when python3 with openpyxl is not installed (the caller skips).
std::optional<std::vector<ReadSheet>> ReadWorkbook(const std::filesystem::path& path);

}  // namespace lindora::test

#define LINDORA_READ_WORKBOOK_OR_SKIP(var, path)                             \
  auto var##_read = ::lindora::test::ReadWorkbook(path);                     \
  if (!var##_read) GTEST_SKIP() << "python3 with openpyxl is not installed"; \
  const std::vector<::lindora::test::ReadSheet>& var = *var##_read
