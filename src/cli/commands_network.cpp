// The herb network and the charts of a result set: files for network tools, pictures.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "analysis/formula_set_actions.h"
#include "analysis/network/network_analysis.h"
#include "analysis/network/network_window.h"
#include "analysis/symptoms/symptom_chart.h"
#include "analysis/symptoms/symptoms_window.h"
#include "cli/cli.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/pictures.h"
#include "common/safe_write.h"
#include "common/table_export.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "herb/danti_analysis.h"
#include "herb/herb_charts.h"

namespace lindora::cli {
namespace {

constexpr const char* kChartUsage = "chart herb-frequency|herb-types|symptoms FILE.png";
constexpr int kChartWidth = 1400, kChartHeight = 1000;

int Network(Context& ctx, const std::vector<std::string>& args) {
  const AnalysisDescriptor& analysis = ListedAnalysis(ctx, "network");
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, analysis, args, values)) return *status;
  // Values are taken as typed: the window's own check tells what is wrong with them.
  if (values.count("top") && values.count("min-frequency")) return UsageError(ctx, analysis.usage);
  const std::string png = values["png"], svg = values["svg"];
  values.erase("png");
  values.erase("svg");
  // Both pictures are checked before the network is drawn: a wrong name costs no work.
  if (std::string problem = CheckUserOutputs(ctx.session.ProgramFolder(), {png, svg});
      !problem.empty()) {
    ctx.session.Message(problem);
    return kRefused;
  }

  HerbNetworkWindow& window = ctx.session.Window<HerbNetworkWindow>();
  const bool by_frequency = values.count("min-frequency") > 0;
  FillDefaults(analysis, values);  // the window checks the values
  window.SetNodeRule(by_frequency ? HerbNetworkWindow::NodeRule::kMinFrequency
                                  : HerbNetworkWindow::NodeRule::kTop);
  window.SetNodeValue(values.at(by_frequency ? "min-frequency" : "top"));
  window.SetEdgeValue(values.at("min-edge"));
  Outcome outcome = window.Draw();
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  PrintGrid(ctx, window.Caption(), "FlexGrid_Nodes", window.NodeGrid());
  if (ctx.tables) OfferSheets(ctx, window.ExcelSheets());
  for (const std::string& file : {png, svg}) {
    if (file.empty()) continue;
    outcome = window.SavePicture(file);
    if (outcome != Outcome::kDone) return ExitStatus(outcome);
  }
  return kDone;
}

int Chart(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError(ctx, kChartUsage);
  const std::string& kind = args[0];
  if (kind != "herb-frequency" && kind != "herb-types" && kind != "symptoms")
    return UsageError(ctx, kChartUsage);
  // The file is always a PNG, so a name promising another format is refused.
  if (UpperCase(fs::path(args[1]).extension().string()) != ".PNG") {
    ctx.session.Message("图表文件名须以 .png 结尾：" + args[1]);
    return kRefused;
  }
  if (std::string problem = CheckUserOutputs(ctx.session.ProgramFolder(), {args[1]});
      !problem.empty()) {
    ctx.session.Message(problem);
    return kRefused;
  }
  PictureWriter* writer = InstalledPictureWriter();
  if (!writer) {
    ctx.session.Message("本程序未带绘图功能，无法作图。");
    return kRefused;
  }
  std::optional<BarChart> chart;
  Outcome outcome = Guard(ctx.session, [&]() -> Outcome {
    if (Outcome o = RequireResultData(ctx.session); o != Outcome::kDone) return o;
    if (kind == "symptoms") {
      if (Outcome run = RunSymptomAnalysis(ctx.session); run != Outcome::kDone) return run;
      chart = SymptomChart(ctx.session.Window<SymptomAnalysisWindow>());
    } else {
      if (Outcome run = RunDanweiyaoAnalysis(ctx.session); run != Outcome::kDone) return run;
      DantiAnalysis& danti = ctx.session.Window<DantiAnalysis>();
      chart = kind == "herb-types" ? HerbTypeChart(danti) : HerbFrequencyChart(danti);
    }
    if (!chart) return Outcome::kRefused;
    writer->WriteBarChartPng(*chart, args[1], kChartWidth, kChartHeight);
    return Outcome::kDone;
  });
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  Grid grid(1, 2);
  grid.SetTextMatrix(0, 0, chart->category_axis);
  grid.SetTextMatrix(0, 1, chart->value_axis);
  for (std::size_t i = 0; i < chart->categories.size(); ++i) {
    grid.AddRow();
    grid.SetTextMatrix(grid.Rows() - 1, 0, chart->categories[i]);
    grid.SetTextMatrix(grid.Rows() - 1, 1, FixedDecimals(chart->series[0].values[i], 0));
  }
  PrintGrid(ctx, chart->title, "chart", grid);
  OfferSheets(ctx, {SheetOfChart(*chart, chart->title)});
  return kDone;
}

PresenterRegistrar network_command("network", Network);
Registrar chart_command("chart", kChartUsage,
                        "draws a bar chart of the current result set: herb frequency (top 30), "
                        "herb types, or symptom frequency (top 30), as a PNG file",
                        OwnOptions{}, Chart);

}  // namespace
}  // namespace lindora::cli
