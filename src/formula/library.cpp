#include "formula/library.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <system_error>

#include "common/files.h"
#include "common/folder_swap.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"

namespace lindora {

namespace {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsLibraryName(std::string_view name) {
  return !name.empty() && name != kShippedLibraryName;
}

// The open library of each session. It lives here rather than in Session, which every part of
// the program includes and which knows nothing of libraries; an entry also names the program
// folder, so a later session that happens to reuse an address never inherits a stale choice.
struct OpenChoice {
  std::filesystem::path program_folder;
  std::string name;
};
std::mutex open_mutex;
std::map<const Session*, OpenChoice>& OpenChoices() {
  static std::map<const Session*, OpenChoice> choices;
  return choices;
}

std::string OpenName(const Session& session) {
  std::lock_guard lock(open_mutex);
  const auto& choices = OpenChoices();
  auto it = choices.find(&session);
  return it != choices.end() && it->second.program_folder == session.ProgramFolder()
             ? it->second.name
             : std::string();
}

void SetOpenName(const Session& session, std::string name) {
  std::lock_guard lock(open_mutex);
  if (name.empty())
    OpenChoices().erase(&session);
  else
    OpenChoices()[&session] = {session.ProgramFolder(), std::move(name)};
}

}  // namespace

std::filesystem::path LibraryFolder(const Session& session, std::string_view name) {
  return session.Path("\\DB") / std::filesystem::path(std::string(name));
}

std::filesystem::path FormulaDbFile(const Session& session) {
  const std::string open = OpenName(session);
  if (!IsLibraryName(open)) return session.Path(kFormulaDbPath);
  return LibraryFolder(session, open) / "Fangji.DB";
}

std::string OpenLibraryName(const Session& session) {
  const std::string open = OpenName(session);
  return IsLibraryName(open) ? open : std::string(kShippedLibraryName);
}

bool OpenLibraryIsClassical(const Session& session) {
  const std::string open = OpenName(session);
  if (!IsLibraryName(open)) return true;
  std::error_code error;
  return std::filesystem::exists(LibraryFolder(session, open) / std::string(kClassicalDosesFile),
                                 error);
}

std::size_t CountFormulas(const std::filesystem::path& formula_db) {
  std::size_t count = 0;
  try {
    LineReader reader(formula_db);
    std::string line;
    while (reader.Next(line)) count += !TrimView(line).empty();
  } catch (const FileError&) {
    return 0;
  }
  return count;
}

std::string LibraryLabel(const Session& session) {
  return "方剂库：" + OpenLibraryName(session) + "（" +
         std::to_string(CountFormulas(FormulaDbFile(session))) + " 首）";
}

std::vector<LibraryInfo> ListLibraries(const Session& session) {
  // Every front end lists the libraries before it offers one, so an import killed half way is
  // mended here too (not only at start), before anything could miss its library.
  RecoverFolderSwaps(session.Path("\\DB"));
  std::vector<LibraryInfo> list;
  LibraryInfo shipped;
  shipped.name = std::string(kShippedLibraryName);
  shipped.shipped = true;
  shipped.formula_db = session.Path(kFormulaDbPath);
  shipped.folder = shipped.formula_db.parent_path();
  shipped.formulas = CountFormulas(shipped.formula_db);
  list.push_back(std::move(shipped));
  std::error_code error;
  std::vector<LibraryInfo> imported;
  for (const auto& entry : std::filesystem::directory_iterator(session.Path("\\DB"), error)) {
    const std::string name = entry.path().filename().string();
    // Folders of an import under way or being replaced start with a dot.
    if (!entry.is_directory() || name.empty() || name[0] == '.') continue;
    LibraryInfo info;
    info.name = name;
    info.folder = entry.path();
    info.formula_db = entry.path() / "Fangji.DB";
    if (!std::filesystem::is_regular_file(info.formula_db)) continue;
    info.formulas = CountFormulas(info.formula_db);
    imported.push_back(std::move(info));
  }
  std::sort(imported.begin(), imported.end(),
            [](const LibraryInfo& a, const LibraryInfo& b) { return a.name < b.name; });
  for (auto& info : imported) list.push_back(std::move(info));
  return list;
}

std::string CheckLibraryName(std::string_view name) {
  const std::string trimmed = Trim(name);
  if (trimmed.empty()) return "请给方剂库起一个名字。";
  if (trimmed == kShippedLibraryName)
    return "“" + trimmed + "”是随程序提供的方剂库，不能被导入覆盖。请换一个名字。";
  if (trimmed != name) return "方剂库的名字不能以空格开头或结尾。";
  if (trimmed == "Ref" || trimmed == "ref") return "“Ref”是程序的数据文件夹，不能用作方剂库名。";
  if (trimmed[0] == '.') return "方剂库的名字不能以“.”开头。";
  for (const char c : trimmed)
    if (std::string_view("\\/:*?\"<>|\t\r\n").find(c) != std::string_view::npos)
      return "方剂库的名字不能含有 \\ / : * ? \" < > | 等字符。";
  if (HasHiddenCharacters(trimmed))
    return "方剂库的名字不能含有控制字符或看不见的字符（如零宽字符、方向控制符）。";
  if (CharLength(trimmed) > 40) return "方剂库的名字太长（最多 40 个字）。";
  return {};
}

std::string CheckLibraryName(const Session& session, std::string_view name) {
  if (std::string problem = CheckLibraryName(name); !problem.empty()) return problem;
  // A library is a folder in DB/: a name of one of the program's data files there would make
  // an import (or its --replace) take that file's place.
  const std::string wanted = AsciiLower(name);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(session.Path("\\DB"), error)) {
    std::error_code kind_error;
    if (entry.symlink_status(kind_error).type() == std::filesystem::file_type::directory) continue;
    if (AsciiLower(entry.path().filename().string()) == wanted)
      return "“" + std::string(name) + "”是程序数据文件夹 DB 中的文件，不能用作方剂库名。";
  }
  return {};
}

