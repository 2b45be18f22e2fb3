#include "chem/chem_analysis.h"

#include "chem/active_matching.h"
#include "chem/herb_chem_actions.h"
#include "chem/ingredient_screening_window.h"
#include "chem/similar_herbs.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "common/web_addresses.h"
#include "herb/danti_analysis.h"

namespace lindora {

Outcome DrawSelectedCompound(Session& session, const WindowModel& window, const std::string& smiles,
                             StructurePicture& picture) {
  if (smiles.empty()) return Outcome::kDone;
  return Guard(session, [&] {
    if (!ShowStructure(session, smiles, picture)) return false;
    window.Changed();
    return true;
  });
}

Outcome SelectedCompoundProperties(Session& session, const std::string& smiles) {
  if (smiles.empty()) return Refuse(session, kNoCompoundSelected);
  return Guard(session, [&] { return PropertiesOfSmiles(session, smiles); });
}

Outcome SearchSelectedCompoundOnPubChem(Session& session, const std::string& smiles) {
  if (smiles.empty()) return Refuse(session, kNoCompoundSelected);
  session.OpenUrl(PubChemSearchAddress(smiles));
  return Outcome::kDone;
}

Outcome ShowSimilarHerbs(Session& session, const ScreeningCompound& query, double min_similarity) {
  return Guard(session, [&]() -> Outcome {
    const SimilarHerbsResult result = RunSimilarHerbs(session, {query, min_similarity});
    if (!result.refusal.empty()) return Refuse(session, result.refusal);
    const std::string who = query.name.empty() ? query.smiles : query.name;
    const std::string threshold = FormatNumber(min_similarity);
    if (result.herbs.empty()) {
      return Refuse(session, "在 " + std::to_string(result.compared) +
                                 " 个中药化学成分中，没有与“" + who +
                                 "”的结构相似度（FP2 Tanimoto）不低于 " + threshold + " 的成分。");
    }
    DantiAnalysis& danti = session.Window<DantiAnalysis>();
    // The count of similar ingredients stands where a frequency stands, so the window's own
    // analyses (types, charts, export) still read a whole number there.
    danti.InitializeHerbGrid(1200, 1000);
    Grid& grid = danti.FlexGrid();
    grid.SetCols(4);
    SetGridCell(grid, "相似成分数", 1, 0, 1300);
    SetGridCell(grid, "最高相似度", 2, 0, 1300);
    SetGridCell(grid, "最相似成分", 3, 0, 3000);
    for (const SimilarHerb& h : result.herbs) {
      danti.AddHerbRow(h.herb, std::to_string(h.similar_ingredients));
      const int row = grid.Rows() - 1;
      grid.SetTextMatrix(row, 2, FixedDecimals(h.similarity, 4));
      grid.SetTextMatrix(row, 3, h.best_name + "（" + h.best_id + "）");
    }
    danti.SetCaption(std::string(DantiAnalysis::kTag) + "——成分与“" + who + "”相似的中药");
    danti.Show();
    std::string text = "有 " + std::to_string(result.herbs.size()) + " 味中药含有与“" + who +
                       "”结构相似（FP2 指纹 Tanimoto ≥ " + threshold +
                       "）的成分，已按最高相似度列在单味药窗口中（比较了 " +
                       std::to_string(result.compared) + " 个成分";
    if (result.without_fingerprint > 0)
      text += "，" + std::to_string(result.without_fingerprint) + " 个成分没有可用的结构，未比较";
    session.Message(text + "）。\r\n结果已写入 " + result.file.string());
    return Outcome::kDone;
  });
}

ChemAnalysis::ChemAnalysis(Session& session) : WindowModel(session), flex_grid_(1, 4) {
  SetCaption(kTag);
  flex_grid_.SetWidth(kGridWidth);
  flex_grid_.SetHeight(kGridHeight);
  pic_mol_.box = {PixelsOfTwips(kPictureWidth), PixelsOfTwips(kPictureHeight)};
}

const std::vector<MenuEntry>& ChemAnalysis::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", false},
      {"Menu_LoadChemList", "导入化学成分列表", "Menu_File", true, true, NoEffect},
      {"Menu_ExportChemList", "导出化学成分列表", "Menu_File", true, true, NoEffect},
      {"Menu_Analysis", "分析(&A)", "", true},
      {"Menu_FindActiveComponent", "可能的活性成分分析", "Menu_Analysis", true},
      {"Menu_FindAntiinfluenza", "抗流感活性", "Menu_FindActiveComponent", true, true,
       On(&ChemAnalysis::Menu_FindAntiinfluenza_Click)},
      {"Menu_FindAnticancer", "抗癌活性", "Menu_FindActiveComponent", true, true,
       On(&ChemAnalysis::Menu_FindAnticancer_Click)},
      {"Menu_FindSimilarTCM", "找相似化学组分的单味中药", "Menu_Analysis", true, true,
       On(&ChemAnalysis::Menu_FindSimilarTCM_Click)},
      {"Menu_PropertyAnalysis", "物性参数分析", "Menu_Analysis", false, true, NoEffect},
      {"Menu_ScaffoldAnalysis", "分子骨架分析", "Menu_Analysis", false, true, NoEffect},
      {"Menu_RingSystemAnalysis", "分子环系统分析", "Menu_Analysis", false, true, NoEffect},
      {"Menu_PopupMenu", "Popupmenu", "", false},
      {"Menu_SearchPubChem", "在PubChem中搜索该化合物", "Menu_PopupMenu", true, true,
       On(&ChemAnalysis::Menu_SearchPubChem_Click)},
      {"Menu_CalProperties", "计算理化性质", "Menu_PopupMenu", true, true,
       On(&ChemAnalysis::Menu_CalProperties_Click)},
      {"Menu_Screening", "筛选(&S)", "", true},
      {"Menu_IngredientScreening", "成分筛选（类药性、相似活性成分）", "Menu_Screening", true, true,
       On(&ChemAnalysis::Menu_IngredientScreening_Click)},
  };
  return menus;
}

