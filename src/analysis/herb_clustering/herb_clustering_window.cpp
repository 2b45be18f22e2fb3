#include "analysis/herb_clustering/herb_clustering_window.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "analysis/result_data.h"
#include "common/files.h"
#include "common/picture_save.h"
#include "common/pictures.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "formula/library.h"

namespace lindora {

namespace {

// Display width in half-width units: wide (non-ASCII) characters count two.
int TextUnits(const std::string& text) {
  int units = 0;
  for (unsigned char c : text) {
    if (c < 0x80)
      units += 1;
    else if (c >= 0xC0)
      units += 2;
  }
  return units;
}

// A table with its columns as wide as their widest text among the first rows, within bounds
// (twips: a half-width character and the cell's padding).
void ShowTable(Grid& grid, const ResultTable& table) {
  constexpr std::size_t kMeasuredRows = 300;
  constexpr int kUnitWidth = 120, kPadding = 240, kMinWidth = 600, kMaxWidth = 9000;
  FillGrid(grid, table);
  for (std::size_t c = 0; c < table.header.size(); ++c) {
    int units = TextUnits(table.header[c]);
    for (std::size_t r = 0; r < table.rows.size() && r < kMeasuredRows; ++r)
      if (c < table.rows[r].size()) units = std::max(units, TextUnits(table.rows[r][c].text));
    grid.SetColWidth(static_cast<int>(c),
                     std::clamp(kUnitWidth * units + kPadding, kMinWidth, kMaxWidth));
  }
}

}  // namespace

HerbClusteringWindow::HerbClusteringWindow(Session& session) : WindowModel(session) {
  SetCaption(kCaption);
  for (const AnalysisOption& o : HerbClusteringDescriptor().options)
    herb_options_[o.key] = o.default_value;
  for (const AnalysisOption& o : CoreCombinationsDescriptor().options)
    core_options_[o.key] = o.default_value;
}

void HerbClusteringWindow::SetCurrentTab(int tab) {
  tab_ = std::clamp(tab, 0, 2);
  Changed();
}

void HerbClusteringWindow::SetHerbOption(const std::string& key, std::string_view value) {
  herb_options_[key] = value;
  Changed();
}

void HerbClusteringWindow::SetCoreOption(const std::string& key, std::string_view value) {
  core_options_[key] = value;
  Changed();
}

void HerbClusteringWindow::TakeResultSet(int tab, Outcome (HerbClusteringWindow::*run)()) {
  described_[static_cast<std::size_t>(tab)].Take(
      session_, [run](Session& s) { return (s.Window<HerbClusteringWindow>().*run)(); });
}

void HerbClusteringWindow::Shown(int tab) {
  tab_ = tab;
  NewPicture();
  Show();
  Changed();
}

Outcome HerbClusteringWindow::Cmd_ClusterHerbs_Click() {
  // An empty height means the cut by the number of clusters.
  OptionValues values = herb_options_;
  if (Trim(values["height"]).empty()) values["height"] = "0";
  std::string message;
  std::optional<HerbClusteringOptions> options = ReadHerbClusteringOptions(values, message);
  if (!options) return Refuse(session_, message);
  HerbClustering result;
  AnalysisOutput output;
  Outcome outcome = RunHerbClustering(session_, *options, result, output);
  if (outcome != Outcome::kDone) return outcome;
  herbs_ = std::move(result);
  ShowTable(herb_grid_, output.tables[0]);
  tables_[0] = std::move(output.tables);
  summary_[kHerbTab] = output.summary;
  TakeResultSet(kHerbTab, &HerbClusteringWindow::Cmd_ClusterHerbs_Click);
  Shown(kHerbTab);
  return Outcome::kDone;
}

std::vector<std::string> HerbClusteringWindow::FormulaChoices(std::string_view filter) const {
  const std::string wanted = UpperCase(Trim(filter));
  std::vector<std::string> leading, inner;
  std::set<std::string> seen;
  std::error_code ec;
  const std::filesystem::path db = FormulaDbFile(session_);
  if (!std::filesystem::exists(db, ec)) return {};
  Guard(session_, [&] {
    ForEachLine(db, [&](const std::string& line) {
      // The records the similar-formula search can find: a name and at least three fields.
      const std::size_t tab = line.find('\t');
      if (tab == std::string::npos || line.find('\t', tab + 1) == std::string::npos) return true;
      std::string name = Trim(std::string_view(line).substr(0, tab));
      if (name.empty() || !seen.insert(name).second) return true;
      const std::size_t at = UpperCase(name).find(wanted);
      if (at == 0)
        leading.push_back(std::move(name));
      else if (at != std::string::npos)
        inner.push_back(std::move(name));
      return true;
    });
  });
  leading.insert(leading.end(), std::make_move_iterator(inner.begin()),
                 std::make_move_iterator(inner.end()));
  return leading;
}

Outcome HerbClusteringWindow::Cmd_SimilarFormulas_Click() {
  const AnalysisDescriptor d = SimilarFormulasDescriptor();
  AnalysisOutput output;
  Outcome outcome = d.run(session_, {{"formula", formula_name_}, {"top", similar_top_}}, output);
  if (outcome != Outcome::kDone) return outcome;
  ShowTable(similar_grid_, output.tables[0]);
  tables_[1] = std::move(output.tables);
  summary_[kFormulaTab] = output.summary;
  Shown(kFormulaTab);
  return Outcome::kDone;
}

Outcome HerbClusteringWindow::Cmd_ClusterFormulas_Click() {
  const AnalysisDescriptor d = FormulaClusteringDescriptor();
  AnalysisOutput output;
  Outcome outcome = d.run(session_, {{"min-similarity", min_similarity_}}, output);
  if (outcome != Outcome::kDone) return outcome;
  ShowTable(formula_cluster_grid_, output.tables[0]);
  tables_[2] = std::move(output.tables);
  summary_[kFormulaTab] = output.summary;
  TakeResultSet(kFormulaTab, &HerbClusteringWindow::Cmd_ClusterFormulas_Click);
  Shown(kFormulaTab);
  return Outcome::kDone;
}

Outcome HerbClusteringWindow::Cmd_CoreCombinations_Click() {
  const AnalysisDescriptor d = CoreCombinationsDescriptor();
  AnalysisOutput output;
  Outcome outcome = d.run(session_, core_options_, output);
  if (outcome != Outcome::kDone) return outcome;
  ShowTable(information_grid_, output.tables[0]);
  ShowTable(core_grid_, output.tables[1]);
  ShowTable(candidate_grid_, output.tables[2]);
  tables_[3] = std::move(output.tables);
  summary_[kCoreTab] = output.summary;
  TakeResultSet(kCoreTab, &HerbClusteringWindow::Cmd_CoreCombinations_Click);
  Shown(kCoreTab);
  return Outcome::kDone;
}

const std::vector<MenuEntry>& HerbClusteringWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_SavePng", "保存聚类树为PNG图片(&P)…", "Menu_File", true, true,
       On(&HerbClusteringWindow::Menu_SavePng_Click)},
      {"Menu_SaveSvg", "保存聚类树为SVG图片(&S)…", "Menu_File", true, true,
       On(&HerbClusteringWindow::Menu_SaveSvg_Click)},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&HerbClusteringWindow::Menu_ExportExcel_Click)},
  };
  return menus;
}

