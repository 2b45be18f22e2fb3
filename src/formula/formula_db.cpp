#include "formula/formula_db.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <optional>

#include "common/gbk.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/library.h"

namespace lindora {

void CleanRecordLineInPlace(std::string& line) {
  // Nearly every record has no blank next to a blank or a TAB: one scan settles that.
  const char* p = line.data();
  const std::size_t n = line.size();
  bool needed = false;
  for (const char* b = static_cast<const char*>(std::memchr(p, ' ', n)); b;) {
    std::size_t i = static_cast<std::size_t>(b - p);
    if ((i + 1 < n && (p[i + 1] == ' ' || p[i + 1] == '\t')) || (i > 0 && p[i - 1] == '\t')) {
      needed = true;
      break;
    }
    b = i + 1 < n ? static_cast<const char*>(std::memchr(b + 1, ' ', n - i - 1)) : nullptr;
  }
  if (!needed) return;
  ReplaceAllInPlace(line, "  ", " ");
  ReplaceAllInPlace(line, "\t ", "\t");
  ReplaceAllInPlace(line, "\t  ", "\t");
  ReplaceAllInPlace(line, " \t", "\t");
  ReplaceAllInPlace(line, "  \t", "\t");
}

std::string CleanRecordLine(std::string_view line) {
  std::string s(line);
  CleanRecordLineInPlace(s);
  return s;
}

std::vector<std::string> FindFormulaRecordsRaw(const Session& session,
                                               const std::vector<std::string>& names,
                                               bool names_only) {
  std::vector<std::string> found(names.size());
  std::vector<std::string> wanted;
  std::vector<std::size_t> open;  // indexes of names still without a record
  wanted.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    wanted.push_back(Trim(names[i]));
    open.push_back(i);
  }
  if (open.empty()) return found;
  // The record whose name is the name wins; the first record that merely contains the name
  // (甘草汤 in 芍药甘草汤) is taken only when no record has it as its name.
  LineReader reader(FormulaDbFile(session));
  std::string raw, line;
  while (!open.empty() && reader.Next(raw)) {
    DecodeGbkInto(raw, line);
    const std::string name = Trim(std::string_view(line).substr(0, line.find('\t')));
    std::size_t keep = 0;
    for (std::size_t k = 0; k < open.size(); ++k) {
      std::size_t i = open[k];
      if (name == wanted[i]) {
        found[i] = raw;
        continue;
      }
      if (found[i].empty() && (names_only ? !wanted[i].empty() && Contains(name, wanted[i])
                                          : Contains(line, wanted[i])))
        found[i] = raw;
      open[keep++] = i;
    }
    open.resize(keep);
  }
  return found;
}

std::vector<std::string> FindFormulaRecords(const Session& session,
                                            const std::vector<std::string>& names) {
  std::vector<std::string> found = FindFormulaRecordsRaw(session, names);
  for (std::string& record : found) record = DecodeGbk(record);
  return found;
}

std::string FindFormulaRecord(const Session& session, std::string_view name) {
  return FindFormulaRecords(session, {std::string(name)}).front();
}

void ClearResultBackup(const Session& session) {
  ClearFile(session.Path(kResultBackupPath));
}

ResultSetWriter::ResultSetWriter(const Session& session)
    : session_(session),
      files_(std::make_unique<AtomicFileSet>()),
      result_(&files_->Add(session.Path(kResultFilePath))),
      backup_(&files_->Add(session.Path(kResultBackupPath))) {}

ResultSetWriter::~ResultSetWriter() = default;

void ResultSetWriter::Add(std::string_view utf8_line) {
  EncodeGbkInto(utf8_line, encoded_);
  AddRaw(encoded_);
}

