// Starts a program with an argument list (no shell), waits for it with a time limit.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

// What the user is told when a converter run goes wrong, the same in every front end. `output`
// is what the program printed; its last 600 characters explain a failure.
std::string ConverterMissingMessage(const std::filesystem::path& program);
std::string ConverterCannotStartMessage(const std::filesystem::path& program,
                                        std::string_view reason);
std::string ConverterTimedOutMessage(std::chrono::milliseconds limit);
std::string ConverterCrashedMessage(const std::filesystem::path& program, std::string_view output);
std::string ConverterFailedMessage(int exit_code, std::string_view output);
inline constexpr std::string_view kConverterBusyMessage =
    "另一个结构转换正在进行，请等它结束后再试。";

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
