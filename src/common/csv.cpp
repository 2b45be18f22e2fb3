#include "common/csv.h"

#include <cstdio>

#include "common/files.h"

namespace lindora {

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string CsvLine(const CsvRow& row) {
  std::string line;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (i) line += ',';
    line += CsvField(row[i]);
  }
  return line;
}

void WriteCsvFile(const std::filesystem::path& path, const std::vector<CsvRow>& rows,
                  CsvOptions options) {
  std::string bytes = options.byte_order_mark ? "\xEF\xBB\xBF" : "";
  const char* end = options.crlf ? "\r\n" : "\n";
  for (const CsvRow& row : rows) bytes += CsvLine(row) + end;
  AtomicFile out(path);
  out.WriteBytes(bytes);
  out.Commit();
}

std::string FixedDecimals(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

}  // namespace lindora
