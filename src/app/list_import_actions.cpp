#include "app/list_import_actions.h"

#include "common/not_built.h"
#include "common/session.h"

namespace lindora {

void OpenFormulaListImport(Session& session) {
  session.Message(kNotBuiltMessage);
}
void OpenHerbListImport(Session& session) {
  session.Message(kNotBuiltMessage);
}

}  // namespace lindora
