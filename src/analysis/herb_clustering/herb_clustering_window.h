// The clustering window (聚类分析), three tabs: herb clustering with its dendrogram, similar
// formulas and formula groups (类方), core combinations with the mutual-information table and
// candidate new formulas. Options are kept as typed; each run goes through the analysis's
// engine, which checks them, writes the files to \Result\ and returns what the tabs show.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "common/grid.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class HerbClusteringWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "聚类分析";
  enum Tab { kHerbTab = 0, kFormulaTab = 1, kCoreTab = 2 };

  explicit HerbClusteringWindow(Session& session);
  std::string_view FormName() const override { return "Frm_HerbClustering"; }

  int CurrentTab() const { return tab_; }
  void SetCurrentTab(int tab);

  // Option texts by the analyses' option keys ("top", "min-support", …), one set per tab.
  const OptionValues& HerbOptions() const { return herb_options_; }
  void SetHerbOption(const std::string& key, std::string_view value);
  const OptionValues& CoreOptionValues() const { return core_options_; }
  void SetCoreOption(const std::string& key, std::string_view value);
  const std::string& FormulaName() const { return formula_name_; }
  void SetFormulaName(std::string_view name) {
    formula_name_ = name;
    Changed();
  }
  // What the 相似方剂 chooser offers for the text typed so far: the open library's formulas
  // whose name holds `filter` (letters in any case), each name once, those that begin with it
  // first, otherwise in library order; every formula when `filter` is blank. Read afresh on
  // each call, so an import into the open library is offered at once.
  std::vector<std::string> FormulaChoices(std::string_view filter = {}) const;
  const std::string& SimilarTop() const { return similar_top_; }
  void SetSimilarTop(std::string_view top) {
    similar_top_ = top;
    Changed();
  }
  const std::string& MinSimilarity() const { return min_similarity_; }
  void SetMinSimilarity(std::string_view s) {
    min_similarity_ = s;
    Changed();
  }

  // The runs of the three tabs; each shows the window on success. A refused run keeps what the
  // tab showed and replaces no file.
  Outcome Cmd_ClusterHerbs_Click();
  Outcome Cmd_SimilarFormulas_Click();
  Outcome Cmd_ClusterFormulas_Click();
  Outcome Cmd_CoreCombinations_Click();

  static const std::vector<MenuEntry>& MenuBar();
  Outcome Menu_SavePng_Click() { return AskAndSavePicture("PNG (*.png)", ".png"); }
  Outcome Menu_SaveSvg_Click() { return AskAndSavePicture("SVG (*.svg)", ".svg"); }
  Outcome SavePicture(const std::filesystem::path& path);
  // 导出为 Excel: the tables of every run shown (herb clusters and merges, similar formulas,
  // formula clusters, mutual information, core combinations, candidates), every row, typed;
  // the dendrogram picture beside the herb clusters. Refused before any run.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  bool HasTree() const { return !herbs_.herbs.empty(); }
  DendrogramPicture Picture() const { return PictureOf(herbs_); }
  const HerbClustering& Herbs() const { return herbs_; }
  // The grids of the tabs and the one-line summaries under them.
  Grid& HerbGrid() { return herb_grid_; }
  Grid& SimilarGrid() { return similar_grid_; }
  Grid& FormulaClusterGrid() { return formula_cluster_grid_; }
  Grid& InformationGrid() { return information_grid_; }
  Grid& CoreGrid() { return core_grid_; }
  Grid& CandidateGrid() { return candidate_grid_; }
  const std::string& Summary(int tab) const { return summary_[tab]; }
  // The result set the current tab's tables describe (the similar formulas of a formula are
  // ranked against the library and describe none).
  DescribedSet& Described() { return described_[static_cast<std::size_t>(tab_)]; }
  const DescribedSet& Described() const { return described_[static_cast<std::size_t>(tab_)]; }

 private:
  Outcome AskAndSavePicture(std::string_view filter, std::string_view suffix);
  void Shown(int tab);
  // The tab's tables now describe the current result set; `run` fills them again.
  void TakeResultSet(int tab, Outcome (HerbClusteringWindow::*run)());
  int tab_ = kHerbTab;
  OptionValues herb_options_, core_options_;
  std::string formula_name_, similar_top_ = std::to_string(SimilarFormulasOptions{}.top),
                             min_similarity_ = DecimalText(FormulaClustering{}.min_similarity);
  HerbClustering herbs_;
  Grid herb_grid_, similar_grid_, formula_cluster_grid_, information_grid_, core_grid_,
      candidate_grid_;
  std::string summary_[3];
  // The engines' tables of the runs shown, by run: herbs, similar, formula clusters, core.
  std::vector<ResultTable> tables_[4];
  std::array<DescribedSet, 3> described_;
};

// The 聚类分析 menu item: refuses on an empty result set, else shows the window with the herb
// clustering of the current result set at the default options.
Outcome OpenHerbClustering(Session& session);
// The formula grid's 相似方剂 pop-up item: the similar-formulas tab for the formula `name`,
// ranked against the open library.
Outcome ShowSimilarFormulas(Session& session, const std::string& name);
// The same for the formula of the formula grid's selected row.
Outcome ShowSimilarToSelectedFormula(Session& session);

}  // namespace lindora
