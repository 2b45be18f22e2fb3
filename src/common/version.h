// The program's version, as the build sets it.
#pragma once

#include <string_view>

namespace lindora {

std::string_view ProgramVersion();

}  // namespace lindora
