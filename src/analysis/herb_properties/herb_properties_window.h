// The window of the nature, flavour and meridian distribution of the current result set: a
// summary naming the herbs without data, the four tables and the toxic herbs as grids, and the
// data of its bar and radar charts.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/herb_properties/herb_properties_analysis.h"
#include "common/grid.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

// The charts the window shows and saves; the console's --kind names them.
enum class PropertyChart { kNature, kFlavour, kMeridian, kFlavourRadar, kMeridianRadar };
// "nature", "flavour", "meridian", "flavour-radar", "meridian-radar"; false for another text.
bool ParsePropertyChart(std::string_view text, PropertyChart& chart);

class HerbPropertiesWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "性味归经分析";
  static constexpr std::string_view kChartFile = "\\Result\\性味归经.png";
  static constexpr int kChartWidth = 1200, kChartHeight = 900;  // pixels of a saved PNG
  static constexpr int kWidth = 19500, kHeight = 12000;         // twips the window opens with

  explicit HerbPropertiesWindow(Session& session);
  std::string_view FormName() const override { return "Frm_HerbProperties"; }

  const std::string& LabelSummary() const { return label_summary_; }
  // 四气 (folded), 四气 as written, 五味, 归经, 有毒中药.
  const Grid& FlexGridNatures() const { return natures_; }
  const Grid& FlexGridNatureDegrees() const { return degrees_; }
  const Grid& FlexGridFlavours() const { return flavours_; }
  const Grid& FlexGridMeridians() const { return meridians_; }
  const Grid& FlexGridToxic() const { return toxic_; }
  // The same grids for a view, which moves their current cell on a click.
  Grid& FlexGridNatures() { return natures_; }
  Grid& FlexGridNatureDegrees() { return degrees_; }
  Grid& FlexGridFlavours() { return flavours_; }
  Grid& FlexGridMeridians() { return meridians_; }
  Grid& FlexGridToxic() { return toxic_; }
  const HerbPropertiesResult& Result() const { return result_; }

  // Analyses the current result set, fills the grids and shows the window; a refusal or a
  // failure keeps what was shown.
  Outcome Analyse();
  // Writes one chart as a PNG picture (atomically); refused before an analysis.
  Outcome SaveChart(PropertyChart chart, const std::filesystem::path& path);
  Outcome Cmd_SaveChart_Click(PropertyChart chart);
  // 导出为 Excel: the engine's five tables, every row, each bar chart beside its table;
  // refused before an analysis.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Cmd_ExportExcel_Click();

  // The result set the window describes.
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }

 private:
  void Fill();
  DescribedSet described_;

  std::string label_summary_;
  Grid natures_, degrees_, flavours_, meridians_, toxic_;
  HerbPropertiesResult result_;
};

// 性味归经分析, the analysis's menu entry: refuses with the empty-result-set warning when the
// formula grid has no data row, else counts the current result set and shows the window.
Outcome HerbPropertiesOfResults(Session& session);

}  // namespace lindora
