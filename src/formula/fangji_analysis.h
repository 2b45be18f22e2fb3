// The formula analysis window: keyword search over the formula database and the result grid.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/grid.h"
#include "common/input_events.h"
#include "common/menu.h"
#include "common/outcome.h"
#include "common/web_addresses.h"
#include "common/window_model.h"

namespace lindora {

class FangjiAnalysis : public WindowModel {
 public:
  static constexpr std::string_view kBaseCaption = "方剂分析";
  static constexpr std::string_view kHistoryCaption = "——搜索历史：";
  static constexpr std::string_view kPlaceholder = " 请输入关键词";
  static constexpr std::string_view kTextInputToolTip =
      "可以搜索方剂名、症状、中药单体等；支持多关键词搜索（关键词用空格隔开）";
  // The grid shows at most this many lines of the result file (201, not 200).
  static constexpr int kMaxGridLines = 201;
  static constexpr int kTimer1Interval = 3000;  // ms
  static constexpr int kRowHeightUnit = 400;    // twips per 24 characters
  static constexpr int kHistoryEntryHeight = 400;
  static constexpr int kHistoryMaxHeight = 1200;
  // Outer size when created: an inner area of 19470 x 8325 twips, a menu bar and the frame.
  static constexpr int kInitialWidth = 19590;
  static constexpr int kInitialHeight = 9075;
  static constexpr int kGridLeft = 240, kGridTop = 1200;

  enum class TextColor { kBlack, kGrey };

  explicit FangjiAnalysis(Session& session);
  std::string_view FormName() const override { return "Frm_FangjiAnalysis"; }
  // Shows the window, puts the focus into the keyword box and empties the result backup.
  void Load() override;
  // For a console run that took up the result set and history of an earlier run: the first
  // window of `session` then keeps the result backup, so a search in results goes on.
  static void ContinueResultSet(const Session& session) { continued_set_ = &session; }

  // The 数据分析 menu lists the session's analyses (in the list's order, those on saved sets
  // after 保存结果集…) and ends with the report.
  std::vector<MenuEntry> MenuBar() const;
  static const std::vector<MenuEntry>& PopupMenu();

  // --- grid operations (other windows fill this window through them) ---
  // InitializeGrid and LoadResults tell the view; after a batch of AddRowInFlex calls, call
  // Changed() or Show().
  Grid& FlexGrid() { return flex_grid_; }
  const Grid& FlexGrid() const { return flex_grid_; }
  // Clears the grid to the header row: 方剂名称 / 方剂药物组成 / 主治 / 功效.
  void InitializeGrid();
  // Appends one record as a row; its height follows the longest field (400 twips per started
  // 24 characters).
  void AddRowInFlex(std::string_view line);
  // A fifth column after the loaded rows, one text per data row (the related-formula search
  // shows the herb's dose there); InitializeGrid removes it.
  void ShowExtraColumn(std::string_view header, const std::vector<std::string>& texts);
  static constexpr int kExtraColumnWidth = 1500;
  // Fills the grid from the first 201 lines of the result file (blank lines skipped but
  // counted). A file that cannot be read is shown as one message.
  Outcome LoadResults();

  // --- what the window shows ---
  const std::string& Tag() const { return tag_; }  // the base caption
  const std::string& TextInput() const { return text_input_; }
  void SetTextInput(std::string_view text);  // what the user typed (no key-down rule)
  TextColor TextInputColor() const { return text_color_; }
  int CheckSearchInResult() const { return check_search_in_result_; }
  void SetCheckSearchInResult(int value);  // 1 on, 0 off; no coupling
  int CheckFilter() const { return check_filter_; }
  void SetCheckFilter(int value);  // 1 on, 0 off; the coupling is Check_Filter_Click
  const std::string& LabelCount() const { return label_count_; }
  void SetLabelCount(std::string_view text);
  static std::string CountText(std::int64_t count);  // 「找到 12  项结果」
  const std::vector<std::string>& ListHistory() const { return list_history_; }
  // Adds an entry at the end of List_History (upper-cased, as the list keeps them).
  void AddHistory(std::string_view text);
  bool HasHistory(std::string_view text) const;
  bool ListHistoryVisible() const { return list_history_visible_; }
  int ListHistoryHeight() const { return list_history_height_; }
  bool Timer1Enabled() const { return timer1_enabled_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // --- events ---
  void Form_Resize(int width, int height);  // outer size in twips
  Outcome Cmd_Search_Text_Click();
  // 全部方剂: every formula of the open library becomes the result set.
  Outcome Cmd_All_Click();
  // Opens another formula library and says what became of the result set (searched again in
  // the new library, or emptied); the grid, count and caption then show the set as it is.
  Outcome OpenFormulaLibrary(std::string_view name);
  // Fills grid, count and caption from the current result set and the session's history.
  void ShowCurrentResultSet();
  Outcome Text_Input_KeyPress(int key_ascii);  // Enter (kEnterKey) searches
  void Text_Input_KeyDown();
  void Text_Input_GotFocus();
  void Text_Input_LostFocus();
  void Text_Input_Click();
  void Timer1_Timer();
  void List_History_Click(int index);
  void Check_Filter_Click();  // after the box changed its value
  // True when the pop-up menu is to be shown at the mouse (right button).
  bool FlexGrid_MouseDown(int button);

  Outcome Menu_CopyIngredient_Click();
  Outcome Menu_SearchBaidu_Click();
  Outcome Menu_SearchBaiduXueshu_Click();
  Outcome Menu_SearchTCMSearch_Click();
  Outcome Menu_SearchZYSJ_Click();
  Outcome Menu_SearchZYBK_Click();
  Outcome Menu_DanweiyaoAnalysis_Click();
  Outcome Menu_YaoduiAnalysis_Click();
  Outcome Menu_SympotomAnalysis_Click();
  Outcome Menu_AssociationRules_Click();
  Outcome Menu_HerbNetwork_Click();
  Outcome Menu_SimilarFormulas_Click();
  Outcome Menu_SaveResultSet_Click();
  Outcome Menu_AnalysisReport_Click();
  // What an analysis's menu entry does: opens its window and shows a run, or runs it with its
  // defaults and tells what it found.
  Outcome OpenAnalysis(std::string_view key);

 private:
  Outcome SearchCurrentCell(WebSearch site);
  void SetColumnWidths();

  Grid flex_grid_;
  std::string tag_;
  std::string text_input_;
  TextColor text_color_ = TextColor::kBlack;
  int check_search_in_result_ = 0, check_filter_ = 0;
  std::string label_count_;
  std::vector<std::string> list_history_;
  bool list_history_visible_ = false;
  int list_history_height_ = 930;
  bool timer1_enabled_ = false;
  int width_ = kInitialWidth, height_ = kInitialHeight;
  static const Session* continued_set_;
};

}  // namespace lindora
