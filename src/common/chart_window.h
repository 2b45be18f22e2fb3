// A bar chart in a window of its own, opened from another window's menu. The view owns this
// model (several charts may be open at once), so the session does not hold it.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "common/menu.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "common/window_model.h"

namespace lindora {

class ChartWindowModel : public WindowModel {
 public:
  static constexpr int kPictureWidth = 1400, kPictureHeight = 1000;

  ChartWindowModel(Session& session, BarChart chart);
  std::string_view FormName() const override { return "ChartWindow"; }
  const BarChart& Chart() const { return chart_; }

  static const std::vector<MenuEntry>& MenuBar();
  // Asks for a file name (the chart's title is offered) and saves the picture there.
  Outcome Menu_SavePng_Click();
  // The chart's numbers and the chart itself, native, in a workbook.
  Outcome Menu_ExportExcel_Click();
  // Writes the chart at the picture size through the installed writer.
  Outcome SavePng(const std::filesystem::path& path);

 private:
  BarChart chart_;
};

}  // namespace lindora
