// The active-component window: the ingredients of a herb found in one of the reference sets,
// with the structure of the selected one and a pop-up menu to follow it further.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "chem/open_babel.h"
#include "common/grid.h"
#include "common/input_events.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"

namespace lindora {

class ActiveComponent : public WindowModel {
 public:
  static constexpr std::string_view kDesignCaption = "可能的活性组分分析";
  static constexpr int kWidth = 20430;
  static constexpr int kHeight = 5460;
  // Design client area (twips): the outer size less a 16 × 38 px frame and title bar.
  static constexpr int kClientWidth = kWidth - 240;
  static constexpr int kClientHeight = kHeight - 570;
  static constexpr int kGridWidth = 15300;
  static constexpr int kGridHeight = 4500;
  // Twips: the picture box Pic_Mol.
  static constexpr int kPictureWidth = 4215;
  static constexpr int kPictureHeight = 4215;
  // Column of the reference addresses (anti-influenza) and of the NPACT number (anticancer).
  static constexpr int kRefAddressCol = 6;
  static constexpr int kNpactCol = 1;

  explicit ActiveComponent(Session& session);
  std::string_view FormName() const override { return "Frm_ActiveComponent"; }

  // The grid's pop-up menu, on a menu bar that is not shown.
  static const std::vector<MenuEntry>& PopupMenu();

  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }
  StructurePicture& PicMol() { return pic_mol_; }
  const StructurePicture& PicMol() const { return pic_mol_; }

  // Fills: clear the grid to the columns of a reference set (names split at blanks, widths as
  // fractions of the grid width, 0 hiding a column), then one row per matched compound: the
  // first fields of its reference record and the compound id in `id_col`. AddMatchRow does not
  // tell the view: after the batch call Changed() or Show().
  void InitializeGrid(std::string_view header, const std::vector<double>& widths);
  void AddMatchRow(const std::vector<std::string>& fields, int fields_copied, int id_col,
                   std::string_view id);

  std::string SelectedSmiles() const;
  // The herbs that contain the selected compound, into the single-herb window; true when some
  // were found.
  bool SearchHerbsWithCompound();

  Outcome FlexGrid_Click();
  bool FlexGrid_MouseDown(int button) const { return button == kRightButton; }
  Outcome Menu_SearchTCM_Click();
  Outcome Menu_OpenRef_Click();
  Outcome Menu_SearchPubChem_Click();
  Outcome Menu_CalProperties_Click();

 private:
  bool HasSelection() const;
  Grid flex_grid_;
  StructurePicture pic_mol_;
};

// The addresses of a reference-address field: the text after each "]" up to the next "[" or
// "]", trimmed; a field without brackets is one address as it stands.
std::vector<std::string> RefAddresses(std::string_view field);
// An NPACT number padded to five digits; a text that is no number stays as it is.
std::string FormatNpactNumber(std::string_view number);
// Whether the browser may be handed this address taken from a data file.
bool IsWebAddress(std::string_view address);

}  // namespace lindora
