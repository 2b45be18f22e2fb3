#include "common/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

#include "common/gbk.h"
#include "common/safe_write.h"
#include "common/text.h"

namespace lindora {

FileError::FileError(Kind kind, const fs::path& path, std::string reason)
    : std::runtime_error((kind == Kind::kRead ? "无法读取文件 " : "无法写入文件 ") +
                         path.lexically_normal().string() + "：" + reason),
      kind_(kind),
      path_(path),
      reason_(std::move(reason)) {}

std::string SystemErrorText(int err) {
  switch (err) {
    case ENOENT: return "文件不存在";
    case EACCES:
    case EPERM: return "没有权限";
    case ENOSPC: return "磁盘空间不足";
    case EDQUOT: return "超出磁盘配额";
    case EROFS: return "文件系统只读";
    case EISDIR: return "这是一个文件夹，不是文件";
    case ENOTDIR: return "路径中有一段不是文件夹";
    case EFBIG: return "文件太大";
    case ENAMETOOLONG: return "文件名太长";
    case ELOOP: return "符号链接层数太多";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case EBUSY:
    case ETXTBSY: return "文件正被占用";
    case EEXIST: return "文件已存在";
    case EIO: return "读写设备出错";
    case ENOMEM: return "内存不足";
    case EINVAL: return "文件名或参数无效";
    case EXDEV: return "不能跨文件系统改名";
  }
  return "系统错误，错误号 " + std::to_string(err);
}

namespace {

std::string ErrnoText(int err) {
  return SystemErrorText(err);
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

constexpr char kNotRegular[] = "不是普通文件（可能是管道、设备或链接），不能读写";

// The reason for a file of another type than a regular file.
std::string FileTypeText(mode_t mode) {
  if (S_ISDIR(mode)) return ErrnoText(EISDIR);
  if (S_ISLNK(mode)) return "这是一个符号链接，为安全起见不写入链接";
  return kNotRegular;
}

// Opens a file for reading; a FIFO or a device is refused instead of blocking on it.
std::FILE* OpenForRead(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw FileError(FileError::Kind::kRead, path, ErrnoText(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = errno;
    const bool stat_failed = !S_ISREG(st.st_mode) && st.st_mode == 0;
    ::close(fd);
    throw FileError(FileError::Kind::kRead, path,
                    stat_failed ? ErrnoText(err) : FileTypeText(st.st_mode));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    const int err = errno;
    ::close(fd);
    throw FileError(FileError::Kind::kRead, path, ErrnoText(err));
  }
  return f;
}

std::mutex fault_mutex;
WriteFault write_fault;

int InjectedFault(const fs::path& target, std::string_view step) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  return write_fault ? write_fault(target, step) : 0;
}

// Writes everything or fails with the errno of the failing call.
int WriteFully(int fd, std::string_view bytes, const fs::path& target) {
  while (!bytes.empty()) {
    if (int err = InjectedFault(target, "write")) {
      // A full disk takes part of the data before it refuses the rest.
      (void)!::write(fd, bytes.data(), bytes.size() / 2);
      return err;
    }
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

mode_t NewFileMode() {
  static const mode_t mode = [] {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

std::string RandomSuffix() {
  static std::mutex mutex;
  static std::mt19937_64 engine{std::random_device{}()};
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::lock_guard<std::mutex> lock(mutex);
  std::string out(8, 'a');
  for (char& c : out) c = kChars[engine() % 36];
  return out;
}

}  // namespace

fs::path ProgramPath(const fs::path& program_folder, std::string_view relative) {
  fs::path result = program_folder;
  for (const std::string& part : Split(relative, "\\")) {
    if (part.empty()) continue;
    fs::path exact = result / part;
    std::error_code ec;
    if (!fs::exists(exact, ec) && fs::is_directory(result, ec)) {
      for (const auto& entry : fs::directory_iterator(result, ec)) {
        if (SameIgnoringAsciiCase(entry.path().filename().string(), part)) {
          exact = entry.path();
          break;
        }
      }
    }
    result = exact;
  }
  return result;
}

LineReader::LineReader(const fs::path& path) : path_(path), buf_(1 << 16) {
  file_ = OpenForRead(path);
}

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  lf_known_ = false;
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, len_ - pos_);
    len_ -= pos_;
    pos_ = 0;
  }
  if (len_ == buf_.size()) buf_.resize(buf_.size() * 2);
  std::size_t got = std::fread(buf_.data() + len_, 1, buf_.size() - len_, file_);
  if (got == 0) {
    if (std::ferror(file_)) throw FileError(FileError::Kind::kRead, path_, ErrnoText(errno));
    eof_ = true;
    return false;
  }
  len_ += got;
  return true;
}

std::size_t LineReader::FindEnd(std::size_t from) {
  // The next LF is remembered: a file whose lines end with CR alone would otherwise have the
  // rest of the buffer searched for an LF at every line.
  if (!lf_known_ || lf_ < from) {
    const void* lf = std::memchr(buf_.data() + from, '\n', len_ - from);
    lf_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - buf_.data()) : len_;
    lf_known_ = true;
  }
  const void* cr = std::memchr(buf_.data() + from, '\r', lf_ - from);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - buf_.data()) : lf_;
}

bool LineReader::Next(std::string& line) {
  std::size_t scanned = 0;
  while (true) {
    const char* start = buf_.data() + pos_;
    const std::size_t avail = len_ - pos_;
    const std::size_t i = FindEnd(pos_ + scanned) - pos_;
    if (i < avail && !(start[i] == '\r' && i + 1 == avail && !eof_)) {
      line.assign(start, i);
      std::size_t end = i + 1;
      if (start[i] == '\r' && end < avail && start[end] == '\n') ++end;
      pos_ += end;
      return true;
    }
    scanned = i;  // a CR at the end is looked at again with the next byte
    if (!Fill()) {
      if (len_ == pos_) return false;
      const char* rest = buf_.data() + pos_;
      std::size_t n = len_ - pos_;
      if (n && rest[n - 1] == '\r') {  // a lone CR at the very end
        line.assign(rest, n - 1);
      } else {
        line.assign(rest, n);
      }
      pos_ = len_;
      return true;
    }
  }
}

void ForEachLine(const fs::path& path, const std::function<bool(const std::string&)>& fn) {
  LineReader reader(path);
  std::string raw;
  while (reader.Next(raw)) {
    if (!fn(DecodeGbk(raw))) break;
  }
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  ForEachLine(path, [&](const std::string& l) {
    lines.push_back(l);
    return true;
  });
  return lines;
}

std::string ReadFileBytes(const fs::path& path) {
  std::FILE* f = OpenForRead(path);
  std::string data;
  char buf[1 << 16];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, got);
  bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) throw FileError(FileError::Kind::kRead, path, ErrnoText(EIO));
  return data;
}

