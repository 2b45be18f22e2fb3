// CSV files for spreadsheets and network tools: UTF-8 (optionally with a byte-order mark so
// that Excel detects it), CR LF line ends, fields quoted when they hold a comma, a quote or a
// line break. Written beside the target and renamed over it, so a failure keeps the old file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

using CsvRow = std::vector<std::string>;

// One field as CSV writes it: control characters dropped (common/text.h), and a text that a
// spreadsheet would take for a formula (first character =, +, -, @, TAB or CR) written with a
// leading apostrophe so that it shows as text; numbers ("-1.5", "+3") stay numbers.
std::string CsvField(std::string_view text);
// The fields joined by commas, without the line end.
std::string CsvLine(const CsvRow& row);

struct CsvOptions {
  bool byte_order_mark = true;
  bool crlf = true;
};

// The bytes of a CSV file with these rows (header first).
std::string CsvText(const std::vector<CsvRow>& rows, CsvOptions options = {});

// Writes the rows (header first) to `path` atomically; raises FileError on failure.
void WriteCsvFile(const std::filesystem::path& path, const std::vector<CsvRow>& rows,
                  CsvOptions options = {});

// A number with a fixed count of decimals ("12.50"), as the result files print them.
std::string FixedDecimals(double value, int decimals);

}  // namespace lindora
