// Importing a user's prescriptions into a formula library: rows of a workbook, CSV or text file
// become records of a new DB/<name>/Fangji.DB in the shipped style (herb, processing in
// brackets, dose with unit), their herb names reconciled through the name dictionary. Rows that
// cannot be used are refused with their row number and reason; the library is written whole or
// not at all.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "common/analysis_list.h"
#include "formula/name_dictionary.h"
#include "formula/table_source.h"

namespace lindora {

class Session;

// Columns are 0-based; -1 when absent. A composition may be spread over several columns.
struct ImportColumns {
  int name = -1;
  std::vector<int> composition;
  int indications = -1, source = -1, diagnosis = -1;
};

struct ImportOptions {
  std::string library;
  SourceOptions source;
  int header = -1;  // whether the first row holds titles: -1 guess, 0 no, 1 yes
  bool columns_given = false;
  ImportColumns columns;        // used when columns_given, else guessed
  int simplify = -1;            // traditional → simplified: -1 when detected, 0 never, 1 always
  bool keep_processed = false;  // 炙甘草 stays apart from 甘草
  bool replace = false;         // an imported library of that name may be replaced
  bool classical = false;       // doses in classical units: analyses default to 汉制 13.8 g
  const std::atomic<bool>* cancel = nullptr;
};

struct RefusedRow {
  std::size_t row = 0;
  std::string reason, content;
};

// A row whose name an earlier row has, with another composition: kept under a name of its own.
struct RenamedRow {
  std::size_t row = 0, first_row = 0;  // the row, and the first row with that name
  std::string name, imported_as;       // 自拟方 → 自拟方（2）
};

struct UnresolvedName {
  std::string name;
  std::size_t count = 0;
  std::string example;  // the first formula that uses it
  std::vector<NameSuggestion> suggestions;
};

// What the dialog shows before importing: the table, its guessed layout and the proposal.
struct ImportPreview {
  SourceTable table;
  bool header = false;
  ImportColumns columns;
  double traditional_share = 0;
  bool propose_simplify = false;
  // Why the name and composition columns could not be told apart, or empty. Set only when the
  // layout was guessed; an import refuses to guess on.
  std::string layout_doubt;
};

struct ImportResult {
  std::string library;
  std::filesystem::path folder;
  ImportPreview preview;
  bool simplified = false;
  std::size_t rows_read = 0, imported = 0, refused_count = 0;
  std::size_t mentions = 0;
  std::size_t resolved = 0;  // by the dictionary itself
  std::size_t decided = 0;   // by the user's decisions in the name table
  std::vector<RefusedRow> refused;
  std::vector<RenamedRow> renamed;
  std::vector<UnresolvedName> unresolved;  // most frequent first
  std::size_t unresolved_with_suggestion = 0;
};

// Column letters ("A", "AB") or 1-based numbers; -1 when neither.
int ParseColumn(std::string_view text);
std::string ColumnName(int column);

// Reads the file and guesses the layout (throws SourceError). Titles name the columns; without
// them the composition is the column whose cells hold the herb names the dictionary knows, and
// a text file is name, TAB, composition (, TAB, indications).
ImportPreview PreviewImport(const std::filesystem::path& file, const ImportOptions& options,
                            const NameDictionary& dictionary);
// Imports into DB/<options.library>/; throws SourceError for a refused file or name, FileError
// when writing fails. Nothing is left behind when it throws or is cancelled.
ImportResult RunImport(Session& session, const std::filesystem::path& file,
                       const ImportOptions& options);
ImportResult RunImport(Session& session, const std::filesystem::path& file,
                       const ImportOptions& options, const NameDictionary& dictionary);

// The summary the CLI prints and the dialog shows.
std::string ImportSummary(const ImportResult& result);
// The import as result tables (counts, refused rows, unresolved names), for any presenter.
AnalysisOutput ImportOutput(const ImportResult& result);

}  // namespace lindora