std::vector<WorkbookSheet> HerbClusteringWindow::ExcelSheets() const {
  std::vector<ResultTable> all;
  for (const std::vector<ResultTable>& run : tables_) all.insert(all.end(), run.begin(), run.end());
  std::vector<WorkbookSheet> sheets = SheetsOfTables(all);
  // A dendrogram is no chart type of Excel's: the program's picture stands beside the clusters.
  PictureWriter* writer = InstalledPictureWriter();
  if (writer && HasTree() && !sheets.empty() && sheets.front().table.key == "herb-clusters")
    sheets.front().picture_png =
        writer->DendrogramPng(Picture(), kDendrogramWidth, DendrogramHeight(herbs_.herbs.size()));
  return sheets;
}

Outcome HerbClusteringWindow::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, kCaption, ExcelSheets(), Described().Name());
}

Outcome HerbClusteringWindow::AskAndSavePicture(std::string_view filter, std::string_view suffix) {
  if (!HasTree()) return Refuse(session_, "尚未进行药物聚类。");
  return lindora::AskAndSavePicture(
      session_, "保存图片", "药物聚类树", suffix, filter,
      [this](const std::filesystem::path& path) { return SavePicture(path); });
}

Outcome HerbClusteringWindow::SavePicture(const std::filesystem::path& path) {
  if (!HasTree()) return Refuse(session_, "尚未进行药物聚类。");
  return WritePicture(path, {".png", ".svg"}, [&](PictureWriter& writer, const std::string& ext) {
    const int h = DendrogramHeight(herbs_.herbs.size());
    if (ext == ".png")
      writer.WriteDendrogramPng(Picture(), path, kDendrogramWidth, h);
    else
      writer.WriteDendrogramSvg(Picture(), path, kDendrogramWidth, h);
  });
}

Outcome OpenHerbClustering(Session& session) {
  if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
  return session.Window<HerbClusteringWindow>().Cmd_ClusterHerbs_Click();
}

Outcome ShowSimilarToSelectedFormula(Session& session) {
  const Grid& grid = session.Window<FangjiAnalysis>().FlexGrid();
  const int row = grid.RowSel();
  const std::string name = row >= 1 && row < grid.Rows() ? Trim(grid.TextMatrix(row, 0)) : "";
  if (name.empty()) return Refuse(session, "请先在表格中选中一首方剂。");
  return ShowSimilarFormulas(session, name);
}

Outcome ShowSimilarFormulas(Session& session, const std::string& name) {
  HerbClusteringWindow& window = session.Window<HerbClusteringWindow>();
  window.SetFormulaName(name);
  return window.Cmd_SimilarFormulas_Click();
}

}  // namespace lindora
