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

void DrawSelectedCompound(Session& session, const WindowModel& window, const std::string& smiles,
                          StructurePicture& picture) {
  if (smiles.empty()) return;
  RunHandler(session, [&] {
    if (!ShowStructure(session, smiles, picture)) return false;
    window.Changed();
    return true;
  });
}

void SelectedCompoundProperties(Session& session, const std::string& smiles) {
  if (smiles.empty()) return session.Message(kNoCompoundSelected);
  RunHandler(session, [&] { return PropertiesOfSmiles(session, smiles); });
}

void SearchSelectedCompoundOnPubChem(Session& session, const std::string& smiles) {
  if (smiles.empty()) return session.Message(kNoCompoundSelected);
  session.OpenUrl(PubChemSearchAddress(smiles));
}

ChemAnalysis::ChemAnalysis(Session& session) : WindowModel(session), flex_grid_(1, 4) {
  SetCaption(kTag);
  flex_grid_.SetWidth(kGridWidth);
  flex_grid_.SetHeight(kGridHeight);
  pic_mol_.box = {PixelsOfTwips(kPictureWidth), PixelsOfTwips(kPictureHeight)};
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
  DrawSelectedCompound(session_, *this, SelectedSmiles(), pic_mol_);
}

void ChemAnalysis::Menu_CalProperties_Click() {
  SelectedCompoundProperties(session_, SelectedSmiles());
}

void ChemAnalysis::Menu_SearchPubChem_Click() {
  SearchSelectedCompoundOnPubChem(session_, SelectedSmiles());
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
