#pragma once

#include <QMenu>
#include <array>

#include "analysis/herb_frequency/herb_frequency_window.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// Pairs, triples and quadruples side by side; the file menu tells where the pair list lies.
class Frm_YaoduiAnalysis : public FormView {
  Q_OBJECT
 public:
  explicit Frm_YaoduiAnalysis(YaoduiAnalysisWindow& model);
  void Refresh() override;
  // Grid of the control array, index 1 to 3.
  FlexGridView* FlexGrid(int index) const { return grids_.at(static_cast<std::size_t>(index - 1)); }

 private:
  YaoduiAnalysisWindow& window_;
  std::array<FlexGridView*, 3> grids_{};
  ResultSetBar* result_set_bar_ = nullptr;
};

}  // namespace lindora::ui
