#include "formula/keyword_query.h"

#include <cstring>
#include <optional>

#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/library.h"
#include "formula/name_dictionary.h"

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
  // A free-standing OR joins the keyword after it, as a fused 「麻黄OR桂枝」 does; left alone
  // its trailing blank would become an AND and the OR term would be empty.
  q = ReplaceAll(q, " OR ", " OR");
  q = ReplaceAll(q, " ", " AND ");
  q = ReplaceAll(q, "-", " AND NOT ");
  UpperCaseInPlace(q);
  return Trim(q);
}

std::string QueryAsWritten(std::string_view normalized) {
  // The program form joins an OR term with AND (「麻黄 AND OR桂枝」); read aloud that is an
  // AND the user never typed.
  std::string q = ReplaceAll(normalized, " AND OR", " OR ");
  q = ReplaceAll(q, "  ", " ");
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
  // Old character forms match their modern ones (厚朴 finds 厚樸), as names resolve.
  const NameDictionary names = NameDictionary::LoadCharacterForms(session.ProgramFolder());
  const QueryProgram program(names.FoldVariants(outcome.query));
  try {
    LineReader reader(source);  // the source must be readable before anything is replaced
    ResultSetWriter writer(session);
    // The recipe: a new search starts one; a search in the results adds to the one of the set
    // it searched (unknown stays unknown).
    std::vector<std::string> recipe;
    if (search_in_results) recipe = ResultSetRecipe(session);
    if (!search_in_results || !recipe.empty())
      recipe.push_back(std::string("query") + (search_in_results ? " --in-results" : "") +
                       (exclude ? " --exclude" : "") + " -- " + ScriptWord(typed));
    writer.SetRecipe(std::move(recipe));
    // Known before the set is written, so that the history is kept with it.
    std::string history = search_in_results ? session.SearchHistory : std::string();
    std::string connector = search_in_results ? " AND " : "";
    if (exclude) connector += " NOT ";
    const std::string written = QueryAsWritten(outcome.query);
    if ((" " + history + " ").find(written) == std::string::npos) {
      if (!history.empty()) history += connector;
      history += written;
    }
    writer.SetHistory(history);
    std::string raw, line;
    while (reader.Next(raw)) {
      // Blanks and TABs are the same bytes in GBK and UTF-8, so the clean-up runs on the raw
      // line and a record selected as it stands is written back byte for byte.
      CleanRecordLineInPlace(raw);
      DecodeGbkUpperInto(raw, line);
      if (names.FoldsVariants()) line = names.FoldVariants(line);
      std::string_view comparison = TrimView(line);
      switch (program.Match(comparison, exclude)) {
        case MatchResult::kNotSelected: break;
        case MatchResult::kCleanedLine: writer.AddRaw(raw); break;
        // A record keeps its own letter case and blanks however many keywords chose it:
        // upper-casing it here would turn a dose unit such as 「g」 into a new herb name.
        case MatchResult::kComparisonLine: writer.AddRaw(raw); break;
      }
    }
    writer.Commit();
    outcome.count = writer.Count();
    session.SearchHistory = std::move(history);
  } catch (const FileError& e) {
    outcome.status = QueryOutcome::Status::kFailed;
    outcome.message = e.what();
    return outcome;
  }
  outcome.status = QueryOutcome::Status::kCompleted;
  return outcome;
}

QueryOutcome RunQueryAll(Session& session) {
  QueryOutcome outcome;
  outcome.query = kAllFormulasHistory;
  try {
    LineReader reader(FormulaDbFile(session));
    ResultSetWriter writer(session);
    writer.SetRecipe({"query --all"});
    writer.SetHistory(std::string(kAllFormulasHistory));
    std::string raw;
    while (reader.Next(raw)) {
      CleanRecordLineInPlace(raw);
      // A record is any line with something on it, as the library's count has it.
      if (!TrimView(raw).empty()) writer.AddRaw(raw);
    }
    writer.Commit();
    outcome.count = writer.Count();
    session.SearchHistory = kAllFormulasHistory;
  } catch (const FileError& e) {
    outcome.status = QueryOutcome::Status::kFailed;
    outcome.message = e.what();
    return outcome;
  }
  outcome.status = QueryOutcome::Status::kCompleted;
  return outcome;
}

