#include "analysis/formula_set_actions.h"

#include "common/not_built.h"
#include "common/session.h"

namespace lindora {

void DanweiyaoAnalysis(Session& session) {
  session.Message(kNotBuiltMessage);
}
void YaoduiAnalysisOfResults(Session& session) {
  session.Message(kNotBuiltMessage);
}
void SymptomAnalysisOfResults(Session& session) {
  session.Message(kNotBuiltMessage);
}

}  // namespace lindora
