// Formula libraries: the formulas shipped in DB/Fangji.DB are one library, and every import
// makes another, a folder DB/<name>/ with a Fangji.DB in the same format and the import's side
// files. One library is open at a time in a session; every search and analysis reads it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class Session;

inline constexpr std::string_view kShippedLibraryName = "伤寒论";
// Side files an import writes beside a library's Fangji.DB (UTF-8).
inline constexpr std::string_view kImportInfoFile = "导入说明.txt";
inline constexpr std::string_view kDecisionsFile = "药名决定.tsv";
inline constexpr std::string_view kRefusedFile = "拒收行.tsv";
inline constexpr std::string_view kExtraColumnsFile = "其他列.tsv";
inline constexpr std::string_view kUnresolvedFile = "未识别药名.tsv";
inline constexpr std::string_view kRenamedFile = "同名改名.tsv";
// Present in an imported library whose doses are in classical units (两 of the Han era); its
// content is a note for whoever opens the folder.
inline constexpr std::string_view kClassicalDosesFile = "古代剂量.txt";

struct LibraryInfo {
  std::string name;
  std::filesystem::path folder, formula_db;
  bool shipped = false;
  std::size_t formulas = 0;
};

// The shipped library first, then the imported ones by name.
std::vector<LibraryInfo> ListLibraries(const Session& session);
// The open library's formula file.
std::filesystem::path FormulaDbFile(const Session& session);
std::string OpenLibraryName(const Session& session);
// Whether the open library's doses are classical: the shipped one is, an import when it was
// marked so.
bool OpenLibraryIsClassical(const Session& session);
// "方剂库：伤寒论（115 首）", for window titles and reports.
std::string LibraryLabel(const Session& session);
// Records of a formula file (its non-empty lines); 0 when it cannot be read.
std::size_t CountFormulas(const std::filesystem::path& formula_db);

// The folder of an imported library of that name (it may not exist yet).
std::filesystem::path LibraryFolder(const Session& session, std::string_view name);
// Empty when `name` can name a new imported library, else why not (in Chinese).
std::string CheckLibraryName(std::string_view name);
// The same, and not the name of a file in the program's DB folder (Fangji.DB, 药名对照.tsv …,
// in any ASCII letter case).
std::string CheckLibraryName(const Session& session, std::string_view name);

// Each returns the empty text, or a Chinese message saying why nothing was done.
std::string OpenLibrary(Session& session, std::string_view name);
std::string RenameLibrary(Session& session, std::string_view from, std::string_view to);
std::string DeleteLibrary(Session& session, std::string_view name);

}  // namespace lindora
