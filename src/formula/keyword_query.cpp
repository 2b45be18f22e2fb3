#include "formula/keyword_query.h"

#include <cstring>

#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/library.h"

namespace lindora {

namespace {

bool Occurs(std::string_view line, std::string_view keyword) {
  if (keyword.empty()) return !line.empty();
  if (keyword.size() > line.size()) return false;
  return ::memmem(line.data(), line.size(), keyword.data(), keyword.size()) != nullptr;
}

}  // namespace

std::string NormalizeQuery(std::string_view typed) {
  std::string q = Trim(TypedBlanks(typed));
  q = ReplaceAll(q, "  ", " ");
  q = ReplaceAll(q, " - ", "-");
  q = ReplaceAll(q, " -", "-");
  q = ReplaceAll(q, " AND ", " ");
  q = ReplaceAll(q, " NOT ", "-");
  q = ReplaceAll(q, " ", " AND ");
  q = ReplaceAll(q, "-", " AND NOT ");
  UpperCaseInPlace(q);
  return Trim(q);
}

QueryProgram::QueryProgram(std::string_view query) {
  std::string q2 = ReplaceAll(query, "OR", " AND OR");
  if (q2.find("AND") == std::string::npos) {
    keyword_.assign(query);
    return;
  }
  single_ = false;
  for (const std::string& term : Split(q2, "AND")) {
    QueryTerm t;
    t.keyword = Trim(ReplaceAll(ReplaceAll(term, "OR", ""), "NOT", ""));
    t.negated = term.find("NOT") != std::string::npos;
    t.is_or = term.find("OR") != std::string::npos;
    terms_.push_back(std::move(t));
  }
}

MatchResult QueryProgram::Match(std::string_view line, bool exclude) const {
  if (single_) {
    bool contains = Occurs(line, keyword_);
    return contains != exclude ? MatchResult::kCleanedLine : MatchResult::kNotSelected;
  }
  bool verdict = true;
  for (const QueryTerm& t : terms_) {
    if (t.is_or) {
      if (!verdict) verdict = Occurs(line, t.keyword) != t.negated;
    } else if (verdict && Occurs(line, t.keyword) == t.negated) {
      verdict = false;
    }
  }
  return verdict ? MatchResult::kComparisonLine : MatchResult::kNotSelected;
}

MatchResult MatchRecord(std::string_view query, std::string_view line, bool exclude) {
  return QueryProgram(query).Match(line, exclude);
}

QueryOutcome RunQuery(Session& session, std::string_view typed, bool search_in_results,
                      bool exclude) {
  QueryOutcome outcome;
  if (Trim(TypedBlanks(typed)).empty()) {
    outcome.message = kEmptyQueryMessage;
    return outcome;
  }
  fs::path source = search_in_results ? session.Path(kResultBackupPath) : FormulaDbFile(session);
  if (search_in_results) {
    std::error_code ec;
    auto size = fs::file_size(source, ec);
    if (ec || size == 0) {
      outcome.status = QueryOutcome::Status::kNoPreviousResults;
      outcome.message = kNoPreviousResultsMessage;
      return outcome;
    }
  }
  outcome.query = NormalizeQuery(typed);
  const QueryProgram program(outcome.query);
  try {
    LineReader reader(source);  // the source must be readable before anything is replaced
    ResultSetWriter writer(session);
    std::string raw, line;
    while (reader.Next(raw)) {
      // Blanks and TABs are the same bytes in GBK and UTF-8, so the clean-up runs on the raw
      // line and a record selected as it stands is written back byte for byte.
      CleanRecordLineInPlace(raw);
      DecodeGbkUpperInto(raw, line);
      std::string_view comparison = TrimView(line);
      switch (program.Match(comparison, exclude)) {
        case MatchResult::kNotSelected: break;
        case MatchResult::kCleanedLine: writer.AddRaw(raw); break;
        case MatchResult::kComparisonLine: writer.Add(comparison); break;
      }
    }
    writer.Commit();
    outcome.count = writer.Count();
  } catch (const FileError& e) {
    outcome.status = QueryOutcome::Status::kFailed;
    outcome.message = e.what();
    return outcome;
  }

  std::string history = search_in_results ? session.SearchHistory : std::string();
  std::string connector = search_in_results ? " AND " : "";
  if (exclude) connector += " NOT ";
  if ((" " + history + " ").find(outcome.query) == std::string::npos) {
    if (!history.empty()) history += connector;
    history += outcome.query;
  }
  session.SearchHistory = std::move(history);
  outcome.status = QueryOutcome::Status::kCompleted;
  return outcome;
}

}  // namespace lindora
