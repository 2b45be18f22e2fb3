// Runs the built lindora-cli and collects what it printed, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace lindora::test {

struct CliRun {
  int status = -1;
  std::string out, err;
};

// Runs lindora-cli (or another copy of it, `program`) with the arguments (no shell); `input` is
// fed to standard input.
CliRun RunCli(const std::vector<std::string>& args, const std::string& input = {},
              const std::string& program = {});

}  // namespace lindora::test
