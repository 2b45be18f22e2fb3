#include "herb/danti_analysis.h"

#include "common/files.h"
#include "common/not_built.h"
#include "common/session.h"
#include "common/table_export.h"
#include "common/text.h"
#include "common/web_addresses.h"
#include "herb/herb_charts.h"
#include "herb/herb_files.h"
#include "herb/herb_properties.h"
#include "herb/herb_types.h"
#include "herb/related_formulas.h"

namespace lindora {

const std::string& DantiAnalysis::EmptyListMessage() {
  static const std::string text =
      "单味药数据 < 0，无法导出！可以通过以下方式获得单味药列表：\r\n"
      "1. 方剂分析界面->方剂单味药分析；\r\n"
      "2. 主程序->文件->导入单味药列表；\r\n"
      "3. 本窗口搜索单味药；\r\n"
      "4. 通过化学成分分析界面->右键菜单->找包含该化学成分的中药单体。";
  return text;
}

DantiAnalysis::DantiAnalysis(Session& session) : WindowModel(session), flex_grid_(1, 2) {
  SetCaption(kTag);
  flex_grid_.SetWidth(kGridWidth);
  flex_grid_.SetHeight(kGridHeight);
}

const std::vector<MenuEntry>& DantiAnalysis::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_Analysis", "分析(&A)", "", true},
      {"Menu_Export_Danti_Chem", "导出单味药-化学成分表进行关联分析", "Menu_Analysis", true, true,
       On(&DantiAnalysis::Menu_Export_Danti_Chem_Click)},
      {"Menu_HerbTypeAnalysis", "单味药中药类型分析", "Menu_Analysis", true, true,
       On(&DantiAnalysis::Menu_HerbTypeAnalysis_Click)},
      {"Menu_HerbFrequencyChart", "单味药频数图（前30）", "Menu_Analysis", true, true,
       On(&DantiAnalysis::Menu_HerbFrequencyChart_Click)},
      {"Menu_HerbTypeChart", "中药类型分布图", "Menu_Analysis", true, true,
       On(&DantiAnalysis::Menu_HerbTypeChart_Click)},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_Analysis", true, true,
       On(&DantiAnalysis::Menu_ExportExcel_Click)},
      {"Menu_File", "文件", "", false},
      {"Menu_LoadDanweiyaoList", "导入单味药列表", "Menu_File", true, true, NoEffect},
      {"Menu_ExportDanweiyaoList", "导出单味药列表", "Menu_File", true, true, NoEffect},
  };
  return menus;
}

const std::vector<MenuEntry>& DantiAnalysis::PopupMenu() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_PopupMenu", "PopupMenu", "", false},
      {"Menu_Copy_CMC1", "复制", "Menu_PopupMenu", false, true, NoEffect},
      {"Menu_IngredientAnalysis", "分析化学成分", "Menu_PopupMenu", true, true,
       On(&DantiAnalysis::Menu_IngredientAnalysis_Click)},
      {"Menu_GetHerbType", "显示中药类型", "Menu_PopupMenu", true, true,
       On(&DantiAnalysis::Menu_GetHerbType_Click)},
      {"Menu_FindFangjiByHerb", "显示相关方剂", "Menu_PopupMenu", true, true,
       On(&DantiAnalysis::Menu_FindFangjiByHerb_Click)},
      {"Menu_SymptomAnalysis", "相关病症", "Menu_PopupMenu", false, true,
       On(&DantiAnalysis::Menu_SymptomAnalysis_Click)},
      {"Menu_SearchOnline", "网络搜索", "Menu_PopupMenu", true},
      {"Menu_Search_ZYBK", "中医百科", "Menu_SearchOnline", true, true,
       On(&DantiAnalysis::Menu_Search_ZYBK_Click)},
      {"Menu_SearchTCMSearch", "中医药搜索", "Menu_SearchOnline", true, true,
       On(&DantiAnalysis::Menu_SearchTCMSearch_Click)},
      {"Menu_SearchBaidu", "百度", "Menu_SearchOnline", true, true,
       On(&DantiAnalysis::Menu_SearchBaidu_Click)},
      {"Menu_SearchBaiduXueshu", "百度学术", "Menu_SearchOnline", true, true,
       On(&DantiAnalysis::Menu_SearchBaiduXueshu_Click)},
      {"Menu_Split", "-", "Menu_SearchOnline"},
      {"Menu_SearchTC_MC", "TC-MC", "Menu_SearchOnline", true, true,
       On(&DantiAnalysis::Menu_SearchTC_MC_Click)},
      {"Menu_SearchTCSMP", "TCMSP", "Menu_SearchOnline", true, true,
       On(&DantiAnalysis::Menu_SearchTCSMP_Click)},
  };
  return menus;
}

