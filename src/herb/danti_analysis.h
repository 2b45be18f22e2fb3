// The single-herb window: herb search, herb list grid, herb types and related formulas.
#pragma once

#include "common/grid.h"
#include "common/window_model.h"

namespace lindora {

class DantiAnalysis : public WindowModel {
 public:
  explicit DantiAnalysis(Session& session) : WindowModel(session), flex_grid_(1, 2) {}
  std::string_view FormName() const override { return "Frm_DantiAnalysis"; }

  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }

 private:
  Grid flex_grid_;
};

}  // namespace lindora
