#include "herb/danti_analysis.h"

#include "chem/herb_chem_actions.h"
#include "common/files.h"
#include "common/not_built.h"
#include "common/session.h"
#include "common/text.h"
#include "common/web_addresses.h"
#include "herb/herb_files.h"
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

template <class Fn>
void DantiAnalysis::Guard(Fn&& fn) {
  try {
    fn();
  } catch (const FileError& e) {
    session_.ReportFailure(e.what());
  }
  Changed();
}

void DantiAnalysis::SetText_Input(std::string_view text) {
  text_input_.assign(text);
  Changed();
}

void DantiAnalysis::FocusText_Input() {
  ++focus_requests_;
  Changed();
}

void DantiAnalysis::InitializeHerbGrid(double name_width, double frequency_width) {
  flex_grid_.Clear();
  flex_grid_.SetCols(2);
  SetGridCell(flex_grid_, "中药名", 0, 0, name_width);
  SetGridCell(flex_grid_, "频数", 1, 0, frequency_width);
  flex_grid_.SetRows(1);
  Changed();
}

void DantiAnalysis::AddHerbRow(std::string_view name, std::string_view frequency) {
  flex_grid_.AddRow();
  int row = flex_grid_.Rows() - 1;
  flex_grid_.SetTextMatrix(row, 0, name);
  flex_grid_.SetTextMatrix(row, 1, frequency);
}

void DantiAnalysis::ShowEmptyListMessage() {
  session_.Message(EmptyListMessage());
  FocusText_Input();
}

void DantiAnalysis::Form_Load() {
  SetText_Input("");
}

bool DantiAnalysis::Text_Input_KeyPress(int key_ascii) {
  if (key_ascii != 13) return false;
  SearchHerbs();
  return true;
}

void DantiAnalysis::SearchHerbs() {
  std::string text = Trim(TypedBlanks(text_input_));
  if (text.empty()) {
    session_.Message(kEmptyKeywordMessage);
    return;
  }
  // One pass: a pair of blanks counts as one separator, so three blanks leave an empty keyword.
  std::vector<std::string> keywords = Split(ReplaceAll(text, "  ", " "), " ");
  Guard([&] {
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
    if (!not_found.empty())
      session_.Message("不好意思，数据库中暂时未收录“" + not_found + "”，以后会完善");
  });
}

void DantiAnalysis::Menu_Export_Danti_Chem_Click() {
  ExportHerbChemistry(session_);
  Changed();
}

void DantiAnalysis::Menu_IngredientAnalysis_Click() {
  ShowHerbIngredients(session_, flex_grid_.Text());
  Changed();
}

void DantiAnalysis::Menu_HerbTypeAnalysis_Click() {
  Guard([&] { HerbTypeAnalysis(); });
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

void DantiAnalysis::Menu_GetHerbType_Click() {
  std::string name = flex_grid_.Text();
  Guard([&] { ShowHerbType(name); });
}

bool DantiAnalysis::ShowHerbType(const std::string& name) {
  if (HerbIdByName(session_, name) < 1) {
    session_.Message(kNotRecordedMessage);
    return false;
  }
  int type = HerbTypeNoByName(session_, name);
  session_.Message("“" + name + "”的中药类型为“" + HerbTypeName(type) + "”");
  return true;
}

void DantiAnalysis::Menu_FindFangjiByHerb_Click() {
  Guard([&] { FindFangjiByHerb(); });
}

void DantiAnalysis::FindFangjiByHerb() {
  FindRelatedFormulas(session_, flex_grid_.Text());
}

void DantiAnalysis::Menu_SymptomAnalysis_Click() {
  session_.Message(kNotBuiltMessage);
}

void DantiAnalysis::SearchOnline(std::string_view prefix) {
  // The cell text goes into the address as it stands, unescaped.
  session_.OpenUrl(std::string(prefix) + flex_grid_.Text());
}

void DantiAnalysis::Menu_Search_ZYBK_Click() {
  SearchOnline("https://" + std::string(kZybkHost) + "/wiki/");
}

void DantiAnalysis::Menu_SearchTCMSearch_Click() {
  SearchOnline("http://" + std::string(kTcmSearchHost) + ":8080/TcmSearch/jsp/results.jsp?q=");
}

void DantiAnalysis::Menu_SearchBaidu_Click() {
  SearchOnline("https://" + std::string(kBaiduHost) + "/s?&wd=");
}

void DantiAnalysis::Menu_SearchBaiduXueshu_Click() {
  SearchOnline("http://" + std::string(kBaiduXueshuHost) + "/s?wd=");
}

void DantiAnalysis::Menu_SearchTC_MC_Click() {
  SearchOnline("http://" + std::string(kTcMcHost) + "/compound/search.do?query=");
}

void DantiAnalysis::Menu_SearchTCSMP_Click() {
  SearchOnline("http://" + std::string(kTcmspHost) + "/tcmspsearch.php?qs=herb_all_name&q=");
}

}  // namespace lindora
