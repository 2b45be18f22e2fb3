// Text files of the program: GBK on disk, UTF-8 in memory, lines ended by CR LF, CR or LF.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

namespace fs = std::filesystem;

// A file that could not be read or written; the message names the path (without "." and ".."
// steps) and the reason in Chinese and is what a window shows to the user.
class FileError : public std::runtime_error {
 public:
  enum class Kind { kRead, kWrite };
  FileError(Kind kind, const fs::path& path, std::string reason);
  Kind kind() const { return kind_; }
  const fs::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  Kind kind_;
  fs::path path_;
  std::string reason_;
};

// The reason of a failed system call in Chinese; errors without their own text name the
// system's error number.
std::string SystemErrorText(int err);

// ProgramFolder + a relative path written with backslashes ("\DB\Fangji.DB"). File names are
// case-insensitive: an existing entry whose name differs only in ASCII case is used.
fs::path ProgramPath(const fs::path& program_folder, std::string_view relative);

// Reads a file line by line without holding it in memory. Lines are raw GBK bytes.
class LineReader {
 public:
  explicit LineReader(const fs::path& path);  // throws FileError when it cannot be opened
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Next line without its line end; false at the end of the file. A file that ends with a
  // line break has no empty last line.
  bool Next(std::string& line);
  const fs::path& path() const { return path_; }

 private:
  bool Fill();
  fs::path path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buf_;
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false;
};

// Calls `fn` with every decoded line; `fn` returns false to stop early.
void ForEachLine(const fs::path& path, const std::function<bool(const std::string&)>& fn);
std::vector<std::string> ReadLines(const fs::path& path);
std::string ReadFileBytes(const fs::path& path);

// Replaces the whole content with `text` + CR LF (an empty text leaves CR LF only). The new
// content is written beside the file and renamed over it, so a failure keeps the old content.
void WriteTextFile(std::string_view text, const fs::path& path);
// Creates the file or cuts it to zero length.
void ClearFile(const fs::path& path);
// Creates the file if missing and appends `text` + CR LF.
void AppendTextFile(std::string_view text, const fs::path& path);

// Writes a new version of a file next to it and renames it over the old one on Commit();
// without Commit() the temporary file is removed and the old file is untouched.
class AtomicFile {
 public:
  explicit AtomicFile(fs::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void WriteLine(std::string_view utf8_text);  // GBK + CR LF
  void WriteBytes(std::string_view bytes);
  void Commit();

 private:
  fs::path target_, temp_;
  std::FILE* file_ = nullptr;
};

// Copies a file over another through a temporary file and a rename.
void CopyFileAtomic(const fs::path& from, const fs::path& to);

}  // namespace lindora
