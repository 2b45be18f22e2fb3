// Clustering of the current result set: herbs, similar formulas, formula groups, core
// combinations. Each command reads its options against its analysis's descriptor and prints
// the tables the analysis produced.
#include <algorithm>
#include <ostream>

#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "cli/cli.h"
#include "common/pictures.h"
#include "common/safe_write.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

int RunAnalysis(Context& ctx, const AnalysisDescriptor& d, const OptionValues& values) {
  AnalysisOutput output;
  Outcome outcome = d.run(ctx.session, values, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  for (const ResultTable& table : output.tables) PrintTable(ctx, table.caption, table.key, table);
  ctx.out << output.summary << "\n";
  return kDone;
}

int ClusterHerbs(Context& ctx, const std::vector<std::string>& words) {
  const AnalysisDescriptor& d = ListedAnalysis(ctx, "cluster-herbs");
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, d, words, values)) return *status;
  const std::string png = values.count("png") ? values["png"] : "";
  const std::string svg = values.count("svg") ? values["svg"] : "";
  values.erase("png");
  values.erase("svg");
  for (const std::string& file : {png, svg}) {
    if (file.empty()) continue;
    if (!InstalledPictureWriter()) {
      ctx.session.Message("本程序未带绘图功能，无法作图。");
      return kRefused;
    }
    if (!EndsWith(Lower(file), file == png ? ".png" : ".svg")) {
      ctx.session.Message("图片文件名须以 " + std::string(file == png ? ".png" : ".svg") +
                          " 结尾：" + file);
      return kRefused;
    }
  }
  if (std::string problem = CheckUserOutputs(ctx.session.ProgramFolder(), {png, svg});
      !problem.empty()) {
    ctx.session.Message(problem);
    return kRefused;
  }
  std::string message;
  if (values.count("k") && values.count("height")) {
    ctx.session.Message("聚类数与切割高度只能指定其一。");
    return kRefused;
  }
  std::optional<HerbClusteringOptions> options = ReadHerbClusteringOptions(values, message);
  if (!options) {
    ctx.session.Message(message);
    return kRefused;
  }
  AnalysisOutput output;
  HerbClustering result;
  Outcome outcome = RunHerbClustering(ctx.session, *options, result, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  outcome = Guard(ctx.session, [&] {
    const DendrogramPicture picture = PictureOf(result);
    const int h = DendrogramHeight(result.herbs.size());
    if (!png.empty())
      InstalledPictureWriter()->WriteDendrogramPng(picture, png, kDendrogramWidth, h);
    if (!svg.empty())
      InstalledPictureWriter()->WriteDendrogramSvg(picture, svg, kDendrogramWidth, h);
  });
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  for (const ResultTable& table : output.tables) PrintTable(ctx, table.caption, table.key, table);
  ctx.out << output.summary << "\n";
  return kDone;
}

int SimilarFormulas(Context& ctx, const std::vector<std::string>& words) {
  const AnalysisDescriptor& d = ListedAnalysis(ctx, "similar-formulas");
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, d, words, values)) return *status;
  return RunAnalysis(ctx, d, values);
}

int OptionsOnly(Context& ctx, std::string_view key, const std::vector<std::string>& words) {
  const AnalysisDescriptor& d = ListedAnalysis(ctx, key);
  OptionValues values;
  if (auto status = ReadOptionWords(ctx, d, words, values)) return *status;
  return RunAnalysis(ctx, d, values);
}

PresenterRegistrar cluster_herbs_command("cluster-herbs", ClusterHerbs);
PresenterRegistrar similar_formulas_command("similar-formulas", SimilarFormulas);
PresenterRegistrar cluster_formulas_command("cluster-formulas",
                                            [](Context& ctx, const Args& words) {
                                              return OptionsOnly(ctx, "cluster-formulas", words);
                                            });
PresenterRegistrar core_combinations_command("core-combinations",
                                             [](Context& ctx, const Args& words) {
                                               return OptionsOnly(ctx, "core-combinations", words);
                                             });

}  // namespace
}  // namespace lindora::cli
