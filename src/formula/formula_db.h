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

// The first line of \DB\Fangji.DB that contains the trimmed name anywhere (exact comparison,
// no clean-up), or the empty text. An empty name matches the first line. Throws FileError.
std::string FindFormulaRecord(const Session& session, std::string_view name);
// Looks up many names in one pass over the database; answers in the order of `names`.
std::vector<std::string> FindFormulaRecords(const Session& session,
                                            const std::vector<std::string>& names);

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
  void Commit();
  std::int64_t Count() const { return count_; }

 private:
  std::unique_ptr<AtomicFileSet> files_;
  AtomicFile* result_;
  AtomicFile* backup_;
  std::string encoded_;
  std::int64_t count_ = 0;
};

}  // namespace lindora
