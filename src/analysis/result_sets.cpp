#include "analysis/result_sets.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_set>

#include "analysis/standardize.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/herb_list.h"
#include "formula/library.h"

namespace lindora {

namespace {

constexpr std::string_view kSetExtension = ".DB";
constexpr std::string_view kHistoryExtension = ".history";
// Leaves room for the extensions within the 255 bytes a file name may have.
constexpr std::size_t kMaxNameBytes = 200;

bool SameIgnoringCase(std::string_view x, std::string_view y) {
  return x.size() == y.size() && UpperCase(x) == UpperCase(y);
}

std::string Quoted(std::string_view name) {
  return "“" + std::string(name) + "”";
}

std::int64_t CountRecords(const fs::path& file) {
  std::int64_t n = 0;
  ForEachLine(file, [&](const std::string& line) {
    if (!Trim(line).empty()) ++n;
    return true;
  });
  return n;
}

std::string ReadHistory(const fs::path& file) {
  std::vector<std::string> lines = ReadLines(file);
  return lines.empty() ? std::string() : lines.front();
}

}  // namespace

std::string CheckSetName(std::string_view name) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) return "结果集名称不能为空。";
  if (trimmed.find_first_of("/\\") != std::string::npos)
    return "结果集名称不能包含路径分隔符（/ 或 \\）。";
  if (trimmed == "." || trimmed == "..") return "结果集名称不能是“.”或“..”。";
  if (HasHiddenCharacters(trimmed)) return "结果集名称不能包含控制字符或看不见的字符。";
  if (trimmed.size() > kMaxNameBytes) return "结果集名称太长。";
  return {};
}

std::filesystem::path SetFile(const Session& session, std::string_view name) {
  if (name == kCurrentSetName) return session.Path(kResultFilePath);
  return session.Path(std::string(kResultSetsFolder) + "\\" + Trim(name) +
                      std::string(kSetExtension));
}

std::int64_t SharedFormulaCount(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::unordered_set<std::string> in_a;
  ForEachLine(a, [&](const std::string& line) {
    std::string record = Trim(line);
    if (!record.empty()) in_a.insert(std::move(record));
    return true;
  });
  std::int64_t shared = 0;
  ForEachLine(b, [&](const std::string& line) {
    // Erased when found, so a formula listed twice in B counts once.
    shared += static_cast<std::int64_t>(in_a.erase(Trim(line)));
    return true;
  });
  return shared;
}

std::filesystem::path SetHistoryFile(const Session& session, std::string_view name) {
  return session.Path(std::string(kResultSetsFolder) + "\\" + Trim(name) +
                      std::string(kHistoryExtension));
}

namespace {
fs::path LibraryFile(const Session& session, std::string_view name) {
  return session.Path(std::string(kResultSetsFolder) + "\\" + Trim(name) + ".library");
}
}  // namespace

std::vector<SavedSet> ListResultSets(const Session& session) {
  std::map<std::string, SavedSet> sets;
  std::map<std::string, fs::path> histories;
  const fs::path folder = session.Path(kResultSetsFolder);
  std::error_code ec;
  if (!fs::exists(folder, ec)) return {};
  fs::directory_iterator it(folder, ec);
  if (ec) throw FileError(FileError::Kind::kRead, folder, SystemErrorText(ec.value()));
  for (const fs::directory_entry& entry : it) {
    const std::string file = entry.path().filename().string();
    auto ends_with = [&](std::string_view ext) {
      return file.size() > ext.size() &&
             SameIgnoringCase(std::string_view(file).substr(file.size() - ext.size()), ext);
    };
    if (ends_with(kSetExtension)) {
      std::string name = file.substr(0, file.size() - kSetExtension.size());
      sets[name].name = name;
    } else if (ends_with(kHistoryExtension)) {
      histories[file.substr(0, file.size() - kHistoryExtension.size())] = entry.path();
    }
  }
  for (auto& [name, set] : sets) {
    try {
      set.formulas = CountRecords(SetFile(session, name));
      auto h = histories.find(name);
      if (h != histories.end()) set.history = ReadHistory(h->second);
      set.library = SetLibrary(session, name);
    } catch (const FileError& e) {
      set.problem = e.what();
    }
  }
  // A history without its set means the set's records are gone.
  for (const auto& [name, path] : histories) {
    if (sets.count(name)) continue;
    SavedSet& set = sets[name];
    set.name = name;
    set.problem = OrphanHistoryMessage(name);
  }
  std::vector<SavedSet> list;
  list.reserve(sets.size());
  for (auto& [name, set] : sets) list.push_back(std::move(set));
  return list;
}

