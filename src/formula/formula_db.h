// The formula database (one record per line: name, composition, indications, effects, TAB
// separated) and the result set it is searched into.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/files.h"

namespace lindora {

class AtomicFileSet;

class Session;

inline constexpr std::string_view kFormulaDbPath = "\\DB\\Fangji.DB";
inline constexpr std::string_view kResultFilePath = "\\Result\\Result.DB";
inline constexpr std::string_view kResultBackupPath = "\\Result\\Result.DB.bak";

// The whitespace clean-up every matcher applies to a database line: five single-pass
// replacements ("  "→" ", TAB+" "→TAB, TAB+"  "→TAB, " "+TAB→TAB, "  "+TAB→TAB), nothing else.
std::string CleanRecordLine(std::string_view line);
// The same on a buffer that is reused line after line. Works on UTF-8 and on raw GBK bytes
// alike: blanks and TABs never occur inside a GBK double-byte character.
void CleanRecordLineInPlace(std::string& line);

// The line of \DB\Fangji.DB whose name field is the trimmed name, or else the first line that
// contains it anywhere (exact comparison, no clean-up), or the empty text. An empty name
// matches the first line. Throws FileError.
std::string FindFormulaRecord(const Session& session, std::string_view name);
// Looks up many names in one pass over the database; answers in the order of `names`.
// The records as they stand in the file (GBK bytes, no line end), for copying them into a result
// set unchanged: a byte that is no GBK character stays that byte. With `names_only` the fallback
// looks into the names alone: a list of formulas names formulas, and a herb or a unit (芍药, 两)
// in nearly every composition must not bring one in.
std::vector<std::string> FindFormulaRecordsRaw(const Session& session,
                                               const std::vector<std::string>& names,
                                               bool names_only = false);
std::vector<std::string> FindFormulaRecords(const Session& session,
                                            const std::vector<std::string>& names);

// How the current result set was made: the lindora-cli script commands that make it again from
// \DB\Fangji.DB, kept in \Result\Result.DB.recipe together with the size and a hash of the
// Result.DB they made. Empty when the recipe is missing, does not belong to the present
// Result.DB (changed by hand or by an older version), or a step could not be recorded.
std::vector<std::string> ResultSetRecipe(const Session& session);
// How the result set was made, in words ("检索方剂库：'麻黄'；然后在结果中检索：…"), for the
// report's data section and the windows' line about the set they describe.
std::string RecipeText(const std::vector<std::string>& recipe);
// One word for the script reader, in single quotes.
std::string ScriptWord(std::string_view text);

// A whole new result set (Result.DB and its backup, the same bytes) with its recipe.
void WriteResultSetBytes(const Session& session, std::string_view bytes,
                         std::vector<std::string> recipe);

// What the console keeps with the result set between runs: the search history that made it and
// the library it was searched in, in \Result\Result.DB.history, written with Result.DB and
// checked against its size and hash like the recipe. `known` is false when the file is missing
// (a result folder of an older version) or belongs to another Result.DB.
struct ResultSetState {
  bool known = false;
  std::string history;
  std::string library;
};
ResultSetState ReadResultSetState(const Session& session);

// Empties \Result\Result.DB.bak (the formula window does this when it loads).
void ClearResultBackup(const Session& session);

// Writes a new result set: the records go to temporary files beside \Result\Result.DB and its
// backup, and Commit() puts both in place at once. Until then, and if anything fails, the
// previous result set is untouched.
class ResultSetWriter {
 public:
  explicit ResultSetWriter(const Session& session);  // throws FileError
  ~ResultSetWriter();
  ResultSetWriter(const ResultSetWriter&) = delete;
  ResultSetWriter& operator=(const ResultSetWriter&) = delete;

  // One record, UTF-8; written as GBK + CR LF.
  void Add(std::string_view utf8_line);
  // One record that is already GBK bytes (no line end).
  void AddRaw(std::string_view gbk_line);
  // Bytes without a line end, for a last line that has none.
  void AddTail(std::string_view bytes);
  // The script commands that made this set (ResultSetRecipe); without one the set's origin is
  // recorded as unknown.
  void SetRecipe(std::vector<std::string> commands) { recipe_ = std::move(commands); }
  // The search history kept with the set (ReadResultSetState); without one the session's
  // history at Commit() is kept.
  void SetHistory(std::string history) { history_ = std::move(history), history_set_ = true; }
  void Commit();
  std::int64_t Count() const { return count_; }

 private:
  const Session& session_;
  std::unique_ptr<AtomicFileSet> files_;
  AtomicFile* result_;
  AtomicFile* backup_;
  std::string encoded_;
  std::int64_t count_ = 0;
  std::uint64_t size_ = 0, hash_ = kHashStart;
  std::vector<std::string> recipe_;
  std::string history_;
  bool history_set_ = false;

 public:
  static constexpr std::uint64_t kHashStart = 1469598103934665603ull;  // FNV-1a
  static std::uint64_t Hash(std::uint64_t hash, std::string_view bytes);
};

}  // namespace lindora
