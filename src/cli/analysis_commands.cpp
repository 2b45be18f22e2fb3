// The console command of every analysis in the list: its name, usage and help from the
// descriptor; the options read by one reader and checked by the list's option checker; what it
// prints is its output's summary and tables, or what its window shows when it has a presenter.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "cli/cli.h"
#include "common/analysis_list.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

struct Presenter {
  CommandFn present;
  std::vector<std::string> options;
  bool own_options = true;
};

std::map<std::string, Presenter>& Presenters() {
  static std::map<std::string, Presenter> presenters;
  return presenters;
}

std::string GeneratedUsage(const AnalysisDescriptor& analysis) {
  std::string usage = analysis.key;
  for (const AnalysisOption& o : analysis.options) usage += " [--" + o.key + " VALUE]";
  for (const std::string& output : analysis.console_outputs) usage += " [--" + output + " FILE]";
  return usage;
}

std::string Usage(const AnalysisDescriptor& analysis) {
  return analysis.usage.empty() ? GeneratedUsage(analysis) : analysis.usage;
}

int RunAnalysis(Context& ctx, const std::string& key, const std::vector<std::string>& words) {
  const AnalysisDescriptor* analysis = FindAnalysis(ctx.session.Analyses(), key);
  if (!analysis) {
    ctx.err << "unknown command: " << key << '\n';
    return kFailed;
  }
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, *analysis, words, values)) return *status;
  if (std::string problem = CompleteOptions(*analysis, values); !problem.empty()) {
    ctx.err << problem << '\n';
    return UsageError(ctx, Usage(*analysis));
  }
  AnalysisOutput output;
  const Outcome outcome = analysis->run(ctx.session, values, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  if (!output.summary.empty()) ctx.out << output.summary << '\n';
  for (const ResultTable& table : output.tables)
    PrintTable(ctx, analysis->caption, table.key, table);
  // --xlsx: the engine's tables as they are typed, every row.
  OfferSheets(ctx, SheetsOf(output.tables));
  return kDone;
}

}  // namespace

PresenterRegistrar::PresenterRegistrar(const std::string& key, CommandFn present) {
  Presenters()[key] = Presenter{std::move(present), {}, true};
}

PresenterRegistrar::PresenterRegistrar(const std::string& key, std::vector<std::string> options,
                                       CommandFn present) {
  Presenters()[key] = Presenter{std::move(present), std::move(options), false};
}

const AnalysisDescriptor& ListedAnalysis(Context& ctx, std::string_view key) {
  const AnalysisDescriptor* analysis = FindAnalysis(ctx.session.Analyses(), key);
  if (!analysis) throw std::logic_error("no analysis " + std::string(key) + " in the list");
  return *analysis;
}

std::optional<int> ReadOptionWords(Context& ctx, const AnalysisDescriptor& analysis,
                                   const std::vector<std::string>& words, OptionValues& values) {
  CLI::App app(analysis.key);
  app.set_help_flag();
  const std::vector<std::string>& operands = analysis.console_operands;
  std::vector<std::string> names;
  for (const AnalysisOption& o : analysis.options)
    if (std::find(operands.begin(), operands.end(), o.key) == operands.end())
      names.push_back("--" + o.key);
  for (const std::string& output : analysis.console_outputs) names.push_back("--" + output);
  for (const std::string& operand : operands) names.push_back(operand);
  OptionValues given;
  for (const std::string& name : names) {
    CLI::Option* option = app.add_option(name, given[name]);
    if (!name.starts_with("--")) option->required();
  }
  if (auto status = ParseWords(ctx, app, words, Usage(analysis), Complaint::kUsage)) return status;
  for (const std::string& name : names)
    if (app.get_option(name)->count() > 0)
      values[name.starts_with("--") ? name.substr(2) : name] = given[name];
  return std::nullopt;
}

void RegisterAnalysisCommands(const AnalysisList& analyses) {
  for (const AnalysisDescriptor& analysis : analyses) {
    Command command;
    command.usage = Usage(analysis);
    command.help = analysis.help.empty() ? analysis.caption : analysis.help;
    if (auto p = Presenters().find(analysis.key); p != Presenters().end()) {
      command.run = p->second.present;
      command.options = p->second.options;
      command.own_options = p->second.own_options;
    } else {
      command.own_options = true;
      command.run = [key = analysis.key](Context& ctx, const Args& args) {
        return RunAnalysis(ctx, key, args);
      };
    }
    Commands()[analysis.key] = std::move(command);
  }
}

}  // namespace lindora::cli
