#include "formula/fangji_analysis.h"

#include <algorithm>
#include <utility>

#include "common/analysis_list.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "common/web_addresses.h"
#include "formula/formula_db.h"
#include "formula/keyword_query.h"
#include "formula/library.h"

namespace lindora {

namespace {
constexpr double kColumnShare[4] = {0.1, 0.4, 0.4, 0.09};
constexpr std::string_view kHeaders[4] = {"方剂名称", "方剂药物组成", "主治", "功效"};
}  // namespace

const Session* FangjiAnalysis::continued_set_ = nullptr;

FangjiAnalysis::FangjiAnalysis(Session& session)
    : WindowModel(session), flex_grid_(1, 4), tag_(kBaseCaption) {
  SetCaption(kBaseCaption);
  Form_Resize(kInitialWidth, kInitialHeight);
}

std::vector<MenuEntry> FangjiAnalysis::MenuBar() const {
  std::vector<MenuEntry> menus = {{"Menu_DataAnalysis", "数据分析(&A)", "", true}};
  auto add_group = [&](MenuGroup group) {
    for (const AnalysisDescriptor& a : session_.Analyses()) {
      if (a.menu_name.empty() || a.menu_group != group) continue;
      menus.push_back({a.menu_name, a.menu_caption, "Menu_DataAnalysis", true, true,
                       [key = a.key](WindowModel& model) {
                         return static_cast<FangjiAnalysis&>(model).OpenAnalysis(key);
                       }});
    }
  };
  add_group(MenuGroup::kResultSet);
  menus.push_back({"Menu_SaveResultSet", "保存结果集…", "Menu_DataAnalysis", true, true,
                   On(&FangjiAnalysis::Menu_SaveResultSet_Click)});
  add_group(MenuGroup::kSavedSets);
  menus.push_back({"Menu_AnalysisReport", "生成分析报告", "Menu_DataAnalysis", true, true,
                   On(&FangjiAnalysis::Menu_AnalysisReport_Click)});
  return menus;
}

const std::vector<MenuEntry>& FangjiAnalysis::PopupMenu() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_PopupMenu", "PopupMenu", "", false},
      {"Menu_CopyIngredient", "复制方剂成分", "Menu_PopupMenu", true, true,
       On(&FangjiAnalysis::Menu_CopyIngredient_Click)},
      {"Menu_SimilarFormulas", "相似方剂", "Menu_PopupMenu", true, true,
       On(&FangjiAnalysis::Menu_SimilarFormulas_Click)},
      {"Menu_SearchOnline", "网络搜索", "Menu_PopupMenu", true},
      {"Menu_SearchBaidu", "百度", "Menu_SearchOnline", true, true,
       On(&FangjiAnalysis::Menu_SearchBaidu_Click)},
      {"Menu_SearchBaiduXueshu", "百度学术", "Menu_SearchOnline", true, true,
       On(&FangjiAnalysis::Menu_SearchBaiduXueshu_Click)},
      {"Menu_SearchTCMSearch", "中医药搜索", "Menu_SearchOnline", true, true,
       On(&FangjiAnalysis::Menu_SearchTCMSearch_Click)},
      {"Menu_SearchZYSJ", "中药世家", "Menu_SearchOnline", true, true,
       On(&FangjiAnalysis::Menu_SearchZYSJ_Click)},
      {"Menu_SearchZYBK", "中医百科", "Menu_SearchOnline", true, true,
       On(&FangjiAnalysis::Menu_SearchZYBK_Click)},
  };
  return menus;
}

void FangjiAnalysis::Load() {
  Show();
  Text_Input_GotFocus();
  // A console run that took up the result set of an earlier one goes on searching in it;
  // otherwise a new window starts without results to search in.
  if (std::exchange(continued_set_, nullptr) == &session_) return;
  Guard(session_, [&] { ClearResultBackup(session_); });
}

// --- grid operations ---