void ChemAnalysis::SetChecks(bool anticancer) {
  anticancer_checked_ = anticancer;
  antiinfluenza_checked_ = !anticancer;
  Changed();
}

void ChemAnalysis::InitializeGrid() {
  flex_grid_.Clear();
  const std::vector<std::string> header = Split(kIngredientHeader, " ");
  const double half = flex_grid_.Width() / 2.0;
  const double widths[] = {1, half, half, 1};
  for (int c = 0; c < 4; ++c) SetGridCell(flex_grid_, header[c], c, 0, widths[c]);
  flex_grid_.SetRows(1);
}

void ChemAnalysis::AddCompoundRow(std::string_view record) {
  flex_grid_.AddRow();
  const int row = flex_grid_.Rows() - 1;
  std::vector<std::string> fields = Split(record, "\t");
  for (int c = 0; c < static_cast<int>(fields.size()); ++c)
    flex_grid_.SetTextMatrix(row, c, fields[c]);
}

std::string ChemAnalysis::SelectedSmiles() const {
  int row = flex_grid_.RowSel();
  if (row < 1 || row >= flex_grid_.Rows()) return {};
  return flex_grid_.TextMatrix(row, kSmilesCol);
}

Outcome ChemAnalysis::FlexGrid_Click() {
  return DrawSelectedCompound(session_, *this, SelectedSmiles(), pic_mol_);
}

Outcome ChemAnalysis::Menu_CalProperties_Click() {
  return SelectedCompoundProperties(session_, SelectedSmiles());
}

Outcome ChemAnalysis::Menu_SearchPubChem_Click() {
  return SearchSelectedCompoundOnPubChem(session_, SelectedSmiles());
}

ScreeningCompound ChemAnalysis::SelectedCompound() const {
  const int row = flex_grid_.RowSel();
  if (row < 1 || row >= flex_grid_.Rows()) return {};
  return {flex_grid_.TextMatrix(row, 0), flex_grid_.TextMatrix(row, 1),
          flex_grid_.TextMatrix(row, kSmilesCol), flex_grid_.TextMatrix(row, 3)};
}

Outcome ChemAnalysis::Menu_FindSimilarTCM_Click() {
  const ScreeningCompound query = SelectedCompound();
  if (query.smiles.empty()) return Refuse(session_, kNoCompoundSelected);
  const std::string answer =
      session_.dialogs().Input("请输入相似度阈值（0 到 1 之间，FP2 指纹的 Tanimoto 系数）",
                               FixedDecimals(kDefaultMinSimilarity, 1));
  if (Trim(answer).empty()) return Outcome::kDone;  // cancelled
  const std::optional<double> threshold = ParseSimilarityThreshold(answer);
  if (!threshold)
    return Refuse(session_, "相似度阈值“" + answer + "”不是 0 到 1 之间的数（例如 0.7）。");
  return ShowSimilarHerbs(session_, query, *threshold);
}

Outcome ChemAnalysis::Menu_FindAnticancer_Click() {
  return Guard(session_, [&] { return FindActiveComponents(*this, ActivityKind::kAnticancer); });
}

Outcome ChemAnalysis::Menu_FindAntiinfluenza_Click() {
  return Guard(session_, [&] { return FindActiveComponents(*this, ActivityKind::kAntiinfluenza); });
}

Outcome ChemAnalysis::Menu_IngredientScreening_Click() {
  return OpenIngredientScreening(*this);
}

}  // namespace lindora
