#include "formula/result_set_stamp.h"

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/library.h"

namespace lindora {

namespace fs = std::filesystem;

namespace {

// The result file's time and size, which change with every new result set.
void StampFile(const Session& session, ResultSetStamp& stamp) {
  const fs::path file = session.Path(kResultFilePath);
  std::error_code ec;
  stamp.time = fs::last_write_time(file, ec);
  stamp.size = fs::file_size(file, ec);
  if (ec) stamp.size = 0;
}

// Counted on the raw bytes: no GBK trail byte is a blank, so nothing needs decoding.
std::int64_t CountResultFormulas(const Session& session) {
  std::int64_t formulas = 0;
  try {
    LineReader reader(session.Path(kResultFilePath));
    std::string line;
    while (reader.Next(line)) formulas += !Trim(line).empty();
  } catch (const FileError&) {
    // A missing result file holds no formulas; a stamp of it says stale once one appears.
  }
  return formulas;
}

}  // namespace

ResultSetStamp StampResultSet(const Session& session, std::int64_t formulas) {
  ResultSetStamp stamp;
  ResultSetState state;
  try {
    state = ReadResultSetState(session);
  } catch (const FileError&) {
    // Unreadable now: the open library and the session's history name the set.
  }
  stamp.library = state.known ? state.library : OpenLibraryName(session);
  // The herb-pair analysis empties the session's history; the history kept with the set, or
  // else the steps recorded with it, still tell how it was made.
  stamp.history = !session.SearchHistory.empty() ? session.SearchHistory : state.history;
  if (stamp.history.empty()) {
    std::vector<std::string> recipe;
    try {
      recipe = ResultSetRecipe(session);
    } catch (const FileError&) {
      // An unreadable recipe describes nothing; the analysis itself has read the set.
    }
    stamp.history = recipe.empty() ? "（来源未记录）" : RecipeText(recipe);
  }
  stamp.formulas = formulas;
  StampFile(session, stamp);
  stamp.taken = true;
  return stamp;
}

bool ResultSetChanged(const Session& session, const ResultSetStamp& stamp) {
  if (!stamp.taken) return false;
  ResultSetStamp now;
  StampFile(session, now);
  return now.time != stamp.time || now.size != stamp.size;
}

std::string ResultSetCaption(const ResultSetStamp& stamp) {
  return "结果集 " + stamp.history + "（" + std::to_string(stamp.formulas) + " 首方剂，方剂库 " +
         stamp.library + "）";
}

std::string CurrentResultSetCaption(const Session& session) {
  return ResultSetCaption(StampResultSet(session, CountResultFormulas(session)));
}

void DescribedSet::Take(const Session& session, Rerun rerun) {
  stamp_ = StampResultSet(session, CountResultFormulas(session));
  rerun_ = std::move(rerun);
}

std::string DescribedSet::Caption(std::int64_t formulas) const {
  ResultSetStamp stamp = stamp_;
  stamp.formulas = formulas;
  return ResultSetCaption(stamp);
}

std::string DescribedSet::Text(const Session& session) const {
  if (!Taken()) return {};
  if (Stale(session))
    return "⚠ 检索结果已更新，此处仍是旧的" + ResultSetCaption(stamp_) + "：点“重新分析”";
  return "分析对象：" + ResultSetCaption(stamp_);
}

Outcome DescribedSet::RunAgain(Session& session) const {
  if (!rerun_) return Refuse(session, "此窗口的内容不是由结果集分析得到的，无法重新分析。");
  return rerun_(session);
}

}  // namespace lindora
