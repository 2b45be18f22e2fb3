#pragma once

#include <string_view>

namespace lindora {
// Shown by menu items whose function is not done yet.
inline constexpr std::string_view kNotBuiltMessage = "不好意思，由于时间仓促，该功能还未做。";
}  // namespace lindora
