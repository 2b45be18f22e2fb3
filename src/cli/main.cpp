// lindora-cli [--root DIR] COMMAND ARGS…   |   lindora-cli [--root DIR] --script FILE|-
// lindora-cli --version; --xlsx FILE (global or after a command) writes the tables as a workbook
#include <CLI/CLI.hpp>
#include <csignal>
#include <fstream>
#include <iostream>

#include "catalog/catalog.h"
#include "cli/cli.h"
#include "common/files.h"
#include "common/process.h"
#include "common/version.h"

using namespace lindora;
using namespace lindora::cli;

namespace {

void PrintUsage(std::ostream& os) {
  os << "usage: lindora-cli [--root DIR] [--xlsx FILE] COMMAND [OPTIONS] [--] ARGS...\n"
        "       lindora-cli [--root DIR] [--xlsx FILE] --script FILE   (FILE '-' reads standard "
        "input)\n"
        "       lindora-cli --version\n"
        "--xlsx FILE writes the tables the commands print (all rows of their analyses) as an "
        "Excel workbook; it may also follow a command's name\n"
        "commands:\n";
  for (const auto& [name, cmd] : Commands())
    os << "  " << cmd.usage << "\n      " << cmd.help << '\n';
}

int RunCommandWords(Context& ctx, const std::vector<std::string>& words);

// Writes the tables of --xlsx; a failure is one message and the failed status.
int WriteTables(Context& ctx, const std::vector<WorkbookSheet>& sheets, const std::string& file) {
  if (sheets.empty()) {
    ctx.err << "没有输出表格，未写入工作簿 " << file << '\n';
    return kDone;
  }
  try {
    WriteWorkbook(sheets, file);
  } catch (const FileError& e) {
    ctx.err << e.what() << '\n';
    return kFailed;
  }
  ctx.out << "# workbook " << file << '\n';
  return kDone;
}

// `all_tables`, when given, collects the tables of every command for a global --xlsx.
int RunCommand(Context& ctx, std::vector<std::string> words,
               std::vector<WorkbookSheet>* all_tables = nullptr) {
  // The report writes its own workbook with --xlsx; every other command its printed tables.
  std::string xlsx;
  if (words[0] != "report" && !TakeXlsxOption(words, xlsx)) {
    ctx.err << "--xlsx needs a file name\n";
    return kFailed;
  }
  CommandTables tables;
  if (!xlsx.empty() || all_tables) ctx.tables = &tables;
  const int status = RunCommandWords(ctx, words);
  ctx.tables = nullptr;
  if (!xlsx.empty()) return std::max(status, WriteTables(ctx, tables.Chosen(), xlsx));
  if (all_tables)
    for (WorkbookSheet& sheet : tables.Chosen()) all_tables->push_back(std::move(sheet));
  return status;
}

int RunCommandWords(Context& ctx, const std::vector<std::string>& words) {
  auto it = Commands().find(words[0]);
  if (it == Commands().end()) {
    ctx.err << "unknown command: " << words[0] << '\n';
    return kFailed;
  }
  const Command& command = it->second;
  // The option rules hold for every command in one place: "--" ends the options, an option the
  // command does not know is a usage error and never a keyword.
  Args args;
  if (command.own_options) {
    args.assign(words.begin() + 1, words.end());
  } else if (std::string problem =
                 ParseArgs({words.begin() + 1, words.end()}, command.options, args);
             !problem.empty()) {
    ctx.err << problem << '\n';
    return UsageError(ctx, command.usage);
  }
  ctx.dialogs.ResetForCommand();
  try {
    // The guard also covers what a command does outside its handler (opening a window loads
    // it): a file that could not be read or written there fails the command too.
    int status = kFailed;
    const Outcome outcome = Guard(ctx.session, [&] { status = command.run(ctx, args); });
    return outcome == Outcome::kFailed ? kFailed : status;
  } catch (const CLI::ParseError& e) {
    ctx.err << e.what() << '\n';
    return UsageError(ctx, command.usage);
  } catch (const std::exception& e) {
    ctx.err << e.what() << '\n';
    return kFailed;
  }
}

int RunScript(Context& ctx, std::istream& in, std::vector<WorkbookSheet>* all_tables) {
  int worst = kDone;
  std::string line;
  std::vector<std::string> words;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!SplitWords(line, words)) {
      ctx.err << "line " << number << ": unclosed quote\n";
      worst = kFailed;
      continue;
    }
    if (words.empty() || words[0].starts_with("#")) continue;
    worst = std::max(worst, RunCommand(ctx, words, all_tables));
    ctx.out.flush();
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // A file-size limit makes writes fail with a message instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  AnalysisList analyses = AllAnalyses();
  RegisterAnalysisCommands(analyses);
  std::filesystem::path root = ExecutableFolder();
  std::string script, xlsx;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (a == "--xlsx" && i + 1 < argc) {
      xlsx = argv[++i];
    } else if (a == "--script" && i + 1 < argc) {
      script = argv[++i];
    } else if (a == "--help" || a == "-h") {
      PrintUsage(std::cout);
      return kDone;
    } else if (a == "--version") {
      std::cout << "lindora-cli " << ProgramVersion() << '\n';
      return kDone;
    } else if (a == "--") {
      ++i;
      break;
    } else if (a.starts_with("-")) {
      std::cerr << "unknown option: " << a << '\n';
      PrintUsage(std::cerr);
      return kFailed;
    } else {
      break;
    }
  }
  if (script.empty() && i >= argc) {
    PrintUsage(std::cerr);
    return kFailed;
  }
  std::string problems = PrepareProgramFolder(root);
  if (!problems.empty()) std::cerr << problems;

  ConsoleDialogs dialogs(std::cerr);
  ConsoleClipboard clipboard(std::cout);
  ConsoleUrlOpener urls(std::cout);
  BlockingConverter converter;
  Session session(root, Ports{&dialogs, &urls, &clipboard, &converter});
  InstallCatalog(session);
  Context ctx{session, dialogs, std::cout, std::cerr};

  std::vector<WorkbookSheet> all_tables;
  std::vector<WorkbookSheet>* collect = xlsx.empty() ? nullptr : &all_tables;
  int status = kDone;
  if (!script.empty()) {
    if (script == "-") {
      status = RunScript(ctx, std::cin, collect);
    } else {
      std::ifstream in(script);
      if (!in) {
        std::cerr << "cannot read script " << script << '\n';
        return kFailed;
      }
      status = RunScript(ctx, in, collect);
    }
  } else {
    status = RunCommand(ctx, std::vector<std::string>(argv + i, argv + argc), collect);
  }
  if (collect) status = std::max(status, WriteTables(ctx, all_tables, xlsx));
  return status;
}
