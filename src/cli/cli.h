// lindora-cli: the window models driven from a console. Message boxes go to standard error,
// grids, clipboard texts and opened addresses to standard output.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/analysis_list.h"
#include "common/grid.h"
#include "common/outcome.h"
#include "common/ports.h"
#include "common/session.h"
#include "common/workbook.h"

namespace CLI {
class App;
}

namespace lindora::cli {

enum ExitCode { kDone = 0, kRefused = 1, kFailed = 2 };

// The exit status of a command is the outcome of the handler it ran.
inline int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone: return kDone;
    case Outcome::kRefused: return kRefused;
    case Outcome::kFailed: break;
  }
  return kFailed;
}

// Message boxes print their text; questions and input boxes take queued answers (a command
// queues what its arguments say), else Yes and the default text.
class ConsoleDialogs : public Dialogs {
 public:
  explicit ConsoleDialogs(std::ostream& err) : err_(err) {}
  void Message(std::string_view text, std::string_view title = {}) override;
  bool AskYesNo(std::string_view text, std::string_view title = {}) override;
  std::string Input(std::string_view prompt, std::string_view default_text,
                    std::string_view title = {}) override;

  void QueueAnswer(std::string answer) { answers_.push_back(std::move(answer)); }
  void ResetForCommand() { answers_.clear(); }
  // Queued answers no question has taken yet.
  std::size_t PendingAnswers() const { return answers_.size(); }

 private:
  std::ostream& err_;
  std::deque<std::string> answers_;
};

class ConsoleClipboard : public Clipboard {
 public:
  explicit ConsoleClipboard(std::ostream& out) : out_(out) {}
  void Clear() override {}
  void SetText(std::string_view text) override;

 private:
  std::ostream& out_;
};

class ConsoleUrlOpener : public UrlOpener {
 public:
  explicit ConsoleUrlOpener(std::ostream& out) : out_(out) {}
  void Open(std::string_view address) override;

 private:
  std::ostream& out_;
};

// The tables of one command for --xlsx: the grids it printed, or, when its window has them,
// the window's complete tables (a grid may show only the first rows).
struct CommandTables {
  std::vector<WorkbookSheet> grids, window;
  std::vector<WorkbookSheet>& Chosen() { return window.empty() ? grids : window; }
};

struct Context {
  Session& session;
  ConsoleDialogs& dialogs;
  std::ostream& out;
  std::ostream& err;
  CommandTables* tables = nullptr;  // set while a workbook is asked for
};

// Hands the window's complete tables to --xlsx in place of the printed grids.
void OfferSheets(Context& ctx, std::vector<WorkbookSheet> sheets);
// Takes `--xlsx FILE` out of a command's words (before a "--"); false when FILE is missing.
bool TakeXlsxOption(std::vector<std::string>& words, std::string& file);

// Prints a grid as "# <caption> — <name>" and one TAB-joined line per row, header first.
void PrintGrid(Context& ctx, std::string_view caption, std::string_view name, const Grid& grid);
// The same for a table an analysis returned: the texts of its cells, as its window shows them.
void PrintTable(Context& ctx, std::string_view caption, std::string_view name,
                const ResultTable& table);
// Prints a usage line for the command to standard error and returns kRefused: every command
// line the user got wrong (unknown command or option, missing or extra argument, a value out
// of range) exits with 1; 2 is kept for failures of files, converters and memory.
int UsageError(Context& ctx, std::string_view usage);
// The Chinese text for an option parser's complaint (CLI11's own texts are English).
std::string ParseErrorText(const std::exception& error);

// What a command says about words CLI11 could not take, before its usage line.
enum class Complaint {
  kUsage,      // the usage line alone
  kExplained,  // the Chinese text of ParseErrorText
  kAsCli11,    // CLI11's own text
};
// The one reader of a command's words with CLI11, which takes them last-first. Empty when they
// fit; else the exit status, after the complaint and the usage line. With `answers_help`, a
// help flag prints the app's help to standard output (status 0); otherwise it is a complaint.
std::optional<int> ParseWords(Context& ctx, CLI::App& app, const std::vector<std::string>& words,
                              std::string_view usage, Complaint complaint,
                              bool answers_help = false);

// The words after a command's name as the command sees them: the operands, and apart from them
// the options it declared that were given. Options stand before the first operand; "--" ends
// them, so an operand may begin with "-". A lone "-" and a negative number are operands.
struct Args : std::vector<std::string> {
  std::set<std::string> options;
  bool Has(std::string_view option) const { return options.count(std::string(option)) > 0; }
};

using CommandFn = std::function<int(Context&, const Args& args)>;
struct Command {
  std::string usage;
  std::string help;
  CommandFn run;
  std::vector<std::string> options;  // the options the dispatcher accepts for it
  bool own_options = false;          // gets the words as typed and parses them itself
};

std::map<std::string, Command>& Commands();

// Marks a command that parses its own options (with CLI11, say); a CLI::ParseError it lets
// through is a usage error like any other.
struct OwnOptions {};

// Each subsystem registers its commands with a static Registrar in its own file.
struct Registrar {
  Registrar(const std::string& name, std::string usage, std::string help, CommandFn fn);
  Registrar(const std::string& name, std::string usage, std::string help,
            std::vector<std::string> options, CommandFn fn);
  Registrar(const std::string& name, std::string usage, std::string help, OwnOptions, CommandFn fn);
};

// The command of an analysis whose console shows what its window shows (its grids, its
// pictures) rather than the tables its engine returns. The command keeps the analysis's name,
// usage and help from the list; `present` gets the words as typed, or, with `options`, the
// operands and those options (see Args).
struct PresenterRegistrar {
  PresenterRegistrar(const std::string& key, CommandFn present);
  PresenterRegistrar(const std::string& key, std::vector<std::string> options, CommandFn present);
};

// One command for every analysis of the list, named by its key, with the usage and help of its
// descriptor: its presenter's, or the generated one (options as "--key VALUE", then the run's
// summary and every table of its output). The main calls it once, before it lists or runs
// commands; no hand-written command carries an analysis's name.
void RegisterAnalysisCommands(const AnalysisList& analyses);

// The analysis of the session's list with this key (every presenter's analysis is listed).
const AnalysisDescriptor& ListedAnalysis(Context& ctx, std::string_view key);

// Reads an analysis command's words: "--key VALUE" (or --key=VALUE) for each of its options and
// console outputs; only those given are in `values`. Empty when the words fit, else the exit
// status after the usage line.
std::optional<int> ReadOptionWords(Context& ctx, const AnalysisDescriptor& analysis,
                                   const std::vector<std::string>& words, OptionValues& values);

// Separates the declared options from the operands (see Args). Returns the empty text, or the
// message for an option the command does not know.
std::string ParseArgs(const std::vector<std::string>& words,
                      const std::vector<std::string>& known_options, Args& args);

// Splits a script line into words the way a shell does: blanks separate, single quotes keep
// everything, double quotes keep everything but \" \\ \$ \`, a backslash escapes one character.
// Returns false on an unclosed quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words);

}  // namespace lindora::cli
