// The single-herb window: herb search, herb list grid, herb types and related formulas.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/analysis_list.h"
#include "common/grid.h"
#include "common/input_events.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "common/web_addresses.h"
#include "common/window_model.h"
#include "common/workbook.h"
#include "formula/result_set_stamp.h"

namespace lindora {

class DantiAnalysis : public WindowModel {
 public:
  static constexpr std::string_view kTag = "单味药分析";
  // Twips: the window keeps this outer size.
  static constexpr int kWidth = 3645;
  static constexpr int kHeight = 6945;
  static constexpr int kClientWidth = 3405;  // below the menu bar
  static constexpr int kClientHeight = 6075;
  static constexpr int kGridWidth = 3180;
  static constexpr int kGridHeight = 5220;
  static constexpr std::string_view kTextInputToolTip =
      "支持 1. 中药拼音检索；2.多味中药搜索（空格隔开各关键词）";

  static constexpr std::string_view kEmptyKeywordMessage = "检索关键字不能为空";
  static constexpr std::string_view kNotRecordedMessage =
      "不好意思，本软件暂未收录该中药。可以联系作者进行更新。";
  static constexpr std::string_view kThresholdPrompt = "请输入频数阈值";
  static constexpr std::string_view kEmptyCellMessage = "搜索关键词为空";
  // Shown by the type distribution and the herb-ingredient export when the grid is empty.
  static const std::string& EmptyListMessage();

  explicit DantiAnalysis(Session& session);
  std::string_view FormName() const override { return "Frm_DantiAnalysis"; }

  // The menu bar (分析, and the hidden 文件) and the grid's pop-up menu.
  static const std::vector<MenuEntry>& MenuBar();
  static const std::vector<MenuEntry>& PopupMenu();
  void Load() override { Form_Load(); }

  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }

  // The keyword box.
  const std::string& TextInput() const { return text_input_; }
  void SetTextInput(std::string_view text);
  // Counts the requests to put the keyboard focus into the keyword box; the view follows.
  int TextInputFocusRequests() const { return focus_requests_; }
  void FocusTextInput();

  // Fills: clear the grid, write both headers with their widths, keep the header row only;
  // then one row per herb. AddHerbRow does not tell the view: after a batch of rows call
  // Show() or Changed().
  void InitializeHerbGrid(double name_width, double frequency_width);
  void AddHerbRow(std::string_view name, std::string_view frequency);
  // Every herb of the frequency run that filled the grid (the grid shows the first 100); the
  // next InitializeHerbGrid forgets it.
  void SetFullHerbTable(ResultTable table) { full_table_ = std::move(table); }
  // The result set a frequency run filled the grid from (InitializeHerbGrid forgets it).
  DescribedSet& Described() { return described_; }
  const DescribedSet& Described() const { return described_; }
  // What 导出为 Excel writes: the herb list (every herb of a frequency run) with the frequency
  // chart, and the type distribution with its chart (or why the herb file could not be read).
  std::vector<WorkbookSheet> ExcelSheets() const;
  Outcome Menu_ExportExcel_Click();
  // The empty-list message, then the focus to the keyword box.
  void ShowEmptyListMessage();

  // Event handlers.
  void Form_Load();
  Outcome Cmd_Search_Text_Click() { return SearchHerbs(); }
  // True when the key was Enter and ran the search; other keys are left to the box.
  Outcome Text_Input_KeyPress(int key_ascii);
  // True when the pop-up menu is to be shown (right button).
  bool FlexGrid_MouseDown(int button) const { return button == kRightButton; }
  Outcome Menu_Export_Danti_Chem_Click();
  Outcome Menu_HerbTypeAnalysis_Click();
  // 单味药频数图 / 中药类型分布图: a chart window of the herb list; refused when it is empty.
  Outcome Menu_HerbFrequencyChart_Click();
  Outcome Menu_HerbTypeChart_Click();
  Outcome Menu_IngredientAnalysis_Click();
  Outcome Menu_GetHerbType_Click();
  Outcome Menu_FindFangjiByHerb_Click();
  Outcome Menu_SymptomAnalysis_Click();
  Outcome Menu_Search_ZYBK_Click();
  Outcome Menu_SearchTCMSearch_Click();
  Outcome Menu_SearchBaidu_Click();
  Outcome Menu_SearchBaiduXueshu_Click();
  Outcome Menu_SearchTC_MC_Click();
  Outcome Menu_SearchTCSMP_Click();

  // Window operations.
  Outcome SearchHerbs();
  // The type of one herb in a message box; false when the herb is not recorded.
  bool ShowHerbType(const std::string& name);
  // The type distribution of the grid's herbs, shown and put on the clipboard; false when it
  // was refused (empty grid, number out of range).
  bool HerbTypeAnalysis();

 private:
  Outcome ShowChartOf(std::optional<BarChart> (*chart)(DantiAnalysis&), std::string_view name);
  // Runs a handler body under the guard, then tells the view.
  template <class Fn>
  Outcome Guarded(Fn&& body) {
    const Outcome outcome = Guard(session_, body);
    Changed();
    return outcome;
  }
  Outcome SearchOnline(WebSearch site);

  Grid flex_grid_;
  std::optional<ResultTable> full_table_;
  DescribedSet described_;
  std::string text_input_;
  int focus_requests_ = 0;
};

}  // namespace lindora