void FangjiAnalysis::InitializeGrid() {
  if (flex_grid_.Cols() != 4) flex_grid_.SetCols(4);
  flex_grid_.Clear();
  const double width = flex_grid_.Width();
  for (int c = 0; c < 4; ++c) SetGridCell(flex_grid_, kHeaders[c], c, 0, width * kColumnShare[c]);
  flex_grid_.SetRows(1);
  Changed();
}

void FangjiAnalysis::ShowExtraColumn(std::string_view header,
                                     const std::vector<std::string>& texts) {
  flex_grid_.SetCols(5);
  SetGridCell(flex_grid_, header, 4, 0, kExtraColumnWidth);
  for (int r = 1; r < flex_grid_.Rows(); ++r)
    flex_grid_.SetTextMatrix(r, 4,
                             static_cast<std::size_t>(r - 1) < texts.size() ? texts[r - 1] : "");
  Changed();
}

void FangjiAnalysis::AddRowInFlex(std::string_view line) {
  flex_grid_.AddRow();
  const int r = flex_grid_.Rows() - 1;
  std::size_t longest = 0;
  int c = 0;
  for (const std::string& field : Split(line, "\t")) {
    flex_grid_.SetTextMatrix(r, c++, field);
    longest = std::max(longest, CharLength(field));
  }
  flex_grid_.SetRowHeight(r, static_cast<int>(longest / 24 + 1) * kRowHeightUnit);
}

Outcome FangjiAnalysis::LoadResults() {
  const Outcome outcome = Guard(session_, [&] {
    LineReader reader(session_.Path(kResultFilePath));
    std::string raw, line;
    for (int n = 0; n < kMaxGridLines && reader.Next(raw); ++n) {
      if (raw.empty()) continue;
      DecodeGbkInto(raw, line);
      AddRowInFlex(line);
    }
  });
  Changed();
  return outcome;
}

// --- what the window shows ---

void FangjiAnalysis::SetTextInput(std::string_view text) {
  text_input_.assign(text);
  Changed();
}

void FangjiAnalysis::SetCheckSearchInResult(int value) {
  check_search_in_result_ = value ? 1 : 0;
  Changed();
}

void FangjiAnalysis::SetCheckFilter(int value) {
  check_filter_ = value ? 1 : 0;
  Changed();
}

void FangjiAnalysis::SetLabelCount(std::string_view text) {
  label_count_.assign(text);
  Changed();
}

std::string FangjiAnalysis::CountText(std::int64_t count) {
  return "找到 " + std::to_string(count) + "  项结果";
}

void FangjiAnalysis::AddHistory(std::string_view text) {
  list_history_.push_back(UpperCase(text));
  Changed();
}

bool FangjiAnalysis::HasHistory(std::string_view text) const {
  return std::find(list_history_.begin(), list_history_.end(), text) != list_history_.end();
}

// --- events ---

void FangjiAnalysis::Form_Resize(int width, int height) {
  width_ = width;
  height_ = height;
  // A window too small for the grid leaves that grid dimension as it was.
  if (width - 700 > 0) flex_grid_.SetWidth(width - 700);
  if (height - 2300 > 0) flex_grid_.SetHeight(height - 2300);
  SetColumnWidths();
  Changed();
}

void FangjiAnalysis::SetColumnWidths() {
  for (int c = 0; c < 4; ++c)
    flex_grid_.SetColWidth(c,
                           static_cast<int>(RoundHalfEven(flex_grid_.Width() * kColumnShare[c])));
}

