#include "analysis/symptom_analysis_window.h"

namespace lindora {

SymptomAnalysisWindow::SymptomAnalysisWindow(Session& session) : WindowModel(session), grid_(1, 2) {
  SetCaption(kCaption);
  grid_.SetWidth(kGridWidth);
  grid_.SetHeight(kGridHeight);
}

}  // namespace lindora
