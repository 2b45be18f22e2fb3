#include "common/version.h"

namespace lindora {

std::string_view ProgramVersion() {
  return LINDORA_VERSION;
}

}  // namespace lindora
