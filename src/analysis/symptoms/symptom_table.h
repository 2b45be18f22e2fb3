// Symptom frequency of the current result set: the indications of every formula cut into
// phrases, equal phrases counted, most frequent first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lindora {

struct SymptomTable {
  std::vector<std::string> Symptom;
  std::vector<std::int64_t> CountSymptom;
  std::size_t NumSymptom() const { return Symptom.size(); }
  long skipped_lines = 0;  // non-empty lines without an indications field
};

// Reads the (unstandardised) result file: each non-empty line with at least three fields has
// field 2 cut by StandardSymptoms and split at "，"; empty items are skipped. Sorted with
// SortByCount. Raises FileError when the file cannot be read.
SymptomTable CountSymptoms(const std::filesystem::path& result_file);

}  // namespace lindora
