#include "analysis/result_data.h"

#include <filesystem>
#include <fstream>

#include "common/session.h"
#include "formula/formula_db.h"

namespace lindora {

bool ResultSetHasRecords(Session& session) {
  // Anything but a regular file is left to the reader, which refuses it; opening a pipe here
  // would wait for a writer.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(session.Path(kResultFilePath), ec)) return true;
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
