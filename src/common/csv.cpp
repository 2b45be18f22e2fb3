#include "common/csv.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/files.h"
#include "common/text.h"

namespace lindora {

namespace {

bool IsPlainNumber(const std::string& text) {
  if (text.empty() || text.size() > 64) return false;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  // strtod also reads "inf", "nan" and hexadecimal; a spreadsheet reads only decimals.
  return end == text.c_str() + text.size() && std::isfinite(value) &&
         text.find_first_not_of("+-.0123456789eE") == std::string::npos;
}

}  // namespace

std::string CsvField(std::string_view raw) {
  std::string text = DropControlCharacters(raw);
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos &&
      !IsPlainNumber(text))
    text.insert(0, 1, '\'');
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
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

std::string CsvText(const std::vector<CsvRow>& rows, CsvOptions options) {
  std::string bytes = options.byte_order_mark ? "\xEF\xBB\xBF" : "";
  const char* end = options.crlf ? "\r\n" : "\n";
  for (const CsvRow& row : rows) bytes += CsvLine(row) + end;
  return bytes;
}

void WriteCsvFile(const std::filesystem::path& path, const std::vector<CsvRow>& rows,
                  CsvOptions options) {
  AtomicFile out(path);
  out.WriteBytes(CsvText(rows, options));
  out.Commit();
}

std::string FixedDecimals(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

}  // namespace lindora
