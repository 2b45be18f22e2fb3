#include "analysis/result_data.h"

#include <fstream>

#include "common/session.h"
#include "formula/formula_db.h"

namespace lindora {

bool ResultSetHasRecords(Session& session) {
  std::ifstream in(session.Path(kResultFilePath), std::ios::binary);
  if (!in) return true;
  // No GBK character has a blank byte, so a byte other than a blank or line end is a record.
  for (char c; in.get(c);)
    if (c != ' ' && c != '\r' && c != '\n') return true;
  return false;
}

Outcome RequireResultData(Session& session) {
  return ResultSetHasRecords(session) ? Outcome::kDone : Refuse(session, kNoDataMessage);
}

}  // namespace lindora
