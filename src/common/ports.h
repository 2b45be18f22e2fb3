// What the window models need from the world. The desktop program implements these with Qt,
// the command-line tool with the console, and tests with recording fakes.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

inline constexpr std::string_view kProgramTitle = "Lindora";

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box with an OK button; an empty title means the program title.
  virtual void Message(std::string_view text, std::string_view title = {}) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(std::string_view text, std::string_view title = {}) = 0;
  // An input box; Cancel gives the empty text.
  virtual std::string Input(std::string_view prompt, std::string_view default_text,
                            std::string_view title = {}) = 0;
  // A save-file dialog offering `suggested`; `filter` as "PNG (*.png)". Cancel gives the empty
  // text, and so does every front end without file dialogs.
  virtual std::string AskSaveFile(std::string_view /*title*/, std::string_view /*suggested*/,
                                  std::string_view /*filter*/) {
    return {};
  }
};

class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  // Hands the address to the desktop's browser as it is and returns at once.
  virtual void Open(std::string_view address) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void Clear() = 0;
  virtual void SetText(std::string_view text) = 0;
};

struct ConverterResult {
  enum class Status { kOk, kMissing, kCannotStart, kFailed, kTimedOut, kBusy };
  Status status = Status::kOk;
  int exit_code = 0;
  std::string message;  // why it failed, for the user
  bool ok() const { return status == Status::kOk; }
};

// Runs the chemistry converter with an argument list (never through a shell) and waits for it.
class Converter {
 public:
  virtual ~Converter() = default;
  virtual ConverterResult Run(const std::filesystem::path& program,
                              const std::vector<std::string>& args) = 0;
};

struct Ports {
  Dialogs* dialogs = nullptr;
  UrlOpener* urls = nullptr;
  Clipboard* clipboard = nullptr;
  Converter* converter = nullptr;
};

}  // namespace lindora
