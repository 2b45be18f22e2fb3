#include "common/files.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "common/gbk.h"
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

std::FILE* OpenForWrite(const fs::path& path, const char* mode) {
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (!f) throw FileError(FileError::Kind::kWrite, path, ErrnoText(errno));
  return f;
}

void WriteAll(std::FILE* f, std::string_view bytes, const fs::path& path) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
    throw FileError(FileError::Kind::kWrite, path, ErrnoText(errno));
}

void CloseChecked(std::FILE*& f, const fs::path& path) {
  bool ok = std::fflush(f) == 0;
  int err = errno;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok && !err) err = errno;
  f = nullptr;
  if (!ok) throw FileError(FileError::Kind::kWrite, path, ErrnoText(err ? err : EIO));
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
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw FileError(FileError::Kind::kRead, path, ErrnoText(EISDIR));
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) throw FileError(FileError::Kind::kRead, path, ErrnoText(errno));
}

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

bool LineReader::Fill() {
  if (eof_) return false;
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

bool LineReader::Next(std::string& line) {
  std::size_t scanned = 0;
  while (true) {
    const char* start = buf_.data() + pos_;
    const std::size_t avail = len_ - pos_;
    for (std::size_t i = scanned; i < avail; ++i) {
      char c = start[i];
      if (c != '\r' && c != '\n') continue;
      if (c == '\r' && i + 1 == avail && !eof_) break;  // need the next byte to see an LF
      line.assign(start, i);
      std::size_t end = i + 1;
      if (c == '\r' && end < avail && start[end] == '\n') ++end;
      pos_ += end;
      return true;
    }
    scanned = avail > 0 && start[avail - 1] == '\r' ? avail - 1 : avail;
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
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw FileError(FileError::Kind::kRead, path, ErrnoText(EISDIR));
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw FileError(FileError::Kind::kRead, path, ErrnoText(errno));
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
  std::FILE* f = OpenForWrite(path, "wb");
  CloseChecked(f, path);
}

void AppendTextFile(std::string_view text, const fs::path& path) {
  std::FILE* f = OpenForWrite(path, "ab");
  try {
    WriteAll(f, EncodeGbk(text) + "\r\n", path);
  } catch (...) {
    std::fclose(f);
    throw;
  }
  CloseChecked(f, path);
}

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
  static std::atomic<unsigned> counter{0};
  temp_ = target_;
  temp_ += ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  file_ = std::fopen(temp_.c_str(), "wb");
  if (!file_) throw FileError(FileError::Kind::kWrite, target_, ErrnoText(errno));
}

AtomicFile::~AtomicFile() {
  if (file_) {
    std::fclose(file_);
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

void AtomicFile::WriteBytes(std::string_view bytes) {
  if (!file_) throw FileError(FileError::Kind::kWrite, target_, "文件已写完，不能再写入");
  WriteAll(file_, bytes, target_);
}

void AtomicFile::WriteLine(std::string_view utf8_text) {
  std::string bytes = EncodeGbk(utf8_text);
  bytes += "\r\n";
  WriteBytes(bytes);
}

void AtomicFile::Commit() {
  if (!file_) return;
  try {
    CloseChecked(file_, target_);
  } catch (...) {
    std::error_code ec;
    fs::remove(temp_, ec);
    throw;
  }
  std::error_code ec;
  fs::rename(temp_, target_, ec);
  if (ec) {
    fs::remove(temp_, ec);
    throw FileError(FileError::Kind::kWrite, target_, SystemErrorText(ec.value()));
  }
}

void CopyFileAtomic(const fs::path& from, const fs::path& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) throw FileError(FileError::Kind::kRead, from, ErrnoText(errno));
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
