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

void PrintTable(Context& ctx, const ResultTable& table) {
  Grid grid(1, static_cast<int>(table.header.size()));
  FillGrid(grid, table);
  PrintGrid(ctx, table.caption, table.key, grid);
}

// "--key value" pairs for the descriptor's options and `extra` keys; the words left over are
// the operands. False for an unknown option or an option without its value.
bool ReadWords(const AnalysisDescriptor& d, const std::vector<std::string>& extra,
               const std::vector<std::string>& words, OptionValues& values,
               std::vector<std::string>& operands) {
  bool options_end = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (options_end || w.size() < 3 || w.rfind("--", 0) != 0) {
      if (w == "--" && !options_end) {
        options_end = true;
        continue;
      }
      operands.push_back(w);
      continue;
    }
    std::string key = w.substr(2), value;
    if (std::size_t eq = key.find('='); eq != std::string::npos) {
      value = key.substr(eq + 1);
      key.resize(eq);
    } else {
      if (i + 1 >= words.size()) return false;
      value = words[++i];
    }
    bool known = std::find(extra.begin(), extra.end(), key) != extra.end();
    for (const AnalysisOption& o : d.options) known = known || o.key == key;
    if (!known || values.count(key)) return false;
    values[key] = value;
  }
  return true;
}

int RunAnalysis(Context& ctx, const AnalysisDescriptor& d, const OptionValues& values) {
  AnalysisOutput output;
  Outcome outcome = d.run(ctx.session, values, output);
  if (outcome != Outcome::kDone) return ExitStatus(outcome);
  for (const ResultTable& table : output.tables) PrintTable(ctx, table);
  ctx.out << output.summary << "\n";
  return kDone;
}

int ClusterHerbs(Context& ctx, const std::vector<std::string>& words) {
  const AnalysisDescriptor d = HerbClusteringDescriptor();
  OptionValues values;
  std::vector<std::string> operands;
  if (!ReadWords(d, {"png", "svg"}, words, values, operands) || !operands.empty())
    return UsageError(ctx, d.usage);
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
  for (const ResultTable& table : output.tables) PrintTable(ctx, table);
  ctx.out << output.summary << "\n";
  return kDone;
}

int SimilarFormulas(Context& ctx, const std::vector<std::string>& words) {
  const AnalysisDescriptor d = SimilarFormulasDescriptor();
  OptionValues values;
  std::vector<std::string> operands;
  if (!ReadWords(d, {}, words, values, operands) || operands.size() != 1 || values.count("formula"))
    return UsageError(ctx, d.usage);
  values["formula"] = operands[0];
  return RunAnalysis(ctx, d, values);
}

int OptionsOnly(Context& ctx, const AnalysisDescriptor& d, const std::vector<std::string>& words) {
  OptionValues values;
  std::vector<std::string> operands;
  if (!ReadWords(d, {}, words, values, operands) || !operands.empty())
    return UsageError(ctx, d.usage);
  return RunAnalysis(ctx, d, values);
}

Registrar cluster_herbs_command("cluster-herbs", HerbClusteringDescriptor().usage,
                                HerbClusteringDescriptor().help, OwnOptions{}, ClusterHerbs);
Registrar similar_formulas_command("similar-formulas", SimilarFormulasDescriptor().usage,
                                   SimilarFormulasDescriptor().help, OwnOptions{}, SimilarFormulas);
Registrar cluster_formulas_command("cluster-formulas", FormulaClusteringDescriptor().usage,
                                   FormulaClusteringDescriptor().help, OwnOptions{},
                                   [](Context& ctx, const Args& words) {
                                     return OptionsOnly(ctx, FormulaClusteringDescriptor(), words);
                                   });
Registrar core_combinations_command("core-combinations", CoreCombinationsDescriptor().usage,
                                    CoreCombinationsDescriptor().help, OwnOptions{},
                                    [](Context& ctx, const Args& words) {
                                      return OptionsOnly(ctx, CoreCombinationsDescriptor(), words);
                                    });

}  // namespace
}  // namespace lindora::cli