void WriteTextFile(std::string_view text, const fs::path& path) {
  AtomicFile out(path);
  out.WriteLine(text);
  out.Commit();
}

void ClearFile(const fs::path& path) {
  AtomicFile(path).Commit();
}

void AppendTextFile(std::string_view text, const fs::path& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  0666);
  if (fd < 0) {
    const int err = errno;
    throw FileError(FileError::Kind::kWrite, path,
                    err == ELOOP ? FileTypeText(S_IFLNK) : ErrnoText(err));
  }
  struct stat st {};
  int err = ::fstat(fd, &st) != 0 ? errno : 0;
  std::string reason;
  if (!err && !S_ISREG(st.st_mode)) {
    reason = FileTypeText(st.st_mode);
  } else if (err || (err = WriteFully(fd, EncodeGbk(text) + "\r\n", path)) != 0 ||
             (::fsync(fd) != 0 && (err = errno) != EINVAL)) {
    reason = ErrnoText(err);
  }
  if (::close(fd) != 0 && reason.empty() && errno != EINTR) reason = ErrnoText(errno);
  if (!reason.empty()) throw FileError(FileError::Kind::kWrite, path, reason);
}

void SetWriteFault(WriteFault fault) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  write_fault = std::move(fault);
}

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
  struct stat st {};
  if (::lstat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw FileError(FileError::Kind::kWrite, target_, FileTypeText(st.st_mode));
  fs::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  // The name does not depend on the target's, so a long target name still has room for it;
  // the process id lets a later run tell a killed run's leftovers from a live run's files.
  const std::string prefix = ".lindora-" + std::to_string(::getpid()) + "-";
  int err = InjectedFault(target_, "create");
  for (int attempt = 0; !err && fd_ < 0 && attempt < 100; ++attempt) {
    fs::path candidate = folder / (prefix + RandomSuffix() + ".tmp");
    // O_EXCL with O_CREAT never follows a link: a name that exists, link or not, is skipped.
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      temp_ = std::move(candidate);
    } else if (errno != EEXIST) {
      err = errno;
    }
  }
  if (fd_ < 0) throw FileError(FileError::Kind::kWrite, target_, ErrnoText(err ? err : EEXIST));
  ::fchmod(fd_, NewFileMode());
}

