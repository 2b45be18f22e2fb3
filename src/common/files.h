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
  // The position of the first CR or LF in buf_[from, len_), len_ when there is none.
  std::size_t FindEnd(std::size_t from);
  fs::path path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buf_;
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false;
  std::size_t lf_ = 0;  // the first LF at or after the last search, len_ for none
  bool lf_known_ = false;
};

// Calls `fn` with every decoded line; `fn` returns false to stop early.
void ForEachLine(const fs::path& path, const std::function<bool(const std::string&)>& fn);
std::vector<std::string> ReadLines(const fs::path& path);
std::string ReadFileBytes(const fs::path& path);

// Replaces the whole content with `text` + CR LF (an empty text leaves CR LF only). The new
// content is written beside the file and renamed over it, so a failure keeps the old content.
void WriteTextFile(std::string_view text, const fs::path& path);
// Replaces the file by an empty one, through the same writer (a link is refused, not followed).
void ClearFile(const fs::path& path);
// Creates the file if missing and appends `text` + CR LF; a link or a non-regular file is refused.
void AppendTextFile(std::string_view text, const fs::path& path);

// The one writer of the program's files. The new content goes into a fresh temporary file
// with an unpredictable name in the target's folder (created exclusively, never through a
// link); every write is checked and the data reaches the disk before the temporary is renamed
// over the target on Commit(). Without Commit() the temporary is removed and the old file is
// untouched. A target that exists and is not a regular file (folder, device, FIFO, link) is
// refused when the writer is made.
class AtomicFile {
 public:
  explicit AtomicFile(fs::path target);  // throws FileError
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void WriteLine(std::string_view utf8_text);  // GBK + CR LF
  void WriteBytes(std::string_view bytes);
  void Commit();
  // The first half of Commit(): the content is on disk under the temporary name. Used to
  // publish several files together (AtomicFileSet in common/safe_write.h).
  void Finish();
  const fs::path& target() const { return target_; }
  const fs::path& temporary() const { return temp_; }

 private:
  void Flush();
  void Discard() noexcept;
  fs::path target_, temp_;
  int fd_ = -1;
  bool finished_ = false;
  std::string buffer_;
};

// Copies a file over another through a temporary file and a rename.
void CopyFileAtomic(const fs::path& from, const fs::path& to);

}  // namespace lindora
