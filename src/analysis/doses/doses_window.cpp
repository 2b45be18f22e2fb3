#include "analysis/doses/doses_window.h"

#include <algorithm>

#include "analysis/formula_set_actions.h"
#include "analysis/result_sets.h"
#include "common/picture_save.h"
#include "common/pictures.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"

namespace lindora {
namespace {

// The dose table's columns in the grid: the file's, less the conversion table, which the
// summary above the grid names once.
constexpr int kDoseColWidths[] = {1100, 600, 1250, 900,  1250, 900, 1250,
                                  900,  900, 900,  1150, 1600, 1250};
constexpr int kDoseCols = static_cast<int>(std::size(kDoseColWidths));

// The table's first `cols` columns at `widths`, centred but for the first.
void ShowTable(Grid& grid, const ResultTable& table, int cols, const int* widths) {
  grid.Clear();
  FillGrid(grid, table, cols);
  for (int c = 0; c < cols; ++c) {
    grid.SetColAlignment(c, Alignment::kCenterCenter);
    grid.SetColWidth(c, widths[c]);
  }
  grid.SetColAlignment(0, Alignment::kLeftCenter);
  grid.SetRow(grid.Rows() > 1 ? 1 : 0);
  grid.SetCol(0);
}

const AnalysisOption& TopOption() {
  static const AnalysisOption top = [] {
    for (const AnalysisOption& option : DosesDescriptor().options)
      if (option.key == "top") return option;
    return AnalysisOption{};
  }();
  return top;
}

}  // namespace

DosesWindow::DosesWindow(Session& session) : WindowModel(session) {
  SetCaption(kCaption);
  Fill();
}

void DosesWindow::Fill() {
  const AnalysisOutput output = DosesOutput(result_);
  ShowTable(doses_, output.tables[0], kDoseCols, kDoseColWidths);
  const int unread_widths[] = {3000, 900};
  ShowTable(unread_, output.tables[1], 2, unread_widths);
}

DoseTable DosesWindow::Table() const {
  return table_chosen_ ? table_ : DefaultDoseTable(session_);
}

void DosesWindow::DropRefusedText() {
  if (top_text_ == good_top_text_) return;
  top_text_ = good_top_text_;
  Changed();
}

void DosesWindow::Close() {
  DropRefusedText();
  Hide();
}

Outcome DosesWindow::Analyse() {
  OptionValues values{{"top", top_text_}};
  if (std::string problem = CheckOptionText(TopOption(), top_text_); !problem.empty())
    return Refuse(session_, problem);
  const DoseTable table = Table();
  DosesOptions options;
  options.table = table;
  options.in_liang = in_liang_;
  options.top = static_cast<int>(WholeOption(values, "top"));
  // The box plot is written beside the table whenever the program can draw.
  if (InstalledPictureWriter()) options.chart = session_.Path(kBoxPlotFile);
  DosesResult run = RunDoses(session_, options);
  if (run.outcome != Outcome::kDone) return run.outcome;
  result_ = std::move(run);
  good_top_text_ = top_text_;
  files_ = {std::string(kDoseFile)};
  if (!options.chart.empty()) files_.emplace_back(kBoxPlotFile);
  const DoseTableInfo& info = DoseTableOf(table);
  label_summary_ = DosesOutput(result_).summary + "。" + std::string(info.rules) + "。已写入 " +
                   Join(files_, "、") + "。";
  described_.Take(session_, [](Session& s) { return s.Window<DosesWindow>().Analyse(); });
  SetCaption(std::string(kCaption) + "（" + std::string(info.caption) + "） - " +
             described_.Caption(result_.samples.formulas));
  Fill();
  NewPicture();
  Show();
  Changed();
  return Outcome::kDone;
}

const std::vector<MenuEntry>& DosesWindow::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_SaveBoxPlot", "保存箱线图(&P)…", "Menu_File", true, true,
       On(&DosesWindow::Menu_SaveBoxPlot_Click)},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&DosesWindow::Menu_ExportExcel_Click)},
  };
  return menus;
}

Outcome DosesWindow::SaveBoxPlot(const std::filesystem::path& path) {
  if (PictureVersion() == 0) return Refuse(session_, "尚未分析，没有可保存的箱线图。");
  return WritePicture(path, {".png"}, [&](PictureWriter& writer, const std::string&) {
    writer.WriteBoxPlotPng(result_.box_plot, path, kBoxPlotWidth, kBoxPlotHeight);
  });
}

Outcome DosesWindow::Menu_SaveBoxPlot_Click() {
  return AskAndSavePicture(session_, "保存箱线图", "剂量箱线图", ".png", "PNG 图片 (*.png)",
                           [this](const std::filesystem::path& path) { return SaveBoxPlot(path); });
}

std::vector<WorkbookSheet> DosesWindow::ExcelSheets() const {
  if (PictureVersion() == 0) return {};
  return SheetsOf(DosesOutput(result_).tables);
}

Outcome DosesWindow::Menu_ExportExcel_Click() {
  if (PictureVersion() == 0) return Refuse(session_, kNothingToExportMessage);
  return ExportWorkbook(session_, kCaption, ExcelSheets(), described_.Name());
}

Outcome DosesOfResults(Session& session) {
  // As the other analyses of the formula window: no data row, nothing to read.
  if (session.Window<FangjiAnalysis>().FlexGrid().Rows() <= 1)
    return Refuse(session, kNoDataMessage);
  // A new request starts from the last number analysed, never from a refused one left in the
  // field.
  DosesWindow& window = session.Window<DosesWindow>();
  window.DropRefusedText();
  return window.Analyse();
}

}  // namespace lindora
