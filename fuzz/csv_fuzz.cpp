// The CSV and one-formula-a-line readers and the text decoding on arbitrary bytes: every
// refusal is a SourceError, and what is read keeps the limits.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formula/table_source.h"

namespace {

void Check(const lindora::SourceTable& table) {
  if (table.rows.size() != table.row_numbers.size() || table.rows.empty()) __builtin_trap();
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    if (table.rows[r].empty() || table.rows[r].size() > lindora::SourceLimits::kColumns)
      __builtin_trap();
    if (r > 0 && table.row_numbers[r] <= table.row_numbers[r - 1]) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lindora::SourceOptions options;
  options.max_rows = 50;
  try {
    Check(lindora::ReadCsvText(bytes, options));
  } catch (const lindora::SourceError&) {
  }
  try {
    Check(lindora::ReadFormulaLines(bytes, options));
  } catch (const lindora::SourceError&) {
  }
  try {
    std::string encoding;
    lindora::DecodeUserText(bytes, &encoding);
    if (encoding.empty()) __builtin_trap();
  } catch (const lindora::SourceError&) {
  }
  return 0;
}
