// The keyword query on arbitrary typed text and record lines (input: query NUL line).
#include "common/gbk.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/keyword_query.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto p = lindora::fuzz::Pieces(data, size, 2);
  std::string typed = lindora::DecodeGbk(p[0]);
  std::string line = lindora::DecodeGbk(p[1]);
  std::string cleaned = lindora::CleanRecordLine(line);
  if (cleaned.size() > line.size()) __builtin_trap();
  std::string query = lindora::NormalizeQuery(typed);
  std::string comparison = lindora::UpperCase(lindora::Trim(cleaned));
  lindora::QueryProgram program(query);
  for (bool exclude : {false, true}) {
    if (program.Match(comparison, exclude) != lindora::MatchRecord(query, comparison, exclude))
      __builtin_trap();
  }
  return 0;
}
