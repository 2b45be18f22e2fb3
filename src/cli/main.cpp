// lindora-cli [--root DIR] [--library NAME] COMMAND ARGS…   |   … --script FILE|-
// lindora-cli --version; --xlsx FILE (global or after a command) writes the tables as a workbook
#include <CLI/CLI.hpp>
#include <csignal>
#include <fstream>
#include <iostream>

#include "catalog/catalog.h"
#include "cli/cli.h"
#include "common/files.h"
#include "common/outcome.h"
#include "common/process.h"
#include "common/safe_write.h"
#include "common/version.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"
#include "formula/keyword_query.h"
#include "formula/library.h"

#ifdef LINDORA_CLI_PICTURES
#include "cli/cli_pictures.h"
#endif

using namespace lindora;
using namespace lindora::cli;

namespace {

// Data may hold control characters (an ESC in a herb name); the terminal never receives them.
// Drops C0 controls other than TAB, LF and CR, DEL, and the UTF-8 form of the C1 controls.
class ControlFilter : public std::streambuf {
 public:
  explicit ControlFilter(std::streambuf* target) : target_(target) {}

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const auto c = static_cast<unsigned char>(ch);
    if (pending_c2_) {
      pending_c2_ = false;
      if (c >= 0x80 && c <= 0x9F) return ch;  // a C1 control: both bytes go
      if (target_->sputc('\xC2') == traits_type::eof()) return traits_type::eof();
    }
    if (c == 0xC2) {
      pending_c2_ = true;
      return ch;
    }
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return ch;
    return target_->sputc(static_cast<char>(c));
  }
  int sync() override { return target_->pubsync(); }

 private:
  std::streambuf* target_;
  bool pending_c2_ = false;
};

void PrintUsage(std::ostream& os) {
  os << "用法：lindora-cli [--root DIR] [--library NAME] [--xlsx FILE] COMMAND [OPTIONS] [--] "
        "ARGS...\n"
        "       lindora-cli [--root DIR] [--library NAME] [--xlsx FILE] --script FILE   (FILE '-' "
        "读标准输入)\n"
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
  if (!xlsx.empty()) {
    if (std::string problem = CheckUserOutputs(ctx.session.ProgramFolder(), {xlsx});
        !problem.empty()) {
      ctx.err << problem << '\n';
      return kRefused;
    }
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
    ctx.err << "未知命令：" << words[0] << '\n';
    return kRefused;
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
    ctx.err << ParseErrorText(e) << '\n';
    return UsageError(ctx, command.usage);
  } catch (const std::bad_alloc&) {
    ctx.err << kOutOfMemoryMessage << '\n';
    return kFailed;
  } catch (const std::exception& e) {
    ctx.err << e.what() << '\n';
    return kFailed;
  }
}

// The longest script line: far beyond any command, short enough that an endless input without
// a line break (/dev/zero) ends with a message instead of taking the memory.
constexpr std::size_t kMaxScriptLine = 1 << 20;

// One line of a script without its line end; false at the end or after an overlong line
// (`too_long` then says so).
bool ReadScriptLine(std::istream& in, std::string& line, bool& too_long) {
  line.clear();
  too_long = false;
  std::streambuf* buf = in.rdbuf();
  for (;;) {
    const int c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) return !line.empty();
    if (c == '\n') return true;
    if (line.size() >= kMaxScriptLine) {
      too_long = true;
      return false;
    }
    line += static_cast<char>(c);
  }
}

int RunScript(Context& ctx, std::istream& in, std::vector<WorkbookSheet>* all_tables) {
  int worst = kDone;
  std::string line;
  std::vector<std::string> words;
  int number = 0;
  bool too_long = false;
  while (ReadScriptLine(in, line, too_long)) {
    ++number;
    if (!SplitWords(line, words)) {
      ctx.err << "第 " << number << " 行：引号没有配对\n";
      worst = std::max(worst, static_cast<int>(kRefused));
      continue;
    }
    if (words.empty() || words[0].starts_with("#")) continue;
    worst = std::max(worst, RunCommand(ctx, words, all_tables));
    ctx.out.flush();
  }
  if (too_long) {
    ctx.err << "第 " << number + 1 << " 行超过 " << kMaxScriptLine / (1 << 20)
            << " MB，脚本不再往下执行。\n";
    return kRefused > worst ? kRefused : worst;
  }
  return worst;
}

int Run(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // Never destroyed: the streams are flushed at exit, after static objects are gone.
  std::cout.rdbuf(new ControlFilter(std::cout.rdbuf()));
  std::cerr.rdbuf(new ControlFilter(std::cerr.rdbuf()));
  // A file-size limit makes writes fail with a message instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
#ifdef LINDORA_CLI_PICTURES
  InstallCliPictureWriter(ExecutableFolder());
#endif
  AnalysisList analyses = AllAnalyses();
  RegisterAnalysisCommands(analyses);
  std::filesystem::path root = ExecutableFolder();
  std::string script, library, xlsx;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (a == "--library" && i + 1 < argc) {
      library = argv[++i];
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
      std::cerr << "未知选项：" << a << '\n';
      PrintUsage(std::cerr);
      return kRefused;
    } else {
      break;
    }
  }
  if (script.empty() && i >= argc) {
    PrintUsage(std::cerr);
    return kRefused;
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
  // A library is named, never given as a path: DB/<name>/ and nothing outside DB/.
  if (library.find_first_of("/\\") != std::string::npos ||
      library.find("..") != std::string::npos) {
    std::cerr << "--library 只接受方剂库的名字，不接受路径：" << library << '\n';
    return kRefused;
  }
  if (std::string problem = OpenLibrary(session, library); !problem.empty()) {
    std::cerr << problem << '\n';
    return kFailed;
  }
  // Each run is a new session: it takes up the history kept with the result set, and a set
  // searched in another library than this run's is searched again here (or emptied).
  try {
    const ResultSetState state = ReadResultSetState(session);
    if (state.known) {
      session.SearchHistory = state.history;
      FangjiAnalysis::ContinueResultSet(session);
    }
    if (std::string note = FitResultSetToLibrary(session, /*unknown_is_foreign=*/false);
        !note.empty())
      std::cerr << note << '\n';
  } catch (const FileError& e) {
    std::cerr << e.what() << '\n';
    return kFailed;
  }

  // The workbook's place is checked before any command runs, not after all of them.
  if (!xlsx.empty()) {
    if (std::string problem = CheckUserOutputs(session.ProgramFolder(), {xlsx}); !problem.empty()) {
      std::cerr << problem << '\n';
      return kRefused;
    }
  }
  std::vector<WorkbookSheet> all_tables;
  std::vector<WorkbookSheet>* collect = xlsx.empty() ? nullptr : &all_tables;
  int status = kDone;
  if (!script.empty()) {
    if (script == "-") {
      status = RunScript(ctx, std::cin, collect);
    } else {
      // A folder, a device or a pipe is not a script: the first runs nothing, the others may
      // never end.
      std::error_code ec;
      if (fs::exists(script, ec) && !fs::is_regular_file(script, ec)) {
        std::cerr << "脚本必须是普通文件（不是文件夹、设备或管道）：" << script << '\n';
        return kRefused;
      }
      std::ifstream in(script, std::ios::binary);
      if (!in) {
        std::cerr << "无法读取脚本文件 " << script << '\n';
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

}  // namespace

int main(int argc, char** argv) {
  const int status = Run(argc, argv);
#ifdef LINDORA_CLI_PICTURES
  EndCliPictures();
#endif
  return status;
}
