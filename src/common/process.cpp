#include "common/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/files.h"
#include "common/text.h"

extern char** environ;

namespace lindora {

namespace fs = std::filesystem;

std::optional<fs::path> FindExecutable(const fs::path& preferred, const std::string& name) {
  if (!preferred.empty() && ::access(preferred.c_str(), X_OK) == 0 && !fs::is_directory(preferred))
    return preferred;
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  for (const std::string& dir : Split(path, ":")) {
    if (dir.empty()) continue;
    fs::path candidate = fs::path(dir) / name;
    std::error_code ec;
    if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate, ec))
      return candidate;
  }
  return std::nullopt;
}

namespace {
// The last lines of what the converter printed, on a line of their own.
std::string Tail(std::string_view output) {
  auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!output.empty() && blank(output.front())) output.remove_prefix(1);
  while (!output.empty() && blank(output.back())) output.remove_suffix(1);
  std::string text(output);
  const std::size_t kKeep = 600;
  if (CharLength(text) > kKeep) {
    std::size_t start = text.size(), kept = 0;
    while (start > 0 && kept < kKeep)
      if ((static_cast<unsigned char>(text[--start]) & 0xC0) != 0x80) ++kept;
    text = "…" + text.substr(start);
  }
  return text.empty() ? std::string() : "\r\n" + text;
}
}  // namespace

std::string ConverterMissingMessage(const fs::path& program) {
  return "找不到转换程序 " + program.string();
}

std::string ConverterCannotStartMessage(const fs::path& program, std::string_view reason) {
  return "无法启动转换程序 " + program.string() + "：" + std::string(reason);
}

std::string ConverterTimedOutMessage(std::chrono::milliseconds limit) {
  return "转换程序运行超过 " + std::to_string(limit.count() / 1000) + " 秒，已被终止。";
}

std::string ConverterCrashedMessage(const fs::path& program, std::string_view output) {
  return "转换程序 " + program.string() + " 异常终止。" + Tail(output);
}

std::string ConverterFailedMessage(int exit_code, std::string_view output) {
  return "转换程序运行失败（退出码 " + std::to_string(exit_code) + "）。" + Tail(output);
}

ProcessOutput RunProcess(const fs::path& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds limit) {
  ProcessOutput po;
  using S = ConverterResult::Status;
  std::error_code ec;
  if (!fs::exists(program, ec)) {
    po.result = {S::kMissing, -1, ConverterMissingMessage(program)};
    return po;
  }
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) {
    po.result = {S::kCannotStart, -1, ConverterCannotStartMessage(program, SystemErrorText(errno))};
    return po;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
  std::vector<std::string> argv_store;
  argv_store.push_back(program.string());
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(argv_store.size() + 1);
  for (auto& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipefd[1]);
  if (rc != 0) {
    ::close(pipefd[0]);
    po.result = {S::kCannotStart, -1, ConverterCannotStartMessage(program, SystemErrorText(rc))};
    return po;
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool timed_out = false;
  char buf[4096];
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{pipefd[0], POLLIN, 0};
    int pr = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (pr < 0 && errno == EINTR) continue;
    if (pr > 0) {
      ssize_t got = ::read(pipefd[0], buf, sizeof buf);
      if (got > 0) {
        if (po.out.size() < (1u << 20)) po.out.append(buf, got);
        continue;
      }
      if (got == 0) break;  // every writer closed: the program has ended
      if (errno == EINTR) continue;
      break;
    }
  }
  ::close(pipefd[0]);
  int status = 0;
  // The pipe may close before the program exits; wait for it within the same limit.
  while (!timed_out && ::waitpid(pid, &status, WNOHANG) == 0) {
    timed_out = std::chrono::steady_clock::now() >= deadline;
    if (!timed_out) ::usleep(10000);
  }
  if (timed_out) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    po.result = {S::kTimedOut, -1, ConverterTimedOutMessage(limit)};
    return po;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    po.result = {S::kOk, 0, {}};
  } else if (WIFEXITED(status)) {
    po.result = {S::kFailed, WEXITSTATUS(status),
                 ConverterFailedMessage(WEXITSTATUS(status), po.out)};
  } else {
    po.result = {S::kFailed, -1, ConverterCrashedMessage(program, po.out)};
  }
  return po;
}

ConverterResult BlockingConverter::Run(const fs::path& program,
                                       const std::vector<std::string>& args) {
  return RunProcess(program, args, limit_).result;
}

}  // namespace lindora