std::uint64_t ResultSetWriter::Hash(std::uint64_t hash, std::string_view bytes) {
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

void ResultSetWriter::AddRaw(std::string_view gbk_line) {
  hash_ = Hash(Hash(hash_, gbk_line), "\r\n");
  size_ += gbk_line.size() + 2;
  result_->WriteBytes(gbk_line);
  result_->WriteBytes("\r\n");
  backup_->WriteBytes(gbk_line);
  backup_->WriteBytes("\r\n");
  ++count_;
}

namespace {

constexpr char kRecipeHeader[] = "# Lindora Result.DB ";
constexpr char kRecipeUnknown[] = "?";

constexpr char kStateExtension[] = ".history";
constexpr char kStateLibrary[] = "library\t";
constexpr char kStateHistory[] = "history\t";

std::string RecipeHeader(std::uint64_t size, std::uint64_t hash) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return kRecipeHeader + std::to_string(size) + " " + hex;
}

std::string OneLine(std::string_view text) {
  return ReplaceAll(ReplaceAll(text, "\r", " "), "\n", " ");
}

// The lines of a companion file of Result.DB after its header, or nothing when the header does
// not name the present Result.DB (missing, changed by hand, or written by an older version).
std::optional<std::vector<std::string>> CompanionLines(const Session& session,
                                                       std::string_view extension) {
  const fs::path result = session.Path(kResultFilePath);
  fs::path file = result;
  file += std::string(extension);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || !fs::is_regular_file(result, ec)) return std::nullopt;
  std::vector<std::string> lines = ReadLines(file);
  if (lines.empty()) return std::nullopt;
  // A size that differs settles it; else the bytes are hashed piece by piece, as a result set
  // of 100,000 formulas is not worth holding whole for this.
  const std::uint64_t size = fs::file_size(result, ec);
  if (ec || !StartsWith(lines.front(), kRecipeHeader + std::to_string(size) + " "))
    return std::nullopt;
  std::ifstream in(result, std::ios::binary);
  std::uint64_t hash = ResultSetWriter::kHashStart;
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
    hash = ResultSetWriter::Hash(
        hash, std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
  if (in.bad() || !in.eof()) throw FileError(FileError::Kind::kRead, result, "读取失败");
  if (lines.front() != RecipeHeader(size, hash)) return std::nullopt;
  lines.erase(lines.begin());
  return lines;
}

}  // namespace

void ResultSetWriter::Commit() {
  // The result file, its backup and its recipe are one unit: all new or all old.
  AtomicFile& recipe = files_->Add(result_->target().string() + ".recipe");
  recipe.WriteLine(RecipeHeader(size_, hash_));
  if (recipe_.empty()) recipe.WriteLine(kRecipeUnknown);
  for (const std::string& command : recipe_) recipe.WriteLine(command);
  // The history and library travel with the set, so a later run can search in it.
  AtomicFile& state = files_->Add(result_->target().string() + kStateExtension);
  state.WriteLine(RecipeHeader(size_, hash_));
  state.WriteLine(std::string(kStateLibrary) + OpenLibraryName(session_));
  state.WriteLine(std::string(kStateHistory) +
                  OneLine(history_set_ ? history_ : session_.SearchHistory));
  files_->Commit();
}

void WriteResultSetBytes(const Session& session, std::string_view bytes,
                         std::vector<std::string> recipe) {
  ResultSetWriter writer(session);
  writer.SetRecipe(std::move(recipe));
  // Whole lines through AddRaw; a last piece without a line end goes in as it is.
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string_view::npos) {
      writer.AddTail(bytes.substr(start));
      break;
    }
    writer.AddRaw(bytes.substr(start, end - start));
    start = end + 2;
  }
  writer.Commit();
}

void ResultSetWriter::AddTail(std::string_view bytes) {
  hash_ = Hash(hash_, bytes);
  size_ += bytes.size();
  result_->WriteBytes(bytes);
  backup_->WriteBytes(bytes);
}

std::vector<std::string> ResultSetRecipe(const Session& session) {
  std::optional<std::vector<std::string>> lines = CompanionLines(session, ".recipe");
  if (!lines) return {};
  for (const std::string& line : *lines)
    if (line == kRecipeUnknown) return {};
  return std::move(*lines);
}

ResultSetState ReadResultSetState(const Session& session) {
  ResultSetState state;
  std::optional<std::vector<std::string>> lines = CompanionLines(session, kStateExtension);
  if (!lines) return state;
  for (const std::string& line : *lines) {
    if (StartsWith(line, kStateLibrary))
      state.library = line.substr(std::strlen(kStateLibrary));
    else if (StartsWith(line, kStateHistory))
      state.history = line.substr(std::strlen(kStateHistory));
  }
  state.known = !state.library.empty();
  return state;
}

std::string RecipeText(const std::vector<std::string>& recipe) {
  if (recipe.empty())
    return "未知（Result.DB 不是由本程序记录了步骤的检索或导入生成的，或生成后被改动过）；"
           "下面的脚本不含生成结果集的步骤";
  std::string text;
  for (const std::string& command : recipe) {
    if (!text.empty()) text += "；然后";
    if (StartsWith(command, "query --in-results --exclude"))
      text += "在结果中排除：";
    else if (StartsWith(command, "query --in-results"))
      text += "在结果中检索：";
    else if (StartsWith(command, "query"))
      text += "检索方剂库：";
    else if (StartsWith(command, "import-formulas"))
      text += "导入方剂列表：";
    else if (StartsWith(command, "related-formulas"))
      text += "相关方剂检索：";
    const std::size_t words = command.find(" -- ");
    text += words == std::string::npos ? command : command.substr(words + 4);
  }
  return text;
}

std::string ScriptWord(std::string_view text) {
  return "'" + ReplaceAll(text, "'", "'\\''") + "'";
}

}  // namespace lindora
