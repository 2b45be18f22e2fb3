// Keyword search over the formula database or the current result set. Keywords are plain
// substrings of the whole record; blanks mean AND, a minus or NOT negates, OR glued to a
// keyword or standing alone before one makes an OR term; terms are folded left to right
// without precedence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class Session;

inline constexpr std::string_view kEmptyQueryMessage = "检索关键字不能为空";
// What the search history says of a result set that is the whole open library.
inline constexpr std::string_view kAllFormulasHistory = "全部方剂";
inline constexpr std::string_view kNoPreviousResultsMessage =
    "您选中“在结果中检索”，但检索前并没有检索结果";

// The typed text rewritten into the AND form, upper-cased and trimmed: 「麻黄 -桂枝」 gives
// 「麻黄 AND NOT 桂枝」. It is both the matching program and the text kept in the history.
std::string NormalizeQuery(std::string_view typed);
// The normalized query as the history and captions show it: an OR term reads 「麻黄 OR 桂枝」
// as typed, not in the program form 「麻黄 AND OR桂枝」; AND and NOT stay spelled out.
std::string QueryAsWritten(std::string_view normalized);

enum class MatchResult {
  kNotSelected,
  kCleanedLine,     // select the record as it stands (after the clean-up)
  kComparisonLine,  // select it (a multi-term match; written like a single-term one)
};

// One term of a multi-term query.
struct QueryTerm {
  std::string keyword;  // without OR / NOT, trimmed; may be empty
  bool negated = false;
  bool is_or = false;
};

// A normalized query taken apart once, then matched against many lines.
class QueryProgram {
 public:
  explicit QueryProgram(std::string_view normalized_query);
  bool SingleTerm() const { return single_; }
  const std::vector<QueryTerm>& Terms() const { return terms_; }
  // `comparison_line` is the cleaned line upper-cased and trimmed of blanks.
  MatchResult Match(std::string_view comparison_line, bool exclude) const;

 private:
  bool single_ = true;
  std::string keyword_;  // the whole query, for a single term
  std::vector<QueryTerm> terms_;
};

// Matches one line with a query given as text (see QueryProgram for the fast form).
MatchResult MatchRecord(std::string_view normalized_query, std::string_view comparison_line,
                        bool exclude);

struct QueryOutcome {
  enum class Status {
    kEmptyText,          // nothing typed: nothing changed
    kNoPreviousResults,  // search in results without a backup: the grid is to be cleared
    kFailed,             // a file could not be read or written: nothing changed
    kCompleted,
  };
  Status status = Status::kEmptyText;
  std::int64_t count = 0;
  std::string message;  // what to show the user unless completed
  std::string query;    // the normalized query
};

// Runs a query end to end: reads the source (the database, or the backup of the result set
// when searching in results), writes the selected records as the new result set and its
// backup, and extends the session's search history. A source that cannot be read or a result
// folder that cannot be written leaves result file, backup and history as they were.
QueryOutcome RunQuery(Session& session, std::string_view typed, bool search_in_results,
                      bool exclude);
// Takes every formula of the open library (single-herb prescriptions too) as the result set;
// the history then reads 全部方剂.
QueryOutcome RunQueryAll(Session& session);

// After another library was opened: a result set searched in a different library is searched
// again in the open one when its recipe is made of searches only, and emptied otherwise. Returns
// what was done, in Chinese, or the empty text when the set already belongs to the open library.
// A set of unknown origin (an older result folder) is emptied only when `unknown_is_foreign`.
// Throws FileError.
std::string FitResultSetToLibrary(Session& session, bool unknown_is_foreign);

}  // namespace lindora