std::string OpenLibrary(Session& session, std::string_view name) {
  if (name.empty() || name == kShippedLibraryName) {
    SetOpenName(session, {});
    return {};
  }
  if (!std::filesystem::is_regular_file(LibraryFolder(session, name) / "Fangji.DB"))
    return "没有名为“" + std::string(name) +
           "”的方剂库。可用 libraries 命令或“方剂库管理”查看已有的方剂库。";
  SetOpenName(session, std::string(name));
  return {};
}

std::string RenameLibrary(Session& session, std::string_view from, std::string_view to) {
  if (from == kShippedLibraryName) return "随程序提供的方剂库不能改名。";
  if (std::string problem = CheckLibraryName(session, to); !problem.empty()) return problem;
  const auto old_folder = LibraryFolder(session, from), new_folder = LibraryFolder(session, to);
  if (!std::filesystem::is_regular_file(old_folder / "Fangji.DB"))
    return "没有名为“" + std::string(from) + "”的方剂库。";
  if (std::filesystem::exists(new_folder)) return "已有名为“" + std::string(to) + "”的方剂库。";
  std::error_code error;
  std::filesystem::rename(old_folder, new_folder, error);
  if (error) return "方剂库改名失败：" + SystemErrorText(error.value());
  if (OpenName(session) == from) SetOpenName(session, std::string(to));
  return {};
}

std::string DeleteLibrary(Session& session, std::string_view name) {
  if (!IsLibraryName(name)) return "随程序提供的方剂库不能删除。";
  const auto folder = LibraryFolder(session, name);
  if (!std::filesystem::is_regular_file(folder / "Fangji.DB"))
    return "没有名为“" + std::string(name) + "”的方剂库。";
  // Renamed aside first, so a removal that fails half-way leaves no half library in the list.
  const auto aside = folder.parent_path() / ("." + std::string(name) + ".deleted");
  std::error_code error;
  std::filesystem::remove_all(aside, error);
  std::filesystem::rename(folder, aside, error);
  if (error) return "删除方剂库失败：" + SystemErrorText(error.value());
  std::filesystem::remove_all(aside, error);
  if (OpenName(session) == name) SetOpenName(session, {});
  return {};
}

}  // namespace lindora