void DantiAnalysis::SetTextInput(std::string_view text) {
  text_input_.assign(text);
  Changed();
}

void DantiAnalysis::FocusTextInput() {
  ++focus_requests_;
  Changed();
}

void DantiAnalysis::InitializeHerbGrid(double name_width, double frequency_width) {
  flex_grid_.Clear();
  flex_grid_.SetCols(2);
  SetGridCell(flex_grid_, "中药名", 0, 0, name_width);
  SetGridCell(flex_grid_, "频数", 1, 0, frequency_width);
  flex_grid_.SetRows(1);
  full_table_.reset();
  described_.Forget();
  Changed();
}

std::vector<WorkbookSheet> DantiAnalysis::ExcelSheets() const {
  WorkbookSheet herbs;
  herbs.name = "单味药";
  herbs.table = full_table_ ? *full_table_ : TableFromGrid(flex_grid_, herbs.name, "单味药频数");
  herbs.caption = herbs.table.caption;
  // The names and counts are the last two columns (the engine's table numbers its rows).
  if (const int cols = static_cast<int>(herbs.table.header.size()); cols >= 2) {
    const BarChart look = HerbFrequencyChart(BarChart{});
    herbs.chart = SheetChart{
        look.title, look.category_axis, look.value_axis, cols - 2, {cols - 1}, kChartTop, true};
  }
  std::vector<WorkbookSheet> sheets{std::move(herbs)};
  // The type distribution of the herbs the window charts (as its 中药类型分布图).
  std::vector<std::string> names;
  for (int r = 1; r < flex_grid_.Rows(); ++r)
    if (!flex_grid_.TextMatrix(r, 0).empty()) names.push_back(flex_grid_.TextMatrix(r, 0));
  if (names.empty()) return sheets;
  try {
    sheets.push_back(SheetOfChart(HerbTypeChart(HerbTypeNosByName(session_, names)), "中药类型"));
  } catch (const FileError& e) {
    // The herb list is still worth having; the sheet says why the types are missing.
    WorkbookSheet types;
    types.name = "中药类型";
    types.lines.push_back({e.what(), false});
    sheets.push_back(std::move(types));
  }
  return sheets;
}

Outcome DantiAnalysis::Menu_ExportExcel_Click() {
  if (flex_grid_.Rows() <= 1) {
    ShowEmptyListMessage();
    return Outcome::kRefused;
  }
  return ExportWorkbook(session_, "单味药频数", ExcelSheets(), described_.Name());
}

void DantiAnalysis::AddHerbRow(std::string_view name, std::string_view frequency) {
  flex_grid_.AddRow();
  int row = flex_grid_.Rows() - 1;
  flex_grid_.SetTextMatrix(row, 0, name);
  flex_grid_.SetTextMatrix(row, 1, frequency);
}

void DantiAnalysis::ShowEmptyListMessage() {
  session_.Message(EmptyListMessage());
  FocusTextInput();
}

void DantiAnalysis::Form_Load() {
  SetTextInput("");
}

Outcome DantiAnalysis::Text_Input_KeyPress(int key_ascii) {
  return key_ascii == kEnterKey ? SearchHerbs() : Outcome::kDone;
}

Outcome DantiAnalysis::SearchHerbs() {
  std::string text = Trim(TypedBlanks(text_input_));
  if (text.empty()) return Refuse(session_, kEmptyKeywordMessage);
  // One pass: a pair of blanks counts as one separator, so three blanks leave an empty keyword.
  std::vector<std::string> keywords = Split(ReplaceAll(text, "  ", " "), " ");
  return Guarded([&] {
    // Read before touching the grid, so an unreadable herb file leaves the grid as it was.
    std::vector<std::string> records = FindHerbRecords(session_, keywords);
    InitializeHerbGrid(flex_grid_.Width(), 1);
    std::string not_found;
    for (std::size_t k = 0; k < keywords.size(); ++k) {
      std::vector<std::string> fields = Split(records[k], "\t");
      // A record without a name field names no herb.
      if (records[k].empty() || fields.size() < 3) {
        not_found += keywords[k] + " ";
        continue;
      }
      AddHerbRow(fields[2], "1");
    }
    // The herbs found are on view while the not-found message is up.
    Changed();
    if (not_found.empty()) return Outcome::kDone;
    return Refuse(session_, "不好意思，数据库中暂时未收录“" + not_found + "”，以后会完善");
  });
}

Outcome DantiAnalysis::Menu_Export_Danti_Chem_Click() {
  return Guarded([&] {
    const auto& export_table = session_.workflows().export_herb_chemistry;
    if (export_table) return export_table(session_);
    return Refuse(session_, kMissingWorkflowMessage);
  });
}

