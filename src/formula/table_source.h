// A user's table of prescriptions read from a workbook (.xlsx), a CSV file or a text file (one
// formula a line), as rows of UTF-8 cells. Problems with the file itself raise SourceError
// with a Chinese message that says what is wrong and what to do.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class SourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SourceTable {
  std::vector<std::vector<std::string>> rows;  // every row of the sheet, the title row too
  std::vector<std::size_t> row_numbers;        // each row's number in the file (1-based)
  std::string format;                          // "xlsx", "csv", "txt"
  std::string encoding;             // as detected: "UTF-8", "UTF-8（带 BOM）", "GB18030"
  std::string separator;            // a CSV's field separator, as a word
  std::string sheet;                // the sheet read from a workbook
  std::vector<std::string> sheets;  // every sheet of a workbook, in order
};

// What one import reads at most, each refused with a message that names it: far beyond any
// table of prescriptions, small enough that a hostile file cannot exhaust a desktop's memory.
struct SourceLimits {
  static constexpr std::size_t kPartBytes = 256u << 20;   // a CSV or text file, a workbook part
  static constexpr std::size_t kTotalBytes = 512u << 20;  // every part read from one workbook
  static constexpr std::size_t kCells =
      5'000'000;  // cells held, empty ones left of a filled one too
  static constexpr std::size_t kCellChars = 32767;  // Excel's own limit per cell
  static constexpr std::size_t kRows = 1'048'576;   // Excel's last row
  static constexpr std::size_t kColumns = 16384;    // Excel's last column, XFD
};

struct SourceOptions {
  std::string sheet;              // a workbook's sheet by name or 1-based number; empty: first
  std::size_t max_rows = 100000;  // more data rows than this are refused
};

// Reads by the extension (.xlsx, .csv, .tsv, .txt); raises SourceError.
SourceTable ReadSourceTable(const std::filesystem::path& path, const SourceOptions& options = {});

// The pieces, for tests and other callers.
SourceTable ReadXlsx(const std::filesystem::path& path, const SourceOptions& options);
SourceTable ReadCsvText(std::string_view bytes, const SourceOptions& options);
SourceTable ReadFormulaLines(std::string_view bytes, const SourceOptions& options);

// Bytes as UTF-8: a UTF-8 text as it is (without a byte-order mark), else GB18030 decoded.
// `encoding` names what was found.
std::string DecodeUserText(std::string_view bytes, std::string* encoding);

// Traditional characters turned into simplified ones (OpenCC, Taiwan/Hong Kong forms too).
std::string ToSimplified(std::string_view text);
// The share of characters that simplification changes (0 when none); a text is proposed for
// conversion when it is clearly above zero.
double TraditionalShare(std::string_view text);

}  // namespace lindora
