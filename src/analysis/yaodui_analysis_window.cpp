#include "analysis/yaodui_analysis_window.h"

#include "analysis/herb_network_window.h"
#include "common/session.h"

namespace lindora {

YaoduiAnalysisWindow::YaoduiAnalysisWindow(Session& session)
    : WindowModel(session), grids_{Grid(1, 2), Grid(1, 2), Grid(1, 2)} {
  SetCaption(kCaption);
  for (std::size_t i = 0; i < grids_.size(); ++i) {
    grids_[i].SetWidth(kGridWidth[i]);
    grids_[i].SetHeight(kGridHeight);
  }
}

void YaoduiAnalysisWindow::Menu_ExportYaodui2List_Click() {
  session_.Message(std::string(kExportNotice) + session_.Path(kPairNameFile).string());
}

Outcome YaoduiAnalysisWindow::Menu_HerbNetwork_Click() {
  return OpenHerbNetwork(session_);
}

}  // namespace lindora
