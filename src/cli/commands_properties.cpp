// Nature, flavour and meridian distribution of the current result set.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <ostream>

#include "analysis/herb_properties/herb_properties_window.h"
#include "cli/cli.h"
#include "common/safe_write.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

int HerbProperties(Context& ctx, const std::vector<std::string>& args) {
  const AnalysisDescriptor analysis = HerbPropertiesAnalysis();
  CLI::App app{"nature, flavour and meridian distribution", "herb-properties"};
  std::string png, kind = "meridian-radar";
  app.add_option("--chart", png, "also draw one chart as a PNG picture");
  app.add_option("--kind", kind,
                 "the chart: nature, flavour, meridian, flavour-radar or meridian-radar");
  if (auto status = ParseWords(ctx, app, args, analysis.usage, Complaint::kAsCli11, true))
    return *status;
  PropertyChart chart = PropertyChart::kMeridianRadar;
  if (!ParsePropertyChart(kind, chart)) return UsageError(ctx, analysis.usage);
  // A chart that cannot be written is known before the result file is replaced.
  if (!png.empty() && UpperCase(std::filesystem::path(png).extension().string()) != ".PNG") {
    ctx.session.Message("图片文件名须以 .png 结尾：" + png);
    return kRefused;
  }
  if (std::string problem = CheckUserOutputs(ctx.session.ProgramFolder(), {png});
      !problem.empty()) {
    ctx.session.Message(problem);
    return kRefused;
  }
  HerbPropertiesWindow& window = ctx.session.Window<HerbPropertiesWindow>();
  Outcome outcome = window.Analyse();
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  ctx.out << "# " << window.Caption() << " — Label_Summary\n" << window.LabelSummary() << '\n';
  PrintGrid(ctx, window.Caption(), "FlexGrid_Natures", window.FlexGridNatures());
  PrintGrid(ctx, window.Caption(), "FlexGrid_NatureDegrees", window.FlexGridNatureDegrees());
  PrintGrid(ctx, window.Caption(), "FlexGrid_Flavours", window.FlexGridFlavours());
  PrintGrid(ctx, window.Caption(), "FlexGrid_Meridians", window.FlexGridMeridians());
  PrintGrid(ctx, window.Caption(), "FlexGrid_Toxic", window.FlexGridToxic());
  return png.empty() ? kDone : ExitStatus(window.SaveChart(chart, png));
}

PresenterRegistrar herb_properties_command("herb-properties", HerbProperties);

}  // namespace
}  // namespace lindora::cli
