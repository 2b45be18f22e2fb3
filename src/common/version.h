// The program's version, shown by --version, the update notice and the reports.
#pragma once

#include <string_view>

namespace lindora {

inline constexpr std::string_view kProgramVersion = "1.1.0";

}  // namespace lindora
