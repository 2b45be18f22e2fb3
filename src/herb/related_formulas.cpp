#include "herb/related_formulas.h"

#include "common/not_built.h"
#include "common/session.h"

namespace lindora {

void FindRelatedFormulas(Session& session, const std::string& herb) {
  if (herb.empty()) {
    session.Message("搜索关键词为空");
    return;
  }
  // Waits for the formula window's grid operations.
  session.Message(kNotBuiltMessage);
}

}  // namespace lindora
