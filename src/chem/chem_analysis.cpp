#include "chem/chem_analysis.h"

#include "chem/active_matching.h"
#include "chem/herb_chem_actions.h"
#include "chem/ingredient_screening_window.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "common/web_addresses.h"

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

Outcome ChemAnalysis::Menu_FindSimilarTCM_Click() {
  return Refuse(session_, "由于时间仓促，此功能暂时还没做");
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