Outcome FangjiAnalysis::Cmd_Search_Text_Click() {
  QueryOutcome outcome =
      RunQuery(session_, text_input_, check_search_in_result_ == 1, check_filter_ == 1);
  switch (outcome.status) {
    // Nothing typed is a refusal; only a file that could not be read or written is a failure.
    case QueryOutcome::Status::kEmptyText: return Refuse(session_, outcome.message);
    case QueryOutcome::Status::kFailed:
      session_.ReportFailure(outcome.message);
      return Outcome::kFailed;
    case QueryOutcome::Status::kNoPreviousResults:
      InitializeGrid();
      return Refuse(session_, outcome.message);
    case QueryOutcome::Status::kCompleted: break;
  }
  InitializeGrid();
  label_count_ = CountText(outcome.count);
  SetCaption(tag_ + std::string(kHistoryCaption) + session_.SearchHistory);
  if (!HasHistory(session_.SearchHistory))
    list_history_.push_back(UpperCase(session_.SearchHistory));
  const Outcome loaded = outcome.count >= 1 ? LoadResults() : Outcome::kDone;
  check_filter_ = 0;
  Changed();
  return loaded;
}

Outcome FangjiAnalysis::Cmd_All_Click() {
  QueryOutcome outcome = RunQueryAll(session_);
  if (outcome.status == QueryOutcome::Status::kFailed) {
    session_.ReportFailure(outcome.message);
    return Outcome::kFailed;
  }
  InitializeGrid();
  label_count_ = CountText(outcome.count);
  SetCaption(tag_ + std::string(kHistoryCaption) + session_.SearchHistory);
  if (!HasHistory(session_.SearchHistory)) list_history_.push_back(session_.SearchHistory);
  const Outcome loaded = outcome.count >= 1 ? LoadResults() : Outcome::kDone;
  check_search_in_result_ = 0;
  check_filter_ = 0;
  Changed();
  return loaded;
}

void FangjiAnalysis::ShowCurrentResultSet() {
  InitializeGrid();
  std::int64_t count = 0;
  Guard(session_, [&] {
    std::error_code ec;
    if (!fs::exists(session_.Path(kResultFilePath), ec)) return;
    LineReader reader(session_.Path(kResultFilePath));
    std::string line;
    while (reader.Next(line)) count += !TrimView(line).empty();
  });
  label_count_ = CountText(count);
  SetCaption(session_.SearchHistory.empty()
                 ? tag_
                 : tag_ + std::string(kHistoryCaption) + session_.SearchHistory);
  if (!session_.SearchHistory.empty() && !HasHistory(UpperCase(session_.SearchHistory)))
    list_history_.push_back(UpperCase(session_.SearchHistory));
  if (count >= 1) LoadResults();
  Changed();
}

Outcome FangjiAnalysis::OpenFormulaLibrary(std::string_view name) {
  if (std::string problem = OpenLibrary(session_, name); !problem.empty())
    return Refuse(session_, problem);
  std::string note;
  const Outcome outcome =
      Guard(session_, [&] { note = FitResultSetToLibrary(session_, /*unknown_is_foreign=*/true); });
  ShowCurrentResultSet();
  if (outcome != Outcome::kDone) return outcome;
  if (!note.empty()) session_.Message(note);
  return Outcome::kDone;
}

Outcome FangjiAnalysis::Text_Input_KeyPress(int key_ascii) {
  return key_ascii == kEnterKey ? Cmd_Search_Text_Click() : Outcome::kDone;
}

void FangjiAnalysis::Text_Input_KeyDown() {
  // Typing over the placeholder starts a new search, never a search in results.
  if (text_color_ == TextColor::kGrey) {
    text_input_.clear();
    check_search_in_result_ = 0;
  }
  text_color_ = TextColor::kBlack;
  list_history_visible_ = false;
  Changed();
}

void FangjiAnalysis::Text_Input_GotFocus() {
  if (!Trim(text_input_).empty()) return;
  text_input_.assign(kPlaceholder);
  text_color_ = TextColor::kGrey;
  Changed();
}

void FangjiAnalysis::Text_Input_LostFocus() {
  list_history_visible_ = false;
  Changed();
}

void FangjiAnalysis::Text_Input_Click() {
  if (list_history_.empty()) return;
  const int n = static_cast<int>(list_history_.size());
  list_history_height_ = n <= 4 ? n * kHistoryEntryHeight : kHistoryMaxHeight;
  list_history_visible_ = true;
  timer1_enabled_ = true;
  Changed();
}

