#include "support/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace lindora::test {

namespace {
std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string& input,
              const std::string& program_copy) {
  namespace fs = std::filesystem;
  std::string dir_tmpl = (fs::temp_directory_path() / "lindora-cli-XXXXXX").string();
  fs::path dir = ::mkdtemp(dir_tmpl.data());
  fs::path in = dir / "in", out = dir / "out", err = dir / "err";
  std::ofstream(in, std::ios::binary) << input;
  std::string program =
      program_copy.empty() ? std::string(LINDORA_BIN_DIR) + "/lindora-cli" : program_copy;
  std::vector<std::string> store{program};
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : store) argv.push_back(s.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  CliRun run;
  if (posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&fa);
  run.out = Slurp(out);
  run.err = Slurp(err);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return run;
}

}  // namespace lindora::test
