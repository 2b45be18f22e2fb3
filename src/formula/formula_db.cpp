#include "formula/formula_db.h"

#include <unistd.h>

#include <cstring>

#include "common/gbk.h"
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

std::vector<std::string> FindFormulaRecords(const Session& session,
                                            const std::vector<std::string>& names) {
  std::vector<std::string> found(names.size());
  std::vector<std::string> wanted;
  std::vector<std::size_t> open;  // indexes of names still without a record
  wanted.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    wanted.push_back(Trim(names[i]));
    open.push_back(i);
  }
  if (open.empty()) return found;
  LineReader reader(FormulaDbFile(session));
  std::string raw, line;
  while (!open.empty() && reader.Next(raw)) {
    DecodeGbkInto(raw, line);
    std::size_t keep = 0;
    for (std::size_t k = 0; k < open.size(); ++k) {
      std::size_t i = open[k];
      if (line.find(wanted[i]) != std::string::npos)
        found[i] = line;
      else
        open[keep++] = i;
    }
    open.resize(keep);
  }
  return found;
}

std::string FindFormulaRecord(const Session& session, std::string_view name) {
  return FindFormulaRecords(session, {std::string(name)}).front();
}

void ClearResultBackup(const Session& session) {
  ClearFile(session.Path(kResultBackupPath));
}

ResultSetWriter::ResultSetWriter(const Session& session)
    : result_path_(session.Path(kResultFilePath)),
      result_(std::make_unique<AtomicFile>(session.Path(kResultFilePath))),
      backup_(std::make_unique<AtomicFile>(session.Path(kResultBackupPath))) {}

ResultSetWriter::~ResultSetWriter() = default;

void ResultSetWriter::Add(std::string_view utf8_line) {
  EncodeGbkInto(utf8_line, encoded_);
  AddRaw(encoded_);
}

void ResultSetWriter::AddRaw(std::string_view gbk_line) {
  result_->WriteBytes(gbk_line);
  result_->WriteBytes("\r\n");
  backup_->WriteBytes(gbk_line);
  backup_->WriteBytes("\r\n");
  ++count_;
}

void ResultSetWriter::Commit() {
  // Both temporaries are complete before either rename. Should the backup's rename fail after
  // the result file's succeeded, the previous result file is put back from a hard link, so the
  // pair never gets out of step.
  fs::path saved = result_path_;
  saved += ".old" + std::to_string(::getpid());
  std::error_code ec;
  fs::remove(saved, ec);
  bool have_saved = false;
  if (fs::is_regular_file(result_path_, ec)) {
    fs::create_hard_link(result_path_, saved, ec);
    have_saved = !ec;
  }
  try {
    result_->Commit();
  } catch (...) {
    if (have_saved) fs::remove(saved, ec);
    throw;
  }
  try {
    backup_->Commit();
  } catch (...) {
    if (have_saved)
      fs::rename(saved, result_path_, ec);
    else
      fs::remove(result_path_, ec);
    throw;
  }
  if (have_saved) fs::remove(saved, ec);
}

}  // namespace lindora
