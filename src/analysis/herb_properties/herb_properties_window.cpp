#include "analysis/herb_properties/herb_properties_window.h"

#include "analysis/formula_set_actions.h"
#include "common/picture_save.h"
#include "common/pictures.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"

namespace lindora {
namespace {

constexpr std::pair<std::string_view, PropertyChart> kChartNames[] = {
    {"nature", PropertyChart::kNature},
    {"flavour", PropertyChart::kFlavour},
    {"meridian", PropertyChart::kMeridian},
    {"flavour-radar", PropertyChart::kFlavourRadar},
    {"meridian-radar", PropertyChart::kMeridianRadar}};

void FillDistribution(Grid& grid, std::string_view head, const std::vector<PropertyCount>& rows) {
  grid.Clear();
  grid.SetCols(5);
  grid.SetRows(1);
  const std::string_view heads[5] = {head, "频次", "占比", "药味数", "中药"};
  const int widths[5] = {1500, 900, 1000, 900, 9000};
  for (int c = 0; c < 5; ++c) SetGridCell(grid, heads[c], c, 0, widths[c]);
  grid.SetColAlignment(4, Alignment::kLeftCenter);
  for (const PropertyCount& p : rows) {
    grid.AddRow();
    const int r = grid.Rows() - 1;
    std::string names;
    for (const std::string& n : p.names) names += (names.empty() ? "" : "、") + n;
    grid.SetTextMatrix(r, 0, p.category);
    grid.SetTextMatrix(r, 1, std::to_string(p.occurrences));
    grid.SetTextMatrix(r, 2, TableCell::Percent(p.share).text);
    grid.SetTextMatrix(r, 3, std::to_string(p.herbs));
    grid.SetTextMatrix(r, 4, names);
  }
  grid.SetRow(grid.Rows() > 1 ? 1 : 0);
  grid.SetCol(0);
}

}  // namespace

bool ParsePropertyChart(std::string_view text, PropertyChart& chart) {
  for (const auto& [name, value] : kChartNames)
    if (text == name) {
      chart = value;
      return true;
    }
  return false;
}

HerbPropertiesWindow::HerbPropertiesWindow(Session& session) : WindowModel(session) {
  SetCaption(kCaption);
  Fill();
}

void HerbPropertiesWindow::Fill() {
  FillDistribution(natures_, "药性", result_.natures);
  FillDistribution(degrees_, "药性（原文）", result_.nature_degrees);
  FillDistribution(flavours_, "药味", result_.flavours);
  FillDistribution(meridians_, "归经", result_.meridians);
  toxic_.Clear();
  toxic_.SetCols(4);
  toxic_.SetRows(1);
  const std::string_view heads[4] = {"中药", "毒性", "方剂数", "方剂"};
  const int widths[4] = {1500, 1000, 900, 12000};
  for (int c = 0; c < 4; ++c) SetGridCell(toxic_, heads[c], c, 0, widths[c]);
  toxic_.SetColAlignment(3, Alignment::kLeftCenter);
  for (const ToxicHerb& t : result_.toxic) {
    toxic_.AddRow();
    const int r = toxic_.Rows() - 1;
    std::string formulas;
    for (const std::string& f : t.formulas) formulas += (formulas.empty() ? "" : "、") + f;
    toxic_.SetTextMatrix(r, 0, t.name);
    toxic_.SetTextMatrix(r, 1, t.toxicity);
    toxic_.SetTextMatrix(r, 2, std::to_string(t.formulas.size()));
    toxic_.SetTextMatrix(r, 3, formulas);
  }
}

Outcome HerbPropertiesWindow::Analyse() {
  HerbPropertiesResult r = RunHerbProperties(session_);
  if (r.outcome != Outcome::kDone) return r.outcome;
  result_ = std::move(r);
  label_summary_ = HerbPropertiesSummary(result_);
  if (result_.toxic.empty()) label_summary_ += "；无有毒中药";
  Fill();
  described_.Take(session_, HerbPropertiesOfResults);
  NewPicture();
  Show();
  Changed();
  return Outcome::kDone;
}

Outcome HerbPropertiesWindow::SaveChart(PropertyChart chart, const std::filesystem::path& path) {
  if (PictureVersion() == 0) return Refuse(session_, "尚未分析，没有可保存的图表。");
  return WritePicture(path, {".png"}, [&](PictureWriter& writer, const std::string&) {
    switch (chart) {
      case PropertyChart::kNature:
        return writer.WriteBarChartPng(NatureChart(result_), path, kChartWidth, kChartHeight);
      case PropertyChart::kFlavour:
        return writer.WriteBarChartPng(FlavourChart(result_), path, kChartWidth, kChartHeight);
      case PropertyChart::kMeridian:
        return writer.WriteBarChartPng(MeridianChart(result_), path, kChartWidth, kChartHeight);
      case PropertyChart::kFlavourRadar:
        return writer.WriteRadarChartPng(FlavourRadar(result_), path, kChartHeight, kChartHeight);
      case PropertyChart::kMeridianRadar:
        return writer.WriteRadarChartPng(MeridianRadar(result_), path, kChartHeight, kChartHeight);
    }
  });
}

Outcome HerbPropertiesWindow::Cmd_SaveChart_Click(PropertyChart chart) {
  return AskAndSavePicture(
      session_, "保存图表", "性味归经", ".png", "PNG 图片 (*.png)",
      [this, chart](const std::filesystem::path& path) { return SaveChart(chart, path); });
}

std::vector<WorkbookSheet> HerbPropertiesWindow::ExcelSheets() const {
  if (PictureVersion() == 0) return {};
  // The window's bar charts: occurrences by category, every row of its table.
  auto bars = [](const BarChart& look) {
    return SheetChart{look.title, look.category_axis, look.value_axis, 0, {1}, 0, look.horizontal};
  };
  std::vector<WorkbookSheet> sheets = SheetsOfTables(HerbPropertiesOutput(result_).tables,
                                                     {{"natures", bars(NatureChart(result_))},
                                                      {"flavours", bars(FlavourChart(result_))},
                                                      {"meridians", bars(MeridianChart(result_))}});
  // The window's radar charts, native too, below the bars.
  auto radar = [](const RadarChart& look) {
    // One spoke a category: the row of herbs without data, the table's last, is none.
    SheetChart chart{look.title, "", "", 0, {1}, static_cast<int>(look.axes.size()), false};
    chart.radar = true;
    return chart;
  };
  for (WorkbookSheet& sheet : sheets) {
    if (sheet.table.key == "flavours") sheet.second_chart = radar(FlavourRadar(result_));
    if (sheet.table.key == "meridians") sheet.second_chart = radar(MeridianRadar(result_));
  }
  return sheets;
}

Outcome HerbPropertiesWindow::Cmd_ExportExcel_Click() {
  return ExportWorkbook(session_, kCaption, ExcelSheets(), described_.Name());
}

Outcome HerbPropertiesOfResults(Session& session) {
  // As the other analyses of the formula window: no data row, nothing to count.
  if (session.Window<FangjiAnalysis>().FlexGrid().Rows() <= 1)
    return Refuse(session, kNoDataMessage);
  return session.Window<HerbPropertiesWindow>().Analyse();
}

}  // namespace lindora