Outcome DantiAnalysis::Menu_IngredientAnalysis_Click() {
  return Guarded([&] {
    const auto& show = session_.workflows().show_herb_ingredients;
    if (show) return show(session_, flex_grid_.Text());
    return Refuse(session_, kMissingWorkflowMessage);
  });
}

Outcome DantiAnalysis::Menu_HerbTypeAnalysis_Click() {
  return Guarded([&] { return HerbTypeAnalysis(); });
}

bool DantiAnalysis::HerbTypeAnalysis() {
  if (flex_grid_.Rows() <= 1) {
    ShowEmptyListMessage();
    return false;
  }
  double answer = Val(session_.dialogs().Input(kThresholdPrompt, "0"));
  auto threshold = ToInt16(answer);
  if (!threshold) {
    session_.Message(Int16RangeMessage("频数阈值", answer));
    return false;
  }
  std::vector<TypedHerb> herbs;
  std::vector<std::string> names;
  for (int r = 1; r < flex_grid_.Rows(); ++r) {
    const std::string& name = flex_grid_.TextMatrix(r, 0);
    double value = Val(flex_grid_.TextMatrix(r, 1));
    auto frequency = ToInt16(value);
    if (!frequency) {
      session_.Message(
          Int16RangeMessage("第 " + std::to_string(r) + " 行“" + name + "”的频数", value));
      return false;
    }
    if (*frequency < *threshold) continue;
    herbs.push_back({name, *frequency, 0});
    names.push_back(name);
  }
  std::vector<int> types = HerbTypeNosByName(session_, names);
  for (std::size_t i = 0; i < herbs.size(); ++i) herbs[i].type_number = types[i];
  std::string result = HerbTypeDistribution(herbs, *threshold);
  session_.Message("分析结果如下（结果已复制到剪贴板）：\r\n" + result);
  session_.clipboard().Clear();
  session_.clipboard().SetText(result);
  return true;
}

Outcome DantiAnalysis::ShowChartOf(std::optional<BarChart> (*chart)(DantiAnalysis&),
                                   std::string_view name) {
  // The type chart reads the herb file; a file that cannot be read is one message.
  return Guard(session_, [&] {
    std::optional<BarChart> data = chart(*this);
    if (data) ShowChart(*data, name);
    return data.has_value();
  });
}

Outcome DantiAnalysis::Menu_HerbFrequencyChart_Click() {
  return ShowChartOf(HerbFrequencyChart, "Chart_HerbFrequency");
}
Outcome DantiAnalysis::Menu_HerbTypeChart_Click() {
  return ShowChartOf(HerbTypeChart, "Chart_HerbType");
}

Outcome DantiAnalysis::Menu_GetHerbType_Click() {
  std::string name = flex_grid_.Text();
  return Guarded([&] { return ShowHerbType(name); });
}

bool DantiAnalysis::ShowHerbType(const std::string& name) {
  if (HerbIdByName(session_, name) < 1) {
    session_.Message(kNotRecordedMessage);
    return false;
  }
  int type = HerbTypeNoByName(session_, name);
  std::string text = "“" + name + "”的中药类型为“" + HerbTypeName(type) + "”";
  if (std::optional<HerbProperty> property = HerbPropertyByName(session_, name))
    text += "\r\n" + DescribeHerbProperty(*property);
  else if (HasHerbPropertyFile(session_))
    text += "\r\n性味归经：暂未收录";
  session_.Message(text);
  return true;
}

Outcome DantiAnalysis::Menu_FindFangjiByHerb_Click() {
  return Guarded([&] { return FindRelatedFormulas(session_, flex_grid_.Text()) > 0; });
}

Outcome DantiAnalysis::Menu_SymptomAnalysis_Click() {
  return Refuse(session_, kNotBuiltMessage);
}

Outcome DantiAnalysis::SearchOnline(WebSearch site) {
  session_.OpenUrl(SearchAddress(site, flex_grid_.Text()));
  return Outcome::kDone;
}

Outcome DantiAnalysis::Menu_Search_ZYBK_Click() {
  return SearchOnline(WebSearch::kZybk);
}
Outcome DantiAnalysis::Menu_SearchTCMSearch_Click() {
  return SearchOnline(WebSearch::kTcmSearch);
}
Outcome DantiAnalysis::Menu_SearchBaidu_Click() {
  return SearchOnline(WebSearch::kBaidu);
}
Outcome DantiAnalysis::Menu_SearchBaiduXueshu_Click() {
  return SearchOnline(WebSearch::kBaiduXueshu);
}
Outcome DantiAnalysis::Menu_SearchTC_MC_Click() {
  return SearchOnline(WebSearch::kTcMc);
}
Outcome DantiAnalysis::Menu_SearchTCSMP_Click() {
  return SearchOnline(WebSearch::kTcmsp);
}

}  // namespace lindora
