// The herb-pair window: pairs, triples and quadruples side by side in three grids.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/herb_frequency/herb_group_analysis.h"
#include "common/analysis_list.h"
#include "common/grid.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class YaoduiAnalysisWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "药对分析";
  // Twips: the window keeps this outer size; the grids fill the client area side by side.
  static constexpr int kWidth = 12435;
  static constexpr int kHeight = 7620;
  static constexpr int kClientWidth = 12195;  // below the menu bar
  static constexpr int kClientHeight = 6750;
  static constexpr int kGridTop = 120;
  static constexpr int kGridHeight = 6540;
  static constexpr std::array<int, 3> kGridLeft{120, 3600, 7920};
  static constexpr std::array<int, 3> kGridWidth{3300, 4140, 4140};
  static constexpr std::string_view kExportNotice =
      "导出药对（2）分析成功，可以用gephi进行网络分析，请到以下路径下查找：";
  static constexpr std::string_view kPairNameFile = "\\Result\\Yaodui_Analysis2_Name.csv";

  explicit YaoduiAnalysisWindow(Session& session);
  std::string_view FormName() const override { return "Frm_YaoduiAnalysis"; }

  // Grids of the control array, index 1 (pairs), 2 (triples) or 3 (quadruples).
  Grid& FlexGrid(int index) { return grids_.at(static_cast<std::size_t>(index - 1)); }
  const Grid& FlexGrid(int index) const { return grids_.at(static_cast<std::size_t>(index - 1)); }

  static const std::vector<MenuEntry>& MenuBar();

  // Fills grid n-1 (n = 2 pairs, 3 triples, 4 quadruples): clear it to its two headers
  // (药对（n） / 频数), then one row per group. AddGroupRow does not tell the view: after the
  // batch call Show() or Changed().
  void InitializeGroupGrid(int n);
  void AddGroupRow(int n, std::string_view herbs, std::int64_t count);

  // The run that filled grid n-1, kept for the workbook's every group (the grid shows the
  // first ones); the table of names is made only when a workbook is written, as a quarter
  // million quadruples spelled out would double the memory of the analysis. The next
  // InitializeGroupGrid(n) forgets it.
  void SetFullGroups(int n, std::shared_ptr<const HerbGroupResult> result);
  // What 导出为 Excel writes: one sheet per group size, every group, with a chart of the
  // most frequent.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  // Tells where the pair name file of the last analysis lies.
  Outcome Menu_ExportYaodui2List_Click();
  // Draws the herb network of the same result set.
  Outcome Menu_HerbNetwork_Click();

  // The result set the window describes.
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }

 private:
  std::array<Grid, 3> grids_;
  DescribedSet described_;
  std::array<std::shared_ptr<const HerbGroupResult>, 3> full_groups_;
};

}  // namespace lindora
