// The formula analysis window: keyword search over the formula database and the result grid.
#pragma once

#include "common/grid.h"
#include "common/window_model.h"

namespace lindora {

class FangjiAnalysis : public WindowModel {
 public:
  explicit FangjiAnalysis(Session& session) : WindowModel(session), flex_grid_(1, 4) {}
  std::string_view FormName() const override { return "Frm_FangjiAnalysis"; }

  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }

 private:
  Grid flex_grid_;
};

}  // namespace lindora
