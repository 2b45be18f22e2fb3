// lindora-cli [--root DIR] COMMAND ARGS…   |   lindora-cli [--root DIR] --script FILE|-
// lindora-cli --version
#include <CLI/CLI.hpp>
#include <csignal>
#include <fstream>
#include <iostream>

#include "catalog/catalog.h"
#include "cli/cli.h"
#include "common/process.h"
#include "common/version.h"

using namespace lindora;
using namespace lindora::cli;

namespace {

void PrintUsage(std::ostream& os) {
  os << "usage: lindora-cli [--root DIR] COMMAND [OPTIONS] [--] ARGS...\n"
        "       lindora-cli [--root DIR] --script FILE   (FILE '-' reads standard input)\n"
        "       lindora-cli --version\n"
        "commands:\n";
  for (const auto& [name, cmd] : Commands())
    os << "  " << cmd.usage << "\n      " << cmd.help << '\n';
}

int RunCommand(Context& ctx, const std::vector<std::string>& words) {
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

int RunScript(Context& ctx, std::istream& in) {
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
    worst = std::max(worst, RunCommand(ctx, words));
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
  std::string script;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--root" && i + 1 < argc) {
      root = argv[++i];
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

  if (!script.empty()) {
    if (script == "-") return RunScript(ctx, std::cin);
    std::ifstream in(script);
    if (!in) {
      std::cerr << "cannot read script " << script << '\n';
      return kFailed;
    }
    return RunScript(ctx, in);
  }
  std::vector<std::string> words(argv + i, argv + argc);
  return RunCommand(ctx, words);
}