namespace {

// One recorded search step: "query --all" or "query [--in-results] [--exclude] -- 'TEXT'".
struct SearchStep {
  bool all = false, in_results = false, exclude = false;
  std::string text;
};

std::optional<SearchStep> ParseSearchStep(std::string_view command) {
  SearchStep step;
  if (command == "query --all") {
    step.all = true;
    return step;
  }
  const std::size_t words = command.find(" -- ");
  if (!StartsWith(command, "query") || words == std::string_view::npos) return std::nullopt;
  const std::string flags(command.substr(5, words - 5));
  if (flags != "" && flags != " --in-results" && flags != " --in-results --exclude")
    return std::nullopt;
  step.in_results = Contains(flags, "--in-results");
  step.exclude = Contains(flags, "--exclude");
  std::string_view word = command.substr(words + 4);
  if (word.size() < 2 || word.front() != '\'' || word.back() != '\'') return std::nullopt;
  step.text = ReplaceAll(word.substr(1, word.size() - 2), "'\\''", "'");
  return step;
}

}  // namespace

std::string FitResultSetToLibrary(Session& session, bool unknown_is_foreign) {
  const ResultSetState state = ReadResultSetState(session);
  const std::string open = OpenLibraryName(session);
  if (state.known && state.library == open) return {};
  std::int64_t records = 0;
  {
    std::error_code ec;
    if (fs::exists(session.Path(kResultFilePath), ec)) {
      LineReader reader(session.Path(kResultFilePath));
      std::string line;
      while (reader.Next(line)) records += !TrimView(line).empty();
    }
  }
  if (!state.known && (!unknown_is_foreign || records == 0)) return {};
  const std::string from = state.known ? "方剂库“" + state.library + "”" : "来历不明的数据";
  const std::string history = state.history.empty() ? "（无）" : state.history;

  std::vector<SearchStep> steps;
  for (const std::string& command :
       state.known ? ResultSetRecipe(session) : std::vector<std::string>()) {
    std::optional<SearchStep> step = ParseSearchStep(command);
    if (!step) {
      steps.clear();
      break;
    }
    steps.push_back(std::move(*step));
  }
  QueryOutcome last;
  for (const SearchStep& step : steps) {
    last = step.all ? RunQueryAll(session)
                    : RunQuery(session, step.text, step.in_results, step.exclude);
    if (last.status == QueryOutcome::Status::kFailed)
      return "已打开方剂库“" + open + "”，但在其中重新检索原结果集失败：" + last.message;
    // An earlier step found nothing here, so the later ones have nothing to search in.
    if (last.status == QueryOutcome::Status::kNoPreviousResults) {
      last.count = 0;
      last.status = QueryOutcome::Status::kCompleted;
      break;
    }
  }
  if (!steps.empty() && last.status == QueryOutcome::Status::kCompleted)
    return "已打开方剂库“" + open + "”。原结果集（" + std::to_string(records) + " 首，搜索历史：" +
           history + "）来自" + from + "，已按同样的检索在“" + open + "”中重新检索：找到 " +
           std::to_string(last.count) + " 首方剂。";
  // Not made by searches alone (a typed list, a related-formula search, an unknown origin):
  // nothing to redo, so nothing of the old library is kept under the new one's name.
  session.SearchHistory.clear();
  WriteResultSetBytes(session, "", {});
  return "已打开方剂库“" + open + "”。原结果集（" + std::to_string(records) + " 首，搜索历史：" +
         history + "）来自" + from +
         "，不是只由检索得到，无法在新方剂库中重做，已清空；请重新检索或用“全部方剂”。";
}

}  // namespace lindora
