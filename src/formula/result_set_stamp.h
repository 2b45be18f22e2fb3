// Which result set an analysis window describes: the search history and formula count when it
// ran, and the result file as it was then, to tell when a new query has made it stale.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "common/outcome.h"

namespace lindora {

class Session;

struct ResultSetStamp {
  std::string history;
  std::int64_t formulas = 0;
  std::filesystem::file_time_type time{};
  std::uintmax_t size = 0;
  bool taken = false;
};
ResultSetStamp StampResultSet(const Session& session, std::int64_t formulas);
// True when the result file is no longer the one stamped (a query, an import, a deletion).
bool ResultSetChanged(const Session& session, const ResultSetStamp& stamp);
// 「结果集 麻黄 AND 桂枝（49 首方剂）」, for a window's title.
std::string ResultSetCaption(const ResultSetStamp& stamp);

// What a window shows about the result set its tables describe, and how to fill them again
// from the current one. A window filled from anything else (a typed list, a compound) forgets
// it, and then shows nothing about result sets.
class DescribedSet {
 public:
  using Rerun = std::function<Outcome(Session&)>;
  // The current result set, its formulas counted as its non-blank lines.
  void Take(const Session& session, Rerun rerun);
  void Forget() { *this = DescribedSet(); }
  bool Taken() const { return stamp_.taken; }
  bool Stale(const Session& session) const { return ResultSetChanged(session, stamp_); }
  // The set for a window's title, with the analysis's own count of the formulas it used.
  std::string Caption(std::int64_t formulas) const;
  // The line a window shows: the set, and a warning once a new query has made it stale; empty
  // when nothing was taken.
  std::string Text(const Session& session) const;
  // Runs the analysis again on the current result set; refused when there is nothing to rerun.
  Outcome RunAgain(Session& session) const;

 private:
  ResultSetStamp stamp_;
  Rerun rerun_;
};

}  // namespace lindora
