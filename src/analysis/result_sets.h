// Named result sets: copies of the current result set (\Result\Result.DB) with the search
// history that produced them, kept as \Result\Sets\<name>.DB and <name>.history beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/transactions.h"
#include "common/outcome.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class Session;

inline constexpr std::string_view kResultSetsFolder = "\\Result\\Sets";
// The name that stands for the current result set wherever a set is chosen.
inline constexpr std::string_view kCurrentSetName = ".";
inline constexpr std::string_view kCurrentSetCaption = "当前结果集";

// What is wrong with a name for a new set, or the empty text when it can be used.
std::string CheckSetName(std::string_view name);

// The file of a saved set, or \Result\Result.DB for ".".
std::filesystem::path SetFile(const Session& session, std::string_view name);

// How many formulas (the same record line, blanks at the ends aside) two set files share;
// each formula is counted once. Raises FileError when a file cannot be read.
std::int64_t SharedFormulaCount(const std::filesystem::path& a, const std::filesystem::path& b);
std::filesystem::path SetHistoryFile(const Session& session, std::string_view name);

struct SavedSet {
  std::string name;
  std::int64_t formulas = 0;  // non-blank lines
  std::string history;
  std::string problem;  // why the set cannot be read, or empty
  std::string library;  // the formula library it was searched in
};

// The formula library a set was searched in: a saved set remembers it in <name>.library (none
// for the shipped library); the current set knows it from the state kept with Result.DB, or is
// taken to be from the open library.
std::string SetLibrary(const Session& session, std::string_view name);

// The saved sets by name (code point order). A set whose file cannot be read, or a history
// left without its set, is listed with its problem, never skipped.
std::vector<SavedSet> ListResultSets(const Session& session);
// What is said of a set whose history outlived its records.
std::string OrphanHistoryMessage(std::string_view name);
// One message naming every listed set that cannot be read, or the empty text.
std::string UnreadableSetsMessage(const std::vector<SavedSet>& sets);

// Saves the current result set and the search history under `name`: the name is checked, an
// existing set is replaced only when the user agrees, an empty result set is refused. Both
// files are written beside their targets and put in place together.
Outcome SaveResultSet(Session& session, std::string_view name);

enum class ItemKind { kHerbs, kSymptoms };

// The transactions of a set ("." = the current one). Herbs come from a standardised copy
// written beside the set (<name>.DB.stand, or Result.DB.stand). Raises FileError.
Transactions SetTransactions(Session& session, std::string_view name, ItemKind kind);

// 保存结果集…: asks for a name (the search history is offered) and saves the current result set
// under it; Cancel does nothing.
Outcome AskAndSaveResultSet(Session& session);

}  // namespace lindora
