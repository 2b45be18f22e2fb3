// The ingredient screening window: the descriptors and drug-likeness verdicts of all of a
// herb's ingredients (sortable, optionally only those that pass), the ingredients most similar
// to a reference set of actives, and the structure of the selected compound.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "chem/ingredient_screening.h"
#include "chem/open_babel.h"
#include "common/grid.h"
#include "common/header_sort.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"

namespace lindora {

class ChemAnalysis;

class IngredientScreening : public WindowModel {
 public:
  static constexpr std::string_view kTag = "成分筛选";
  // Twips: the client area the window keeps.
  static constexpr int kClientWidth = 20175;
  static constexpr int kClientHeight = 8760;
  static constexpr int kGridLeft = 240;
  static constexpr int kGridWidth = 15000;
  static constexpr int kGridTop = 600;
  static constexpr int kGridHeight = 4800;
  static constexpr int kSimilarTop = 5880;
  static constexpr int kSimilarHeight = 2640;
  static constexpr int kFrameLeft = 15480;
  // The structure box, square, inside the frame below its caption; the converter draws the
  // structure at exactly this size, so no atom at the edge is cut off.
  static constexpr int kPictureSize = 3975;
  // Columns of the screening grid.
  static constexpr int kIdCol = 0;
  static constexpr int kFirstValueCol = 2;
  static constexpr int kViolationsCol = 8;

  explicit IngredientScreening(Session& session);
  std::string_view FormName() const override { return "Frm_IngredientScreening"; }
  static const std::vector<MenuEntry>& MenuBar();
  // 导出为 Excel: the descriptor table and the similar actives, as the grids list them.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }
  Grid& SimilarGrid() { return similar_grid_; }
  const Grid& SimilarGrid() const { return similar_grid_; }
  StructurePicture& PicMol() { return pic_mol_; }
  const StructurePicture& PicMol() const { return pic_mol_; }
  const std::string& StatusText() const { return status_; }
  bool OnlyPassing() const { return only_passing_; }
  const std::string& Herb() const { return herb_; }
  // True while a converter run of this window is going on.
  bool Busy() const { return busy_; }

  // Takes the compounds of the chemical analysis window's grid and its herb; earlier results
  // are cleared. Refused when the grid lists no compound or a run is going on.
  Outcome LoadFromChemAnalysis(const ChemAnalysis& chem);

  // Descriptors of every compound in one converter run, into the grid and the screening file.
  Outcome Menu_RunScreening_Click();
  // Asks for the similarity threshold, then compares with the reference set.
  Outcome Menu_SimilarAnticancer_Click() { return AskAndFindSimilar(ActivityKind::kAnticancer); }
  Outcome Menu_SimilarAntiinfluenza_Click() {
    return AskAndFindSimilar(ActivityKind::kAntiinfluenza);
  }
  // The most similar reference compound of every compound, those at or above the threshold
  // into the similarity grid and file.
  Outcome FindSimilar(ActivityKind kind, double min_similarity);

  void Check_OnlyPassing_Click(bool checked);
  // 去盐: the next screening keeps only the largest fragment of each molecule.
  bool StripSalts() const { return strip_salts_; }
  void Check_StripSalts_Click(bool checked);
  // How the numbers of the last screening were obtained (before one: how they will be).
  std::string MethodText() const { return ScreeningMethod(strip_salts_, version_); }
  // A click on a header sorts by that column (again: the other way round); on a row it draws
  // the compound.
  Outcome FlexGrid_Click();
  Outcome SimilarGrid_Click();

 private:
  Outcome AskAndFindSimilar(ActivityKind kind);
  void FillScreeningGrid();
  void FillSimilarGrid();
  Outcome RefuseWhileBusy();

  Grid flex_grid_;
  Grid similar_grid_;
  StructurePicture pic_mol_;
  std::string status_;
  std::string herb_;
  bool only_passing_ = false;
  bool strip_salts_ = false;
  std::string version_;
  bool busy_ = false;
  std::vector<ScreeningCompound> compounds_;
  std::vector<ScreeningResult> results_;
  std::vector<SimilarActive> similar_;
  std::vector<std::size_t> shown_;  // the result shown in grid row r is results_[shown_[r - 1]]
  HeaderSort sort_;
};

// 成分筛选 of the chemical analysis window: its compounds into the screening window, which is
// shown and screens them at once.
Outcome OpenIngredientScreening(ChemAnalysis& chem);

}  // namespace lindora
