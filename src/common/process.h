// Starts a program with an argument list (no shell), waits for it with a time limit.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/ports.h"

namespace lindora {

// Finds an executable: `preferred` if it is an executable file, else `name` on PATH.
std::optional<std::filesystem::path> FindExecutable(const std::filesystem::path& preferred,
                                                    const std::string& name);

struct ProcessOutput {
  ConverterResult result;
  std::string out;  // standard output and standard error together
};

// Runs `program args…`, kills it after `limit`. Output is collected for version checks.
ProcessOutput RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds limit);

// A Converter for programs without an event loop (the command-line tool, tests).
class BlockingConverter : public Converter {
 public:
  explicit BlockingConverter(std::chrono::milliseconds limit = std::chrono::seconds(60))
      : limit_(limit) {}
  ConverterResult Run(const std::filesystem::path& program,
                      const std::vector<std::string>& args) override;

 private:
  std::chrono::milliseconds limit_;
};

}  // namespace lindora
