// Data from files and users must never reach a shell: every child process is started with an
// argument list. This test reads the sources and fails on any call that would hand a command
// line to a shell.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// A call by name: the name must not continue an identifier (filesystem( is fine), and an
// opening parenthesis follows after optional blanks.
bool CallsFunction(const std::string& code, const std::string& name) {
  for (std::size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
    char before = at ? code[at - 1] : ' ';
    if (std::isalnum(static_cast<unsigned char>(before)) || before == '_') continue;
    std::size_t next = code.find_first_not_of(" \t", at + name.size());
    if (next != std::string::npos && code[next] == '(') return true;
  }
  return false;
}

bool HandsToShell(const std::string& code) {
  for (const char* fn : {"system", "popen", "startCommand", "ShellExecute", "ShellExecuteW"})
    if (CallsFunction(code, fn)) return true;
  for (const char* text : {"\"/bin/sh\"", "\"/bin/bash\"", "\"-c\"", "cmd.exe", "explorer.exe"})
    if (code.find(text) != std::string::npos) return true;
  return false;
}

// "file:line: text" for every offending line; comments are skipped.
std::vector<std::string> Offences(const std::string& name, std::istream& in) {
  std::vector<std::string> found;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string code = line.substr(0, line.find("//"));
    if (HandsToShell(code)) found.push_back(name + ":" + std::to_string(number) + ": " + line);
  }
  return found;
}

TEST(NoShellTest, TheScannerRecognisesShellCalls) {
  for (const char* bad :
       {"  std::system(cmd.c_str());", "FILE* p = popen(x, \"r\");",
        "p.start(\"/bin/sh\", {\"-c\", cmd});", "execlp(\"sh\", \"sh\", \"-c\", c, nullptr);",
        "process.startCommand(line);", "QString c = \"explorer.exe \" + url;"}) {
    std::istringstream in(bad);
    EXPECT_EQ(Offences("x.cpp", in).size(), 1u) << bad;
  }
  for (const char* good : {"fs::filesystem_error e;", "// system(\"rm\") never",
                           "posix_spawn(&pid, program.c_str(), &fa, nullptr, argv, environ);",
                           "process.start(program, args);"}) {
    std::istringstream in(good);
    EXPECT_TRUE(Offences("x.cpp", in).empty()) << good;
  }
}

TEST(NoShellTest, NoSourceHandsACommandLineToAShell) {
  std::vector<std::string> found;
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(LINDORA_SOURCE_DIR) / "src")) {
    auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".h") continue;
    ++files;
    std::ifstream in(entry.path());
    auto more = Offences(entry.path().string(), in);
    found.insert(found.end(), more.begin(), more.end());
  }
  EXPECT_GT(files, 10u);
  for (const auto& f : found) ADD_FAILURE() << f;
}

}  // namespace
