// The symptom window: one grid of symptom phrases and their counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/grid.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class SymptomAnalysisWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "病症分析";
  // Twips: the window keeps this outer size.
  static constexpr int kWidth = 3885;
  static constexpr int kHeight = 3990;
  static constexpr int kClientWidth = 3645;  // below the menu bar
  static constexpr int kClientHeight = 3420;
  static constexpr int kGridLeft = 120, kGridTop = 120;
  static constexpr int kGridWidth = 3420, kGridHeight = 3180;

  explicit SymptomAnalysisWindow(Session& session);
  std::string_view FormName() const override { return "Frm_SymptomAnalysis"; }

  Grid& FlexGridSymptom() { return grid_; }
  const Grid& FlexGridSymptom() const { return grid_; }

  static const std::vector<MenuEntry>& MenuBar();

  // Present in the menu and without effect.
  Outcome Menu_LoadSymptomList_Click() { return Outcome::kDone; }
  Outcome Menu_ExportSymptomList_Click() { return Outcome::kDone; }
  // 病症频数图: the most frequent symptoms as a chart window; refused when none is listed.
  Outcome Menu_SymptomChart_Click();

  // 导出为 Excel: every symptom listed, with the frequency chart; refused when none is.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

  // Fills: clear the grid to its two headers (症状 / 频数), then one row per symptom. AddRow
  // does not tell the view: after the batch call Show() or Changed().
  void InitializeGrid();
  void AddSymptomRow(std::string_view symptom, std::int64_t count);
  // The result set the grid was counted from.
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }
  // The counting engine's table of the rows just added, typed; the next InitializeGrid forgets
  // it and the workbook falls back to the grid.
  void SetEngineTable(ResultTable table) { engine_table_ = std::move(table); }

 private:
  Grid grid_;
  DescribedSet described_;
  std::optional<ResultTable> engine_table_;
};

}  // namespace lindora
