#include "app/list_import_actions.h"

#include "app/input.h"
#include "common/session.h"

namespace lindora {

void OpenFormulaListImport(Session& session) {
  session.Window<Input>().OpenInMode(Input::kFormulaMode);
}
void OpenHerbListImport(Session& session) {
  session.Window<Input>().OpenInMode(Input::kHerbMode);
}

}  // namespace lindora
