#include "app/input.h"

#include "analysis/standardize.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_db.h"
#include "herb/danti_analysis.h"

namespace lindora {
namespace {

// A text box gives CR LF on one platform and LF on another; both, and a lone CR, are one
// line break here.
std::string LineBreaksAsCrLf(std::string_view text) {
  std::string s = ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n");
  return ReplaceAll(s, "\n", "\r\n");
}

}  // namespace

const std::vector<MenuEntry>& Input::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_Tools", kMenuToolsCaption, "", true},
      {"Menu_StandardData", kMenuStandardDataCaption, "Menu_Tools", true, true,
       On(&Input::Menu_StandardData_Click)},
  };
  return menus;
}

void Input::OpenInMode(std::string_view mode) {
  SetCaption(mode);
  text_input_.clear();
  menu_tools_visible_ = mode == kHerbMode;
  Show();
}

void Input::SetTextInput(std::string_view text) {
  text_input_.assign(text);
  Changed();
}

std::vector<std::string> Input::SplitList(std::string_view text) {
  std::string s = ReplaceAll(text, "，", ",");
  s = ReplaceAll(LineBreaksAsCrLf(s), "\r\n", ",");
  return Split(s, ",");
}

Outcome Input::Cmd_Input_Click() {
  std::string list = Trim(text_input_);
  if (list.empty()) return Outcome::kDone;
  std::vector<std::string> items;
  for (std::string& item : SplitList(list))
    if (!Trim(item).empty()) items.push_back(std::move(item));
  std::vector<std::string> missing;
  const Outcome outcome = Guard(session_, [&] {
    if (Caption() == kFormulaMode)
      missing = ImportFormulas(items);
    else if (Caption() == kHerbMode)
      ImportHerbs(items);
  });
  if (outcome != Outcome::kDone || missing.empty()) return outcome;
  // What was found is imported; the names that were not are told, not lost silently.
  return Refuse(session_, "有 " + std::to_string(missing.size()) +
                              " 个方名在方剂库中找不到（结果中为空行）：" + Join(missing, "、"));
}

std::vector<std::string> Input::ImportFormulas(const std::vector<std::string>& items) {
  // One pass over the database answers every name; a name found nowhere gives an empty line.
  // The records are copied as they stand: a byte that is no GBK character survives.
  std::vector<std::string> records = FindFormulaRecordsRaw(session_, items, true);
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (records[i].empty()) missing.push_back(DropControlCharacters(Trim(items[i]), false));
  std::string text;
  for (const std::string& record : records) text += record + "\r\n";
  std::string recipe = "import-formulas --";
  for (const std::string& item : items) recipe += " " + ScriptWord(item);
  // Creating the formula window empties the backup; the set with its backup comes after it.
  FangjiAnalysis& fangji = session_.Window<FangjiAnalysis>();
  fangji.SetCheckSearchInResult(1);
  WriteResultSetBytes(session_, text + "\r\n", {recipe});
  fangji.InitializeGrid();
  fangji.LoadResults();
  return missing;
}

void Input::ImportHerbs(const std::vector<std::string>& items) {
  DantiAnalysis& danti = session_.Window<DantiAnalysis>();
  danti.InitializeHerbGrid(danti.FlexGrid().Width(), 1);
  // Names go in as they came out of the split: blanks next to a separator stay.
  for (const std::string& item : items) danti.AddHerbRow(item, "1");
  danti.Show();
}

Outcome Input::Menu_StandardData_Click() {
  if (Caption() != kHerbMode) return Outcome::kDone;
  std::string s = ReplaceAll(LineBreaksAsCrLf(text_input_), "\r\n", ",");
  s = ReplaceAll(s, ",", "，");
  StandardIngredients(s);
  SetTextInput(ReplaceAll(s, "、", "，"));
  return Outcome::kDone;
}

}  // namespace lindora
