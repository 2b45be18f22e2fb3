#include "chem/herb_chem_actions.h"

#include "common/not_built.h"
#include "common/session.h"

namespace lindora {

void ShowHerbIngredients(Session& session, const std::string&) {
  session.Message(kNotBuiltMessage);
}
void ExportHerbChemistry(Session& session) {
  session.Message(kNotBuiltMessage);
}

}  // namespace lindora