AtomicFile::~AtomicFile() {
  Discard();
}

void AtomicFile::Discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void AtomicFile::Flush() {
  if (buffer_.empty()) return;
  const int err = WriteFully(fd_, buffer_, target_);
  buffer_.clear();
  if (err) {
    Discard();
    throw FileError(FileError::Kind::kWrite, target_, ErrnoText(err));
  }
}

void AtomicFile::WriteBytes(std::string_view bytes) {
  if (fd_ < 0 || finished_)
    throw FileError(FileError::Kind::kWrite, target_, "文件已写完或已放弃，不能再写入");
  constexpr std::size_t kBuffer = 1 << 16;
  if (buffer_.size() + bytes.size() > kBuffer) Flush();
  if (bytes.size() < kBuffer) {
    buffer_.append(bytes);
    return;
  }
  if (const int err = WriteFully(fd_, bytes, target_)) {
    Discard();
    throw FileError(FileError::Kind::kWrite, target_, ErrnoText(err));
  }
}

void AtomicFile::WriteLine(std::string_view utf8_text) {
  std::string bytes = EncodeGbk(utf8_text);
  bytes += "\r\n";
  WriteBytes(bytes);
}

void AtomicFile::Finish() {
  if (finished_) return;
  if (fd_ < 0) throw FileError(FileError::Kind::kWrite, target_, "文件已放弃，不能再写入");
  Flush();
  int err = InjectedFault(target_, "sync");
  // A file system without fsync (EINVAL) keeps the data as well as it can.
  if (!err && ::fsync(fd_) != 0 && errno != EINVAL) err = errno;
  if (!err && ::close(fd_) != 0 && errno != EINTR)
    err = errno;
  else if (err)
    ::close(fd_);
  fd_ = -1;
  if (err) {
    Discard();
    throw FileError(FileError::Kind::kWrite, target_, ErrnoText(err));
  }
  finished_ = true;
}

void AtomicFile::Commit() {
  if (temp_.empty() && finished_) return;  // already in place
  Finish();
  int err = InjectedFault(target_, "rename");
  if (!err && ::rename(temp_.c_str(), target_.c_str()) != 0) err = errno;
  if (err) {
    // The reason is taken before the clean-up, whose calls may change errno.
    Discard();
    struct stat st {};
    std::string reason = ::lstat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)
                             ? FileTypeText(st.st_mode)
                             : ErrnoText(err);
    throw FileError(FileError::Kind::kWrite, target_, reason);
  }
  temp_.clear();
  fs::path folder = target_.parent_path();
  int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

void CopyFileAtomic(const fs::path& from, const fs::path& to) {
  std::FILE* in = OpenForRead(from);
  try {
    AtomicFile out(to);
    char buf[1 << 16];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, in)) > 0) out.WriteBytes({buf, got});
    if (std::ferror(in)) throw FileError(FileError::Kind::kRead, from, ErrnoText(EIO));
    out.Commit();
  } catch (...) {
    std::fclose(in);
    throw;
  }
  std::fclose(in);
}

}  // namespace lindora