std::string SetLibrary(const Session& session, std::string_view name) {
  if (name == kCurrentSetName) {
    // The library the set was searched in, as kept with it; a set of an older result folder is
    // taken to be from the open library.
    const ResultSetState state = ReadResultSetState(session);
    return state.known ? state.library : OpenLibraryName(session);
  }
  std::error_code ec;
  const fs::path file = LibraryFile(session, name);
  if (!fs::exists(file, ec)) return std::string(kShippedLibraryName);
  return Trim(ReadFileBytes(file));
}

std::string OrphanHistoryMessage(std::string_view name) {
  return "结果集" + Quoted(name) + "只剩搜索历史，方剂文件已不存在。";
}

std::string UnreadableSetsMessage(const std::vector<SavedSet>& sets) {
  std::string message;
  for (const SavedSet& set : sets) {
    if (set.problem.empty()) continue;
    if (message.empty()) message = "以下结果集无法读取：";
    message += "\n" + set.name + "：" + set.problem;
  }
  return message;
}

Outcome SaveResultSet(Session& session, std::string_view name) {
  if (std::string problem = CheckSetName(name); !problem.empty()) return Refuse(session, problem);
  const std::string trimmed = Trim(name);
  return Guard(session, [&]() -> Outcome {
    const fs::path source = session.Path(kResultFilePath);
    std::error_code ec;
    if (!fs::exists(source, ec) || CountRecords(source) == 0)
      return Refuse(session, "当前结果集为空，没有可保存的方剂。请先搜索方剂或导入方剂列表。");
    const fs::path target = SetFile(session, trimmed);
    if (fs::exists(target, ec) &&
        !session.dialogs().AskYesNo("结果集" + Quoted(trimmed) + "已存在，是否替换？"))
      return Outcome::kRefused;
    const fs::path folder = session.Path(kResultSetsFolder);
    fs::create_directories(folder, ec);
    if (ec) throw FileError(FileError::Kind::kWrite, folder, SystemErrorText(ec.value()));
    // The records, their history and their library are one unit: all new or all old.
    AtomicFileSet files;
    files.Add(target).WriteBytes(ReadFileBytes(source));
    files.Add(SetHistoryFile(session, trimmed)).WriteLine(session.SearchHistory);
    const fs::path library_file = LibraryFile(session, trimmed);
    const std::string library = SetLibrary(session, kCurrentSetName);
    if (library != kShippedLibraryName) files.Add(library_file).WriteBytes(library);
    files.Commit();
    if (library == kShippedLibraryName)
      fs::remove(library_file, ec);  // a replaced set from an imported library
    return Outcome::kDone;
  });
}

Outcome AskAndSaveResultSet(Session& session) {
  std::string offered = CheckSetName(session.SearchHistory).empty() ? session.SearchHistory : "";
  std::string name = session.dialogs().Input("请输入结果集名称：", offered, "保存结果集");
  if (name.empty()) return Outcome::kDone;  // Cancel
  const Outcome saved = SaveResultSet(session, name);
  // A save is otherwise invisible: say what was kept and where.
  if (saved == Outcome::kDone)
    session.dialogs().Message(
        "已保存结果集" + Quoted(Trim(name)) + "（" +
            std::to_string(CountRecords(SetFile(session, name))) + " 首方剂，搜索历史：" +
            (session.SearchHistory.empty() ? "（无）" : session.SearchHistory) +
            "），可在“结果集比较”中选用。文件：" + SetFile(session, name).string(),
        "保存结果集");
  return saved;
}

Transactions SetTransactions(Session& session, std::string_view name, ItemKind kind) {
  const fs::path file = SetFile(session, name);
  if (kind == ItemKind::kSymptoms) return ReadSymptomTransactions(file);
  fs::path stand = file;
  stand += ".stand";
  StandardResultFile(file, stand, HerbListSource::ForSession(session));
  return ReadHerbTransactions(stand);
}

}  // namespace lindora
