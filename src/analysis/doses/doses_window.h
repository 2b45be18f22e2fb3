// The dose window: the dose table of the current result set by the conversion table the user
// picks, the doses that could not be read, and the box plot of the herbs weighed most often.
// Every analysis writes \Result\剂量分析.csv (and the box plot's picture when the program can
// draw) and the window names the files it wrote.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/doses/doses_analysis.h"
#include "common/grid.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class DosesWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "剂量分析";
  static constexpr std::string_view kBoxPlotFile = "\\Result\\剂量箱线图.png";
  static constexpr int kBoxPlotWidth = 1400, kBoxPlotHeight = 900;  // pixels of a saved PNG
  static constexpr int kWidth = 19800, kHeight = 10800;             // twips the window opens with

  explicit DosesWindow(Session& session);
  std::string_view FormName() const override { return "Frm_Doses"; }

  // The options as chosen; Analyse checks them.
  // Until the user picks one, the table follows the open library: 汉制 13.8 g for a classical
  // library (the shipped one, an import marked so), 现代 for the others.
  DoseTable Table() const;
  void SetTable(DoseTable table) {
    table_ = table;
    table_chosen_ = true;
    Changed();
  }
  bool InLiang() const { return in_liang_; }
  void SetInLiang(bool in_liang) {
    in_liang_ = in_liang;
    Changed();
  }
  const std::string& TopText() const { return top_text_; }
  void SetTopText(std::string_view text) {
    top_text_ = text;
    Changed();
  }

  // The counts, the conversion table used and the files written.
  const std::string& LabelSummary() const { return label_summary_; }
  // Herb, unit and statistics, one row per herb and unit; the doses not read, most often first.
  const Grid& FlexGridDoses() const { return doses_; }
  const Grid& FlexGridUnread() const { return unread_; }
  Grid& FlexGridDoses() { return doses_; }
  Grid& FlexGridUnread() { return unread_; }
  const DosesResult& Result() const { return result_; }
  const std::vector<std::string>& FilesWritten() const { return files_; }

  // The result set the window describes.
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }

  // Analyses the current result set with the options, fills the grids and shows the window; a
  // refusal (a bad number of herbs, an empty result set) or a failure keeps what was shown.
  Outcome Analyse();
  // Closing drops a refused number of herbs: the next opening starts from the last one analysed.
  void Close();
  void DropRefusedText();

  static const std::vector<MenuEntry>& MenuBar();
  // Writes the box plot as a PNG picture; refused before an analysis.
  Outcome SaveBoxPlot(const std::filesystem::path& path);
  Outcome Menu_SaveBoxPlot_Click();
  // 导出为 Excel: every row of the dose table and of the doses not read.
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();

 private:
  void Fill();

  DoseTable table_ = DoseTable::kModern;
  bool table_chosen_ = false;
  bool in_liang_ = false;
  std::string top_text_ = std::to_string(DosesOptions{}.top), good_top_text_ = top_text_;
  std::string label_summary_;
  Grid doses_, unread_;
  DosesResult result_;
  std::vector<std::string> files_;
  DescribedSet described_;
};

// 剂量分析, the analysis's menu entry: refuses with the empty-result-set warning when the formula
// grid has no data row, else analyses the current result set and shows the window.
Outcome DosesOfResults(Session& session);

}  // namespace lindora
