#include "chem/active_component.h"

#include <cmath>

#include "chem/chem_analysis.h"
#include "chem/compound_data.h"
#include "common/session.h"
#include "common/text.h"
#include "common/web_addresses.h"
#include "herb/danti_analysis.h"
#include "herb/herb_files.h"

namespace lindora {

ActiveComponent::ActiveComponent(Session& session) : WindowModel(session), flex_grid_(1, 9) {
  SetCaption(kDesignCaption);
  flex_grid_.SetWidth(kGridWidth);
  flex_grid_.SetHeight(kGridHeight);
  pic_mol_.box = {PixelsOfTwips(kPictureWidth), PixelsOfTwips(kPictureHeight)};
}

const std::vector<MenuEntry>& ActiveComponent::PopupMenu() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_PopupMenu", "PopupMenu", "", false},
      {"Menu_SearchTCM", "搜索含该活性成分的中药", "Menu_PopupMenu", true, true,
       On(&ActiveComponent::Menu_SearchTCM_Click)},
      {"Menu_OpenRef", "打开参考文献", "Menu_PopupMenu", true, true,
       On(&ActiveComponent::Menu_OpenRef_Click)},
      {"Menu_SearchPubChem", "在PubChem中搜索该化合物", "Menu_PopupMenu", true, true,
       On(&ActiveComponent::Menu_SearchPubChem_Click)},
      {"Menu_CalProperties", "计算理化性质", "Menu_PopupMenu", true, true,
       On(&ActiveComponent::Menu_CalProperties_Click)},
  };
  return menus;
}

void ActiveComponent::InitializeGrid(std::string_view header, const std::vector<double>& widths) {
  const int columns = static_cast<int>(widths.size());
  flex_grid_.Clear();
  flex_grid_.SetCols(columns);
  std::vector<std::string> names = Split(header, " ");
  for (int k = 0; k < columns; ++k) {
    double width = widths[k] > 0 ? widths[k] * flex_grid_.Width() : 1;
    SetGridCell(flex_grid_, names[k], k, 0, width);
  }
  flex_grid_.SetRows(1);
}

void ActiveComponent::AddMatchRow(const std::vector<std::string>& fields, int fields_copied,
                                  int id_col, std::string_view id) {
  flex_grid_.AddRow();
  const int row = flex_grid_.Rows() - 1;
  // A short line fills the fields it has; fields beyond the copied ones are not shown.
  for (int j = 0; j < fields_copied && j < static_cast<int>(fields.size()); ++j)
    flex_grid_.SetTextMatrix(row, j, fields[j]);
  flex_grid_.SetTextMatrix(row, id_col, id);
}

bool ActiveComponent::HasSelection() const {
  int row = flex_grid_.RowSel();
  return row >= 1 && row < flex_grid_.Rows();
}

std::string ActiveComponent::SelectedSmiles() const {
  return HasSelection() ? flex_grid_.TextMatrix(flex_grid_.RowSel(), 0) : std::string();
}

Outcome ActiveComponent::FlexGrid_Click() {
  return DrawSelectedCompound(session_, *this, SelectedSmiles(), pic_mol_);
}

Outcome ActiveComponent::Menu_CalProperties_Click() {
  return SelectedCompoundProperties(session_, SelectedSmiles());
}

Outcome ActiveComponent::Menu_SearchPubChem_Click() {
  return SearchSelectedCompoundOnPubChem(session_, SelectedSmiles());
}

Outcome ActiveComponent::Menu_SearchTCM_Click() {
  return Guard(session_, [&] { return SearchHerbsWithCompound(); });
}

