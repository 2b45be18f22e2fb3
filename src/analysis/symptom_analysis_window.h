// The symptom window: one grid of symptom phrases and their counts.
#pragma once

#include <string_view>

#include "common/grid.h"
#include "common/window_model.h"

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

  Grid& FlexGrid_Symptom() { return grid_; }
  const Grid& FlexGrid_Symptom() const { return grid_; }

  // Present in the menu and without effect.
  void Menu_LoadSymptomList_Click() {}
  void Menu_ExportSymptomList_Click() {}

 private:
  Grid grid_;
};

}  // namespace lindora
