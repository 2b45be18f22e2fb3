// The chemical analysis window: the ingredients of one herb, one compound per grid row
// (ID, Name, SMILES, InChIKey), and the structure of the selected one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "chem/ingredient_screening.h"
#include "chem/open_babel.h"
#include "common/grid.h"
#include "common/input_events.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"

namespace lindora {

class ChemAnalysis : public WindowModel {
 public:
  static constexpr std::string_view kTag = "化学成分分析";
  // Twips: the window keeps this size.
  static constexpr int kWidth = 11025;
  static constexpr int kHeight = 5655;
  // Design client area (twips): the outer size less a 16 × 38 px frame and title bar.
  static constexpr int kClientWidth = kWidth - 240;
  static constexpr int kClientHeight = kHeight - 570;
  static constexpr int kGridWidth = 5580;
  static constexpr int kGridHeight = 4380;
  static constexpr int kSmilesCol = 2;
  // Twips: the picture box Pic_Mol.
  static constexpr int kPictureWidth = 4215;
  static constexpr int kPictureHeight = 4095;
  static constexpr int kRightButton = lindora::kRightButton;

  explicit ChemAnalysis(Session& session);
  std::string_view FormName() const override { return "Frm_ChemAnalysis"; }
  std::string_view Tag() const { return kTag; }

  // The menu bar (分析; 文件 hidden) and the grid's pop-up menu, which sits hidden on the bar.
  static const std::vector<MenuEntry>& MenuBar();

  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }
  StructurePicture& PicMol() { return pic_mol_; }
  const StructurePicture& PicMol() const { return pic_mol_; }

  // Check marks of 抗流感活性 and 抗癌活性: which analysis ran last.
  bool AntiinfluenzaChecked() const { return antiinfluenza_checked_; }
  bool AnticancerChecked() const { return anticancer_checked_; }
  void SetChecks(bool anticancer);

  // Fills: clear the grid to the ingredient header (ID Name SMILES InChIKey, the name and SMILES
  // columns half the width each), then one compound record (TAB-separated fields) per row.
  // AddCompoundRow does not tell the view: after the batch call Changed() or Show().
  void InitializeGrid();
  void AddCompoundRow(std::string_view record);

  // The SMILES of the selected row; empty when the header or nothing is selected.
  std::string SelectedSmiles() const;
  // The selected row as a compound (identifier, name, SMILES, InChIKey); empty likewise.
  ScreeningCompound SelectedCompound() const;

  Outcome FlexGrid_Click();
  // True when the pop-up menu is to be shown (right button).
  bool FlexGrid_MouseDown(int button) const { return button == kRightButton; }
  Outcome Menu_CalProperties_Click();
  // 成分筛选: the listed compounds in the ingredient screening window.
  Outcome Menu_IngredientScreening_Click();
  Outcome Menu_SearchPubChem_Click();
  // Asks for the similarity threshold, then lists the herbs with the most similar ingredients.
  Outcome Menu_FindSimilarTCM_Click();
  Outcome Menu_FindAnticancer_Click();
  Outcome Menu_FindAntiinfluenza_Click();

 private:
  Grid flex_grid_;
  StructurePicture pic_mol_;
  bool antiinfluenza_checked_ = true;
  bool anticancer_checked_ = false;
};

// The message for an action that needs a selected compound.
inline constexpr std::string_view kNoCompoundSelected = "请先在列表中选中一个化合物。";

// What both compound grids (ingredients and active components) do with the SMILES of the
// selected row: draw it on a click, compute its properties, search PubChem for it.
Outcome DrawSelectedCompound(Session& session, const WindowModel& window, const std::string& smiles,
                             StructurePicture& picture);
Outcome SelectedCompoundProperties(Session& session, const std::string& smiles);
// 找相似化学组分的单味中药: the herbs whose ingredients are most similar to the compound, into
// the single-herb window's grid with the best-matching ingredient of each.
Outcome ShowSimilarHerbs(Session& session, const ScreeningCompound& query, double min_similarity);
Outcome SearchSelectedCompoundOnPubChem(Session& session, const std::string& smiles);

}  // namespace lindora
