#include "chem/chem_analysis.h"

#include "chem/active_matching.h"
#include "common/files.h"
#include "common/session.h"
#include "common/web_addresses.h"

namespace lindora {

bool RunHandler(Session& session, const std::function<bool()>& body) {
  try {
    return body();
  } catch (const FileError& e) {
    session.ReportFailure(e.what());
    return false;
  }
}

ChemAnalysis::ChemAnalysis(Session& session) : WindowModel(session), flex_grid_(1, 4) {
  SetCaption(kTag);
  flex_grid_.SetWidth(kGridWidth);
  flex_grid_.SetHeight(kGridHeight);
}

void ChemAnalysis::SetChecks(bool anticancer) {
  anticancer_checked_ = anticancer;
  antiinfluenza_checked_ = !anticancer;
  Changed();
}

std::string ChemAnalysis::SelectedSmiles() const {
  int row = flex_grid_.RowSel();
  if (row < 1 || row >= flex_grid_.Rows()) return {};
  return flex_grid_.TextMatrix(row, kSmilesCol);
}

void ChemAnalysis::FlexGrid_Click() {
  std::string smiles = SelectedSmiles();
  if (smiles.empty()) return;
  RunHandler(session_, [&] {
    if (!ShowStructure(session_, smiles, pic_mol_)) return false;
    Changed();
    return true;
  });
}

void ChemAnalysis::Menu_CalProperties_Click() {
  std::string smiles = SelectedSmiles();
  if (smiles.empty()) return session_.Message(kNoCompoundSelected);
  RunHandler(session_, [&] { return PropertiesOfSmiles(session_, smiles); });
}

void ChemAnalysis::Menu_SearchPubChem_Click() {
  std::string smiles = SelectedSmiles();
  if (smiles.empty()) return session_.Message(kNoCompoundSelected);
  session_.OpenUrl(PubChemSearchAddress(smiles));
}

void ChemAnalysis::Menu_FindSimilarTCM_Click() {
  session_.Message("由于时间仓促，此功能暂时还没做");
}

void ChemAnalysis::Menu_FindAnticancer_Click() {
  RunHandler(session_, [&] { return FindActiveComponents(*this, ActivityKind::kAnticancer); });
}

void ChemAnalysis::Menu_FindAntiinfluenza_Click() {
  RunHandler(session_, [&] { return FindActiveComponents(*this, ActivityKind::kAntiinfluenza); });
}

}  // namespace lindora