void FangjiAnalysis::Timer1_Timer() {
  list_history_visible_ = false;
  timer1_enabled_ = false;
  Changed();
}

void FangjiAnalysis::List_History_Click(int index) {
  if (index < 0 || index >= static_cast<int>(list_history_.size())) return;
  text_input_ = list_history_[index];
  check_search_in_result_ = 0;
  check_filter_ = 0;
  Changed();
}

void FangjiAnalysis::Check_Filter_Click() {
  // Exclusion always works on the previous result set.
  if (check_filter_ == 1) check_search_in_result_ = 1;
  Changed();
}

bool FangjiAnalysis::FlexGrid_MouseDown(int button) {
  return button == kRightButton;
}

Outcome FangjiAnalysis::Menu_CopyIngredient_Click() {
  session_.clipboard().Clear();
  session_.clipboard().SetText(flex_grid_.TextMatrix(flex_grid_.RowSel(), 1));
  return Outcome::kDone;
}

Outcome FangjiAnalysis::SearchCurrentCell(WebSearch site) {
  session_.OpenUrl(SearchAddress(site, flex_grid_.Text()));
  return Outcome::kDone;
}

Outcome FangjiAnalysis::Menu_SearchBaidu_Click() {
  return SearchCurrentCell(WebSearch::kBaidu);
}
Outcome FangjiAnalysis::Menu_SearchBaiduXueshu_Click() {
  return SearchCurrentCell(WebSearch::kBaiduXueshu);
}
Outcome FangjiAnalysis::Menu_SearchTCMSearch_Click() {
  return SearchCurrentCell(WebSearch::kTcmSearch);
}
Outcome FangjiAnalysis::Menu_SearchZYSJ_Click() {
  return SearchCurrentCell(WebSearch::kZysj);
}
Outcome FangjiAnalysis::Menu_SearchZYBK_Click() {
  return SearchCurrentCell(WebSearch::kZybk);
}

Outcome FangjiAnalysis::OpenAnalysis(std::string_view key) {
  const AnalysisDescriptor* analysis = FindAnalysis(session_.Analyses(), key);
  if (!analysis) return Refuse(session_, "本程序没有这项分析：" + std::string(key));
  if (analysis->open) return analysis->open(session_);
  OptionValues values;
  if (std::string problem = CompleteOptions(*analysis, values); !problem.empty())
    return Refuse(session_, problem);
  AnalysisOutput output;
  const Outcome outcome = analysis->run(session_, values, output);
  if (outcome == Outcome::kDone && !output.summary.empty()) session_.Message(output.summary);
  return outcome;
}

Outcome FangjiAnalysis::Menu_DanweiyaoAnalysis_Click() {
  return OpenAnalysis("herb-frequency");
}
Outcome FangjiAnalysis::Menu_YaoduiAnalysis_Click() {
  return OpenAnalysis("herb-pairs");
}
Outcome FangjiAnalysis::Menu_SympotomAnalysis_Click() {
  return OpenAnalysis("symptoms");
}
Outcome FangjiAnalysis::Menu_AssociationRules_Click() {
  return OpenAnalysis("rules");
}
Outcome FangjiAnalysis::Menu_HerbNetwork_Click() {
  return OpenAnalysis("network");
}

Outcome FangjiAnalysis::Menu_SaveResultSet_Click() {
  const auto& save = session_.workflows().save_result_set;
  return save ? save(session_) : Refuse(session_, kMissingWorkflowMessage);
}
// The analysis reads the selected row's formula from this window.
Outcome FangjiAnalysis::Menu_SimilarFormulas_Click() {
  return OpenAnalysis("similar-formulas");
}

Outcome FangjiAnalysis::Menu_AnalysisReport_Click() {
  const auto& open = session_.workflows().open_report;
  return open ? open(session_) : Refuse(session_, kMissingWorkflowMessage);
}

}  // namespace lindora
