// The workbook reader on damaged workbooks. An input that starts like a zip archive is read as
// it is; any other is split at NUL bytes into the sheet, the shared strings and the workbook's
// sheet list, packed into a well-formed archive, so that the mutations reach the XML handling
// rather than dying on a checksum. Every refusal is a SourceError; what is read keeps the limits.
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>

#include "formula/table_source.h"
#include "fuzz_input.h"

namespace fs = std::filesystem;

namespace {

void Pack(const fs::path& path, const std::vector<std::string>& pieces) {
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets>" + pieces[2] +
                              "<sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
       "</Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet><sheetData>" + pieces[0] + "</sheetData></worksheet>"},
      {"xl/sharedStrings.xml", "<sst>" + pieces[1] + "</sst>"}};
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) __builtin_trap();
  for (const auto& [name, xml] : parts) {
    zip_source_t* source = zip_source_buffer(archive, xml.data(), xml.size(), 0);
    if (zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) __builtin_trap();
    zip_set_file_compression(archive, zip_uint64_t(zip_name_locate(archive, name.c_str(), 0)),
                             ZIP_CM_STORE, 0);
  }
  if (zip_close(archive) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path path =
      fs::temp_directory_path() / ("lindora-fuzz-xlsx-" + std::to_string(::getpid()) + ".xlsx");
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.starts_with("PK")) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  } else {
    Pack(path, lindora::fuzz::Pieces(data, size, 3));
  }
  try {
    lindora::SourceOptions options;
    const lindora::SourceTable table = lindora::ReadXlsx(path, options);
    if (table.rows.size() != table.row_numbers.size() || table.rows.empty()) __builtin_trap();
    for (const auto& row : table.rows)
      if (row.size() > lindora::SourceLimits::kColumns || row.empty()) __builtin_trap();
    options.sheet = "2";
    lindora::ReadXlsx(path, options);
  } catch (const lindora::SourceError&) {
  }
  return 0;
}