Outcome ActiveComponent::Menu_OpenRef_Click() {
  if (!HasSelection()) return Refuse(session_, kNoCompoundSelected);
  const int row = flex_grid_.RowSel();
  Outcome outcome = Outcome::kDone;
  if (session_.ActivityName == "抗流感") {
    std::vector<std::string> refused;
    int opened = 0;
    for (const std::string& address : RefAddresses(flex_grid_.TextMatrix(row, kRefAddressCol))) {
      if (address.empty()) continue;
      if (IsWebAddress(address)) {
        session_.OpenUrl(address);
        ++opened;
      } else {
        refused.push_back(address);
      }
    }
    if (!refused.empty()) {
      outcome = Refuse(session_, "以下参考文献地址不是 http 或 https 网址，没有打开：\r\n" +
                                     Join(refused, "\r\n"));
    } else if (opened == 0) {
      outcome = Refuse(session_, "该成分没有参考文献网址。");
    }
  }
  if (session_.ActivityName == "抗癌") {
    std::string number = flex_grid_.TextMatrix(row, kNpactCol);
    if (Trim(number).empty()) return Refuse(session_, "该成分没有 NPACT 编号。");
    session_.OpenUrl(NpactAddress(FormatNpactNumber(number)));
  }
  return outcome;
}

bool ActiveComponent::SearchHerbsWithCompound() {
  if (!HasSelection()) {
    session_.Message(kNoCompoundSelected);
    return false;
  }
  const int row = flex_grid_.RowSel();
  const double compound_id = Val(flex_grid_.TextMatrix(row, flex_grid_.Cols() - 1));
  const std::string smiles = flex_grid_.TextMatrix(row, 0);

  DantiAnalysis& danti = session_.Window<DantiAnalysis>();
  danti.InitializeHerbGrid(danti.FlexGrid().Width(), 1);

  bool found = false;
  Guard(session_, [&] {
    std::vector<std::optional<std::int32_t>> numbers =
        HerbsContainingCompound(session_.Path(kHerbCompoundFile), compound_id);
    std::vector<std::int32_t> known;
    for (const auto& n : numbers)
      if (n) known.push_back(*n);
    std::vector<std::string> known_names;
    if (!known.empty()) known_names = HerbNamesById(session_, known);
    std::size_t k = 0;
    for (const auto& n : numbers) danti.AddHerbRow(n ? known_names[k++] : std::string(), "1");
    danti.Changed();
    if (numbers.empty()) {
      session_.Message("从数据库中没有找到包含该化学成分的中药单体");
      return;
    }
    danti.Show();
    session_.Message("从数据库中找到" + std::to_string(numbers.size()) + "个包含该化学成分“" +
                     smiles + "”的中药单体.");
    found = true;
  });
  return found;
}

std::vector<std::string> RefAddresses(std::string_view field) {
  if (field.find('[') == std::string_view::npos && field.find(']') == std::string_view::npos)
    return {std::string(field)};
  std::vector<std::string> addresses;
  for (const std::string& piece : Split(field, "[")) {
    std::size_t close = piece.find(']');
    if (close == std::string::npos) continue;
    std::string_view rest = std::string_view(piece).substr(close + 1);
    addresses.push_back(Trim(rest.substr(0, rest.find(']'))));
  }
  return addresses;
}

std::string FormatNpactNumber(std::string_view number) {
  std::string t = Trim(number);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  std::size_t digits = 0, dots = 0;
  for (std::size_t j = i; j < t.size(); ++j) {
    if (t[j] >= '0' && t[j] <= '9') {
      ++digits;
    } else if (t[j] == '.' && dots == 0) {
      ++dots;
    } else {
      return std::string(number);
    }
  }
  if (digits == 0 || digits > 15) return std::string(number);
  // Rounds half away from zero, as number formats do.
  long long value = std::llround(std::stod(t.substr(i)));
  std::string text = std::to_string(value);
  if (text.size() < 5) text.insert(0, 5 - text.size(), '0');
  return (negative && value != 0 ? "-" : "") + text;
}

bool IsWebAddress(std::string_view address) {
  std::string lower(address.substr(0, 8));
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  std::size_t scheme = lower.starts_with("https://") ? 8 : lower.starts_with("http://") ? 7 : 0;
  if (scheme == 0 || address.size() == scheme) return false;
  for (char c : address)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace lindora
